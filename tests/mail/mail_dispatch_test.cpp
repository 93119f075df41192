// SendMail through each route under Wine: Simple MAPI through the fake "MAPI32.DLL"
// beside this program (what MAPILogon and MAPISendMail received), and Lotus Notes
// through the real "notes.dll" beside it and the fake Notes server.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/logic/vendor.h"
#include "app/send/mail.h"
#include "platform/common/msgbox_double.h"
#include "tests/mail/wine_support.h"

namespace {

const WindowHandle kOwner = reinterpret_cast<WindowHandle>(static_cast<std::uintptr_t>(0x4321));

class MailDispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    BoxDoubleReset();
    DeleteKeyTree(HKEY_LOCAL_MACHINE, "Software\\Lotus");
    DeleteKeyTree(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail");
    install_ = TestProgramFolder() + "inst\\";
    CreateDirectoryA(install_.c_str(), nullptr);
    SetKeyText(HKEY_CLASSES_ROOT, "VekFile\\Shell\\Open\\Command", nullptr, install_ + "Quillnox.exe %1");
    mapi_log_ = TestProgramFolder() + "mapi_calls.txt";
    notes_log_ = TestProgramFolder() + "notes_calls_dispatch.txt";
    attachment_ = TestProgramFolder() + "file.vek";
    for (const std::string& file : {mapi_log_, notes_log_, install_ + "mail.txt", TestProgramFolder() + "mail.txt"})
      DeleteFileA(file.c_str());
    WriteAll(attachment_, "container");
    SetEnvironmentVariableA("QLX_FAKE_MAPI_LOG", mapi_log_.c_str());
    SetEnvironmentVariableA("QLX_FAKE_MAPI_LOGON", nullptr);
    SetEnvironmentVariableA("QLX_FAKE_MAPI_SEND", nullptr);
    SetEnvironmentVariableA("QLX_FAKE_NOTES_LOG", notes_log_.c_str());
    SetEnvironmentVariableA("QLX_FAKE_NOTES", "");
  }
  void TearDown() override {
    DeleteFileA(attachment_.c_str());
    DeleteFileA((TestProgramFolder() + "mail.txt").c_str());
    MapiUnload();
  }
  std::vector<std::string> MapiRecord(const char* body) const {
    return {"MAPILogon ui=0x4321 profile=(null) password=(null) flags=0x3 reserved=0 -> 0",
            "MAPISendMail session=0x5e55 ui=0x4321 flags=0x8 reserved=0",
            "subject=\"Quillnox File\"",
            std::string("body=") + body,
            "type=(null) date=(null) conversation=(null) flags=0x0 reserved=0",
            "originator=(null) recipients=0",
            "files=1",
            "file path=\"" + Escaped(attachment_) + "\" name=\"file.vek\" position=0xffffffff flags=0x0 reserved=0 "
            "type=(null)"};
  }
  static std::string Escaped(const std::string& text) {
    std::string shown;
    for (char c : text) shown += c == '\\' ? std::string("\\x5c") : std::string(1, c);
    return shown;
  }
  std::string install_, mapi_log_, notes_log_, attachment_;
};

