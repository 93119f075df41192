// The output helpers on Windows, under Wine: MoveOutput onto another volume (Q:, another
// host file system) and onto a full one (F:), "Replace" sending the file in the way to
// the Recycle Bin but never a folder, RecycleFile, decrypted files opened by an application that holds
// them (hold_file, associated with ".qlxhold" here) and deleted only once released,
// and the information box driven like a user. Boxes are recorded, not shown.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/dialogs/dialog_helpers.h"
#include "app/dialogs/output_files.h"
#include "app/logic/output_names.h"
#include "app/logic/vendor.h"
#include "platform/common/msgbox_double.h"
#include "platform/tempdir.h"
#include "resources/resource.h"
#include "tests/support/win32/files.h"
#include "tests/support/win32/folders.h"
#include "tests/support/win32/processes.h"
#include "tests/support/win32/window_driver.h"

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string Pattern(std::size_t size, unsigned seed) {
  std::string out(size, '\0');
  for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 9)) & 0xFF);
  return out;
}

std::string Temp(const std::string& name) { return std::string(TempFolder()) + name; }

class OutputsTest : public ::testing::Test {
 protected:
  void SetUp() override { BoxDoubleReset(); }
  std::vector<std::string> Warnings() const {
    std::vector<std::string> texts;
    for (const RecordedBox& box : BoxDoubleLog())
      if (box.kind == BoxKind::Warning) texts.push_back(box.text);
    return texts;
  }
};

// --- moving outputs -------------------------------------------------------------------

TEST_F(OutputsTest, MoveOutputCrossesVolumesWithTheWholeFile) {
  const std::string other = Env("QLX_OTHER_VOLUME");
  ASSERT_FALSE(other.empty()) << "run through run_outputs_tests.sh";
  const std::string from = Temp("file.vek");
  const std::string to = other + "report.doc.vek";
  const std::string content = Pattern(3 * 1024 * 1024 + 17, 1);
  WriteAll(from, content);
  // the two really are different volumes: a plain rename refuses
  ASSERT_FALSE(MoveFileExA(from.c_str(), to.c_str(), 0));
  ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SAME_DEVICE));

  EXPECT_EQ(MoveOutput(from.c_str(), to.c_str()), 1);
  EXPECT_FALSE(Exists(from));
  EXPECT_TRUE(Content(to) == content) << "the moved file differs";
  EXPECT_TRUE(Warnings().empty());
  DeleteFileA(to.c_str());
}

TEST_F(OutputsTest, AFullDiskKeepsTheTemporaryFileAndLeavesNoPartialCopy) {
  const std::string full = Env("QLX_FULL_VOLUME");
  if (full.empty()) GTEST_SKIP() << "no small file system could be mounted here";
  const std::string from = Temp("big.vek");
  const std::string to = full + "big.vek";
  const std::string content = Pattern(2 * 1024 * 1024, 2);  // twice the room there is
  WriteAll(from, content);

  EXPECT_EQ(MoveOutput(from.c_str(), to.c_str()), 0);
  EXPECT_TRUE(Content(from) == content) << "the temporary file must stay whole";
  EXPECT_FALSE(Exists(to)) << "a partial copy was left on the full disk";
  const std::vector<std::string> warnings = Warnings();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0], "Unable to rename :\n   " + from + "\nin " + to +
                             "\nCheck the name and the path of the file or\ncheck if it's not used by another "
                             "application.");
  DeleteFileA(from.c_str());
}

TEST_F(OutputsTest, ReplaceSendsTheFileInTheWayToTheRecycleBin) {
  const std::string trash = Env("QLX_TRASH");
  ASSERT_FALSE(trash.empty());
  char folder[260];
  ASSERT_TRUE(MakePrivateFolder(TempFolder(), "place", folder));
  const std::string to = std::string(folder) + "replaced.doc";
  WriteAll(to, "the old report");
  const std::string from = Temp("replacing.vek");
  WriteAll(from, "the new report");

  EXPECT_EQ(MoveOutput(from.c_str(), to.c_str()), 1);
  EXPECT_EQ(Content(to), "the new report");
  EXPECT_EQ(Content(trash + "\\replaced.doc"), "the old report");
  RemovePrivateFolder(folder);
}

