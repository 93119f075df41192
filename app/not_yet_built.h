// The main commands and their progress dialog, which the main window calls and which
// are not in the program yet. Until each one lands, its entry in not_yet_built.cpp
// does nothing and reports that nothing was done.
#pragma once

#include <windows.h>

#include "container/operation.h"

struct Document;

// Main commands and the output helpers.
int NewDocument(HWND window);
int OpenFiles(HWND window);
int EncryptLocally(HWND window, Document* document);
int DecryptLocally(HWND window, Document* document);
int DecryptAndOpen(HWND window, Document* document);
int MakeReply(HWND window, Document* document);
int SendEncrypted(HWND window, Document* document);

