// Decisions of the passphrase and access-password dialogs: the protection dialog's
// opening-state table and its "OK" checks, the caller's messages, and the management
// dialog's "Ok" questions with their count and plural.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keys/access_password.h"
#include "keys/key_rules.h"
#include "keys/settings.h"
#include "platform/common/msgbox_double.h"
#include "platform/common/registry_memory.h"
#include "platform/machine.h"

namespace {

constexpr char kCurrent[] = "Software\\Orvanel\\Quillnox\\4.10EN";

class KeyRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegistryMemoryReset();
    BoxDoubleReset();
    RegistryMemoryCreateKey(RegistryRoot::CurrentUser, kCurrent);
    SetSystemVolumeSerial(0x01020304);
    AccessPasswordClear();
  }
  void TearDown() override { ResetSystemVolumeSerial(); }
  static std::vector<std::string> Texts() {
    std::vector<std::string> texts;
    for (const RecordedBox& box : BoxDoubleLog()) texts.push_back(box.text);
    return texts;
  }
};

struct OpeningRow {
  int password_set, authreq, stored;
  ProtectionState state;
};

TEST_F(KeyRulesTest, ProtectionOpeningStateTable) {
  using F = ProtectionFocus;
  const OpeningRow rows[] = {
      // set  authreq stored   checked check_en modify  new    cancel focus
      {1, 0, 0, {true, true, true, false, true, F::Modify}},
      {1, 0, 3, {true, true, true, false, true, F::Modify}},
      {1, 1, 0, {true, true, true, false, true, F::Modify}},
      {1, 1, 2, {true, false, true, false, true, F::Modify}},
      {0, 1, 0, {false, true, false, true, true, F::NewPassword}},
      {0, 1, 1, {true, false, false, true, false, F::NewPassword}},
      {0, 0, 0, {false, true, false, false, true, F::Checkbox}},
      {0, 0, 5, {false, true, false, false, true, F::Checkbox}},
  };
  for (const OpeningRow& row : rows) {
    const ProtectionState s = ProtectionOpeningState(row.password_set, row.authreq, row.stored);
    const std::string where = std::to_string(row.password_set) + "/" + std::to_string(row.authreq) + "/" +
                              std::to_string(row.stored);
    EXPECT_EQ(s.checked, row.state.checked) << where;
    EXPECT_EQ(s.check_enabled, row.state.check_enabled) << where;
    EXPECT_EQ(s.modify_enabled, row.state.modify_enabled) << where;
    EXPECT_EQ(s.new_enabled, row.state.new_enabled) << where;
    EXPECT_EQ(s.cancel_enabled, row.state.cancel_enabled) << where;
    EXPECT_EQ(s.focus, row.state.focus) << where;
  }
}

struct OkCase {
  const char* name;
  bool checked, current_enabled;
  const char* current;
  const char* new_password;
  const char* confirm;
  int result;
  ProtectionFocus focus;
  const char* message;  // "" for none
  const char* password_after;  // the text that passes the check afterwards
};

class ProtectionOkTest : public KeyRulesTest, public ::testing::WithParamInterface<OkCase> {};

TEST_P(ProtectionOkTest, ChecksInOrder) {
  const OkCase& c = GetParam();
  ASSERT_EQ(AccessPasswordSet("old"), 1);
  ProtectionFocus focus = ProtectionFocus::Checkbox;
  EXPECT_EQ(ProtectionOk(nullptr, c.checked, c.current_enabled, c.current, c.new_password, c.confirm, &focus),
            c.result);
  EXPECT_EQ(focus, c.focus);
  EXPECT_EQ(Texts(), std::string(c.message).empty() ? std::vector<std::string>{}
                                                    : std::vector<std::string>{c.message});
  EXPECT_EQ(AccessPasswordCheck(c.password_after), 1);
}

using F = ProtectionFocus;
INSTANTIATE_TEST_SUITE_P(
    Cases, ProtectionOkTest,
    ::testing::Values(
        OkCase{"Unchecked", false, true, "old", "n", "n", 0, F::Checkbox, "", "old"},
        OkCase{"EmptyOld", true, true, "", "n", "n", 0, F::CurrentPassword,
               "To modify the password,\nplease, first enter the old one", "old"},
        OkCase{"WrongOld", true, true, "olx", "n", "n", 0, F::CurrentPassword, "Wrong old password\nPlease, retry.",
               "old"},
        OkCase{"EmptyNew", true, true, "old", "", "n", 0, F::NewPassword,
               "To modify the password\nplease, enter the new one", "old"},
        OkCase{"EmptyConfirm", true, false, "", "n", "", 0, F::NewPassword,
               "To modify the password\nplease, enter the new one", "old"},
        OkCase{"ConfirmLonger", true, false, "", "new", "new1", 0, F::NewPassword,
               "The password is different from the confirmation\nRetry a new password.", "old"},
        OkCase{"Changed", true, true, "old", "new", "new", 2, F::Checkbox, "", "new"},
        OkCase{"FirstSet", true, false, "", "first", "first", 1, F::Checkbox, "", "first"}),
    [](const auto& info) { return std::string(info.param.name); });