// A folder in the way is never recycled (nor deleted where there is no Recycle Bin):
// the move fails and says so, and the folder keeps what it holds.
TEST_F(OutputsTest, AFolderInTheWayIsNeverTakenAway) {
  const std::string trash = Env("QLX_TRASH");
  ASSERT_FALSE(trash.empty());
  char folder[260];
  ASSERT_TRUE(MakePrivateFolder(TempFolder(), "place", folder));
  const std::string to = std::string(folder) + "report.doc";
  ASSERT_TRUE(CreateDirectoryA(to.c_str(), nullptr));
  WriteAll(to + "\\inside.txt", "the user's file");
  const std::string from = Temp("replacing.vek");
  WriteAll(from, "the new report");

  EXPECT_EQ(MoveOutput(from.c_str(), to.c_str()), 0);
  EXPECT_EQ(Content(to + "\\inside.txt"), "the user's file");
  EXPECT_FALSE(Exists(trash + "\\report.doc")) << "the folder went to the Recycle Bin";
  EXPECT_EQ(Content(from), "the new report") << "the output stays where it was";
  ASSERT_EQ(Warnings().size(), 1u);
  EXPECT_EQ(Warnings()[0].rfind("Unable to rename :", 0), 0u);
  DeleteFileA(from.c_str());
  RemovePrivateFolder(folder);
}

TEST_F(OutputsTest, RecycleFileTakesARelativePathToTheRecycleBinToo) {
  const std::string trash = Env("QLX_TRASH");
  char folder[260];
  ASSERT_TRUE(MakePrivateFolder(TempFolder(), "cwd", folder));
  WriteAll(std::string(folder) + "relative.txt", "kept in the bin");
  WriteAll(std::string(folder) + "absolute.txt", "also kept");
  char previous[MAX_PATH];
  GetCurrentDirectoryA(sizeof previous, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(folder));
  RecycleFile(nullptr, "relative.txt");
  SetCurrentDirectoryA(previous);
  RecycleFile(nullptr, (std::string(folder) + "absolute.txt").c_str());

  EXPECT_FALSE(Exists(std::string(folder) + "relative.txt"));
  EXPECT_FALSE(Exists(std::string(folder) + "absolute.txt"));
  EXPECT_EQ(Content(trash + "\\relative.txt"), "kept in the bin");
  EXPECT_EQ(Content(trash + "\\absolute.txt"), "also kept");
  RemovePrivateFolder(folder);
}

// --- decrypted files opened with their application -------------------------------------

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_TIMER && wparam == 1) {
    if (OpenedFilesCleanUp(window)) KillTimer(window, 1);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

HWND MakeOwner() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = OwnerProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "QlxOpenedFilesOwner";
  RegisterClassA(&wc);
  HWND window = CreateWindowA(wc.lpszClassName, "owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                              wc.hInstance, nullptr);
  OpenedFilesCreate(window);
  return window;
}

// Runs the thread's messages (the timer's ticks among them) until done() or ms pass.
template <typename Done>
bool Pump(DWORD ms, Done done) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < ms;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (done()) return true;
    Sleep(20);
  }
  return done();
}

void SetClassCommand(const char* extension, const char* type, const std::string& command) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, extension, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), 0);
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(type), static_cast<DWORD>(strlen(type) + 1));
  RegCloseKey(key);
  const std::string path = std::string(type) + "\\shell\\open\\command";
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), 0);
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                 static_cast<DWORD>(command.size() + 1));
  RegCloseKey(key);
}

