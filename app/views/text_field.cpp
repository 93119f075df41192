// The main window's text field: copies of its text for the commands.
#include "app/views/text_field.h"

#include <cstddef>

#include "container/operation.h"
#include "resources/resource.h"

char* TextFieldCopy(HWND window, EmptyText empty) {
  if (window == nullptr) return nullptr;
  HWND field = GetDlgItem(window, IDC_MAIN_TEXT);
  const int length = GetWindowTextLengthA(field);
  if (length <= 0 && empty == EmptyText::Absent) return nullptr;
  const int room = (length > 0 ? length : 0) + 1;
  char* text = OperationTextAllocate(static_cast<std::size_t>(room));
  if (text == nullptr) return nullptr;
  GetWindowTextA(field, text, room);
  if (text[0] == '\0' && empty == EmptyText::Absent) {
    OperationTextFree(text);
    return nullptr;
  }
  return text;
}

bool TextFieldEmpty(HWND window) { return GetWindowTextLengthA(GetDlgItem(window, IDC_MAIN_TEXT)) == 0; }
