// Quillnox.exe as the user meets it: the first start's size and placement, the
// settings it keeps ("ClassName", "xywh", "visible"), the controls and captions of
// encryption mode, keys that must not close it, Quit, the frame snap, a second start
// that hands its command line over, and command lines that end without a window.
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

}  // namespace