TEST_F(MailDispatch, SimpleMapiWithTheInstalledMailText) {
  SetKeyText(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail", nullptr, "Outlook Express");
  WriteAll(install_ + "mail.txt", "Read me\r\nwith Quillnox.");
  ASSERT_EQ(MailInit(), 1);
  ASSERT_EQ(SendMail(kOwner, attachment_.c_str(), false), 1);
  EXPECT_EQ(Lines(ReadAll(mapi_log_)), MapiRecord("\"Read me\\r\\nwith Quillnox.\""));
  EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(MailDispatch, SimpleMapiWithoutMailTextSendsTheNotice) {
  // No "software\Clients\Mail" key at all: Simple MAPI.
  WriteAll(TestProgramFolder() + "mail.txt", "beside the program: the Notes route's file");
  ASSERT_EQ(MailInit(), 1);
  ASSERT_EQ(SendMail(kOwner, attachment_.c_str(), false), 1);
  EXPECT_EQ(Lines(ReadAll(mapi_log_)),
            MapiRecord(("\"To decrypt the attached file, you should use Quillnox-Viewer\\nfreely downloadable on " +
                        std::string(VENDOR_WEB_ADDRESS) + "\"").c_str()));
}

TEST_F(MailDispatch, SimpleMapiSelfExtractingHasNoBody) {
  WriteAll(install_ + "mail.txt", "Read me");
  ASSERT_EQ(MailInit(), 1);
  ASSERT_EQ(SendMail(kOwner, attachment_.c_str(), true), 1);
  EXPECT_EQ(Lines(ReadAll(mapi_log_)), MapiRecord("(null)"));
}

TEST_F(MailDispatch, SimpleMapiLogonRefused) {
  SetEnvironmentVariableA("QLX_FAKE_MAPI_LOGON", "1");  // MAPI_USER_ABORT
  ASSERT_EQ(MailInit(), 1);
  EXPECT_EQ(SendMail(kOwner, attachment_.c_str(), false), 0);
  EXPECT_EQ(Lines(ReadAll(mapi_log_)),
            std::vector<std::string>{"MAPILogon ui=0x4321 profile=(null) password=(null) flags=0x3 reserved=0 -> 1"});
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"warning: MAPILogon failed"});
}

