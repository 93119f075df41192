// Every question that can destroy something the user made, typed or stored, answered
// every way a user can: each of its buttons, Escape and the title bar's close. Only the
// button that says so destroys; Escape and the close keep everything. The questions
// come from the real programs: Quillnox.exe (New, the name of a decrypted output) and
// keys_demo on the prefix's registry (deleting and replacing stored passphrases,
// switching the access password off, the recovery of a list that cannot be read).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
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

constexpr char kSettingsKey[] = "Software\\Orvanel\\Quillnox\\4.10EN";
constexpr char kQuestionTitle[] = "Quillnox Warning";
constexpr char kPassphrase[] = "box answers passphrase";

enum class Question { NewDocument, DeleteKeys, ReplaceKey, ProtectionOff, OutputName, Recovery };
enum class Answer { Button1, Button2, Button3, Escape, Close };

struct AnswerCase {
  const char* name;
  Question question;
  Answer answer;
  bool survives;  // what the question could destroy is still there
  friend void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }
};

long RunDemo(const std::vector<std::string>& args) {
  Program demo("keys_demo.exe", args);
  return demo.WaitExit(20000);
}

std::string WorkFile(const std::string& name) { return TestProgramFolder() + "box_answers_" + name; }

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// "selection|label=value|..." of the stored list, read by keys_demo.
std::string StoredList() {
  const std::string path = WorkFile("dump.txt");
  if (RunDemo({"dump", path}) != 1) return "<no list>";
  std::istringstream in(ReadAll(path));
  std::string line, out;
  std::getline(in, out);
  while (std::getline(in, line)) out += "|" + line.substr(0, line.find('\t')) + "=" + line.substr(line.find('\t') + 1);
  return out;
}

std::string RegistryBytes(const char* name) {
  char bytes[1024];
  DWORD size = sizeof bytes;
  if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_BINARY, nullptr, bytes, &size) != ERROR_SUCCESS)
    return "<missing>";
  return std::string(bytes, size);
}

// A window of the process with this title that holds control id.
HWND WaitForDialog(const std::string& title, DWORD pid, int id, DWORD ms = 30000) {
  HWND found = nullptr;
  Eventually(
      [&] {
        found = WaitForWindow(title, pid, 50);
        return found != nullptr && GetDlgItem(found, id) != nullptr;
      },
      ms);
  return found != nullptr && GetDlgItem(found, id) != nullptr ? found : nullptr;
}

bool Usable(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control && IsWindowVisible(control) && IsWindowEnabled(control);
}

// Presses a button only when a user could.
void Press(HWND dialog, int id) {
  ASSERT_TRUE(Usable(dialog, id)) << "control " << id << " cannot be pressed";
  Click(dialog, id);
}

void WaitGone(HWND window) { Eventually([window] { return !IsWindow(window); }, 5000); }

// The question box of the process, answered; its text.
std::string AnswerQuestion(DWORD pid, Answer answer) {
  HWND box = WaitForDialog(kQuestionTitle, pid, IDC_BOX_TEXT);
  if (box == nullptr) return "<no question>";
  Sync(box);
  const std::string text = ControlText(box, IDC_BOX_TEXT);
  switch (answer) {
    case Answer::Button1: Press(box, IDC_BOX_BUTTON1); break;
    case Answer::Button2: Press(box, IDC_BOX_BUTTON2); break;
    case Answer::Button3: Press(box, IDC_BOX_BUTTON3); break;
    case Answer::Escape: PressKey(box, VK_ESCAPE); break;
    case Answer::Close: CloseFromTitleBar(box); break;
  }
  WaitGone(box);
  return text;
}

HWND MainWindow(Program& program) {
  return program.started() ? WaitForDialog("Quillnox", program.pid(), IDC_MAIN_FILES) : nullptr;
}

void SelectFirstKey(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_KEY_LIST);
  SendMessageA(list, LB_SETSEL, FALSE, -1);
  SendMessageA(list, LB_SETSEL, TRUE, 0);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_KEY_LIST, LBN_SETFOCUS), reinterpret_cast<LPARAM>(list));
  Sync(dialog);
}

