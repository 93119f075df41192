// DES and Triple-DES buffer operations: FIPS 81 known answers through the group
// reversal, the two tail rules, round trips, the schedule area, and OpenSSL's DES as
// an independent oracle in the native build.
#include <gtest/gtest.h>

#include <cstring>

#include "crypto/des.h"
#include "tests/support/crypto_support.h"

#if defined(QLX_HAVE_OPENSSL)
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/des.h>
#endif

namespace {

const Bytes kFipsKey = FromHex("0123456789abcdef");
const Bytes kFipsIv = FromHex("1234567890abcdef");
const Bytes kFipsPlain = BytesOf("Now is the time for all ");
const std::uint8_t kZeroIv[8] = {};

class DesTest : public ::testing::Test {
 protected:
  void SetUp() override { DesScheduleAcquire(); }
  void TearDown() override { DesScheduleRelease(); }
};

// FIPS 81 (ECB table): each block alone under a zero IV, fed and read back with the
// 4-byte groups reversed.
TEST_F(DesTest, Fips81BlocksThroughTheGroupReversal) {
  const char* const expected[] = {"3fa40e8a984d4815", "6a271787ab8883f9", "893d51ec4b563b53"};
  for (int i = 0; i < 3; ++i) {
    Bytes block(kFipsPlain.begin() + 8 * i, kFipsPlain.begin() + 8 * i + 8);
    Bytes buffer = ReverseGroups(block);
    ASSERT_EQ(DesEncrypt(buffer.data(), 8, kFipsKey.data(), kZeroIv), 1);
    EXPECT_EQ(ToHex(ReverseGroups(buffer)), expected[i]) << "block " << i;
    ASSERT_EQ(DesDecrypt(buffer.data(), 8, kFipsKey.data(), kZeroIv), 1);
    EXPECT_EQ(ReverseGroups(buffer), block) << "block " << i;
  }
}

// FIPS 81 (CBC table): three chained blocks under the test IV.
TEST_F(DesTest, Fips81CbcThroughTheGroupReversal) {
  Bytes buffer = ReverseGroups(kFipsPlain);
  const Bytes iv = kFipsIv;
  ASSERT_EQ(DesEncrypt(buffer.data(), 24, kFipsKey.data(), iv.data()), 1);
  EXPECT_EQ(ToHex(ReverseGroups(buffer)), "e5c7cdde872bf27c43e934008c389c0f683788499a7c05f6");
  EXPECT_EQ(iv, kFipsIv);  // the IV is never modified
  ASSERT_EQ(DesDecrypt(buffer.data(), 24, kFipsKey.data(), iv.data()), 1);
  EXPECT_EQ(ReverseGroups(buffer), kFipsPlain);
}

TEST_F(DesTest, ClassicSingleBlockAnswer) {
  Bytes buffer = ReverseGroups(FromHex("0123456789abcdef"));
  ASSERT_EQ(DesEncrypt(buffer.data(), 8, FromHex("133457799bbcdff1").data(), kZeroIv), 1);
  EXPECT_EQ(ToHex(ReverseGroups(buffer)), "85e813540f0ab405");
}

// Two-key Triple-DES as three CBC passes (K1 encrypt, K2 decrypt, K1 encrypt), answers
// computed with OpenSSL's command-line DES over the group-reversed text.
TEST_F(DesTest, TripleDesKnownAnswers) {
  const Bytes key = FromHex("0123456789abcdef 23456789abcdef01");
  const struct {
    const char* iv;
    const char* stored;
  } cases[] = {
      {"0000000000000000", "124b7c6f44688a22fbe7c1baf619214c2e3852ef82a9eb35"},
      {"1234567890abcdef", "1f51b624776c2b6c8cdee1f0c058cf4d49abaf990f61cc0c"},
  };
  for (const auto& c : cases) {
    Bytes buffer = kFipsPlain;
    ASSERT_EQ(TdesEncrypt(buffer.data(), 24, key.data(), FromHex(c.iv).data()), 1);
    EXPECT_EQ(ToHex(buffer), c.stored) << c.iv;
    ASSERT_EQ(TdesDecrypt(buffer.data(), 24, key.data(), FromHex(c.iv).data()), 1);
    EXPECT_EQ(buffer, kFipsPlain) << c.iv;
  }
}

TEST_F(DesTest, TailIsMaskedWithTheFirstCiphertextBytes) {
  const Bytes key = SeededBytes(8, 1), iv = SeededBytes(8, 2), plain = SeededBytes(23, 3);
  for (int tail = 1; tail <= 7; ++tail) {
    Bytes buffer(plain.begin(), plain.begin() + 16 + tail);
    ASSERT_EQ(DesEncryptBlocks(buffer.data(), 16, tail, key.data(), iv.data()), 1);
    Bytes whole(plain.begin(), plain.begin() + 16);
    ASSERT_EQ(DesEncrypt(whole.data(), 16, key.data(), iv.data()), 1);
    EXPECT_TRUE(std::equal(whole.begin(), whole.end(), buffer.begin())) << "tail " << tail;
    for (int j = 0; j < tail; ++j)
      EXPECT_EQ(buffer[16 + j], plain[16 + j] ^ buffer[j]) << "tail " << tail << " byte " << j;
  }
}

TEST_F(DesTest, ShortBufferIsMaskedWithTheKey) {
  const Bytes key = FromHex("0123456789abcdef"), plain = BytesOf("secret!");
  for (int length = 0; length <= 7; ++length) {
    Bytes buffer(plain.begin(), plain.begin() + length);
    ASSERT_EQ(DesEncrypt(buffer.data(), length, key.data(), kZeroIv), 1);
    for (int j = 0; j < length; ++j) EXPECT_EQ(buffer[j], plain[j] ^ key[j]);
    ASSERT_EQ(DesDecrypt(buffer.data(), length, key.data(), kZeroIv), 1);
    EXPECT_EQ(buffer, Bytes(plain.begin(), plain.begin() + length));
  }
}

TEST_F(DesTest, EveryLengthRoundTrips) {
  const Bytes key = SeededBytes(8, 10), key16 = SeededBytes(16, 11), iv = SeededBytes(8, 12);
  const Bytes plain = SeededBytes(64, 13);
  for (int length = 0; length <= 64; ++length) {
    const Bytes original(plain.begin(), plain.begin() + length);
    Bytes des = original, tdes = original;
    ASSERT_EQ(DesEncrypt(des.data(), length, key.data(), iv.data()), 1);
    ASSERT_EQ(TdesEncrypt(tdes.data(), length, key16.data(), iv.data()), 1);
    if (length > 0) {
      EXPECT_NE(des, original) << length;
      EXPECT_NE(tdes, original) << length;
      EXPECT_NE(tdes, des) << length;
    }
    ASSERT_EQ(DesDecrypt(des.data(), length, key.data(), iv.data()), 1);
    ASSERT_EQ(TdesDecrypt(tdes.data(), length, key16.data(), iv.data()), 1);
    EXPECT_EQ(des, original) << length;
    EXPECT_EQ(tdes, original) << length;
  }
}

// With K1 = K2 the middle pass undoes the first one, tail included.
TEST_F(DesTest, TripleDesWithEqualHalvesIsSingleDes) {
  const Bytes key = SeededBytes(8, 20), iv = SeededBytes(8, 21), plain = SeededBytes(64, 22);
  Bytes key16 = key;
  key16.insert(key16.end(), key.begin(), key.end());
  for (int length = 0; length <= 64; ++length) {
    Bytes des(plain.begin(), plain.begin() + length), tdes = des;
    ASSERT_EQ(DesEncrypt(des.data(), length, key.data(), iv.data()), 1);
    ASSERT_EQ(TdesEncrypt(tdes.data(), length, key16.data(), iv.data()), 1);
    EXPECT_EQ(tdes, des) << length;
  }
}

TEST_F(DesTest, ParityBitsAreIgnored) {
  const Bytes key = FromHex("0123456789abcdef");
  Bytes flipped = key;
  for (auto& b : flipped) b ^= 1;
  Bytes a = kFipsPlain, b = kFipsPlain;
  ASSERT_EQ(DesEncrypt(a.data(), 24, key.data(), kZeroIv), 1);
  ASSERT_EQ(DesEncrypt(b.data(), 24, flipped.data(), kZeroIv), 1);
  EXPECT_EQ(a, b);
}

TEST_F(DesTest, MalformedSplitsChangeNothing) {
  const Bytes key = SeededBytes(8, 30), iv = SeededBytes(8, 31);
  const Bytes plain = SeededBytes(32, 32);
  const struct {
    std::int32_t whole, tail;
  } cases[] = {{7, 0}, {8, 8}, {-8, 0}, {16, -1}, {12, 3}};
  for (const auto& c : cases) {
    Bytes buffer = plain;
    EXPECT_EQ(DesEncryptBlocks(buffer.data(), c.whole, c.tail, key.data(), iv.data()), 0);
    EXPECT_EQ(DesDecryptBlocks(buffer.data(), c.whole, c.tail, key.data(), iv.data()), 0);
    EXPECT_EQ(buffer, plain) << c.whole << "+" << c.tail;
  }
  Bytes buffer = plain;
  EXPECT_EQ(DesEncrypt(buffer.data(), -1, key.data(), iv.data()), 0);
  EXPECT_EQ(TdesEncrypt(buffer.data(), -9, SeededBytes(16, 33).data(), iv.data()), 0);
  EXPECT_EQ(DesEncrypt(nullptr, 8, key.data(), iv.data()), 0);
  EXPECT_EQ(DesEncrypt(nullptr, 0, key.data(), iv.data()), 1);
  EXPECT_EQ(buffer, plain);
}

TEST(DesScheduleAreaTest, WithoutTheAreaNothingChanges) {
  DesScheduleRelease();
  EXPECT_EQ(DesScheduleHeld(), 0);
  const Bytes key = SeededBytes(16, 40), iv = SeededBytes(8, 41), plain = SeededBytes(21, 42);
  Bytes buffer = plain;
  EXPECT_EQ(DesEncrypt(buffer.data(), 21, key.data(), iv.data()), 0);
  EXPECT_EQ(DesDecrypt(buffer.data(), 21, key.data(), iv.data()), 0);
  EXPECT_EQ(DesEncryptBlocks(buffer.data(), 16, 5, key.data(), iv.data()), 0);
  EXPECT_EQ(TdesEncrypt(buffer.data(), 21, key.data(), iv.data()), 0);
  EXPECT_EQ(TdesDecrypt(buffer.data(), 21, key.data(), iv.data()), 0);
  EXPECT_EQ(DesEncrypt(buffer.data(), 5, key.data(), iv.data()), 0);  // the key mask too
  EXPECT_EQ(buffer, plain);

  DesScheduleAcquire();
  DesScheduleAcquire();  // a second acquire keeps the one area
  EXPECT_EQ(DesScheduleHeld(), 1);
  EXPECT_EQ(DesEncrypt(buffer.data(), 21, key.data(), iv.data()), 1);
  EXPECT_NE(buffer, plain);
  EXPECT_EQ(DesScheduleTake(), 0);  // held already: not taken again
  DesScheduleRelease();
  EXPECT_EQ(DesScheduleHeld(), 0);
  EXPECT_EQ(DesScheduleTake(), 1);
  EXPECT_EQ(DesScheduleHeld(), 1);
  DesScheduleRelease();
}

#if defined(QLX_HAVE_OPENSSL)

// OpenSSL's CBC over the group-reversed bytes: the stored form for whole blocks.
Bytes OpenSslCbc(const Bytes& data, const std::uint8_t* key, const std::uint8_t* iv, bool encrypt) {
  DES_key_schedule schedule;
  DES_cblock k, v;
  std::memcpy(k, key, 8);
  std::memcpy(v, iv, 8);
  DES_set_key_unchecked(&k, &schedule);
  const Bytes in = ReverseGroups(data);
  Bytes out(in.size());
  DES_ncbc_encrypt(in.data(), out.data(), static_cast<long>(in.size()), &schedule, &v, encrypt ? DES_ENCRYPT : DES_DECRYPT);
  return ReverseGroups(out);
}

TEST_F(DesTest, AgreesWithOpenSslCbc) {
  for (std::uint32_t seed = 0; seed < 200; ++seed) {
    const Bytes key = SeededBytes(8, 1000 + seed), iv = SeededBytes(8, 2000 + seed);
    const Bytes plain = SeededBytes(8 * (1 + seed % 40), 3000 + seed);
    Bytes buffer = plain;
    ASSERT_EQ(DesEncrypt(buffer.data(), static_cast<std::int32_t>(buffer.size()), key.data(), iv.data()), 1);
    ASSERT_EQ(buffer, OpenSslCbc(plain, key.data(), iv.data(), true)) << "seed " << seed;
    ASSERT_EQ(DesDecrypt(buffer.data(), static_cast<std::int32_t>(buffer.size()), key.data(), iv.data()), 1);
    ASSERT_EQ(buffer, plain) << "seed " << seed;
  }
}

TEST_F(DesTest, TripleDesAgreesWithOpenSsl) {
  for (std::uint32_t seed = 0; seed < 100; ++seed) {
    const Bytes key = SeededBytes(16, 4000 + seed), iv = SeededBytes(8, 5000 + seed);
    const Bytes plain = SeededBytes(8 * (1 + seed % 30), 6000 + seed);
    Bytes expected = OpenSslCbc(plain, key.data(), iv.data(), true);
    expected = OpenSslCbc(expected, key.data() + 8, iv.data(), false);
    expected = OpenSslCbc(expected, key.data(), iv.data(), true);
    Bytes buffer = plain;
    ASSERT_EQ(TdesEncrypt(buffer.data(), static_cast<std::int32_t>(buffer.size()), key.data(), iv.data()), 1);
    ASSERT_EQ(buffer, expected) << "seed " << seed;
  }
}

#endif

}  // namespace
