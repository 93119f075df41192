// Result-code messages, ReportOperationError, progress notifications and rows, and the
// shared parts of the message boxes (display name, titles, results).
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "base/progress.h"
#include "container/format.h"
#include "container/result.h"
#include "crypto/stream.h"
#include "platform/common/msgbox_double.h"
#include "platform/msgbox.h"
#include "platform/paths.h"
#include "platform/progress.h"
#include "tests/support/test_support.h"
#include "ui/progress_rows.h"

namespace {

const char* const kPath = "C:\\Users\\ann\\Mail\\report.vek";

struct MessageCase {
  std::uint32_t code;
  const char* text;
  friend void PrintTo(const MessageCase& c, std::ostream* os) { *os << std::hex << c.code; }
};

class OperationErrorTextTest : public ::testing::TestWithParam<MessageCase> {};

TEST_P(OperationErrorTextTest, MatchesTheTable) {
  EXPECT_EQ(OperationErrorText(GetParam().code, kPath), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, OperationErrorTextTest,
    ::testing::Values(
        MessageCase{0xF001,
                    "Wrong file signature.\nThe file may be corrupted or\nthe password may be wrong.\n\n"
                    "Please, check it and retry."},
        MessageCase{0xF002, "Unable to open the temporary file\nused for encryption/decryption."},
        MessageCase{0xF003,
                    "Unable to open C:\\Users\\ann\\Mail\\report.vek\nCheck the name and the path of the file "
                    "or\ncheck if it's not used by another application."},
        MessageCase{0xF004,
                    "Unable to decrypt report.vek\nThis file may be encrypted with\nan older version than the "
                    "2.41."},
        MessageCase{0xF005, "Unable to decrypt report.vek\nThis file got a wrong format."},
        MessageCase{0xF006, "Unable to allocate enough memory"},
        MessageCase{0xF007, ""},
        MessageCase{0xF008, "Unable to process encryption\nInternal error."},
        MessageCase{0x1234, "report.vek: error 00001234"},
        MessageCase{0xF009,
                    "Unable to encrypt: a file or the text is too large\n"
                    "for a container (4 GB at most each, once compressed)."},
        MessageCase{0xF00A, "report.vek: error 0000F00A"},
        MessageCase{0xDEADBEEF, "report.vek: error DEADBEEF"}),
    [](const auto& info) { return "Code" + std::to_string(info.param.code); });

TEST(ReportOperationErrorTest, ShowsOneWarningOwnedAsAsked) {
  BoxDoubleReset();
  int owner_marker = 0;
  ReportOperationError(&owner_marker, 0xF005, kPath);
  ReportOperationError(nullptr, 0x1234, "/home/ann/x.vek");
  ReportOperationError(&owner_marker, 0xF007, kPath);  // the stage has spoken already
  ASSERT_EQ(BoxDoubleLog().size(), 2u);
  EXPECT_EQ(BoxDoubleLog()[0].kind, BoxKind::Warning);
  EXPECT_EQ(BoxDoubleLog()[0].title, "Quillnox Warning");
  EXPECT_EQ(BoxDoubleLog()[0].owner, &owner_marker);
  EXPECT_EQ(BoxDoubleLog()[0].text, "Unable to decrypt report.vek\nThis file got a wrong format.");
  EXPECT_EQ(BoxDoubleLog()[1].owner, nullptr);
  EXPECT_EQ(BoxDoubleLog()[1].text, "x.vek: error 00001234");
}

TEST(PathFileNameTest, AnswersAsTheShellDoes) {
  const struct {
    const char* path;
    const char* name;
  } cases[] = {
      {"C:\\dir\\file.txt", "file.txt"}, {"file.txt", "file.txt"}, {"C:file.txt", "file.txt"},
      {"/tmp/a/b.vek", "b.vek"},         {"C:\\dir\\sub\\", "sub\\"}, {"", ""},
      {"\\\\server\\share", "share"},    {"a/b\\c", "c"},
  };
  for (const auto& c : cases) EXPECT_STREQ(PathFileName(c.path), c.name) << c.path;
}

struct ResetCase {
  std::uint32_t size;
  std::int32_t threshold;
  std::int32_t step;
  friend void PrintTo(const ResetCase& c, std::ostream* os) { *os << c.size; }
};

class ProgressResetTest : public ::testing::TestWithParam<ResetCase> {};

TEST_P(ProgressResetTest, SetsEveryRow) {
  for (int i = 0; i < PROGRESS_ROW_COUNT; ++i) ProgressRows()[i].accumulator = 777;
  ProgressReset(GetParam().size);
  for (int i = 0; i < PROGRESS_ROW_COUNT; ++i) {
    const ProgressRow& row = ProgressRows()[i];
    EXPECT_EQ(row.threshold, GetParam().threshold) << "row " << i;
    EXPECT_EQ(row.step, GetParam().step) << "row " << i;
    EXPECT_EQ(row.accumulator, 0) << "row " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ProgressResetTest,
                         ::testing::Values(ResetCase{0, 0, 100}, ResetCase{99, 0, 100},
                                           ResetCase{1023, 10, 100}, ResetCase{1024, 10, 100},
                                           ResetCase{2048, 20, 50}, ResetCase{51200, 512, 2},
                                           ResetCase{102399, 1023, 1}, ResetCase{102400, 1024, 1},
                                           ResetCase{204800, 2048, 1},
                                           ResetCase{0xFFFFFFFFu, 42949672, 1}),
                         [](const auto& info) { return "Size" + std::to_string(info.param.size); });

// A code is read by its value alone: two codes with one value would let one failure
// pass for another (a programming error shown as a wrong passphrase).
TEST(ResultCodeTest, EveryCodeHasAValueOfItsOwn) {
  const std::vector<std::uint32_t> results = {RESULT_OK,          RESULT_WRONG_SIGNATURE, RESULT_TEMP_FILE,
                                              RESULT_CANNOT_OPEN, RESULT_OLD_VERSION,     RESULT_WRONG_FORMAT,
                                              RESULT_NO_MEMORY,   RESULT_STAGE_FAILED,    RESULT_INTERNAL,
                                              RESULT_TOO_LARGE,   WALK_CHUNK,             WALK_END};
  EXPECT_EQ(std::set<std::uint32_t>(results.begin(), results.end()).size(), results.size());
  const std::vector<int> streams = {STREAM_OK,           STREAM_SHORT_READ,  STREAM_SHORT_WRITE,
                                    STREAM_BAD_ARGUMENT, STREAM_BAD_PADDING, STREAM_CANCELLED};
  EXPECT_EQ(std::set<int>(streams.begin(), streams.end()).size(), streams.size());
}

TEST(ProgressNotificationTest, ACancelIsKeptUntilForgotten) {
  {
    ProgressRecorder recorder;
    recorder.CancelAt(1);
    EXPECT_TRUE(ProgressCodec(1));
    EXPECT_FALSE(ProgressCodec(2));  // answered "cancel"
    EXPECT_FALSE(ProgressCipher(3));
    EXPECT_TRUE(ProgressCancelled());
  }
  EXPECT_FALSE(ProgressCancelled());
  EXPECT_TRUE(ProgressDigest(4));
}

TEST(ProgressNotificationTest, ReachTheReceiverInOrder) {
  ProgressRecorder recorder;
  ProgressCipher(1024);
  ProgressDigest(PROGRESS_DONE);
  ProgressCodec(PROGRESS_FAILED);
  ProgressCipher(0);
  const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected = {
      {0x8001, 1024}, {0x8002, 0x0FFFFFF1}, {0x8003, 0x0FFFFFF2}, {0x8001, 0}};
  EXPECT_EQ(recorder.events(), expected);
}

TEST(ProgressNotificationTest, WithoutReceiverNothingHappens) {
  std::vector<std::uint32_t> seen;
  ProgressSetReceiver([](void* context, std::uint32_t, std::uint32_t value) {
    static_cast<std::vector<std::uint32_t>*>(context)->push_back(value);
    return RECEIVER_GO_ON;
  }, &seen);
  ProgressCodec(5);
  ProgressClearReceiver();
  EXPECT_FALSE(ProgressReceiverSet());
  ProgressCodec(6);
  ProgressCipher(7);
  EXPECT_EQ(seen, std::vector<std::uint32_t>{5});
}

TEST(MessageBoxTest, DisplayNameAndTitles) {
  EXPECT_STREQ(DisplayName(), "Quillnox");
  EXPECT_EQ(DisplayName(), DisplayName());  // one process-wide buffer
  char title[64];
  BoxTitle(BoxKind::Warning, title, sizeof title);
  EXPECT_STREQ(title, "Quillnox Warning");
  BoxTitle(BoxKind::Question, title, sizeof title);
  EXPECT_STREQ(title, "Quillnox Warning");
  BoxTitle(BoxKind::Error, title, sizeof title);
  EXPECT_STREQ(title, "Quillnox Error");
  BoxTitle(BoxKind::Error, title, 6);
  EXPECT_STREQ(title, "Quill");
}

TEST(MessageBoxTest, EndValuesBecomeResults) {
  // end values: 1273 -> 1, 1274 -> 2, 1275 -> 3, Escape 0, title-bar close BOX_END_CLOSE
  for (BoxKind kind : {BoxKind::Warning, BoxKind::Error}) {
    EXPECT_EQ(BoxResult(kind, 3), 1);
    EXPECT_EQ(BoxResult(kind, 0), 0);
    EXPECT_EQ(BoxResult(kind, 1), 0);
    EXPECT_EQ(BoxResult(kind, BOX_END_CLOSE), 0);
  }
  for (int end : {0, 1, 2, 3}) EXPECT_EQ(BoxResult(BoxKind::Question, end), end);
  EXPECT_EQ(BoxResult(BoxKind::Question, BOX_END_CLOSE), 1);  // QuestionBox: as the first button
}

TEST(MessageBoxTest, DoubleRecordsAndAnswersFromItsQueue) {
  BoxDoubleReset();
  BoxDoubleQueueAnswer(2);
  BoxDoubleQueueAnswer(0);
  char text[] = "Replace it?";
  EXPECT_EQ(QuestionBox(nullptr, text, "&Yes", "&No", ""), 2);
  text[0] = 'X';  // the box keeps its own copy
  EXPECT_EQ(WarningBox(nullptr, "w"), 0);  // Escape
  EXPECT_EQ(ErrorBox(nullptr, "e"), 1);    // unqueued: OK
  EXPECT_EQ(QuestionBox(nullptr, "q", "a", "b", "c"), 0);  // unqueued question: Escape
  ASSERT_EQ(BoxDoubleLog().size(), 4u);
  EXPECT_EQ(BoxDoubleLog()[0].text, "Replace it?");
  EXPECT_EQ(BoxDoubleLog()[0].labels[1], "&No");
  EXPECT_EQ(BoxDoubleLog()[2].title, "Quillnox Error");
  EXPECT_EQ(BoxDoubleLog()[2].labels[2], "OK");
}

}  // namespace