class BoxAnswersTest : public ::testing::TestWithParam<AnswerCase> {
 protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RunDemo({"init"}), 1);
    folder_ = TestProgramFolder() + "box_answers\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
    for (const char* name : {"note.vek", "Quillnox.txt"}) DeleteFileA((folder_ + name).c_str());
  }
  void TearDown() override {
    for (const char* name : {"note.vek", "Quillnox.txt"}) DeleteFileA((folder_ + name).c_str());
    RemoveDirectoryA(folder_.c_str());
    DeleteFileA((TestProgramFolder() + "keys.raw").c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
  }

  // Typed text in the main window, then New.
  bool NewDocument(Answer answer) {
    Program quillnox("Quillnox.exe", {});
    HWND window = MainWindow(quillnox);
    EXPECT_NE(window, nullptr);
    if (!window) return false;
    SetControlText(window, IDC_MAIN_TEXT, "typed, not sent");
    Press(window, IDC_MAIN_NEW);
    EXPECT_EQ(AnswerQuestion(quillnox.pid(), answer),
              "Encrypting a new document will reset the main window. Do you really want to encrypt a new document ?\n");
    Sync(window);
    const bool kept = ControlText(window, IDC_MAIN_TEXT) == "typed, not sent";
    Press(window, IDC_MAIN_QUIT);
    EXPECT_EQ(quillnox.WaitExit(), 0);
    return kept;
  }

  // Two stored keys; the first selected and Delete pressed; then "Ok".
  bool DeleteKeys(Answer answer) {
    EXPECT_EQ(RunDemo({"add", "a", "va"}), 1);
    EXPECT_EQ(RunDemo({"add", "b", "vb"}), 1);
    const std::string before = StoredList();
    Program demo("keys_demo.exe", {"manage"});
    HWND dialog = WaitForDialog("Key management", demo.pid(), IDC_KEY_LIST);
    EXPECT_NE(dialog, nullptr);
    if (!dialog) return false;
    SelectFirstKey(dialog);
    Press(dialog, IDC_KEY_DELETE);
    EXPECT_EQ(AnswerQuestion(demo.pid(), answer),
              "Warning : All selected Passphrases will definitely be removed.\nDo you wish to proceed ?\n");
    Sync(dialog);
    Press(dialog, IDC_KEY_OK);
    EXPECT_EQ(demo.WaitExit(), 1);
    return StoredList() == before;
  }

  // A key of the same name added again; then "Ok".
  bool ReplaceKey(Answer answer) {
    EXPECT_EQ(RunDemo({"add", "alpha", "stored"}), 1);
    const std::string before = StoredList();
    Program demo("keys_demo.exe", {"manage"});
    HWND dialog = WaitForDialog("Key management", demo.pid(), IDC_KEY_LIST);
    EXPECT_NE(dialog, nullptr);
    if (!dialog) return false;
    SetControlText(dialog, IDC_KEY_NAME, "alpha");
    SetControlText(dialog, IDC_KEY_VALUE, "typed");
    Press(dialog, IDC_KEY_ADD);
    EXPECT_EQ(AnswerQuestion(demo.pid(), answer), "alpha already exists\nWould you like to replace it ?");
    Sync(dialog);
    Press(dialog, IDC_KEY_OK);
    EXPECT_EQ(demo.WaitExit(), 1);
    return StoredList() == before;
  }

  // The protection check box cleared while a password is set; then "Cancel" if the
  // dialog is still open.
  bool ProtectionOff(Answer answer) {
    EXPECT_EQ(RunDemo({"setpw", "secret"}), 1);
    Program demo("keys_demo.exe", {"protect"});
    HWND dialog = WaitForDialog("Quillnox", demo.pid(), IDC_PROTECT_ACTIVATE);
    EXPECT_NE(dialog, nullptr);
    if (!dialog) return false;
    Press(dialog, IDC_PROTECT_ACTIVATE);
    EXPECT_EQ(AnswerQuestion(demo.pid(), answer),
              "Warning: Without a password, Quillnox can be open by everybody.\n\nDo you really want to disable the "
              "password protection ?");
    if (demo.WaitExit(500) == -1) {
      Press(dialog, IDCANCEL);
      EXPECT_EQ(demo.WaitExit(), 0);
    }
    return RunDemo({"active"}) == 1 && RunDemo({"checkpw", "secret"}) == 1;
  }

  // A container decrypted beside a "Quillnox.txt" of the user's. "Rename" is followed
  // by a cancelled save dialog, Escape (which asks again) by "Cancel".
  bool OutputName(Answer answer) {
    EXPECT_EQ(RunDemo({"add", "key", kPassphrase}), 1);
    const std::string container = folder_ + "note.vek";
    EXPECT_EQ(RunDemo({"encrypt", kPassphrase, container}), 1);
    WriteAll(folder_ + "Quillnox.txt", "the user's own text");
    Program quillnox("Quillnox.exe", {container});
    HWND window = MainWindow(quillnox);
    EXPECT_NE(window, nullptr);
    if (!window) return false;
    Press(window, IDC_MAIN_LOCAL);
    EXPECT_EQ(AnswerQuestion(quillnox.pid(), answer), "The file \"Quillnox.txt\" already exists.");
    if (answer == Answer::Button2) {
      HWND save = WaitForDialog("Decrypt File in...", quillnox.pid(), IDCANCEL);
      EXPECT_NE(save, nullptr) << "Rename opens the save dialog";
      if (save) Press(save, IDCANCEL);
    } else if (answer == Answer::Escape) {
      EXPECT_EQ(AnswerQuestion(quillnox.pid(), Answer::Button3), "The file \"Quillnox.txt\" already exists.");
    }
    EXPECT_EQ(quillnox.WaitExit(30000), 0);
    return ReadAll(folder_ + "Quillnox.txt") == "the user's own text";
  }

  // A stored list that does not decrypt, read by keys_demo. "Save" is followed by its
  // notice.
  bool Recovery(Answer answer) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    const std::string label(512, '\xA5'), value(516, '\x5A');
    RegSetValueExA(key, "keylabel", 0, REG_BINARY, reinterpret_cast<const BYTE*>(label.data()), 512);
    RegSetValueExA(key, "keyvalue", 0, REG_BINARY, reinterpret_cast<const BYTE*>(value.data()), 516);
    RegCloseKey(key);
    Program demo("keys_demo.exe", {"dump", WorkFile("recovered.txt")});
    const std::string text = AnswerQuestion(demo.pid(), answer);
    EXPECT_EQ(text.rfind("Quillnox cannot decrypt your password list.", 0), 0u) << text;
    if (answer == Answer::Button2) {
      HWND notice = WaitForDialog(kQuestionTitle, demo.pid(), IDC_BOX_TEXT);
      EXPECT_NE(notice, nullptr);
      if (notice) {
        EXPECT_EQ(ControlText(notice, IDC_BOX_TEXT).rfind("Keys are saved in file:", 0), 0u);
        Press(notice, IDC_BOX_BUTTON3);
      }
    }
    EXPECT_NE(demo.WaitExit(), -1);
    return RegistryBytes("keylabel") == label && RegistryBytes("keyvalue") == value;
  }

  std::string folder_;
};

