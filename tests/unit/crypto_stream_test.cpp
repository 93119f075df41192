// The DES and AES file streams: stored forms built independently from the block
// primitives, round trips over every length around the chunk, run and block
// boundaries, stored lengths, progress, short reads and short or failed writes.
#include <gtest/gtest.h>

#include <cstring>

#include "base/progress.h"
#include "crypto/aes.h"
#include "crypto/des.h"
#include "crypto/random.h"
#include "platform/fileio.h"
#include "tests/support/crypto_support.h"

namespace {

const std::uint8_t kZeroIv[8] = {};
const Bytes kSessionKey = FromHex("3a94c0d2178be65f");

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t count) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
}

Bytes Xor(Bytes a, const Bytes& b) {
  for (std::size_t i = 0; i < a.size(); ++i) a[i] ^= b[i];
  return a;
}

// ---- Calls -------------------------------------------------------------------------------

StreamCall DesEncryptCall(std::uint32_t length, const Bytes& key = kSessionKey) {
  return [length, key](std::FILE* in, std::FILE* out) { return DesStreamEncrypt(in, out, length, key.data()); };
}

StreamCall DesDecryptCall(std::uint32_t stored, std::uint32_t* length, const Bytes& key = kSessionKey) {
  return [stored, length, key](std::FILE* in, std::FILE* out) {
    *length = stored;
    return DesStreamDecrypt(in, out, length, key.data());
  };
}

StreamCall AesEncryptCall(std::uint32_t length, const Bytes& key = kSessionKey) {
  return [length, key](std::FILE* in, std::FILE* out) {
    return AesStreamEncrypt(in, out, length, key.data(), static_cast<std::uint32_t>(key.size()));
  };
}

StreamCall AesDecryptCall(std::uint32_t stored, std::uint32_t* length, const Bytes& key = kSessionKey) {
  return [stored, length, key](std::FILE* in, std::FILE* out) {
    *length = stored;
    return AesStreamDecrypt(in, out, length, key.data(), static_cast<std::uint32_t>(key.size()));
  };
}

// The random bytes the next stream will draw as its IV.
Bytes PeekIv(std::uint32_t seed, std::int32_t size) {
  RandomSetStateForTesting(seed, seed ^ 0x5A5A5A5Au);
  Bytes iv(static_cast<std::size_t>(size));
  RandomBytes(iv.data(), size);
  RandomSetStateForTesting(seed, seed ^ 0x5A5A5A5Au);
  return iv;
}

// ---- Stored forms written out from their definition ---------------------------------------

// E(IV), C1..Ck-1, then Ck[0..r) || E(Ck[r..16) || (tail ^ Ck[0..r))); for L < 16
// E(IV)[0..L) || E(E(IV)[L..16) || (plain ^ IV[0..L))).
Bytes AesStoredForm(const Bytes& plain, const Bytes& iv, const Bytes& key16) {
  AesContext context{};
  AesSetEncryptKey(key16.data(), 16, &context);
  auto e = [&context](const Bytes& block) {
    Bytes out(16);
    AesEncryptBlock(block.data(), out.data(), &context);
    return out;
  };
  const std::size_t length = plain.size();
  auto finish = [&e](const Bytes& c, const Bytes& tail) {  // c || tail, the window encrypted
    const std::size_t r = tail.size();
    Bytes window = Slice(c, r, 16 - r);
    const Bytes masked = Xor(tail, Slice(c, 0, r));
    window.insert(window.end(), masked.begin(), masked.end());
    Bytes out = Slice(c, 0, r);
    const Bytes encrypted = e(window);
    out.insert(out.end(), encrypted.begin(), encrypted.end());
    return out;
  };
  if (length < 16) {
    const Bytes c = e(iv);
    const Bytes tail = Xor(plain, Slice(iv, 0, length));  // masked with the raw IV...
    Bytes window = Slice(c, length, 16 - length);
    window.insert(window.end(), tail.begin(), tail.end());
    Bytes out = Slice(c, 0, length);
    const Bytes encrypted = e(window);  // ...not with E(IV)
    out.insert(out.end(), encrypted.begin(), encrypted.end());
    return out;
  }
  Bytes out = e(iv), previous = iv;
  const std::size_t k = length / 16, r = length % 16;
  for (std::size_t i = 0; i + 1 < k; ++i) {
    previous = e(Xor(Slice(plain, 16 * i, 16), previous));
    out.insert(out.end(), previous.begin(), previous.end());
  }
  const Bytes last = e(Xor(Slice(plain, 16 * (k - 1), 16), previous));
  const Bytes end = finish(last, Slice(plain, 16 * k, r));
  out.insert(out.end(), end.begin(), end.end());
  return out;
}

