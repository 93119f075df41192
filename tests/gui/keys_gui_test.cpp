// The passphrase and access-password windows as the user meets them, through
// keys_demo on the prefix's registry: the start-up password, every opening state of
// the protection dialog with its checks, the key button's menu, the key management
// dialog with its Export and Import, the About box and the automatic identification with
// its notice and prompt.
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

#include <dlgs.h>  // the common file dialog's control ids

namespace {

// The demo's exit code. A start that Wine refuses is tried again and reported, and an
// odd exit code is reported: one unexplained -1, under load, was one or the other.
long RunDemo(const std::vector<std::string>& args) {
  for (int attempt = 1;; ++attempt) {
    Program demo("keys_demo.exe", args);
    if (!demo.started()) {
      std::fprintf(stderr, "keys_demo %s: not started (error %lu), attempt %d\n", args[0].c_str(),
                   demo.start_error(), attempt);
      if (attempt < 3) {
        Sleep(1000);
        continue;
      }
      return -1;
    }
    const long code = demo.WaitExit(20000);
    if (code != 0 && code != 1)
      std::fprintf(stderr, "keys_demo %s: exit code 0x%08lX\n", args[0].c_str(), static_cast<unsigned long>(code));
    return code;
  }
}

std::string WorkFile(const std::string& name) { return TestProgramFolder() + "keys_gui_" + name; }

// "selection|label=value|..." of the stored list.
std::string Dump() {
  const std::string path = WorkFile("dump.txt");
  if (RunDemo({"dump", path}) != 1) return "<no list>";
  std::ifstream in(path, std::ios::binary);
  std::string line, out;
  std::getline(in, line);
  out = line;
  while (std::getline(in, line)) {
    const auto tab = line.find('\t');
    out += "|" + line.substr(0, tab) + "=" + line.substr(tab + 1);
  }
  return out;
}

// A posted click is handled after our sent messages: conditions are polled for up to 3 s.
constexpr DWORD kClickWait = 3000;

bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
bool Checked(HWND dialog, int id) {
  return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Presses a button only when a user could.
void Press(HWND dialog, int id) {
  ASSERT_TRUE(Enabled(dialog, id)) << "button " << id << " is disabled";
  Click(dialog, id);
}

// Waits for a message box and presses one of its buttons; returns its text.
std::string AnswerBox(const std::string& title, DWORD pid, int button) {
  HWND box = WaitForWindowWith(title, pid, IDC_BOX_TEXT);
  if (!box) return "<no box>";
  Sync(box);
  const std::string text = ControlText(box, IDC_BOX_TEXT);
  Click(box, button);
  for (DWORD start = GetTickCount(); IsWindow(box) && GetTickCount() - start < 5000;) Sleep(20);
  return text;
}

int ListCount(HWND dialog) {
  return static_cast<int>(SendMessageA(GetDlgItem(dialog, IDC_KEY_LIST), LB_GETCOUNT, 0, 0));
}

class KeysGuiTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(RunDemo({"init"}), 1); }
};

// ---- start-up password ---------------------------------------------------------------

TEST_F(KeysGuiTest, GateWithoutPasswordShowsNothing) { EXPECT_EQ(RunDemo({"gate"}), 1); }

TEST_F(KeysGuiTest, GateWrongPasswordStaysThenRightOneGoesOn) {
  ASSERT_EQ(RunDemo({"setpw", "secret"}), 1);
  Program demo("keys_demo.exe", {"gate"});
  HWND gate = WaitForWindowWith("Quillnox", demo.pid(), IDC_GATE_PASSWORD);
  ASSERT_NE(gate, nullptr);
  EXPECT_EQ(ControlText(gate, IDC_GATE_TEXT), "\r\nEnter your password to run Quillnox");
  EXPECT_EQ(SendMessageA(GetDlgItem(gate, IDC_GATE_PASSWORD), EM_GETPASSWORDCHAR, 0, 0), '*');
  SetControlText(gate, IDC_GATE_PASSWORD, "secreT");
  Press(gate, IDOK);
  EXPECT_EQ(AnswerBox("Quillnox Error", demo.pid(), IDC_BOX_BUTTON3), "Mot de passe incorrect");
  ASSERT_TRUE(IsWindow(gate)) << "the dialog stays open";
  SetControlText(gate, IDC_GATE_PASSWORD, "secret");
  Press(gate, IDOK);
  EXPECT_EQ(demo.WaitExit(), 1);
}

