// Progress notifications delivered to a window by SendMessage, and the bars' step size.
#include "platform/win32/progress_window.h"

#include <commctrl.h>

#include "platform/progress.h"

namespace {
// The window answers RECEIVER_CANCEL (1) from its message procedure to stop the work.
int SendToWindow(void* context, std::uint32_t notification, std::uint32_t value) {
  const LRESULT answer = SendMessageA(static_cast<HWND>(context), notification, static_cast<WPARAM>(value), 0);
  return answer == RECEIVER_CANCEL ? RECEIVER_CANCEL : RECEIVER_GO_ON;
}
}  // namespace

void ProgressSetReceiverWindow(HWND window) {
  if (window)
    ProgressSetReceiver(SendToWindow, window);
  else
    ProgressClearReceiver();
}

void ProgressBarSetStep(WindowHandle bar, std::int32_t step) {
  if (bar) SendMessageA(static_cast<HWND>(bar), PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}
