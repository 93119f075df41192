// Quillnox.exe as the user meets it: the first start's size and placement, the
// settings it keeps ("ClassName", "xywh", "visible"), the controls and captions of
// encryption mode, keys that must not close it, Quit, the frame snap, a second start
// that hands its command line over (to the main window only), command lines that end
// without a window, placements that lie on no monitor, the passphrase field's length,
// and the key field and password toggle after the passphrase list dialog.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/win32/files.h"
#include "tests/support/win32/folders.h"
#include "tests/support/win32/processes.h"
#include "tests/support/win32/window_driver.h"

namespace {

constexpr char kProgram[] = "Quillnox.exe";
constexpr char kTitle[] = "Quillnox";
constexpr char kMachineKey[] = "Software\\Orvanel\\Quillnox\\4.10EN";

std::string ReadString(const char* name) {
  char buffer[260] = "";
  DWORD size = sizeof buffer;
  if (RegGetValueA(HKEY_CURRENT_USER, kMachineKey, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) {
    return "<missing>";
  }
  return buffer;
}

void WriteString(const char* name, const char* text) {
  RegSetKeyValueA(HKEY_CURRENT_USER, kMachineKey, name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1));
}

bool ReadRect(int out[4]) {
  DWORD size = 16;
  return RegGetValueA(HKEY_CURRENT_USER, kMachineKey, "xywh", RRF_RT_REG_BINARY, nullptr, out, &size) ==
             ERROR_SUCCESS && size == 16;
}

void WriteRect(int x, int y, int width, int height) {
  const std::int32_t values[4] = {x, y, width, height};
  RegSetKeyValueA(HKEY_CURRENT_USER, kMachineKey, "xywh", REG_BINARY, values, sizeof values);
}

// Writes the list file naming the given files (made with a little content).
std::string WriteList(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) {
    const std::string path = TemporaryFolder() + name;
    WriteAll(path, "content of " + name);
    text += path + "\n";
  }
  const std::string list = TemporaryFolder() + "vekflist.tmp";
  WriteAll(list, text);
  return list;
}

int ItemCount(HWND window) {
  DWORD_PTR count = 0;
  SendMessageTimeoutA(GetDlgItem(window, IDC_MAIN_FILES), LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
  return static_cast<int>(count);
}

// Sent, so it has been handled when this returns (a posted message may still wait
// behind the Sync of the driver, which is sent).
void SendAndWait(HWND window, UINT message, WPARAM wparam) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(window, message, wparam, 0, SMTO_ABORTIFHUNG, 5000, &result);
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// Each test starts from no settings of this version, with the machine-wide key that
// the installer makes.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kMachineKey);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMachineKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    DeleteFileA((TemporaryFolder() + "vekflist.tmp").c_str());
  }
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kMachineKey); }

  // Starts the program and waits for its window.
  HWND Start(Program& program) {
    if (!program.started()) return nullptr;
    HWND window = WaitForWindow(kTitle, program.pid());
    if (window) Sync(window);
    return window;
  }
};

