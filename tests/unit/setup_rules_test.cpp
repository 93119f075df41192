// setup's decisions: the installation folder as it is accepted (and that every record
// setup writes for it passes the uninstaller's own checks), folder levels and how many
// are logged, the order of the installation steps, the registry groups with their log
// records, numbering, how an older version is recognised and where its settings and
// uninstaller are, and the unattended run's exit codes and log lines.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "remover/install_log.h"
#include "remover/remover_rules.h"
#include "setup/setup_rules.h"

namespace {

using Levels = std::vector<std::string>;

TEST(SetupFolder, NormalisedOrRefused) {
  struct Case {
    std::string given;
    FolderProblem problem;
    std::string folder;
  };
  const std::string long_name(SETUP_FOLDER_MAX - 3, 'q');
  const Case cases[] = {
      {"C:\\Apps\\Quillnox", FolderProblem::None, "C:\\Apps\\Quillnox"},
      {"C:\\Apps\\Quillnox\\", FolderProblem::None, "C:\\Apps\\Quillnox"},
      {"C:\\Apps\\Quillnox\\\\\\", FolderProblem::None, "C:\\Apps\\Quillnox"},
      {"  \t C:\\Program Files\\Orvanel\\Quillnox \t", FolderProblem::None, "C:\\Program Files\\Orvanel\\Quillnox"},
      {"\" C:\\Program Files\\Quillnox\\ \"", FolderProblem::None, "C:\\Program Files\\Quillnox"},
      {"C:/Apps//Quillnox/", FolderProblem::None, "C:\\Apps\\Quillnox"},
      {"C:\\Apps\\.\\x\\..\\Quillnox", FolderProblem::None, "C:\\Apps\\Quillnox"},
      {"D:\\Quilln\xF6x", FolderProblem::None, "D:\\Quilln\xF6x"},  // Windows-1252, as the code page has it
      {"\\\\srv\\apps\\Quillnox\\", FolderProblem::None, "\\\\srv\\apps\\Quillnox"},
      {"C:\\" + long_name, FolderProblem::None, "C:\\" + long_name},
      {"C:\\" + long_name + "q", FolderProblem::TooLong, ""},
      {"", FolderProblem::Empty, ""},
      {"  \"\" ", FolderProblem::Empty, ""},
      {"D:\\", FolderProblem::DriveRoot, ""},  // what "&Browse" gives for a drive
      {"C:\\.", FolderProblem::DriveRoot, ""},
      {"C:\\Apps\\..", FolderProblem::DriveRoot, ""},
      {"\\\\srv\\apps", FolderProblem::ShareRoot, ""},
      {"\\\\srv\\apps\\", FolderProblem::ShareRoot, ""},
      {"\\\\srv", FolderProblem::ShareRoot, ""},
      {"Apps\\Quillnox", FolderProblem::Relative, ""},
      {"C:Apps", FolderProblem::Relative, ""},
      {"\\Apps", FolderProblem::Relative, ""},
      {"\\\\?\\C:\\Apps", FolderProblem::BadName, ""},
      {"\\\\.\\pipe\\x", FolderProblem::BadName, ""},
      {"C:\\Apps\\a:b", FolderProblem::BadName, ""},
      {"C:\\Apps\\what?", FolderProblem::BadName, ""},
      {"C:\\Apps.\\Quillnox", FolderProblem::BadName, ""},  // Windows would make "C:\Apps"
      {"C:\\Apps \\Quillnox", FolderProblem::BadName, ""},
      {"C:\\Apps\\con", FolderProblem::BadName, ""},
      {"C:\\Apps\\LPT1.txt", FolderProblem::BadName, ""},
  };
  for (const Case& c : cases) {
    char out[SETUP_PATH_SIZE];
    EXPECT_EQ(NormalizeInstallFolder(c.given.c_str(), out, sizeof out), c.problem) << c.given;
    EXPECT_EQ(std::string(out), c.folder) << c.given;
    if (c.problem != FolderProblem::None) {
      EXPECT_FALSE(FolderProblemText(c.problem, c.given.c_str()).empty());
    }
  }
  char small[8];
  EXPECT_EQ(NormalizeInstallFolder("C:\\Apps\\Quillnox", small, sizeof small), FolderProblem::TooLong);
  EXPECT_EQ(FolderProblemText(FolderProblem::DriveRoot, "D:\\"),
            "Quillnox cannot be installed at the root of a drive:\nD:\\\n\nChoose a folder on that drive.");
  // A long folder is shown shortened, never overflowing the message.
  const std::string huge(2000, 'h');
  EXPECT_LT(FolderProblemText(FolderProblem::TooLong, huge.c_str()).size(), 200u);
}

// For every folder of the table, every record setup would write for it passes the
// uninstaller's own checks, with the scope the uninstaller takes from the log's place:
// an installation can always be removed whole. (The Wine suite installs and removes in
// the same folders.)
TEST(SetupFolder, EveryRecordSetupWritesPassesTheUninstallersCheck) {
  const char* const system = "C:\\windows\\system32";
  const char* const programs = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
  const char* const desktop = "C:\\users\\Public\\Desktop";
  const std::string two_hundred = "C:\\Program Files\\" + std::string(200 - 17, 'n');
  const std::string longest = "C:\\" + std::string(SETUP_FOLDER_MAX - 3, 'l');
  const std::string given[] = {"C:\\Apps\\Quillnox\\", "  C:\\Program Files\\Orvanel\\Quillnox  ",
                               "C:\\Program Files\\Orvanel\\Quilln\xF6x", two_hundred, longest,
                               "\\\\srv\\apps\\Quillnox\\", "D:\\a\\b\\c\\d\\e\\f\\g\\h\\i\\j\\k\\l"};
  ASSERT_EQ(two_hundred.size(), 200u);
  for (const std::string& g : given) {
    SCOPED_TRACE(g);
    char dir[SETUP_PATH_SIZE], log_path[SETUP_PATH_SIZE], uninstaller[SETUP_PATH_SIZE];
    ASSERT_EQ(NormalizeInstallFolder(g.c_str(), dir, sizeof dir), FolderProblem::None);
    ASSERT_TRUE(FirstFreeNumber(dir, [](const char*) { return false; }, log_path, uninstaller, SETUP_PATH_SIZE));
    std::vector<std::pair<int, std::string>> records;
    for (const std::string& level : LevelsToLog(FolderLevels(dir))) records.push_back({LOG_FOLDER, level});
    const InstallPlaces places{dir, uninstaller, system, programs, desktop};
    std::string extension, native_extension;
    for (const InstallStep& step : InstallSteps()) {
      char path[SETUP_PATH_SIZE];
      if (step.kind == StepKind::GroupFolders) {
        char group[SETUP_PATH_SIZE], parent[SETUP_PATH_SIZE];
        ASSERT_TRUE(ProgramGroupFolders(programs, group, parent, sizeof group));
        records.push_back({LOG_FOLDER, group});
        records.push_back({LOG_FOLDER, parent});
        continue;
      }
      if (!StepPath(step, places, path, sizeof path)) {
        EXPECT_EQ(step.kind, StepKind::MarkDone);
        continue;
      }
      const bool native = step.target == StepTarget::NativeSystemDir;
      records.push_back({native ? LOG_FILE_NATIVE : LOG_FILE, path});
      if (step.target == StepTarget::SystemDir) extension = path;
      if (native) native_extension = path;
    }
    std::vector<RegistryStep> plan;
    ASSERT_TRUE(RegistryPlan(dir, extension.c_str(), native_extension.c_str(), uninstaller, 100, true, &plan));
    for (const RegistryStep& step : plan)
      if (step.action == RegAction::Log) records.push_back({step.log_code, step.key});

    // The uninstaller's scope: the log's own folder, and the places setup wrote to.
    char install_dir[REMOVER_PATH_SIZE], group[SETUP_PATH_SIZE], parent[SETUP_PATH_SIZE];
    ASSERT_TRUE(FolderOf(log_path, install_dir, sizeof install_dir));
    ASSERT_TRUE(ProgramGroupFolders(programs, group, parent, sizeof group));
    const RemovalScope scope{install_dir, system, group, desktop};
    EXPECT_GE(records.size(), 30u);
    for (const auto& r : records) {
      SCOPED_TRACE(std::to_string(r.first) + " " + r.second);
      EXPECT_LE(r.second.size(), LOG_DATA_MAX);
      char base[REMOVER_PATH_SIZE];
      switch (r.first) {
        case LOG_FILE:
          EXPECT_TRUE(FileRecordAllowed(scope, r.second.c_str()));
          EXPECT_TRUE(ScopeBase(scope, r.second.c_str(), false, base, sizeof base));
          break;
        case LOG_FILE_NATIVE: EXPECT_TRUE(NativeFileRecordAllowed(scope, r.second.c_str())); break;
        case LOG_FOLDER:
          EXPECT_TRUE(FolderRecordAllowed(scope, r.second.c_str()));
          EXPECT_TRUE(ScopeBase(scope, r.second.c_str(), true, base, sizeof base));
          break;
        default: EXPECT_TRUE(KeyRecordAllowed(scope, r.first, r.second.c_str()));
      }
    }
  }
}

TEST(SetupFolders, LevelsOfAPath) {
  EXPECT_EQ(FolderLevels("C:\\a\\b\\c"), (Levels{"C:\\a", "C:\\a\\b", "C:\\a\\b\\c"}));
  EXPECT_EQ(FolderLevels("C:\\a\\"), (Levels{"C:\\a"}));
  // On a network share, only the folders below the share.
  EXPECT_EQ(FolderLevels("\\\\srv\\apps\\a\\b"), (Levels{"\\\\srv\\apps\\a", "\\\\srv\\apps\\a\\b"}));
  EXPECT_EQ(FolderLevels("\\\\srv"), Levels{});
  EXPECT_EQ(FolderLevels(""), Levels{});
}

TEST(SetupFolders, DeepestFirstAndAtMostTen) {
  EXPECT_EQ(LevelsToLog({"C:\\a", "C:\\a\\b", "C:\\a\\b\\c", "C:\\a\\b\\c\\d"}),
            (Levels{"C:\\a\\b\\c\\d", "C:\\a\\b\\c", "C:\\a\\b", "C:\\a"}));
  Levels twelve;
  std::string p = "C:";
  for (int i = 0; i < 12; ++i) twelve.push_back(p += "\\" + std::to_string(i));
  const Levels logged = LevelsToLog(twelve);
  ASSERT_EQ(logged.size(), 10u);
  EXPECT_EQ(logged.front(), twelve[11]);
  EXPECT_EQ(logged.back(), twelve[2]);
}

TEST(SetupSteps, OrderOfFilesAndShortcuts) {
  std::string order;
  for (const InstallStep& s : InstallSteps()) {
    switch (s.kind) {
      case StepKind::Resource: order += std::string(s.resource_type) + std::to_string(s.resource_id); break;
      case StepKind::LogOnly: order += "log"; break;
      case StepKind::GroupShortcut: order += "G"; break;
      case StepKind::DesktopShortcut: order += "D"; break;
      case StepKind::GroupFolders: order += "F"; break;
      case StepKind::MarkDone: order += "M" + std::to_string(s.resource_id); break;
    }
    order += ' ';
  }
  EXPECT_EQ(order, "exe138 G D help145 log help144 help146 G M0 unins147 G F text140 dll220 dll137 dll139 M1 ");
  // Where each of the two extension builds goes.
  for (const InstallStep& s : InstallSteps()) {
    if (s.resource_id == 137) {
      EXPECT_EQ(s.target, StepTarget::SystemDir);
    }
    if (s.resource_id == 139) {
      EXPECT_EQ(s.target, StepTarget::NativeSystemDir);
    }
  }
}

TEST(SetupSteps, WhichShellExtensionBuildsAreInstalled) {
  struct Case {
    bool setup_64, windows_64, ordinary, native;
  };
  const Case cases[] = {
      {false, false, true, false},  // 32-bit Windows: the 32-bit build only
      {false, true, true, true},    // 32-bit setup on 64-bit Windows: both, the 64-bit one natively
      {true, true, false, true},    // a 64-bit setup carries the 64-bit build only
  };
  for (const Case& c : cases) {
    const ExtensionChoice got = ExtensionsToInstall(c.setup_64, c.windows_64);
    EXPECT_EQ(got.ordinary, c.ordinary) << c.setup_64 << c.windows_64;
    EXPECT_EQ(got.native, c.native) << c.setup_64 << c.windows_64;
  }
}

const char kDir[] = "C:\\Program Files\\Orvanel\\Quillnox";

TEST(SetupRegistry, GroupsAndLogRecordsInOrder) {
  std::vector<RegistryStep> plan;
  ASSERT_TRUE(RegistryPlan(kDir, "C:\\windows\\system32\\quillext.dll", "", "C:\\Program Files\\Orvanel\\Quillnox\\unins000.exe",
                           512, true, &plan));
  std::vector<std::string> logs;
  std::set<std::string> created;
  for (const RegistryStep& s : plan) {
    if (s.action == RegAction::Log) logs.push_back(std::to_string(s.log_code) + " " + s.key);
    if (s.action == RegAction::CreateKey) created.insert(s.key);
    if (s.action == RegAction::SetValue) {
      EXPECT_TRUE(created.count(s.key)) << "value before its key: " << s.key;
    }
  }
  const std::vector<std::string> want = {
      "9 *\\shellex\\ContextMenuHandlers\\Quillnox",
      "9 CLSID\\{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}\\InProcServer32",
      "9 CLSID\\{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}",
      "9 .vek",
      "9 VekFile\\Shell\\Open\\Command",
      "9 VekFile\\Shell\\Open",
      "9 VekFile\\Shell",
      "9 VekFile\\DefaultIcon",
      "9 VekFile",
      "8 Software\\Orvanel\\Quillnox\\4.10EN",
      "8 Software\\Orvanel\\Quillnox",
      "8 Software\\Orvanel",
      "10 Software\\Orvanel\\Quillnox\\4.10EN",
      "10 Software\\Orvanel\\Quillnox",
      "10 Software\\Orvanel",
      "8 SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillnox",
  };
  EXPECT_EQ(logs, want);

  auto value = [&](const std::string& key, const std::string& name) -> const RegistryStep* {
    for (const RegistryStep& s : plan)
      if (s.action == RegAction::SetValue && s.key == key && s.name == name) return &s;
    return nullptr;
  };
  auto text = [](const RegistryStep* s) { return std::string(reinterpret_cast<const char*>(s->data.data())); };
  const RegistryStep* command = value("VekFile\\Shell\\Open\\Command", "");
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(text(command), std::string(kDir) + "\\Quillnox.exe %1");
  EXPECT_EQ(command->data.back(), 0);  // stored with its NUL
  const RegistryStep* icon = value("VekFile\\DefaultIcon", "");
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(text(icon), std::string(kDir) + "\\Quillnox.exe,4");
  const RegistryStep* flags = value("VekFile\\Shell\\Open", "EditFlags");
  ASSERT_NE(flags, nullptr);
  EXPECT_EQ(flags->type, 6u);
  EXPECT_EQ(flags->data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
  const std::string uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillnox";
  EXPECT_EQ(text(value(uninstall, "DisplayName")), "Quillnox 4.10");
  // Quoted: Windows passes an unquoted line to the program as it is.
  EXPECT_EQ(text(value(uninstall, "UninstallString")), "\"" + std::string(kDir) + "\\unins000.exe\"");
  EXPECT_EQ(text(value(uninstall, "QuietUninstallString")), "\"" + std::string(kDir) + "\\unins000.exe\" /SILENT");
  EXPECT_EQ(value(uninstall, "EstimatedSize")->data, (std::vector<std::uint8_t>{0, 2, 0, 0}));
  EXPECT_EQ(text(value("CLSID\\{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}\\InProcServer32", "ThreadingModel")),
            "Apartment");
  for (const RegistryStep& s : plan)  // nothing is written under HKCU, only logged
    if (s.root == RegRoot::CurrentUser) {
      EXPECT_EQ(s.action, RegAction::Log) << s.key;
    }
}

// The 64-bit extension: the same registration in the 64-bit view, naming the library in
// the native system folder, logged under code 17 after the ordinary group; alone when
// the setup is itself 64-bit.
TEST(SetupRegistry, NativeExtensionInTheSixtyFourBitView) {
  const std::string clsid = "CLSID\\{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}";
  auto logs_of = [](const std::vector<RegistryStep>& plan) {
    std::vector<std::string> logs;
    for (const RegistryStep& s : plan)
      if (s.action == RegAction::Log && (s.log_code == 9 || s.log_code == 17) && s.key.rfind("VekFile", 0) != 0 &&
          s.key != ".vek")
        logs.push_back(std::to_string(s.log_code) + " " + s.key);
    return logs;
  };
  std::vector<RegistryStep> plan;
  ASSERT_TRUE(RegistryPlan(kDir, "C:\\w\\system32\\quillext.dll", "C:\\w\\system32\\quillext.dll",
                           "C:\\Q\\unins000.exe", 0, false, &plan));
  EXPECT_EQ(logs_of(plan), (std::vector<std::string>{"9 *\\shellex\\ContextMenuHandlers\\Quillnox",
                                                     "9 " + clsid + "\\InProcServer32", "9 " + clsid,
                                                     "17 *\\shellex\\ContextMenuHandlers\\Quillnox",
                                                     "17 " + clsid + "\\InProcServer32", "17 " + clsid}));
  int native_values = 0;
  for (const RegistryStep& s : plan) {
    if (s.action == RegAction::Log) {
      EXPECT_EQ(s.root == RegRoot::ClassesRootNative, s.log_code == 17) << s.key;
    } else if (s.root == RegRoot::ClassesRootNative) {
      EXPECT_TRUE(s.key.rfind(clsid, 0) == 0 || s.key == "*\\shellex\\ContextMenuHandlers\\Quillnox") << s.key;
      if (s.action == RegAction::SetValue && s.key == clsid + "\\InProcServer32" && s.name.empty()) {
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.data.data())), "C:\\w\\system32\\quillext.dll");
        ++native_values;
      }
    }
  }
  EXPECT_EQ(native_values, 1);

  ASSERT_TRUE(RegistryPlan(kDir, "", "C:\\w\\system32\\quillext.dll", "C:\\Q\\unins000.exe", 0, false, &plan));
  EXPECT_EQ(logs_of(plan), (std::vector<std::string>{"17 *\\shellex\\ContextMenuHandlers\\Quillnox",
                                                     "17 " + clsid + "\\InProcServer32", "17 " + clsid}));
  const std::string too_long = "C:\\" + std::string(SETUP_PATH_SIZE, 'a');
  EXPECT_FALSE(RegistryPlan(kDir, "", too_long.c_str(), "C:\\Q\\unins000.exe", 0, false, &plan));
}