TEST_P(BoxAnswersTest, OnlyTheButtonThatSaysSoDestroys) {
  const AnswerCase& c = GetParam();
  bool survives = false;
  switch (c.question) {
    case Question::NewDocument: survives = NewDocument(c.answer); break;
    case Question::DeleteKeys: survives = DeleteKeys(c.answer); break;
    case Question::ReplaceKey: survives = ReplaceKey(c.answer); break;
    case Question::ProtectionOff: survives = ProtectionOff(c.answer); break;
    case Question::OutputName: survives = OutputName(c.answer); break;
    case Question::Recovery: survives = Recovery(c.answer); break;
  }
  EXPECT_EQ(survives, c.survives);
}

using Q = Question;
using A = Answer;

// New hides its first button: "Yes" is the second, "No" the third.
INSTANTIATE_TEST_SUITE_P(
    Questions, BoxAnswersTest,
    ::testing::Values(AnswerCase{"NewYes", Q::NewDocument, A::Button2, false},
                      AnswerCase{"NewNo", Q::NewDocument, A::Button3, true},
                      AnswerCase{"NewEscape", Q::NewDocument, A::Escape, true},
                      AnswerCase{"NewClose", Q::NewDocument, A::Close, true},
                      AnswerCase{"DeleteYes", Q::DeleteKeys, A::Button1, false},
                      AnswerCase{"DeleteNo", Q::DeleteKeys, A::Button2, true},
                      AnswerCase{"DeleteEscape", Q::DeleteKeys, A::Escape, true},
                      AnswerCase{"DeleteClose", Q::DeleteKeys, A::Close, true},
                      AnswerCase{"ReplaceKeyYes", Q::ReplaceKey, A::Button1, false},
                      AnswerCase{"ReplaceKeyNo", Q::ReplaceKey, A::Button2, true},
                      AnswerCase{"ReplaceKeyEscape", Q::ReplaceKey, A::Escape, true},
                      AnswerCase{"ReplaceKeyClose", Q::ReplaceKey, A::Close, true},
                      AnswerCase{"ProtectionOffYes", Q::ProtectionOff, A::Button1, false},
                      AnswerCase{"ProtectionOffNo", Q::ProtectionOff, A::Button2, true},
                      AnswerCase{"ProtectionOffEscape", Q::ProtectionOff, A::Escape, true},
                      AnswerCase{"ProtectionOffClose", Q::ProtectionOff, A::Close, true},
                      AnswerCase{"OutputReplace", Q::OutputName, A::Button1, false},
                      AnswerCase{"OutputRename", Q::OutputName, A::Button2, true},
                      AnswerCase{"OutputCancel", Q::OutputName, A::Button3, true},
                      AnswerCase{"OutputEscape", Q::OutputName, A::Escape, true},
                      AnswerCase{"OutputClose", Q::OutputName, A::Close, true},
                      AnswerCase{"RecoverySuppress", Q::Recovery, A::Button1, false},
                      AnswerCase{"RecoverySave", Q::Recovery, A::Button2, false},
                      AnswerCase{"RecoveryCancel", Q::Recovery, A::Button3, true},
                      AnswerCase{"RecoveryEscape", Q::Recovery, A::Escape, true},
                      AnswerCase{"RecoveryClose", Q::Recovery, A::Close, true}),
    [](const ::testing::TestParamInfo<AnswerCase>& info) { return std::string(info.param.name); });

}  // namespace
