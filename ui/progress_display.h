// What the operation progress dialog shows: its title and row labels by direction,
// which notification each of its lines follows, the advance of a bar for one
// notification, and its colours. Plain decisions, so that they are tested without a
// window; app/dialogs/progress_dialog.cpp applies them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ui/progress_rows.h"

// The status pictures (bitmap resources).
constexpr int PROGRESS_IMAGE_FAILED = 288;
constexpr int PROGRESS_IMAGE_DONE = 289;
constexpr int PROGRESS_IMAGE_PENDING = 290;

// Bar colour RGB(0, 192, 112) as a COLORREF.
constexpr std::uint32_t PROGRESS_BAR_COLOUR = 0x0070C000;

// The dialog's three lines, top to bottom, for a direction (1 encryption, else
// decryption): each line's label and the row (PROGRESS_ROW_*) whose notifications it shows.
struct ProgressLine {
  const char* label;
  int row;
};
const ProgressLine* ProgressLines(std::uint32_t direction);

// The dialog title: "Encrypt..." or "Decrypt <first entry's name>" (cut to fit).
void ProgressTitle(std::uint32_t direction, const char* first_name, char* title, std::size_t size);

// What one notification does to a bar.
struct ProgressMove {
  std::int32_t delta;  // points to add to the bar's position (PBM_DELTAPOS / PBM_STEPIT)
  int image;           // 0, or the status picture to show now
  bool repaint;        // repaint the dialog at once
};
// Applies a notification value to a row whose bar stands at position: updates the
// row's accumulator and says how the bar moves. The bar never passes 100.
ProgressMove ProgressApply(ProgressRow* row, std::int32_t position, std::uint32_t value);

// The bars' background: the button face lighter by 0x20 in each channel, a channel
// stopping at 0xFF rather than carrying into its neighbour.
std::uint32_t ProgressBarBackground(std::uint32_t button_face);