TEST(SetupRegistry, TooLongFolderIsRefused) {
  std::vector<RegistryStep> plan;
  const std::string dir = "C:\\" + std::string(250, 'a');
  EXPECT_FALSE(RegistryPlan(dir.c_str(), "C:\\w\\quillext.dll", "", "C:\\u.exe", 0, false, &plan));
}

TEST(SetupRegistry, VendorKeyLoggedOnlyWhenSetupMakesIt) {
  std::vector<RegistryStep> plan;
  ASSERT_TRUE(RegistryPlan("C:\\Q", "C:\\w\\quillext.dll", "", "C:\\Q\\unins000.exe", 0, false, &plan));
  for (const RegistryStep& s : plan) EXPECT_FALSE(s.action == RegAction::Log && s.key == "Software\\Orvanel" &&
                                                  s.root == RegRoot::LocalMachine);
}

TEST(SetupOlder, WhichVersionsUninstallThemselves) {
  struct Case {
    const char* version;
    bool own;
    bool hkcu;
    const char* key;
  };
  const Case cases[] = {
      {"3.13", true, false, "Software\\Orvanel\\Vek\\3.13"},
      {"3.13EN", true, false, "Software\\Orvanel\\Vek\\3.13EN"},
      {"4.00", true, false, "Software\\Orvanel\\Vek\\4.00"},
      {"4.01FR", true, false, "Software\\Orvanel\\Vek\\4.01FR"},
      {"4.02", false, false, "Software\\Orvanel\\Vek\\4.02"},
      {"4.04", true, false, "Software\\Orvanel\\Vek\\4.04"},
      {"4.06EN", true, true, "Software\\Orvanel\\Quillnox\\4.06EN"},
      {"2.40", false, false, "Software\\Orvanel\\Vek\\2.40"},
      {"3.12", false, false, "Software\\Orvanel\\Vek\\3.12"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RemovedByOwnUninstaller(c.version), c.own) << c.version;
    bool hkcu = false;
    char key[SETUP_PATH_SIZE];
    ASSERT_TRUE(OldSettingsKey(c.version, &hkcu, key, sizeof key));
    EXPECT_EQ(hkcu, c.hkcu) << c.version;
    EXPECT_STREQ(key, c.key);
  }
}