TEST_F(MainWindowTest, FirstStartShowsEncryptionModeAtTheDefaultSizeAndQuitStoresPlacement) {
  Program quillnox(kProgram, {});
  HWND window = Start(quillnox);
  ASSERT_NE(window, nullptr);

  const RECT first = WindowRect(window);
  EXPECT_EQ(Width(first), 340);
  EXPECT_EQ(Height(first), 440);
  char class_name[100] = "";
  GetClassNameA(window, class_name, sizeof class_name);
  EXPECT_EQ(ReadString("ClassName"), class_name);
  // No stored passphrase is selected and none was identified: the field asks for one.
  EXPECT_EQ(ControlText(window, IDC_MAIN_KEY_FIELD), "Password");

  // Encryption mode: the ids of the pairs and the captions.
  for (int id : {IDC_MAIN_TEXT, IDC_MAIN_FILES, IDC_MAIN_KEY_FIELD, IDC_MAIN_KEY_BUTTON, IDC_MAIN_OPEN, IDC_MAIN_NEW,
                 IDC_MAIN_SEND, IDC_MAIN_LOCAL, IDC_MAIN_QUIT, IDC_MAIN_REPLY, IDC_MAIN_ALGO_DES,
                 IDC_MAIN_PASSWORD_OFF, IDC_MAIN_SELFX_OFF, IDC_MAIN_HELP, IDC_MAIN_BANNER, IDC_MAIN_FILLER}) {
    EXPECT_TRUE(ControlVisible(window, id)) << id;
  }
  for (int id : {IDC_MAIN_DECRYPT_OPEN, IDC_MAIN_OPEN_CAPTION, IDC_MAIN_ALGO_AES, IDC_MAIN_PASSWORD_ON,
                 IDC_MAIN_SELFX_ON}) {
    EXPECT_EQ(GetDlgItem(window, id), nullptr) << id;
  }
  EXPECT_NE(GetDlgItem(window, IDC_OPENED_FILES), nullptr);
  EXPECT_FALSE(ControlVisible(window, IDC_OPENED_FILES));
  EXPECT_EQ(ControlText(window, IDC_MAIN_REPLY_CAPTION), "Reply");
  EXPECT_EQ(ControlText(window, IDC_MAIN_SEND_CAPTION), "Send");
  EXPECT_EQ(ControlText(window, IDC_MAIN_LOCAL_CAPTION), "Encrypt");
  EXPECT_EQ(ControlText(window, IDC_MAIN_QUIT_CAPTION), "Quit");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_MAIN_REPLY)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_MAIN_REPLY_CAPTION)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDC_MAIN_SEND)));

  // Every caption shows its whole text: its width is its text's.
  for (int id : {IDC_MAIN_REPLY_CAPTION, IDC_MAIN_SEND_CAPTION, IDC_MAIN_LOCAL_CAPTION, IDC_MAIN_QUIT_CAPTION}) {
    EXPECT_GT(Width(ControlRect(window, id)), 10) << id;
  }

  // It cannot be made smaller than the default size.
  SetWindowPos(window, nullptr, 0, 0, 200, 150, SWP_NOMOVE | SWP_NOZORDER);
  Sync(window);
  EXPECT_EQ(Width(WindowRect(window)), 340);
  EXPECT_EQ(Height(WindowRect(window)), 440);

  // Escape and Enter do not close it; Enter in the text field makes a new line.
  SetForegroundWindow(window);
  SetFocus(GetDlgItem(window, IDC_MAIN_TEXT));
  PressKey(window, VK_ESCAPE);
  PostMessageA(window, WM_COMMAND, IDOK, 0);
  PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
  PostMessageA(window, WM_CLOSE, 0, 0);
  Sync(window);
  EXPECT_EQ(quillnox.WaitExit(300), -1);
  EXPECT_TRUE(IsWindow(window));

  SetWindowPos(window, nullptr, 30, 40, 420, 480, SWP_NOZORDER);
  Sync(window);
  const RECT moved = WindowRect(window);
  Click(window, IDC_MAIN_QUIT);
  EXPECT_EQ(quillnox.WaitExit(), 0);
  EXPECT_EQ(ReadString("ClassName"), "");
  int stored[4] = {};
  ASSERT_TRUE(ReadRect(stored));
  EXPECT_EQ(stored[0], moved.left);
  EXPECT_EQ(stored[1], moved.top);
  EXPECT_EQ(stored[2], Width(moved));
  EXPECT_EQ(stored[3], Height(moved));

  // The next start takes the stored placement.
  Program again(kProgram, {});
  HWND second = Start(again);
  ASSERT_NE(second, nullptr);
  const RECT placed = WindowRect(second);
  EXPECT_EQ(placed.left, moved.left);
  EXPECT_EQ(placed.top, moved.top);
  EXPECT_EQ(Width(placed), Width(moved));
  EXPECT_EQ(Height(placed), Height(moved));
  CloseFromTitleBar(second);
  EXPECT_EQ(again.WaitExit(), 0);
  EXPECT_EQ(ReadString("ClassName"), "");
}

