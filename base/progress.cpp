// Progress notifications and the cancellation they may bring back.
#include "base/progress.h"

#include "platform/progress.h"

namespace {
bool g_cancelled = false;  // one thread runs the operations: no locking

// Once cancelled, only the failure marks still reach the receiver: the work it sees
// ends at the notification it answered.
bool Send(std::uint32_t notification, std::uint32_t value) {
  if (g_cancelled && value != PROGRESS_FAILED) return false;
  if (ProgressDeliver(notification, value) == RECEIVER_CANCEL) g_cancelled = true;
  return !g_cancelled;
}
}  // namespace

bool ProgressCipher(std::uint32_t value) { return Send(NOTIFY_CIPHER, value); }
bool ProgressDigest(std::uint32_t value) { return Send(NOTIFY_DIGEST, value); }
bool ProgressCodec(std::uint32_t value) { return Send(NOTIFY_CODEC, value); }
bool ProgressWorkSize(std::uint32_t work_size) { return Send(NOTIFY_WORK_SIZE, work_size); }

void ProgressForgetCancel() { g_cancelled = false; }
bool ProgressCancelled() { return g_cancelled; }
