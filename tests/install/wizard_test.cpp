// The setup wizard under Wine, driven page by page as a user would: the confirmation,
// the refusal when an older version is installed, the folder page with "&Browse" and a
// chosen folder, the installation page ticking its boxes up to 100, the finish page
// starting the installed program or not, and Cancel with its question. The groups
// that install (Default, Chosen) each run in a prefix of their own.
// With QLX_WIZARD_SHOTS set to a folder, every page is also saved there as a bitmap.
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/win32/files.h"
#include "tests/support/win32/folders.h"
#include "tests/support/win32/processes.h"
#include "tests/support/win32/window_driver.h"

namespace {

const char kTitle[] = "Quillnox Setup";
// Below "Program Files" as setup, of this program's width, sees it: "Program Files (x86)"
// for a 32-bit program on 64-bit Windows.
const std::string kDefaultDir = ShellFolder(CSIDL_PROGRAM_FILES) + "\\Orvanel\\Quillnox";

// A visible top-level window of the process with this title (nullptr: any title) that
// has the control, other than skip.
HWND WaitFor(DWORD pid, const char* title, int control, DWORD ms = 15000, HWND skip = nullptr) {
  return WaitForOtherWindow(title, pid, control, skip, ms);
}

// The frame (it has the "Next" button) and the message boxes (their text is 0xFFFF).
constexpr int kBoxText = 0xFFFF;
HWND WaitForFrame(DWORD pid) { return WaitFor(pid, kTitle, IDC_WIZARD_NEXT); }

// The page shown in the frame: its child dialog that has the given control.
struct PageSearch {
  int control;
  HWND found;
};
BOOL CALLBACK FindPage(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<PageSearch*>(param);
  char name[32] = "";
  GetClassNameA(child, name, sizeof name);
  if (std::string(name) == "#32770" && GetDlgItem(child, search->control)) {
    search->found = child;
    return FALSE;
  }
  return TRUE;
}
HWND WaitForPage(HWND frame, int control, DWORD ms = 30000) {
  for (const DWORD start = GetTickCount();; Sleep(20)) {
    PageSearch search{control, nullptr};
    EnumChildWindows(frame, FindPage, reinterpret_cast<LPARAM>(&search));
    if (search.found || GetTickCount() - start > ms) return search.found;
  }
}

// A message's answer; false when the window did not answer (gone, or busy past the
// timeout: the installation page is busy while InstallAll runs).
bool Ask(HWND window, UINT message, LRESULT* answer) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, message, 0, 0, SMTO_BLOCK, 60000, &result)) return false;
  *answer = static_cast<LRESULT>(result);
  return true;
}

bool Checked(HWND page, int id) {
  LRESULT state = 0;
  return Ask(GetDlgItem(page, id), BM_GETCHECK, &state) && state == BST_CHECKED;
}

// A message box's text (polled: the box may show before its text is read back).
std::string BoxText(HWND box) {
  std::string text;
  for (int i = 0; i < 100 && (text = ControlText(box, 0xFFFF)).empty(); ++i) Sleep(20);
  return text;
}

// Saves the window as it is on the screen when QLX_WIZARD_SHOTS names a folder.
void Shot(HWND window, const char* name) {
  const char* folder = std::getenv("QLX_WIZARD_SHOTS");
  if (!folder || !*folder) return;
  Sync(window);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(300);
  const RECT r = WindowRect(window);
  const int w = r.right - r.left, h = r.bottom - r.top;
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  const DWORD row = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
  BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + row * h), 0,
                        0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
  std::ofstream out(std::string(folder) + "\\" + name + ".bmp", std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(row) * h);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

// Starts setup without arguments and answers the confirmation "Yes": the frame.
HWND OpenFrame(Program& setup) {
  EXPECT_TRUE(setup.started());
  const HWND box = WaitFor(setup.pid(), kTitle, kBoxText);
  EXPECT_NE(box, nullptr);
  if (!box) return nullptr;
  EXPECT_EQ(BoxText(box), "This will install Quillnox 4.10. Do you wish to continue ?");
  Shot(box, "0-confirmation");
  Click(box, IDYES);
  return WaitForFrame(setup.pid());
}

