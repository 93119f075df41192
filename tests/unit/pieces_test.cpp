// The cipher streams and the compressed records worked piece by piece, as the
// operations pass a file's data: whatever the cut into pieces, the bytes are those of
// the file streams (under the same IV), the triple-DES form of other writers comes back
// with its padding rules, and the record decoder restores what the file decompressor
// restores and refuses what it refuses.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "compress/codec.h"
#include "container/streams.h"
#include "crypto/des.h"
#include "crypto/random.h"
#include "platform/fileio.h"
#include "tests/support/operation_support.h"
#include "tests/support/test_support.h"

namespace {

const std::uint8_t kKey[16] = {0x3a, 0x94, 0xc0, 0xd2, 0x17, 0x8b, 0xe6, 0x5f,
                               0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef};

// Cuts of a byte run into pieces: fixed sizes, and a run of sizes from a seed.
std::vector<std::size_t> Cut(std::size_t total, int pattern) {
  static const std::size_t kFixed[] = {1, 7, 16, 17, 1000, 1024, 1031, 65536};
  std::vector<std::size_t> pieces;
  std::mt19937 random(static_cast<unsigned>(pattern));
  for (std::size_t at = 0; at < total;) {
    std::size_t n = pattern < 8 ? kFixed[pattern] : 1 + random() % 3000;
    if (n > total - at) n = total - at;
    pieces.push_back(n);
    at += n;
  }
  return pieces;
}
constexpr int kPatterns = 11;

template <typename Work>
Bytes InPieces(const Bytes& data, int pattern, Work work) {
  Bytes out;
  std::size_t at = 0;
  for (std::size_t n : Cut(data.size(), pattern)) {
    Bytes room(n + CIPHER_PIECES_SLACK);
    room.resize(work(data.data() + at, n, room.data()));
    out.insert(out.end(), room.begin(), room.end());
    at += n;
  }
  return out;
}

// The file stream's stored form of plain under the random state seed.
Bytes FileStream(const Bytes& plain, std::uint32_t algorithm, std::uint32_t seed) {
  TempDir dir;
  WriteFileBytes(dir.File("in"), plain);
  RandomSetStateForTesting(seed, ~seed);
  {
    FileHandle in = FileOpen(dir.File("in").c_str(), "rb");
    FileHandle out = FileOpen(dir.File("out").c_str(), "wb");
    EXPECT_EQ(CipherStreamEncrypt(in.get(), out.get(), static_cast<std::uint32_t>(plain.size()), kKey, algorithm),
              STREAM_OK);
  }
  return ReadFileBytes(dir.File("out"));
}

class PiecesTest : public ::testing::Test {
 protected:
  void SetUp() override { DesScheduleAcquire(); }
  void TearDown() override { DesScheduleRelease(); }
};

TEST_F(PiecesTest, AnyCutGivesTheFileStreamsBytesAndTheyComeBack) {
  for (std::uint32_t algorithm : {1u, 2u}) {
    for (std::size_t length : {0u, 1u, 15u, 16u, 17u, 31u, 32u, 33u, 1023u, 1024u, 1025u, 2048u, 16401u, 70001u}) {
      const Bytes plain = MixedBytes(length, static_cast<unsigned>(length));
      const std::uint32_t seed = static_cast<std::uint32_t>(length) + 100 * algorithm;
      const Bytes expected = FileStream(plain, algorithm, seed);
      for (int pattern = 0; pattern < kPatterns; ++pattern) {
        const std::string what = "algorithm " + std::to_string(algorithm) + " length " + std::to_string(length) +
                                 " pattern " + std::to_string(pattern);
        RandomSetStateForTesting(seed, ~seed);
        CipherPieces pieces;
        Bytes stored(8);
        stored.resize(CipherPiecesEncryptBegin(&pieces, kKey, algorithm, stored.data()));
        const Bytes body = InPieces(plain, pattern, [&](const std::uint8_t* d, std::size_t n, std::uint8_t* out) {
          return CipherPiecesEncrypt(&pieces, d, n, out);
        });
        stored.insert(stored.end(), body.begin(), body.end());
        Bytes end(1024 + 64);
        end.resize(CipherPiecesEncryptEnd(&pieces, end.data()));
        stored.insert(stored.end(), end.begin(), end.end());
        ASSERT_EQ(stored, expected) << what;

        ASSERT_EQ(CipherPiecesDecryptBegin(&pieces, kKey, 8, algorithm, static_cast<std::uint32_t>(stored.size())),
                  STREAM_OK)
            << what;
        Bytes back = InPieces(stored, pattern, [&](const std::uint8_t* d, std::size_t n, std::uint8_t* out) {
          return CipherPiecesDecrypt(&pieces, d, n, out);
        });
        std::size_t last = 0;
        Bytes tail(1024 + 64);
        ASSERT_EQ(CipherPiecesDecryptEnd(&pieces, tail.data(), &last), STREAM_OK) << what;
        back.insert(back.end(), tail.begin(), tail.begin() + static_cast<std::ptrdiff_t>(last));
        EXPECT_EQ(back, plain) << what;
      }
    }
  }
}

TEST_F(PiecesTest, AStreamCutShortIsAShortRead) {
  for (std::uint32_t algorithm : {1u, 2u}) {
    const Bytes stored = FileStream(MixedBytes(5000, 1), algorithm, 9);
    CipherPieces pieces;
    ASSERT_EQ(CipherPiecesDecryptBegin(&pieces, kKey, 8, algorithm, static_cast<std::uint32_t>(stored.size())),
              STREAM_OK);
    Bytes out(stored.size() + CIPHER_PIECES_SLACK);
    CipherPiecesDecrypt(&pieces, stored.data(), stored.size() - 1, out.data());
    std::size_t last = 0;
    EXPECT_EQ(CipherPiecesDecryptEnd(&pieces, out.data(), &last), STREAM_SHORT_READ) << algorithm;
  }
}

// The two-key triple-DES form: the IV DES-encrypted under the key's first half, then
// TdesEncrypt over the text and 1 to 8 padding bytes whose count is the last byte.
Bytes TripleDesStream(const Bytes& plain, int padding_byte) {
  std::uint8_t iv[8] = {9, 8, 7, 6, 5, 4, 3, 2};
  Bytes stream(iv, iv + 8);
  const std::uint8_t zero[8] = {};
  DesEncryptBlocks(stream.data(), 8, 0, kKey, zero);
  const std::size_t padding = 8 - plain.size() % 8;
  Bytes body = plain;
  body.insert(body.end(), padding, 0);
  body.back() = static_cast<std::uint8_t>(padding_byte >= 0 ? padding_byte : static_cast<int>(padding));
  TdesEncrypt(body.data(), static_cast<std::int32_t>(body.size()), kKey, iv);
  stream.insert(stream.end(), body.begin(), body.end());
  return stream;
}

int TripleDesInPieces(const Bytes& stored, int pattern, Bytes* plain) {
  CipherPieces pieces;
  const int begun = CipherPiecesDecryptBegin(&pieces, kKey, 16, 1, static_cast<std::uint32_t>(stored.size()));
  if (begun != STREAM_OK) return begun;
  *plain = InPieces(stored, pattern, [&](const std::uint8_t* d, std::size_t n, std::uint8_t* out) {
    return CipherPiecesDecrypt(&pieces, d, n, out);
  });
  Bytes tail(1024 + 64);
  std::size_t last = 0;
  const int result = CipherPiecesDecryptEnd(&pieces, tail.data(), &last);
  plain->insert(plain->end(), tail.begin(), tail.begin() + static_cast<std::ptrdiff_t>(last));
  return result;
}

TEST_F(PiecesTest, TheTripleDesFormComesBackWithItsPaddingRules) {
  for (std::size_t length : {0u, 1u, 7u, 8u, 9u, 1015u, 1016u, 1017u, 1024u, 3000u}) {
    const Bytes plain = MixedBytes(length, static_cast<unsigned>(length) + 3);
    const Bytes stored = TripleDesStream(plain, -1);
    for (int pattern = 0; pattern < kPatterns; ++pattern) {
      Bytes back;
      ASSERT_EQ(TripleDesInPieces(stored, pattern, &back), STREAM_OK) << length << " " << pattern;
      EXPECT_EQ(back, plain) << length << " " << pattern;
    }
  }
  Bytes back;
  EXPECT_EQ(TripleDesInPieces(TripleDesStream(MixedBytes(20, 1), 9), 3, &back), STREAM_BAD_PADDING);
  Bytes uneven = TripleDesStream(MixedBytes(20, 1), -1);
  uneven.pop_back();
  EXPECT_EQ(TripleDesInPieces(uneven, 3, &back), STREAM_BAD_PADDING);  // not whole blocks
  EXPECT_EQ(TripleDesInPieces(Bytes(8, 0), 3, &back), STREAM_BAD_PADDING);  // a head alone
  EXPECT_EQ(TripleDesInPieces(Bytes(5, 0), 3, &back), STREAM_SHORT_READ);
}

// --- Records --------------------------------------------------------------------------

struct Restored {
  Bytes bytes;
  std::vector<std::uint32_t> reported;
};

bool Collect(void* context, const std::uint8_t* bytes, std::uint32_t size, std::uint32_t reported) {
  auto* r = static_cast<Restored*>(context);
  r->bytes.insert(r->bytes.end(), bytes, bytes + size);
  if (reported != 0) r->reported.push_back(reported);
  return true;
}

int Decode(const Bytes& image, int pattern, Restored* restored) {
  RecordDecoder decoder;
  RecordDecoderBegin(&decoder);
  std::size_t at = 0;
  for (std::size_t n : Cut(image.size(), pattern)) {
    const int r = RecordDecoderFeed(&decoder, image.data() + at, n, Collect, restored);
    if (r != RECORDS_OK) return r;
    at += n;
  }
  return RecordDecoderEnd(&decoder);
}

TEST(RecordDecoderTest, AnyCutRestoresWhatTheFileDecompressorRestores) {
  TempDir dir;
  Bytes plain = MixedBytes(9000, 5);
  plain.insert(plain.end(), 40, 'x');  // a last block of 40 bytes: a stored record
  WriteFileBytes(dir.File("plain"), plain);
  const Bytes image = ReadFileBytes(CompressedCopy(dir.File("plain")));
  std::vector<std::uint32_t> lengths;  // the compressed records' stored lengths
  for (std::size_t at = 0; at < image.size(); at += 3 + (image[at + 1] | (image[at + 2] << 8)))
    if (image[at] == RECORD_COMPRESSED) lengths.push_back(image[at + 1] | (image[at + 2] << 8));
  for (int pattern = 0; pattern < kPatterns; ++pattern) {
    Restored restored;
    ASSERT_EQ(Decode(image, pattern, &restored), RECORDS_OK) << pattern;
    EXPECT_EQ(restored.bytes, plain) << pattern;
    EXPECT_EQ(restored.reported, lengths) << pattern;
  }
}

TEST(RecordDecoderTest, MalformedRecordsAreRefusedWhereverTheyAreCut) {
  const Bytes too_long = {0, 0x05, 0x04, 1, 2, 3};   // 1029 bytes announced
  const Bytes cut_short = {0, 10, 0, 1, 2, 3};       // 10 announced, 3 there
  const Bytes cut_header = {0, 3, 0, 1, 2, 3, 1, 8};  // a second record's header cut
  const Bytes bad_block = {1, 8, 0, 0, 0, 0, 0, 1, 0, 2, 5};  // a copy from before the block
  for (int pattern = 0; pattern < kPatterns; ++pattern) {
    for (const Bytes& image : {too_long, cut_short, cut_header, bad_block}) {
      Restored restored;
      EXPECT_EQ(Decode(image, pattern, &restored), RECORDS_FORMAT_ERROR) << pattern;
    }
  }
}

}  // namespace