// Wine (8.0, virtual desktop) keeps WS_EX_TOPMOST out of the extended style even for
// a window made top-most, and its menus belong to their process, so the test sees the
// toggle through the stored setting and the placement.
// Closed while minimised, the window stores the rectangle it has when shown; a stored
// rectangle that lies on no monitor is ignored at start.
TEST_F(MainWindowTest, APlacementOffEveryMonitorIsNeitherStoredNorUsed) {
  {
    Program quillnox(kProgram, {});
    HWND window = Start(quillnox);
    ASSERT_NE(window, nullptr);
    SetWindowPos(window, nullptr, 60, 70, 400, 480, SWP_NOZORDER);
    Sync(window);
    const RECT shown = WindowRect(window);
    SendAndWait(window, WM_SYSCOMMAND, SC_MINIMIZE);
    ASSERT_TRUE(IsIconic(window));
    CloseFromTitleBar(window);
    EXPECT_EQ(quillnox.WaitExit(), 0);
    int stored[4] = {};
    ASSERT_TRUE(ReadRect(stored));
    EXPECT_EQ(stored[0], shown.left);
    EXPECT_EQ(stored[1], shown.top);
    EXPECT_EQ(stored[2], Width(shown));
    EXPECT_EQ(stored[3], Height(shown));
  }
  // What an older version stored when it was closed minimised.
  WriteRect(-32000, -32000, 160, 28);
  Program quillnox(kProgram, {});
  HWND window = Start(quillnox);
  ASSERT_NE(window, nullptr);
  const RECT placed = WindowRect(window);
  EXPECT_EQ(Width(placed), 340);
  EXPECT_EQ(Height(placed), 440);
  EXPECT_GE(placed.left, 0);
  EXPECT_GE(placed.top, 0);
  EXPECT_LE(placed.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_LE(placed.bottom, GetSystemMetrics(SM_CYSCREEN));
  Click(window, IDC_MAIN_QUIT);
  EXPECT_EQ(quillnox.WaitExit(), 0);
}

// A second start finds the main window by what only it carries: not a dialog of the
// same class and title, neither one of this program's nor one of another program's
// left behind with a stale "ClassName".
TEST_F(MainWindowTest, ASecondStartReachesTheMainWindowNotADialogTitledLikeIt) {
  Program quillnox(kProgram, {});
  HWND window = Start(quillnox);
  ASSERT_NE(window, nullptr);
  Click(window, IDC_MAIN_PASSWORD_OFF);  // the protection dialog, titled "Quillnox" too
  HWND protection = nullptr;
  for (int i = 0; i < 200 && protection == nullptr; ++i) {
    Sleep(25);
    HWND found = WaitForWindow(kTitle, quillnox.pid(), 0);
    if (found && found != window && GetDlgItem(found, IDCANCEL)) protection = found;
    HWND foreground = GetForegroundWindow();
    if (!protection && foreground && foreground != window && GetDlgItem(foreground, IDC_PROTECT_ACTIVATE))
      protection = foreground;
  }
  ASSERT_NE(protection, nullptr);
  const std::string list = WriteList({"handed.txt"});
  Program second(kProgram, {"/d", list});
  EXPECT_EQ(second.WaitExit(), 0);
  PostMessageA(protection, WM_COMMAND, IDCANCEL, 0);
  Sync(window);
  for (int i = 0; i < 80 && ItemCount(window) == 0; ++i) Sleep(25);
  EXPECT_EQ(ItemCount(window), 1) << "the hand-over went to the dialog";
  Click(window, IDC_MAIN_QUIT);
  EXPECT_EQ(quillnox.WaitExit(), 0);

  // A "ClassName" left behind, and another program's dialog of that class and title.
  Program other("keys_demo.exe", {"protect"});
  HWND dialog = nullptr;
  for (int i = 0; i < 400 && dialog == nullptr; ++i) {
    Sleep(25);
    HWND found = WaitForWindow(kTitle, other.pid(), 0);
    if (found && GetDlgItem(found, IDC_PROTECT_ACTIVATE)) dialog = found;
  }
  ASSERT_NE(dialog, nullptr);
  char dialog_class[100] = "";
  GetClassNameA(dialog, dialog_class, sizeof dialog_class);
  WriteString("ClassName", dialog_class);
  Program again(kProgram, {});
  HWND own = nullptr;
  for (int i = 0; i < 400 && own == nullptr && again.WaitExit(0) == -1; ++i) {
    Sleep(25);
    HWND found = WaitForWindow(kTitle, again.pid(), 0);
    if (found && GetDlgItem(found, IDC_MAIN_FILES)) own = found;
  }
  ASSERT_NE(own, nullptr) << "the program handed over to the other program's dialog and ended";
  Click(own, IDC_MAIN_QUIT);
  EXPECT_EQ(again.WaitExit(), 0);
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(other.WaitExit(), 0);
}

// The passphrase is used as the field shows it: the field takes 31 characters, and a
// longer text (put there past the limit) is refused, not cut.
TEST_F(MainWindowTest, APassphraseIsUsedWholeOrNotAtAll) {
  Program quillnox(kProgram, {});
  HWND window = Start(quillnox);
  ASSERT_NE(window, nullptr);
  HWND field = GetDlgItem(window, IDC_MAIN_KEY_FIELD);
  DWORD_PTR limit = 0;
  SendMessageTimeoutA(field, EM_GETLIMITTEXT, 0, 0, SMTO_ABORTIFHUNG, 2000, &limit);
  EXPECT_EQ(limit, 31u);
  SetControlText(window, IDC_MAIN_KEY_FIELD, "");
  for (int i = 0; i < 40; ++i) PostMessageA(field, WM_CHAR, 'a' + i % 26, 1);
  // Posted characters are handled after anything sent: wait until the field settles.
  std::string typed;
  for (int still = 0, i = 0; still < 8 && i < 200; ++i) {
    Sleep(25);
    const std::string now = ControlText(window, IDC_MAIN_KEY_FIELD);
    still = now == typed ? still + 1 : 0;
    typed = now;
  }
  EXPECT_EQ(typed, std::string("abcdefghijklmnopqrstuvwxyzabcde"));

  SetControlText(window, IDC_MAIN_KEY_FIELD, std::string(40, 'p'));
  SetControlText(window, IDC_MAIN_TEXT, "a message");
  Click(window, IDC_MAIN_LOCAL);
  HWND box = WaitForWindow("Quillnox Warning", quillnox.pid());
  ASSERT_NE(box, nullptr) << "the passphrase was cut and used";
  EXPECT_EQ(ControlText(box, IDC_BOX_TEXT), "The password is longer than 31 characters.\nPlease, shorten it.");
  Click(box, IDC_BOX_BUTTON3);
  Sync(window);
  EXPECT_EQ(WaitForWindow("Encrypt the text in...", quillnox.pid(), 500), nullptr) << "nothing was encrypted";
  Click(window, IDC_MAIN_QUIT);
  EXPECT_EQ(quillnox.WaitExit(), 0);
}

TEST_F(MainWindowTest, AlwaysVisibleTheMenuToggleStoresIt) {
  {
    // A first start writes the version's settings (the passphrase list among them).
    Program first(kProgram, {});
    HWND window = Start(first);
    ASSERT_NE(window, nullptr);
    Click(window, IDC_MAIN_QUIT);
    ASSERT_EQ(first.WaitExit(), 0);
  }
  WriteString("visible", "1");
  WriteRect(50, 60, 400, 500);

  Program quillnox(kProgram, {});
  HWND window = Start(quillnox);
  ASSERT_NE(window, nullptr);
  const RECT placed = WindowRect(window);
  EXPECT_EQ(placed.left, 50);
  EXPECT_EQ(placed.top, 60);
  EXPECT_EQ(Width(placed), 400);
  EXPECT_EQ(Height(placed), 500);

  SendAndWait(window, WM_SYSCOMMAND, IDM_ALWAYS_VISIBLE);
  EXPECT_EQ(ReadString("visible"), "0");
  SendAndWait(window, WM_SYSCOMMAND, IDM_ALWAYS_VISIBLE);
  EXPECT_EQ(ReadString("visible"), "1");
  Click(window, IDC_MAIN_QUIT);
  EXPECT_EQ(quillnox.WaitExit(), 0);
}

TEST_F(MainWindowTest, FrameSnapFitsTheTextThenReturnsToTheDefault) {
  Program quillnox(kProgram, {});
  HWND window = Start(quillnox);
  ASSERT_NE(window, nullptr);
  SetWindowPos(window, nullptr, 100, 50, 500, 600, SWP_NOZORDER);
  Sync(window);
  SendAndWait(window, WM_NCLBUTTONDBLCLK, HTBOTTOMRIGHT);
  RECT r = WindowRect(window);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(Width(r), 340);
  EXPECT_EQ(Height(r), 440);

  SetControlText(window, IDC_MAIN_TEXT,
                 "short\r\nThis line of the message is clearly the longest one of them all, by far\r\nend");
  SendAndWait(window, WM_NCLBUTTONDBLCLK, HTLEFT);
  r = WindowRect(window);
  EXPECT_EQ(r.right, 440);  // the right edge stays
  EXPECT_GT(Width(r), 340);
  const int fitted = Width(r);
  SendAndWait(window, WM_NCLBUTTONDBLCLK, HTLEFT);
  r = WindowRect(window);
  EXPECT_EQ(r.right, 440);
  EXPECT_EQ(Width(r), 340);
  SendAndWait(window, WM_NCLBUTTONDBLCLK, HTRIGHT);
  EXPECT_EQ(Width(WindowRect(window)), fitted);
  EXPECT_EQ(WindowRect(window).left, r.left);  // the left edge stays
  Click(window, IDC_MAIN_QUIT);
  EXPECT_EQ(quillnox.WaitExit(), 0);
}

TEST_F(MainWindowTest, SecondStartHandsItsListOverAndTheListGrowsItsRow) {
  Program quillnox(kProgram, {});
  HWND window = Start(quillnox);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ItemCount(window), 0);
  const int list_height = Height(ControlRect(window, IDC_MAIN_FILES));
  const int text_height = Height(ControlRect(window, IDC_MAIN_TEXT));
  EXPECT_EQ(list_height, 21);
  SetControlText(window, IDC_MAIN_TEXT, "kept text");

  const std::string list = WriteList({"first.txt"});
  Program second(kProgram, {"/d", list});
  ASSERT_TRUE(second.started());
  EXPECT_EQ(second.WaitExit(), 0);
  Sync(window);
  EXPECT_EQ(ItemCount(window), 1);
  EXPECT_EQ(Height(ControlRect(window, IDC_MAIN_FILES)), 21);

  // Appended to a document that has files; the text stays.
  std::vector<std::string> many;
  for (int i = 0; i < 14; ++i) many.push_back("file number " + std::to_string(i) + ".txt");
  const std::string list2 = WriteList(many);
  Program third(kProgram, {"/d", list2});
  EXPECT_EQ(third.WaitExit(), 0);
  Sync(window);
  EXPECT_EQ(ItemCount(window), 15);
  EXPECT_EQ(ControlText(window, IDC_MAIN_TEXT), "kept text");
  EXPECT_EQ(Height(ControlRect(window, IDC_MAIN_FILES)), 38);
  EXPECT_EQ(Height(ControlRect(window, IDC_MAIN_TEXT)), text_height - 17);

  // "/EXPORTWINDOW" on a second start empties the document.
  Program fourth(kProgram, {"/EXPORTWINDOW"});
  EXPECT_EQ(fourth.WaitExit(), 0);
  Sync(window);
  EXPECT_EQ(ItemCount(window), 0);
  EXPECT_EQ(ControlText(window, IDC_MAIN_TEXT), "");

  // "/s" in a running window: nothing happens.
  WriteList({"again.txt"});
  Program fifth(kProgram, {"/m"});
  EXPECT_EQ(fifth.WaitExit(), 0);
  Sync(window);
  EXPECT_EQ(ItemCount(window), 1);
  Program sixth(kProgram, {"/s"});
  EXPECT_EQ(sixth.WaitExit(), 0);
  Sync(window);
  EXPECT_EQ(ItemCount(window), 1);
  Click(window, IDC_MAIN_QUIT);
  EXPECT_EQ(quillnox.WaitExit(), 0);
}

