// The install log's records: the bytes the writer produces and what the reader makes
// of whole, cut, long and unknown records.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "remover/install_log.h"

namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> b) {
  std::vector<std::uint8_t> v;
  for (int x : b) v.push_back(static_cast<std::uint8_t>(x));
  return v;
}

TEST(InstallLog, WriterLaysOutCodeLengthAndTextWithoutNul) {
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  const char language[2] = {1, 0};
  EXPECT_EQ(LogRecord(f, LOG_LANGUAGE, language), 1);
  EXPECT_EQ(LogRecord(f, LOG_TITLE, "Quillnox"), 1);
  EXPECT_EQ(LogRecord(f, LOG_KEY_HKCR, ".vek"), 1);
  EXPECT_EQ(LogRecord(f, LOG_FILE, ""), 1);
  std::rewind(f);
  std::vector<std::uint8_t> got(64);
  got.resize(std::fread(got.data(), 1, got.size(), f));
  std::fclose(f);
  const auto want = Bytes({64, 0, 2, 0, 1, 0,                                  // language 1
                           65, 0, 8, 0, 'Q', 'u', 'i', 'l', 'l', 'n', 'o', 'x',  // title
                           9, 0, 4, 0, '.', 'v', 'e', 'k',                      // key under HKCR
                           0, 0, 0, 0});                                        // empty path
  EXPECT_EQ(got, want);
}

TEST(InstallLog, WriterRefusesDataLongerThanTheLengthField) {
  std::vector<std::uint8_t> out;
  std::vector<char> big(0x10000, 'a');
  EXPECT_FALSE(EncodeLogRecord(out, LOG_FILE, big.data(), big.size()));
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(EncodeLogRecord(out, LOG_FILE, big.data(), 0xFFFF));
  EXPECT_EQ(out.size(), 4u + 0xFFFF);
  EXPECT_EQ(out[2], 0xFF);
  EXPECT_EQ(out[3], 0xFF);
}

TEST(InstallLog, ReaderRoundTripsAndSkipsNothingSilently) {
  std::vector<std::uint8_t> log;
  const std::string at_limit(LOG_DATA_MAX, 'x'), over(LOG_DATA_MAX + 1, 'y'), big(300, 'z');
  ASSERT_TRUE(EncodeLogRecord(log, LOG_FOLDER, "C:\\a", 4));
  ASSERT_TRUE(EncodeLogRecord(log, 2, "ignored", 7));
  ASSERT_TRUE(EncodeLogRecord(log, LOG_FILE, at_limit.data(), at_limit.size()));
  ASSERT_TRUE(EncodeLogRecord(log, LOG_FILE, over.data(), over.size()));
  ASSERT_TRUE(EncodeLogRecord(log, 0x8001, big.data(), big.size()));
  EXPECT_EQ(CountLogRecords(log.data(), log.size()), 5u);

  std::size_t at = 0;
  LogEntry e;
  ASSERT_TRUE(NextLogRecord(log.data(), log.size(), &at, &e));
  EXPECT_EQ(e.code, LOG_FOLDER);
  EXPECT_STREQ(e.data, "C:\\a");
  ASSERT_TRUE(NextLogRecord(log.data(), log.size(), &at, &e));
  EXPECT_EQ(e.code, 2);
  ASSERT_TRUE(NextLogRecord(log.data(), log.size(), &at, &e));
  EXPECT_FALSE(e.too_long);
  EXPECT_EQ(std::string(e.data), at_limit);
  ASSERT_TRUE(NextLogRecord(log.data(), log.size(), &at, &e));
  EXPECT_TRUE(e.too_long);
  EXPECT_STREQ(e.data, "");
  ASSERT_TRUE(NextLogRecord(log.data(), log.size(), &at, &e));
  EXPECT_EQ(e.code, 0x8001);
  EXPECT_TRUE(e.too_long);
  EXPECT_EQ(at, log.size());
  EXPECT_FALSE(NextLogRecord(log.data(), log.size(), &at, &e));
}

TEST(InstallLog, CutRecordsEndTheLog) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    std::size_t records;
  };
  const Case cases[] = {
      {{}, 0},
      {Bytes({0, 0, 0}), 0},                      // head cut short
      {Bytes({0, 0, 3, 0, 'a', 'b'}), 0},         // data cut short
      {Bytes({1, 0, 1, 0, 'a', 0, 0, 5}), 1},     // one record, then a cut head
      {Bytes({1, 0, 0, 0, 1, 0, 0, 0}), 2},       // two empty records
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CountLogRecords(c.bytes.data(), c.bytes.size()), c.records);
    std::size_t at = 0, seen = 0;
    LogEntry e;
    while (NextLogRecord(c.bytes.data(), c.bytes.size(), &at, &e)) ++seen;
    EXPECT_EQ(seen, c.records);
  }
}

}  // namespace
