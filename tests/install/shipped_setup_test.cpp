// The shipped setup of this build, carrying the real programs, installs unattended from
// an INI file on the machine the test runs on, and its uninstaller removes everything
// silently. With the win32 build in a 64-bit prefix that has 32-bit Wine this is the
// most common real installation: 32-bit setup on 64-bit Windows, with the file system
// and the registry redirected for it, the 32-bit shell extension in SysWOW64 and the
// 64-bit one in the native system folder and view. With the win64 build it is the
// native installation. What each width puts where comes from
// tests/support/install_layout.h (tested natively); the checks are in
// tests/support/win32/installation.h, shared with the acceptance test, which installs
// through the wizard and uses the programs.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/win32/files.h"
#include "tests/support/win32/folders.h"
#include "tests/support/win32/installation.h"
#include "tests/support/win32/machine.h"
#include "tests/support/win32/processes.h"
#include "tests/support/win32/window_driver.h"

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillnox";
constexpr int kBoxText = 0xFFFF;  // the text of a system message box

std::string BuildFolder() { return TestProgramFolder() + "..\\..\\"; }

// Runs the shipped setup on an INI file naming dir. Unattended, it shows a box only for
// a failure ("Error" or "Warning"): each one is read, answered and returned.
std::vector<std::string> InstallUnattended(const std::string& dir) {
  const std::string ini = TemporaryFolder() + "shipped_setup.ini";
  WriteAll(ini, "[SETUP]\r\ninstalldir=" + dir + "\r\n");
  Program setup(BuildFolder() + "setup\\setup.exe", {ini});
  EXPECT_TRUE(setup.started());
  std::vector<std::string> boxes;
  for (const DWORD start = GetTickCount(); setup.WaitExit(0) == -1 && GetTickCount() - start < 60000; Sleep(100)) {
    for (const char* title : {"Error", "Warning"}) {
      const HWND box = WaitForWindowWith(title, setup.pid(), kBoxText, 0);
      if (!box) continue;
      boxes.push_back(std::string(title) + ": " + ControlText(box, kBoxText));
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      Eventually([&] { return !IsWindow(box); }, 5000);
    }
  }
  EXPECT_EQ(setup.WaitExit(10000), 0);
  DeleteFileA(ini.c_str());
  return boxes;
}

// The uninstaller's copies ("qlxrm<pid>.exe") in the temporary folder.
int TemporaryCopies() {
  int copies = 0;
  for (const std::string& name : FolderNames(TemporaryFolder())) copies += name.rfind("qlxrm", 0) == 0;
  return copies;
}

TEST(ShippedSetup, UnattendedInstallationThenSilentRemovalLeavesEveryViewAsItWas) {
  const MachineWidths machine = ThisMachine();
  std::printf("[ MACHINE  ] %d-bit setup on %d-bit Windows\n", machine.program_64bit ? 64 : 32,
              machine.windows_64bit ? 64 : 32);
  const std::string dir = ProposedInstallFolder();
  const MachineState before = TakeInstallationState();

  EXPECT_EQ(InstallUnattended(dir), std::vector<std::string>{});
  ExpectShippedInstallation(BuildFolder(), dir, {dir, dir.substr(0, dir.rfind('\\'))});
  ASSERT_FALSE(HasFatalFailure());

  // The installed program starts from its desktop shortcut and finds its machine key
  // (without it, it would show an error and end); its first start makes the user's key.
  {
    ShellStarted quillnox(std::string(kCommonDesktop) + "\\Quillnox.lnk", "open");
    ASSERT_TRUE(quillnox.launched()) << "the shortcut starts nothing: " << GetLastError();
    const HWND window = quillnox.WaitForWindow("Quillnox", IDC_MAIN_TEXT, 30000);
    ASSERT_NE(window, nullptr) << "the installed program shows no main window";
    Sync(window);
    Click(window, IDC_MAIN_QUIT);
    EXPECT_EQ(quillnox.WaitExit(15000), 0);
  }
  EXPECT_TRUE(KeyInView(HKEY_CURRENT_USER, "Software\\Orvanel\\Quillnox\\4.10EN", machine.program_64bit));

  // The uninstall entry's quiet command, from the view where setup put it.
  const std::string quiet = TextInView(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString", machine.program_64bit);
  ASSERT_EQ(quiet, "\"" + dir + "\\unins000.exe\" /SILENT");
  EXPECT_EQ(RunCommand(quiet, 60000), 0);
  // Its copy in the temporary folder removes the folder once the original has ended,
  // and goes itself when it ends.
  EXPECT_TRUE(Eventually([&] { return !Exists(dir); }, 30000)) << dir;
  EXPECT_TRUE(Eventually([] { return TemporaryCopies() == 0; }, 15000)) << "the uninstaller's copy stays";

  // Nothing is left on drive C (the native system folder included) nor in any view.
  const MachineState after = TakeInstallationState();
  EXPECT_EQ(Difference(after.files, before.files), std::vector<std::string>{});
  EXPECT_EQ(Difference(before.files, after.files), std::vector<std::string>{});
  EXPECT_EQ(Difference(after.keys, before.keys), std::vector<std::string>{});
  EXPECT_EQ(Difference(before.keys, after.keys), std::vector<std::string>{});
}

}  // namespace
