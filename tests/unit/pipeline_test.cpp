// A file's data through two stages: the run over a fixed set of buffers in one thread
// and in two (order, bounds, stops, the caller's thread for what it must do), and the
// operations on large files in both forms: the same containers, the notifications each
// row has always had (all on the caller's thread), and the failures that must leave
// nothing behind (a damaged stream, a wrong passphrase, a full disk).
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "compress/codec.h"
#include "container/format.h"
#include "container/operation.h"
#include "container/pipeline.h"
#include "base/progress.h"
#include "container/result.h"
#include "crypto/random.h"
#include "platform/common/msgbox_double.h"
#include "platform/fileio.h"
#include "tests/support/operation_support.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

// --- The run itself -------------------------------------------------------------------

// Stages that pass numbered buffers: the producer writes its count and a pattern, the
// consumer checks them in order; each side may stop at a given buffer.
struct Numbered {
  int total = 40;
  int produced = 0;
  int consumed = 0;
  int returned = 0;
  int stop_producing_at = -1;
  int stop_consuming_at = -1;
  std::atomic<int> in_flight{0};
  std::atomic<int> most_in_flight{0};
  std::thread::id caller = std::this_thread::get_id();
  bool returned_elsewhere = false;
  bool out_of_order = false;
};

bool ProduceNumbered(void* context, PipelineBuffer* b) {
  auto* n = static_cast<Numbered*>(context);
  if (n->produced == n->stop_producing_at) return false;
  const int number = n->produced++;
  b->size = 100 + static_cast<std::size_t>(number) % 50;
  for (std::size_t i = 0; i < b->size; ++i) b->bytes[i] = static_cast<std::uint8_t>(number + i);
  b->notes[b->note_count++] = static_cast<std::uint16_t>(number);
  b->last = n->produced == n->total;
  const int now = ++n->in_flight;
  for (int most = n->most_in_flight; now > most && !n->most_in_flight.compare_exchange_weak(most, now);) {
  }
  return true;
}

bool ConsumeNumbered(void* context, PipelineBuffer* b) {
  auto* n = static_cast<Numbered*>(context);
  if (n->consumed == n->stop_consuming_at) return false;
  const int number = n->consumed++;
  bool same = b->size == 100 + static_cast<std::size_t>(number) % 50 && b->note_count == 1 &&
              b->notes[0] == number;
  for (std::size_t i = 0; same && i < b->size; ++i) same = b->bytes[i] == static_cast<std::uint8_t>(number + i);
  if (!same) n->out_of_order = true;
  --n->in_flight;
  return true;
}

void ReturnNumbered(void* context, PipelineBuffer* b) {
  auto* n = static_cast<Numbered*>(context);
  if (std::this_thread::get_id() != n->caller) n->returned_elsewhere = true;
  if (b->note_count != 1 || b->notes[0] != n->returned) n->out_of_order = true;
  ++n->returned;
}

struct RunCase {
  int threads;
  PipelineWorker worker;
  friend void PrintTo(const RunCase& c, std::ostream* os) {
    *os << c.threads << " threads, worker " << (c.worker == PIPELINE_WORKER_PRODUCES ? "produces" : "consumes");
  }
};

class PipelineRunTest : public ::testing::TestWithParam<RunCase> {};

TEST_P(PipelineRunTest, BuffersPassInOrderWithinTheRing) {
  Numbered n;
  const PipelineStages stages{&n, ProduceNumbered, ConsumeNumbered, ReturnNumbered};
  EXPECT_EQ(PipelineRun(stages, GetParam().worker, GetParam().threads, 256, 4), PIPELINE_DONE);
  EXPECT_EQ(n.produced, n.total);
  EXPECT_EQ(n.consumed, n.total);
  EXPECT_EQ(n.returned, n.total);
  EXPECT_FALSE(n.out_of_order);
  EXPECT_FALSE(n.returned_elsewhere);
  EXPECT_LE(n.most_in_flight, GetParam().threads == 1 ? 1 : PIPELINE_BUFFERS);
}

TEST_P(PipelineRunTest, AStageThatStopsEndsTheRun) {
  for (bool producer_stops : {false, true}) {
    Numbered n;
    (producer_stops ? n.stop_producing_at : n.stop_consuming_at) = 7;
    const PipelineStages stages{&n, ProduceNumbered, ConsumeNumbered, ReturnNumbered};
    EXPECT_EQ(PipelineRun(stages, GetParam().worker, GetParam().threads, 256, 4), PIPELINE_STOPPED);
    EXPECT_FALSE(n.out_of_order);
    EXPECT_FALSE(n.returned_elsewhere);
    // Nothing runs far past the stop: at most the ring's buffers were filled beyond it.
    EXPECT_LE(n.produced, 7 + PIPELINE_BUFFERS) << "producer stops " << producer_stops;
    EXPECT_LE(n.consumed, 7) << "producer stops " << producer_stops;
  }
}

