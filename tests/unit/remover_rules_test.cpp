// The uninstaller's decisions: command line (as Windows passes it, and the copy's round
// trip), texts, progress step, key split, the log of an uninstaller started without
// argument, the records it refuses to act on, and what the handles along a record's
// path must show before it is deleted.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "remover/install_log.h"
#include "remover/remover_rules.h"

namespace {

// The raw lines Windows passes (GetCommandLineA): an unquoted program path is passed as
// it was written, blanks and all. (Wine quotes such a path before the program sees it,
// so only these lines show the case.)
TEST(RemoverCommandLine, ArgumentsAfterTheProgramAsWindowsPassesThem) {
  const char* const kModule = "C:\\Program Files\\Orvanel\\Quillnox\\unins000.exe";
  struct Case {
    const char* line;
    const char* arguments;
  };
  const Case cases[] = {
      // "Programs and Features" and the shortcut, before the entry was quoted.
      {"C:\\Program Files\\Orvanel\\Quillnox\\unins000.exe", ""},
      {"C:\\Program Files\\Orvanel\\Quillnox\\unins000.exe /SILENT", "/SILENT"},
      {"C:\\Program Files\\Orvanel\\Quillnox\\unins000.exe\t/SILENT", "/SILENT"},
      {"c:\\program files\\orvanel\\quillnox\\UNINS000.EXE /SILENT", "/SILENT"},
      {"C:\\Program Files\\Orvanel\\Quillnox\\unins000 /SILENT", "/SILENT"},  // started without ".exe"
      {"C:/Program Files/Orvanel/Quillnox/unins000.exe /SILENT", "/SILENT"},
      {"C:\\Program Files\\Orvanel\\Quillnox\\unins000.exe C:\\Q R\\unins000.dat /SILENT",
       "C:\\Q R\\unins000.dat /SILENT"},
      // Quoted, as the entry is now and as the copy is started.
      {"\"C:\\Program Files\\Orvanel\\Quillnox\\unins000.exe\" /SILENT", "/SILENT"},
      {"\"C:\\Program Files\\Orvanel\\Quillnox\\unins000.exe\"/SILENT", "/SILENT"},
      {"\"C:\\Program Files\\Orvanel\\Quillnox\\unins000.exe\"", ""},
      {"  \"C:\\Temp\\qlxrm7-0\\qlxrm7.exe\" \"C:\\Q R\\unins000.dat\" /HANDLES:1,2,3",
       "\"C:\\Q R\\unins000.dat\" /HANDLES:1,2,3"},
      // Another name without blanks (a short name, a name from the search path).
      {"C:\\PROGRA~1\\Orvanel\\Quillnox\\unins000.exe /SILENT", "/SILENT"},
      {"unins000.exe C:\\Q\\unins000.dat", "C:\\Q\\unins000.dat"},
      // A longer name that begins like the program's own is not the program.
      {"C:\\Program Files\\Orvanel\\Quillnox\\unins000.exe.bak x", "Files\\Orvanel\\Quillnox\\unins000.exe.bak x"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_STREQ(ArgumentsAfterProgram(c.line, kModule), c.arguments) << c.line;
  // The whole line through the parser: the log path is never a piece of the program's.
  RemoverCommand cmd;
  ASSERT_TRUE(ParseRemoverCommand(ArgumentsAfterProgram(cases[1].line, kModule), &cmd));
  EXPECT_TRUE(cmd.silent);
  EXPECT_STREQ(cmd.log_path, "");
  EXPECT_STREQ(ArgumentsAfterProgram("C:\\A B\\x.exe /SILENT", ""), "B\\x.exe /SILENT");
  EXPECT_STREQ(ArgumentsAfterProgram(nullptr, kModule), "");
}

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
  ASSERT_TRUE(CopyCommandLine("C:\\Q R\\unins002.dat", "C:\\Q R\\unins002.exe", 1, 2, 3, true, line, sizeof line));
  EXPECT_STREQ(line, "\"C:\\Q R\\unins002.dat\" /HANDLES:1,2,3 /ORIGIN:\"C:\\Q R\\unins002.exe\" /SILENT");
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
  // What the copy's line could not give back whole is refused rather than changed.
  for (const char* bad : {"", " C:\\Q\\unins000.dat", "C:\\Q\\unins000.dat ", "C:\\Q\\\"x\".dat", "C:/Q/unins000.dat",
                          "C:\\Q /SILENT\\unins000.dat"}) {
    EXPECT_FALSE(CopyCommandLine(bad, "C:\\Q\\unins000.exe", 1, 2, 3, false, line, sizeof line)) << bad;
    EXPECT_FALSE(CopyCommandLine("C:\\Q\\unins000.dat", bad, 1, 2, 3, false, line, sizeof line)) << bad;
  }
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

TEST(RemoverLog, SixteenMebibytesAtMost) {
  EXPECT_TRUE(LogSizeAcceptable(0));
  EXPECT_TRUE(LogSizeAcceptable(16u << 20));
  EXPECT_FALSE(LogSizeAcceptable((16u << 20) + 1));
  EXPECT_FALSE(LogSizeAcceptable(~0ull));
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
                             "C:\\ProgramData\\Start Menu\\Programs\\Feldspire\\Quillnox", "C:\\users\\Public\\Desktop"};

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
      // Only the shortcuts setup makes, whatever else a crafted log names there.
      {"C:\\ProgramData\\Start Menu\\Programs\\Feldspire\\Quillnox\\Quillnox Help.lnk", true},
      {"C:\\ProgramData\\Start Menu\\Programs\\Feldspire\\Quillnox\\Uninstall Quillnox.lnk", true},
      {"C:\\ProgramData\\Start Menu\\Programs\\Feldspire\\Quillnox\\OtherApp.lnk", false},
      {"C:\\users\\Public\\Desktop\\OtherApp.lnk", false},
      {"C:\\users\\Public\\Desktop\\Quillnox 4.10.lnk", false},
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
  const RemovalScope unknown{"C:\\Program Files\\Orvanel\\Quillnox", "", "", ""};
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
  // An installation on a network share: its folders, never the share itself.
  const RemovalScope share{"\\\\srv\\apps\\Quillnox", "", "", ""};
  EXPECT_TRUE(FolderRecordAllowed(share, "\\\\srv\\apps\\Quillnox"));
  EXPECT_TRUE(FileRecordAllowed(share, "\\\\srv\\apps\\Quillnox\\Quillnox.exe"));
  EXPECT_FALSE(FolderRecordAllowed(share, "\\\\srv\\apps"));
  EXPECT_FALSE(FolderRecordAllowed(share, "\\\\srv"));
}

// A log whose folder cannot hold an installation (the root of a drive or of a share)
// puts nothing of that folder in scope: a crafted "C:\evil.dat" naming "C:\victim.txt".
TEST(RemoverScope, RootLogPutsNothingOfItsFolderInScope) {
  for (const char* root : {"C:", "C:\\", "c:", "\\\\srv\\share", "\\\\srv\\share\\", "", "Quillnox"}) {
    SCOPED_TRACE(root);
    const RemovalScope scope{root, "C:\\windows\\system32", "", ""};
    EXPECT_FALSE(UsableInstallFolder(root));
    EXPECT_FALSE(FileRecordAllowed(scope, "C:\\victim.txt"));
    EXPECT_FALSE(FileRecordAllowed(scope, "C:\\Program Files\\x.exe"));
    EXPECT_FALSE(FileRecordAllowed(scope, "\\\\srv\\share\\x.exe"));
    EXPECT_FALSE(FolderRecordAllowed(scope, "C:\\Program Files"));
    EXPECT_FALSE(FolderRecordAllowed(scope, "\\\\srv\\share\\sub"));
    EXPECT_TRUE(FileRecordAllowed(scope, "C:\\windows\\system32\\quillext.dll"));  // outside it, as ever
  }
  for (const char* usable : {"C:\\Apps", "C:\\Apps\\Quillnox", "\\\\srv\\share\\Apps", "D:\\Quilln\xF6x"})
    EXPECT_TRUE(UsableInstallFolder(usable)) << usable;
  for (const char* unusable : {"C:\\Apps\\", "C:\\Apps\\\\x", "C:\\Apps\\..", "\\\\?\\C:\\Apps", "C:\\a:b", "Apps\\x"})
    EXPECT_FALSE(UsableInstallFolder(unusable)) << unusable;
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
      {LOG_KEY_HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OtherApp", false},
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

// A crafted log titled "OtherApp" names another product's uninstall entry: the log's
// title never decides which entry may go.
TEST(RemoverScope, ForeignTitleCannotNameAnotherUninstallEntry) {
  const char* const uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  for (const char* entry : {"OtherApp", "Quillnox\\..\\OtherApp", "Quillnox2", "Vek"})
    EXPECT_FALSE(KeyRecordAllowed(kScope, LOG_KEY_HKLM, (std::string(uninstall) + entry).c_str())) << entry;
  EXPECT_TRUE(KeyRecordAllowed(kScope, LOG_KEY_HKLM, (std::string(uninstall) + "Quillnox").c_str()));
}

TEST(RemoverScope, OnlyTheSystemFoldersExtensionWaitsForARestart) {
  EXPECT_TRUE(RestartDeletes(kScope, "C:\\windows\\system32\\quillext.dll"));
  EXPECT_TRUE(RestartDeletes(kScope, "C:\\WINDOWS\\SYSTEM32\\QUILLEXT.DLL"));
  for (const char* other : {"C:\\Program Files\\Orvanel\\Quillnox\\Quillnox.exe", "C:\\windows\\system32\\kernel32.dll",
                            "C:\\windows\\system32\\sub\\quillext.dll", "C:\\windows\\quillext.dll"})
    EXPECT_FALSE(RestartDeletes(kScope, other)) << other;
}

// The copy deletes the original it names on its command line only inside the
// installation folder: a line naming another file leaves that file alone.
TEST(RemoverScope, TheCopyDeletesOnlyAnOriginalInsideTheFolder) {
  struct Case {
    const char* install_dir;
    const char* origin;
    bool allowed;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Orvanel\\Quillnox", "C:\\Program Files\\Orvanel\\Quillnox\\unins000.exe", true},
      {"C:\\Program Files\\Orvanel\\Quillnox", "c:\\program files\\orvanel\\quillnox\\UNINS003.EXE", true},
      {"C:\\Program Files\\Orvanel\\Quillnox", "C:\\Windows\\System32\\kernel32.dll", false},
      {"C:\\Program Files\\Orvanel\\Quillnox", "C:\\Program Files\\Orvanel\\Quillnox\\..\\x.exe", false},
      {"C:\\Program Files\\Orvanel\\Quillnox", "C:\\Program Files\\Orvanel\\QuillnoxOther\\unins000.exe", false},
      {"C:\\Program Files\\Orvanel\\Quillnox", "C:\\Program Files\\Orvanel\\Quillnox", false},
      {"C:\\Program Files\\Orvanel\\Quillnox", "", false},
      {"C:", "C:\\unins000.exe", false},  // a log at a drive's root
      {"\\\\srv\\share", "\\\\srv\\share\\unins000.exe", false},
  };
  for (const Case& c : cases) {
    const RemovalScope scope{c.install_dir, "C:\\windows\\system32", "", ""};
    EXPECT_EQ(CopyOriginAllowed(scope, c.origin), c.allowed) << c.install_dir << " " << c.origin;
  }
  EXPECT_FALSE(CopyOriginAllowed(kScope, nullptr));
}

// Which folder's components are checked for links, for each kind of record.
TEST(RemoverLinks, BaseAndComponentsOfARecord) {
  struct Case {
    const char* path;
    bool folder;
    const char* base;  // nullptr: not in scope
  };
  const Case cases[] = {
      {"C:\\Program Files\\Orvanel\\Quillnox\\Quillnox.exe", false, "C:\\Program Files\\Orvanel\\Quillnox"},
      {"C:\\Program Files\\Orvanel\\Quillnox\\j\\x.dll", false, "C:\\Program Files\\Orvanel\\Quillnox"},
      {"C:\\Program Files\\Orvanel\\Quillnox\\sub", true, "C:\\Program Files\\Orvanel\\Quillnox"},
      {"C:\\Program Files\\Orvanel\\Quillnox", true, "C:\\Program Files\\Orvanel"},  // itself: only itself
      {"C:\\Program Files\\Orvanel", true, "C:\\Program Files"},
      {"C:\\ProgramData\\Start Menu\\Programs\\Feldspire\\Quillnox\\Quillnox Help.lnk", false,
       "C:\\ProgramData\\Start Menu\\Programs\\Feldspire\\Quillnox"},
      {"C:\\ProgramData\\Start Menu\\Programs\\Feldspire", true, "C:\\ProgramData\\Start Menu\\Programs"},
      {"C:\\users\\Public\\Desktop\\Quillnox.lnk", false, "C:\\users\\Public\\Desktop"},
      {"C:\\windows\\system32\\quillext.dll", false, "C:\\windows\\system32"},
      {"C:\\users\\victim.txt", false, nullptr},
      {"C:\\users", true, nullptr},
  };
  for (const Case& c : cases) {
    char base[REMOVER_PATH_SIZE];
    EXPECT_EQ(ScopeBase(kScope, c.path, c.folder, base, sizeof base), c.base != nullptr) << c.path;
    if (c.base) {
      EXPECT_STREQ(base, c.base) << c.path;
    }
  }
  std::vector<std::string> parts;
  ASSERT_TRUE(ComponentsBelow("C:\\D", "C:\\D\\j\\k\\x.dll", &parts));
  EXPECT_EQ(parts, (std::vector<std::string>{"C:\\D\\j", "C:\\D\\j\\k", "C:\\D\\j\\k\\x.dll"}));
  EXPECT_FALSE(ComponentsBelow("C:\\D", "C:\\Dx\\x.dll", &parts));
  EXPECT_FALSE(ComponentsBelow("C:\\D", "C:\\D", &parts));
  // A level setup made directly below a drive's root is checked from the root itself.
  const RemovalScope apps{"C:\\Apps\\Quillnox", "", "", ""};
  char root[REMOVER_PATH_SIZE];
  ASSERT_TRUE(ScopeBase(apps, "C:\\Apps", true, root, sizeof root));
  EXPECT_STREQ(root, "C:\\");
  ASSERT_TRUE(ComponentsBelow(root, "C:\\Apps", &parts));
  EXPECT_EQ(parts, (std::vector<std::string>{"C:\\Apps"}));

  char plain[REMOVER_PATH_SIZE];
  for (const auto& p : {std::pair<const char*, const char*>{"\\\\?\\C:\\x\\y", "C:\\x\\y"},
                        {"\\\\?\\UNC\\srv\\share\\x", "\\\\srv\\share\\x"},
                        {"C:\\x", "C:\\x"}}) {
    ASSERT_TRUE(PlainFinalPath(p.first, plain, sizeof plain));
    EXPECT_STREQ(plain, p.second);
  }
}

// What the handles opened along "<dir>\j\x.dll" (without following links) may show. A
// standard user who can write the installation folder adds the record to the log and
// makes "j" a junction to a system folder: Windows shows "j" as a reparse point; a
// system that follows the link anyway shows it where it leads. Either way nothing is
// deleted. The record itself may be a link: it then goes as a link.
TEST(RemoverLinks, ALinkBelowTheFolderIsRefused) {
  const char* const base = "C:\\Apps\\Quillnox";
  struct Case {
    const char* name;
    std::vector<OpenedComponent> parts;
    LinkVerdict verdict;
  };
  const Case cases[] = {
      {"plain", {{false, "C:\\Apps\\Quillnox\\j"}, {false, "C:\\Apps\\Quillnox\\j\\x.dll"}}, LinkVerdict::Plain},
      {"junction on the way", {{true, "C:\\Apps\\Quillnox\\j"}, {false, "C:\\Windows\\System32\\x.dll"}},
       LinkVerdict::Refuse},
      {"junction on the way, final paths unknown", {{true, ""}, {false, ""}}, LinkVerdict::Refuse},
      {"followed link on the way", {{false, "C:\\Windows\\System32"}, {false, "C:\\Windows\\System32\\x.dll"}},
       LinkVerdict::Refuse},
      {"the record is a link", {{false, "C:\\Apps\\Quillnox\\j"}, {true, "C:\\Apps\\Quillnox\\j\\x.dll"}},
       LinkVerdict::LastIsLink},
      {"the record leads elsewhere", {{false, "C:\\Apps\\Quillnox\\j"}, {false, "C:\\Windows\\x.dll"}},
       LinkVerdict::Refuse},
      {"a short name on the way", {{false, "C:\\Apps\\Quillnox\\Long Name"}, {false, "C:\\Apps\\Quillnox\\Long Name\\x.dll"}},
       LinkVerdict::Plain},
      {"other case", {{false, "c:\\apps\\quillnox\\J"}, {false, "c:\\apps\\quillnox\\J\\X.DLL"}}, LinkVerdict::Plain},
      {"nothing opened", {}, LinkVerdict::Refuse},
  };
  for (const Case& c : cases)
    EXPECT_EQ(JudgeComponents(base, c.parts.data(), c.parts.size()), c.verdict) << c.name;
  // Below a drive's root, whose final path ends with its backslash.
  const OpenedComponent top{false, "C:\\Apps"};
  EXPECT_EQ(JudgeComponents("C:\\", &top, 1), LinkVerdict::Plain);
}

}  // namespace
