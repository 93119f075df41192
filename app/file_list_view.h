// The attached-file list view (control 1209): one item per file of the document,
// with the shell's small icon for its name.
#pragma once

#include <windows.h>

struct Document;

// Clears the view and inserts the document's files, selects the first one, and lays
// out the list and the text field again.
void FillFileList(HWND window, const Document* document);
// Removes every item and the image list (also when the window closes).
void ClearFileList(HWND window);
// Index of the first selected item, or -1.
int SelectedFileIndex(HWND window);
// Removes the selected file from the view and the document; 0 when none is selected.
int RemoveSelectedFile(HWND window);