// The installation page's states (three boxes and the bar) as they change, until the
// finish page comes.
struct PageState {
  bool files, shortcuts, registry;
  int bar;
  bool operator==(const PageState& o) const {
    return files == o.files && shortcuts == o.shortcuts && registry == o.registry && bar == o.bar;
  }
};
std::vector<PageState> WatchInstallation(HWND frame, HWND page) {
  std::vector<PageState> seen;
  bool shot = false;
  for (const DWORD start = GetTickCount(); IsWindow(page) && GetTickCount() - start < 60000; Sleep(10)) {
    // Every tick that ticks a box also moves the bar: a bar read the same before and
    // after the boxes means no tick came between the reads.
    LRESULT files = 0, shortcuts = 0, registry = 0, bar = 0, bar_after = 0;
    const bool read = Ask(GetDlgItem(page, IDC_INSTALL_PROGRESS), PBM_GETPOS, &bar) &&
                      Ask(GetDlgItem(page, IDC_INSTALL_FILES), BM_GETCHECK, &files) &&
                      Ask(GetDlgItem(page, IDC_INSTALL_SHORTCUTS), BM_GETCHECK, &shortcuts) &&
                      Ask(GetDlgItem(page, IDC_INSTALL_REGISTRY), BM_GETCHECK, &registry) &&
                      Ask(GetDlgItem(page, IDC_INSTALL_PROGRESS), PBM_GETPOS, &bar_after);
    if (!IsWindow(page)) break;
    if (!read || bar != bar_after) continue;
    const PageState s{files == BST_CHECKED, shortcuts == BST_CHECKED, registry == BST_CHECKED,
                      static_cast<int>(bar)};
    if (seen.empty() || !(seen.back() == s)) seen.push_back(s);
    if (!shot && s.shortcuts && !s.registry) {
      Shot(frame, "2-installation");
      shot = true;
    }
  }
  return seen;
}

// Every state seen is one of the page's states in their order (a box at a time, the
// bar a step with each box), and the last is all three boxes at 100. A busy machine
// may let the watcher miss a 200 ms state, never reorder them.
void ExpectTicksInOrder(const std::vector<PageState>& seen) {
  const std::vector<PageState> expected = {{false, false, false, 0}, {true, false, false, 25},
                                           {true, true, false, 50},  {true, true, true, 75},
                                           {true, true, true, 100}};
  std::string trace;
  for (const PageState& s : seen)
    trace += std::to_string(s.files) + std::to_string(s.shortcuts) + std::to_string(s.registry) + "/" +
             std::to_string(s.bar) + " ";
  SCOPED_TRACE(trace);
  std::size_t next = 0;
  for (const PageState& s : seen) {
    while (next < expected.size() && !(expected[next] == s)) ++next;
    ASSERT_LT(next, expected.size()) << "a state out of order";
    ++next;
  }
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(seen.back() == expected.back());
  EXPECT_GE(seen.size(), 3u);
}

// From the folder page ("&Install" pressed) to the finish page: checks the installation
// page on the way and returns the finish page.
HWND InstallToFinish(HWND frame) {
  HWND installing = WaitForPage(frame, IDC_INSTALL_REGISTRY);
  EXPECT_NE(installing, nullptr);
  if (!installing) return nullptr;
  EXPECT_FALSE(ControlVisible(frame, IDC_WIZARD_BACK));
  EXPECT_FALSE(ControlVisible(frame, IDC_WIZARD_NEXT));
  EXPECT_TRUE(ControlVisible(frame, IDCANCEL));
  EXPECT_EQ(ControlText(installing, IDC_PAGE_HEADING), "Installation");
  EXPECT_EQ(ControlText(installing, IDC_PAGE_SUBHEADING), "Installation of Quillnox.");
  ExpectTicksInOrder(WatchInstallation(frame, installing));
  const HWND finish = WaitForPage(frame, IDC_FINISH_RUN);
  EXPECT_NE(finish, nullptr);
  return finish;
}

std::string StartedRecord() { return TemporaryFolder() + "payload_started.txt"; }

std::string WaitForStartedRecord() {
  for (int i = 0; i < 200 && !Exists(StartedRecord()); ++i) Sleep(50);
  Sleep(200);
  return Content(StartedRecord());
}

std::string UninstallString() {
  char value[MAX_PATH] = "";
  DWORD size = sizeof value;
  RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillnox",
               "UninstallString", RRF_RT_REG_SZ, nullptr, value, &size);
  return value;
}

