// The key-exchange text: lines made from entries, every kind of malformed line refused
// as a whole, and the text carried in a container under a transfer password.
#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

#include "container/operation.h"
#include "keys/key_exchange.h"
#include "tests/support/operation_support.h"

namespace {

TEST(KeyExchangeTest, LinesRoundTrip) {
  std::string text;
  ASSERT_EQ(KeyExchangeAppend(&text, "alpha", "first secret"), 1);
  ASSERT_EQ(KeyExchangeAppend(&text, std::string(31, 'L').c_str(), "x"), 1);
  EXPECT_EQ(text, "alpha\tfirst secret\r\n" + std::string(31, 'L') + "\tx\r\n");
  std::vector<KeyExchangeEntry> entries;
  ASSERT_EQ(KeyExchangeParse(text.data(), text.size(), &entries, nullptr), 1);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_STREQ(entries[0].label, "alpha");
  EXPECT_STREQ(entries[0].value, "first secret");
  EXPECT_EQ(std::string(entries[1].label), std::string(31, 'L'));
  EXPECT_STREQ(entries[1].value, "x");
}

TEST(KeyExchangeTest, FieldsThatCannotTravel) {
  std::string text = "kept\r\n";
  for (const char* bad : {"", "tab\there", "line\nbreak", "\x7f", "0123456789012345678901234567890X"}) {
    EXPECT_EQ(KeyExchangeAppend(&text, bad, "v"), 0) << bad;
    EXPECT_EQ(KeyExchangeAppend(&text, "l", bad), 0) << bad;
  }
  EXPECT_EQ(text, "kept\r\n");
}

TEST(KeyExchangeTest, AnyMalformedLineRefusesEverything) {
  const struct {
    std::string text;
    int line;
  } cases[] = {
      {"", 0},
      {"a\tb", 1},                                   // no line end
      {"a\tb\n", 1},                                 // bare line feed
      {"a\tb\r\nc\td", 2},                           // last line unended
      {"ab\r\n", 1},                                 // no tab
      {"\tb\r\n", 1},                                // empty label
      {"a\t\r\n", 1},                                // empty value
      {"a\tb\tc\r\n", 1},                            // a tab in the value
      {"a\tb\r\n\r\n", 2},                           // empty line
      {"a\tb\r\n" + std::string(32, 'x') + "\tv\r\n", 2},  // 32-byte label
      {"a\t" + std::string(32, 'x') + "\r\n", 1},    // 32-byte value
      {std::string("a\tb\x01\r\n"), 1},              // control character
      {std::string("a\0b\tc\r\n", 7), 1},            // zero byte
  };
  for (const auto& c : cases) {
    std::vector<KeyExchangeEntry> entries(3);
    int line = -1;
    EXPECT_EQ(KeyExchangeParse(c.text.data(), c.text.size(), &entries, &line), 0) << c.text;
    EXPECT_EQ(line, c.line) << c.text;
    EXPECT_TRUE(entries.empty()) << c.text;
  }
}

}  // namespace

namespace {

// The way Export and Import use it: the text travels in an ordinary container under
// the transfer password and comes back whole with the right password only.
class KeyExchangeFileTest : public OperationFixture {};

TEST_F(KeyExchangeFileTest, TextTravelsInAContainer) {
  std::string text;
  ASSERT_EQ(KeyExchangeAppend(&text, "alpha", "a1"), 1);
  ASSERT_EQ(KeyExchangeAppend(&text, "beta", "b2"), 1);
  const EncryptResult made = EncryptItems(&text, {}, false, "transfer");
  ASSERT_EQ(made.result, 1u);
  const std::string file = Keep(made.containers.at(0));

  FileEntry* entries = nullptr;
  std::uint32_t count = 7;
  char* opened = nullptr;
  ASSERT_EQ(OpenContainer(nullptr, file.c_str(), "transfer", &entries, &count, &opened), 1);
  EXPECT_EQ(count, 0u);
  std::vector<KeyExchangeEntry> keys;
  ASSERT_EQ(KeyExchangeParse(opened, std::strlen(opened), &keys, nullptr), 1);
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_STREQ(keys[1].label, "beta");
  EXPECT_STREQ(keys[1].value, "b2");
  OperationTextFree(opened);
  FileEntriesFree(entries);

  opened = nullptr;
  entries = nullptr;
  EXPECT_EQ(OpenContainer(nullptr, file.c_str(), "wrong", &entries, &count, &opened), 0);
  EXPECT_EQ(opened, nullptr);
}

}  // namespace