INSTANTIATE_TEST_SUITE_P(Forms, PipelineRunTest,
                         ::testing::Values(RunCase{1, PIPELINE_WORKER_PRODUCES}, RunCase{2, PIPELINE_WORKER_PRODUCES},
                                           RunCase{2, PIPELINE_WORKER_CONSUMES}),
                         [](const auto& info) {
                           return std::to_string(info.param.threads) +
                                  (info.param.worker == PIPELINE_WORKER_PRODUCES ? "_produces" : "_consumes");
                         });

TEST(PipelineThreadsTest, SmallItemsAndTheSettingKeepOneThread) {
  EXPECT_EQ(PipelineThreads(PIPELINE_THREAD_MIN - 1), 1);
  PipelineSetThreads(1);
  EXPECT_EQ(PipelineThreads(std::uint64_t{1} << 30), 1);
  PipelineSetThreads(2);
  EXPECT_EQ(PipelineThreads(std::uint64_t{1} << 30), 2);
  EXPECT_EQ(PipelineThreads(100), 1);
  PipelineSetThreads(0);
  const int chosen = PipelineThreads(std::uint64_t{1} << 30);
  EXPECT_TRUE(chosen == 1 || chosen == 2);
}

// --- The operations on large files in both forms --------------------------------------

class TwoThreadsTest : public OperationFixture {
 protected:
  // A source that spans many buffers and ends inside one, of text and noise.
  std::string LargeSource(const std::string& name, unsigned seed) {
    return WriteSource(name, MixedBytes((1u << 20) + 54321, seed));
  }
};

TEST_F(TwoThreadsTest, OneThreadAndTwoMakeTheSameContainersAndGetTheFilesBack) {
  const std::string a = LargeSource("a.bin", 1);
  const std::string b = WriteSource("b.txt", BytesOf("a small file beside it"));
  const std::string text = "text";
  for (std::uint32_t algorithm : {1u, 2u}) {
    SetAlgorithm(algorithm);
    std::vector<Bytes> made;
    for (int threads : {1, 2}) {
      ThreadsScope scope(threads);
      RandomSetStateForTesting(77, 88);
      const EncryptResult result = EncryptItems(&text, {a, b}, false, "p");
      ASSERT_EQ(result.result, RESULT_OK);
      made.push_back(ReadFileBytes(result.containers[0]));
      const std::string container = Keep(result.containers[0]);
      for (int back_threads : {1, 2}) {
        ThreadsScope back_scope(back_threads);
        const DecryptResult back = DecryptContainer(container, "p", SELECTOR_EVERYTHING);
        ASSERT_EQ(back.result, RESULT_OK) << threads << " " << back_threads;
        ASSERT_EQ(back.files.size(), 2u);
        EXPECT_EQ(FileMd5(back.files[0].path), FileMd5(a));
        EXPECT_EQ(ReadFileBytes(back.files[1].path), ReadFileBytes(b));
        fs::remove_all(fs::path(back.files[0].path).parent_path());
      }
    }
    EXPECT_EQ(made[0], made[1]) << "algorithm " << algorithm;
  }
}

// What each row gets for a file, as the compressor, the digest and the DES stream have
// always reported it: one count per compressed block of the source, and the compressed
// image in units of 1024 bytes.
struct Rows {
  std::vector<std::uint32_t> codec, digest, cipher;
};

std::vector<std::uint32_t> Units(std::uint64_t size) {
  std::vector<std::uint32_t> units(static_cast<std::size_t>(size / 1024), 1024);
  if (size % 1024 != 0) units.push_back(static_cast<std::uint32_t>(size % 1024));
  return units;
}

Rows ExpectedEncryptionRows(const Bytes& source, std::uint64_t compressed, bool des) {
  Rows rows;
  for (std::size_t at = 0; at < source.size(); at += 1024) {
    const std::size_t n = std::min<std::size_t>(1024, source.size() - at);
    if (n >= RECORD_COMPRESS_MIN) rows.codec.push_back(static_cast<std::uint32_t>(n));
  }
  rows.digest = Units(compressed);
  if (des) rows.cipher = Units(compressed);
  return rows;
}

