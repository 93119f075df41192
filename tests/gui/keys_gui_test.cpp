// The passphrase and access-password windows as the user meets them, through
// keys_demo on the prefix's registry: the start-up password, every opening state of
// the protection dialog with its checks, the key management dialog, the About box and
// the automatic identification with its notice and prompt.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/gui/gui_driver.h"

namespace {

long RunDemo(const std::vector<std::string>& args) {
  Program demo("keys_demo.exe", args);
  return demo.WaitExit(20000);
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

// A dialog of the process with this title that holds control id.
HWND WaitForDialog(const std::string& title, DWORD pid, int id, DWORD ms = 10000) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(50)) {
    HWND window = WaitForWindow(title, pid, 100);
    if (window && GetDlgItem(window, id)) return window;
  }
  return nullptr;
}

// Polls a condition for up to 3 s: a posted click is handled after our sent messages.
template <typename Condition>
bool Eventually(Condition condition) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < 3000; Sleep(20))
    if (condition()) return true;
  return condition();
}

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
  HWND box = WaitForDialog(title, pid, IDC_BOX_TEXT);
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
  HWND gate = WaitForDialog("Quillnox", demo.pid(), IDC_GATE_PASSWORD);
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
  HWND gate = WaitForDialog("Quillnox", demo.pid(), IDC_GATE_PASSWORD);
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
  HWND dialog = WaitForDialog("Quillnox", demo.pid(), IDC_PROTECT_ACTIVATE);
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
  HWND dialog = WaitForDialog("Quillnox", demo.pid(), IDC_PROTECT_ACTIVATE);
  ASSERT_NE(dialog, nullptr);
  Press(dialog, IDC_PROTECT_ACTIVATE);
  ASSERT_TRUE(Eventually([&] { return Enabled(dialog, IDC_PROTECT_NEW); }));
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
  EXPECT_TRUE(Eventually([&] { return SendMessageA(GetDlgItem(dialog, IDC_PROTECT_NEW), EM_GETPASSWORDCHAR, 0, 0) == 0; }));
  Press(dialog, IDOK);
  EXPECT_EQ(AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON3),
            "Your password is correctly recorded\nOpening Quillnox is protected");
  EXPECT_EQ(demo.WaitExit(), 1);
  EXPECT_EQ(RunDemo({"checkpw", "abc"}), 1);
}

TEST_F(KeysGuiTest, ProtectionModifyNeedsTheOldPassword) {
  ASSERT_EQ(RunDemo({"setpw", "old"}), 1);
  Program demo("keys_demo.exe", {"protect"});
  HWND dialog = WaitForDialog("Quillnox", demo.pid(), IDC_PROTECT_ACTIVATE);
  ASSERT_NE(dialog, nullptr);
  Press(dialog, IDC_PROTECT_MODIFY);
  ASSERT_TRUE(Eventually([&] { return Enabled(dialog, IDC_PROTECT_CURRENT); }));
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
  HWND dialog = WaitForDialog("Quillnox", demo.pid(), IDC_PROTECT_ACTIVATE);
  ASSERT_NE(dialog, nullptr);
  Press(dialog, IDC_PROTECT_ACTIVATE);
  EXPECT_EQ(AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON2),
            "Warning: Without a password, Quillnox can be open by everybody.\n\nDo you really want to disable the "
            "password protection ?");
  EXPECT_TRUE(Eventually([&] { return Checked(dialog, IDC_PROTECT_ACTIVATE); })) << "\"No\" checks it again";
  Press(dialog, IDC_PROTECT_ACTIVATE);
  AnswerBox("Quillnox Warning", demo.pid(), IDC_BOX_BUTTON1);
  EXPECT_EQ(demo.WaitExit(), 1);
  EXPECT_EQ(RunDemo({"active"}), 0);
}

// ---- key management ------------------------------------------------------------------

HWND OpenManagement(Program& demo) {
  HWND dialog = WaitForDialog("Key management", demo.pid(), IDC_KEY_LIST);
  if (dialog) Sync(dialog);
  return dialog;
}

void AddKey(HWND dialog, const char* label, const char* value) {
  SetControlText(dialog, IDC_KEY_NAME, label);
  SetControlText(dialog, IDC_KEY_VALUE, value);
  const int before = ListCount(dialog);
  Press(dialog, IDC_KEY_ADD);
  Eventually([&] { return ListCount(dialog) != before; });
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
  EXPECT_TRUE(Eventually([&] { return ListCount(dialog) == 1; }));
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
  EXPECT_TRUE(Eventually([&] { return SendMessageA(edit, EM_GETPASSWORDCHAR, 0, 0) == '*'; }));
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

// ---- About box -----------------------------------------------------------------------

TEST_F(KeysGuiTest, AboutBox) {
  Program demo("keys_demo.exe", {"about"});
  HWND about = WaitForDialog("Quillnox About...", demo.pid(), IDC_ABOUT_VERSION);
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
  HWND notice = WaitForDialog("Quillnox", demo.pid(), IDC_NOTICE_TEXT);
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
  ASSERT_NE(WaitForDialog("Quillnox", demo.pid(), IDC_NOTICE_TEXT), nullptr);
  HWND prompt = WaitForDialog("Quillnox", demo.pid(), IDC_PROMPT_PASSPHRASE);
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

}  // namespace
