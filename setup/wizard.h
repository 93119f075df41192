// The setup wizard's windows: the frame (dialog 105) and its three pages. The wizard
// keeps its state in these process-wide variables; only the one thread touches them.
#pragma once

#include <windows.h>

#include "setup/setup_rules.h"

extern int g_wizard_page;                        // the page number shown (2, 5, 6)
extern HWND g_wizard_frame;                      // the frame while it is open
extern HWND g_wizard_page_window;                // the page shown in it
extern char g_install_folder[SETUP_PATH_SIZE];   // the installation folder
extern int g_install_step;                       // the installation page's step counter
extern HFONT g_heading_font;                     // the frame's font in bold

// The wizard from the start: confirmation, refusal when a version is installed, then
// the frame. 1 when it ended on the finish page, 0 otherwise.
int RunSetupWizard(HINSTANCE instance);

// Page procedures (one file each).
INT_PTR CALLBACK FolderPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK InstallationPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK FinishPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);

// Shared by the pages with a header band: the heading in bold, resized to its text,
// the sub-heading and body texts, and the header picture.
void SetUpPageHeader(HWND page, const char* subheading, const char* body);
// The band's colour behind the heading and sub-heading: handles WM_ERASEBKGND and
// WM_CTLCOLORSTATIC for the page; 0 when the message is not the band's.
INT_PTR PageBandMessage(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