// Decrypting: the compressed records' stored lengths, and the image in units.
Rows ExpectedDecryptionRows(const Bytes& image, bool des) {
  Rows rows;
  for (std::size_t at = 0; at + 3 <= image.size();) {
    const std::uint32_t length = image[at + 1] | (image[at + 2] << 8);
    if (image[at] == RECORD_COMPRESSED) rows.codec.push_back(length);
    at += 3 + length;
  }
  rows.digest = Units(image.size());
  if (des) rows.cipher = Units(image.size());
  return rows;
}

// The recorded values of a row, less the closing PROGRESS_DONE.
std::vector<std::uint32_t> Counts(const ProgressRecorder& progress, std::uint32_t notification) {
  std::vector<std::uint32_t> values = progress.Values(notification);
  EXPECT_FALSE(values.empty());
  if (!values.empty()) {
    EXPECT_EQ(values.back(), PROGRESS_DONE);
    values.pop_back();
  }
  return values;
}

TEST_F(TwoThreadsTest, EachRowGetsTheCountsItAlwaysHadOnTheCallersThread) {
  const std::string a = LargeSource("a.bin", 2);
  const Bytes source = ReadFileBytes(a);
  const Bytes image = ReadFileBytes(CompressedCopy(a));
  for (std::uint32_t algorithm : {1u, 2u}) {
    SetAlgorithm(algorithm);
    for (int threads : {1, 2}) {
      ThreadsScope scope(threads);
      const std::string what = "algorithm " + std::to_string(algorithm) + " threads " + std::to_string(threads);
      std::string container;
      {
        ProgressRecorder progress;
        const EncryptResult made = EncryptItems(nullptr, {a}, true, "p");
        ASSERT_EQ(made.result, RESULT_OK) << what;
        container = Keep(made.containers[0]);
        const Rows expected = ExpectedEncryptionRows(source, image.size(), algorithm == 1);
        EXPECT_EQ(Counts(progress, NOTIFY_CODEC), expected.codec) << what;
        EXPECT_EQ(Counts(progress, NOTIFY_DIGEST), expected.digest) << what;
        EXPECT_EQ(Counts(progress, NOTIFY_CIPHER), expected.cipher) << what;
        // The bars follow the file's own size: the compressed size comes only at the end.
        EXPECT_EQ(progress.Values(NOTIFY_WORK_SIZE), std::vector<std::uint32_t>{static_cast<std::uint32_t>(source.size())});
        EXPECT_TRUE(progress.OnItsThread()) << what;
      }
      ProgressRecorder progress;
      const DecryptResult back = DecryptContainer(container, "p", SELECTOR_EVERYTHING);
      ASSERT_EQ(back.result, RESULT_OK) << what;
      EXPECT_EQ(back.files[0].size, image.size());  // the compressed size, as it always was
      const Rows expected = ExpectedDecryptionRows(image, algorithm == 1);
      EXPECT_EQ(Counts(progress, NOTIFY_CODEC), expected.codec) << what;
      EXPECT_EQ(Counts(progress, NOTIFY_DIGEST), expected.digest) << what;
      EXPECT_EQ(Counts(progress, NOTIFY_CIPHER), expected.cipher) << what;
      EXPECT_TRUE(progress.OnItsThread()) << what;
      fs::remove_all(fs::path(back.files[0].path).parent_path());
      fs::remove(container);
    }
  }
}

