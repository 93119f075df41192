// The help file "Quillnox.hlp" beside the program, shown with WinHelp.
#pragma once

#include "platform/msgbox.h"  // WindowHandle

// topic: a context number of the help file, or -1 for its contents.
void ShowHelp(WindowHandle window, int topic);