TEST_F(MainWindowTest, HandOverIgnoresMalformedCopyData) {
  Program quillnox(kProgram, {});
  HWND window = Start(quillnox);
  ASSERT_NE(window, nullptr);
  const std::string list = WriteList({"one.txt"});
  std::string line = "/d " + list;
  auto send = [&](ULONG_PTR tag, const void* data, DWORD size) {
    COPYDATASTRUCT copy = {tag, size, const_cast<void*>(data)};
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy), SMTO_ABORTIFHUNG, 5000, &result);
    return result;
  };
  EXPECT_EQ(send(1, line.c_str(), static_cast<DWORD>(line.size() + 1)), 1u);  // dwData not 0
  EXPECT_EQ(send(0, line.c_str(), static_cast<DWORD>(line.size())), 1u);      // no NUL within cbData
  EXPECT_EQ(send(0, line.c_str(), 0), 1u);
  std::string padded = line;
  padded.resize(1100, '\0');
  EXPECT_EQ(send(0, padded.data(), 1025), 1u);  // longer than the command-line buffer
  EXPECT_EQ(ItemCount(window), 0);
  EXPECT_EQ(send(0, line.c_str(), static_cast<DWORD>(line.size() + 1)), 1u);
  EXPECT_EQ(ItemCount(window), 1);
  Click(window, IDC_MAIN_QUIT);
  EXPECT_EQ(quillnox.WaitExit(), 0);
}