TEST_F(KeysGuiTest, GateCancelEnds) {
  ASSERT_EQ(RunDemo({"setpw", "secret"}), 1);
  Program demo("keys_demo.exe", {"gate"});
  HWND gate = WaitForWindowWith("Quillnox", demo.pid(), IDC_GATE_PASSWORD);
  ASSERT_NE(gate, nullptr);
  Press(gate, IDCANCEL);
  EXPECT_EQ(demo.WaitExit(), 0);
}

// ---- protection dialog ---------------------------------------------------------------

struct OpeningRow {
  const char* name;
  bool password;
  int authreq;
  int stored;
  bool checked, check_enabled, modify_enabled, new_enabled, cancel_enabled;
};

class ProtectionGuiTest : public KeysGuiTest, public ::testing::WithParamInterface<OpeningRow> {};

TEST_P(ProtectionGuiTest, OpensInTheStateOfItsRow) {
  const OpeningRow& row = GetParam();
  if (row.password) {
    ASSERT_EQ(RunDemo({"setpw", "old"}), 1);
  }
  ASSERT_EQ(RunDemo({"authreq", std::to_string(row.authreq)}), 1);
  for (int i = 0; i < row.stored; ++i) ASSERT_EQ(RunDemo({"add", "key" + std::to_string(i), "v"}), 1);

  Program demo("keys_demo.exe", {"protect"});
  HWND dialog = WaitForWindowWith("Quillnox", demo.pid(), IDC_PROTECT_ACTIVATE);
  ASSERT_NE(dialog, nullptr);
  Sync(dialog);
  EXPECT_EQ(Checked(dialog, IDC_PROTECT_ACTIVATE), row.checked);
  EXPECT_EQ(Enabled(dialog, IDC_PROTECT_ACTIVATE), row.check_enabled);
  EXPECT_EQ(Enabled(dialog, IDC_PROTECT_MODIFY), row.modify_enabled);
  EXPECT_EQ(Enabled(dialog, IDC_PROTECT_NEW), row.new_enabled);
  EXPECT_EQ(Enabled(dialog, IDC_PROTECT_CONFIRM), row.new_enabled);
  EXPECT_FALSE(Enabled(dialog, IDC_PROTECT_CURRENT));
  EXPECT_EQ(Enabled(dialog, IDCANCEL), row.cancel_enabled);
  EXPECT_TRUE(Checked(dialog, IDC_PROTECT_HIDE));
  EXPECT_EQ(ControlText(dialog, IDC_PROTECT_ACTIVATE), "Activate user authentication");

  if (row.cancel_enabled) {
    Press(dialog, IDCANCEL);
    EXPECT_EQ(demo.WaitExit(), 0);
    return;
  }
  PressKey(dialog, VK_ESCAPE);  // refused: a password must be set
  Sync(dialog);
  ASSERT_TRUE(IsWindow(dialog));
  SetControlText(dialog, IDC_PROTECT_NEW, "first");
  SetControlText(dialog, IDC_PROTECT_CONFIRM, "first");
  Press(dialog, IDOK);
  EXPECT_EQ(AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON3),
            "Your password is correctly recorded\nOpening Quillnox is protected");
  EXPECT_EQ(demo.WaitExit(), 1);
  EXPECT_EQ(RunDemo({"checkpw", "first"}), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProtectionGuiTest,
    ::testing::Values(OpeningRow{"SetAuthreq0", true, 0, 0, true, true, true, false, true},
                      OpeningRow{"SetAuthreq1Stored", true, 1, 1, true, false, true, false, true},
                      OpeningRow{"NoneAuthreq1Empty", false, 1, 0, false, true, false, true, true},
                      OpeningRow{"NoneAuthreq1Stored", false, 1, 2, true, false, false, true, false},
                      OpeningRow{"NoneAuthreq0", false, 0, 1, false, true, false, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeysGuiTest, ProtectionFirstPasswordWithItsChecks) {
  Program demo("keys_demo.exe", {"protect"});
  HWND dialog = WaitForWindowWith("Quillnox", demo.pid(), IDC_PROTECT_ACTIVATE);
  ASSERT_NE(dialog, nullptr);
  Press(dialog, IDC_PROTECT_ACTIVATE);
  ASSERT_TRUE(Eventually([&] { return Enabled(dialog, IDC_PROTECT_NEW); }, kClickWait));
  Press(dialog, IDOK);
  EXPECT_EQ(AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON3),
            "To modify the password\nplease, enter the new one");
  SetControlText(dialog, IDC_PROTECT_NEW, "abc");
  SetControlText(dialog, IDC_PROTECT_CONFIRM, "abcd");
  Press(dialog, IDOK);
  EXPECT_EQ(AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON3),
            "The password is different from the confirmation\nRetry a new password.");
  ASSERT_TRUE(IsWindow(dialog));
  SetControlText(dialog, IDC_PROTECT_CONFIRM, "abc");
  Press(dialog, IDC_PROTECT_HIDE);  // plain text now
  EXPECT_TRUE(Eventually([&] { return SendMessageA(GetDlgItem(dialog, IDC_PROTECT_NEW), EM_GETPASSWORDCHAR, 0, 0) == 0; }, kClickWait));
  Press(dialog, IDOK);
  EXPECT_EQ(AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON3),
            "Your password is correctly recorded\nOpening Quillnox is protected");
  EXPECT_EQ(demo.WaitExit(), 1);
  EXPECT_EQ(RunDemo({"checkpw", "abc"}), 1);
}

