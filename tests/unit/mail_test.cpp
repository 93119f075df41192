// Mail dispatch without Windows: the default-client test, the Lotus key lookups with
// their messages, and the mail bodies ("mail.txt", the built-in notice, the
// self-extracting option).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/logic/vendor.h"
#include "app/send/mail.h"
#include "platform/common/msgbox_double.h"
#include "platform/common/registry_memory.h"
#include "tests/support/test_support.h"

namespace {

constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;

class Mail : public ::testing::Test {
 protected:
  void SetUp() override {
    RegistryMemoryReset();
    BoxDoubleReset();
  }
  void TearDown() override {
    EXPECT_EQ(RegistryMemoryOpenKeys(), 0);
  }
  std::vector<std::string> Boxes() const {
    std::vector<std::string> texts;
    for (const RecordedBox& box : BoxDoubleLog())
      texts.push_back(std::string(box.kind == BoxKind::Error ? "error: " : "warning: ") + box.text);
    return texts;
  }
};

TEST_F(Mail, DefaultClientChoosesNotesIgnoringCase) {
  const struct {
    const char* client;  // nullptr: no value; "-": no key
    int notes;
  } cases[] = {{"Lotus Notes", 1}, {"lotus notes", 1}, {"LOTUS NOTES", 1}, {"Outlook Express", 0},
               {"Lotus Notes 6", 0}, {"", 0},          {nullptr, 0},       {"-", 0}};
  for (const auto& c : cases) {
    RegistryMemoryReset();
    if (c.client == nullptr) {
      RegistryMemoryCreateKey(HKLM, "Software\\Clients\\Mail");
    } else if (std::string(c.client) != "-") {
      RegistryMemorySetText(HKLM, "Software\\Clients\\Mail", "", c.client);
    }
    EXPECT_EQ(DefaultClientIsNotes(), c.notes) << (c.client ? c.client : "(no value)");
  }
  EXPECT_TRUE(BoxDoubleLog().empty());
}

TEST_F(Mail, DefaultClientNameLongerThanItsBufferIsNotNotes) {
  RegistryMemorySetText(HKLM, "Software\\Clients\\Mail", "", std::string(300, 'x').c_str());
  EXPECT_EQ(DefaultClientIsNotes(), 0);
}

TEST_F(Mail, LotusKeyPathFromTeamMailOrTheFirstNotesSubkey) {
  char key[MAIL_PATH_SIZE];
  RegistryMemorySetText(HKLM, "Software\\Lotus\\Components\\TeamMail", "KeyPath", "Software\\Lotus\\Notes\\6.5");
  RegistryMemoryCreateKey(HKLM, "Software\\Lotus\\Notes\\5.0");
  ASSERT_EQ(LotusKeyPath(key), 1);
  EXPECT_STREQ(key, "Software\\Lotus\\Notes\\6.5");

  // TeamMail without KeyPath: the first subkey (enumeration order).
  RegistryMemoryReset();
  RegistryMemoryCreateKey(HKLM, "Software\\Lotus\\Components\\TeamMail");
  RegistryMemoryCreateKey(HKLM, "Software\\Lotus\\Notes\\6.5");
  RegistryMemoryCreateKey(HKLM, "Software\\Lotus\\Notes\\5.0");
  ASSERT_EQ(LotusKeyPath(key), 1);
  EXPECT_STREQ(key, "Software\\Lotus\\Notes\\5.0");

  // Seven characters fit.
  RegistryMemoryReset();
  RegistryMemoryCreateKey(HKLM, "Software\\Lotus\\Notes\\1234567");
  ASSERT_EQ(LotusKeyPath(key), 1);
  EXPECT_STREQ(key, "Software\\Lotus\\Notes\\1234567");
  EXPECT_TRUE(BoxDoubleLog().empty());
}

TEST_F(Mail, LotusKeyPathFailures) {
  char key[MAIL_PATH_SIZE];
  // No Notes key at all.
  EXPECT_EQ(LotusKeyPath(key), 0);
  // A Notes key whose only subkey has eight characters, and one with no subkey.
  RegistryMemoryCreateKey(HKLM, "Software\\Lotus\\Notes\\12345678");
  EXPECT_EQ(LotusKeyPath(key), 0);
  RegistryMemoryReset();
  RegistryMemoryCreateKey(HKLM, "Software\\Lotus\\Notes");
  EXPECT_EQ(LotusKeyPath(key), 0);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"error: Erreur while opening registry.\nKey: Software\\Lotus\\Notes",
                                               "error: Erreur while opening registry.\nKey: Software\\Lotus\\Notes\\(version)",
                                               "error: Erreur while opening registry.\nKey: Software\\Lotus\\Notes\\(version)"}));
}

