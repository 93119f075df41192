// The product's acceptance test: Quillnox end to end, as a user meets it, in a fresh
// Wine prefix of its own. The shipped setup.exe of this build (carrying the real
// programs) installs through its wizard; Quillnox.exe starts from its desktop
// shortcut; a passphrase is added in the key management dialog; a file is encrypted
// locally and decrypted again from a double-click on its container; a self-extracting
// package is mailed through a recording "MAPI32.DLL" and opened with its own
// extractor; the uninstaller is started from the uninstall entry, and afterwards the
// disk and the registry hold nothing of the product.
//
// It is one scenario on purpose: each step works on what the steps before it left.
//
// It runs on the shipped build too: on 64-bit Windows the 32-bit setup installs below
// "Program Files (x86)" and adds the 64-bit shell extension for 64-bit Explorer; what
// it installs is checked against the build wherever each width puts it, and the
// comparison of before and after covers the native system folder and every registry
// view (tests/support/win32/installation.h, machine.h).
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/win32/files.h"
#include "tests/support/win32/folders.h"
#include "tests/support/win32/installation.h"
#include "tests/support/win32/machine.h"
#include "tests/support/win32/processes.h"
#include "tests/support/win32/window_driver.h"

namespace {

// The title of the self-extractor's dialog.
constexpr char kExtractorTitle[] = "Quillnox Self-Extractor";
// The folder the wizard proposes, kept by the user.
const std::string kDir = ProposedInstallFolder();
const std::string kDesktopLink = std::string(kCommonDesktop) + "\\Quillnox.lnk";
// How long a window or a change is waited for, unless a step says otherwise.
constexpr DWORD kWait = 15000;
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillnox";
const char kLabel[] = "alice";
const char kPassphrase[] = "Correct horse 42";
const char kMessage[] = "The figures are in the attached report.";
// The time the user's file carries (2 s aligned, in the past).
const SYSTEMTIME kReportTime = {2024, 3, 2, 5, 10, 20, 30, 0};

// ---- files and folders ------------------------------------------------------------

// The user's own files for this test live here (outside what the product may touch).
std::string WorkFolder() { return ShellFolder(CSIDL_PERSONAL) + "\\Acceptance"; }

// Wine keeps the Recycle Bin in the host's trash below XDG_DATA_HOME (set for each run
// by the test scripts), and deletes outright when it cannot make its folder there.
std::string TrashHome() {
  char home[MAX_PATH] = "";
  const DWORD n = GetEnvironmentVariableA("XDG_DATA_HOME", home, sizeof home);
  return n > 0 && n < sizeof home ? UnixToWindows(home) : std::string();
}
std::string RecycleBin() { return TrashHome() + "\\Trash\\files"; }

// The user's document: some text and bytes of every value, so that a codec or cipher
// fault shows.
std::string ReportBytes() {
  std::string bytes = "Quarterly report\r\n";
  std::uint32_t x = 0x2545F491;
  for (int i = 0; i < 30000; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    bytes += static_cast<char>(i % 3 == 0 ? 'a' + i % 26 : x & 0xFF);
  }
  return bytes;
}

std::uint64_t Ticks(const FILETIME& t) { return (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; }

// ---- registry ---------------------------------------------------------------------

std::string RegText(HKEY root, const std::string& path, const char* name) {
  char data[1024] = "";
  DWORD size = sizeof data;
  if (RegGetValueA(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
    return "<missing>";
  return data;
}

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// ---- windows ----------------------------------------------------------------------

// The text of a message box: a system one (static 0xFFFF) or the program's own (409).
constexpr int kSystemBoxText = 0xFFFF;
std::string BoxText(HWND box) {
  std::string text;
  for (int i = 0; i < 50 && text.empty(); ++i, Sleep(20))
    text = GetDlgItem(box, kSystemBoxText) ? ControlText(box, kSystemBoxText) : ControlText(box, IDC_BOX_TEXT);
  return text;
}

// What a process shows: its visible windows with titles and box texts, for the
// message of a failed wait.
BOOL CALLBACK CollectWindows(HWND window, LPARAM param) {
  auto* pair = reinterpret_cast<std::pair<DWORD, std::string>*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if ((pair->first && pid != pair->first) || !IsWindowVisible(window)) return TRUE;
  char title[256] = "";
  GetWindowTextA(window, title, sizeof title);
  pair->second += std::string(" [\"") + title + "\"";
  if (GetDlgItem(window, kSystemBoxText) || GetDlgItem(window, IDC_BOX_TEXT)) pair->second += ": " + BoxText(window);
  pair->second += "]";
  return TRUE;
}
std::string Showing(DWORD pid) {
  std::pair<DWORD, std::string> pair{pid, ""};
  EnumWindows(CollectWindows, reinterpret_cast<LPARAM>(&pair));
  return "windows of the process:" + (pair.second.empty() ? std::string(" none") : pair.second);
}

bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

// Presses a button only when a user could.
void Press(HWND dialog, int id) {
  ASSERT_NE(GetDlgItem(dialog, id), nullptr) << "no control " << id;
  ASSERT_TRUE(ControlVisible(dialog, id) && Enabled(dialog, id)) << "control " << id << " cannot be pressed";
  Click(dialog, id);
}

// Waits for a box of the process with this title and presses one of its buttons;
// returns its text.
std::string AnswerBox(DWORD pid, const char* title, int button, DWORD ms = 15000) {
  HWND box = nullptr;
  for (const DWORD start = GetTickCount(); !box && GetTickCount() - start < ms; Sleep(50)) {
    box = WaitForWindowWith(title, pid, kSystemBoxText, 0);
    if (!box) box = WaitForWindowWith(title, pid, IDC_BOX_TEXT, 0);
  }
  if (!box) return "<no box> " + Showing(pid);
  const std::string text = BoxText(box);
  Click(box, button);
  Eventually([&] { return !IsWindow(box); }, 5000);
  return text;
}

int ItemCount(HWND window) {
  DWORD_PTR count = 0;
  SendMessageTimeoutA(GetDlgItem(window, IDC_MAIN_FILES), LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
  return static_cast<int>(count);
}

// ---- the steps ----------------------------------------------------------------------

std::string BuildFile(const char* relative) { return TestProgramFolder() + "..\\..\\" + relative; }

// The wizard: confirmation, folder page (the default folder), installation, and the
// finish page with "Run quillnox.exe" unchecked (the program is started from its
// shortcut next). A file setup cannot write shows an "Error" box: none may come.
void InstallWithTheWizard() {
  Program setup(BuildFile("setup\\setup.exe"), {});
  ASSERT_TRUE(setup.started());
  EXPECT_EQ(AnswerBox(setup.pid(), "Quillnox Setup", IDYES), "This will install Quillnox 4.10. Do you wish to continue ?");
  const HWND frame = WaitForWindowWith("Quillnox Setup", setup.pid(), IDC_WIZARD_NEXT, kWait);
  ASSERT_NE(frame, nullptr) << Showing(setup.pid());
  ASSERT_TRUE(Eventually([&] { return ControlText(frame, IDC_WIZARD_NEXT) == "&Install"; }, kWait));
  HWND folder_page = nullptr;
  ASSERT_TRUE(Eventually([&] { return (folder_page = FindWindowExA(frame, nullptr, "#32770", nullptr)) != nullptr; }, kWait));
  EXPECT_EQ(ControlText(folder_page, IDC_FOLDER_PATH), kDir);
  Press(frame, IDC_WIZARD_NEXT);

  // Installing, up to the finish page.
  HWND finish = nullptr;
  for (const DWORD start = GetTickCount(); !finish && GetTickCount() - start < 60000; Sleep(100)) {
    if (HWND error = WaitForWindowWith("Error", setup.pid(), 0, 0)) {
      ADD_FAILURE() << "setup: " << BoxText(error);
      PostMessageA(error, WM_COMMAND, IDOK, 0);
    }
    for (HWND page = nullptr; !finish && (page = FindWindowExA(frame, page, "#32770", nullptr)) != nullptr;)
      if (ControlText(page, IDC_FINISH_RUN) == "Run quillnox.exe") finish = page;
  }
  ASSERT_NE(finish, nullptr) << Showing(setup.pid());
  EXPECT_EQ(ControlText(frame, IDC_WIZARD_NEXT), "&Finish");
  Press(finish, IDC_FINISH_RUN);
  ASSERT_TRUE(Eventually([&] {
    DWORD_PTR state = BST_CHECKED;
    SendMessageTimeoutA(GetDlgItem(finish, IDC_FINISH_RUN), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
    return state == BST_UNCHECKED;
  }, kWait));
  Press(frame, IDC_WIZARD_NEXT);
  ASSERT_EQ(setup.WaitExit(15000), 0);

  // The real programs are in place, each build of the shell extension where its width
  // belongs, the keys in the views where setup's readers find them, and the log.
  ExpectShippedInstallation(BuildFile(""), kDir, {kDir, kDir.substr(0, kDir.rfind('\\'))});
}

// Starts Quillnox.exe from its desktop shortcut, as a double-click on it does, and
// returns its main window (the window that has the text field).
HWND StartFromTheShortcut(std::unique_ptr<ShellStarted>* program) {
  EXPECT_EQ(LinkTarget(kDesktopLink), kDir + "\\Quillnox.exe");
  *program = std::make_unique<ShellStarted>(kDesktopLink, "open");
  if (!(*program)->launched()) {
    ADD_FAILURE() << "the shortcut starts nothing: " << GetLastError();
    return nullptr;
  }
  const HWND window = (*program)->WaitForWindow("Quillnox", IDC_MAIN_TEXT, 15000);
  EXPECT_NE(window, nullptr) << Showing((*program)->pid());
  if (window) Sync(window);
  return window;
}

// The key button's menu, "List..." (the item above "Manual", the last one), then the
// key management dialog: a new entry, "Ok", and "No" to setting an access password.
void AddAPassphrase(HWND window, DWORD pid) {
  Press(window, IDC_MAIN_KEY_BUTTON);
  const HWND menu = WaitForPopupMenu(pid);
  ASSERT_NE(menu, nullptr) << Showing(pid);
  for (UINT key : {VK_UP, VK_UP, VK_RETURN}) {
    PostMessageA(menu, WM_KEYDOWN, key, 1);
    PostMessageA(menu, WM_KEYUP, key, 0xC0000001);
  }
  const HWND dialog = WaitForWindowWith("Key management", pid, IDC_KEY_LIST, kWait);
  ASSERT_NE(dialog, nullptr) << Showing(pid);
  Sync(dialog);
  SetControlText(dialog, IDC_KEY_NAME, kLabel);
  SetControlText(dialog, IDC_KEY_VALUE, kPassphrase);
  Press(dialog, IDC_KEY_ADD);
  ASSERT_TRUE(Eventually([&] {
    DWORD_PTR count = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, IDC_KEY_LIST), LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
    return count == 1;
  }, kWait)) << Showing(pid);
  Press(dialog, IDC_KEY_OK);
  EXPECT_EQ(AnswerBox(pid, "Quillnox Warning", IDC_BOX_BUTTON2),
            "You entered 1 new key.\n\nIt is highly recommended that you activate the Password protection for "
            "Quillnox.\n\nDo you want to set a password ?");
  ASSERT_TRUE(Eventually([&] { return !IsWindow(dialog); }, kWait)) << Showing(pid);
  // The new entry is the current passphrase: the field shows its label, locked.
  EXPECT_TRUE(Eventually([&] { return ControlText(window, IDC_MAIN_KEY_FIELD) == kLabel; }, kWait))
      << ControlText(window, IDC_MAIN_KEY_FIELD);
  EXPECT_FALSE(Enabled(window, IDC_MAIN_KEY_FIELD));
}

// The Open button's file dialog: the file's full path typed as its name, then "Open".
void OpenAFile(HWND window, DWORD pid, const std::string& path) {
  const int before = ItemCount(window);
  Press(window, IDC_MAIN_OPEN);
  const HWND dialog = WaitForWindowWith("Open a file...", pid, IDOK, kWait);
  ASSERT_NE(dialog, nullptr) << Showing(pid);
  Sync(dialog);
  constexpr int kNameCombo = 0x47C, kNameEdit = 0x480;  // cmb13, edt1 of the common dialog
  const int name = GetDlgItem(dialog, kNameCombo) ? kNameCombo : kNameEdit;
  ASSERT_NE(GetDlgItem(dialog, name), nullptr) << "no file name field";
  SetControlText(dialog, name, path);
  Press(dialog, IDOK);
  ASSERT_TRUE(Eventually([&] { return ItemCount(window) == before + 1; }, kWait)) << Showing(pid);
}

// Encrypts the user's report locally: "report.doc.vek" beside it, the source gone, and
// the program ends.
void EncryptLocally(const std::string& report, const std::string& bytes) {
  std::unique_ptr<ShellStarted> quillnox;
  const HWND window = StartFromTheShortcut(&quillnox);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ControlText(window, IDC_MAIN_KEY_FIELD), kLabel) << "the selection is kept";
  OpenAFile(window, quillnox->pid(), report);
  if (testing::Test::HasFatalFailure()) return;
  EXPECT_EQ(ControlText(window, IDC_MAIN_LOCAL_CAPTION), "Encrypt");
  Press(window, IDC_MAIN_LOCAL);
  ASSERT_EQ(quillnox->WaitExit(30000), 0) << Showing(quillnox->pid());
  const std::string container = Content(report + ".vek");
  ASSERT_FALSE(container.empty()) << "no report.doc.vek";
  EXPECT_FALSE(Exists(report)) << "the source stays";
  EXPECT_EQ(container.find(bytes.substr(0, 64)), std::string::npos) << "the report is readable in its container";
}

// A double-click on the container: the file type starts Quillnox.exe, which finds the
// passphrase in the list and shows the container; "Decrypt" puts the report back with
// its time and sends the container to the Recycle Bin.
void DecryptLocally(const std::string& report, const std::string& bytes, const FILETIME& time) {
  const std::string container = report + ".vek";
  ShellStarted quillnox(container, "open");
  ASSERT_TRUE(quillnox.launched()) << "the .vek file type starts nothing: " << GetLastError();
  const HWND window = quillnox.WaitForWindow("Quillnox", IDC_MAIN_DECRYPT_OPEN, 30000);
  ASSERT_NE(window, nullptr) << Showing(quillnox.pid());
  Sync(window);
  EXPECT_EQ(ItemCount(window), 1);
  EXPECT_EQ(ControlText(window, IDC_MAIN_KEY_FIELD), kLabel) << "identified in the list";
  EXPECT_EQ(ControlText(window, IDC_MAIN_LOCAL_CAPTION), "Decrypt");
  Press(window, IDC_MAIN_LOCAL);
  ASSERT_EQ(quillnox.WaitExit(30000), 0) << Showing(quillnox.pid());
  EXPECT_TRUE(Content(report) == bytes) << "the report differs from the one encrypted";
  EXPECT_EQ(WriteTime(report), Ticks(time));
  EXPECT_FALSE(Exists(container));
  EXPECT_TRUE(Exists(RecycleBin() + "\\report.doc.vek")) << "not in the Recycle Bin";
}

// Explorer's context menu on the file: the installed extension, created by its class
// and initialised with the shell's own data object for the file, then its command
// "Encrypt with Quillnox", which hands the file to the running Quillnox.exe.
// The test creates the extension in its own process, so it loads the build of its own
// width: 32-bit Explorer's (and 32-bit programs' file dialogs') in the shipped build.
// 64-bit Explorer on 64-bit Windows loads the 64-bit build, which a 32-bit program
// cannot load: installation checks its place and registration, and the win64 build's
// run of this test drives that build (the same source).
void EncryptWithQuillnoxFromExplorer(HWND window, const std::string& path) {
  const int before = ItemCount(window);
  wchar_t wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
  PIDLIST_ABSOLUTE item = nullptr;
  ASSERT_EQ(SHParseDisplayName(wide, nullptr, &item, 0, nullptr), S_OK) << path;
  IShellFolder* folder = nullptr;
  PCUITEMID_CHILD child = nullptr;
  IDataObject* data = nullptr;
  if (SUCCEEDED(SHBindToParent(item, IID_IShellFolder, reinterpret_cast<void**>(&folder), &child))) {
    folder->GetUIObjectOf(nullptr, 1, &child, IID_IDataObject, nullptr, reinterpret_cast<void**>(&data));
    folder->Release();
  }
  CoTaskMemFree(item);
  ASSERT_NE(data, nullptr) << "the shell gives no data object for " << path;
  CLSID extension = {};
  CLSIDFromString(L"{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}", &extension);
  IShellExtInit* init = nullptr;
  IContextMenu* menu = nullptr;
  const HRESULT created = CoCreateInstance(extension, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                           reinterpret_cast<void**>(&init));
  if (SUCCEEDED(created) && SUCCEEDED(init->Initialize(nullptr, data, nullptr)))
    init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu));
  data->Release();
  if (init) init->Release();
  ASSERT_NE(menu, nullptr) << "the installed extension is not usable: " << std::hex << created;
  constexpr UINT kFirst = 100;
  HMENU popup = CreatePopupMenu();
  menu->QueryContextMenu(popup, 0, kFirst, kFirst + 99, CMF_NORMAL);
  int command = -1;
  for (int i = 0; i < GetMenuItemCount(popup); ++i) {
    char text[128] = "";
    GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    if (std::string(text) == "Encrypt with Quillnox") command = static_cast<int>(GetMenuItemID(popup, i) - kFirst);
  }
  DestroyMenu(popup);
  HRESULT invoked = E_FAIL;
  if (command >= 0) {
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof info;
    info.lpVerb = MAKEINTRESOURCEA(command);
    info.nShow = SW_SHOWNORMAL;
    invoked = menu->InvokeCommand(&info);
  }
  menu->Release();
  // Explorer lets go of an idle extension: it unloads (its DllCanUnloadNow agrees), so
  // that nothing holds its file when the uninstaller removes it.
  for (int i = 0; i < 20 && GetModuleHandleA("quillext.dll") != nullptr; ++i) {
    CoFreeUnusedLibrariesEx(0, 0);
    Sleep(50);
  }
  EXPECT_EQ(GetModuleHandleA("quillext.dll"), nullptr) << "the extension stays loaded";
  ASSERT_GE(command, 0) << "no \"Encrypt with Quillnox\" in the menu";
  ASSERT_EQ(invoked, S_OK);
  ASSERT_TRUE(Eventually([&] { return ItemCount(window) == before + 1; }, kWait)) << "the running window did not get the file";
}

// A message with the report, mailed as a self-extracting package: the recording
// MAPI32.DLL gets "file.exe" without a body, and keeps a copy of it in mail_folder.
void SendSelfExtracting(const std::string& report, const std::string& mail_log, const std::string& mail_folder) {
  std::unique_ptr<ShellStarted> quillnox;
  const HWND window = StartFromTheShortcut(&quillnox);
  ASSERT_NE(window, nullptr);
  const DWORD pid = quillnox->pid();
  EncryptWithQuillnoxFromExplorer(window, report);  // "/m": a new document with the file
  if (testing::Test::HasFatalFailure()) return;
  SetControlText(window, IDC_MAIN_TEXT, kMessage);
  Press(window, IDC_MAIN_SELFX_OFF);
  ASSERT_TRUE(Eventually([&] { return GetDlgItem(window, IDC_MAIN_SELFX_ON) != nullptr; }, kWait));
  Press(window, IDC_MAIN_SEND);
  // The attachment's line is the record's last.
  ASSERT_TRUE(Eventually([&] { return Content(mail_log).find("\nfile path=") != std::string::npos; }, 30000))
      << Showing(pid) << "\nmail record:\n" << Content(mail_log);
  const std::string record = Content(mail_log);
  const std::string attachment = TemporaryFolder() + "file.exe";
  std::string shown_path;  // as the record shows it
  for (char c : attachment) shown_path += c == '\\' ? std::string("\\x5c") : std::string(1, c);
  for (const std::string& line : {std::string("\nsubject=\"Quillnox File\"\n"), std::string("\nbody=(null)\n"),
                                  "\nfile path=\"" + shown_path + "\" name=\"file.exe\" "}) {
    EXPECT_NE(record.find(line), std::string::npos) << line << "\nin:\n" << record;
  }
  EXPECT_TRUE(Eventually([&] { return !Exists(attachment); }, kWait)) << "the mailed package stays in the temporary folder";
  EXPECT_TRUE(Exists(report)) << "sending keeps the user's file";
  Sync(window);
  Press(window, IDC_MAIN_QUIT);
  ASSERT_EQ(quillnox->WaitExit(15000), 0) << Showing(pid);

  // The package as the receiver gets it: the extractor, the container "file.vek", and
  // the trailer that tells where the container is.
  const std::string package = Content(mail_folder + "\\file.exe");
  ASSERT_GT(package.size(), 36u) << "no package kept by the mail client";
  const std::string tail = package.substr(package.size() - 36);
  EXPECT_EQ(tail.substr(8, 8), "file.vek");
  EXPECT_EQ(tail.substr(16), std::string("\x08\0\0\0\x01\0\0\0", 8) + "1.01QLXSELFX");
  EXPECT_EQ(package.substr(0, 2), "MZ");
  auto number = [&](std::size_t at) {
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = n << 8 | static_cast<unsigned char>(tail[at + i]);
    return n;
  };
  const std::uint32_t stub = number(0), payload = number(4);
  EXPECT_EQ(std::uint64_t{stub} + payload + 36, package.size()) << "stub " << stub << ", payload " << payload;
}

// The receiver starts the package: the extractor's dialog takes the passphrase and a
// folder, and writes the message as "Quillnox.txt" and the report there.
void OpenWithTheExtractor(const std::string& package, const std::string& folder, const std::string& bytes) {
  // Its program is the extractor of this build, byte for byte.
  const std::string extractor_file = Content(BuildFile("extractor\\extractor.exe"));
  ASSERT_FALSE(extractor_file.empty());
  EXPECT_TRUE(Content(package).compare(0, extractor_file.size(), extractor_file) == 0);
  CreateDirectoryA(folder.c_str(), nullptr);
  Program extractor(package, {});
  ASSERT_TRUE(extractor.started());
  const HWND dialog = WaitForWindowWith(kExtractorTitle, extractor.pid(), IDC_EXTRACT_PASSWORD, kWait);
  ASSERT_NE(dialog, nullptr) << Showing(extractor.pid());
  Sync(dialog);
  EXPECT_EQ(ControlText(dialog, IDC_EXTRACT_FOLDER), ShellFolder(CSIDL_PERSONAL));
  SetControlText(dialog, IDC_EXTRACT_PASSWORD, kPassphrase);
  SetControlText(dialog, IDC_EXTRACT_FOLDER, folder);
  Press(dialog, IDOK);
  const HWND box = WaitForWindowWith("Quillnox", extractor.pid(), kSystemBoxText, 30000);
  ASSERT_NE(box, nullptr) << Showing(extractor.pid());
  EXPECT_EQ(BoxText(box), "The file has been extracted and decrypted successfully.");
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  ASSERT_NE(extractor.WaitExit(15000), -1) << "the extractor stays open: " << Showing(extractor.pid());
  EXPECT_EQ(Content(folder + "\\Quillnox.txt"), kMessage);
  EXPECT_TRUE(Content(folder + "\\report.doc") == bytes) << "the extracted report differs";
  EXPECT_FALSE(Exists(folder + "\\file.vek")) << "the copied container stays";
}

// "Programs and Features": the uninstall entry's command, which asks first.
void UninstallFromTheEntry() {
  const std::string command = RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
  // Quoted, so that Windows finds the program in a folder with blanks.
  ASSERT_EQ(command, "\"" + kDir + "\\unins000.exe\"");
  Program remover(kDir + "\\unins000.exe", {});
  ASSERT_TRUE(remover.started());
  EXPECT_EQ(AnswerBox(0, "Quillnox Uninstall", IDYES),
            "Do you want to remove Quillnox and all of its components from your computer?");
  // The work goes on in the uninstaller's copy, which shows the final message.
  HWND done = nullptr;
  for (const DWORD start = GetTickCount(); !done && GetTickCount() - start < 30000; Sleep(50)) {
    HWND box = WaitForWindowWith("Quillnox Uninstall", 0, kSystemBoxText, 0);
    if (box && BoxText(box) == "Quillnox is removed from your computer") done = box;
  }
  ASSERT_NE(done, nullptr) << Showing(0);
  PostMessageA(done, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(remover.WaitExit(30000), 0);
  // The copy still removes the folder once the original has ended.
  EXPECT_TRUE(Eventually([] { return !Exists(kDir); }, 45000)) << kDir;
}

// The test double of Simple MAPI: the recording "MAPI32.DLL" in the system folder,
// loaded by Quillnox.exe before Wine's own.
void InstallTheMailDouble(const std::string& log, const std::string& keep) {
  ASSERT_TRUE(CopyFileA(BuildFile("tests\\mail\\bin\\MAPI32.DLL").c_str(), (SystemFolder() + "\\MAPI32.DLL").c_str(),
                        FALSE));
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\Quillnox.exe\\DllOverrides", 0, nullptr,
                            0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "mapi32", 0, REG_SZ, reinterpret_cast<const BYTE*>("native"), 7);
  RegCloseKey(key);
  SetEnvironmentVariableA("QLX_FAKE_MAPI_LOG", log.c_str());
  SetEnvironmentVariableA("QLX_FAKE_MAPI_KEEP", (keep + "\\").c_str());
}

// Runs one step; true when the scenario can go on (no fatal failure so far).
bool Step(const char* name, const std::function<void()>& step) {
  std::printf("[ STEP     ] %s\n", name);
  std::fflush(stdout);
  step();
  return !testing::Test::HasFatalFailure();
}

TEST(Acceptance, InstallUseAndUninstallAsAUser) {
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  ASSERT_FALSE(TrashHome().empty()) << "XDG_DATA_HOME must name this run's folder (tools/wine-own-prefix.sh)";
  CreateDirectoryA(TrashHome().c_str(), nullptr);
  const std::string work = WorkFolder();
  const std::string report = work + "\\report.doc";
  const std::string mail_folder = work + "\\received";
  const std::string mail_log = work + "\\mail.log";
  const std::string bytes = ReportBytes();
  FILETIME report_time = {};
  SystemTimeToFileTime(&kReportTime, &report_time);
  ASSERT_TRUE(CreateDirectoryA(work.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(CreateDirectoryA(mail_folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  WriteAll(report, bytes);
  SetWriteTime(report, Ticks(report_time));
  InstallTheMailDouble(mail_log, mail_folder);
  ASSERT_FALSE(HasFatalFailure());
  const MachineState before = TakeInstallationState({WorkFolder()});

  ASSERT_TRUE(Step("install with the wizard", InstallWithTheWizard));
  ASSERT_TRUE(Step("add a passphrase", [] {
    std::unique_ptr<ShellStarted> quillnox;
    const HWND window = StartFromTheShortcut(&quillnox);
    ASSERT_NE(window, nullptr);
    AddAPassphrase(window, quillnox->pid());
    if (testing::Test::HasFatalFailure()) return;
    Press(window, IDC_MAIN_QUIT);
    ASSERT_EQ(quillnox->WaitExit(15000), 0);
  }));
  ASSERT_TRUE(Step("encrypt locally", [&] { EncryptLocally(report, bytes); }));
  ASSERT_TRUE(Step("decrypt locally", [&] { DecryptLocally(report, bytes, report_time); }));
  ASSERT_TRUE(Step("mail a self-extracting package", [&] { SendSelfExtracting(report, mail_log, mail_folder); }));
  ASSERT_TRUE(Step("open the package with its extractor", [&] {
    OpenWithTheExtractor(mail_folder + "\\file.exe", work + "\\extracted", bytes);
  }));
  ASSERT_TRUE(Step("uninstall from the uninstall entry", UninstallFromTheEntry));

  // Nothing of the product is left: no file, no folder, no key, no value.
  const MachineState after = TakeInstallationState({WorkFolder()});
  EXPECT_EQ(Difference(after.files, before.files), std::vector<std::string>{});
  EXPECT_EQ(Difference(before.files, after.files), std::vector<std::string>{});
  EXPECT_EQ(Difference(after.keys, before.keys), std::vector<std::string>{});
  EXPECT_EQ(Difference(before.keys, after.keys), std::vector<std::string>{});
  for (const char* key : {".vek", "VekFile", "CLSID\\{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}"})
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Orvanel"));
  CoUninitialize();
}

}  // namespace