TEST_F(KeysGuiTest, ProtectionModifyNeedsTheOldPassword) {
  ASSERT_EQ(RunDemo({"setpw", "old"}), 1);
  Program demo("keys_demo.exe", {"protect"});
  HWND dialog = WaitForWindowWith("Quillnox", demo.pid(), IDC_PROTECT_ACTIVATE);
  ASSERT_NE(dialog, nullptr);
  Press(dialog, IDC_PROTECT_MODIFY);
  ASSERT_TRUE(Eventually([&] { return Enabled(dialog, IDC_PROTECT_CURRENT); }, kClickWait));
  SetControlText(dialog, IDC_PROTECT_NEW, "n1");
  SetControlText(dialog, IDC_PROTECT_CONFIRM, "n1");
  Press(dialog, IDOK);
  EXPECT_EQ(AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON3),
            "To modify the password,\nplease, first enter the old one");
  SetControlText(dialog, IDC_PROTECT_CURRENT, "olD");
  Press(dialog, IDOK);
  EXPECT_EQ(AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON3), "Wrong old password\nPlease, retry.");
  SetControlText(dialog, IDC_PROTECT_CURRENT, "old");
  Press(dialog, IDOK);
  EXPECT_EQ(AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON3), "Password correctly modified");
  EXPECT_EQ(demo.WaitExit(), 1);
  EXPECT_EQ(RunDemo({"checkpw", "n1"}), 1);
}

TEST_F(KeysGuiTest, ProtectionSwitchedOffAfterTheQuestion) {
  ASSERT_EQ(RunDemo({"setpw", "old"}), 1);
  Program demo("keys_demo.exe", {"protect"});
  HWND dialog = WaitForWindowWith("Quillnox", demo.pid(), IDC_PROTECT_ACTIVATE);
  ASSERT_NE(dialog, nullptr);
  Press(dialog, IDC_PROTECT_ACTIVATE);
  EXPECT_EQ(AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON2),
            "Warning: Without a password, Quillnox can be open by everybody.\n\nDo you really want to disable the "
            "password protection ?");
  EXPECT_TRUE(Eventually([&] { return Checked(dialog, IDC_PROTECT_ACTIVATE); }, kClickWait)) << "\"No\" checks it again";
  Press(dialog, IDC_PROTECT_ACTIVATE);
  AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON1);
  EXPECT_EQ(demo.WaitExit(), 1);
  EXPECT_EQ(RunDemo({"active"}), 0);
}

// ---- key management ------------------------------------------------------------------

HWND OpenManagement(Program& demo) {
  HWND dialog = WaitForWindowWith("Key management", demo.pid(), IDC_KEY_LIST);
  if (dialog) Sync(dialog);
  return dialog;
}

void AddKey(HWND dialog, const char* label, const char* value) {
  SetControlText(dialog, IDC_KEY_NAME, label);
  SetControlText(dialog, IDC_KEY_VALUE, value);
  const int before = ListCount(dialog);
  Press(dialog, IDC_KEY_ADD);
  Eventually([&] { return ListCount(dialog) != before; }, kClickWait);
}

