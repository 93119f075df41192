// The help file "Quillnox.hlp" beside the program, opened at a topic.
#pragma once

#include <windows.h>

// topic -1: the contents.
void ShowHelp(HWND window, int topic);