TEST_F(MainWindowTest, CommandLinesThatEndWithoutAWindow) {
  {
    Program silent(kProgram, {"/s"});
    ASSERT_TRUE(silent.started());
    EXPECT_EQ(silent.WaitExit(), 0);
  }
  {
    // "/ks:" with 31 digits, or at position 1: nothing happens. (No space in the line:
    // a quoted argument would end in '"', which the line would take as a 32nd digit.)
    Program key(kProgram, {"C:\\x.vek/ks:" + std::string(31, 'A')});
    EXPECT_EQ(key.WaitExit(), 0);
    Program early(kProgram, {"a/ks:" + std::string(32, 'A')});
    EXPECT_EQ(early.WaitExit(), 0);
  }
  {
    // A line longer than the 1024-character buffer is refused with a warning.
    Program too_long(kProgram, {std::string(1100, 'x')});
    HWND box = WaitForWindow("Quillnox Warning", too_long.pid());
    ASSERT_NE(box, nullptr);
    EXPECT_NE(ControlText(box, IDC_BOX_TEXT).find("1023"), std::string::npos);
    Click(box, IDC_BOX_BUTTON3);
    EXPECT_EQ(too_long.WaitExit(), 0);
  }
  EXPECT_EQ(ReadString("ClassName"), "<missing>") << "no window was made";
}

