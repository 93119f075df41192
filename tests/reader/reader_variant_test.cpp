// The two builds of the container reader side by side: the main program's, and the
// self-extractor's (QLX_EXTRACTOR_READER), which refuses containers older than "4.07"
// with 0xF004 and takes chunk kinds from their numbers only, skipping a chunk whose type
// is an ASCII tag. This file is built against each reader; EXTRACTOR_READER says which.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "container/format.h"
#include "container/operation.h"
#include "container/result.h"
#include "platform/bytes.h"
#include "platform/tempdir.h"

namespace fs = std::filesystem;

namespace {

#ifdef EXTRACTOR_READER
constexpr bool kExtractor = true;
#else
constexpr bool kExtractor = false;
#endif

// A container of the current writer: a text and two files under "fuzz passphrase".
const char kPassphrase[] = "fuzz passphrase";

std::vector<std::uint8_t> Sample() {
  std::ifstream in(QLX_SAMPLE_CONTAINER, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Writes the type field of every chunk of the kind as its ASCII tag.
void TagChunks(std::vector<std::uint8_t>* bytes, std::uint32_t kind, const char tag[4]) {
  for (std::size_t at = CONTAINER_HEADER_SIZE; at + CHUNK_HEADER_SIZE <= bytes->size();) {
    const std::uint32_t length = LoadLe32(bytes->data() + at);
    if (LoadLe32(bytes->data() + at + 4) == kind) std::memcpy(bytes->data() + at + 4, tag, 4);
    at += CHUNK_HEADER_SIZE + length;
  }
}

struct Outcome {
  std::uint32_t opens = 0;   // PassphraseOpensContainer
  std::uint32_t result = 0;  // DecryptOperation, text and every file
  bool text = false;
  std::uint32_t files = 0;
};

class ReaderVariant : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("qlx-reader-variant-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                           std::string(kExtractor ? "-x" : "-m"));
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "work");
    ASSERT_TRUE(SetTempFolder((folder_ / "work").string().c_str()));
  }
  void TearDown() override {
    SetTempFolder(nullptr);
    fs::remove_all(folder_);
  }

  Outcome Read(const std::vector<std::uint8_t>& bytes) {
    const std::string path = (folder_ / "in.vek").string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    Outcome outcome;
    outcome.opens = PassphraseOpensContainer(path.c_str(), kPassphrase);
    FileEntry container{};
    std::snprintf(container.path, sizeof container.path, "%s", path.c_str());
    std::snprintf(container.name, sizeof container.name, "in.vek");
    OperationRequest request{0, nullptr, kPassphrase, nullptr, 1, &container, SELECTOR_EVERYTHING, ALGORITHM_UNREAD};
    outcome.result = DecryptOperation(&request);
    if (outcome.result == RESULT_OK) {
      outcome.text = request.text != nullptr;
      outcome.files = request.count;
      if (request.count > 0) {
        std::string decrypted = request.entries[0].path;
        decrypted.resize(decrypted.size() - std::strlen(request.entries[0].name));
        RemovePrivateFolder(decrypted.c_str());
      }
      FileEntriesFree(request.entries);
      OperationTextFree(request.text);
    }
    return outcome;
  }

  fs::path folder_;
};

TEST_F(ReaderVariant, VersionsFrom407OnAreReadOlderOnesRefused) {
  const struct {
    const char* version;
    std::uint32_t main_opens, extractor_opens;
  } cases[] = {
      {"4.10", RESULT_OK, RESULT_OK},
      {"4.07", RESULT_OK, RESULT_OK},
      {"4.06", RESULT_OK, RESULT_OLD_VERSION},
      {"4.00", RESULT_OK, RESULT_OLD_VERSION},
      {"3.10", RESULT_WRONG_FORMAT, RESULT_OLD_VERSION},
      {"2.41", RESULT_WRONG_FORMAT, RESULT_OLD_VERSION},
      {"2.40", RESULT_OLD_VERSION, RESULT_OLD_VERSION},
  };
  const std::vector<std::uint8_t> sample = Sample();
  ASSERT_GT(sample.size(), CONTAINER_HEADER_SIZE);
  for (const auto& c : cases) {
    std::vector<std::uint8_t> bytes = sample;
    std::memcpy(bytes.data() + CONTAINER_SIGNATURE_SIZE, c.version, 4);
    const Outcome outcome = Read(bytes);
    const std::uint32_t expected = kExtractor ? c.extractor_opens : c.main_opens;
    EXPECT_EQ(outcome.opens, expected) << c.version;
    if (expected == RESULT_OK) {
      EXPECT_EQ(outcome.result, RESULT_OK) << c.version;
      EXPECT_TRUE(outcome.text) << c.version;
      EXPECT_EQ(outcome.files, 2u) << c.version;
    } else if (expected == RESULT_OLD_VERSION) {
      EXPECT_EQ(outcome.result, RESULT_OLD_VERSION) << c.version;
    }
  }
}

TEST_F(ReaderVariant, ATaggedTextChunkIsSkippedByTheExtractorOnly) {
  std::vector<std::uint8_t> bytes = Sample();
  TagChunks(&bytes, CHUNK_TEXT, "TEXT");
  const Outcome outcome = Read(bytes);
  EXPECT_EQ(outcome.opens, RESULT_OK);
  ASSERT_EQ(outcome.result, RESULT_OK);
  EXPECT_EQ(outcome.text, !kExtractor);
  EXPECT_EQ(outcome.files, 2u);
}

TEST_F(ReaderVariant, TaggedKeyChunksLeaveTheExtractorNoKey) {
  std::vector<std::uint8_t> bytes = Sample();
  TagChunks(&bytes, CHUNK_KHKY, "KHKY");
  const Outcome outcome = Read(bytes);
  EXPECT_EQ(outcome.opens, kExtractor ? RESULT_WRONG_FORMAT : RESULT_OK);
}

}  // namespace