TEST_F(KeysGuiTest, ManagementAddsInOrderAndAsksForAPassword) {
  Program demo("keys_demo.exe", {"manage"});
  HWND dialog = OpenManagement(demo);
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(Enabled(dialog, IDC_KEY_DELETE));
  EXPECT_FALSE(Enabled(dialog, IDC_KEY_EXPORT));
  Press(dialog, IDC_KEY_ADD);
  EXPECT_EQ(AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON3),
            "Please, enter both a name and a value for a new key.");
  AddKey(dialog, "beta", "b-secret");
  AddKey(dialog, "alpha", "a-secret");
  EXPECT_EQ(ListCount(dialog), 2);
  EXPECT_EQ(ControlText(dialog, IDC_KEY_NAME), "");
  EXPECT_EQ(ControlText(dialog, IDC_KEY_VALUE), "");
  Press(dialog, IDC_KEY_OK);
  EXPECT_EQ(AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON2),
            "You entered 2 new keys.\n\nIt is highly recommended that you activate the Password protection for "
            "Quillnox.\n\nDo you want to set a password ?");
  EXPECT_EQ(demo.WaitExit(), 1);
  EXPECT_EQ(Dump(), "1|alpha=a-secret|beta=b-secret");
}

TEST_F(KeysGuiTest, ManagementOkWithOneKeyAndYesAsksForThePassword) {
  Program demo("keys_demo.exe", {"manage"});
  HWND dialog = OpenManagement(demo);
  ASSERT_NE(dialog, nullptr);
  AddKey(dialog, "only", "v");
  Press(dialog, IDC_KEY_OK);
  EXPECT_EQ(AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON1),
            "You entered 1 new key.\n\nIt is highly recommended that you activate the Password protection for "
            "Quillnox.\n\nDo you want to set a password ?");
  EXPECT_EQ(demo.WaitExit(), 2);
}

TEST_F(KeysGuiTest, ManagementDeletesTwoAdjacentItems) {
  for (const char* label : {"a", "b", "c"}) ASSERT_EQ(RunDemo({"add", label, std::string("v") + label}), 1);
  Program demo("keys_demo.exe", {"manage"});
  HWND dialog = OpenManagement(demo);
  ASSERT_NE(dialog, nullptr);
  ASSERT_EQ(ListCount(dialog), 3);
  HWND list = GetDlgItem(dialog, IDC_KEY_LIST);
  SendMessageA(list, LB_SETSEL, FALSE, -1);
  SendMessageA(list, LB_SETSEL, TRUE, 0);
  SendMessageA(list, LB_SETSEL, TRUE, 1);
  SetFocus(list);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_KEY_LIST, LBN_SETFOCUS), reinterpret_cast<LPARAM>(list));
  Sync(dialog);
  Press(dialog, IDC_KEY_DELETE);
  EXPECT_EQ(AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON1),
            "Warning : All selected Passphrases will definitely be removed.\nDo you wish to proceed ?\n");
  EXPECT_TRUE(Eventually([&] { return ListCount(dialog) == 1; }, kClickWait));
  Press(dialog, IDC_KEY_OK);
  EXPECT_EQ(demo.WaitExit(), 1) << "the list was not empty at opening: no question";
  EXPECT_EQ(Dump(), "1|c=vc");
}

TEST_F(KeysGuiTest, ManagementCancelRestoresAndSystemCloseKeeps) {
  ASSERT_EQ(RunDemo({"add", "a", "va"}), 1);
  {
    Program demo("keys_demo.exe", {"manage"});
    HWND dialog = OpenManagement(demo);
    ASSERT_NE(dialog, nullptr);
    AddKey(dialog, "b", "vb");
    AddKey(dialog, "c", "vc");
    ASSERT_EQ(ListCount(dialog), 3);
    Press(dialog, IDC_KEY_CANCEL);
    EXPECT_EQ(demo.WaitExit(), 0);
  }
  EXPECT_EQ(Dump(), "1|a=va");
  {
    Program demo("keys_demo.exe", {"manage"});
    HWND dialog = OpenManagement(demo);
    ASSERT_NE(dialog, nullptr);
    AddKey(dialog, "b", "vb");
    Sync(dialog);
    CloseFromTitleBar(dialog);
    // On a loaded display the first close can be lost; a second one is harmless.
    if (demo.WaitExit(5000) == -1) CloseFromTitleBar(dialog);
    EXPECT_EQ(demo.WaitExit(), 0);
  }
  EXPECT_EQ(Dump(), "2|a=va|b=vb");
}

