// The setup wizard's decisions: page order, buttons, default folder, installation ticks
// and texts (see wizard_rules.h).
#include "setup/wizard_rules.h"

#include <cstdio>
#include <cstring>

#include "setup/setup_rules.h"

namespace {

std::string WithTitle(const char* format, const char* title) {
  char text[512];
  std::snprintf(text, sizeof text, format, title);
  return text;
}

}  // namespace

const char WIZARD_QUIT_TEXT[] = "The installation is not completed. Do you wish to quit the installation ?";
const char WIZARD_QUIT_TITLE[] = "Quit the installation";

int NextWizardPage(int page) {
  switch (page) {
    case WIZARD_PAGE_FOLDER: return WIZARD_PAGE_INSTALLATION;
    case WIZARD_PAGE_INSTALLATION: return WIZARD_PAGE_FINISH;
    default: return 0;
  }
}

int WizardPageResource(int page) {
  switch (page) {
    case WIZARD_PAGE_FOLDER: return 135;
    case WIZARD_PAGE_INSTALLATION: return 137;
    case WIZARD_PAGE_FINISH: return 132;
    default: return 0;
  }
}

WizardButtons ButtonsForPage(int page) {
  switch (page) {
    case WIZARD_PAGE_FOLDER: return {false, true, true, "&Install", "&Cancel"};
    case WIZARD_PAGE_INSTALLATION: return {false, false, true, "", ""};
    case WIZARD_PAGE_FINISH: return {false, true, false, "&Finish", ""};
    default: return {false, false, true, "", ""};
  }
}

bool CancelAsks(int page) { return page < WIZARD_PAGE_FINISH; }

bool DefaultInstallFolder(const char* program_files, char* out, std::size_t size) {
  if (!program_files || !*program_files) {
    if (size) out[0] = '\0';
    return false;
  }
  return FormatBounded(out, size, "%s\\%s", program_files, "Orvanel\\Quillnox");
}

bool InstalledProgramPath(const char* folder, char* out, std::size_t size) {
  return FormatBounded(out, size, "%s\\%s", folder, "Quillnox.exe");
}

InstallTick InstallationTick(int s, const int done[4], int bar) {
  InstallTick tick{false, 0, false, false, false, s};
  if (s >= 0 && s <= 3) {
    if (!done[s]) {
      tick.wait = true;
      return tick;
    }
    static const int boxes[4] = {1009, 1010, 1011, 0};
    tick.check_box = boxes[s];
    tick.advance_bar = bar < 100;
    tick.next_step = s + 1;
  } else if (s == 4) {
    tick.fill_bar = true;
    tick.next_step = 5;
  } else {
    tick.finish = true;
  }
  return tick;
}

std::string WizardConfirmText() {
  return WithTitle("This will install %s. Do you wish to continue ?", PRODUCT_VERSIONED_TITLE);
}

std::string WizardRefusalText(const char* installed_version) {
  return WithTitle("Warning. You cannot install this version:\nVersion %s is already installed on your PC.\n\n"
                   "Please, uninstall the previous version before to use this one.",
                   installed_version);
}

std::string WizardTitle() { return WithTitle("%s Setup", PRODUCT_TITLE); }
std::string FolderSubheading() { return WithTitle("Where you would like %s to be installed ?", PRODUCT_TITLE); }
std::string FolderBody() { return WithTitle("Select the folder where you would like %s to be installed.", PRODUCT_TITLE); }
std::string InstallationSubheading() { return WithTitle("Installation of %s.", PRODUCT_TITLE); }
std::string InstallationBody() { return WithTitle("Installation of %s...", PRODUCT_TITLE); }
std::string FinishBody() {
  return WithTitle("Setup has finished installing %s on your computer. The application may be launched by "
                   "selecting the installed icons.\n\nClick Finish to exit Setup.",
                   PRODUCT_TITLE);
}
