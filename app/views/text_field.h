// The main window's text field (1036): the one reader of its text.
#pragma once

#include <windows.h>

// What a copy of an empty field is.
enum class EmptyText {
  Kept,    // "": the empty text is the text (it replaces a document's text)
  Absent,  // nullptr: there is no text (nothing to encrypt)
};

// A copy of the text field's text in a buffer of the operations' own
// (OperationTextFree); an empty field gives "" or nullptr as empty says. nullptr
// without a window (start-up, before the main window exists) or when memory fails.
char* TextFieldCopy(HWND window, EmptyText empty);

// true when the field holds no text.
bool TextFieldEmpty(HWND window);
