// Installing, upgrading and removing under Wine, as a user's machine meets it: the
// test build of setup installs unattended from an INI file, the installed uninstaller
// removes everything it recorded (silently, and from the uninstall entry with no
// argument), crafted logs drive the uninstaller's failure paths, and older
// installations made by the test are replaced with their settings carried over.
// "Leaves the machine as it was" is always a snapshot of drive C and of the registry
// (every view) compared before and after, never a list of expected names. No
// unattended run may show a window: a watcher fails the test when one appears.
// Each group (Install, Folders, Remover, Upgrade313, Upgrade406, Upgrade240, Upgrade410,
// Unattended, Detect) runs in a prefix of its own.
//
// These tests run on the win64 build; they would run unchanged on the win32 build
// (where a 32-bit setup installs the 64-bit shell extension the same way, codes 16 and
// 17, and the 32-bit one as an ordinary file of the system folder).
#include <windows.h>
// after windows.h
#include <objbase.h>
#include <sddl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "keys/first_start.h"
#include "keys/passphrase_list.h"
#include "keys/settings.h"
#include "remover/install_log.h"
#include "setup/setup.h"
#include "tests/support/win32/files.h"
#include "tests/support/win32/folders.h"
#include "tests/support/win32/installation.h"
#include "tests/support/win32/machine.h"
#include "tests/support/win32/processes.h"
#include "tests/support/win32/window_driver.h"

namespace {

const std::string kDir = "C:\\Program Files\\Orvanel\\Quillnox";
const std::string kGroup = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Feldspire\\Quillnox";
const std::string kGroupParent = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Feldspire";
const std::string kDesktop = "C:\\users\\Public\\Desktop";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillnox";

void MakeFolders(const std::string& path) { SHCreateDirectoryExA(nullptr, path.c_str(), nullptr); }

// Every file and folder under C:\ apart from the temporary folder (where the trace
// file and the uninstaller's copy go).
void ListTree(const std::string& folder, const std::string& skip, std::set<std::string>* out) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "\\" + name;
    if (lstrcmpiA(path.c_str(), skip.c_str()) == 0) continue;
    out->insert(path);
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      ListTree(path, skip, out);
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

std::vector<std::string> Difference(const std::set<std::string>& a, const std::set<std::string>& b) {
  std::vector<std::string> d;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(d));
  return d;
}

// Keys and values below root\path in one registry view, as "view|path|name|type|bytes"
// lines.
void ListKeys(HKEY root, const std::string& prefix, const std::string& path, REGSAM view, std::set<std::string>* out) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
    if (!path.empty()) out->insert(prefix + path + "|<closed>");
    return;
  }
  out->insert(prefix + path);
  char name[512];
  std::vector<BYTE> data(65536);
  for (DWORD i = 0;; ++i) {
    DWORD name_size = sizeof name, data_size = static_cast<DWORD>(data.size()), type = 0;
    if (RegEnumValueA(key, i, name, &name_size, nullptr, &type, data.data(), &data_size) != ERROR_SUCCESS) break;
    out->insert(prefix + path + "|" + name + "|" + std::to_string(type) + "|" +
                std::string(reinterpret_cast<char*>(data.data()), data_size));
  }
  std::vector<std::string> subkeys;
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subkeys.push_back(name);
  }
  RegCloseKey(key);
  for (const std::string& s : subkeys) ListKeys(root, prefix, path.empty() ? s : path + "\\" + s, view, out);
}

struct Snapshot {
  std::set<std::string> files, keys;
};

// Drive C and the registry as a user's machine holds them: HKLM and HKCU whole in the
// native (64-bit) view, and their software keys in the 32-bit view. Wine's own
// bookkeeping of the running programs (performance data, the devices it found) is
// left out.
Snapshot TakeSnapshot() {
  Snapshot s;
  std::string temp = TemporaryFolder();
  temp.pop_back();
  ListTree("C:", temp, &s.files);
  ListKeys(HKEY_LOCAL_MACHINE, "64|HKLM|", "", KEY_WOW64_64KEY, &s.keys);
  ListKeys(HKEY_CURRENT_USER, "64|HKCU|", "", KEY_WOW64_64KEY, &s.keys);
  ListKeys(HKEY_LOCAL_MACHINE, "32|HKLM|", "Software", KEY_WOW64_32KEY, &s.keys);
  ListKeys(HKEY_CURRENT_USER, "32|HKCU|", "Software", KEY_WOW64_32KEY, &s.keys);
  // Compared without regard to case: Wine writes "Hardware" where Windows has "HARDWARE".
  const char* const kVolatile[] = {"|hklm|hardware",
                                   "|hklm|system\\currentcontrolset\\services",
                                   "|hklm|system\\currentcontrolset\\enum",
                                   "|hklm|system\\currentcontrolset\\control\\class",
                                   "|hklm|system\\currentcontrolset\\control\\deviceclasses",
                                   "|hklm|system\\currentcontrolset\\control\\video",
                                   "|hklm|system\\currentcontrolset\\control\\servicecurrent",
                                   "|hkcu|software\\wine\\temporary system parameters"};
  for (auto it = s.keys.begin(); it != s.keys.end();) {
    std::string lower = *it;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool volatile_data = std::any_of(std::begin(kVolatile), std::end(kVolatile),
                                           [&](const char* k) { return lower.find(k) != std::string::npos; });
    it = volatile_data ? s.keys.erase(it) : std::next(it);
  }
  return s;
}

// Both ways: what appeared, what went.
void ExpectSameMachine(const Snapshot& before, const Snapshot& after) {
  EXPECT_EQ(Difference(after.files, before.files), std::vector<std::string>{}) << "files that appeared";
  EXPECT_EQ(Difference(before.files, after.files), std::vector<std::string>{}) << "files that went";
  EXPECT_EQ(Difference(after.keys, before.keys), std::vector<std::string>{}) << "keys that appeared";
  EXPECT_EQ(Difference(before.keys, after.keys), std::vector<std::string>{}) << "keys that went";
}


std::string RegText(HKEY root, const std::string& path, const char* name, DWORD* type = nullptr) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
  char data[1024];
  DWORD size = sizeof data, t = 0;
  const LONG r = RegQueryValueExA(key, name, nullptr, &t, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS) return "<no value>";
  if (type) *type = t;
  if (t == REG_SZ && size && data[size - 1] == '\0') --size;
  return std::string(data, size);
}

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void SetValue(HKEY root, const std::string& path, const char* name, DWORD type, const std::string& data) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyA(root, path.c_str(), &key), ERROR_SUCCESS) << path;
  RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
  RegCloseKey(key);
}

std::string TracePath() { return TemporaryFolder() + "qlxunins.log"; }

std::vector<std::string> TraceLines() {
  std::vector<std::string> lines;
  std::istringstream in(ReadText(TracePath()));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// A top-level window that shows while nobody is meant to be at the screen.
BOOL CALLBACK CollectVisible(HWND window, LPARAM param) {
  if (IsWindowVisible(window)) reinterpret_cast<std::set<HWND>*>(param)->insert(window);
  return TRUE;
}

std::set<HWND> VisibleWindows() {
  std::set<HWND> windows;
  EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::string Describe(HWND window) {
  char title[256] = "", name[64] = "";
  GetWindowTextA(window, title, sizeof title);
  GetClassNameA(window, name, sizeof name);
  std::string text = std::string(name) + " \"" + title + "\"";
  if (GetDlgItem(window, 0xFFFF)) text += ": " + ControlText(window, 0xFFFF);
  return text;
}

struct SetupRun {
  long exit_code;
  std::vector<std::string> windows;  // every top-level window that showed meanwhile
  std::string log;                   // "setup.log" beside the INI file
};

// Runs a setup build (the test build by default) unattended on an INI file in the
// temporary folder. A watcher records every top-level window that shows meanwhile and
// answers it, so that a run that would wait for ever on a box ends and fails.
SetupRun RunSetup(const std::string& ini_text, const std::string& exe = "setup_payloads.exe") {
  const std::string ini = TemporaryFolder() + "setup.ini", log = TemporaryFolder() + "setup.log";
  WriteAll(ini, ini_text);
  DeleteFileA(log.c_str());
  const std::set<HWND> before = VisibleWindows();
  std::atomic<bool> done{false};
  std::mutex lock;
  std::vector<std::string> seen;
  std::set<HWND> answered;
  std::thread watcher([&] {
    while (!done) {
      for (HWND window : VisibleWindows()) {
        if (before.count(window) || answered.count(window)) continue;
        answered.insert(window);
        {
          std::lock_guard<std::mutex> guard(lock);
          seen.push_back(Describe(window));
        }
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        PostMessageA(window, WM_CLOSE, 0, 0);
      }
      Sleep(10);
    }
  });
  SetupRun run{-1, {}, ""};
  {
    Program setup(exe, {ini});
    EXPECT_TRUE(setup.started());
    run.exit_code = setup.WaitExit(120000);
  }
  Sleep(100);  // a window of the run's last moment
  done = true;
  watcher.join();
  run.windows = seen;
  run.log = ReadText(log);
  return run;
}

std::string IniFor(const std::string& dir) { return "[SETUP]\r\ninstalldir=" + dir + "\r\n"; }

// Installs unattended into dir: exit code 0, and no window.
void InstallInto(const std::string& dir) {
  const SetupRun run = RunSetup(IniFor(dir));
  EXPECT_EQ(run.windows, std::vector<std::string>{});
  ASSERT_EQ(run.exit_code, 0) << run.log;
}

// A program started from a command line as Windows starts one (the uninstall entry's
// strings): the line as it is, the program found by the system.
class CommandLine {
 public:
  explicit CommandLine(std::string line) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      CloseHandle(info.hThread);
      process_ = info.hProcess;
    }
  }
  ~CommandLine() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 99);
    CloseHandle(process_);
  }
  CommandLine(const CommandLine&) = delete;
  CommandLine& operator=(const CommandLine&) = delete;
  bool started() const { return process_ != nullptr; }
  long WaitExit(DWORD ms) {
    DWORD code = 0;
    if (!process_ || WaitForSingleObject(process_, ms) != WAIT_OBJECT_0 || !GetExitCodeProcess(process_, &code))
      return -1;
    return static_cast<long>(code);
  }

 private:
  HANDLE process_ = nullptr;
};