// The offset of the first FILE chunk's cipher stream in a container bytes.
std::size_t FileStreamAt(const Bytes& bytes) {
  std::size_t at = CONTAINER_HEADER_SIZE;
  while (at + 8 <= bytes.size()) {
    const std::uint32_t length = bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
                                 (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
    if (bytes[at + 4] == CHUNK_FILE) {
      const std::size_t name = std::strlen(reinterpret_cast<const char*>(&bytes[at + 8]));
      return at + 8 + name + 1 + FILE_TIME_SIZE + DIGEST_SIZE;
    }
    at += 8 + length;
  }
  return 0;
}

// A damaged stream or a wrong passphrase decrypts to records the decompressor cannot
// read: the digest answers first, as it always has, and nothing is shown or left.
TEST_F(TwoThreadsTest, ADigestThatDiffersAnswersBeforeTheDecompressor) {
  const std::string a = LargeSource("a.bin", 3);
  for (std::uint32_t algorithm : {1u, 2u}) {
    SetAlgorithm(algorithm);
    const std::string container = Keep(EncryptItems(nullptr, {a}, false, "right").containers[0]);
    Bytes damaged = ReadFileBytes(container);
    const std::size_t stream = FileStreamAt(damaged);
    ASSERT_NE(stream, 0u);
    damaged[stream + (damaged.size() - stream) / 2] ^= 0x40;
    WriteFileBytes(Source("damaged.vek"), damaged);
    for (int threads : {1, 2}) {
      ThreadsScope scope(threads);
      for (const auto& [path, passphrase] : {std::pair<std::string, const char*>{Source("damaged.vek"), "right"},
                                             std::pair<std::string, const char*>{container, "wrong"}}) {
        const std::string what = "algorithm " + std::to_string(algorithm) + " threads " + std::to_string(threads) +
                                 " " + passphrase;
        BoxDoubleReset();
        ProgressRecorder progress;
        EXPECT_EQ(DecryptContainer(path, passphrase, SELECTOR_EVERYTHING).result, RESULT_WRONG_SIGNATURE) << what;
        EXPECT_EQ(progress.Values(NOTIFY_DIGEST).back(), PROGRESS_FAILED) << what;
        EXPECT_TRUE(BoxDoubleLog().empty()) << what;
        EXPECT_EQ(WorkFiles(), std::vector<std::string>{}) << what;
      }
    }
  }
}

#if defined(__linux__)
// Bytes this process has read so far (its read calls, all threads).
std::uint64_t BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string name;
  std::uint64_t value = 0;
  while (io >> name >> value)
    if (name == "rchar:") return value;
  return 0;
}

// A cancel stops the work at the next piece: neither side reads much of a large file
// after it (only what the ring already held), both with one thread and with two.
TEST_F(TwoThreadsTest, ACancelStopsTheReadingAtOnce) {
  const std::uint64_t size = 16u << 20;
  const std::string a = WriteLargeSource(Source("a.bin"), size);
  for (std::uint32_t algorithm : {1u, 2u}) {
    SetAlgorithm(algorithm);
    const std::string container = Keep(EncryptItems(nullptr, {a}, false, "p").containers[0]);
    for (int threads : {1, 2}) {
      ThreadsScope scope(threads);
      const std::string what = "algorithm " + std::to_string(algorithm) + " threads " + std::to_string(threads);
      {
        ProgressRecorder progress;
        progress.CancelAt(20);
        const std::uint64_t before = BytesRead();
        EXPECT_EQ(EncryptItems(nullptr, {a}, false, "p").result, RESULT_STAGE_FAILED) << what;
        EXPECT_LT(BytesRead() - before, size / 8) << what << ": the encryption read on";
      }
      ProgressRecorder progress;
      progress.CancelAt(20);
      const std::uint64_t before = BytesRead();
      EXPECT_EQ(DecryptContainer(container, "p", SELECTOR_EVERYTHING).result, RESULT_STAGE_FAILED) << what;
      EXPECT_LT(BytesRead() - before, size / 8) << what << ": the decryption read on";
      EXPECT_EQ(WorkFiles(), std::vector<std::string>{}) << what;
    }
  }
}
#endif

#ifndef _WIN32
// The restored file cannot be written: once the digest has matched, the decompressor's
// message and 0xF007, and nothing left.
TEST_F(TwoThreadsTest, ARestoreOntoAFullDiskFailsWithTheDecompressorsMessage) {
  const std::string a = LargeSource("a.bin", 4);
  for (std::uint32_t algorithm : {1u, 2u}) {
    SetAlgorithm(algorithm);
    const std::string container = Keep(EncryptItems(nullptr, {a}, false, "p").containers[0]);
    for (int threads : {1, 2}) {
      ThreadsScope scope(threads);
      fs::create_symlink("/dev/full", Work("vek_compr.tmp"));
      BoxDoubleReset();
      ProgressRecorder progress;
      EXPECT_EQ(DecryptContainer(container, "p", SELECTOR_EVERYTHING).result, RESULT_STAGE_FAILED);
      EXPECT_EQ(progress.Values(NOTIFY_CODEC).back(), PROGRESS_FAILED);
      ASSERT_EQ(BoxDoubleLog().size(), 1u);
      EXPECT_EQ(BoxDoubleLog()[0].text.find("Unable to write"), 0u);
      EXPECT_NE(BoxDoubleLog()[0].text.find("to receive decompression"), std::string::npos);
      fs::remove(Work("vek_compr.tmp"));
      EXPECT_EQ(WorkFiles(), std::vector<std::string>{});
    }
  }
}
#endif

}  // namespace