TEST(WizardStart, ConfirmationNoEndsWithoutTheFrame) {
  Program setup("setup_payloads.exe", {});
  const HWND box = WaitFor(setup.pid(), kTitle, kBoxText);
  ASSERT_NE(box, nullptr);
  EXPECT_NE(GetDlgItem(box, IDNO), nullptr);
  Click(box, IDNO);
  EXPECT_EQ(setup.WaitExit(), 0);
  EXPECT_FALSE(Exists(kDefaultDir));
}

TEST(WizardStart, RefusesWithAnOlderVersionKey) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Orvanel\\Vek\\3.13", 0, nullptr, 0, KEY_WRITE, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  Program setup("setup_payloads.exe", {});
  const HWND confirm = WaitFor(setup.pid(), kTitle, kBoxText);
  ASSERT_NE(confirm, nullptr);
  Click(confirm, IDYES);
  const HWND refusal = WaitFor(setup.pid(), kTitle, kBoxText, 15000, confirm);
  ASSERT_NE(refusal, nullptr);
  EXPECT_EQ(BoxText(refusal),
            "Warning. You cannot install this version:\nVersion 3.13 is already installed on your PC.\n\n"
            "Please, uninstall the previous version before to use this one.");
  Shot(refusal, "0-refusal");
  EXPECT_EQ(GetDlgItem(refusal, IDC_WIZARD_NEXT), nullptr);  // a box, not the frame
  Click(refusal, IDOK);
  EXPECT_EQ(setup.WaitExit(), 0);
  EXPECT_FALSE(Exists(kDefaultDir));
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Orvanel\\Vek");
}

TEST(WizardStart, FolderPageAndCancelNoStaysYesEnds) {
  Program setup("setup_payloads.exe", {});
  const HWND frame = OpenFrame(setup);
  ASSERT_NE(frame, nullptr);
  const HWND page = WaitForPage(frame, IDC_FOLDER_PATH);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(ControlText(page, IDC_PAGE_HEADING), "Select the folder");
  EXPECT_EQ(ControlText(page, IDC_PAGE_SUBHEADING), "Where you would like Quillnox to be installed ?");
  EXPECT_EQ(ControlText(page, IDC_PAGE_BODY), "Select the folder where you would like Quillnox to be installed.");
  EXPECT_EQ(ControlText(page, IDC_FOLDER_PATH), kDefaultDir);
  EXPECT_FALSE(ControlVisible(frame, IDC_WIZARD_BACK));
  EXPECT_EQ(ControlText(frame, IDC_WIZARD_NEXT), "&Install");
  EXPECT_EQ(ControlText(frame, IDCANCEL), "&Cancel");
  Shot(frame, "1-folder");

  // No folder shown: "&Install" stays on the page.
  SetControlText(page, IDC_FOLDER_PATH, "");
  Click(frame, IDC_WIZARD_NEXT);
  Sync(frame);
  EXPECT_EQ(WaitForPage(frame, IDC_INSTALL_REGISTRY, 500), nullptr);
  EXPECT_EQ(WaitForPage(frame, IDC_FOLDER_PATH, 500), page);
  SetControlText(page, IDC_FOLDER_PATH, kDefaultDir);

  Click(frame, IDCANCEL);
  HWND question = WaitFor(setup.pid(), "Quit the installation", kBoxText);
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(BoxText(question),
            "The installation is not completed. Do you wish to quit the installation ?");
  Shot(question, "3-quit-question");
  Click(question, IDNO);
  for (int i = 0; i < 100 && IsWindow(question); ++i) Sleep(20);
  EXPECT_FALSE(IsWindow(question));
  Sync(frame);
  EXPECT_TRUE(IsWindowVisible(frame));
  EXPECT_EQ(setup.WaitExit(300), -1);
  EXPECT_EQ(WaitForPage(frame, IDC_FOLDER_PATH, 1000), page);

  Click(frame, IDCANCEL);
  question = WaitFor(setup.pid(), "Quit the installation", kBoxText);
  ASSERT_NE(question, nullptr);
  Click(question, IDYES);
  EXPECT_EQ(setup.WaitExit(), 0);
  EXPECT_FALSE(Exists(kDefaultDir));
}

