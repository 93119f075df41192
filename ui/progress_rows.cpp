// The progress dialog's rows and their reset for a new work size.
#include "ui/progress_rows.h"

#include "platform/progress.h"

namespace {
ProgressRow g_rows[PROGRESS_ROW_COUNT];
}

ProgressRow* ProgressRows() { return g_rows; }

void ProgressReset(std::uint32_t work_size) {
  const std::int32_t threshold = static_cast<std::int32_t>(work_size / 100);
  std::int32_t step = 100;
  if (work_size >= 102400) {
    step = 1;
  } else {
    const std::uint32_t kilobytes = work_size / 1024;
    if (kilobytes != 0) step = static_cast<std::int32_t>(100 / kilobytes);
  }
  for (ProgressRow& row : g_rows) {
    row.threshold = threshold;
    row.step = step;
    row.accumulator = 0;
    if (row.bar) ProgressBarSetStep(row.bar, step);
  }
}
