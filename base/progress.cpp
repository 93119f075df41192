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

bool ProgressUnitsAdd(ProgressUnits* units, std::uint64_t size) {
  std::uint64_t pending = units->partial + size;
  for (; pending >= 1024; pending -= 1024)
    if (!units->report(1024)) return false;
  units->partial = static_cast<std::uint32_t>(pending);
  return true;
}

bool ProgressUnitsEnd(ProgressUnits* units) {
  const std::uint32_t rest = units->partial;
  units->partial = 0;
  return rest == 0 || units->report(rest);
}
