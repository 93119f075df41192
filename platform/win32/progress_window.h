// Windows form of the progress receiver: a window that gets each notification as
// its message number, the value in wParam, by SendMessage. The window returns 1
// (RECEIVER_CANCEL) to stop the operation, 0 to let it go on.
#pragma once

#include <windows.h>

// window nullptr clears the receiver.
void ProgressSetReceiverWindow(HWND window);