TEST_F(MainWindowTest, TogglesSwitchTheirIdsAndTheAlgorithmMenuOpens) {
  Program quillnox(kProgram, {});
  HWND window = Start(quillnox);
  ASSERT_NE(window, nullptr);

  // The self-extracting toggle: 1245 (off) becomes 1244 (on) and back.
  Click(window, IDC_MAIN_SELFX_OFF);
  Sync(window);
  for (int i = 0; i < 40 && GetDlgItem(window, IDC_MAIN_SELFX_ON) == nullptr; ++i) Sleep(25);
  EXPECT_NE(GetDlgItem(window, IDC_MAIN_SELFX_ON), nullptr);
  EXPECT_EQ(GetDlgItem(window, IDC_MAIN_SELFX_OFF), nullptr);
  Click(window, IDC_MAIN_SELFX_ON);
  Sync(window);
  for (int i = 0; i < 40 && GetDlgItem(window, IDC_MAIN_SELFX_OFF) == nullptr; ++i) Sleep(25);
  EXPECT_NE(GetDlgItem(window, IDC_MAIN_SELFX_OFF), nullptr);

  // The algorithm menu in encryption mode; cancelled, it changes nothing.
  Click(window, IDC_MAIN_ALGO_DES);
  HWND menu = WaitForPopupMenu(quillnox.pid());
  EXPECT_NE(menu, nullptr);
  PostMessageA(window, WM_CANCELMODE, 0, 0);
  Sync(window);
  EXPECT_NE(GetDlgItem(window, IDC_MAIN_ALGO_DES), nullptr);
  EXPECT_EQ(ReadString("algo"), "1");

  // "algo" 2 shows the AES toggle once the buttons are brought up to date.
  WriteString("algo", "2");
  Click(window, IDC_MAIN_PASSWORD_OFF);  // the access-password dialog; it ends with UpdateButtons
  HWND protection = nullptr;
  for (int i = 0; i < 200 && protection == nullptr; ++i) {
    Sleep(25);
    HWND found = GetForegroundWindow();
    if (found && found != window && GetDlgItem(found, IDCANCEL)) protection = found;
  }
  ASSERT_NE(protection, nullptr);
  PostMessageA(protection, WM_COMMAND, IDCANCEL, 0);
  Sync(window);
  for (int i = 0; i < 40 && GetDlgItem(window, IDC_MAIN_ALGO_AES) == nullptr; ++i) Sleep(25);
  EXPECT_NE(GetDlgItem(window, IDC_MAIN_ALGO_AES), nullptr);
  Click(window, IDC_MAIN_QUIT);
  EXPECT_EQ(quillnox.WaitExit(), 0);
}

