// The uninstaller's decisions: command line, texts, progress step, key split, the log
// of an uninstaller started without argument, and the records it refuses to act on.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "remover/install_log.h"
#include "remover/remover_rules.h"

namespace {

TEST(RemoverCommandLine, SilentSwitchCutsThePath) {
  struct Case {
    const char* line;
    bool silent;
    const char* log;
    const char* origin;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Q\\unins000.dat /SILENT", true, "C:\\Program Files\\Q\\unins000.dat", ""},
      {"C:\\Q\\unins000.dat", false, "C:\\Q\\unins000.dat", ""},
      {"unins001.dat", false, "unins001.dat", ""},
      {"/SILENT", true, "", ""},
      {"", false, "", ""},
      {"\"C:\\A B\\unins000.dat\" /SILENT", true, "C:\\A B\\unins000.dat", ""},
      {"C:\\Q\\unins000.dat /ORIGIN:C:\\Q\\unins000.exe /SILENT", true, "C:\\Q\\unins000.dat",
       "C:\\Q\\unins000.exe"},
      {"C:\\Q\\unins000.dat /ORIGIN:C:\\Q R\\unins000.exe", false, "C:\\Q\\unins000.dat", "C:\\Q R\\unins000.exe"},
  };
  for (const Case& c : cases) {
    RemoverCommand cmd;
    ASSERT_TRUE(ParseRemoverCommand(c.line, &cmd)) << c.line;
    EXPECT_EQ(cmd.silent, c.silent) << c.line;
    EXPECT_STREQ(cmd.log_path, c.log) << c.line;
    EXPECT_STREQ(cmd.origin, c.origin) << c.line;
  }
}

TEST(RemoverCommandLine, TooLongPathIsRefusedAndCopyLineRoundTrips) {
  RemoverCommand cmd;
  const std::string long_path(REMOVER_PATH_SIZE, 'a');
  EXPECT_FALSE(ParseRemoverCommand(long_path.c_str(), &cmd));

  char line[1024];
  for (const bool silent : {true, false}) {
    ASSERT_TRUE(CopyCommandLine("C:\\Q R\\unins002.dat", "C:\\Q R\\unins002.exe", 0x1c4, 7, 18446744073709551615ull,
                                silent, line, sizeof line));
    ASSERT_TRUE(ParseRemoverCommand(line, &cmd)) << line;
    EXPECT_EQ(cmd.silent, silent);
    EXPECT_STREQ(cmd.log_path, "C:\\Q R\\unins002.dat");
    EXPECT_STREQ(cmd.origin, "C:\\Q R\\unins002.exe");
    EXPECT_EQ(cmd.origin_process, 0x1c4u);
    EXPECT_EQ(cmd.origin_done, 7u);
    EXPECT_EQ(cmd.own_file, 18446744073709551615ull);
  }
  EXPECT_FALSE(CopyCommandLine("C:\\Q\\unins002.dat", "C:\\Q\\unins002.exe", 1, 2, 3, false, line, 20));
  // A started uninstaller never takes handle numbers it cannot read whole.
  for (const char* bad : {"C:\\Q\\unins000.dat /HANDLES:1,2 /ORIGIN:C:\\Q\\unins000.exe",
                          "C:\\Q\\unins000.dat /HANDLES:1,2,x /ORIGIN:C:\\Q\\unins000.exe",
                          "C:\\Q\\unins000.dat /HANDLES:1,2,3,4 /ORIGIN:C:\\Q\\unins000.exe",
                          "C:\\Q\\unins000.dat /HANDLES:99999999999999999999,2,3 /ORIGIN:C:\\Q\\unins000.exe"})
    EXPECT_FALSE(ParseRemoverCommand(bad, &cmd)) << bad;
}

TEST(RemoverTexts, BothLanguagesAndFormatting) {
  char out[128];
  FormatRemoverText(0, TEXT_REMOVED, "Quillnox", out, sizeof out);
  EXPECT_STREQ(out, "Quillnox is removed from your computer");
  FormatRemoverText(1, TEXT_REMOVED, "Quillnox", out, sizeof out);
  EXPECT_STREQ(out, "Quillnox a \xE9t\xE9 supprim\xE9 de votre ordinateur");
  FormatRemoverText(1, TEXT_PROGRESS_LINE, "Quillnox", out, sizeof out);
  EXPECT_STREQ(out, "D\xE9sinstallation de Quillnox...");
  EXPECT_STREQ(RemoverTextFor(1, TEXT_CANCEL), "&Abandon");
  EXPECT_STREQ(RemoverTextFor(7, TEXT_CANCEL), "&Cancel");  // unknown language: English
  EXPECT_STREQ(RemoverTextFor(0, TEXT_LEFTOVER_HEAD), "The following files or dirs were not removed:");
  for (int t = 0; t < TEXT_COUNT; ++t)
    for (int l = 0; l < 2; ++l) EXPECT_GT(std::strlen(RemoverTextFor(l, static_cast<RemoverText>(t))), 0u);
  char small[8];
  FormatRemoverText(0, TEXT_WINDOW_TITLE, "Quillnox", small, sizeof small);
  EXPECT_STREQ(small, "Quillno");
}

TEST(RemoverProgress, StepIsHundredOverRecordsAndHundredForNone) {
  EXPECT_EQ(ProgressStep(0), 100);
  EXPECT_EQ(ProgressStep(1), 100);
  EXPECT_EQ(ProgressStep(3), 33);
  EXPECT_EQ(ProgressStep(40), 2);
  EXPECT_EQ(ProgressStep(101), 0);
}

TEST(RemoverTicks, FilesForFiftyTicksEverythingForAHundred) {
  struct Case {
    int tick;
    bool files, folders;
    TickAction action;
  };
  const Case cases[] = {
      {0, true, true, TickAction::FilePass},    {49, true, false, TickAction::FilePass},
      {50, true, true, TickAction::FolderPass}, {50, true, false, TickAction::FolderPass},
      {0, false, true, TickAction::FolderPass}, {99, false, true, TickAction::FolderPass},
      {100, false, true, TickAction::Report},   {100, true, false, TickAction::Report},
      {3, false, false, TickAction::Complete},  {100, false, false, TickAction::Report},
  };
  for (const Case& c : cases)
    EXPECT_EQ(NextTickAction(c.tick, c.files, c.folders), c.action) << c.tick << c.files << c.folders;
}

TEST(RemoverKeys, SplitAtLastBackslash) {
  char parent[64], name[64];
  ASSERT_TRUE(SplitKeyPath("VekFile\\Shell\\Open", parent, sizeof parent, name, sizeof name));
  EXPECT_STREQ(parent, "VekFile\\Shell");
  EXPECT_STREQ(name, "Open");
  ASSERT_TRUE(SplitKeyPath(".vek", parent, sizeof parent, name, sizeof name));
  EXPECT_STREQ(parent, "");
  EXPECT_STREQ(name, ".vek");
  EXPECT_FALSE(SplitKeyPath("aaaa\\b", parent, 4, name, sizeof name));
}

TEST(RemoverNoArgument, LogBesideTheProgramWithItsNumber) {
  char log[REMOVER_PATH_SIZE];
  ASSERT_TRUE(LogPathForProgram("C:\\P\\Orvanel\\Quillnox\\unins003.exe", log, sizeof log));
  EXPECT_STREQ(log, "C:\\P\\Orvanel\\Quillnox\\unins003.dat");
  ASSERT_TRUE(LogPathForProgram("C:\\Q\\UNINS000.EXE", log, sizeof log));
  EXPECT_STREQ(log, "C:\\Q\\UNINS000.dat");
  for (const char* bad : {"C:\\Q\\remover.exe", "C:\\Q\\unins00a.exe", "C:\\Q\\unins0001.exe", "C:\\Q\\unins000.dat"})
    EXPECT_FALSE(LogPathForProgram(bad, log, sizeof log)) << bad;
  for (const char* name : {"unins000.dat", "UNINS042.DAT"}) EXPECT_TRUE(IsNumberedLogName(name)) << name;
  for (const char* name : {"unins000.exe", "unins0000.dat", "unins00x.dat", "xunins00.dat", "unins000.dat.bak"})
    EXPECT_FALSE(IsNumberedLogName(name)) << name;
}

const RemovalScope kScope = {"C:\\Program Files\\Orvanel\\Quillnox", "C:\\windows\\system32",
                             "C:\\ProgramData\\Start Menu\\Programs\\Feldspire\\Quillnox", "C:\\users\\Public\\Desktop",
                             "Quillnox"};

TEST(RemoverScope, FileRecords) {
  struct Case {
    const char* path;
    bool allowed;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Orvanel\\Quillnox\\Quillnox.exe", true},
      {"c:\\program files\\orvanel\\quillnox\\unins000.exe", true},
      {"C:\\ProgramData\\Start Menu\\Programs\\Feldspire\\Quillnox\\Quillnox 4.10.lnk", true},
      {"C:\\users\\Public\\Desktop\\Quillnox.lnk", true},
      {"C:\\windows\\system32\\quillext.dll", true},
      {"C:\\windows\\system32\\kernel32.dll", false},
      {"C:\\users\\Public\\Desktop\\report.doc", false},
      {"C:\\users\\Public\\Desktop\\sub\\x.lnk", false},
      {"C:\\Program Files\\Orvanel\\Quillnox", false},               // the folder itself
      {"C:\\Program Files\\Orvanel\\QuillnoxOther\\a.exe", false},   // a sibling sharing the prefix
      {"C:\\Program Files\\Orvanel\\Quillnox\\..\\..\\x.txt", false},
      {"C:\\Program Files\\Orvanel\\Quillnox\\\\x.txt", false},
      {"C:\\Program Files\\Orvanel\\Quillnox/../x.txt", false},
      {"C:\\boot.ini", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(FileRecordAllowed(kScope, c.path), c.allowed) << c.path;
}

TEST(RemoverScope, NativeFileRecordsOnlyTheSystemFoldersExtension) {
  struct Case {
    const char* path;
    bool allowed;
  };
  const Case cases[] = {
      {"C:\\windows\\system32\\quillext.dll", true},
      {"C:\\WINDOWS\\System32\\QUILLEXT.DLL", true},
      {"C:\\windows\\system32\\kernel32.dll", false},
      {"C:\\windows\\system32\\sub\\quillext.dll", false},
      {"C:\\windows\\system32\\..\\system32\\quillext.dll", false},
      {"C:\\Program Files\\Orvanel\\Quillnox\\Quillnox.exe", false},  // a code 0 file, not this one
      {"C:\\windows\\quillext.dll", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(NativeFileRecordAllowed(kScope, c.path), c.allowed) << c.path;
  const RemovalScope unknown{"C:\\Program Files\\Orvanel\\Quillnox", "", "", "", "Quillnox"};
  EXPECT_FALSE(NativeFileRecordAllowed(unknown, "\\quillext.dll"));
}

TEST(RemoverScope, FolderRecords) {
  struct Case {
    const char* path;
    bool allowed;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Orvanel\\Quillnox", true},
      {"C:\\Program Files\\Orvanel", true},
      {"C:\\Program Files", true},
      {"C:\\Program Files\\Orvanel\\Quillnox\\sub", true},
      {"C:\\ProgramData\\Start Menu\\Programs\\Feldspire\\Quillnox", true},
      {"C:\\ProgramData\\Start Menu\\Programs\\Feldspire", true},
      {"C:\\ProgramData\\Start Menu\\Programs", false},
      {"C:\\users", false},
      {"C:\\", false},
      {"C:", false},
      {"C:\\Program Files\\Orvanel\\Quillnox\\..", false},
  };
  for (const Case& c : cases) EXPECT_EQ(FolderRecordAllowed(kScope, c.path), c.allowed) << c.path;
}

TEST(RemoverScope, KeyRecords) {
  struct Case {
    int code;
    const char* path;
    bool allowed;
  };
  const Case cases[] = {
      {LOG_KEY_HKCR, "*\\shellex\\ContextMenuHandlers\\Quillnox", true},
      {LOG_KEY_HKCR, "CLSID\\{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}\\InProcServer32", true},
      {LOG_KEY_HKCR, "CLSID\\{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}", true},
      {LOG_KEY_HKCR, ".vek", true},
      {LOG_KEY_HKCR, "VekFile\\Shell\\Open\\Command", true},
      {LOG_KEY_HKCR, "VekFileX", false},
      {LOG_KEY_HKCR, ".txt", false},
      {LOG_KEY_HKCR, "CLSID", false},
      {LOG_KEY_HKLM, "Software\\Orvanel\\Quillnox\\4.10EN", true},
      {LOG_KEY_HKLM, "Software\\Orvanel\\Quillnox", true},
      {LOG_KEY_HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillnox", true},
      {LOG_KEY_HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other", false},
      {LOG_KEY_HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", false},
      {LOG_KEY_HKLM, "Software\\Orvanel", true},
      {LOG_KEY_HKLM, "Software\\Orvanel\\Vek", false},
      {LOG_KEY_HKCU, "Software\\Orvanel\\Quillnox\\4.10EN", true},
      {LOG_KEY_HKCU, "Software\\Orvanel", true},
      {LOG_KEY_HKCU, "Software", false},
      {LOG_KEY_HKCU, "Software\\Orvanel\\Quillnox\\", false},
      {LOG_FILE, "Software\\Orvanel\\Quillnox", false},
      // The 64-bit view holds only the 64-bit shell extension's registration.
      {LOG_KEY_HKCR_NATIVE, "*\\shellex\\ContextMenuHandlers\\Quillnox", true},
      {LOG_KEY_HKCR_NATIVE, "CLSID\\{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}\\InProcServer32", true},
      {LOG_KEY_HKCR_NATIVE, "CLSID\\{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}", true},
      {LOG_KEY_HKCR_NATIVE, ".vek", false},
      {LOG_KEY_HKCR_NATIVE, "VekFile", false},
      {LOG_KEY_HKCR_NATIVE, "CLSID", false},
      {LOG_KEY_HKCR_NATIVE, "*\\shellex\\ContextMenuHandlers", false},
  };
  for (const Case& c : cases) EXPECT_EQ(KeyRecordAllowed(kScope, c.code, c.path), c.allowed) << c.path;
}

}  // namespace
