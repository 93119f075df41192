// The progress dialog's decisions: lines and titles by direction, the bar's advance for
// the notifications, and the bar background.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/progress.h"
#include "ui/progress_display.h"
#include "ui/progress_rows.h"

namespace {

TEST(ProgressDisplay, LinesAndTitlesByDirection) {
  struct Case {
    std::uint32_t direction;
    const char* title;
    const char* labels[3];
    int rows[3];
  } cases[] = {
      {1, "Encrypt...", {"Compression", "Signature", "Encryption"},
       {PROGRESS_ROW_CODEC, PROGRESS_ROW_DIGEST, PROGRESS_ROW_CIPHER}},
      {0, "Decrypt report.doc.vek", {"Decryption", "Signature", "Decompression"},
       {PROGRESS_ROW_CIPHER, PROGRESS_ROW_DIGEST, PROGRESS_ROW_CODEC}},
      {2, "Decrypt report.doc.vek", {"Decryption", "Signature", "Decompression"},
       {PROGRESS_ROW_CIPHER, PROGRESS_ROW_DIGEST, PROGRESS_ROW_CODEC}},
  };
  for (const Case& c : cases) {
    char title[64];
    ProgressTitle(c.direction, "report.doc.vek", title, sizeof title);
    EXPECT_STREQ(c.title, title);
    const ProgressLine* lines = ProgressLines(c.direction);
    for (int i = 0; i < 3; ++i) {
      EXPECT_STREQ(c.labels[i], lines[i].label) << c.direction << " line " << i;
      EXPECT_EQ(c.rows[i], lines[i].row) << c.direction << " line " << i;
    }
  }
  char small[10];
  ProgressTitle(0, "a-very-long-name.vek", small, sizeof small);
  EXPECT_STREQ("Decrypt a", small);
}

// Plays byte counts on a row as the dialog does, moving a simulated bar.
int Play(std::uint32_t work_size, std::uint32_t chunk, std::uint32_t total) {
  ProgressReset(work_size);
  ProgressRow* row = &ProgressRows()[PROGRESS_ROW_CIPHER];
  int position = 0;
  for (std::uint32_t sent = 0; sent < total; sent += chunk) {
    const ProgressMove move = ProgressApply(row, position, chunk);
    EXPECT_EQ(0, move.image);
    position += move.delta;
    EXPECT_LE(position, 100);
  }
  return position;
}

TEST(ProgressDisplay, TwoPointsPer512BytesOf51200) {
  ProgressReset(51200);
  ProgressRow* row = &ProgressRows()[PROGRESS_ROW_DIGEST];
  int position = 0;
  for (int block = 1; block <= 50; ++block) {
    ProgressMove move = ProgressApply(row, position, 256);
    EXPECT_EQ(0, move.delta) << "half a threshold moves nothing";
    move = ProgressApply(row, position, 256);
    EXPECT_EQ(2, move.delta);
    position += move.delta;
    EXPECT_EQ(2 * block, position);
  }
  EXPECT_EQ(100, position);
}

TEST(ProgressDisplay, StepLandsOnExactly100) {
  struct Case {
    std::uint32_t work_size, chunk, total;
    int end;
  } cases[] = {
      {51200, 512, 51200 * 3, 100},  // more bytes than announced: stops at 100
      {3000, 1024, 3000, 100},       // step 50, threshold 30: 3 chunks would reach 150
      {0, 1, 5, 100},                // no size: one step fills the bar
      {204800, 2048, 102400, 50},    // step 1 per 2048 bytes
  };
  for (const Case& c : cases) EXPECT_EQ(c.end, Play(c.work_size, c.chunk, c.total)) << c.work_size;

  // A step past 100 from 99 adds 1 and keeps the accumulator.
  ProgressReset(3000);
  ProgressRow* row = &ProgressRows()[PROGRESS_ROW_CODEC];
  const ProgressMove move = ProgressApply(row, 99, 40);
  EXPECT_EQ(1, move.delta);
  EXPECT_EQ(40, row->accumulator);
  EXPECT_EQ(0, ProgressApply(row, 100, 40).delta);
}

TEST(ProgressDisplay, DoneAndFailedImages) {
  ProgressReset(51200);
  ProgressRow* row = &ProgressRows()[PROGRESS_ROW_CIPHER];
  struct Case {
    std::int32_t position;
    std::uint32_t value;
    std::int32_t delta;
    int image;
  } cases[] = {
      {0, PROGRESS_DONE, 100, PROGRESS_IMAGE_DONE},
      {64, PROGRESS_DONE, 36, PROGRESS_IMAGE_DONE},
      {100, PROGRESS_DONE, 0, PROGRESS_IMAGE_DONE},
      {40, PROGRESS_FAILED, 0, PROGRESS_IMAGE_FAILED},
  };
  for (const Case& c : cases) {
    const ProgressMove move = ProgressApply(row, c.position, c.value);
    EXPECT_EQ(c.delta, move.delta) << c.position;
    EXPECT_EQ(c.image, move.image) << c.position;
    EXPECT_TRUE(move.repaint);
  }
  EXPECT_EQ(0, row->accumulator) << "marks are not byte counts";
}

TEST(ProgressDisplay, BarColours) {
  EXPECT_EQ(0x0070C000u, PROGRESS_BAR_COLOUR);
  EXPECT_EQ(0x00E0E0E0u, ProgressBarBackground(0x00C0C0C0));
  EXPECT_EQ(0x00E8F0F4u, ProgressBarBackground(0x00C8D0D4));
  EXPECT_EQ(0x00FFFFFFu, ProgressBarBackground(0x00F0F0F0));  // no carry into the next channel
  EXPECT_EQ(0x00FF20FFu, ProgressBarBackground(0x00FF00E8));
}

}  // namespace
