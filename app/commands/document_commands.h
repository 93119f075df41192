// The commands that shape the document: New document, Open, Reply, and removing a file
// from the list.
//
// Each command returns 1 when it did its work and 0 otherwise; the routine that meets
// a failure shows its message itself.
#pragma once

#include <windows.h>

struct Document;

// Button "New": empties the window after asking (no question when it is empty).
int NewDocument(HWND window, Document* document);
// Button "Open": the open dialog, then the chosen files go through the list file.
int OpenFiles(HWND window, Document* document);
// Turns the decrypted document into a quoted reply in encryption mode.
int MakeReply(HWND window, Document* document);
// "Suppress" and the Delete key: removes the selected file from the list and the
// document; 0 when none is selected.
int RemoveSelectedFile(HWND window, Document* document);