TEST_F(KeysGuiTest, ManagementHideKey) {
  Program demo("keys_demo.exe", {"manage"});
  HWND dialog = OpenManagement(demo);
  ASSERT_NE(dialog, nullptr);
  HWND edit = GetDlgItem(dialog, IDC_KEY_VALUE);
  EXPECT_EQ(SendMessageA(edit, EM_GETPASSWORDCHAR, 0, 0), 0);
  Press(dialog, IDC_KEY_HIDE);
  EXPECT_TRUE(Eventually([&] { return SendMessageA(edit, EM_GETPASSWORDCHAR, 0, 0) == '*'; }, kClickWait));
  EXPECT_TRUE(Checked(dialog, IDC_KEY_HIDE));
  Press(dialog, IDC_KEY_CANCEL);
  EXPECT_EQ(demo.WaitExit(), 0);

  Program again("keys_demo.exe", {"manage"});  // "hidepwd" was stored
  dialog = OpenManagement(again);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(Checked(dialog, IDC_KEY_HIDE));
  EXPECT_EQ(SendMessageA(GetDlgItem(dialog, IDC_KEY_VALUE), EM_GETPASSWORDCHAR, 0, 0), '*');
  Press(dialog, IDC_KEY_CANCEL);
  EXPECT_EQ(again.WaitExit(), 0);
}

// ---- key menu ------------------------------------------------------------------------

// Presses the key button like a user; in the menu that opens, moves down `downs` items
// with the arrow key and takes the item with Enter (downs < 0: Escape). False when the
// button cannot be pressed or no menu opens.
bool ChooseInKeyMenu(Program& demo, HWND host, int downs) {
  HWND button = GetDlgItem(host, IDC_KEY_BUTTON);
  if (!IsWindowEnabled(button) || !IsWindowVisible(button)) return false;
  Click(host, IDC_KEY_BUTTON);
  HWND menu = WaitForPopupMenu(demo.pid());
  if (menu == nullptr) return false;
  for (int i = 0; i < downs; ++i) {
    PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 1);
    PostMessageA(menu, WM_KEYUP, VK_DOWN, 0xC0000001);
  }
  const UINT last = downs < 0 ? VK_ESCAPE : VK_RETURN;
  PostMessageA(menu, WM_KEYDOWN, last, 1);
  PostMessageA(menu, WM_KEYUP, last, 0xC0000001);
  return true;
}

// What the host recorded for one opening of the menu ("menu", the items, "chosen N"),
// once KeyMenu has returned.
std::vector<std::string> MenuRecord(const std::string& record) {
  std::vector<std::string> lines;
  Eventually([&] {
    lines = Lines(Content(record));
    return !lines.empty() && lines.back().rfind("chosen ", 0) == 0;
  }, kClickWait);
  std::remove(record.c_str());
  return lines;
}

std::vector<std::string> MenuShown(const char* checked_label) {
  std::vector<std::string> items = {"menu"};
  const char* labels[] = {"alpha", "beta", "gamma"};
  for (int k = 1; k <= 3; ++k) {
    std::string item = std::to_string(k) + " " + labels[k - 1];
    if (checked_label && std::string(checked_label) == labels[k - 1]) item += " checked";
    items.push_back(item);
  }
  items.insert(items.end(), {"separator", "4 List... bitmap", "5 Manual bitmap"});
  return items;
}

