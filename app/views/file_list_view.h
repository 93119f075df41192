// The attached-file list view (control 1209): one item per file of the document,
// with the shell's small icon for its name.
#pragma once

#include <windows.h>

struct Document;

// Clears the view, inserts the document's files and selects the first one (the main
// window's layout then follows the rows: ShowFileList in main_view.h).
void FillFileList(HWND window, const Document* document);
// Removes every item and the image list (also when the window closes).
void ClearFileList(HWND window);
// Index of the first selected item, or -1.
int SelectedFileIndex(HWND window);
// Removes item index from the view (the document is the caller's).
void DeleteFileListItem(HWND window, int index);