// The encrypted IV, then every 1024-byte chunk encrypted on its own from the IV.
Bytes DesStoredForm(const Bytes& plain, const Bytes& iv, const Bytes& key) {
  DesScheduleAcquire();
  Bytes out = iv;
  DesEncryptBlocks(out.data(), 8, 0, key.data(), kZeroIv);
  for (std::size_t at = 0; at < plain.size(); at += 1024) {
    Bytes chunk = Slice(plain, at, std::min<std::size_t>(1024, plain.size() - at));
    DesEncrypt(chunk.data(), static_cast<std::int32_t>(chunk.size()), key.data(), iv.data());
    out.insert(out.end(), chunk.begin(), chunk.end());
  }
  DesScheduleRelease();
  return out;
}

class CryptoStreamTest : public ::testing::Test {
 protected:
  void TearDown() override {
    DesScheduleRelease();
    AesSelectHardwareForTesting(1);
  }
  TempDir dir_;
};

// ---- Stored forms ---------------------------------------------------------------------------

// With the processor's AES instructions (where present) and with the tables alone.
TEST_F(CryptoStreamTest, AesStoredFormForEveryKindOfLength) {
  Bytes key16 = kSessionKey;
  key16.resize(16, 0);  // an 8-byte session key is followed by 8 zero bytes
  for (int hardware : {1, 0}) {
    AesSelectHardwareForTesting(hardware);
    for (std::uint32_t length : {0u, 1u, 15u, 16u, 17u, 31u, 32u, 33u, 47u, 48u, 100u, 16383u, 16384u, 16400u,
                                 16401u, 16415u, 49157u}) {
      const Bytes plain = SeededBytes(length, length);
      const Bytes iv = PeekIv(length + 1, 16);
      Bytes stored;
      ASSERT_EQ(RunStream(dir_, plain, AesEncryptCall(length), &stored), STREAM_OK) << length;
      ASSERT_EQ(stored.size(), length + 16u) << length;
      EXPECT_EQ(stored, AesStoredForm(plain, iv, key16)) << length << " hardware " << hardware;
    }
  }
}

// Streams made with the instructions decrypt with the tables and the other way round,
// over runs of every remainder of four blocks.
TEST_F(CryptoStreamTest, AesInstructionsAndTablesAgree) {
  AesSelectHardwareForTesting(1);
  const bool hardware = AesHardwareInUse() == 1;
  for (std::uint32_t length : {32u, 48u, 64u, 80u, 96u, 117u, 16384u + 16u * 3u + 7u, 100000u, 65536u + 1u}) {
    const Bytes plain = SeededBytes(length, length + 3);
    Bytes with_instructions, with_tables, restored;
    std::uint32_t out_length = 0;
    AesSelectHardwareForTesting(1);
    PeekIv(length, 16);
    ASSERT_EQ(RunStream(dir_, plain, AesEncryptCall(length), &with_instructions), STREAM_OK);
    AesSelectHardwareForTesting(0);
    EXPECT_EQ(AesHardwareInUse(), 0);
    PeekIv(length, 16);
    ASSERT_EQ(RunStream(dir_, plain, AesEncryptCall(length), &with_tables), STREAM_OK);
    EXPECT_EQ(with_instructions, with_tables) << length;
    ASSERT_EQ(RunStream(dir_, with_instructions, AesDecryptCall(length + 16, &out_length), &restored), STREAM_OK);
    EXPECT_EQ(restored, plain) << length;
    AesSelectHardwareForTesting(1);
    ASSERT_EQ(RunStream(dir_, with_tables, AesDecryptCall(length + 16, &out_length), &restored), STREAM_OK);
    EXPECT_EQ(restored, plain) << length;
  }
  if (!hardware) GTEST_SKIP() << "the processor has no AES instructions: only the tables were run";
}

TEST_F(CryptoStreamTest, AesEightByteKeyIsTheSixteenByteKeyWithZeros) {
  const Bytes plain = SeededBytes(70, 1);
  Bytes key16 = kSessionKey;
  key16.resize(16, 0);
  Bytes short_key, long_key;
  PeekIv(9, 16);
  ASSERT_EQ(RunStream(dir_, plain, AesEncryptCall(70, kSessionKey), &short_key), STREAM_OK);
  PeekIv(9, 16);
  ASSERT_EQ(RunStream(dir_, plain, AesEncryptCall(70, key16), &long_key), STREAM_OK);
  EXPECT_EQ(short_key, long_key);
}

