// MD5 over buffers and files: the RFC 1321 suite, block boundaries, incremental
// updates, the wiped context, comparisons, file digests with their progress and read
// failures, and OpenSSL's MD5 as an oracle in the native build.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "base/progress.h"
#include "crypto/md5.h"
#include "platform/fileio.h"
#include "tests/support/crypto_support.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#if defined(QLX_HAVE_OPENSSL)
#include <openssl/evp.h>
#endif

namespace {

std::string Digest(const Bytes& data) {
  std::uint8_t digest[16];
  Md5Buffer(data.data(), static_cast<std::uint32_t>(data.size()), digest);
  return ToHex(digest, 16);
}

struct Md5Case {
  std::string input;
  const char* digest;
};

class Md5KnownAnswerTest : public ::testing::TestWithParam<Md5Case> {};

TEST_P(Md5KnownAnswerTest, Matches) { EXPECT_EQ(Digest(BytesOf(GetParam().input)), GetParam().digest); }

// RFC 1321 appendix A.5, then runs of "a" around the padding boundaries (answers from
// Python's hashlib).
INSTANTIATE_TEST_SUITE_P(
    Suite, Md5KnownAnswerTest,
    ::testing::Values(
        Md5Case{"", "d41d8cd98f00b204e9800998ecf8427e"}, Md5Case{"a", "0cc175b9c0f1b6a831c399e269772661"},
        Md5Case{"abc", "900150983cd24fb0d6963f7d28e17f72"},
        Md5Case{"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        Md5Case{"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        Md5Case{"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
                "d174ab98d277d9f5a5611c2c9f419d9f"},
        Md5Case{"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
                "57edf4a22be3c955ac49da2e2107b67a"},
        Md5Case{std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
        Md5Case{std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
        Md5Case{std::string(57, 'a'), "652b906d60af96844ebd21b674f35e93"},
        Md5Case{std::string(63, 'a'), "b06521f39153d618550606be297466d5"},
        Md5Case{std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
        Md5Case{std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435"},
        Md5Case{std::string(119, 'a'), "8a7bd0732ed6a28ce75f6dabc90e1613"},
        Md5Case{std::string(120, 'a'), "5f61c0ccad4cac44c75ff505e1f1e537"},
        Md5Case{std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"}),
    [](const auto& info) { return "Len" + std::to_string(info.param.input.size()) + "_" + std::to_string(info.index); });

TEST(Md5Test, UpdatesInPiecesGiveTheSameDigest) {
  const Bytes data = SeededBytes(300, 1);
  const std::string whole = Digest(data);
  for (std::uint32_t first = 0; first <= 300; first += 7) {
    for (std::uint32_t second : {0u, 1u, 55u, 64u, 130u}) {
      if (first + second > 300) continue;
      Md5Context context;
      Md5Init(&context);
      Md5Update(&context, data.data(), first);
      Md5Update(&context, data.data() + first, second);
      Md5Update(&context, data.data() + first + second, 300 - first - second);
      std::uint8_t digest[16];
      Md5Final(digest, &context);
      ASSERT_EQ(ToHex(digest, 16), whole) << first << "+" << second;
    }
  }
}

TEST(Md5Test, FinalWipesTheContext) {
  Md5Context context;
  Md5Init(&context);
  Md5Update(&context, "passphrase", 10);
  std::uint8_t digest[16];
  Md5Final(digest, &context);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&context);
  EXPECT_EQ(std::count(bytes, bytes + sizeof context, 0), static_cast<long>(sizeof context));
}

TEST(Md5Test, BufferMatchesOnlyTheExactDigest) {
  const Bytes data = BytesOf("abc");
  Bytes expected = FromHex("900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5BufferMatches(data.data(), 3, expected.data()), 1);
  for (int i = 0; i < 16; ++i) {
    for (int delta : {1, -1, 0x80}) {
      Bytes wrong = expected;
      wrong[i] = static_cast<std::uint8_t>(wrong[i] + delta);
      EXPECT_EQ(Md5BufferMatches(data.data(), 3, wrong.data()), 0) << "byte " << i << " delta " << delta;
    }
  }
}

TEST(Md5Test, DigestsEqualLooksAtEveryByte) {
  const Bytes a = FromHex("900150983cd24fb0d6963f7d28e17f72");
  Bytes b = a;
  EXPECT_EQ(Md5DigestsEqual(a.data(), b.data()), 1);
  for (int i = 0; i < 16; ++i) {
    for (int bit = 0; bit < 8; ++bit) {
      b = a;
      b[i] = static_cast<std::uint8_t>(b[i] ^ (1u << bit));
      EXPECT_EQ(Md5DigestsEqual(a.data(), b.data()), 0) << "byte " << i << " bit " << bit;
      EXPECT_EQ(Md5DigestsEqual(b.data(), a.data()), 0) << "byte " << i << " bit " << bit;
    }
  }
}

class Md5StreamTest : public ::testing::Test {
 protected:
  // Digest of a file holding data, with the progress counts it reported.
  int StreamOf(const Bytes& data, std::string* digest_hex, std::vector<std::uint32_t>* counts) {
    WriteFileBytes(path_, data);
    FileHandle file = FileOpen(path_.c_str(), "rb");
    ProgressRecorder recorder;
    std::uint8_t digest[16];
    const int result = Md5Stream(file.get(), digest);
    *digest_hex = ToHex(digest, 16);
    *counts = recorder.Values(NOTIFY_DIGEST);
    EXPECT_EQ(FileTell(file.get()), static_cast<std::int64_t>(data.size()));  // left at the end
    return result;
  }
  TempDir dir_;
  std::string path_ = dir_.File("data.bin");
};

TEST_F(Md5StreamTest, ReadsInKilobytesAndReportsEachRead) {
  const struct {
    std::size_t size;
    std::vector<std::uint32_t> counts;
  } cases[] = {{0, {}}, {1, {1}}, {1023, {1023}}, {1024, {1024}}, {1025, {1024, 1}}, {3000, {1024, 1024, 952}}};
  for (const auto& c : cases) {
    const Bytes data = SeededBytes(c.size, static_cast<std::uint32_t>(c.size));
    std::string digest;
    std::vector<std::uint32_t> counts;
    ASSERT_EQ(StreamOf(data, &digest, &counts), 1) << c.size;
    EXPECT_EQ(digest, Digest(data)) << c.size;
    EXPECT_EQ(counts, c.counts) << c.size;
  }
}

TEST_F(Md5StreamTest, StartsAtTheCurrentPosition) {
  const Bytes data = SeededBytes(2000, 5);
  WriteFileBytes(path_, data);
  FileHandle file = FileOpen(path_.c_str(), "rb");
  ASSERT_TRUE(FileSeek(file.get(), 100));
  std::uint8_t digest[16];
  ASSERT_EQ(Md5Stream(file.get(), digest), 1);
  EXPECT_EQ(ToHex(digest, 16), Digest(Bytes(data.begin() + 100, data.end())));
}

TEST_F(Md5StreamTest, MatchesComparesTheWholeFile) {
  const Bytes data = SeededBytes(1500, 6);
  WriteFileBytes(path_, data);
  const Bytes right = FromHex(Digest(data));
  Bytes wrong = right;
  wrong[15] ^= 1;
  FileHandle file = FileOpen(path_.c_str(), "rb");
  EXPECT_EQ(Md5StreamMatches(file.get(), right.data()), 1);
  std::rewind(file.get());
  EXPECT_EQ(Md5StreamMatches(file.get(), wrong.data()), 0);
}

// A read that fails part-way (the descriptor under the stream is taken away once the
// stream's buffer holds the first part) yields no digest: the digest of the part read
// must not pass for the file's.
TEST_F(Md5StreamTest, ReadFailureGivesNoDigest) {
  const Bytes data = SeededBytes(50000, 7);
  WriteFileBytes(path_, data);
  FileHandle file = FileOpen(path_.c_str(), "rb");
  ASSERT_NE(std::fgetc(file.get()), EOF);  // fills the stream's buffer
  const int fd = fileno(file.get());
  const int saved = dup(fd);
  ASSERT_GE(saved, 0);
  close(fd);
  std::uint8_t digest[16];
  std::memset(digest, 0x5A, sizeof digest);
  std::vector<std::uint32_t> counts;
  {
    ProgressRecorder recorder;
    EXPECT_EQ(Md5Stream(file.get(), digest), 0);
    counts = recorder.Values(NOTIFY_DIGEST);
  }
  EXPECT_FALSE(counts.empty());  // part of the file was read before the failure
  EXPECT_EQ(ToHex(digest, 16), std::string(32, '0'));
  std::clearerr(file.get());
  const Bytes whole = FromHex(Digest(Bytes(data.begin() + 1, data.end())));
  EXPECT_EQ(Md5StreamMatches(file.get(), whole.data()), 0);
  dup2(saved, fd);  // give the stream its descriptor back for closing
  close(saved);
  EXPECT_EQ(Md5Stream(nullptr, digest), 0);
}

#if defined(QLX_HAVE_OPENSSL)

TEST(Md5OracleTest, AgreesWithOpenSsl) {
  for (std::uint32_t seed = 0; seed < 300; ++seed) {
    const std::size_t length = (seed * 7919u) % 5000u;
    const Bytes data = SeededBytes(length, seed);
    unsigned char expected[16];
    unsigned int size = 0;
    ASSERT_EQ(EVP_Digest(data.data(), data.size(), expected, &size, EVP_md5(), nullptr), 1);
    ASSERT_EQ(Digest(data), ToHex(expected, 16)) << "length " << length;
  }
}

#endif

}  // namespace