TEST(SetupOlder, UninstallerFromTheOpenCommand) {
  char command[SETUP_PATH_SIZE];
  ASSERT_TRUE(OlderUninstallCommand("C:\\Program Files\\Orvanel\\Vek\\vek.exe %1", "", command, sizeof command));
  EXPECT_STREQ(command, "\"C:\\Program Files\\Orvanel\\Vek\\unins000.exe\" /SILENT");
  ASSERT_TRUE(OlderUninstallCommand("\"C:\\Old\\vek.exe\" \"%1\"", "", command, sizeof command));
  EXPECT_STREQ(command, "\"C:\\Old\\unins000.exe\" /SILENT");
  // This version's own entry names its numbered uninstaller in the same folder.
  const char* open = "C:\\Program Files\\Orvanel\\Quillnox\\Quillnox.exe %1";
  ASSERT_TRUE(OlderUninstallCommand(open, "\"c:\\program files\\orvanel\\quillnox\\unins002.exe\" /SILENT", command,
                                    sizeof command));
  EXPECT_STREQ(command, "\"c:\\program files\\orvanel\\quillnox\\unins002.exe\" /SILENT");
  for (const char* other : {"\"C:\\Elsewhere\\unins002.exe\" /SILENT", "\"C:\\Program Files\\Orvanel\\Quillnox\\evil.exe\" /SILENT",
                            "\"C:\\Program Files\\Orvanel\\Quillnox\\unins002.exe\" /SILENT & x",
                            "C:\\Program Files\\Orvanel\\Quillnox\\unins002.exe /SILENT"}) {
    ASSERT_TRUE(OlderUninstallCommand(open, other, command, sizeof command));
    EXPECT_STREQ(command, "\"C:\\Program Files\\Orvanel\\Quillnox\\unins000.exe\" /SILENT") << other;
  }
  EXPECT_FALSE(OlderUninstallCommand("vek.exe %1", "", command, sizeof command));
  const std::string deep = "C:\\" + std::string(245, 'd') + "\\vek.exe %1";
  EXPECT_FALSE(OlderUninstallCommand(deep.c_str(), "", command, sizeof command));
  EXPECT_STREQ(command, "");
}