// A box of the process with this title; its text, closed with its right-hand button.
std::string AnswerBox(DWORD pid, const char* title = "Quillnox Warning", int button = IDC_BOX_BUTTON3) {
  HWND box = WaitForWindow(title, pid, 10000);
  if (box == nullptr) return "<no box>";
  Sync(box);
  const std::string text = ControlText(box, IDC_BOX_TEXT);
  Click(box, button);
  for (int i = 0; i < 200 && IsWindow(box); ++i) Sleep(25);
  return text;
}

// A dialog of the process titled "Quillnox" that holds control id.
HWND WaitForQuillnoxDialog(DWORD pid, int id, HWND other = nullptr) {
  for (int i = 0; i < 400; ++i) {
    HWND found = WaitForWindow(kTitle, pid, 0);
    if (found && found != other && GetDlgItem(found, id)) return found;
    Sleep(25);
  }
  return nullptr;
}

// The key field and the password toggle show the list and the protection as they are
// after the passphrase list dialog, however it was closed: here through
// "/EXPORTWINDOW" and "Yes, set a password", then by the system menu's close.
TEST_F(MainWindowTest, TheKeyFieldAndThePasswordToggleFollowTheListDialog) {
  Program quillnox(kProgram, {"/EXPORTWINDOW"});
  HWND window = Start(quillnox);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(AnswerBox(quillnox.pid()), "Please, select the keys to export.");
  HWND dialog = WaitForWindow("Key management", quillnox.pid());
  ASSERT_NE(dialog, nullptr);
  Sync(dialog);
  SetControlText(dialog, IDC_KEY_NAME, "first");
  SetControlText(dialog, IDC_KEY_VALUE, "v-first");
  Click(dialog, IDC_KEY_ADD);
  Sync(dialog);
  Click(dialog, IDC_KEY_OK);
  EXPECT_EQ(AnswerBox(quillnox.pid(), "Quillnox Warning", IDC_BOX_BUTTON1).rfind("You entered 1 new key.", 0), 0u);
  HWND protection = WaitForQuillnoxDialog(quillnox.pid(), IDC_PROTECT_ACTIVATE, window);
  ASSERT_NE(protection, nullptr) << "\"Yes\" leads to the protection dialog";
  Sync(protection);
  Click(protection, IDC_PROTECT_ACTIVATE);
  for (int i = 0; i < 80 && !IsWindowEnabled(GetDlgItem(protection, IDC_PROTECT_NEW)); ++i) Sleep(25);
  SetControlText(protection, IDC_PROTECT_NEW, "pw");
  SetControlText(protection, IDC_PROTECT_CONFIRM, "pw");
  Click(protection, IDOK);
  EXPECT_EQ(AnswerBox(quillnox.pid()), "Your password is correctly recorded\nOpening Quillnox is protected");
  Sync(window);
  for (int i = 0; i < 80 && GetDlgItem(window, IDC_MAIN_PASSWORD_ON) == nullptr; ++i) Sleep(25);
  EXPECT_NE(GetDlgItem(window, IDC_MAIN_PASSWORD_ON), nullptr) << "the toggle shows the protection on";
  EXPECT_EQ(ControlText(window, IDC_MAIN_KEY_FIELD), "first");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_MAIN_KEY_FIELD)));

  // "Manual", then "List..." closed by the system menu after an add: the add stays, and
  // the field shows the new key at once.
  auto choose = [&](int downs) {
    Click(window, IDC_MAIN_KEY_BUTTON);
    HWND menu = WaitForPopupMenu(quillnox.pid());
    if (menu == nullptr) return false;
    for (int i = 0; i < downs; ++i) {
      PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 1);
      PostMessageA(menu, WM_KEYUP, VK_DOWN, 0xC0000001);
    }
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(menu, WM_KEYUP, VK_RETURN, 0xC0000001);
    return true;
  };
  ASSERT_TRUE(choose(3));  // first, separator, "List...", "Manual"
  for (int i = 0; i < 80 && !IsWindowEnabled(GetDlgItem(window, IDC_MAIN_KEY_FIELD)); ++i) Sleep(25);
  ASSERT_EQ(ControlText(window, IDC_MAIN_KEY_FIELD), "Password");
  ASSERT_TRUE(choose(2));
  dialog = WaitForWindow("Key management", quillnox.pid());
  ASSERT_NE(dialog, nullptr);
  Sync(dialog);
  SetControlText(dialog, IDC_KEY_NAME, "second");
  SetControlText(dialog, IDC_KEY_VALUE, "v-second");
  Click(dialog, IDC_KEY_ADD);
  Sync(dialog);
  CloseFromTitleBar(dialog);
  for (int i = 0; i < 200 && IsWindow(dialog); ++i) Sleep(25);
  Sync(window);
  EXPECT_EQ(ControlText(window, IDC_MAIN_KEY_FIELD), "second");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_MAIN_KEY_FIELD)));
  Click(window, IDC_MAIN_QUIT);
  EXPECT_EQ(quillnox.WaitExit(), 0);
}

}  // namespace
