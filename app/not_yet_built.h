// The main command that is not in the program yet: until it lands, its entry in
// not_yet_built.cpp does nothing and reports that nothing was done.
#pragma once

#include <windows.h>

struct Document;

int SendEncrypted(HWND window, Document* document);
