// The message boxes as the system's plain message box, titled "Warning" or "Error": the
// form of the self-extractor, which carries no box template. It asks no questions, so
// it has no QuestionBox: a program that links it and asks one does not link.
#include <windows.h>

#include "platform/msgbox.h"

namespace {

int PlainBox(WindowHandle owner, const char* text, const char* title, UINT icon) {
  HWND window = owner ? static_cast<HWND>(owner) : GetDesktopWindow();
  return MessageBoxA(window, text ? text : "", title, MB_OK | icon) == IDOK ? 1 : 0;
}

}  // namespace

int WarningBox(WindowHandle owner, const char* text) { return PlainBox(owner, text, "Warning", MB_ICONWARNING); }

int ErrorBox(WindowHandle owner, const char* text) { return PlainBox(owner, text, "Error", MB_ICONERROR); }