// The host's name of a path in the prefix (Wine), "" elsewhere.
std::string HostPath(const std::string& path) {
  using UnixName = char*(CDECL*)(LPCWSTR);
  const auto unix_name = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!unix_name) return "";
  wchar_t wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
  const char* name = unix_name(wide);
  std::string result = name ? name : "";
  if (name) HeapFree(GetProcessHeap(), 0, const_cast<char*>(name));
  return result;
}

// Runs a program of the host ("Z:\\bin\\..."). Wine starts it without a process handle
// to wait on: the caller polls for its effect.
void RunHost(const std::string& line) { CommandLine run(line); }

bool Listed(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA(path.c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return true;
}

// Makes link a link to the folder or file target: a host link of the prefix's file
// system (Wine 8 makes neither a junction, FSCTL_SET_REPARSE_POINT failing with
// ERROR_NOT_SUPPORTED, nor a symbolic link, CreateSymbolicLinkA returning TRUE and
// making nothing; it shows a host link to a folder as a reparse point to path queries
// only, and follows it when a handle is opened with FILE_FLAG_OPEN_REPARSE_POINT).
// false when none can be made (on Windows a junction would be made with
// FSCTL_SET_REPARSE_POINT).
bool MakeLink(const std::string& target, const std::string& link) {
  const std::string host_target = HostPath(target), host_link = HostPath(link);
  if (host_target.empty() || host_link.empty()) return false;
  RunHost("Z:\\bin\\ln -s \"" + host_target + "\" \"" + host_link + "\"");
  for (int i = 0; i < 250 && !Listed(link); ++i) Sleep(20);
  return Listed(link);
}

// Removes a host link itself (Wine's DeleteFileA on a link to a file deletes the
// target, not the link).
void RemoveLink(const std::string& link) {
  const std::string host_link = HostPath(link);
  if (host_link.empty()) return;
  RunHost("Z:\\bin\\rm -f \"" + host_link + "\"");
  for (int i = 0; i < 250 && Listed(link); ++i) Sleep(20);
}

std::uint64_t DiskSize(const std::string& folder) {
  ULARGE_INTEGER total{};
  return GetDiskFreeSpaceExA((folder + "\\").c_str(), nullptr, &total, nullptr) ? total.QuadPart : 0;
}

// A small disk of its own at folder (a host file system of that size, mounted there):
// it fills as setup writes. false when none can be mounted here.
bool MountSmallDisk(const std::string& folder, std::uint64_t bytes) {
  const std::string host = HostPath(folder);
  if (host.empty()) return false;
  RunHost("Z:\\bin\\mount -t tmpfs -o size=" + std::to_string(bytes) + " tmpfs \"" + host + "\"");
  for (int i = 0; i < 250; ++i, Sleep(20))
    if (const std::uint64_t size = DiskSize(folder); size && size <= bytes + 65536) return true;
  return false;
}

void UnmountDisk(const std::string& folder, std::uint64_t bytes) {
  const std::string host = HostPath(folder);
  if (host.empty() || DiskSize(folder) > bytes + 65536) return;
  RunHost("Z:\\bin\\umount \"" + host + "\"");
  for (int i = 0; i < 250 && DiskSize(folder) <= bytes + 65536; ++i) Sleep(20);
}

// A text in the ANSI code page from UTF-16 ("" when the code page cannot hold it).
std::string InCodePage(const wchar_t* text) {
  char out[MAX_PATH];
  BOOL lost = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof out, nullptr, &lost);
  return n && !lost ? out : "";
}

// Waits until path is gone: the uninstaller's copy deletes the original's file and
// folder as soon as the original has ended.
bool WaitGone(const std::string& path, DWORD ms = 10000) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(50))
    if (!Exists(path)) return true;
  return !Exists(path);
}

// The uninstaller's temporary copies ("qlxrm*.exe") in the temporary folder.
std::vector<std::string> TemporaryCopies() {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((TemporaryFolder() + "qlxrm*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.push_back(found.cFileName);
  while (FindNextFileA(find, &found));
  FindClose(find);
  return names;
}

// The files Windows is to delete or rename at its next start.
std::string PendingRenames() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return "";
  char data[8192];
  DWORD size = sizeof data, type = 0;
  const LONG r = RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return r == ERROR_SUCCESS ? std::string(data, size) : "";
}

// The copies go when they end; waits for that, then for nothing of theirs left behind
// or scheduled for the next start of Windows.
void ExpectNoTemporaryCopy() {
  for (DWORD start = GetTickCount(); !TemporaryCopies().empty() && GetTickCount() - start < 10000;) Sleep(50);
  EXPECT_EQ(TemporaryCopies(), std::vector<std::string>{});
  EXPECT_EQ(PendingRenames().find("qlxrm"), std::string::npos) << PendingRenames();
}

std::string Log(const std::vector<std::pair<int, std::string>>& records) {
  std::vector<std::uint8_t> bytes;
  for (const auto& r : records) EncodeLogRecord(bytes, static_cast<std::uint16_t>(r.first), r.second.data(), r.second.size());
  return std::string(bytes.begin(), bytes.end());
}

// The message box text (static 0xFFFF) of a MessageBoxA window.
std::string BoxText(HWND box) { return ControlText(box, 0xFFFF); }

// A window of that title that is a message box (has the 0xFFFF text), from any process.
HWND WaitForBox(const std::string& title, DWORD ms = 15000) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(50)) {
    HWND w = WaitForWindow(title, 0, 50);
    if (w && GetDlgItem(w, 0xFFFF)) return w;
  }
  return nullptr;
}

const std::string kStandardFiles[] = {"Quillnox.exe", "Quillnox.cnt", "Quillnox.hlp", "Quillnox.htm",
                                      "unins000.exe", "mail.txt", "notes.dll"};
const char kClsidKey[] = "CLSID\\{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}";

// Where setup installs into kDir (two new levels).
InstallPlaces Places() { return {kDir, {kDir, "C:\\Program Files\\Orvanel"}, SystemFolder(), kGroup, kDesktop}; }

// The log setup writes for a fresh installation into kDir, the shell extension's builds
// in the places a setup of this program's width uses on this machine: a 64-bit setup
// installs its build into the native system folder (code 16), registered in the 64-bit
// view (code 17), as the 32-bit setup installs its 64-bit build beside its own.
std::string ExpectedLog() { return Log(ExpectedInstallLog(ThisMachine(), Places())); }

// The files on the uninstaller's list at its first pass: the log's files (code 0) but
// the started uninstaller, which its copy deletes once the original has ended.
int FilesOfTheFirstPass() {
  const auto log = ExpectedInstallLog(ThisMachine(), Places());
  return static_cast<int>(std::count_if(log.begin(), log.end(), [](const auto& r) { return r.first == 0; })) - 1;
}

// Each build of the shell extension in the system folder and the registry view of its
// width (installed), or in none (removed).
void ExpectExtensions(bool installed) {
  const std::vector<ExtensionPlace> places = ExtensionPlaces(ThisMachine());
  for (const std::string& folder : SystemFolders(ThisMachine())) {
    const bool there = installed && std::any_of(places.begin(), places.end(), [&](const ExtensionPlace& p) {
                         return folder == p.system_folder;
                       });
    EXPECT_EQ(NativeExists(WindowsFolder() + "\\" + folder + "\\quillext.dll"), there) << folder;
  }
  for (bool view_64bit : RegistryViews(ThisMachine())) {
    const bool there = installed && std::any_of(places.begin(), places.end(), [&](const ExtensionPlace& p) {
                         return view_64bit == p.view_64bit;
                       });
    if (there)
      EXPECT_TRUE(KeyInView(HKEY_CLASSES_ROOT, std::string(kClsidKey) + "\\InProcServer32", view_64bit)) << view_64bit;
    else
      EXPECT_FALSE(KeyInView(HKEY_CLASSES_ROOT, kClsidKey, view_64bit)) << view_64bit;
  }
}

void ExpectInstalled(const std::string& dir) {
  const std::string test_dir = TestProgramFolder();
  EXPECT_TRUE(Content(dir + "\\Quillnox.exe") == Content(test_dir + "payload_program.exe"));
  EXPECT_TRUE(Content(dir + "\\unins000.exe") == Content(test_dir + "..\\..\\remover\\remover.exe"));
  EXPECT_EQ(Content(dir + "\\mail.txt").rfind("The attached file is encrypted.", 0), 0u);
  for (const char* f : {"Quillnox.cnt", "Quillnox.hlp", "Quillnox.htm", "notes.dll"})
    EXPECT_FALSE(Content(dir + "\\" + f).empty()) << f;
  EXPECT_FALSE(Exists(dir + "\\Quillnox.GID"));
  EXPECT_FALSE(Content(SystemFolder() + "\\quillext.dll").empty());
  ExpectExtensions(true);

  EXPECT_EQ(LinkTarget(kGroup + "\\Quillnox 4.10.lnk"), dir + "\\Quillnox.exe");
  EXPECT_EQ(LinkTarget(kDesktop + "\\Quillnox.lnk"), dir + "\\Quillnox.exe");
  EXPECT_EQ(LinkTarget(kGroup + "\\Quillnox Help.lnk"), dir + "\\Quillnox.hlp");
  EXPECT_EQ(LinkTarget(kGroup + "\\Uninstall Quillnox.lnk"), dir + "\\unins000.exe");

  const std::string clsid = "CLSID\\{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}";
  EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\Quillnox", nullptr),
            "{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}");
  EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, clsid, nullptr), "Quillnox Shell Extension");
  EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, clsid + "\\InProcServer32", nullptr), SystemFolder() + "\\quillext.dll");
  EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, clsid + "\\InProcServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, ".vek", nullptr), "VekFile");
  EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, "VekFile", nullptr), "VekFile");
  EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, "VekFile\\DefaultIcon", nullptr), dir + "\\Quillnox.exe,4");
  DWORD type = 0;
  EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, "VekFile\\Shell\\Open", "EditFlags", &type), std::string("\1\0\0\0", 4));
  EXPECT_EQ(type, 6u);
  EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, "VekFile\\Shell\\Open\\Command", nullptr), dir + "\\Quillnox.exe %1");
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Orvanel\\Quillnox\\4.10EN"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Orvanel\\Quillnox\\4.10EN"));
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), "Quillnox 4.10");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"), "\"" + dir + "\\unins000.exe\"");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString"), "\"" + dir + "\\unins000.exe\" /SILENT");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), "4.10");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "Publisher"), "Orvanel");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayIcon"), dir + "\\Quillnox.exe");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "NoModify"), std::string("\1\0\0\0", 4));
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "NoRepair"), std::string("\1\0\0\0", 4));
  EXPECT_NE(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize"), std::string("\0\0\0\0", 4));
}

