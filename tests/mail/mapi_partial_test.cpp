// Mail dispatch from a folder whose "MAPI32.DLL" lacks MAPIResolveName and which holds
// no "notes.dll": Simple MAPI is unavailable, and the Notes route cannot load its
// library. MissingMapiIsUnavailable runs from a copy of this program in a folder without
// any "MAPI32.DLL", with Wine's own library switched off: no library loads at all.
#include <gtest/gtest.h>

#include "app/send/mail.h"
#include "platform/common/msgbox_double.h"
#include "tests/mail/wine_support.h"

namespace {

TEST(MailWithoutLibraries, IncompleteMapiIsUnavailable) {
  BoxDoubleReset();
  DeleteKeyTree(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail");
  SetKeyText(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail", nullptr, "Outlook Express");
  SetErrorMode(SEM_FAILCRITICALERRORS);
  WatchMapiLookups(nullptr);
  EXPECT_EQ(MailInit(), 0);
  EXPECT_EQ(MapiLookups(), SimpleMapiOrder()) << "the last one is the one missing";
  EXPECT_EQ(GetErrorMode(), static_cast<UINT>(SEM_FAILCRITICALERRORS));  // restored after the load
  EXPECT_NE(GetModuleHandleA("MAPI32.DLL"), nullptr);  // the library stays loaded
  MapiUnavailableMessage(nullptr);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"error: Unable to load MAPI32.DLL"});
  MapiUnload();
  EXPECT_EQ(GetModuleHandleA("MAPI32.DLL"), nullptr);
}

TEST(MailWithoutLibraries, MissingMapiIsUnavailable) {
  BoxDoubleReset();
  DeleteKeyTree(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail");  // no default client: Simple MAPI
  ASSERT_EQ(LoadLibraryA("MAPI32.DLL"), nullptr) << "a MAPI32.DLL can be loaded here";
  SetErrorMode(SEM_FAILCRITICALERRORS);
  WatchMapiLookups(nullptr);
  for (int attempt = 1; attempt <= 2; ++attempt) {  // nothing is kept from a failed load
    SCOPED_TRACE(attempt);
    EXPECT_EQ(MailInit(), 0);
    EXPECT_EQ(GetErrorMode(), static_cast<UINT>(SEM_FAILCRITICALERRORS));
  }
  EXPECT_TRUE(MapiLookups().empty());
  MapiUnavailableMessage(nullptr);
  const std::string attachment = TestProgramFolder() + "file.vek";
  WriteAll(attachment, "container");
  EXPECT_EQ(SendMail(nullptr, attachment.c_str(), false), 0);
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"error: Unable to load MAPI32.DLL",
                                                  "error: Unable to load MAPI32.DLL"}));
  EXPECT_TRUE(Exists(attachment)) << "the caller deletes the attachment, not SendMail";
  DeleteFileA(attachment.c_str());
  MapiUnload();
}

TEST(MailWithoutLibraries, NotesLibraryMissing) {
  BoxDoubleReset();
  SetKeyText(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail", nullptr, "Lotus Notes");
  SetKeyText(HKEY_LOCAL_MACHINE, "Software\\Lotus\\Notes\\6.5", "Path", TestProgramFolder());
  // A "notes.dll" in the current folder must not be taken: only the program's own.
  const std::string elsewhere = TestProgramFolder() + "..\\bin\\";
  SetCurrentDirectoryA(elsewhere.c_str());
  EXPECT_EQ(MailInit(), 1);
  EXPECT_EQ(SendMail(nullptr, (TestProgramFolder() + "file.vek").c_str(), false), 0);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"warning: Unable to load notes.dll"});
}

}  // namespace