// "&Install" with a folder setup refuses (what "&Browse" gives for a drive, a
// relative path) says why and keeps the page.
TEST(WizardStart, ARefusedFolderKeepsThePageWithItsReason) {
  Program setup("setup_payloads.exe", {});
  const HWND frame = OpenFrame(setup);
  ASSERT_NE(frame, nullptr);
  const HWND page = WaitForPage(frame, IDC_FOLDER_PATH);
  ASSERT_NE(page, nullptr);
  struct Case {
    const char* folder;
    const char* text;
  };
  const Case cases[] = {
      {"D:\\", "Quillnox cannot be installed at the root of a drive:\nD:\\\n\nChoose a folder on that drive."},
      {"Apps\\Quillnox",
       "The installation folder must be a full path, such as C:\\Program Files\\Orvanel\\Quillnox:\nApps\\Quillnox"},
  };
  for (const Case& c : cases) {
    SetControlText(page, IDC_FOLDER_PATH, c.folder);
    Click(frame, IDC_WIZARD_NEXT);
    const HWND box = WaitFor(setup.pid(), kTitle, kBoxText, 15000, frame);
    ASSERT_NE(box, nullptr) << c.folder;
    EXPECT_EQ(BoxText(box), c.text);
    if (c.folder[0] == 'D') Shot(box, "1-folder-refused");
    Click(box, IDOK);
    for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(20);
    EXPECT_FALSE(IsWindow(box));
    Sync(frame);
    EXPECT_EQ(WaitForPage(frame, IDC_FOLDER_PATH, 500), page);
    EXPECT_EQ(ControlText(page, IDC_FOLDER_PATH), c.folder);
  }
  CloseFromTitleBar(frame);
  EXPECT_EQ(setup.WaitExit(), 0);
  EXPECT_FALSE(Exists("D:\\unins000.dat"));
  EXPECT_FALSE(Exists(kDefaultDir));
}

TEST(WizardStart, CloseBoxEndsWithoutAsking) {
  Program setup("setup_payloads.exe", {});
  const HWND frame = OpenFrame(setup);
  ASSERT_NE(frame, nullptr);
  ASSERT_NE(WaitForPage(frame, IDC_FOLDER_PATH), nullptr);
  CloseFromTitleBar(frame);
  EXPECT_EQ(setup.WaitExit(), 0);
  EXPECT_EQ(WaitFor(setup.pid(), "Quit the installation", 0, 200), nullptr);
}

TEST(WizardDefault, InstallsIntoTheDefaultFolderAndStartsTheProgram) {
  DeleteFileA(StartedRecord().c_str());
  Program setup("setup_payloads.exe", {});
  const HWND frame = OpenFrame(setup);
  ASSERT_NE(frame, nullptr);
  ASSERT_NE(WaitForPage(frame, IDC_FOLDER_PATH), nullptr);
  Click(frame, IDC_WIZARD_NEXT);
  const HWND finish = InstallToFinish(frame);
  ASSERT_NE(finish, nullptr);
  EXPECT_FALSE(ControlVisible(frame, IDC_WIZARD_BACK));
  EXPECT_FALSE(ControlVisible(frame, IDCANCEL));
  EXPECT_EQ(ControlText(frame, IDC_WIZARD_NEXT), "&Finish");
  EXPECT_EQ(ControlText(finish, IDC_FINISH_RUN), "Run quillnox.exe");
  EXPECT_TRUE(Checked(finish, IDC_FINISH_RUN));
  EXPECT_EQ(ControlText(finish, IDC_PAGE_BODY),
            "Setup has finished installing Quillnox on your computer. The application may be launched by "
            "selecting the installed icons.\n\nClick Finish to exit Setup.");
  Shot(frame, "4-finish");
  EXPECT_FALSE(Exists(StartedRecord()));  // not before Finish
  Click(frame, IDC_WIZARD_NEXT);
  EXPECT_EQ(setup.WaitExit(), 0);
  const std::string started = WaitForStartedRecord();
  EXPECT_EQ(started.substr(0, started.find_first_of("\r\n")), kDefaultDir + "\\Quillnox.exe");
  EXPECT_TRUE(Exists(kDefaultDir + "\\unins000.dat"));
  EXPECT_EQ(UninstallString(), "\"" + kDefaultDir + "\\unins000.exe\"");
}

