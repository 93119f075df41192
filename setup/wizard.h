// The setup wizard's windows: the frame (dialog 105) and its three pages. The wizard's
// state is one WizardState, owned by RunSetupWizard for the wizard's life: the frame
// and each page find it in their DWLP_USER slot (only the one thread touches it).
#pragma once

#include <windows.h>

#include "setup/setup_rules.h"

struct WizardState {
  HINSTANCE instance;
  int page;                                  // the page number shown (2, 5, 6)
  HWND frame;                                // the frame while it is open
  HWND page_window;                          // the page shown in it
  char install_folder[SETUP_PATH_SIZE];      // the installation folder, normalised
  int install_step;                          // the installation page's step counter
  int step_done[4];                          // InstallAll's done-marks
  HFONT heading_font;                        // the frame's font in bold
};

// The wizard from the start: confirmation, refusal when a version is installed, then
// the frame. 1 when it ended on the finish page, 0 otherwise.
int RunSetupWizard(HINSTANCE instance);

// The state of the frame or of a page (nullptr before WM_INITDIALOG has stored it).
WizardState* WizardStateOf(HWND window);
// Stores it at WM_INITDIALOG (its lparam).
WizardState* KeepWizardState(HWND window, LPARAM lparam);

// Page procedures (one file each).
INT_PTR CALLBACK FolderPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK InstallationPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK FinishPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);

// Shared by the pages with a header band: the heading in bold, resized to its text,
// the sub-heading and body texts, and the header picture.
void SetUpPageHeader(HWND page, HFONT heading_font, const char* subheading, const char* body);
// The band's colour behind the heading and sub-heading: handles WM_ERASEBKGND and
// WM_CTLCOLORSTATIC for the page; 0 when the message is not the band's.
INT_PTR PageBandMessage(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