TEST_F(CryptoStreamTest, DesStoredFormChunkByChunk) {
  for (std::uint32_t length : {0u, 5u, 8u, 13u, 1023u, 1024u, 1029u, 2048u, 2053u, 3100u}) {
    const Bytes plain = SeededBytes(length, length + 7);
    const Bytes iv = PeekIv(length + 3, 8);
    Bytes stored;
    ASSERT_EQ(RunStream(dir_, plain, DesEncryptCall(length), &stored), STREAM_OK) << length;
    ASSERT_EQ(stored.size(), length + 8u) << length;
    EXPECT_EQ(stored, DesStoredForm(plain, iv, kSessionKey)) << length;
  }
}

// Every chunk starts its chain at the stream IV; a last chunk of 5 bytes is masked
// with the session key.
TEST_F(CryptoStreamTest, DesChunksRestartTheirChainAndShortEndsUseTheKey) {
  Bytes plain = SeededBytes(1024, 1);
  plain.insert(plain.end(), plain.begin(), plain.end());
  const Bytes end = BytesOf("tail!");
  plain.insert(plain.end(), end.begin(), end.end());
  Bytes stored;
  ASSERT_EQ(RunStream(dir_, plain, DesEncryptCall(2053), &stored), STREAM_OK);
  ASSERT_EQ(stored.size(), 2061u);
  EXPECT_EQ(Slice(stored, 8, 1024), Slice(stored, 8 + 1024, 1024));
  EXPECT_NE(Slice(stored, 8, 1024), Slice(plain, 0, 1024));
  EXPECT_EQ(Slice(stored, 8 + 2048, 5), Xor(end, Slice(kSessionKey, 0, 5)));

  const Bytes small = SeededBytes(1029, 2);
  ASSERT_EQ(RunStream(dir_, small, DesEncryptCall(1029), &stored), STREAM_OK);
  EXPECT_EQ(Slice(stored, 8 + 1024, 5), Xor(Slice(small, 1024, 5), Slice(kSessionKey, 0, 5)));
}

// ---- Round trips ----------------------------------------------------------------------------

TEST_F(CryptoStreamTest, EveryLengthRoundTrips) {
  const Bytes all = SeededBytes(3100, 99);
  Bytes key16 = SeededBytes(16, 98);
  for (std::uint32_t length = 0; length <= 3100; ++length) {
    const Bytes plain = Slice(all, 0, length);
    Bytes stored, restored;
    std::uint32_t out_length = 0;
    ASSERT_EQ(RunStream(dir_, plain, DesEncryptCall(length), &stored), STREAM_OK) << length;
    ASSERT_EQ(stored.size(), length + 8u) << length;
    ASSERT_EQ(RunStream(dir_, stored, DesDecryptCall(length + 8, &out_length), &restored), STREAM_OK) << length;
    ASSERT_EQ(out_length, length);
    ASSERT_EQ(restored, plain) << "DES " << length;

    const Bytes& key = length % 2 ? kSessionKey : key16;  // both key forms
    ASSERT_EQ(RunStream(dir_, plain, AesEncryptCall(length, key), &stored), STREAM_OK) << length;
    ASSERT_EQ(stored.size(), length + 16u) << length;
    ASSERT_EQ(RunStream(dir_, stored, AesDecryptCall(length + 16, &out_length, key), &restored), STREAM_OK)
        << length;
    ASSERT_EQ(out_length, length);
    ASSERT_EQ(restored, plain) << "AES " << length;
  }
}

TEST_F(CryptoStreamTest, LargeStreamsRoundTripAcrossRuns) {
  for (std::uint32_t length : {200000u, 200003u}) {
    const Bytes plain = SeededBytes(length, length);
    Bytes stored, restored;
    std::uint32_t out_length = 0;
    ASSERT_EQ(RunStream(dir_, plain, AesEncryptCall(length), &stored), STREAM_OK);
    ASSERT_EQ(RunStream(dir_, stored, AesDecryptCall(length + 16, &out_length), &restored), STREAM_OK);
    EXPECT_EQ(restored, plain) << length;
    ASSERT_EQ(RunStream(dir_, plain, DesEncryptCall(length), &stored), STREAM_OK);
    ASSERT_EQ(RunStream(dir_, stored, DesDecryptCall(length + 8, &out_length), &restored), STREAM_OK);
    EXPECT_EQ(restored, plain) << length;
  }
}