std::string DecryptedFile(const std::string& name, const std::string& content) {
  char folder[260];
  EXPECT_TRUE(MakePrivateFolder(TempFolder(), kDecryptionFolderPrefix, folder));
  const std::string path = std::string(folder) + name;
  WriteAll(path, content);
  return path;
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\') + 1); }

TEST_F(OutputsTest, OpenedFilesAreDeletedOnlyOnceTheirApplicationLetsThemGo) {
  SetClassCommand(".qlxhold", "QlxHoldFile", "\"" + TestProgramFolder() + "hold_file.exe\" \"%1\"");
  // A slow application: it opens its file 2.5 s after it was started, and holds it 3 s.
  SetEnvironmentVariableA("QLX_HOLD_DELAY_MS", "2500");
  HWND owner = MakeOwner();
  const std::string a = DecryptedFile("letter.qlxhold", "first");
  const std::string b = DecryptedFile("sheet.qlxhold", "second");
  const DWORD start = GetTickCount();
  ASSERT_EQ(OpenWithShell(owner, a.c_str()), 1);
  ASSERT_EQ(OpenWithShell(owner, b.c_str()), 1);
  SetEnvironmentVariableA("QLX_HOLD_DELAY_MS", nullptr);
  EXPECT_EQ(OpenedFilesCount(owner), 2);

  // the ticks before it starts leave the files alone, so it finds and holds both
  ASSERT_TRUE(Pump(12000, [] { return Exists(Temp("letter.qlxhold.held")) && Exists(Temp("sheet.qlxhold.held")); }))
      << "the application never opened the files";
  const DWORD held = GetTickCount();
  Pump(1300, [] { return false; });
  EXPECT_TRUE(Exists(a));
  EXPECT_TRUE(Exists(b));
  EXPECT_EQ(OpenedFilesCount(owner), 2);

  // released after 3 s: both go once the grace has passed, with their folders
  ASSERT_TRUE(Pump(20000, [owner] { return OpenedFilesCount(owner) == 0; }));
  EXPECT_GE(GetTickCount() - held, 1500u);
  EXPECT_GE(GetTickCount() - start, kOpenedFileGraceMs);
  EXPECT_FALSE(Exists(a));
  EXPECT_FALSE(Exists(b));
  EXPECT_FALSE(Exists(FolderOf(a))) << "the decryption folder stayed";
  EXPECT_FALSE(Exists(FolderOf(b)));
  EXPECT_LT(GetTickCount() - start, kOpenedFileGraceMs + 8000);
  DeleteFileA(Temp("letter.qlxhold.held").c_str());
  DeleteFileA(Temp("sheet.qlxhold.held").c_str());
  DestroyWindow(owner);
}

TEST_F(OutputsTest, AFileWithoutApplicationIsWarnedAboutAndNotLeftBehind) {
  HWND owner = MakeOwner();
  const std::string path = DecryptedFile("orphan.qlxnone", "secret");
  EXPECT_EQ(OpenWithShell(owner, path.c_str()), 0);
  EXPECT_EQ(Warnings(), std::vector<std::string>{"There is no application associated with the given file name extension"});
  EXPECT_EQ(OpenedFilesCount(owner), 0);
  EXPECT_FALSE(Exists(path));
  EXPECT_FALSE(Exists(FolderOf(path)));
  DestroyWindow(owner);
}

// --- dialog helpers -------------------------------------------------------------------

HWND PlainWindow(const char* title, DWORD style, HWND owner, int x, int y, int w, int h) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "QlxPlainWindow";
  RegisterClassA(&wc);
  return CreateWindowA(wc.lpszClassName, title, style, x, y, w, h, owner, nullptr, wc.hInstance, nullptr);
}

