// Containers stay byte for byte what they have always been: with the random source set
// to a fixed state, six encryptions (AES and DES, one container and one per item, text
// and files whose compressed images end around the streams' block and chunk sizes, and
// files that span many of the operation's buffers) give containers whose digests were
// recorded from the writer that compressed into a work file, digested it and encrypted
// it in three passes. Any change to a byte of the format, to the order in which the
// random source is drawn, or to the cutting of the streams shows here.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "container/operation.h"
#include "container/result.h"
#include "crypto/random.h"
#include "tests/support/operation_support.h"
#include "tests/support/test_support.h"

namespace {

class ContainerIdentityTest : public OperationFixture {};

// n bytes without repeats worth compressing: every 1024-byte block is stored as it is
// (mode 1), so a file of 1017 bytes has a compressed image of exactly 1024 bytes.
Bytes NoiseBytes(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  Bytes out(n);
  for (std::uint8_t& b : out) b = static_cast<std::uint8_t>(random() >> 24);
  return out;
}

struct SourceFile {
  const char* name;
  std::size_t size;
  bool noise;  // else text-like mixed bytes
};

struct IdentityCase {
  const char* what;
  std::uint32_t algorithm;
  bool each;
  const char* text;  // nullptr: no text
  std::vector<SourceFile> files;
  std::vector<std::string> digests;  // MD5 of each container made, in output order
};

// Compressed image sizes around the streams' cuts: 0 (empty file), 8 (5 bytes stored),
// 15, 16, 32 (12, 13 and 29 bytes stored), 1024 and 1025 (1017 and 1018 bytes of noise),
// and images of several MiB that span many buffers and end at odd offsets.
const std::vector<SourceFile> kAroundTheCuts = {
    {"empty.bin", 0, false},    {"five.txt", 5, false},      {"twelve.txt", 12, false},
    {"thirteen.txt", 13, false}, {"twentynine.txt", 29, false}, {"fiftyfive.txt", 55, false},
    {"fiftysix.txt", 56, false}, {"chunk.bin", 1017, true},   {"chunkplus.bin", 1018, true},
    {"mixed.bin", 300001, false}, {"noise.bin", 70003, true},
};
const std::vector<SourceFile> kLarge = {{"large.bin", (3u << 20) + 7, false}, {"large2.bin", (1u << 20) + 1, true}};

std::vector<IdentityCase> Cases() {
  return {
      {"AES, one container, text and files around the cuts", 2, false, "A text of the container.\r\nSecond line.",
       kAroundTheCuts, {"e067d3d15c1023009ff0b707d9e8ca60"}},
      {"DES, one container, text and files around the cuts", 1, false, "A text of the container.\r\nSecond line.",
       kAroundTheCuts, {"abfefaf38f9ac59977504fe7a9ddf681"}},
      {"AES, one per item", 2, true, "fifteen bytes..",
       {{"a.txt", 13, false}, {"b.bin", 1017, true}, {"c.bin", 200000, false}},
       {"7871811c31c51b9a6afaa801d8e70fd1", "90a8b702bb874d4232e94d0200156f94", "8880015e34dfbad43fd94a4cc9be2b71",
        "102fb18096d45288e6a8af0886062e38"}},
      {"DES, one per item", 1, true, "",
       {{"a.txt", 13, false}, {"b.bin", 1018, true}, {"c.bin", 200000, false}},
       {"ef88c2fd021ae0e554cd8aa9152c6ea8", "18527e41772b44a4d7e8b7be308634c5", "86332f4b4078bad92fb0b9ffa55a0eb2",
        "de9960092cf146706365d7411b4eddc9"}},
      {"AES, large files only", 2, false, nullptr, kLarge, {"7278ca527b9a7aa294b830419942f428"}},
      {"DES, large files only", 1, false, nullptr, kLarge, {"49d71e94997b349a3f27e8d3eda8f656"}},
  };
}

TEST_F(ContainerIdentityTest, FixedSeedContainersAreUnchanged) {
  unsigned seed = 1;
  for (const IdentityCase& c : Cases()) {
    std::vector<FileEntry> entries;
    for (const SourceFile& s : c.files) {
      const Bytes content = s.noise ? NoiseBytes(s.size, seed) : MixedBytes(s.size, seed);
      ++seed;
      FileEntry e{};
      const std::string path = WriteSource(s.name, content);
      ASSERT_TRUE(FileEntryFromPath(path.c_str(), &e));
      e.time = FileTimeFromValue(0x01D5B1DED53E8000ull + seed);  // fixed, not the file system's
      entries.push_back(e);
    }
    std::string text = c.text ? c.text : "";
    OperationRequest request{DIRECTION_ENCRYPT, c.text ? text.data() : nullptr, "fixed passphrase", nullptr,
                             static_cast<std::uint32_t>(entries.size()), entries.empty() ? nullptr : entries.data(),
                             c.each ? SELECTOR_EACH : 0u, c.algorithm};
    RandomSetStateForTesting(0x12345678u + seed, 0x9ABCDEF0u ^ seed);
    ASSERT_EQ(EncryptOperation(&request), RESULT_OK) << c.what;
    std::vector<std::string> digests;
    for (std::uint32_t i = 0; i < request.count; ++i) digests.push_back(FileMd5(request.entries[i].container));
    FileEntriesFree(request.entries);
    EXPECT_EQ(digests, c.digests) << c.what;
    for (const std::string& made : WorkFiles()) std::remove(Work(made).c_str());
  }
}

}  // namespace