TEST_F(CryptoStreamTest, EachEncryptionDrawsAFreshIv) {
  const Bytes plain = SeededBytes(40, 3);
  Bytes first, second;
  ASSERT_EQ(RunStream(dir_, plain, AesEncryptCall(40), &first), STREAM_OK);
  ASSERT_EQ(RunStream(dir_, plain, AesEncryptCall(40), &second), STREAM_OK);
  for (std::size_t i = 0; i < 16; i += 4) EXPECT_NE(Slice(first, i, 4), Slice(second, i, 4));
  EXPECT_NE(Slice(first, 16, 40), Slice(second, 16, 40));
  ASSERT_EQ(RunStream(dir_, plain, DesEncryptCall(40), &first), STREAM_OK);
  ASSERT_EQ(RunStream(dir_, plain, DesEncryptCall(40), &second), STREAM_OK);
  EXPECT_NE(Slice(first, 0, 8), Slice(second, 0, 8));
  EXPECT_NE(Slice(first, 8, 40), Slice(second, 8, 40));
}

TEST_F(CryptoStreamTest, DecryptionUnderAnotherKeyGivesOtherBytes) {
  const Bytes plain = SeededBytes(300, 4), other = FromHex("3a94c0d2178be65e");
  Bytes stored, restored;
  std::uint32_t out_length = 0;
  ASSERT_EQ(RunStream(dir_, plain, AesEncryptCall(300), &stored), STREAM_OK);
  ASSERT_EQ(RunStream(dir_, stored, AesDecryptCall(316, &out_length, other), &restored), STREAM_OK);
  EXPECT_NE(restored, plain);
  ASSERT_EQ(RunStream(dir_, plain, DesEncryptCall(300), &stored), STREAM_OK);
  ASSERT_EQ(RunStream(dir_, stored, DesDecryptCall(308, &out_length, FromHex("4a94c0d2178be65f")), &restored),
            STREAM_OK);
  EXPECT_NE(restored, plain);
}

// ---- Progress and the schedule area -----------------------------------------------------------

TEST_F(CryptoStreamTest, DesStreamReportsEveryChunk) {
  const Bytes plain = SeededBytes(2500, 5);
  Bytes stored, restored;
  std::uint32_t out_length = 0;
  {
    ProgressRecorder recorder;
    ASSERT_EQ(RunStream(dir_, plain, DesEncryptCall(2500), &stored), STREAM_OK);
    EXPECT_EQ(recorder.Values(NOTIFY_CIPHER), (std::vector<std::uint32_t>{1024, 1024, 452}));
  }
  {
    ProgressRecorder recorder;
    ASSERT_EQ(RunStream(dir_, stored, DesDecryptCall(2508, &out_length), &restored), STREAM_OK);
    EXPECT_EQ(recorder.Values(NOTIFY_CIPHER), (std::vector<std::uint32_t>{1024, 1024, 452}));
    EXPECT_EQ(recorder.events().size(), 3u);
  }
  {
    ProgressRecorder recorder;  // the AES stream reports nothing: its caller reports the step
    ASSERT_EQ(RunStream(dir_, plain, AesEncryptCall(2500), &stored), STREAM_OK);
    EXPECT_TRUE(recorder.events().empty());
  }
}

TEST_F(CryptoStreamTest, DesStreamHoldsTheAreaItself) {
  const Bytes plain = SeededBytes(100, 6);
  Bytes stored, restored;
  std::uint32_t out_length = 0;
  DesScheduleRelease();
  ASSERT_EQ(RunStream(dir_, plain, DesEncryptCall(100), &stored), STREAM_OK);
  EXPECT_EQ(DesScheduleHeld(), 0);
  EXPECT_NE(Slice(stored, 8, 100), plain);  // encrypted, not copied
  DesScheduleAcquire();
  ASSERT_EQ(RunStream(dir_, stored, DesDecryptCall(108, &out_length), &restored), STREAM_OK);
  EXPECT_EQ(DesScheduleHeld(), 1);
  EXPECT_EQ(restored, plain);
}

// ---- Failures ----------------------------------------------------------------------------------

struct ShortCase {
  std::uint32_t claimed;
  std::uint32_t available;
};

