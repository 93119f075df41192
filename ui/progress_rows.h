// The progress dialog's three rows: what it shows of the notifications it receives.
//
// The working code knows nothing of them; the dialog calls ProgressReset when it
// receives NOTIFY_WORK_SIZE and consumes NOTIFY_CIPHER, NOTIFY_DIGEST and NOTIFY_CODEC
// on the matching row.
#pragma once

#include <cstdint>

#include "platform/msgbox.h"  // WindowHandle

// One row of the progress display. The dialog attaches a bar and a status picture
// while it is open (both nullptr otherwise).
struct ProgressRow {
  std::int32_t threshold;
  std::int32_t step;
  std::int32_t accumulator;
  WindowHandle bar;
  WindowHandle status;
};

enum { PROGRESS_ROW_CIPHER = 0, PROGRESS_ROW_DIGEST = 1, PROGRESS_ROW_CODEC = 2, PROGRESS_ROW_COUNT = 3 };

// The three rows, indexed by PROGRESS_ROW_*.
ProgressRow* ProgressRows();

// Prepares the rows for work_size bytes: threshold = n / 100; step = 1 from 102400 bytes
// on, else 100 / (n / 1024), or 100 below 1024 bytes; accumulators 0; the step is
// given to every attached bar.
void ProgressReset(std::uint32_t work_size);