TEST_F(Mail, LotusQueryValue) {
  char out[MAIL_PATH_SIZE];
  RegistryMemorySetText(HKLM, "Software\\Lotus\\Notes\\6.5", "Path", "C:\\Lotus\\Notes\\");
  ASSERT_EQ(LotusQueryValue("Path", out), 1);
  EXPECT_STREQ(out, "C:\\Lotus\\Notes\\");
  EXPECT_TRUE(BoxDoubleLog().empty());

  // Key found, value missing; then a value of 260 bytes (more than 259).
  RegistryMemoryReset();
  RegistryMemoryCreateKey(HKLM, "Software\\Lotus\\Notes\\6.5");
  EXPECT_EQ(LotusQueryValue("Path", out), 0);
  RegistryMemorySetText(HKLM, "Software\\Lotus\\Notes\\6.5", "Path", std::string(259, 'p').c_str());
  EXPECT_EQ(LotusQueryValue("Path", out), 0);
  RegistryMemorySetText(HKLM, "Software\\Lotus\\Notes\\6.5", "Path", std::string(258, 'p').c_str());
  EXPECT_EQ(LotusQueryValue("Path", out), 1);
  EXPECT_EQ(std::string(out), std::string(258, 'p'));

  // The TeamMail key names a key that does not exist.
  RegistryMemoryReset();
  RegistryMemorySetText(HKLM, "Software\\Lotus\\Components\\TeamMail", "KeyPath", "Software\\Lotus\\Gone");
  EXPECT_EQ(LotusQueryValue("Path", out), 0);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"error: Erreur while opening registry.\nKey: Software\\Lotus\\Notes\\6.5\\Path",
                                               "error: Erreur while opening registry.\nKey: Software\\Lotus\\Notes\\6.5\\Path",
                                               "error: Erreur while opening registry.\nKey: Software\\Lotus\\Gone"}));
}

TEST_F(Mail, BuiltInNoticeNamesTheVendor) {
  EXPECT_EQ(std::string(MailBuiltinNotice()),
            std::string("To decrypt the attached file, you should use Quillnox-Viewer\nfreely downloadable on ") +
                VENDOR_WEB_ADDRESS);
}

TEST_F(Mail, BodyFileIsReadWholeWithItsNul) {
  TempDir dir;
  const std::string folder = dir.path() + "/";
  std::vector<char> body;
  EXPECT_EQ(MailReadBodyFile(folder.c_str(), &body), 0);  // missing
  EXPECT_TRUE(body.empty());

  WriteFileBytes(dir.File("mail.txt"), BytesOf(std::string("Hello\r\n\0tail", 13)));
  ASSERT_EQ(MailReadBodyFile(folder.c_str(), &body), 1);
  EXPECT_EQ(std::string(body.begin(), body.end()), std::string("Hello\r\n\0tail\0", 14));

  WriteFileBytes(dir.File("mail.txt"), Bytes(MAIL_BODY_LIMIT, 'a'));
  ASSERT_EQ(MailReadBodyFile(folder.c_str(), &body), 1);
  EXPECT_EQ(body.size(), MAIL_BODY_LIMIT + 1);
  EXPECT_EQ(body.back(), '\0');

  WriteFileBytes(dir.File("mail.txt"), Bytes(MAIL_BODY_LIMIT + 1, 'a'));  // too large: missing
  EXPECT_EQ(MailReadBodyFile(folder.c_str(), &body), 0);
  EXPECT_TRUE(body.empty());

  EXPECT_EQ(MailReadBodyFile(std::string(300, 'd').c_str(), &body), 0);  // path does not fit
}

TEST_F(Mail, BodiesOfBothRoutes) {
  TempDir dir;
  const std::string folder = dir.path() + "/";
  // Simple MAPI without an installation folder: the notice (after InstallDir's message).
  std::vector<char> body = MailMapiBody(false);
  ASSERT_FALSE(body.empty());
  EXPECT_STREQ(body.data(), MailBuiltinNotice());
  EXPECT_EQ(BoxDoubleLog().size(), 1u);
  // Notes without "mail.txt": none; with it: its text.
  EXPECT_TRUE(MailNotesBody(folder.c_str(), false).empty());
  WriteFileBytes(dir.File("mail.txt"), BytesOf("Dear reader"));
  body = MailNotesBody(folder.c_str(), false);
  ASSERT_FALSE(body.empty());
  EXPECT_STREQ(body.data(), "Dear reader");
  // The self-extracting option: no body by either route, even with "mail.txt".
  EXPECT_TRUE(MailNotesBody(folder.c_str(), true).empty());
  EXPECT_TRUE(MailMapiBody(true).empty());
}

}  // namespace