TEST_F(CryptoStreamTest, ShortInputGivesShortRead) {
  const ShortCase cases[] = {{1, 0}, {10, 9}, {16, 15}, {17, 16}, {40, 39}, {1024, 1000}, {3000, 2048}, {70000, 69999}};
  for (const auto& c : cases) {
    const Bytes plain = SeededBytes(c.available, 8);
    Bytes stored;
    EXPECT_EQ(RunStream(dir_, plain, DesEncryptCall(c.claimed), &stored), STREAM_SHORT_READ) << c.claimed;
    EXPECT_EQ(RunStream(dir_, plain, AesEncryptCall(c.claimed), &stored), STREAM_SHORT_READ) << c.claimed;
  }
}

TEST_F(CryptoStreamTest, TruncatedStoredStreamGivesShortRead) {
  for (std::uint32_t length : {0u, 5u, 15u, 16u, 33u, 1029u, 40000u}) {
    const Bytes plain = SeededBytes(length, 9);
    Bytes stored, restored;
    std::uint32_t out_length = 0;
    ASSERT_EQ(RunStream(dir_, plain, DesEncryptCall(length), &stored), STREAM_OK);
    stored.pop_back();
    EXPECT_EQ(RunStream(dir_, stored, DesDecryptCall(length + 8, &out_length), &restored), STREAM_SHORT_READ)
        << length;
    EXPECT_EQ(out_length, length);
    ASSERT_EQ(RunStream(dir_, plain, AesEncryptCall(length), &stored), STREAM_OK);
    stored.pop_back();
    EXPECT_EQ(RunStream(dir_, stored, AesDecryptCall(length + 16, &out_length), &restored), STREAM_SHORT_READ)
        << length;
    EXPECT_EQ(out_length, length);
  }
}

TEST_F(CryptoStreamTest, StoredLengthBelowTheHeadIsRefused) {
  Bytes restored;
  std::uint32_t out_length = 0;
  for (std::uint32_t stored : {0u, 7u}) {
    EXPECT_EQ(RunStream(dir_, SeededBytes(40, 1), DesDecryptCall(stored, &out_length), &restored), STREAM_SHORT_READ);
    EXPECT_EQ(out_length, 0u);
    EXPECT_TRUE(restored.empty());
  }
  for (std::uint32_t stored : {0u, 15u}) {
    EXPECT_EQ(RunStream(dir_, SeededBytes(40, 1), AesDecryptCall(stored, &out_length), &restored), STREAM_SHORT_READ);
    EXPECT_EQ(out_length, 0u);
    EXPECT_TRUE(restored.empty());
  }
}

// The streams take exactly their length from the input, however much follows.
TEST_F(CryptoStreamTest, StreamsReadNoFurtherThanTheirLength) {
  const Bytes file = SeededBytes(100, 10);
  Bytes key16 = kSessionKey;
  key16.resize(16, 0);
  for (std::uint32_t length : {0u, 5u, 21u, 32u}) {
    std::int64_t position = -1;
    auto aes = [&](std::FILE* in, std::FILE* out) {
      const int result = AesStreamEncrypt(in, out, length, kSessionKey.data(), 8);
      position = FileTell(in);
      return result;
    };
    auto des = [&](std::FILE* in, std::FILE* out) {
      const int result = DesStreamEncrypt(in, out, length, kSessionKey.data());
      position = FileTell(in);
      return result;
    };
    Bytes stored;
    const Bytes aes_iv = PeekIv(length + 50, 16);
    ASSERT_EQ(RunStream(dir_, file, aes, &stored), STREAM_OK) << length;
    EXPECT_EQ(position, static_cast<std::int64_t>(length));
    EXPECT_EQ(stored, AesStoredForm(Slice(file, 0, length), aes_iv, key16)) << length;
    const Bytes des_iv = PeekIv(length + 60, 8);
    ASSERT_EQ(RunStream(dir_, file, des, &stored), STREAM_OK) << length;
    EXPECT_EQ(position, static_cast<std::int64_t>(length));
    EXPECT_EQ(stored, DesStoredForm(Slice(file, 0, length), des_iv, kSessionKey)) << length;
  }
}