TEST(DialogHelpers, CenterOnParentKeepsTheSizeAndShowsTheWindowOnTop) {
  HWND parent = PlainWindow("parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 100, 50, 501, 301);
  HWND child = PlainWindow("child", WS_POPUP | WS_CAPTION, parent, 0, 0, 200, 101);
  CenterOnParent(child);
  const RECT p = WindowRect(parent), c = WindowRect(child);
  EXPECT_EQ(c.right - c.left, 200);
  EXPECT_EQ(c.bottom - c.top, 101);
  EXPECT_EQ(c.left, p.left + (p.right - p.left) / 2 - 200 / 2);
  EXPECT_EQ(c.top, p.top + (p.bottom - p.top) / 2 - 101 / 2);
  EXPECT_TRUE(IsWindowVisible(child));
  EXPECT_NE(GetWindowLongA(child, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  DestroyWindow(child);
  DestroyWindow(parent);
}

TEST(DialogHelpers, ABoldCaptionIsSizedToItsTextInPlace) {
  HWND window = PlainWindow("captions", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 10, 10, 400, 200);
  HWND caption = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, 17, 23, 10, 10, window, nullptr, nullptr, nullptr);
  SendMessageA(caption, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  MakeBoldCaptionFont(caption);
  SetBoldCaption(caption, "Choose a key for this container");

  char text[64];
  GetWindowTextA(caption, text, sizeof text);
  EXPECT_STREQ(text, "Choose a key for this container");
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(caption, WM_GETFONT, 0, 0));
  LOGFONTA bold;
  ASSERT_EQ(GetObjectA(font, sizeof bold, &bold), static_cast<int>(sizeof bold));
  EXPECT_EQ(bold.lfWeight, FW_BOLD);
  HDC dc = GetDC(caption);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE extent;
  GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
  SelectObject(dc, old);
  ReleaseDC(caption, dc);
  RECT r = WindowRect(caption);
  MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 17);
  EXPECT_EQ(r.top, 23);
  EXPECT_EQ(r.right - r.left, extent.cx);
  EXPECT_EQ(r.bottom - r.top, extent.cy);
  DestroyWindow(window);
  DeleteBoldCaptionFont();
}

// --- the open dialog ---------------------------------------------------------------------

TEST(FileDialogTest, OneFileAndSeveralComeBackInTheSameShape) {
  char folder[260];
  ASSERT_TRUE(MakePrivateFolder(TempFolder(), "pick", folder));
  for (const char* name : {"a.doc", "b.doc", "c.txt"}) WriteAll(std::string(folder) + name, name);
  const std::string out = Temp("chosen.txt");
  struct Case {
    const char* typed;  // into the dialog's file-name field; nullptr: Cancel
    long result;
    std::string shape;  // NULs shown as "|"
  } cases[] = {
      {"a.doc", 1, std::string(folder) + "|a.doc||"},
      {"\"a.doc\" \"b.doc\" \"c.txt\"", 1, std::string(folder) + "|a.doc|b.doc|c.txt||"},
      {nullptr, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed ? c.typed : "cancel");
    DeleteFileA(out.c_str());
    Program demo("outputs_demo.exe", {"open", folder, out});
    HWND dialog = WaitForWindow("Open a file...", demo.pid());
    ASSERT_NE(dialog, nullptr);
    Sync(dialog);
    if (c.typed) {
      SetControlText(dialog, 0x47C, c.typed);  // the file-name field (cmb13)
      Click(dialog, IDOK);
    } else {
      Click(dialog, IDCANCEL);
    }
    EXPECT_EQ(demo.WaitExit(), c.result);
    EXPECT_EQ(Content(out), c.shape);
  }
  RemovePrivateFolder(folder);
}

// --- the information box -------------------------------------------------------------

RECT ClientRectOf(HWND box, int id) {
  RECT r = ControlRect(box, id);
  MapWindowPoints(HWND_DESKTOP, box, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST(InfoBoxTest, ShowsTheTextAndTheLinkLaidOutAndEndsLikeABox) {
  Program demo("outputs_demo.exe", {"info", "The key was added to your list. Keep a copy of it in a safe place, "
                                            "away from this computer.\\nThank you."});
  ASSERT_TRUE(demo.started());
  HWND box = WaitForWindow("Quillnox", demo.pid());
  ASSERT_NE(box, nullptr);
  Sync(box);
  EXPECT_EQ(ControlText(box, IDC_BOX_TEXT),
            "The key was added to your list. Keep a copy of it in a safe place, away from this computer.\nThank you.");
  EXPECT_EQ(ControlText(box, IDC_INFO_LINK), VENDOR_WEB_ADDRESS);
  RECT client;
  GetClientRect(box, &client);
  const int cw = client.right, ch = client.bottom;
  const RECT text = ClientRectOf(box, IDC_BOX_TEXT), link = ClientRectOf(box, IDC_INFO_LINK),
             ok = ClientRectOf(box, IDOK), separator = ClientRectOf(box, IDC_BOX_SEPARATOR);
  EXPECT_EQ(text.left, cw - 231);
  EXPECT_EQ(text.top, 56);
  EXPECT_EQ(text.right - text.left, 216);
  EXPECT_GE(text.bottom - text.top, 11 * 3);  // a line that wraps, a line feed
  const RECT window = WindowRect(box);
  EXPECT_EQ(window.bottom - window.top, text.bottom - text.top + 144);
  EXPECT_EQ(link.top, ch - 60);
  EXPECT_GE(link.right - link.left, 120);
  EXPECT_LE(link.left, cw - 160);
  EXPECT_LE(link.right, cw - 12);
  EXPECT_EQ(ok.left, cw - 84);
  EXPECT_EQ(ok.top, ch - 29);
  EXPECT_EQ(ok.right - ok.left, 72);
  EXPECT_EQ(separator.top, ch - 37);
  EXPECT_EQ(separator.right - separator.left, cw - 6);
  EXPECT_LE(text.bottom, link.top) << "the text runs into the link";
  PressKey(box, VK_ESCAPE);
  EXPECT_EQ(demo.WaitExit(), 0);

  Program closed("outputs_demo.exe", {"info", "Closed from the title bar."});
  box = WaitForWindow("Quillnox", closed.pid());
  ASSERT_NE(box, nullptr);
  CloseFromTitleBar(box);
  EXPECT_EQ(closed.WaitExit(), 1);

  Program ok_pressed("outputs_demo.exe", {"info", "OK pressed."});
  box = WaitForWindow("Quillnox", ok_pressed.pid());
  ASSERT_NE(box, nullptr);
  Click(box, IDOK);
  EXPECT_EQ(ok_pressed.WaitExit(), 0);
}

// Pixels of pure blue on the screen inside a window's rectangle.
int BluePixels(HWND window) {
  const RECT r = WindowRect(window);
  HDC screen = GetDC(nullptr);
  int blue = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      if (GetPixel(screen, x, y) == RGB(0, 0, 255)) ++blue;
  ReleaseDC(nullptr, screen);
  return blue;
}

TEST(InfoBoxTest, TheLinkTurnsBlueUnderTheMouse) {
  Program demo("outputs_demo.exe", {"info", "Hover the link."});
  HWND box = WaitForWindow("Quillnox", demo.pid());
  ASSERT_NE(box, nullptr);
  HWND link = GetDlgItem(box, IDC_INFO_LINK);
  const RECT r = WindowRect(link);
  SetCursorPos(r.left - 40, r.top - 40);  // away from it first
  Sleep(300);
  Sync(box);
  EXPECT_EQ(BluePixels(link), 0);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  int blue = 0;
  for (DWORD s = GetTickCount(); GetTickCount() - s < 3000 && blue == 0; Sleep(100)) {
    Sync(box);
    blue = BluePixels(link);
  }
  EXPECT_GT(blue, 0) << "the hovered link is not drawn in blue";
  SetCursorPos(r.left - 40, r.top - 40);
  int left = -1;
  for (DWORD s = GetTickCount(); GetTickCount() - s < 3000 && left != 0; Sleep(100)) {
    Sync(box);
    left = BluePixels(link);
  }
  EXPECT_EQ(left, 0) << "the link stays blue once the mouse has left";
  Click(box, IDOK);
  EXPECT_EQ(demo.WaitExit(), 0);
}

TEST(InfoBoxTest, TheLinkOpensTheMakersSite) {
  const std::string record = Temp("opened-address.txt");
  DeleteFileA(record.c_str());
  for (const char* scheme : {"http", "https"})
    SetClassCommand(scheme, scheme,
                    "\"" + TestProgramFolder() + "hold_file.exe\" --record \"" + record + "\" \"%1\"");
  Program demo("outputs_demo.exe", {"info", "Visit us."});
  HWND box = WaitForWindow("Quillnox", demo.pid());
  ASSERT_NE(box, nullptr);
  HWND link = GetDlgItem(box, IDC_INFO_LINK);
  PostMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  for (DWORD s = GetTickCount(); GetTickCount() - s < 8000 && Content(record).empty();) Sleep(100);
  char expected[300];
  VendorOpenAddress(expected, sizeof expected);
  EXPECT_NE(Content(record).find(VENDOR_WEB_ADDRESS), std::string::npos) << Content(record);
  Click(box, IDOK);
  EXPECT_EQ(demo.WaitExit(), 0);
}

}  // namespace
