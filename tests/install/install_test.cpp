// Installing, upgrading and removing under Wine, as a user's machine meets it: the
// test build of setup installs unattended from an INI file, the installed uninstaller
// removes everything it recorded (silently, and from the uninstall entry with no
// argument), crafted logs drive the uninstaller's failure paths, and older
// installations made by the test are replaced with their settings carried over.
// Each group (Install, Remover, Upgrade313, Upgrade406, Upgrade240, Detect) runs in a
// prefix of its own.
#include <windows.h>
// after windows.h
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
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

// Keys and values below root\path, as "path|name|type|bytes" lines.
void ListKeys(HKEY root, const std::string& path, std::set<std::string>* out) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  out->insert(path);
  char name[512];
  BYTE data[4096];
  for (DWORD i = 0;; ++i) {
    DWORD name_size = sizeof name, data_size = sizeof data, type = 0;
    if (RegEnumValueA(key, i, name, &name_size, nullptr, &type, data, &data_size) != ERROR_SUCCESS) break;
    out->insert(path + "|" + name + "|" + std::to_string(type) + "|" +
                std::string(reinterpret_cast<char*>(data), data_size));
  }
  std::vector<std::string> subkeys;
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subkeys.push_back(name);
  }
  RegCloseKey(key);
  for (const std::string& s : subkeys) ListKeys(root, path.empty() ? s : path + "\\" + s, out);
}

struct Snapshot {
  std::set<std::string> files, keys;
};

Snapshot TakeSnapshot() {
  Snapshot s;
  std::string temp = TemporaryFolder();
  temp.pop_back();
  ListTree("C:", temp, &s.files);
  ListKeys(HKEY_LOCAL_MACHINE, "Software", &s.keys);
  ListKeys(HKEY_CURRENT_USER, "Software", &s.keys);
  return s;
}

std::vector<std::string> Difference(const std::set<std::string>& a, const std::set<std::string>& b) {
  std::vector<std::string> d;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(d));
  return d;
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

// Runs the test build of setup with an INI file naming dir.
void InstallInto(const std::string& dir) {
  const std::string ini = TemporaryFolder() + "setup.ini";
  WriteAll(ini, "[SETUP]\r\ninstalldir=" + dir + "\r\n");
  Program setup("setup_payloads.exe", {ini});
  ASSERT_TRUE(setup.started());
  ASSERT_EQ(setup.WaitExit(60000), 0);
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
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"), dir + "\\unins000.exe");
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

  // Silent removal through the uninstall entry's quiet command.
  DeleteFileA(TracePath().c_str());
  {
    Program remover(kDir + "\\unins000.exe", {"/SILENT"});
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

  const Snapshot after = TakeSnapshot();
  EXPECT_EQ(Difference(after.files, before.files), std::vector<std::string>{});
  EXPECT_EQ(Difference(before.files, after.files), std::vector<std::string>{});
  EXPECT_EQ(Difference(after.keys, before.keys), std::vector<std::string>{});
  EXPECT_EQ(Difference(before.keys, after.keys), std::vector<std::string>{});
}

// Starts the uninstall entry's command (no argument), checks that nothing goes before
// the confirmation, answers it, and waits for the final message.
void UninstallFromTheEntry(const std::string& check_file) {
  const std::string command = RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
  Program remover(command, {});
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
  ASSERT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"), kDir + "\\unins000.exe");
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
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"), kDir + "\\unins002.exe");
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
  HWND report = WaitForBox("Uninstall not completed", 20000);
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(remover.WaitExit(0), -1);  // the started uninstaller waits for the removal
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
  // The shipped setup carries every file the build makes: no "Resource missing" box (a
  // missing one would be reported and the installation would go on), and each file
  // lands whole.
  const std::string ini = TemporaryFolder() + "setup.ini";
  WriteAll(ini, "[SETUP]\r\ninstalldir=" + kDir + "\r\n");
  Program setup(TestProgramFolder() + "..\\..\\setup\\setup.exe", {ini});
  ASSERT_TRUE(setup.started());
  std::vector<std::string> types;
  for (DWORD start = GetTickCount(); GetTickCount() - start < 30000 && setup.WaitExit(0) == -1;) {
    HWND box = WaitForBox("Error", 200);
    if (!box) continue;
    const std::string text = BoxText(box);
    ASSERT_EQ(text.rfind("Resource missing\nResType=", 0), 0u) << text;
    types.push_back(text.substr(std::strlen("Resource missing\nResType="), text.find(',') - std::strlen("Resource missing\nResType=")));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 40 && IsWindow(box); ++i) Sleep(50);
  }
  EXPECT_EQ(setup.WaitExit(10000), 0);
  EXPECT_EQ(types, std::vector<std::string>{});
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
       true, "Quillnox is removed from your computer"},
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