// Which keys RestoreOldSettings makes: this user's key only when this user had
// settings of that version; the machine's key from 4.06 on always, for the other
// accounts' first start.
TEST(SetupOlder, KeysPutBackForTheOlderVersion) {
  auto targets = [](const char* version, bool saved) {
    std::string s;
    for (const OldSettingsTarget& t : OldSettingsTargets(version, saved)) s += (t.current_user ? "HKCU\\" : "HKLM\\") + t.path + ";";
    return s;
  };
  EXPECT_EQ(targets("4.10EN", true), "HKLM\\Software\\Orvanel\\Quillnox\\4.10EN;HKCU\\Software\\Orvanel\\Quillnox\\4.10EN;");
  EXPECT_EQ(targets("4.10EN", false), "HKLM\\Software\\Orvanel\\Quillnox\\4.10EN;");
  EXPECT_EQ(targets("4.06EN", false), "HKLM\\Software\\Orvanel\\Quillnox\\4.06EN;");
  EXPECT_EQ(targets("3.13", true), "HKLM\\SOFTWARE\\Orvanel\\Vek\\3.13;");
  EXPECT_EQ(targets("3.13", false), "");
  EXPECT_EQ(targets("", true), "");
}

TEST(SetupUnattended, FirstFailureNamesTheRunAWarningOnlyWhenNothingFailed) {
  struct Case {
    std::vector<int> reported;
    int exit;
  };
  const Case cases[] = {
      {{}, SETUP_EXIT_INSTALLED},
      {{SETUP_EXIT_INSTALLED, SETUP_EXIT_INSTALLED}, SETUP_EXIT_INSTALLED},
      {{SETUP_EXIT_WARNINGS, SETUP_EXIT_INSTALLED}, SETUP_EXIT_WARNINGS},
      {{SETUP_EXIT_WARNINGS, SETUP_EXIT_SETTINGS_NOT_RESTORED}, SETUP_EXIT_SETTINGS_NOT_RESTORED},
      {{SETUP_EXIT_OLDER_NOT_REMOVED, SETUP_EXIT_NOT_INSTALLED}, SETUP_EXIT_OLDER_NOT_REMOVED},
      {{SETUP_EXIT_NOT_INSTALLED, SETUP_EXIT_WARNINGS}, SETUP_EXIT_NOT_INSTALLED},
  };
  for (const Case& c : cases) {
    int exit = SETUP_EXIT_INSTALLED;
    for (int r : c.reported) exit = CombineExit(exit, r);
    EXPECT_EQ(exit, c.exit);
  }
  EXPECT_EQ(SetupLogLine("2024-05-01 12:00:00", "InstallAll", "Unable to create the configuration file\nfor uninstallation"),
            "2024-05-01 12:00:00 [InstallAll] Unable to create the configuration file for uninstallation");
  EXPECT_EQ(SetupLogLine("t", "RemoveOlderVersion", "  a\r\n\tb  "), "t [RemoveOlderVersion] a b");
  char ini[SETUP_PATH_SIZE];
  ASSERT_TRUE(IniPathFromArguments("  \"C:\\My Files\\setup.ini\"  ", ini, sizeof ini));
  EXPECT_STREQ(ini, "C:\\My Files\\setup.ini");
  ASSERT_TRUE(IniPathFromArguments("C:\\setup.ini", ini, sizeof ini));
  EXPECT_STREQ(ini, "C:\\setup.ini");
  EXPECT_FALSE(IniPathFromArguments("   ", ini, sizeof ini));
  EXPECT_FALSE(IniPathFromArguments(std::string(SETUP_PATH_SIZE, 'i').c_str(), ini, sizeof ini));
}

