// The process-wide progress receiver (one thread touches it; no locking).
#include "platform/progress.h"

namespace {
ProgressCallback g_callback = nullptr;
void* g_context = nullptr;
}  // namespace

void ProgressSetReceiver(ProgressCallback callback, void* context) {
  g_callback = callback;
  g_context = callback ? context : nullptr;
}

void ProgressClearReceiver() {
  g_callback = nullptr;
  g_context = nullptr;
}

bool ProgressReceiverSet() { return g_callback != nullptr; }

int ProgressDeliver(std::uint32_t notification, std::uint32_t value) {
  return g_callback ? g_callback(g_context, notification, value) : RECEIVER_GO_ON;
}
