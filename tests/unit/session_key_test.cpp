// Session keys: creation from the random source and the mixer, wrapping under the
// passphrase key, the three unwrap forms, and the check value.
#include <gtest/gtest.h>

#include <cstring>

#include "crypto/des.h"
#include "crypto/md5.h"
#include "crypto/random.h"
#include "tests/support/crypto_support.h"

#if defined(QLX_HAVE_OPENSSL)
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/des.h>
#endif

namespace {

const std::uint8_t kZeroIv[8] = {};

Bytes Md5Of(const std::string& text) {
  Bytes digest(16);
  Md5Buffer(text.data(), static_cast<std::uint32_t>(text.size()), digest.data());
  return digest;
}

struct Created {
  Bytes key = Bytes(8), wrapped = Bytes(8);
  std::uint32_t wrapped_length = 0;
};

Created Create(const char* passphrase) {
  Created c;
  SessionKeyCreate(passphrase, c.key.data(), c.wrapped.data(), &c.wrapped_length);
  return c;
}

Bytes Unwrap(const Bytes& wrapped, const char* passphrase) {
  Bytes key(16, 0xEE);
  SessionKeyUnwrap(wrapped.data(), static_cast<std::uint32_t>(wrapped.size()), passphrase, key.data());
  return key;
}

Bytes Check(const Bytes& key8) {
  Bytes check(16);
  std::uint32_t length = 0;
  SessionKeyCheck(key8.data(), check.data(), &length);
  EXPECT_EQ(length, 16u);
  return check;
}

// The 16 bytes drawn first from z = w = 1 are 5046699000d9605e4fe308e749de4d29; the
// mixer turns them into ec859788be01113f (separate model, as in random_test.cpp).
TEST(SessionKeyTest, CreateMixesSixteenRandomBytes) {
  RandomSetStateForTesting(1, 1);
  const Created c = Create("correct horse");
  EXPECT_EQ(ToHex(c.key), "ec859788be01113f");
  EXPECT_EQ(c.wrapped_length, 8u);
  EXPECT_NE(c.wrapped, c.key);
  const Created next = Create("correct horse");
  EXPECT_NE(next.key, c.key);  // a fresh key for every container
}

TEST(SessionKeyTest, UnwrapWithTheSamePassphraseRestoresTheKey) {
  for (const char* passphrase : {"correct horse", "", "\xe9t\xe9 \xe0 Z\xfcrich", "x"}) {
    const Created c = Create(passphrase);
    const Bytes key = Unwrap(c.wrapped, passphrase);
    EXPECT_EQ(Bytes(key.begin(), key.begin() + 8), c.key) << passphrase;
    EXPECT_EQ(Bytes(key.begin() + 8, key.end()), Bytes(8, 0)) << passphrase;
    EXPECT_EQ(Check(Bytes(key.begin(), key.begin() + 8)), Check(c.key)) << passphrase;
  }
}

TEST(SessionKeyTest, AnotherPassphraseFailsTheCheck) {
  const Created c = Create("correct horse");
  const Bytes stored_check = Check(c.key);
  for (const char* other : {"correct hors", "correct horse ", "Correct horse", ""}) {
    const Bytes key = Unwrap(c.wrapped, other);
    EXPECT_NE(Check(Bytes(key.begin(), key.begin() + 8)), stored_check) << other;
  }
}

// The wrapped form is DES (group-reversed bytes, zero IV) of the key under the first
// eight bytes of MD5(passphrase).
TEST(SessionKeyTest, WrappedFormIsDesUnderThePassphraseKey) {
  const Created c = Create("abc");
  Bytes buffer = c.key;
  const Bytes passphrase_key = FromHex("900150983cd24fb0");  // MD5("abc")[0..8)
  DesScheduleAcquire();
  ASSERT_EQ(DesEncrypt(buffer.data(), 8, passphrase_key.data(), kZeroIv), 1);
  DesScheduleRelease();
  EXPECT_EQ(buffer, c.wrapped);
#if defined(QLX_HAVE_OPENSSL)
  DES_key_schedule schedule;
  DES_cblock k, in, out;
  std::memcpy(k, passphrase_key.data(), 8);
  const Bytes reversed = ReverseGroups(c.key);
  std::memcpy(in, reversed.data(), 8);
  DES_set_key_unchecked(&k, &schedule);
  DES_ecb_encrypt(&in, &out, &schedule, DES_ENCRYPT);
  EXPECT_EQ(ReverseGroups(Bytes(out, out + 8)), c.wrapped);
#endif
}

TEST(SessionKeyTest, SixteenAndTwentyFourByteForms) {
  const Bytes m = Md5Of("open sesame");
  const Bytes key16 = SeededBytes(16, 77);
  DesScheduleAcquire();
  Bytes wrapped16 = key16;
  ASSERT_EQ(TdesEncrypt(wrapped16.data(), 16, m.data(), kZeroIv), 1);
  const Bytes iv = SeededBytes(8, 78);
  Bytes wrapped24 = iv;
  ASSERT_EQ(TdesEncrypt(wrapped24.data(), 8, m.data(), kZeroIv), 1);
  Bytes body = key16;
  ASSERT_EQ(TdesEncrypt(body.data(), 16, m.data(), iv.data()), 1);
  wrapped24.insert(wrapped24.end(), body.begin(), body.end());
  DesScheduleRelease();

  EXPECT_EQ(Unwrap(wrapped16, "open sesame"), key16);
  EXPECT_EQ(Unwrap(wrapped24, "open sesame"), key16);
  EXPECT_NE(Unwrap(wrapped16, "open sesame!"), key16);
  EXPECT_NE(Unwrap(wrapped24, "open sesame!"), key16);
}

TEST(SessionKeyTest, OtherWrappedLengthsGiveZeroBytes) {
  for (std::size_t length : {0u, 7u, 9u, 15u, 17u, 32u}) {
    EXPECT_EQ(Unwrap(SeededBytes(length, 5), "pw"), Bytes(16, 0)) << length;
  }
}

// The recipes hold the schedule area themselves when their caller does not, and leave
// the caller's state as they found it.
TEST(SessionKeyTest, RecipesWorkWithOrWithoutTheCallerHoldingTheArea) {
  DesScheduleRelease();
  const Created loose = Create("pw");
  EXPECT_EQ(DesScheduleHeld(), 0);
  EXPECT_NE(loose.wrapped, loose.key);
  const Bytes unwrapped = Unwrap(loose.wrapped, "pw");
  EXPECT_EQ(Bytes(unwrapped.begin(), unwrapped.begin() + 8), loose.key);
  EXPECT_EQ(DesScheduleHeld(), 0);

  DesScheduleAcquire();
  const Created held = Create("pw");
  EXPECT_EQ(DesScheduleHeld(), 1);
  const Bytes key = Unwrap(held.wrapped, "pw");
  EXPECT_EQ(DesScheduleHeld(), 1);
  DesScheduleRelease();
  EXPECT_EQ(Bytes(key.begin(), key.begin() + 8), held.key);
}

TEST(SessionKeyTest, CheckIsTheDigestOfTheKey) {
  EXPECT_EQ(ToHex(Check(BytesOf("12345678"))), "25d55ad283aa400af464c76d713c07ad");
}

}  // namespace