TEST_F(KeysGuiTest, KeyMenuChoosesAnEntryOrManual) {
  for (const char* label : {"alpha", "beta", "gamma"})
    ASSERT_EQ(RunDemo({"add", label, std::string("v-") + label}), 1);
  ASSERT_EQ(RunDemo({"select", "2"}), 1);
  const std::string record = WorkFile("menu.txt");
  std::remove(record.c_str());
  Program demo("keys_demo.exe", {"menu", record});
  HWND host = WaitForWindow("Keys Demo", demo.pid());
  ASSERT_NE(host, nullptr);
  Sync(host);
  EXPECT_EQ(ControlText(host, IDC_KEY_FIELD), "beta");
  EXPECT_FALSE(Enabled(host, IDC_KEY_FIELD));

  // Each row: the keys pressed in the menu, the entry checked while it is open, then the
  // result, the key field, whether it can be typed into, and the stored list.
  struct Choice {
    int downs;
    const char* checked;
    int chosen;
    const char* field;
    bool enabled;
    const char* stored;
  };
  const Choice choices[] = {
      {3, "beta", 3, "gamma", false, "3|alpha=v-alpha|beta=v-beta|gamma=v-gamma"},
      {-1, "gamma", 0, "gamma", false, "3|alpha=v-alpha|beta=v-beta|gamma=v-gamma"},  // Escape: nothing
      {5, "gamma", 1, "Password", true, "0|alpha=v-alpha|beta=v-beta|gamma=v-gamma"},  // "Manual"
      {1, nullptr, 1, "alpha", false, "1|alpha=v-alpha|beta=v-beta|gamma=v-gamma"},
  };
  for (const Choice& choice : choices) {
    SCOPED_TRACE("downs " + std::to_string(choice.downs));
    std::vector<std::string> expected = MenuShown(choice.checked);
    expected.push_back("chosen " + std::to_string(choice.chosen));
    ASSERT_TRUE(ChooseInKeyMenu(demo, host, choice.downs));
    EXPECT_EQ(MenuRecord(record), expected);
    Sync(host);
    EXPECT_EQ(ControlText(host, IDC_KEY_FIELD), choice.field);
    EXPECT_EQ(Enabled(host, IDC_KEY_FIELD), choice.enabled);
    EXPECT_EQ(Dump(), choice.stored);
  }

  // "List...": the key management dialog; what it changed shows in the field.
  ASSERT_TRUE(ChooseInKeyMenu(demo, host, 4));
  HWND dialog = OpenManagement(demo);
  ASSERT_NE(dialog, nullptr);
  HWND list = GetDlgItem(dialog, IDC_KEY_LIST);
  SendMessageA(list, LB_SETSEL, FALSE, -1);
  SendMessageA(list, LB_SETSEL, TRUE, 0);
  SetFocus(list);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_KEY_LIST, LBN_SETFOCUS), reinterpret_cast<LPARAM>(list));
  Sync(dialog);
  Press(dialog, IDC_KEY_DELETE);  // the selected entry goes: manual mode
  EXPECT_EQ(AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON1),
            "Warning : All selected Passphrases will definitely be removed.\nDo you wish to proceed ?\n");
  EXPECT_TRUE(Eventually([&] { return ListCount(dialog) == 2; }, kClickWait));
  Press(dialog, IDC_KEY_OK);
  std::vector<std::string> expected = MenuShown("alpha");
  expected.push_back("chosen 1");
  EXPECT_EQ(MenuRecord(record), expected);
  Sync(host);
  EXPECT_EQ(ControlText(host, IDC_KEY_FIELD), "Password");
  EXPECT_TRUE(Enabled(host, IDC_KEY_FIELD));
  EXPECT_EQ(Dump(), "0|beta=v-beta|gamma=v-gamma");
  CloseFromTitleBar(host);
  EXPECT_EQ(demo.WaitExit(), 1);
}

TEST_F(KeysGuiTest, KeyMenuListWithAFirstKeyOpensTheProtectionDialog) {
  const std::string record = WorkFile("menu.txt");
  std::remove(record.c_str());
  Program demo("keys_demo.exe", {"menu", record});
  HWND host = WaitForWindow("Keys Demo", demo.pid());
  ASSERT_NE(host, nullptr);
  Sync(host);
  EXPECT_EQ(ControlText(host, IDC_KEY_FIELD), "Password");
  ASSERT_TRUE(ChooseInKeyMenu(demo, host, 1));  // an empty list: "List..." comes first
  HWND dialog = OpenManagement(demo);
  ASSERT_NE(dialog, nullptr);
  AddKey(dialog, "first", "v-first");
  Press(dialog, IDC_KEY_OK);
  EXPECT_EQ(AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON1),
            "You entered 1 new key.\n\nIt is highly recommended that you activate the Password protection for "
            "Quillnox.\n\nDo you want to set a password ?");
  HWND protection = WaitForWindowWith("Quillnox", demo.pid(), IDC_PROTECT_ACTIVATE);
  ASSERT_NE(protection, nullptr) << "\"Yes\" leads to the access-password dialog";
  Sync(host);
  EXPECT_EQ(ControlText(host, IDC_KEY_FIELD), "first") << "the field is refreshed before";
  Press(protection, IDCANCEL);
  EXPECT_EQ(MenuRecord(record),
            (std::vector<std::string>{"menu", "separator", "1 List... bitmap", "2 Manual bitmap", "chosen 1"}));
  EXPECT_EQ(Dump(), "1|first=v-first");
  CloseFromTitleBar(host);
  EXPECT_EQ(demo.WaitExit(), 1);
}

// ---- About box -----------------------------------------------------------------------

