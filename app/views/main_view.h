// What the main window shows of the document: the file list, the text, the key field,
// the buttons of the mode and the place of every control. Views draw: they read the
// document and never change it.
#pragma once

#include <windows.h>

struct Document;

// Shows the document: its files, its text (caret at the end), the key field, the
// buttons of its mode; brings the window to the front. 0 (nothing shown) for a
// document made of the list file itself.
int ShowDocument(HWND window, const Document* document);

// Refills the file list from the document and lays the window out again (the list's
// row height follows where the items landed).
void ShowFileList(HWND window, const Document* document);

// Ids, captions and enabling of the buttons for the document's mode and reply flag,
// the algorithm and access-password toggles, then the layout.
void UpdateButtons(HWND window, const Document* document);

// Places every control for the client size width x height.
void LayoutMainWindow(HWND window, int width, int height);

// Gives control the id id: one control of a pair (Send/Open, the toggles) whose id
// tells its look and meaning.
void SetControlId(HWND control, int id);
