// The setup wizard's decisions, apart from the windows: which page follows which, the
// frame's buttons on each page, the default installation folder, what the installation
// page does on each tick of its timer, and the wizard's texts. Standard C++ only.
#pragma once

#include <cstddef>
#include <string>

// The frame's page numbers, in the order the pages are shown.
constexpr int WIZARD_PAGE_FOLDER = 2;
constexpr int WIZARD_PAGE_INSTALLATION = 5;
constexpr int WIZARD_PAGE_FINISH = 6;

// The page shown after page (0 when it is the last).
int NextWizardPage(int page);

// The dialog resource of a page (0 for an unknown page number).
int WizardPageResource(int page);

// The frame's buttons while a page is shown. An empty text keeps the template's.
struct WizardButtons {
  bool back_visible;
  bool next_visible;
  bool cancel_visible;
  const char* next_text;
  const char* cancel_text;
};
WizardButtons ButtonsForPage(int page);

// "Cancel" asks before quitting while the installation is not finished.
bool CancelAsks(int page);

// The default installation folder: program_files (the "ProgramFilesDir" value) followed
// by "\Orvanel\Quillnox". false, out emptied, when the value is empty or the result does
// not fit size bytes.
bool DefaultInstallFolder(const char* program_files, char* out, std::size_t size);

// The installed program started by the finish page: folder + "\Quillnox.exe".
bool InstalledProgramPath(const char* folder, char* out, std::size_t size);

// One tick of the installation page's 200 ms timer with step counter s and the four
// done-marks of InstallAll.
struct InstallTick {
  bool wait;          // the step is not done yet: nothing happens on this tick
  int check_box;      // the step's check box to tick (0: none)
  bool advance_bar;   // advance the bar by one step
  bool fill_bar;      // set the bar to 100
  bool finish;        // stop the timer and go to the finish page
  int next_step;      // the counter for the next tick
};
// bar: the progress bar's position now.
InstallTick InstallationTick(int s, const int done[4], int bar);

// The progress bar's step on the installation page.
constexpr int INSTALL_BAR_STEP = 25;
// The installation page's timers.
constexpr unsigned INSTALL_FIRST_TIMER_MS = 150;
constexpr unsigned INSTALL_STEP_TIMER_MS = 200;

// The texts, "%s" filled with the product title (or the versioned title, or the
// installed version, as each says).
std::string WizardConfirmText();           // versioned title
std::string WizardRefusalText(const char* installed_version);
std::string WizardTitle();                 // "%s Setup"
std::string FolderSubheading();
std::string FolderBody();
std::string InstallationSubheading();
std::string InstallationBody();
std::string FinishBody();
extern const char WIZARD_QUIT_TEXT[];
extern const char WIZARD_QUIT_TITLE[];