TEST_F(KeysGuiTest, AboutBox) {
  Program demo("keys_demo.exe", {"about"});
  HWND about = WaitForWindowWith("Quillnox About...", demo.pid(), IDC_ABOUT_VERSION);
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(ControlText(about, IDC_ABOUT_VERSION), "Quillnox V4.10EN");
  EXPECT_EQ(ControlText(about, IDC_ABOUT_LINE_FIRST + 4), "Encryption Keys Import/Export");
  EXPECT_EQ(ControlText(about, IDC_ABOUT_LINK).rfind("https://", 0), 0u);
  EXPECT_NE(SendMessageA(GetDlgItem(about, IDC_ABOUT_BULLET_FIRST), STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
  PressKey(about, VK_ESCAPE);
  EXPECT_EQ(demo.WaitExit(), 1);
}

// ---- identification ------------------------------------------------------------------

TEST_F(KeysGuiTest, IdentifyFindsTheThirdStoredPassphrase) {
  for (int i = 1; i <= 3; ++i)
    ASSERT_EQ(RunDemo({"add", "key" + std::to_string(i), "pass" + std::to_string(i)}), 1);
  ASSERT_EQ(RunDemo({"select", "1"}), 1);
  const std::string container = WorkFile("third.vek");
  ASSERT_EQ(RunDemo({"encrypt", "pass3", container}), 1);
  Program demo("keys_demo.exe", {"identify", container});
  HWND notice = WaitForWindowWith("Quillnox", demo.pid(), IDC_NOTICE_TEXT);
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(ControlText(notice, IDC_NOTICE_TEXT), "Automatic Key Identification...");
  EXPECT_EQ(demo.WaitExit(), 1);
  EXPECT_EQ(Dump(), "3|key1=pass1|key2=pass2|key3=pass3");
  std::remove(container.c_str());
}

TEST_F(KeysGuiTest, IdentifyWithAnEmptyListPromptsAfterTheNotice) {
  const std::string container = WorkFile("typed.vek");
  ASSERT_EQ(RunDemo({"encrypt", "typed", container}), 1);
  Program demo("keys_demo.exe", {"identify", container});
  ASSERT_NE(WaitForWindowWith("Quillnox", demo.pid(), IDC_NOTICE_TEXT), nullptr);
  HWND prompt = WaitForWindowWith("Quillnox", demo.pid(), IDC_PROMPT_PASSPHRASE);
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(ControlText(prompt, IDC_PROMPT_TEXT),
            "The password used to encrypt this file does not belong to your list\n\nEnter the correct password :");
  SetControlText(prompt, IDC_PROMPT_PASSPHRASE, "wrong");
  Press(prompt, IDOK);
  EXPECT_NE(AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON3), "<no box>");
  ASSERT_TRUE(IsWindow(prompt)) << "a wrong passphrase keeps the prompt open";
  SetControlText(prompt, IDC_PROMPT_PASSPHRASE, "typed");
  Press(prompt, IDOK);
  EXPECT_EQ(demo.WaitExit(), 1);
  EXPECT_EQ(Dump(), "0");
  std::remove(container.c_str());
}

// ---- export and import -----------------------------------------------------------------

TEST_F(KeysGuiTest, ExportWithNothingSelectedAsksForASelection) {
  ASSERT_EQ(RunDemo({"add", "alpha", "a1"}), 1);
  ASSERT_EQ(RunDemo({"select", "0"}), 1);
  Program demo("keys_demo.exe", {"manage", "export"});
  EXPECT_EQ(AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON3), "Please, select the keys to export.");
  HWND dialog = OpenManagement(demo);
  ASSERT_NE(dialog, nullptr);
  Press(dialog, IDC_KEY_CANCEL);
  EXPECT_EQ(demo.WaitExit(), 0);
}

// Keys exported on one machine and imported on another: keys_across_prefixes.sh runs
// the first test in a Wine prefix, then the second in another prefix whose drive C has
// another volume serial. It names the key-exchange file (QLX_KEY_EXCHANGE_FILE) and the
// serial each prefix must show (QLX_EXPECT_SERIAL, hexadecimal).