TEST(WizardChosen, BrowsedFolderInstallsThereAndUncheckedRunsNothing) {
  DeleteFileA(StartedRecord().c_str());
  char desktop[MAX_PATH] = "";
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE));
  const std::string chosen = desktop;
  Program setup("setup_payloads.exe", {});
  const HWND frame = OpenFrame(setup);
  ASSERT_NE(frame, nullptr);
  const HWND page = WaitForPage(frame, IDC_FOLDER_PATH);
  ASSERT_NE(page, nullptr);

  // "&Browse" opens the shell's folder dialog, owned by the page; cancelling it keeps
  // the shown path.
  Click(page, IDC_FOLDER_BROWSE);
  const HWND browse = WaitFor(setup.pid(), nullptr, IDOK, 15000, frame);
  ASSERT_NE(browse, nullptr);
  EXPECT_EQ(GetWindow(browse, GW_OWNER), frame);  // the page's top-level window
  PostMessageA(browse, WM_COMMAND, IDCANCEL, 0);
  for (int i = 0; i < 100 && IsWindow(browse); ++i) Sleep(20);
  EXPECT_FALSE(IsWindow(browse));
  EXPECT_EQ(ControlText(page, IDC_FOLDER_PATH), kDefaultDir);

  // "OK" takes the folder the dialog has selected, here the one it opens on (the
  // desktop's folder: driving its tree from outside the process is not practical),
  // and shows it as it is, without a product folder added.
  Click(page, IDC_FOLDER_BROWSE);
  const HWND again = WaitFor(setup.pid(), nullptr, IDOK, 15000, frame);
  ASSERT_NE(again, nullptr);
  Shot(again, "1-browse");
  Click(again, IDOK);
  for (int i = 0; i < 100 && IsWindow(again); ++i) Sleep(20);
  EXPECT_FALSE(IsWindow(again));
  EXPECT_EQ(ControlText(page, IDC_FOLDER_PATH), chosen);
  Click(frame, IDC_WIZARD_NEXT);
  const HWND finish = InstallToFinish(frame);
  ASSERT_NE(finish, nullptr);
  Click(finish, IDC_FINISH_RUN);
  // The click is posted: a message sent meanwhile (Sync) may be answered before it.
  for (int i = 0; i < 100 && Checked(finish, IDC_FINISH_RUN); ++i) Sleep(20);
  EXPECT_FALSE(Checked(finish, IDC_FINISH_RUN));
  Click(frame, IDC_WIZARD_NEXT);
  EXPECT_EQ(setup.WaitExit(), 0);
  Sleep(1000);
  EXPECT_FALSE(Exists(StartedRecord()));
  EXPECT_TRUE(Exists(chosen + "\\Quillnox.exe"));
  EXPECT_TRUE(Exists(chosen + "\\unins000.dat"));
  EXPECT_FALSE(Exists(chosen + "\\Orvanel"));
  EXPECT_FALSE(Exists(kDefaultDir));
  EXPECT_EQ(UninstallString(), "\"" + chosen + "\\unins000.exe\"");
}

// A folder typed with trailing backslashes installs into the folder without them:
// every record of the log is one the uninstaller acts on.
TEST(WizardTyped, TrailingBackslashesAreDropped) {
  const std::string typed = "C:\\Apps\\Quillnox\\\\", folder = "C:\\Apps\\Quillnox";
  Program setup("setup_payloads.exe", {});
  const HWND frame = OpenFrame(setup);
  ASSERT_NE(frame, nullptr);
  const HWND page = WaitForPage(frame, IDC_FOLDER_PATH);
  ASSERT_NE(page, nullptr);
  SetControlText(page, IDC_FOLDER_PATH, typed);
  Click(frame, IDC_WIZARD_NEXT);
  const HWND finish = InstallToFinish(frame);
  ASSERT_NE(finish, nullptr);
  Click(finish, IDC_FINISH_RUN);
  for (int i = 0; i < 100 && Checked(finish, IDC_FINISH_RUN); ++i) Sleep(20);
  Click(frame, IDC_WIZARD_NEXT);
  EXPECT_EQ(setup.WaitExit(), 0);
  EXPECT_TRUE(Exists(folder + "\\unins000.dat"));
  EXPECT_EQ(UninstallString(), "\"" + folder + "\\unins000.exe\"");
  EXPECT_EQ(Content(folder + "\\unins000.dat").find("\\\\"), std::string::npos);
}

}  // namespace
