// Where an installation lands for each width of setup and of Windows: the shell
// extension's builds, folders and registry views, the redirection of the machine-wide
// keys, and the install log that the Windows tests expect (tests/support/install_layout.h).
#include "tests/support/install_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

using Log = std::vector<std::pair<int, std::string>>;

constexpr MachineWidths k64On64 = {true, true};
constexpr MachineWidths k32On64 = {false, true};
constexpr MachineWidths k32On32 = {false, false};

InstallPlaces Places(const std::string& program_files) {
  return {program_files + "\\Orvanel\\Quillnox",
          {program_files + "\\Orvanel\\Quillnox", program_files + "\\Orvanel"},
          "C:\\windows\\system32",
          "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Feldspire\\Quillnox",
          "C:\\users\\Public\\Desktop"};
}

// The records of the shell extension (codes 0 and 9 for its library and keys in the
// system folder and the program's own view, 16 and 17 in the native ones).
bool IsExtensionRecord(const std::pair<int, std::string>& r) {
  return r.second.find("quillext.dll") != std::string::npos || r.second.find("{5B0E2C47") != std::string::npos ||
         r.second.find("ContextMenuHandlers") != std::string::npos;
}

Log WithoutExtension(Log log) {
  log.erase(std::remove_if(log.begin(), log.end(), IsExtensionRecord), log.end());
  return log;
}

Log ExtensionRecords(const Log& log) {
  Log out;
  std::copy_if(log.begin(), log.end(), std::back_inserter(out), IsExtensionRecord);
  return out;
}

std::string Folder(const ExtensionPlace& p) { return std::string(p.system_folder) + "|" + p.build_file; }

TEST(InstallLayout, EachWidthGetsTheExtensionBuildsItsExplorerAndProgramsLoad) {
  struct Case {
    MachineWidths machine;
    std::vector<std::string> places;  // folder|build file, in installation order
    std::vector<bool> views_64bit;
    std::vector<std::pair<int, int>> codes;
  };
  const Case cases[] = {
      {k64On64, {"system32|shellext\\quillext.dll"}, {true}, {{16, 17}}},
      {k32On64,
       {"syswow64|shellext\\quillext.dll", "system32|shellext64\\quillext.dll"},
       {false, true},
       {{0, 9}, {16, 17}}},
      {k32On32, {"system32|shellext\\quillext.dll"}, {false}, {{0, 9}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.machine.program_64bit) + std::to_string(c.machine.windows_64bit));
    std::vector<std::string> places;
    std::vector<bool> views;
    std::vector<std::pair<int, int>> codes;
    for (const ExtensionPlace& p : ExtensionPlaces(c.machine)) {
      places.push_back(Folder(p));
      views.push_back(p.view_64bit);
      codes.push_back({p.file_code, p.key_code});
    }
    EXPECT_EQ(places, c.places);
    EXPECT_EQ(views, c.views_64bit);
    EXPECT_EQ(codes, c.codes);
  }
}

TEST(InstallLayout, OnlyA32BitProgramOn64BitWindowsHasItsMachineKeysRedirected) {
  EXPECT_FALSE(MachineKeysRedirected(k64On64));
  EXPECT_TRUE(MachineKeysRedirected(k32On64));
  EXPECT_FALSE(MachineKeysRedirected(k32On32));
  EXPECT_EQ(RegistryViews(k64On64), (std::vector<bool>{false, true}));
  EXPECT_EQ(RegistryViews(k32On64), (std::vector<bool>{false, true}));
  EXPECT_EQ(RegistryViews(k32On32), std::vector<bool>{false});
  EXPECT_EQ(SystemFolders(k32On64), (std::vector<std::string>{"system32", "syswow64"}));
  EXPECT_EQ(SystemFolders(k32On32), std::vector<std::string>{"system32"});
}

TEST(InstallLayout, TheLogDiffersByWidthOnlyInTheExtensionsRecords) {
  const InstallPlaces places = Places("C:\\Program Files");
  const Log native = ExpectedInstallLog(k64On64, places);
  ASSERT_EQ(native.size(), 35u);
  EXPECT_EQ(native[2], (std::pair<int, std::string>{1, "C:\\Program Files\\Orvanel\\Quillnox"}));
  EXPECT_EQ(native.back(),
            (std::pair<int, std::string>{8, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillnox"}));
  EXPECT_EQ(WithoutExtension(ExpectedInstallLog(k32On64, places)), WithoutExtension(native));
  EXPECT_EQ(WithoutExtension(ExpectedInstallLog(k32On32, places)), WithoutExtension(native));

  const std::string dll = "C:\\windows\\system32\\quillext.dll";
  const std::string clsid = "CLSID\\{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}";
  const std::string handler = "*\\shellex\\ContextMenuHandlers\\Quillnox";
  auto keys = [&](int code) { return Log{{code, handler}, {code, clsid + "\\InProcServer32"}, {code, clsid}}; };
  Log native_records = {{16, dll}};
  for (const auto& r : keys(17)) native_records.push_back(r);
  EXPECT_EQ(ExtensionRecords(native), native_records);
  // Both builds on 64-bit Windows: the files first (the 32-bit one logged by the name a
  // 32-bit program gives SysWOW64), then each view's keys, its own first.
  Log both = {{0, dll}, {16, dll}};
  for (int code : {9, 17})
    for (const auto& r : keys(code)) both.push_back(r);
  EXPECT_EQ(ExtensionRecords(ExpectedInstallLog(k32On64, places)), both);
  Log ordinary = {{0, dll}};
  for (const auto& r : keys(9)) ordinary.push_back(r);
  EXPECT_EQ(ExtensionRecords(ExpectedInstallLog(k32On32, places)), ordinary);
}

}  // namespace