void ExpectRemoved(const std::string& dir) {
  EXPECT_TRUE(WaitGone(dir)) << dir;
  for (const std::string& f : kStandardFiles) EXPECT_FALSE(Exists(dir + "\\" + f)) << f;
  ExpectExtensions(false);
  EXPECT_FALSE(Exists(kGroupParent));
  EXPECT_FALSE(Exists(kDesktop + "\\Quillnox.lnk"));
  for (const char* k : {".vek", "VekFile", "*\\shellex\\ContextMenuHandlers\\Quillnox",
                        "CLSID\\{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}"})
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, k)) << k;
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Orvanel\\Quillnox"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

// ---- Install group: a fresh installation, its removal, numbering and levels ----

TEST(Install, UnattendedInstallThenSilentRemovalLeavesThePrefixAsItWas) {
  DeleteFileA(TracePath().c_str());
  const Snapshot before = TakeSnapshot();
  InstallInto(kDir);
  ExpectInstalled(kDir);
  EXPECT_EQ(Content(kDir + "\\unins000.dat"), ExpectedLog());

  // The program's view of where it is installed, and the program starting from there.
  char install_dir[MAX_PATH];
  ASSERT_EQ(InstallDir(install_dir, sizeof install_dir), 1);
  EXPECT_EQ(std::string(install_dir), kDir + "\\");
  DeleteFileA((TemporaryFolder() + "payload_started.txt").c_str());
  {
    Program program(std::string(install_dir) + "Quillnox.exe", {});
    ASSERT_TRUE(program.started());
    EXPECT_EQ(program.WaitExit(), 0);
  }
  EXPECT_EQ(ReadText(TemporaryFolder() + "payload_started.txt"), kDir + "\\Quillnox.exe\n\n");
  DeleteFileA((TemporaryFolder() + "payload_started.txt").c_str());

  // Silent removal through the uninstall entry's quiet command, started as Windows
  // starts it.
  DeleteFileA(TracePath().c_str());
  {
    CommandLine remover(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString"));
    ASSERT_TRUE(remover.started());
    EXPECT_EQ(remover.WaitExit(30000), 0);
  }
  ExpectRemoved(kDir);
  ExpectNoTemporaryCopy();  // and with it the copy's last trace lines are written
  const auto lines = TraceLines();
  EXPECT_EQ(lines.at(0), "SilentMode=TRUE");
  for (const std::string& want :
       {"PathListAdd, path=" + kDir + "\\Quillnox.exe", "DirListAdd, path=" + kGroup,
        std::string("RegRemove VekFile\\Shell\\Open\\Command ==> ret=0"), std::string("RegRemove \\.vek ==> ret=0"),
        std::string("RegRemove Software\\Orvanel\\Quillnox\\4.10EN ==> ret=0"),
        std::string("RegRemove Software\\Orvanel\\Quillnox ==> ret=0"),
        "PathRemove, path=" + kDir + "\\Quillnox.exe", "PathRemove, OK (i,n)=(0," + std::to_string(FilesOfTheFirstPass()) + ")",
        "PathRemove, native path=" + SystemFolder() + "\\quillext.dll",
        "RegRemove " + std::string(kClsidKey) + " ==> ret=0",
        "DirRemove, path=" + kGroup, std::string("Quillnox is removed from your computer")})
    EXPECT_TRUE(HasLine(lines, want)) << want;
  // The help index was never written: tried, gone, taken off.
  EXPECT_TRUE(HasLine(lines, "PathRemove, KO")) << "Quillnox.GID";
  // The copy deleted the started uninstaller's file once that had ended: at the first try.
  const std::string origin = "PathRemove, path=" + kDir + "\\unins000.exe";
  const auto first = std::find(lines.begin(), lines.end(), origin);
  ASSERT_NE(first, lines.end());
  EXPECT_EQ(std::count(lines.begin(), lines.end(), origin), 1);
  ASSERT_NE(first + 1, lines.end());
  EXPECT_EQ(first[1], "PathRemove, OK (i,n)=(0,1)");

  ExpectSameMachine(before, TakeSnapshot());
}

// Starts the uninstall entry's command (no argument), checks that nothing goes before
// the confirmation, answers it, and waits for the final message.
void UninstallFromTheEntry(const std::string& check_file) {
  const std::string command = RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
  CommandLine remover(command);
  ASSERT_TRUE(remover.started()) << command;
  HWND confirm = WaitForBox("Quillnox Uninstall");
  ASSERT_NE(confirm, nullptr);
  EXPECT_EQ(BoxText(confirm), "Do you want to remove Quillnox and all of its components from your computer?");
  EXPECT_TRUE(Exists(check_file));  // nothing removed before the answer
  PostMessageA(confirm, WM_COMMAND, IDYES, 0);
  HWND done = nullptr;
  for (DWORD start = GetTickCount(); !done && GetTickCount() - start < 20000; Sleep(50)) {
    HWND w = WaitForBox("Quillnox Uninstall", 100);
    if (w && BoxText(w) == "Quillnox is removed from your computer") done = w;
  }
  ASSERT_NE(done, nullptr);
  PostMessageA(done, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(remover.WaitExit(20000), 0);
}

TEST(Install, NoArgumentFromTheUninstallEntryAsksThenRemoves) {
  InstallInto(kDir);
  ASSERT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"), "\"" + kDir + "\\unins000.exe\"");
  // A foreign file beside the installation survives; its folder stays with it.
  const std::string foreign = "C:\\Program Files\\Orvanel\\foreign.txt";
  WriteAll(foreign, "not ours");
  UninstallFromTheEntry(kDir + "\\Quillnox.exe");
  ExpectRemoved(kDir);
  ExpectNoTemporaryCopy();
  EXPECT_EQ(Content(foreign), "not ours");
  EXPECT_TRUE(Exists("C:\\Program Files\\Orvanel"));
  DeleteFileA(foreign.c_str());
  RemoveDirectoryA("C:\\Program Files\\Orvanel");
}

TEST(Install, NumberingAndNewFolderLevels) {
  // An uninstaller and a log left behind: the next free numbers, independently.
  const std::string dir = "C:\\qn\\a\\b\\c";
  MakeFolders("C:\\qn");
  InstallInto(dir);
  const std::string log = Content(dir + "\\unins000.dat");
  std::size_t offset = 0;
  LogEntry e;
  std::vector<std::string> folders;
  while (NextLogRecord(reinterpret_cast<const std::uint8_t*>(log.data()), log.size(), &offset, &e))
    if (e.code == LOG_FOLDER) folders.push_back(e.data);
  // Three new levels below the existing C:\qn, deepest first, before any file.
  ASSERT_GE(folders.size(), 3u);
  EXPECT_EQ(folders[0], "C:\\qn\\a\\b\\c");
  EXPECT_EQ(folders[1], "C:\\qn\\a\\b");
  EXPECT_EQ(folders[2], "C:\\qn\\a");
  {
    Program remover(dir + "\\unins000.exe", {"/SILENT"});
    EXPECT_EQ(remover.WaitExit(30000), 0);
  }
  EXPECT_TRUE(WaitGone("C:\\qn\\a"));
  EXPECT_TRUE(Exists("C:\\qn"));  // not made by setup

  // A log and uninstallers left behind: one number free for both names, so the
  // uninstall entry's command, started without argument, finds its log.
  MakeFolders(kDir);
  WriteAll(kDir + "\\unins000.dat", "left");
  WriteAll(kDir + "\\unins000.exe", "left");
  WriteAll(kDir + "\\unins001.exe", "left");
  InstallInto(kDir);
  EXPECT_FALSE(Exists(kDir + "\\unins001.dat"));
  EXPECT_TRUE(Exists(kDir + "\\unins002.dat"));
  EXPECT_TRUE(Content(kDir + "\\unins002.exe") == Content(TestProgramFolder() + "..\\..\\remover\\remover.exe"));
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"), "\"" + kDir + "\\unins002.exe\"");
  EXPECT_EQ(LinkTarget(kGroup + "\\Uninstall Quillnox.lnk"), kDir + "\\unins002.exe");
  UninstallFromTheEntry(kDir + "\\Quillnox.exe");
  EXPECT_TRUE(WaitGone(kDir + "\\unins002.exe"));
  EXPECT_FALSE(Exists(kDir + "\\unins002.dat"));
  EXPECT_FALSE(Exists(kDir + "\\Quillnox.exe"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  for (const char* left : {"unins000.dat", "unins000.exe", "unins001.exe"}) {
    EXPECT_EQ(Content(kDir + "\\" + left), "left") << left;
    DeleteFileA((kDir + "\\" + left).c_str());
  }
  RemoveDirectoryA(kDir.c_str());
  RemoveDirectoryA("C:\\Program Files\\Orvanel");
}

TEST(Install, WithoutArgumentOnlyALogListingTheUninstallerIsTaken) {
  // An installation whose log and uninstaller were numbered apart (as earlier setups
  // could): unins000.exe's log is unins003.dat, and unins000.dat is another log.
  InstallInto(kDir);
  ASSERT_TRUE(MoveFileA((kDir + "\\unins000.dat").c_str(), (kDir + "\\unins003.dat").c_str()));
  const std::string mine = kDir + "\\mine.txt";
  WriteAll(mine, "user's");
  // The other log names an uninstaller of the same name elsewhere, not this file.
  const std::string other_log = Log({{64, std::string(2, '\0')}, {65, "Quillnox"}, {0, mine}, {0, "C:\\Old\\unins000.exe"}});
  WriteAll(kDir + "\\unins000.dat", other_log);
  {
    Program remover(kDir + "\\unins000.exe", {"/SILENT"});  // the entry's quiet command
    EXPECT_EQ(remover.WaitExit(30000), 0);
  }
  EXPECT_TRUE(WaitGone(kDir + "\\unins000.exe"));
  EXPECT_FALSE(Exists(kDir + "\\unins003.dat"));
  EXPECT_FALSE(Exists(kDir + "\\Quillnox.exe"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_EQ(Content(mine), "user's");
  EXPECT_EQ(Content(kDir + "\\unins000.dat"), other_log);

  // No log beside it lists this uninstaller: the open message names the log of its
  // number, and nothing is removed.
  const std::string lone = kDir + "\\unins004.exe";
  ASSERT_TRUE(CopyFileA((TestProgramFolder() + "..\\..\\remover\\remover.exe").c_str(), lone.c_str(), FALSE));
  const std::string lone_log = Log({{65, "Quillnox"}, {0, mine}, {0, "C:\\Old\\unins004.exe"}});
  WriteAll(kDir + "\\unins004.dat", lone_log);  // its number, not listing it
  DeleteFileA(TracePath().c_str());
  {
    Program remover(lone, {"/SILENT"});
    EXPECT_EQ(remover.WaitExit(30000), 0);
  }
  EXPECT_TRUE(HasLine(TraceLines(), kDir + "\\unins004.dat"));
  EXPECT_TRUE(Exists(lone));
  EXPECT_EQ(Content(mine), "user's");
  EXPECT_EQ(Content(kDir + "\\unins000.dat"), other_log);
  EXPECT_EQ(Content(kDir + "\\unins004.dat"), lone_log);
  for (const char* f : {"mine.txt", "unins000.dat", "unins004.dat", "unins004.exe"}) DeleteFileA((kDir + "\\" + f).c_str());
  RemoveDirectoryA(kDir.c_str());
  RemoveDirectoryA("C:\\Program Files\\Orvanel");
}

TEST(Install, AnUninstallerFileReplacedMeanwhileIsNotDeleted) {
  InstallInto(kDir);
  DeleteFileA(TracePath().c_str());
  // A file in use holds the removal at its leftover report while the original waits.
  const std::string busy = kDir + "\\mail.txt";
  HANDLE held = CreateFileA(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Program remover(kDir + "\\unins000.exe", {});
  HWND confirm = WaitForBox("Quillnox Uninstall");
  ASSERT_NE(confirm, nullptr);
  PostMessageA(confirm, WM_COMMAND, IDYES, 0);
  HWND report = WaitForBox("Uninstall not completed", 60000);
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(remover.WaitExit(0), -1);  // the started uninstaller waits for the removal
  // The copy runs from a private folder of its own in the temporary folder, never from
  // the temporary folder itself.
  const std::vector<std::string> copies = TemporaryCopies();
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_TRUE(GetFileAttributesA((TemporaryFolder() + copies[0]).c_str()) & FILE_ATTRIBUTE_DIRECTORY) << copies[0];
  EXPECT_EQ(copies[0].find(".exe"), std::string::npos);
  EXPECT_TRUE(Exists(TemporaryFolder() + copies[0] + "\\" + copies[0].substr(0, copies[0].find('-')) + ".exe"));
  // Meanwhile the running original moves aside and a newer uninstaller takes its name.
  ASSERT_TRUE(MoveFileA((kDir + "\\unins000.exe").c_str(), (kDir + "\\unins000.old").c_str()));
  WriteAll(kDir + "\\unins000.exe", "newer");
  CloseHandle(held);
  PostMessageA(report, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(remover.WaitExit(20000), 0);
  ExpectNoTemporaryCopy();  // the copy has ended: its work is over
  EXPECT_EQ(Content(kDir + "\\unins000.exe"), "newer");
  EXPECT_TRUE(Exists(kDir + "\\unins000.old"));
  EXPECT_TRUE(HasLine(TraceLines(), "PathRemove, replaced path=" + kDir + "\\unins000.exe"));
  for (const char* f : {"mail.txt", "unins000.exe", "unins000.old"}) DeleteFileA((kDir + "\\" + f).c_str());
  RemoveDirectoryA(kDir.c_str());
  RemoveDirectoryA("C:\\Program Files\\Orvanel");
}

TEST(Install, ShippedSetupCarriesWhatTheBuildMakes) {
  // The shipped setup carries every file the build makes: no "Resource missing" (a
  // missing one would be logged, the installation would go on and end with exit code
  // 7), and each file lands whole.
  const SetupRun run = RunSetup(IniFor(kDir), TestProgramFolder() + "..\\..\\setup\\setup.exe");
  EXPECT_EQ(run.windows, std::vector<std::string>{});
  EXPECT_EQ(run.exit_code, 0) << run.log;
  EXPECT_EQ(run.log.find("Resource missing"), std::string::npos) << run.log;
  EXPECT_TRUE(Content(kDir + "\\Quillnox.hlp") == Content(TestProgramFolder() + "..\\..\\help\\Quillnox.hlp"));
  EXPECT_TRUE(Content(kDir + "\\Quillnox.htm") == Content(TestProgramFolder() + "..\\..\\help\\Quillnox.htm"));
  EXPECT_TRUE(Content(SystemFolder() + "\\quillext.dll") ==
              Content(TestProgramFolder() + "..\\..\\shellext\\quillext.dll"));
  EXPECT_TRUE(Content(kDir + "\\Quillnox.exe") == Content(TestProgramFolder() + "..\\..\\app\\Quillnox.exe"));
  EXPECT_TRUE(Content(kDir + "\\mail.txt") == Content(TestProgramFolder() + "..\\..\\..\\..\\resources\\mail.txt"));
  EXPECT_TRUE(Content(kDir + "\\unins000.exe") == Content(TestProgramFolder() + "..\\..\\remover\\remover.exe"));
  EXPECT_EQ(Content(kDir + "\\unins000.dat"), ExpectedLog());
  {
    Program remover(kDir + "\\unins000.exe", {"/SILENT"});
    EXPECT_EQ(remover.WaitExit(30000), 0);
  }
  ExpectRemoved(kDir);
}

// Cancel in the uninstaller's copy stops the work, and the started uninstaller stays:
// the copy does not delete it.
TEST(Install, CancelInTheCopyKeepsTheStartedUninstaller) {
  InstallInto(kDir);
  DeleteFileA(TracePath().c_str());
  const std::string busy = kDir + "\\mail.txt";  // keeps the copy at work
  HANDLE held = CreateFileA(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  CommandLine remover(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"));
  HWND confirm = WaitForBox("Quillnox Uninstall");
  ASSERT_NE(confirm, nullptr);
  PostMessageA(confirm, WM_COMMAND, IDYES, 0);
  // The copy's window: the one with the progress bar.
  HWND window = nullptr;
  for (DWORD start = GetTickCount(); !window && GetTickCount() - start < 60000; Sleep(50)) {
    HWND w = WaitForWindow("Quillnox Uninstall", 0, 100);
    if (w && GetDlgItem(w, 1003)) window = w;
  }
  ASSERT_NE(window, nullptr);
  Sync(window);
  ASSERT_TRUE(IsWindowEnabled(GetDlgItem(window, IDCANCEL)));
  Click(window, IDCANCEL);
  EXPECT_EQ(remover.WaitExit(20000), 0);
  CloseHandle(held);
  ExpectNoTemporaryCopy();
  EXPECT_TRUE(Content(kDir + "\\unins000.exe") == Content(TestProgramFolder() + "..\\..\\remover\\remover.exe"));
  EXPECT_TRUE(HasLine(TraceLines(), "PathRemove, kept path=" + kDir + "\\unins000.exe"));
  EXPECT_EQ(WaitForWindow("Quillnox Uninstall", 0, 500), nullptr);  // no final message
  for (const char* f : {"mail.txt", "unins000.exe"}) DeleteFileA((kDir + "\\" + f).c_str());
  for (const std::string& name : kStandardFiles) DeleteFileA((kDir + "\\" + name).c_str());
  RemoveDirectoryA(kDir.c_str());
  RemoveDirectoryA("C:\\Program Files\\Orvanel");
}

// Setup runs from a download folder, the uninstaller from the installation folder and
// its copy from the temporary folder, all as administrator: a library planted beside
// them is never loaded. Here a "comctl32.dll" (the library both used to import), with
// Wine told to prefer a library found on the search path to its own.
TEST(Install, ALibraryPlantedBesideSetupOrTheUninstallerIsNotLoaded) {
  const std::string downloads = "C:\\Downloads", marker = TemporaryFolder() + "planted_library_loaded.txt";
  const std::string fake = TestProgramFolder() + "planted_comctl32.dll";
  MakeFolders(downloads);
  ASSERT_TRUE(CopyFileA((TestProgramFolder() + "setup_payloads.exe").c_str(), (downloads + "\\setup.exe").c_str(), FALSE));
  for (const std::string& beside : {downloads, TemporaryFolder()})
    ASSERT_TRUE(CopyFileA(fake.c_str(), (beside + "\\comctl32.dll").c_str(), FALSE));
  SetValue(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", "comctl32", REG_SZ, std::string("native,builtin", 15));
  DeleteFileA(marker.c_str());
  {
    Program setup(downloads + "\\setup.exe", {});  // the wizard, which uses the common controls
    const HWND confirm = WaitForBox("Quillnox Setup");
    ASSERT_NE(confirm, nullptr);
    PostMessageA(confirm, WM_COMMAND, IDNO, 0);
    EXPECT_EQ(setup.WaitExit(20000), 0);
  }
  const SetupRun run = RunSetup(IniFor(kDir), downloads + "\\setup.exe");
  EXPECT_EQ(run.exit_code, 0) << run.log;
  ASSERT_TRUE(CopyFileA(fake.c_str(), (kDir + "\\comctl32.dll").c_str(), FALSE));
  {
    CommandLine remover(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString"));
    EXPECT_EQ(remover.WaitExit(30000), 0);
  }
  EXPECT_TRUE(WaitGone(kDir + "\\unins000.exe"));
  ExpectNoTemporaryCopy();
  EXPECT_FALSE(Exists(marker)) << ReadText(marker);
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
    RegDeleteValueA(key, "comctl32");
    RegCloseKey(key);
  }
  for (const std::string& f : {downloads + "\\comctl32.dll", downloads + "\\setup.exe", TemporaryFolder() + "comctl32.dll",
                               kDir + "\\comctl32.dll", marker})
    DeleteFileA(f.c_str());
  RemoveDirectoryA(downloads.c_str());
  RemoveDirectoryA(kDir.c_str());
  RemoveDirectoryA("C:\\Program Files\\Orvanel");
}

// ---- Folders group: the installation folder as users give it ----

// For each folder of the table (a trailing backslash, blanks around it, 200 characters,
// a name outside ASCII in the code page, doubled backslashes), the unattended
// installation goes into the normalised folder, every record passes the uninstaller's
// check, and the removal leaves drive C and the registry as they were. A drive's root
// is refused with exit code 2 and nothing changes.
TEST(Folders, EachFolderInstallsAndIsRemovedWhole) {
  const std::string accented = InCodePage(L"C:\\Programme\\Quilln\u00f6x");
  struct Case {
    std::string given, folder;
  };
  std::vector<Case> cases = {
      {"C:\\Apps\\Quillnox\\", "C:\\Apps\\Quillnox"},
      {"  C:\\Program Files\\Orvanel\\Quillnox  ", "C:\\Program Files\\Orvanel\\Quillnox"},
      {"C:\\Apps\\\\Deep\\\\Quillnox\\\\", "C:\\Apps\\Deep\\Quillnox"},
      {"C:\\Long\\" + std::string(200 - 8, 'L'), "C:\\Long\\" + std::string(200 - 8, 'L')},
  };
  if (!accented.empty()) cases.push_back({accented + "\\", accented});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.given);
    DeleteFileA(TracePath().c_str());
    const Snapshot before = TakeSnapshot();
    InstallInto(c.given);
    EXPECT_TRUE(Exists(c.folder + "\\unins000.dat"));
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"), "\"" + c.folder + "\\unins000.exe\"");
    const std::string log = Content(c.folder + "\\unins000.dat");
    EXPECT_EQ(log.find("\\\\"), std::string::npos) << "a doubled backslash in a record";
    {
      CommandLine remover(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString"));
      ASSERT_TRUE(remover.started());
      EXPECT_EQ(remover.WaitExit(30000), 0);
    }
    EXPECT_TRUE(WaitGone(c.folder));
    ExpectNoTemporaryCopy();
    const std::vector<std::string> lines = TraceLines();
    EXPECT_TRUE(HasLine(lines, "Quillnox is removed from your computer"));
    for (const std::string& line : lines) EXPECT_EQ(line.find("refused"), std::string::npos) << line;
    ExpectSameMachine(before, TakeSnapshot());
  }
  const Snapshot before = TakeSnapshot();
  for (const char* root : {"C:\\", "C:", "\\\\server\\share\\", "Apps\\Quillnox"}) {
    SCOPED_TRACE(root);
    const SetupRun run = RunSetup(IniFor(root));
    EXPECT_EQ(run.windows, std::vector<std::string>{});
    EXPECT_EQ(run.exit_code, 2) << run.log;
    EXPECT_NE(run.log.find("[UnattendedInstall] "), std::string::npos) << run.log;
  }
  ExpectSameMachine(before, TakeSnapshot());
}

// ---- Remover group: crafted logs ----

const std::string kEdge = "C:\\edge\\Q";

// Runs the build's uninstaller (outside the folder, so it works in place) on a log.
void RunRemover(const std::string& log_path, bool silent, DWORD ms = 30000) {
  std::vector<std::string> args = {log_path};
  if (silent) args.push_back("/SILENT");
  Program remover(TestProgramFolder() + "..\\..\\remover\\remover.exe", args);
  ASSERT_TRUE(remover.started());
  EXPECT_EQ(remover.WaitExit(ms), 0);
}

TEST(Remover, FileInUseAndAFolderWithAUsersFileAreReportedAfterTheirRetries) {
  MakeFolders(kEdge + "\\sub");
  WriteAll(kEdge + "\\busy.txt", "busy");
  WriteAll(kEdge + "\\sub\\mine.txt", "user's");
  WriteAll(kEdge + "\\gone.txt", "x");
  WriteAll(kEdge + "\\unins000.dat", Log({{64, std::string(2, '\0')}, {65, "Quillnox"}, {1, kEdge + "\\sub"},
                                            {0, kEdge + "\\busy.txt"}, {0, kEdge + "\\gone.txt"}}));
  HANDLE held = CreateFileA((kEdge + "\\busy.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  DeleteFileA(TracePath().c_str());
  const DWORD start = GetTickCount();
  RunRemover(kEdge + "\\unins000.dat", true);
  const DWORD took = GetTickCount() - start;
  CloseHandle(held);
  EXPECT_GE(took, 4000u) << "100 ticks of 50 ms before the report";
  EXPECT_FALSE(Exists(kEdge + "\\gone.txt"));
  EXPECT_FALSE(Exists(kEdge + "\\unins000.dat"));
  EXPECT_EQ(Content(kEdge + "\\sub\\mine.txt"), "user's");
  EXPECT_TRUE(Exists(kEdge + "\\busy.txt"));
  const auto lines = TraceLines();
  const std::string all = ReadText(TracePath());
  EXPECT_TRUE(HasLine(lines, "Uninstall State"));
  EXPECT_NE(all.find("The following files or dirs were not removed:\n" + kEdge + "\\busy.txt\n" + kEdge + "\\sub\n"),
            std::string::npos)
      << all;
  EXPECT_FALSE(HasLine(lines, "Quillnox is removed from your computer"));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "PathRemove, n=1"), 49) << "retried for the first 50 ticks";
  EXPECT_TRUE(HasLine(lines, "DirRemove, KO (i,n)=(0,1)"));
}

TEST(Remover, NativeExtensionHeldByExplorerGoesAtTheNextStart) {
  // Explorer keeps a loaded extension open: it cannot be deleted now, so it is
  // scheduled for deletion when Windows starts next.
  MakeFolders(kEdge);
  const std::string extension = SystemFolder() + "\\quillext.dll";
  HANDLE held = INVALID_HANDLE_VALUE;
  {
    NativeFileSystemView native;  // where code 16 points, also for a 32-bit program
    WriteAll(extension, "loaded");
    held = CreateFileA(extension.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  }
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const std::string log_path = kEdge + "\\unins000.dat";
  WriteAll(log_path, Log({{65, "Quillnox"}, {16, extension}}));
  DeleteFileA(TracePath().c_str());
  RunRemover(log_path, true);
  CloseHandle(held);
  const auto lines = TraceLines();
  EXPECT_TRUE(HasLine(lines, "PathRemove, native path=" + extension));
  EXPECT_TRUE(HasLine(lines, "PathRemove, at restart"));
  EXPECT_TRUE(HasLine(lines, "Quillnox is removed from your computer"));
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0,
                          KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  char pending[4096] = "";
  DWORD size = sizeof pending - 2;
  EXPECT_EQ(RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, reinterpret_cast<BYTE*>(pending),
                             &size),
            ERROR_SUCCESS);
  EXPECT_NE(std::string(pending, size).find("quillext.dll"), std::string::npos);
  RegDeleteValueA(key, "PendingFileRenameOperations");
  RegCloseKey(key);
  DeleteFileA(extension.c_str());
}

TEST(Remover, FrenchLogShowsFrenchWindowAndCancelStopsTheWork) {
  MakeFolders(kEdge);
  WriteAll(kEdge + "\\busy.txt", "busy");
  WriteAll(kEdge + "\\unins000.dat", Log({{64, std::string("\1\0", 2)}, {65, "Quillnox"}, {0, kEdge + "\\busy.txt"}}));
  HANDLE held = CreateFileA((kEdge + "\\busy.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  Program remover(TestProgramFolder() + "..\\..\\remover\\remover.exe", {kEdge + "\\unins000.dat"});
  HWND window = WaitForWindow("Quillnox Uninstall", remover.pid());
  ASSERT_NE(window, nullptr);
  Sync(window);
  EXPECT_EQ(ControlText(window, 1004), "Etat de la d\xE9sinstallation");
  EXPECT_EQ(ControlText(window, 1002), "D\xE9sinstallation de Quillnox...");
  EXPECT_EQ(ControlText(window, 1005), "Veuillez patienter pendant que Quillnox est supprim\xE9 de votre ordinateur.");
  EXPECT_EQ(ControlText(window, IDCANCEL), "&Abandon");
  if (const char* shot = getenv("QLX_SCREENSHOT_PAUSE")) Sleep(static_cast<DWORD>(atoi(shot)));
  Click(window, IDCANCEL);
  EXPECT_EQ(remover.WaitExit(5000), 0);
  CloseHandle(held);
  EXPECT_TRUE(Exists(kEdge + "\\busy.txt"));           // the work stopped
  EXPECT_FALSE(Exists(kEdge + "\\unins000.dat"));      // the log was already gone
  EXPECT_EQ(WaitForWindow("Quillnox Uninstall", 0, 500), nullptr);  // no final message
  DeleteFileA((kEdge + "\\busy.txt").c_str());
}

TEST(Remover, OddAndHostileLogs) {
  MakeFolders(kEdge);
  const std::string outside = "C:\\edge\\outside.txt";
  struct Case {
    const char* name;
    std::string log;         // "" : no log at all
    bool create_log;
    std::string final_line;  // expected in the trace
  };
  const std::string f = kEdge + "\\f.txt";
  const std::string foreign_system = SystemFolder() + "\\qlxforeign.dll";
  // A log naming what is not the installation's ends with the leftover report: what
  // it names was not removed, and the uninstaller does not say it was.
  const std::string refused = "The following files or dirs were not removed:";
  const Case cases[] = {
      {"code 2 skipped", Log({{65, "Quillnox"}, {2, "C:\\edge\\outside.txt"}, {0, f}}), true,
       "Quillnox is removed from your computer"},
      {"missing log", "", false, "Unable to open file:"},
      {"empty log", "", true, " is removed from your computer"},
      {"300-byte record skipped", Log({{65, "Quillnox"}, {0, kEdge + "\\" + std::string(290, 'x')}, {0, f}}), true,
       "Quillnox is removed from your computer"},
      {"hostile", Log({{65, "Quillnox"}, {0, outside}, {0, kEdge + "\\..\\outside.txt"}, {1, "C:\\users"},
                       {1, "C:\\"}, {10, "Software\\Foreign"}, {9, "txtfile"}, {16, foreign_system},
                       {16, outside}, {17, "txtfile"}, {0, f}}),
       true, refused + "\n" + outside + "\n" + kEdge + "\\..\\outside.txt\nC:\\users\nC:\\\n" + foreign_system +
                 "\n" + outside + "\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteAll(f, "ours");
    WriteAll(outside, "user's");
    WriteAll(foreign_system, "not ours");
    SetValue(HKEY_CURRENT_USER, "Software\\Foreign", "v", REG_SZ, std::string("keep", 5));
    const std::string log_path = kEdge + "\\unins000.dat";
    DeleteFileA(log_path.c_str());
    if (c.create_log) WriteAll(log_path, c.log);
    DeleteFileA(TracePath().c_str());
    RunRemover(log_path, true);
    const std::string trace = ReadText(TracePath());
    EXPECT_NE(trace.find(c.final_line), std::string::npos) << trace;
    EXPECT_EQ(Content(outside), "user's");
    EXPECT_EQ(Content(foreign_system), "not ours");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Foreign"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "txtfile"));
    EXPECT_TRUE(Exists("C:\\edge"));
    if (c.log.find(f) != std::string::npos) {
      EXPECT_FALSE(Exists(f));
    }
  }
}

// A log at the root of a drive puts nothing of the drive in scope: a crafted
// "C:\\evil.dat" naming "C:\\victim.txt", run by the installed uninstaller.
TEST(Remover, ALogAtTheRootOfADriveRemovesNothingThere) {
  InstallInto(kDir);
  WriteAll("C:\\victim.txt", "user's");
  MakeFolders("C:\\victim");
  WriteAll("C:\\evil.dat", Log({{65, "Quillnox"}, {0, "C:\\victim.txt"}, {1, "C:\\victim"}}));
  DeleteFileA(TracePath().c_str());
  {
    Program remover(kDir + "\\unins000.exe", {"C:\\evil.dat", "/SILENT"});
    EXPECT_EQ(remover.WaitExit(30000), 0);
  }
  ExpectNoTemporaryCopy();
  EXPECT_EQ(Content("C:\\victim.txt"), "user's");
  EXPECT_TRUE(Exists("C:\\victim"));
  const std::string trace = ReadText(TracePath());
  EXPECT_NE(trace.find("PathListAdd, refused path=C:\\victim.txt"), std::string::npos) << trace;
  EXPECT_NE(trace.find("The following files or dirs were not removed:\nC:\\victim.txt\nC:\\victim\n"), std::string::npos)
      << trace;
  EXPECT_EQ(trace.find("is removed from your computer"), std::string::npos);
  for (const char* f : {"C:\\victim.txt", "C:\\evil.dat"}) DeleteFileA(f);
  RemoveDirectoryA("C:\\victim");
  // The installation itself is still whole and goes with its own log.
  ExpectInstalled(kDir);
  {
    Program remover(kDir + "\\unins000.exe", {"/SILENT"});
    EXPECT_EQ(remover.WaitExit(30000), 0);
  }
  ExpectRemoved(kDir);
  ExpectNoTemporaryCopy();
}

// A log's title never decides what else may go: another product's uninstall entry and
// shortcuts of other names stay.
TEST(Remover, ForeignTitleEntryAndShortcutsStay) {
  MakeFolders(kEdge);
  MakeFolders(kGroup);
  const std::string entry = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OtherApp";
  SetValue(HKEY_LOCAL_MACHINE, entry, "DisplayName", REG_SZ, std::string("OtherApp", 9));
  WriteAll(kDesktop + "\\OtherApp.lnk", "link");
  WriteAll(kGroup + "\\OtherApp.lnk", "link");
  WriteAll(kEdge + "\\f.txt", "ours");
  WriteAll(kEdge + "\\unins000.dat", Log({{65, "OtherApp"}, {8, entry}, {0, kDesktop + "\\OtherApp.lnk"},
                                            {0, kGroup + "\\OtherApp.lnk"}, {0, kEdge + "\\f.txt"}}));
  DeleteFileA(TracePath().c_str());
  RunRemover(kEdge + "\\unins000.dat", true);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, entry));
  EXPECT_TRUE(Exists(kDesktop + "\\OtherApp.lnk"));
  EXPECT_TRUE(Exists(kGroup + "\\OtherApp.lnk"));
  EXPECT_FALSE(Exists(kEdge + "\\f.txt"));
  const auto lines = TraceLines();
  EXPECT_TRUE(HasLine(lines, "RegRemove, refused key=" + entry));
  EXPECT_TRUE(HasLine(lines, "PathListAdd, refused path=" + kDesktop + "\\OtherApp.lnk"));
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, entry.c_str());
  DeleteFileA((kDesktop + "\\OtherApp.lnk").c_str());
  DeleteFileA((kGroup + "\\OtherApp.lnk").c_str());
  RemoveDirectoryA(kGroup.c_str());
  RemoveDirectoryA(kGroupParent.c_str());
}

// A folder below the installation folder that someone made a link (a junction on
// Windows; here a host link, which Wine shows to handles only by where it leads):
// the uninstaller deletes nothing behind it, neither a file listed below it nor the
// link's target; the trace file made a link elsewhere gets nothing either.
TEST(Remover, NothingBehindALinkBelowTheFolderIsDeleted) {
  const std::string outside = "C:\\outside";
  MakeFolders(outside);
  MakeFolders(kEdge);
  WriteAll(outside + "\\x.dll", "precious");
  WriteAll(outside + "\\trace.txt", "untouched");
  WriteAll(kEdge + "\\f.txt", "ours");
  ASSERT_TRUE(MakeLink(outside, kEdge + "\\j"));
  ASSERT_TRUE(MakeLink(outside, kEdge + "\\k"));
  DeleteFileA(TracePath().c_str());
  ASSERT_TRUE(MakeLink(outside + "\\trace.txt", TracePath()));
  WriteAll(kEdge + "\\unins000.dat", Log({{65, "Quillnox"}, {0, kEdge + "\\j\\x.dll"}, {1, kEdge + "\\k"},
                                            {0, kEdge + "\\f.txt"}}));
  RunRemover(kEdge + "\\unins000.dat", true);
  EXPECT_EQ(Content(outside + "\\x.dll"), "precious");
  EXPECT_EQ(Content(outside + "\\trace.txt"), "untouched");
  EXPECT_FALSE(Exists(kEdge + "\\f.txt"));       // what is plainly in scope goes
  EXPECT_FALSE(Exists(kEdge + "\\unins000.dat"));
  // The trace, written nowhere else, is written again once it is a plain file.
  RemoveLink(TracePath());
  WriteAll(kEdge + "\\unins000.dat", Log({{65, "Quillnox"}, {0, kEdge + "\\j\\x.dll"}}));
  RunRemover(kEdge + "\\unins000.dat", true);
  EXPECT_EQ(Content(outside + "\\x.dll"), "precious");
  const std::string trace = ReadText(TracePath());
  EXPECT_NE(trace.find("PathRemove, refused path=" + kEdge + "\\j\\x.dll"), std::string::npos) << trace;
  EXPECT_NE(trace.find("The following files or dirs were not removed:\n" + kEdge + "\\j\\x.dll\n"), std::string::npos)
      << trace;
  for (const char* name : {"\\j", "\\k"}) RemoveLink(kEdge + name);
}

TEST(Remover, ALogOverSixteenMebibytesIsRefused) {
  MakeFolders(kEdge);
  WriteAll(kEdge + "\\f.txt", "ours");
  std::string log = Log({{65, "Quillnox"}, {0, kEdge + "\\f.txt"}});
  const std::string filler = Log({{2, std::string(250, 'z')}});
  while (log.size() <= (16u << 20)) log += filler;
  WriteAll(kEdge + "\\unins000.dat", log);
  DeleteFileA(TracePath().c_str());
  RunRemover(kEdge + "\\unins000.dat", true);
  EXPECT_EQ(Content(kEdge + "\\f.txt"), "ours");
  EXPECT_TRUE(Exists(kEdge + "\\unins000.dat"));
  EXPECT_NE(ReadText(TracePath()).find("Unable to open file:\n" + kEdge + "\\unins000.dat"), std::string::npos);
  // At exactly the limit it is read whole.
  std::string exact = Log({{65, "Quillnox"}, {0, kEdge + "\\f.txt"}});
  while (exact.size() + filler.size() + 4 <= (16u << 20)) exact += filler;
  exact += Log({{2, std::string((16u << 20) - exact.size() - 4, 'z')}});
  ASSERT_EQ(exact.size(), 16u << 20);
  WriteAll(kEdge + "\\unins000.dat", exact);
  RunRemover(kEdge + "\\unins000.dat", true);
  EXPECT_FALSE(Exists(kEdge + "\\f.txt"));
}

// The 32-bit shell extension on 32-bit Windows is an ordinary file of the system
// folder (code 0): held by Explorer it goes at the next start of Windows, the removal
// is complete, and the final message says that a restart completes it.
TEST(Remover, ExtensionHeldInTheSystemFolderGoesAtTheNextStart) {
  MakeFolders(kEdge);
  const std::string extension = SystemFolder() + "\\quillext.dll";
  WriteAll(extension, "loaded");
  HANDLE held = CreateFileA(extension.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  WriteAll(kEdge + "\\unins000.dat", Log({{65, "Quillnox"}, {0, extension}}));
  DeleteFileA(TracePath().c_str());
  const DWORD start = GetTickCount();
  RunRemover(kEdge + "\\unins000.dat", true);
  EXPECT_LT(GetTickCount() - start, 4000u) << "not held to the leftover report";
  CloseHandle(held);
  const std::string trace = ReadText(TracePath());
  EXPECT_NE(trace.find("PathRemove, at restart"), std::string::npos) << trace;
  EXPECT_NE(trace.find("Quillnox is removed from your computer\n\nA file in use is deleted when Windows starts "
                       "again: restart your computer to complete the removal."),
            std::string::npos)
      << trace;
  EXPECT_NE(PendingRenames().find("quillext.dll"), std::string::npos);
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0,
                          KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  RegDeleteValueA(key, "PendingFileRenameOperations");
  RegCloseKey(key);
  DeleteFileA(extension.c_str());
}

// ---- Upgrades: older installations made here, replaced unattended ----

// An older installation in folder dir: the program, the stand-in uninstaller as
// unins000.exe, the file type whose open command names the folder.
void MakeOlderInstallation(const std::string& dir, const std::string& version) {
  MakeFolders(dir);
  WriteAll(dir + "\\vek.exe", "old program");
  WriteAll(dir + "\\old_version.txt", version + "\n");
  ASSERT_TRUE(CopyFileA((TestProgramFolder() + "old_uninstaller.exe").c_str(), (dir + "\\unins000.exe").c_str(), FALSE));
  SetValue(HKEY_CLASSES_ROOT, ".vek", nullptr, REG_SZ, std::string("VekFile", 8));
  SetValue(HKEY_CLASSES_ROOT, "VekFile\\Shell\\Open\\Command", nullptr, REG_SZ, dir + "\\vek.exe %1" + '\0');
}

// A list as this machine's program stores it (alpha, beta; beta selected). The list
// key belongs to the machine, not to the version, so an older version's key holds the
// same bytes.
struct StoredListValues {
  std::string labels, values;
};
const StoredListValues& RealStoredList() {
  static const StoredListValues stored = [] {
    const char* key = "Software\\Orvanel\\Quillnox\\4.10EN";
    const bool existed = KeyExists(HKEY_CURRENT_USER, key);
    HKEY made = nullptr;
    RegCreateKeyA(HKEY_CURRENT_USER, key, &made);
    RegCloseKey(made);
    char labels[KEY_LIST_LABELS_SIZE] = {}, values[KEY_LIST_LABELS_SIZE] = {};
    std::strcpy(labels, "alpha");
    std::strcpy(labels + KEY_SLOT_SIZE, "beta");
    std::strcpy(values, "first secret");
    std::strcpy(values + KEY_SLOT_SIZE, "second secret");
    EXPECT_EQ(PassphraseListStore(labels, values, 2), 1);
    StoredListValues list{RegText(HKEY_CURRENT_USER, key, "keylabel"), RegText(HKEY_CURRENT_USER, key, "keyvalue")};
    if (!existed) RegDeleteTreeA(HKEY_CURRENT_USER, key);
    return list;
  }();
  return stored;
}

void ExpectOldSettingsMigrate(const std::string& old_key, HKEY old_root) {
  // The first start of the new program takes the settings over (the list decrypted
  // and stored again for this version) and deletes the old keys.
  ASSERT_EQ(SettingsInit(), 1);
  PassphraseList list;
  std::uint32_t selection = 0;
  int count = 0;
  ASSERT_EQ(PassphraseListLoad(nullptr, &list, &selection, &count), 1);
  EXPECT_EQ(count, 2);
  EXPECT_STREQ(list.Label(0), "alpha");
  EXPECT_STREQ(list.Value(1), "second secret");
  EXPECT_EQ(selection, 2u);
  EXPECT_EQ(RegText(HKEY_CURRENT_USER, "Software\\Orvanel\\Quillnox\\4.10EN", "visible"), std::string("1\0", 1));
  EXPECT_FALSE(KeyExists(old_root, old_key));
}

void UpgradeFrom(const std::string& version, HKEY settings_root, const std::string& settings_key,
                 const std::string& detect_key) {
  const std::string old_dir = "C:\\Old\\Vek" + version;
  MakeOlderInstallation(old_dir, version);
  SetValue(HKEY_LOCAL_MACHINE, detect_key, "", REG_SZ, std::string(1, '\0'));
  SetValue(settings_root, settings_key, "keylabel", REG_BINARY, RealStoredList().labels);
  SetValue(settings_root, settings_key, "keyvalue", REG_BINARY, RealStoredList().values);
  SetValue(settings_root, settings_key, "visible", REG_SZ, std::string("1", 2));
  DeleteFileA((TemporaryFolder() + "old_uninstaller.txt").c_str());
  InstallInto(kDir);
  // Removed through its own uninstaller, silently, before the installation.
  EXPECT_EQ(ReadText(TemporaryFolder() + "old_uninstaller.txt"), "/SILENT\n");
  EXPECT_FALSE(Exists(old_dir + "\\vek.exe"));
  ExpectInstalled(kDir);
  // Its settings are back under its own key, the passphrase list byte for byte.
  EXPECT_EQ(RegText(settings_root, settings_key, "keyvalue"), RealStoredList().values);
  EXPECT_EQ(RegText(settings_root, settings_key, "keylabel"), RealStoredList().labels);
  EXPECT_EQ(RegText(settings_root, settings_key, "visible"), "1");
  ExpectOldSettingsMigrate(settings_key, settings_root);
}

TEST(Upgrade313, OlderUninstallerRunsAndSettingsComeBack) {
  UpgradeFrom("3.13", HKEY_LOCAL_MACHINE, "Software\\Orvanel\\Vek\\3.13", "Software\\Orvanel\\Vek\\3.13");
}

TEST(Upgrade406, OlderUninstallerRunsAndSettingsComeBackUnderTheUser) {
  UpgradeFrom("4.06EN", HKEY_CURRENT_USER, "Software\\Orvanel\\Quillnox\\4.06EN",
              "Software\\Orvanel\\Quillnox\\4.06EN");
}

TEST(Upgrade240, RemovedByHand) {
  const std::string old_dir = "C:\\Old\\Vek240";
  MakeOlderInstallation(old_dir, "2.40");
  WriteAll(old_dir + "\\VekView.exe", "viewer");
  WriteAll(old_dir + "\\unins000.dat", "old log");
  WriteAll(old_dir + "\\letter.doc", "user's");
  SetValue(HKEY_LOCAL_MACHINE, "Software\\Orvanel\\Vek\\2.40", "visible", REG_SZ, std::string("1", 2));
  SetValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vek", "DisplayName", REG_SZ,
           std::string("Vek", 4));
  SetValue(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\Vek", nullptr, REG_SZ, std::string("x", 2));
  const std::string programs = RegText(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Programs");
  const std::string desktop = RegText(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Desktop");
  MakeFolders(programs + "\\Feldspire");
  WriteAll(programs + "\\Feldspire\\Vek 2.40.lnk", "link");
  WriteAll(programs + "\\Feldspire\\Uninstall Vek.lnk", "link");
  WriteAll(desktop + "\\Vek.lnk", "link");
  WriteAll(desktop + "\\VEK Viewer.lnk", "link");
  DeleteFileA((TemporaryFolder() + "old_uninstaller.txt").c_str());

  InstallInto(kDir);
  EXPECT_FALSE(Exists(TemporaryFolder() + "old_uninstaller.txt")) << "the older uninstaller is not run";
  for (const char* f : {"vek.exe", "VekView.exe", "unins000.dat", "unins000.exe"}) EXPECT_FALSE(Exists(old_dir + "\\" + f)) << f;
  EXPECT_EQ(Content(old_dir + "\\letter.doc"), "user's");
  EXPECT_FALSE(Exists(programs + "\\Feldspire"));
  EXPECT_FALSE(Exists(desktop + "\\Vek.lnk"));
  EXPECT_FALSE(Exists(desktop + "\\VEK Viewer.lnk"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vek"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\Vek"));
  ExpectInstalled(kDir);  // the file type is the new one
  // Nothing was saved: the older key is only created again (its settings are kept
  // where they were, as the by-hand removal does not touch them).
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Orvanel\\Vek\\2.40"));
}

// ---- Upgrade410: the same version installed again, unattended ----

// The installed uninstaller's copy removes the installation folder as setup would
// install into it: setup waits until the copy has ended. The result is the same
// machine as after the first installation (this user's settings back in place), with
// exactly one uninstaller and log.
TEST(Upgrade410, ReinstallOverTheSameVersionLeavesTheMachineAsItWas) {
  InstallInto(kDir);
  SetValue(HKEY_CURRENT_USER, "Software\\Orvanel\\Quillnox\\4.10EN", "visible", REG_SZ, std::string("1", 2));
  DeleteFileA(TracePath().c_str());
  const Snapshot before = TakeSnapshot();
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    const SetupRun run = RunSetup(IniFor(kDir));
    EXPECT_EQ(run.windows, std::vector<std::string>{});
    EXPECT_EQ(run.exit_code, 0) << run.log;
    EXPECT_NE(run.log.find("[UnattendedInstall] Removing the installed version 4.10EN"), std::string::npos) << run.log;
    ExpectNoTemporaryCopy();
    EXPECT_TRUE(HasLine(TraceLines(), "Quillnox is removed from your computer"));
    std::vector<std::string> numbered;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((kDir + "\\unins*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      do numbered.push_back(found.cFileName);
      while (FindNextFileA(find, &found));
      FindClose(find);
    }
    std::sort(numbered.begin(), numbered.end());
    EXPECT_EQ(numbered, (std::vector<std::string>{"unins000.dat", "unins000.exe"}));
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, "Software\\Orvanel\\Quillnox\\4.10EN", "visible"), "1");
    ExpectSameMachine(before, TakeSnapshot());
  }
}

// ---- Unattended: nobody at the screen ----

// Only the machine key of an earlier version is left (another account installed it,
// or this user's settings were removed): this user has nothing to keep, and that is no
// failure. The installation goes on, exits 0, and the program starts; this user's key
// of the earlier version is not made, the machine's is kept for the other accounts.
TEST(Unattended, OnlyTheMachineKeyOfAnEarlierVersion) {
  for (const char* version : {"4.10EN", "4.06EN"}) {
    SCOPED_TRACE(version);
    const std::string key = std::string("Software\\Orvanel\\Quillnox\\") + version;
    SetValue(HKEY_LOCAL_MACHINE, key, "", REG_SZ, std::string(1, '\0'));
    ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, key));
    const SetupRun run = RunSetup(IniFor(kDir));
    EXPECT_EQ(run.windows, std::vector<std::string>{});
    EXPECT_EQ(run.exit_code, 0) << run.log;
    EXPECT_NE(run.log.find("[SaveOldSettings] No settings of version"), std::string::npos) << run.log;
    EXPECT_NE(run.log.find("[UnattendedInstall] Exit code 0"), std::string::npos) << run.log;
    ExpectInstalled(kDir);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, key));
    DeleteFileA((TemporaryFolder() + "payload_started.txt").c_str());
    {
      Program program(kDir + "\\Quillnox.exe", {});
      EXPECT_EQ(program.WaitExit(), 0);
    }
    EXPECT_EQ(ReadText(TemporaryFolder() + "payload_started.txt"), kDir + "\\Quillnox.exe\n\n");
    {
      Program remover(kDir + "\\unins000.exe", {"/SILENT"});
      EXPECT_EQ(remover.WaitExit(30000), 0);
    }
    EXPECT_TRUE(WaitGone(kDir));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    ExpectNoTemporaryCopy();
    // The earlier version's machine key stays for the other accounts (removed here).
    EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, key), std::string(version) != "4.10EN");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Orvanel");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Orvanel");
  }
}

// The small disk of the full-disk case: room for the test's program and the small
// files, not for the uninstaller (several times larger).
std::uint64_t SmallDiskSize() {
  return (Content(TestProgramFolder() + "payload_program.exe").size() + 128 * 1024 + 4095) / 4096 * 4096;
}

// The disk of the cut-short log: room for the carried files written into the folder
// (whole pages each: the program, the uninstaller and five small files), none for the
// log, which reaches the disk last.
std::uint64_t CarriedFilesDiskSize() {
  const auto pages = [](std::size_t bytes) { return (bytes + 4095) / 4096 * 4096; };
  return pages(Content(TestProgramFolder() + "payload_program.exe").size()) +
         pages(Content(TestProgramFolder() + "..\\..\\remover\\remover.exe").size()) + 5 * 4096;
}

// Removes whatever a case of the table below left, so that the next starts clean.
void ClearEarlierInstallations() {
  for (const std::uint64_t size : {SmallDiskSize(), CarriedFilesDiskSize()}) UnmountDisk("C:\\Full\\Quillnox", size);
  const std::string quiet = RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString");
  if (quiet.rfind("\"", 0) == 0) {
    CommandLine remover(quiet);
    remover.WaitExit(30000);
    ExpectNoTemporaryCopy();
  }
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Orvanel\\Quillnox\\4.06EN");  // one that cannot be read
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    RegDeleteTreeA(root, "Software\\Orvanel");
    RegDeleteKeyA(root, "Software\\Orvanel");
  }
  for (const char* key : {".vek", "VekFile"}) {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, key);
    RegDeleteKeyA(HKEY_CLASSES_ROOT, key);
  }
  CommandLine rd("cmd /c rd /s /q C:\\Old & rd /s /q C:\\Full & del /q C:\\blocker.txt");
  rd.WaitExit(10000);
}

