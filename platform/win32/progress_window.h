// Windows form of the progress receiver: a window that gets each notification as
// its message number, the value in wParam, by SendMessage.
#pragma once

#include <windows.h>

// window nullptr clears the receiver.
void ProgressSetReceiverWindow(HWND window);
