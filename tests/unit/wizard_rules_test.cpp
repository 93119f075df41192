// The setup wizard's decisions: page order and resources, the frame's buttons on each
// page, when Cancel asks, the default folder, the installation page's ticks driven by
// the done-marks, and the texts with the product's names.
#include <gtest/gtest.h>

#include <string>

#include "setup/setup_rules.h"
#include "setup/wizard_rules.h"

namespace {

TEST(WizardPages, OrderResourcesAndButtons) {
  struct Case {
    int page, next, resource;
    bool back, next_visible, cancel;
    std::string next_text, cancel_text;
    bool asks;
  };
  const Case cases[] = {
      {WIZARD_PAGE_FOLDER, WIZARD_PAGE_INSTALLATION, 135, false, true, true, "&Install", "&Cancel", true},
      {WIZARD_PAGE_INSTALLATION, WIZARD_PAGE_FINISH, 137, false, false, true, "", "", true},
      {WIZARD_PAGE_FINISH, 0, 132, false, true, false, "&Finish", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    EXPECT_EQ(NextWizardPage(c.page), c.next);
    EXPECT_EQ(WizardPageResource(c.page), c.resource);
    const WizardButtons b = ButtonsForPage(c.page);
    EXPECT_EQ(b.back_visible, c.back);
    EXPECT_EQ(b.next_visible, c.next_visible);
    EXPECT_EQ(b.cancel_visible, c.cancel);
    EXPECT_EQ(b.next_text, c.next_text);
    EXPECT_EQ(b.cancel_text, c.cancel_text);
    EXPECT_EQ(CancelAsks(c.page), c.asks);
  }
  EXPECT_EQ(WizardPageResource(3), 0);
}

TEST(WizardFolder, DefaultUnderProgramFilesAndBounded) {
  char out[SETUP_PATH_SIZE];
  ASSERT_TRUE(DefaultInstallFolder("C:\\Program Files", out, sizeof out));
  EXPECT_STREQ(out, "C:\\Program Files\\Orvanel\\Quillnox");
  EXPECT_FALSE(DefaultInstallFolder("", out, sizeof out));
  EXPECT_STREQ(out, "");
  // Exactly fitting, and one character too many: never a path cut short.
  const std::string suffix = "\\Orvanel\\Quillnox";
  const std::string fits(SETUP_PATH_SIZE - 1 - suffix.size(), 'p');
  ASSERT_TRUE(DefaultInstallFolder(fits.c_str(), out, sizeof out));
  EXPECT_EQ(std::string(out), fits + suffix);
  EXPECT_FALSE(DefaultInstallFolder((fits + "p").c_str(), out, sizeof out));
  EXPECT_STREQ(out, "");
  // "&Install" takes only a folder setup accepts: an empty one (no "ProgramFilesDir", or
  // a choice without a file-system path) would put the log at the current drive's root.
  char folder[SETUP_PATH_SIZE];
  EXPECT_EQ(NormalizeInstallFolder("D:\\Tools", folder, sizeof folder), FolderProblem::None);
  EXPECT_EQ(NormalizeInstallFolder("", folder, sizeof folder), FolderProblem::Empty);
  EXPECT_EQ(NormalizeInstallFolder(nullptr, folder, sizeof folder), FolderProblem::Empty);
  ASSERT_TRUE(InstalledProgramPath("D:\\Tools", out, sizeof out));
  EXPECT_STREQ(out, "D:\\Tools\\Quillnox.exe");
}

TEST(WizardInstallation, TicksFollowTheDoneMarks) {
  struct Case {
    int s;
    int done[4];
    int bar;
    bool wait;
    int box;
    bool advance, fill, finish;
    int next;
  };
  const Case cases[] = {
      {0, {0, 0, 0, 0}, 0, true, 0, false, false, false, 0},        // files not done: wait
      {0, {1, 0, 0, 0}, 0, false, 1009, true, false, false, 1},      // files box
      {1, {1, 0, 0, 0}, 25, true, 0, false, false, false, 1},       // shortcuts not done: wait
      {1, {1, 1, 0, 0}, 25, false, 1010, true, false, false, 2},
      {2, {1, 1, 1, 1}, 50, false, 1011, true, false, false, 3},
      {3, {1, 1, 1, 1}, 75, false, 0, true, false, false, 4},        // fourth step: no box
      {3, {1, 1, 1, 0}, 75, true, 0, false, false, false, 3},
      {3, {1, 1, 1, 1}, 100, false, 0, false, false, false, 4},      // bar full: not advanced
      {4, {1, 1, 1, 1}, 100, false, 0, false, true, false, 5},
      {5, {1, 1, 1, 1}, 100, false, 0, false, false, true, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.s);
    const InstallTick t = InstallationTick(c.s, c.done, c.bar);
    EXPECT_EQ(t.wait, c.wait);
    EXPECT_EQ(t.check_box, c.box);
    EXPECT_EQ(t.advance_bar, c.advance);
    EXPECT_EQ(t.fill_bar, c.fill);
    EXPECT_EQ(t.finish, c.finish);
    EXPECT_EQ(t.next_step, c.next);
  }
}

TEST(WizardInstallation, AllDoneReachesTheFinishInSixTicks) {
  const int done[4] = {1, 1, 1, 1};
  int s = 0, bar = 0, ticks = 0;
  for (;; ++ticks) {
    const InstallTick t = InstallationTick(s, done, bar);
    if (t.advance_bar) bar += INSTALL_BAR_STEP;
    if (t.fill_bar) bar = 100;
    if (t.finish) break;
    s = t.next_step;
  }
  EXPECT_EQ(ticks, 5);
  EXPECT_EQ(bar, 100);
}

TEST(WizardTexts, ProductNamesFilledIn) {
  EXPECT_EQ(WizardConfirmText(), "This will install Quillnox 4.10. Do you wish to continue ?");
  EXPECT_EQ(WizardTitle(), "Quillnox Setup");
  EXPECT_EQ(WizardRefusalText("3.13"),
            "Warning. You cannot install this version:\nVersion 3.13 is already installed on your PC.\n\n"
            "Please, uninstall the previous version before to use this one.");
  EXPECT_EQ(FolderSubheading(), "Where you would like Quillnox to be installed ?");
  EXPECT_EQ(FolderBody(), "Select the folder where you would like Quillnox to be installed.");
  EXPECT_EQ(InstallationSubheading(), "Installation of Quillnox.");
  EXPECT_EQ(InstallationBody(), "Installation of Quillnox...");
  EXPECT_EQ(FinishBody(),
            "Setup has finished installing Quillnox on your computer. The application may be launched by "
            "selecting the installed icons.\n\nClick Finish to exit Setup.");
}

}  // namespace
