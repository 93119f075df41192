// The progress bars' step size on Windows (the progress dialog's bars are common
// controls). The dialog itself receives the notifications through a callback on its
// own thread (platform/progress.h).
#include <windows.h>
#include <commctrl.h>

#include "platform/progress.h"

void ProgressBarSetStep(WindowHandle bar, std::int32_t step) {
  if (bar) SendMessageA(static_cast<HWND>(bar), PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}
