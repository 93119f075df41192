// Progress notifications of the working code.
//
// ProgressCipher, ProgressDigest and ProgressCodec send a byte count, PROGRESS_DONE or
// PROGRESS_FAILED to the receiver of platform/progress.h (the progress dialog while it
// is open); without a receiver they do nothing. ProgressWorkSize tells the receiver how
// many bytes the next item holds, so that it can scale its bars (the rows and bars
// themselves belong to the progress dialog: ui/progress_rows.h).
//
// The receiver may answer RECEIVER_CANCEL. From then on the operation is cancelled:
// every notification answers false and only PROGRESS_FAILED marks are still sent, the
// streams, the digest and the codec stop at their next block, and the operation
// removes what it made and returns 0xF007.
#pragma once

#include <cstdint>

// Message numbers of the notifications (application range).
constexpr std::uint32_t NOTIFY_CIPHER = 0x8001;
constexpr std::uint32_t NOTIFY_DIGEST = 0x8002;
constexpr std::uint32_t NOTIFY_CODEC = 0x8003;
constexpr std::uint32_t NOTIFY_WORK_SIZE = 0x8004;  // value: the bytes of the next item

constexpr std::uint32_t PROGRESS_DONE = 0x0FFFFFF1;    // the stage has finished
constexpr std::uint32_t PROGRESS_FAILED = 0x0FFFFFF2;  // the stage failed

// Each sends its notification; false once the operation has been cancelled.
bool ProgressCipher(std::uint32_t value);
bool ProgressDigest(std::uint32_t value);
bool ProgressCodec(std::uint32_t value);
bool ProgressWorkSize(std::uint32_t work_size);

// true once the receiver has answered RECEIVER_CANCEL, until ProgressForgetCancel.
bool ProgressCancelled();
// Forgets a cancellation: each operation begins and ends with it, so that a cancel
// stops only the operation that received it.
void ProgressForgetCancel();

// Byte counts reported in units of 1024 bytes, as the digest and the DES stream report
// their reads of 1024 bytes, for data that passes in pieces of other sizes.
struct ProgressUnits {
  bool (*report)(std::uint32_t value);  // ProgressDigest, ProgressCipher, ...
  std::uint32_t partial;                // bytes toward the next unit
};
// Reports 1024 for every unit that size more bytes complete; false once cancelled.
bool ProgressUnitsAdd(ProgressUnits* units, std::uint64_t size);
// Reports the bytes of the last, shorter unit (nothing when there are none); false
// once cancelled.
bool ProgressUnitsEnd(ProgressUnits* units);
