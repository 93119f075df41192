// The random source (multiply-with-carry words, bytes carried over between calls) and
// the session-key mixer, against answers from a separate model written apart from
// this code (bit strings rather than words, with its own copy of the tables).
#include <gtest/gtest.h>

#include "crypto/random.h"
#include "platform/timestamp.h"
#include "tests/support/crypto_support.h"

namespace {

Bytes Draw(std::int32_t count) {
  Bytes bytes(count > 0 ? static_cast<std::size_t>(count) : 0);
  RandomBytes(bytes.data(), count);
  return bytes;
}

TEST(RandomBytesTest, KnownWordsFromSetRegisters) {
  const struct {
    std::uint32_t z, w;
    const char* bytes;
  } cases[] = {
      {1, 1, "5046699000d9605e4fe308e749de4d29"},  // first word 0x90694650
      {0x12345678, 0x9abcdef0, "bce5a746fb6f2c0d89dfdc59916fb71f"},
      {0xffffffff, 0xffffffff, "afb9e6b50027efe70063afefb6fa617b"},
  };
  for (const auto& c : cases) {
    RandomSetStateForTesting(c.z, c.w);
    EXPECT_EQ(ToHex(Draw(16)), c.bytes) << std::hex << c.z << " " << c.w;
  }
}

TEST(RandomBytesTest, BytesOfAWordCarryOverBetweenCalls) {
  RandomSetStateForTesting(7, 9);
  const Bytes whole = Draw(24);
  const std::vector<std::vector<std::int32_t>> splits = {
      {3, 5, 16}, {2, 2, 20}, {1, 1, 1, 1, 1, 19}, {0, 24}, {-4, 5, 0, 19}, {7, -1, 17}, {23, 1}};
  for (const auto& split : splits) {
    RandomSetStateForTesting(7, 9);
    Bytes joined;
    for (std::int32_t count : split) {
      const Bytes part = Draw(count);
      joined.insert(joined.end(), part.begin(), part.end());
    }
    EXPECT_EQ(joined, whole) << ::testing::PrintToString(split);
  }
}

TEST(RandomBytesTest, NothingIsWrittenForCountsOfZeroOrBelow) {
  std::uint8_t guard[4] = {0xAA, 0xAA, 0xAA, 0xAA};
  RandomBytes(guard, 0);
  RandomBytes(guard, -1);
  RandomBytes(nullptr, 8);
  EXPECT_EQ(ToHex(guard, 4), "aaaaaaaa");
}

TEST(TimeStampCounterTest, Advances) {
  const std::uint64_t first = TimeStampCounter();
  std::uint64_t later = first;
  for (int i = 0; i < 1000000 && later == first; ++i) later = TimeStampCounter();
  EXPECT_NE(first, 0u);
  EXPECT_NE(later, first);
}

struct MixCase {
  const char* input;
  const char* key;
};

class SessionKeyMixTest : public ::testing::TestWithParam<MixCase> {};

// Inputs with bytes of 0x80 and above in every position of a word: a byte that
// spilled its sign into its neighbours would make ff ff ff 80 and 00 00 00 80 alike.
TEST_P(SessionKeyMixTest, MatchesTheSeparateModel) {
  const Bytes input = FromHex(GetParam().input);
  std::uint8_t key[8];
  SessionKeyMix(input.data(), key);
  EXPECT_EQ(ToHex(key, 8), GetParam().key);
  std::uint8_t again[8];
  SessionKeyMix(input.data(), again);
  EXPECT_EQ(ToHex(again, 8), GetParam().key);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, SessionKeyMixTest,
    ::testing::Values(MixCase{"00000000000000000000000000000000", "397abff5d224b8c7"},
                      MixCase{"000102030405060708090a0b0c0d0e0f", "997032749ec23640"},
                      MixCase{"ffffffffffffffffffffffffffffffff", "c09742fff8241704"},
                      MixCase{"80000000000000000000000000000000", "ccc48e86287f3430"},
                      MixCase{"00000080000000000000000000000000", "76b1f9a41ec60303"},
                      MixCase{"ffffff80000000000000000000000000", "de1e677c7612f598"},
                      MixCase{"0123456789abcdeffedcba9876543210", "649e692dd9f7fdc2"}),
    [](const auto& info) { return std::string("In") + info.param.input; });

}  // namespace
