// The open dispatch that start-up, a second start's hand-over, the Open command and
// file drops share: a command line (the arguments as one string) turned into the
// document, and the "/ks:" decryption that needs no window.
#pragma once

#include <windows.h>

#include "base/types.h"

struct Document;

// 1 when the document was replaced or extended and must be shown, 0 when nothing is
// to be shown. window: the main window, or nullptr at start. line is worked on in place
// (COMMAND_LINE_SIZE bytes).
int OpenCommandLine(HWND window, Document* document, char* line);
// Replaces the document by what a command line of kind names. 1 or 0.
int NewDocumentFrom(HWND window, Document* document, int kind, char* line);
// Adds the files of the list file, and the text field's text, to the document. 1 or 0.
int AppendListedFiles(HWND window, Document* document, char* text);
// The "/ks:" form: decrypts the container with the session key beside it. 1 or 0.
int DecryptWithSessionKey(char* line);

// 1 when any entry's path is a folder.
int ListHasFolder(const FileEntry* entries, int count);
