// The progress dialog's decisions: texts, lines, bar advance and colours.
#include "ui/progress_display.h"

#include <cstdio>

#include "base/progress.h"

namespace {
const ProgressLine kEncryptLines[3] = {
    {"Compression", PROGRESS_ROW_CODEC}, {"Signature", PROGRESS_ROW_DIGEST}, {"Encryption", PROGRESS_ROW_CIPHER}};
const ProgressLine kDecryptLines[3] = {
    {"Decryption", PROGRESS_ROW_CIPHER}, {"Signature", PROGRESS_ROW_DIGEST}, {"Decompression", PROGRESS_ROW_CODEC}};
}  // namespace

const ProgressLine* ProgressLines(std::uint32_t direction) { return direction == 1 ? kEncryptLines : kDecryptLines; }

void ProgressTitle(std::uint32_t direction, const char* first_name, char* title, std::size_t size) {
  if (size == 0) return;
  if (direction == 1)
    std::snprintf(title, size, "Encrypt...");
  else
    std::snprintf(title, size, "Decrypt %s", first_name ? first_name : "");
}

ProgressMove ProgressApply(ProgressRow* row, std::int32_t position, std::uint32_t value) {
  ProgressMove move = {0, 0, false};
  if (value == PROGRESS_DONE) {
    if (position < 100) move.delta = 100 - position;
    move.image = PROGRESS_IMAGE_DONE;
    move.repaint = true;
    return move;
  }
  if (value == PROGRESS_FAILED) {
    move.image = PROGRESS_IMAGE_FAILED;
    move.repaint = true;
    return move;
  }
  row->accumulator += static_cast<std::int32_t>(value);
  if (row->accumulator < row->threshold) return move;
  if (position + row->step > 100) {
    move.delta = position < 100 ? 100 - position : 0;  // the accumulator is kept
  } else {
    move.delta = row->step;
    row->accumulator = 0;
  }
  return move;
}

std::uint32_t ProgressBarBackground(std::uint32_t button_face) {
  std::uint32_t colour = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    std::uint32_t channel = ((button_face >> shift) & 0xFF) + 0x20;
    if (channel > 0xFF) channel = 0xFF;
    colour |= channel << shift;
  }
  return colour;
}