std::set<std::string> g_present;
bool Present(const char* path) { return g_present.count(path) != 0; }

TEST(SetupNumbering, OneNumberFreeForTheLogAndTheUninstaller) {
  struct Case {
    std::set<std::string> present;
    const char* log;
    const char* uninstaller;
  };
  const Case cases[] = {
      {{}, "C:\\Q\\unins000.dat", "C:\\Q\\unins000.exe"},
      {{"C:\\Q\\unins000.dat"}, "C:\\Q\\unins001.dat", "C:\\Q\\unins001.exe"},
      {{"C:\\Q\\unins000.exe"}, "C:\\Q\\unins001.dat", "C:\\Q\\unins001.exe"},
      // Leftovers of both kinds at different numbers: the first number free for both.
      {{"C:\\Q\\unins000.dat", "C:\\Q\\unins000.exe", "C:\\Q\\unins001.exe", "C:\\Q\\unins002.dat"},
       "C:\\Q\\unins003.dat", "C:\\Q\\unins003.exe"},
      {{"C:\\Q\\unins001.exe"}, "C:\\Q\\unins000.dat", "C:\\Q\\unins000.exe"},
  };
  char log[SETUP_PATH_SIZE], uninstaller[SETUP_PATH_SIZE];
  for (const Case& c : cases) {
    g_present = c.present;
    ASSERT_TRUE(FirstFreeNumber("C:\\Q", Present, log, uninstaller, SETUP_PATH_SIZE)) << c.log;
    EXPECT_STREQ(log, c.log);
    EXPECT_STREQ(uninstaller, c.uninstaller);
  }
  g_present.clear();
  for (int n = 0; n < 1000; ++n) g_present.insert("C:\\Q\\unins" + std::string(n < 10 ? "00" : n < 100 ? "0" : "") +
                                                  std::to_string(n) + (n % 2 ? ".dat" : ".exe"));
  EXPECT_FALSE(FirstFreeNumber("C:\\Q", Present, log, uninstaller, SETUP_PATH_SIZE));
  g_present.clear();
  const std::string dir(250, 'x');
  EXPECT_FALSE(FirstFreeNumber(dir.c_str(), Present, log, uninstaller, SETUP_PATH_SIZE));
  EXPECT_STREQ(log, "");
}

}  // namespace