// A failure planted in each step of the unattended run: no window ever shows, the log
// names the step, the exit code is the README's, and where the step allows it nothing
// is left half-installed (the machine is as before the run).
TEST(Unattended, APlantedFailureInEachStep) {
  struct Case {
    const char* name;
    bool (*plant)();  // false: this machine cannot make the failure
    std::string installdir;
    long exit_code;
    const char* step;        // "[Step] message" begins with it
    bool unchanged;          // the machine as it was before the run
    bool installed;
  };
  const Case cases[] = {
      {"no installation folder", [] { return true; }, "", 1, "[UnattendedInstall] The INI file cannot be read", true, false},
      {"the root of a drive", [] { return true; }, "D:\\", 2, "[UnattendedInstall] Quillnox cannot be installed at the root", true, false},
      {"settings of the installed version unreadable",
       [] {
         MakeOlderInstallation("C:\\Old\\Vek406", "4.06EN");
         SetValue(HKEY_LOCAL_MACHINE, "Software\\Orvanel\\Quillnox\\4.06EN", "", REG_SZ, std::string(1, '\0'));
         SetValue(HKEY_CURRENT_USER, "Software\\Orvanel\\Quillnox\\4.06EN", "visible", REG_SZ, std::string("1", 2));
         HKEY key;  // nobody may read it (it may still be deleted)
         PSECURITY_DESCRIPTOR deny = nullptr;
         ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(D;;KR;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1, &deny,
                                                              nullptr);
         RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Orvanel\\Quillnox\\4.06EN", 0, WRITE_DAC, &key);
         RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, deny);
         RegCloseKey(key);
         LocalFree(deny);
         return true;
       },
       kDir, 3, "[SaveOldSettings] Unable to open the key of the previous installed version", true, false},
      {"the older uninstaller cannot be started",
       [] {
         MakeOlderInstallation("C:\\Old\\Vek406", "4.06EN");
         SetValue(HKEY_LOCAL_MACHINE, "Software\\Orvanel\\Quillnox\\4.06EN", "", REG_SZ, std::string(1, '\0'));
         DeleteFileA("C:\\Old\\Vek406\\unins000.exe");
         return true;
       },
       kDir, 4, "[RemoveOlderVersion] Cannot create thread for uninstallation", false, true},
      {"the install log cannot be created", [] {
         WriteAll("C:\\blocker.txt", "a file");
         return true;
       },
       "C:\\blocker.txt\\Quillnox", 5, "[InstallAll] Unable to create the configuration file", true, false},
      {"a carried file cut short (a full disk)",
       [] {
         // The folder is a small disk of its own: the program fits, the uninstaller
         // (several times larger) fills it.
         MakeFolders("C:\\Full\\Quillnox");
         return MountSmallDisk("C:\\Full\\Quillnox", SmallDiskSize());
       },
       "C:\\Full\\Quillnox", 5, "[InstallAll] Unable to write the whole file: C:\\Full\\Quillnox\\", true, false},
      {"the install log cut short (a full disk)",
       [] {
         MakeFolders("C:\\Full\\Quillnox");
         return MountSmallDisk("C:\\Full\\Quillnox", CarriedFilesDiskSize());
       },
       "C:\\Full\\Quillnox", 5, "[InstallAll] Unable to write the configuration file for uninstallation: C:\\Full\\Quillnox\\unins000.dat", true, false},
      {"the older settings cannot be put back",
       [] {
         MakeOlderInstallation("C:\\Old\\Vek406", "4.06EN");
         SetValue(HKEY_LOCAL_MACHINE, "Software\\Orvanel\\Quillnox\\4.06EN", "", REG_SZ, std::string(1, '\0'));
         // This user's keys live only until the system restarts (volatile): the key of
         // the older version cannot be made again below them.
         HKEY key;
         for (const char* path : {"Software\\Orvanel", "Software\\Orvanel\\Quillnox", "Software\\Orvanel\\Quillnox\\4.06EN"}) {
           RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
           RegCloseKey(key);
         }
         SetValue(HKEY_CURRENT_USER, "Software\\Orvanel\\Quillnox\\4.06EN", "visible", REG_SZ, std::string("1", 2));
         return true;
       },
       kDir, 6, "[RestoreOldSettings] Unable to create the key HKCU\\Software\\Orvanel\\Quillnox\\4.06EN", false, true},
      {"a file that cannot be created (a warning)",
       [] {
         MakeFolders(kDir + "\\mail.txt");
         return true;
       },
       kDir, 7, "[InstallAll] Unable to open file: " , false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearEarlierInstallations();
    if (!c.plant()) {
      std::printf("NOTE: \"%s\" not tried: it cannot be planted on this machine\n", c.name);
      continue;
    }
    const Snapshot before = TakeSnapshot();
    const SetupRun run = RunSetup(c.installdir.empty() ? "[SETUP]\r\n" : IniFor(c.installdir));
    EXPECT_EQ(run.windows, std::vector<std::string>{});
    EXPECT_EQ(run.exit_code, c.exit_code) << run.log;
    EXPECT_NE(run.log.find(c.step), std::string::npos) << run.log;
    EXPECT_NE(run.log.find("[UnattendedInstall] Exit code " + std::to_string(c.exit_code)), std::string::npos) << run.log;
    if (c.unchanged) ExpectSameMachine(before, TakeSnapshot());
    EXPECT_EQ(Exists(kDir + "\\unins000.dat") || Exists(c.installdir + "\\unins000.dat"), c.installed);
    if (c.installed) {
      EXPECT_EQ(Content(kDir + "\\Quillnox.exe"), Content(TestProgramFolder() + "payload_program.exe"));
    }
  }
  ClearEarlierInstallations();
}

// ---- Detect: the installed version as the wizard checks it ----

TEST(Detect, InstalledVersionLooksAtTheFirstKeyThatOpens) {
  char name[16];
  EXPECT_EQ(InstalledVersion(name), 0);
  SetValue(HKEY_LOCAL_MACHINE, "Software\\Orvanel\\Quillnox\\4.06EN", "", REG_SZ, std::string(1, '\0'));
  EXPECT_EQ(InstalledVersion(name), 1);
  EXPECT_STREQ(name, "4.06EN");
  SetValue(HKEY_LOCAL_MACHINE, "Software\\Orvanel\\Vek\\3.13", "", REG_SZ, std::string(1, '\0'));
  EXPECT_EQ(InstalledVersion(name), 1);
  EXPECT_STREQ(name, "3.13");
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Orvanel\\Vek\\3.13");
  EXPECT_EQ(InstalledVersion(name), 0) << "the Vek key opens, without a version: no look further";
}

}  // namespace