// A password the registry refuses is no recorded password: the dialog stays open with
// the error, and no "correctly recorded" follows.
TEST_F(KeyRulesTest, APasswordThatCannotBeStoredIsReportedAndTheDialogStays) {
  RegistryMemorySetFault(RegistryRoot::CurrentUser, kCurrent, RegistryFault::NoWrite);
  ProtectionFocus focus = ProtectionFocus::Checkbox;
  EXPECT_EQ(ProtectionOk(nullptr, true, false, "", "first", "first", &focus), 0);
  RegistryMemorySetFault(RegistryRoot::CurrentUser, kCurrent, RegistryFault::None);
  EXPECT_EQ(focus, ProtectionFocus::NewPassword);
  ASSERT_EQ(BoxDoubleLog().size(), 1u);
  EXPECT_EQ(BoxDoubleLog()[0].kind, BoxKind::Error);
  EXPECT_EQ(Texts(), std::vector<std::string>{
                         "The password cannot be recorded: the registry refused it.\nThe protection is as it was."});
  EXPECT_EQ(AccessPasswordActive(), 0);
}

TEST_F(KeyRulesTest, CallerMessages) {
  EXPECT_EQ(ProtectionReport(nullptr, 1), 1);
  EXPECT_EQ(ProtectionReport(nullptr, 2), 1);
  EXPECT_EQ(ProtectionReport(nullptr, 3), 1);
  EXPECT_EQ(ProtectionReport(nullptr, 0), 0);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Your password is correctly recorded\nOpening Quillnox is protected",
                                               "Password correctly modified"}));
}

struct ManagementOkCase {
  const char* name;
  int at_opening, now;
  bool password, authreq;
  int answer;  // raw answer to a question, -1 none
  int result;
  const char* message;
};

class ManagementOkTest : public KeyRulesTest, public ::testing::WithParamInterface<ManagementOkCase> {};

TEST_P(ManagementOkTest, AsksOnlyForAFirstList) {
  const ManagementOkCase& c = GetParam();
  if (c.password) {
    ASSERT_EQ(AccessPasswordSet("pw"), 1);
  }
  ASSERT_EQ(SettingsSetFlag(SETTING_AUTHREQ, c.authreq ? 1 : 0), 1);
  if (c.answer >= 0) BoxDoubleQueueAnswer(c.answer);
  EXPECT_EQ(KeyManagementOk(nullptr, c.at_opening, c.now), c.result);
  EXPECT_EQ(Texts(), std::string(c.message).empty() ? std::vector<std::string>{}
                                                    : std::vector<std::string>{c.message});
}

const char kOneKey[] =
    "You entered 1 new key.\n\nIt is highly recommended that you activate the Password protection for "
    "Quillnox.\n\nDo you want to set a password ?";
const char kTwoKeys[] =
    "You entered 2 new keys.\n\nIt is highly recommended that you activate the Password protection for "
    "Quillnox.\n\nDo you want to set a password ?";

INSTANTIATE_TEST_SUITE_P(
    Cases, ManagementOkTest,
    ::testing::Values(
        ManagementOkCase{"OneYes", 0, 1, false, false, 1, 2, kOneKey},
        ManagementOkCase{"TwoNo", 0, 2, false, false, 2, 1, kTwoKeys},
        ManagementOkCase{"TwoCancel", 0, 2, false, false, 3, 1, kTwoKeys},
        ManagementOkCase{"AuthreqOne", 0, 1, false, true, -1, 2,
                         "You have specified 1 Passphrase.\n\nPlease, activate the Password protection of Quillnox.\n"},
        ManagementOkCase{"AuthreqThree", 0, 3, false, true, -1, 2,
                         "You have specified 3 Passphrases.\n\nPlease, activate the Password protection of "
                         "Quillnox.\n"},
        ManagementOkCase{"NotEmptyAtOpening", 1, 2, false, false, -1, 1, ""},
        ManagementOkCase{"StillEmpty", 0, 0, false, true, -1, 1, ""},
        ManagementOkCase{"PasswordActive", 0, 2, true, true, -1, 1, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