// An output that refuses every byte: a file opened for reading only.
TEST_F(CryptoStreamTest, RefusedWritesGiveShortWrite) {
  const std::string in_path = dir_.File("in"), out_path = dir_.File("out");
  WriteFileBytes(in_path, SeededBytes(5000, 11));
  WriteFileBytes(out_path, Bytes());
  for (std::uint32_t length : {0u, 3u, 100u, 5000u}) {
    FileHandle in = FileOpen(in_path.c_str(), "rb");
    FileHandle out = FileOpen(out_path.c_str(), "rb");
    EXPECT_EQ(DesStreamEncrypt(in.get(), out.get(), length, kSessionKey.data()), STREAM_SHORT_WRITE) << length;
    std::rewind(in.get());
    EXPECT_EQ(AesStreamEncrypt(in.get(), out.get(), length, kSessionKey.data(), 8), STREAM_SHORT_WRITE) << length;
    std::rewind(in.get());
    std::uint32_t stored = length;
    const int des = DesStreamDecrypt(in.get(), out.get(), &stored, kSessionKey.data());
    EXPECT_EQ(des, length < 8 ? STREAM_SHORT_READ : STREAM_SHORT_WRITE) << length;
    std::rewind(in.get());
    stored = length;
    const int aes = AesStreamDecrypt(in.get(), out.get(), &stored, kSessionKey.data(), 8);
    EXPECT_EQ(aes, length < 16 ? STREAM_SHORT_READ : STREAM_SHORT_WRITE) << length;
  }
}

#if !defined(_WIN32)
// A full device takes bytes into the stream's buffer and fails when they are flushed:
// small streams fail at the end, large ones on the way.
TEST_F(CryptoStreamTest, FullDeviceGivesShortWrite) {
  const std::string in_path = dir_.File("in");
  const Bytes plain = SeededBytes(300000, 12);
  WriteFileBytes(in_path, plain);
  for (std::uint32_t length : {0u, 10u, 100u, 300000u}) {
    FileHandle in = FileOpen(in_path.c_str(), "rb");
    FileHandle full = FileOpen("/dev/full", "wb");
    ASSERT_TRUE(full);
    EXPECT_EQ(DesStreamEncrypt(in.get(), full.get(), length, kSessionKey.data()), STREAM_SHORT_WRITE) << length;
    std::rewind(in.get());
    std::clearerr(full.get());
    EXPECT_EQ(AesStreamEncrypt(in.get(), full.get(), length, kSessionKey.data(), 8), STREAM_SHORT_WRITE) << length;
    std::rewind(in.get());
    std::clearerr(full.get());
    std::uint32_t stored = length;
    if (length >= 24) {
      EXPECT_EQ(DesStreamDecrypt(in.get(), full.get(), &stored, kSessionKey.data()), STREAM_SHORT_WRITE) << length;
      std::rewind(in.get());
      std::clearerr(full.get());
      stored = length;
      EXPECT_EQ(AesStreamDecrypt(in.get(), full.get(), &stored, kSessionKey.data(), 8), STREAM_SHORT_WRITE) << length;
    }
  }
}
#endif

TEST_F(CryptoStreamTest, UnusableArgumentsAreRefused) {
  const std::string path = dir_.File("f");
  WriteFileBytes(path, SeededBytes(64, 13));
  FileHandle in = FileOpen(path.c_str(), "rb");
  FileHandle out = FileOpen(dir_.File("g").c_str(), "wb");
  std::uint32_t length = 32;
  EXPECT_EQ(DesStreamEncrypt(nullptr, out.get(), 8, kSessionKey.data()), STREAM_BAD_ARGUMENT);
  EXPECT_EQ(DesStreamEncrypt(in.get(), nullptr, 8, kSessionKey.data()), STREAM_BAD_ARGUMENT);
  EXPECT_EQ(DesStreamEncrypt(in.get(), out.get(), 8, nullptr), STREAM_BAD_ARGUMENT);
  EXPECT_EQ(DesStreamDecrypt(in.get(), out.get(), nullptr, kSessionKey.data()), STREAM_BAD_ARGUMENT);
  EXPECT_EQ(AesStreamDecrypt(in.get(), out.get(), nullptr, kSessionKey.data(), 8), STREAM_BAD_ARGUMENT);
  for (std::uint32_t key_length : {0u, 7u, 12u, 24u, 32u}) {
    const Bytes key = SeededBytes(32, 14);
    EXPECT_EQ(AesStreamEncrypt(in.get(), out.get(), 8, key.data(), key_length), STREAM_BAD_ARGUMENT) << key_length;
    EXPECT_EQ(AesStreamDecrypt(in.get(), out.get(), &length, key.data(), key_length), STREAM_BAD_ARGUMENT);
  }
  EXPECT_EQ(AesStreamEncrypt(in.get(), out.get(), 8, nullptr, 8), STREAM_BAD_ARGUMENT);
  EXPECT_EQ(FileTell(in.get()), 0);  // nothing was read
}

}  // namespace