// What MAPISendMail answers decides: taken, cancelled by the user in the mail program
// (quiet), or refused (said).
TEST_F(MailDispatch, SimpleMapiSendResultIsReported) {
  struct Case {
    const char* answer;
    int result;
    std::vector<std::string> boxes;
  } cases[] = {
      {"0", 1, {}},
      {"1", 0, {}},  // MAPI_USER_ABORT
      {"2", 0, {"warning: The mail program did not take the message (MAPISendMail error 2).\nNothing was sent."}},
      {"11", 0, {"warning: The mail program did not take the message (MAPISendMail error 11).\nNothing was sent."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    BoxDoubleReset();
    DeleteFileA(mapi_log_.c_str());
    SetEnvironmentVariableA("QLX_FAKE_MAPI_SEND", c.answer);
    ASSERT_EQ(MailInit(), 1);
    EXPECT_EQ(SendMail(kOwner, attachment_.c_str(), false), c.result);
    EXPECT_EQ(Lines(ReadAll(mapi_log_)).size(), MapiRecord("x").size()) << "the message was handed over";
    EXPECT_EQ(BoxTexts(), c.boxes);
  }
}

TEST_F(MailDispatch, NotesRouteWithTheProgramsMailText) {
  SetKeyText(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail", nullptr, "lotus notes");
  SetKeyText(HKEY_LOCAL_MACHINE, "Software\\Lotus\\Notes\\6.5", "Path", TestProgramFolder());
  SetKeyText(HKEY_LOCAL_MACHINE, "Software\\Lotus\\Notes\\6.5", "Name", "fakenotes.exe");
  WriteAll(TestProgramFolder() + "mail.txt", "Notes body");
  ASSERT_EQ(MailInit(), 1);
  ASSERT_EQ(SendMail(kOwner, attachment_.c_str(), false), 1);
  EXPECT_TRUE(BoxTexts().empty());
  EXPECT_EQ(ReadAll(mapi_log_), "<missing>");
  const std::string calls = ReadAll(notes_log_);
  EXPECT_NE(calls.find("document#1 1175 method(text:\"Subject\",text:\"Quillnox File\")"), std::string::npos);
  EXPECT_NE(calls.find("richtext#1 1359 method(text:\"Notes body\\r\\n\\r\\n\")"), std::string::npos);
  EXPECT_NE(calls.find("text:\"" + attachment_ + "\""), std::string::npos);
  // The log is on: it lies beside the Notes program.
  EXPECT_NE(ReadAll(TestProgramFolder() + "QuillnoxLog.txt").find("Notessendmail terminated without Error\n"),
            std::string::npos);

  // Self-extracting: no body even with "mail.txt".
  DeleteFileA(notes_log_.c_str());
  ASSERT_EQ(SendMail(kOwner, attachment_.c_str(), true), 1);
  EXPECT_NE(ReadAll(notes_log_).find("richtext#1 1359 method(text:\"\\r\\n\\r\\n\")"), std::string::npos);
}

TEST_F(MailDispatch, NotesRouteFailures) {
  SetKeyText(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail", nullptr, "Lotus Notes");
  // No Lotus key.
  EXPECT_EQ(SendMail(kOwner, attachment_.c_str(), false), 0);
  // A key without "Path".
  CreateKey(HKEY_LOCAL_MACHINE, "Software\\Lotus\\Notes\\6.5");
  EXPECT_EQ(SendMail(kOwner, attachment_.c_str(), false), 0);
  // The library's own failure.
  SetKeyText(HKEY_LOCAL_MACHINE, "Software\\Lotus\\Notes\\6.5", "Path", TestProgramFolder());
  SetEnvironmentVariableA("QLX_FAKE_NOTES", "drafts=missing");
  EXPECT_EQ(SendMail(kOwner, attachment_.c_str(), false), 0);
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{
                            "error: Erreur while opening registry.\nKey: Software\\Lotus\\Notes",
                            "warning: Cannot get Lotus Path",
                            "error: Erreur while opening registry.\nKey: Software\\Lotus\\Notes\\6.5\\Path",
                            "warning: Cannot get Lotus Path",
                            "warning: Quillnox Notes.dll error.\nerr=8"}));
}

// MailInit resolves the twelve functions in their order and stops at the first one
// missing; the send command then shows "Unable to load MAPI32.DLL", and SendMail, which
// loads again for itself, shows the same and calls nothing.
struct ResolveCase {
  const char* missing;   // the export the library lacks; nullptr: none
  int result;            // of MailInit
  std::size_t resolved;  // functions looked up, from the first
};

class MapiResolveOrder : public MailDispatch, public ::testing::WithParamInterface<ResolveCase> {};

TEST_P(MapiResolveOrder, StopsAtTheFirstMissingFunction) {
  const ResolveCase& row = GetParam();
  MapiUnload();
  WatchMapiLookups(row.missing);
  EXPECT_EQ(MailInit(), row.result);
  const std::vector<std::string>& order = SimpleMapiOrder();
  EXPECT_EQ(MapiLookups(), std::vector<std::string>(order.begin(), order.begin() + row.resolved));
  if (row.result == 0) {
    MapiUnavailableMessage(kOwner);
    EXPECT_EQ(SendMail(kOwner, attachment_.c_str(), false), 0);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"error: Unable to load MAPI32.DLL",
                                                    "error: Unable to load MAPI32.DLL"}));
    EXPECT_EQ(ReadAll(mapi_log_), "<missing>") << "no Simple MAPI function may be called";
  } else {
    EXPECT_EQ(SendMail(kOwner, attachment_.c_str(), false), 1);
    EXPECT_EQ(Lines(ReadAll(mapi_log_)).size(), MapiRecord("").size());
    EXPECT_TRUE(BoxTexts().empty());
  }
  WatchMapiLookups(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Exports, MapiResolveOrder,
                         ::testing::Values(ResolveCase{nullptr, 1, 12}, ResolveCase{"MAPILogon", 0, 1},
                                           ResolveCase{"MAPISendMail", 0, 3}, ResolveCase{"MAPISaveMail", 0, 7},
                                           ResolveCase{"MAPIResolveName", 0, 12}),
                         [](const ::testing::TestParamInfo<ResolveCase>& info) {
                           return std::string(info.param.missing ? info.param.missing : "none") + "Missing";
                         });

}  // namespace
