// The progress receiver: where the working code's progress notifications go.
//
// The core sends each notification through ProgressDeliver; it never knows who, if
// anyone, listens. A receiver is a callback: the command-line tool's, a test's, or the
// progress dialog's on its own thread. With no receiver set, notifications are dropped.
#pragma once

#include <cstdint>

#include "platform/msgbox.h"  // WindowHandle

// What a receiver answers to a notification.
constexpr int RECEIVER_GO_ON = 0;
constexpr int RECEIVER_CANCEL = 1;  // stop the operation (the progress dialog's Cancel button)

using ProgressCallback = int (*)(void* context, std::uint32_t notification, std::uint32_t value);

void ProgressSetReceiver(ProgressCallback callback, void* context);
void ProgressClearReceiver();
bool ProgressReceiverSet();

// Hands one notification (a message number 0x8001..0x8004) with its value to the
// receiver, synchronously, and gives back its answer; RECEIVER_GO_ON when there is none.
int ProgressDeliver(std::uint32_t notification, std::uint32_t value);

// Sets the step size of a progress bar attached to a progress row (PBM_SETSTEP on
// Windows; nothing elsewhere, where rows have no bars).
void ProgressBarSetStep(WindowHandle bar, std::int32_t step);
