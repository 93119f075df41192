// Helpers of the mail tests under Wine: the real registry, the recorded boxes as text,
// and the functions looked up in "MAPI32.DLL". Files and folders come from the Windows
// test programs' helpers (tests/support/win32).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/win32/files.h"
#include "tests/support/win32/folders.h"

void SetKeyText(HKEY root, const char* path, const char* name, const std::string& text);
void CreateKey(HKEY root, const char* path);
void DeleteKeyTree(HKEY root, const char* path);

// The boxes recorded so far: "error: <text>" or "warning: <text>".
std::vector<std::string> BoxTexts();

// The twelve Simple MAPI functions in the order the mail dispatch must resolve them.
const std::vector<std::string>& SimpleMapiOrder();

// From now on, records each function this program looks up by name in "MAPI32.DLL"
// (GetProcAddress, through the program's import table) and answers "not found" for the
// one named `missing` (none: nullptr), as a library without that export would. Earlier
// records are dropped.
void WatchMapiLookups(const char* missing);
std::vector<std::string> MapiLookups();