std::string Environment(const char* name) {
  char value[MAX_PATH] = "";
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

DWORD DriveCSerial() {
  DWORD serial = 0;
  return GetVolumeInformationA("C:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0) ? serial : 0;
}

// Names the file in the common file dialog titled `title` and presses its OK button.
void ChooseFile(const std::string& title, DWORD pid, const std::string& path) {
  HWND chooser = WaitForWindowWith(title, pid, IDOK);
  ASSERT_NE(chooser, nullptr) << "no dialog " << title;
  Sync(chooser);
  // The file name: the combo box cmb13 of the Explorer-style dialog, edt1 of the old one.
  const int name_id = GetDlgItem(chooser, cmb13) ? cmb13 : edt1;
  SetControlText(chooser, name_id, path);
  ASSERT_EQ(ControlText(chooser, name_id), path);
  Press(chooser, IDOK);
}

// Types the transfer password into dialog 357 (twice when it asks for a confirmation).
void TypeTransferPassword(DWORD pid, const std::string& password, bool confirm) {
  HWND dialog = WaitForWindowWith("Quillnox", pid, IDC_TRANSFER_PASSWORD);
  ASSERT_NE(dialog, nullptr);
  Sync(dialog);
  ASSERT_EQ(ControlVisible(dialog, IDC_TRANSFER_CONFIRM), confirm);
  SetControlText(dialog, IDC_TRANSFER_PASSWORD, password);
  if (confirm) SetControlText(dialog, IDC_TRANSFER_CONFIRM, password);
  Press(dialog, IDOK);
}

class KeysAcrossPrefixes : public KeysGuiTest {
 protected:
  void SetUp() override {
    exchange_ = Environment("QLX_KEY_EXCHANGE_FILE");
    const std::string serial = Environment("QLX_EXPECT_SERIAL");
    if (exchange_.empty() || serial.empty()) GTEST_SKIP() << "run by keys_across_prefixes.sh";
    ASSERT_EQ(DriveCSerial(), std::strtoul(serial.c_str(), nullptr, 16)) << "the prefix has another serial";
    KeysGuiTest::SetUp();
  }
  std::string exchange_;
};

constexpr char kTransferPassword[] = "carried over";

TEST_F(KeysAcrossPrefixes, ExportInTheFirst) {
  for (const auto& key : {std::pair<const char*, const char*>{"alpha", "a-one"}, {"beta", "b-two"}, {"gamma", "g-3"}})
    ASSERT_EQ(RunDemo({"add", key.first, key.second}), 1);
  Program demo("keys_demo.exe", {"manage"});
  HWND dialog = OpenManagement(demo);
  ASSERT_NE(dialog, nullptr);
  HWND list = GetDlgItem(dialog, IDC_KEY_LIST);
  SendMessageA(list, LB_SETSEL, FALSE, -1);
  SendMessageA(list, LB_SETSEL, TRUE, 0);
  SendMessageA(list, LB_SETSEL, TRUE, 2);
  SetFocus(list);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_KEY_LIST, LBN_SETFOCUS), reinterpret_cast<LPARAM>(list));
  Sync(dialog);
  Press(dialog, IDC_KEY_EXPORT);
  ChooseFile("Export keys", demo.pid(), exchange_);
  TypeTransferPassword(demo.pid(), kTransferPassword, true);
  EXPECT_EQ(AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON3), "2 keys exported in file:\n" + exchange_);
  Press(dialog, IDC_KEY_OK);
  EXPECT_EQ(demo.WaitExit(), 1);
  EXPECT_TRUE(Exists(exchange_));
  EXPECT_EQ(Dump(), "3|alpha=a-one|beta=b-two|gamma=g-3") << "export leaves the list as it was";
}

TEST_F(KeysAcrossPrefixes, ImportInTheSecond) {
  ASSERT_TRUE(Exists(exchange_)) << "nothing was exported";
  ASSERT_EQ(RunDemo({"add", "delta", "d-four"}), 1);
  ASSERT_EQ(RunDemo({"add", "gamma", "g-local"}), 1);
  Program demo("keys_demo.exe", {"manage"});
  HWND dialog = OpenManagement(demo);
  ASSERT_NE(dialog, nullptr);
  Press(dialog, IDC_KEY_IMPORT);
  ChooseFile("Import keys", demo.pid(), exchange_);
  TypeTransferPassword(demo.pid(), kTransferPassword, false);
  EXPECT_EQ(AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON1),
            "gamma already exists\nWould you like to replace it ?");
  EXPECT_TRUE(Eventually([&] { return ListCount(dialog) == 3; }, kClickWait));
  Press(dialog, IDC_KEY_OK);
  EXPECT_EQ(demo.WaitExit(), 1);
  // Read back through this machine's list key.
  EXPECT_EQ(Dump(), "3|alpha=a-one|delta=d-four|gamma=g-3");
}

}  // namespace
