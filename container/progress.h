// Progress notifications of the working code and the three process-wide progress rows.
//
// ProgressCipher, ProgressDigest and ProgressCodec send a byte count, PROGRESS_DONE or
// PROGRESS_FAILED to the receiver of platform/progress.h (the progress dialog while it
// is open); without a receiver they do nothing.
#pragma once

#include <cstdint>

#include "platform/msgbox.h"  // WindowHandle

// Message numbers of the notifications (application range).
constexpr std::uint32_t NOTIFY_CIPHER = 0x8001;
constexpr std::uint32_t NOTIFY_DIGEST = 0x8002;
constexpr std::uint32_t NOTIFY_CODEC = 0x8003;

constexpr std::uint32_t PROGRESS_DONE = 0x0FFFFFF1;    // the stage has finished
constexpr std::uint32_t PROGRESS_FAILED = 0x0FFFFFF2;  // the stage failed

void ProgressCipher(std::uint32_t value);
void ProgressDigest(std::uint32_t value);
void ProgressCodec(std::uint32_t value);

// One row of the progress display. The dialog attaches a bar and a status picture
// while it is open (both nullptr otherwise) and consumes the notifications on it.
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
