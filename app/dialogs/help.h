// The help beside the program: "Quillnox.hlp" shown with WinHelp, or the page
// "Quillnox.htm" where Windows has no WinHelp viewer (see help_route.h).
#pragma once

#include "platform/msgbox.h"  // WindowHandle

// topic: a context number of the help file, or -1 for its contents.
void ShowHelp(WindowHandle window, int topic);
