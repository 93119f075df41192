// The encryption and decryption operations end to end in a private temporary folder:
// round trips, the written layout, failure codes with their progress rows, selectors,
// containers of other writers (16-byte session keys, tags, KHSH), and the faults a
// hostile or damaged container or a full disk must not turn into damage.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "compress/codec.h"
#include "container/format.h"
#include "container/listing.h"
#include "container/names.h"
#include "container/operation.h"
#include "base/progress.h"
#include "container/result.h"
#include "crypto/aes.h"
#include "crypto/des.h"
#include "crypto/md5.h"
#include "crypto/random.h"
#include "keys/settings.h"
#include "platform/common/msgbox_double.h"
#include "platform/fileio.h"
#include "platform/progress.h"
#include "platform/tempdir.h"
#include "tests/support/locked_elsewhere.h"
#include "tests/support/operation_support.h"
#include "tests/support/test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace {

class OperationsTest : public OperationFixture {};

// --- Round trips ----------------------------------------------------------------------

struct RoundTripCase {
  std::string name;
  std::uint32_t algorithm;
  bool each;
  bool has_text;
  std::string text;
  std::vector<std::size_t> sizes;
  friend void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.name; }
};

class OperationRoundTripTest : public OperationFixture, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(OperationRoundTripTest, WhatGoesInComesBack) {
  const RoundTripCase& c = GetParam();
  SetAlgorithm(c.algorithm);
  std::vector<std::string> paths;
  std::vector<Bytes> contents;
  for (std::size_t i = 0; i < c.sizes.size(); ++i) {
    contents.push_back(MixedBytes(c.sizes[i], static_cast<unsigned>(i + 1)));
    paths.push_back(WriteSource("file" + std::to_string(i) + ".bin", contents.back()));
  }
  EncryptResult made = EncryptItems(c.has_text ? &c.text : nullptr, paths, c.each, "pass word");
  ASSERT_EQ(made.result, RESULT_OK);
  ASSERT_EQ(made.containers.size(), c.each ? c.sizes.size() + (c.has_text ? 1 : 0) : 1u);

  std::size_t next_file = 0;
  for (std::size_t k = 0; k < made.containers.size(); ++k) {
    const std::string moved = Keep(made.containers[k]);
    ContainerInfo info{};
    ASSERT_EQ(ContainerReadInfo(moved.c_str(), &info), RESULT_OK);
    EXPECT_EQ(info.algorithm, c.algorithm);
    DecryptResult back = DecryptContainer(moved, "pass word", SELECTOR_EVERYTHING);
    ASSERT_EQ(back.result, RESULT_OK) << "container " << k;
    const bool text_here = c.has_text && (!c.each || k == 0);
    if (text_here) {
      ASSERT_TRUE(back.has_text);
      EXPECT_EQ(back.text, c.text);
    } else {
      EXPECT_FALSE(back.has_text);
    }
    const std::size_t files_here = c.each ? (text_here ? 0 : 1) : c.sizes.size();
    ASSERT_EQ(back.files.size(), files_here);
    for (const DecryptedFile& file : back.files) {
      EXPECT_EQ(file.name, "file" + std::to_string(next_file) + ".bin");
      EXPECT_EQ(ReadFileBytes(file.path), contents[next_file]) << file.name;
      ++next_file;
    }
  }
  EXPECT_EQ(next_file, c.sizes.size());
  EXPECT_TRUE(BoxDoubleLog().empty());
}

const std::vector<std::size_t> kBoundaries = {0, 1, 7, 8, 9, 15, 16, 17, 55, 56, 57, 1023, 1024, 1025, 2047, 2048, 3100};

std::vector<RoundTripCase> RoundTripCases() {
  std::vector<RoundTripCase> cases;
  for (std::uint32_t algorithm : {1u, 2u}) {
    const std::string a = algorithm == 1 ? "Des" : "Aes";
    for (bool each : {false, true}) {
      const std::string m = each ? "Each" : "One";
      cases.push_back({a + m + "TextOnly", algorithm, each, true, "Hello, this is the message.\r\nRegards", {}});
      cases.push_back({a + m + "FilesOnly", algorithm, each, false, "", {10, 5000}});
      cases.push_back({a + m + "TextAndFiles", algorithm, each, true, "see attachments", {0, 100, 70000}});
      cases.push_back({a + m + "EmptyText", algorithm, each, true, "", {}});
      cases.push_back({a + m + "EmptyFile", algorithm, each, false, "", {0}});
      cases.push_back({a + m + "Nothing", algorithm, each, false, "", {}});
    }
    cases.push_back({a + "Boundaries", algorithm, false, true, std::string(1500, 'x'), kBoundaries});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Shapes, OperationRoundTripTest, ::testing::ValuesIn(RoundTripCases()),
                         [](const auto& info) { return info.param.name; });

TEST_F(OperationsTest, TextLengthsAroundBlocksRoundTrip) {
  for (std::uint32_t algorithm : {1u, 2u}) {
    SetAlgorithm(algorithm);
    for (std::size_t n : {0, 1, 7, 8, 9, 15, 16, 17, 31, 32, 33, 1023, 1024, 1025, 5000}) {
      std::string text(n, 'a');
      for (std::size_t i = 0; i < n; ++i) text[i] = static_cast<char>('a' + (i * 7) % 26);
      EncryptResult made = EncryptItems(&text, {}, false, "k");
      ASSERT_EQ(made.result, RESULT_OK);
      const std::string moved = Keep(made.containers[0]);
      DecryptResult back = DecryptContainer(moved, "k", SELECTOR_LIST);
      ASSERT_EQ(back.result, RESULT_OK) << "algorithm " << algorithm << " length " << n;
      EXPECT_EQ(back.text, text);
    }
  }
}

TEST_F(OperationsTest, ALargeFileStreamsThrough) {
  // Checked by digest: neither side holds the file in memory.
  const std::uint64_t size = LargeFileSize();
  const std::string source = WriteLargeSource(Source("large.bin"), size);
  const std::string digest = FileMd5(source);
  for (std::uint32_t algorithm : {1u, 2u}) {
    SetAlgorithm(algorithm);
    EncryptResult made = EncryptItems(nullptr, {source}, false, "big");
    ASSERT_EQ(made.result, RESULT_OK);
    const std::string moved = Keep(made.containers[0]);
    DecryptResult back = DecryptContainer(moved, "big", SELECTOR_EVERYTHING);
    ASSERT_EQ(back.result, RESULT_OK);
    ASSERT_EQ(back.files.size(), 1u);
    EXPECT_EQ(FileMd5(back.files[0].path), digest);
    EXPECT_EQ(FileSizeAt(back.files[0].path.c_str()), static_cast<std::int64_t>(size));
    fs::remove(back.files[0].path);
    fs::remove(moved);
  }
}

// --- Layout -----------------------------------------------------------------------------

TEST_F(OperationsTest, WritesTheChunksInOrderWithTheirLengths) {
  for (std::uint32_t algorithm : {1u, 2u}) {
    SetAlgorithm(algorithm);
    const std::string a = WriteSource("a.txt", BytesOf(std::string(3000, 'q')));
    const std::string b = WriteSource("bb.dat", MixedBytes(100, 9));
    const std::string text = "twelve chars";
    std::vector<FileEntry> sources;
    EncryptResult made = EncryptItems(&text, {a, b}, false, "p", &sources);
    ASSERT_EQ(made.result, RESULT_OK);
    const std::uint32_t head = algorithm == 1 ? 8 : 16;
    const std::vector<ChunkHeader> chunks = ReadChunkHeaders(made.containers[0]);
    const std::vector<ChunkHeader> expected = {
        {1, 8}, {10, 16}, {4, 1}, {5, 16 + 12 + head},
        {6, 5 + 25 + sources[0].size + head}, {6, 6 + 25 + sources[1].size + head}};
    EXPECT_EQ(chunks, expected) << "algorithm " << algorithm;
    const Bytes bytes = ReadFileBytes(made.containers[0]);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 24), "VEK!(C)ORVANEL-05/994.10");
    EXPECT_EQ(bytes[24 + 8 * 3 + 8 + 16], algorithm);  // the ALGO byte
    EXPECT_EQ(static_cast<std::int64_t>(sources[0].size), FileSizeAt(CompressedCopy(a).c_str()));  // size became the compressed size
  }
}

TEST_F(OperationsTest, EveryContainerHasItsOwnSessionKey) {
  const std::string a = WriteSource("a.txt", BytesOf("same content"));
  const std::string text = "same text";
  EncryptResult one = EncryptItems(&text, {a}, false, "p");
  const Bytes first = ReadFileBytes(Keep(one.containers[0]));
  EncryptResult two = EncryptItems(&text, {a}, false, "p");
  const Bytes second = ReadFileBytes(two.containers[0]);
  ASSERT_EQ(first.size(), second.size());
  EXPECT_NE(first, second);
  EXPECT_NE(Bytes(first.begin() + 32, first.begin() + 40), Bytes(second.begin() + 32, second.begin() + 40));

  EncryptResult each = EncryptItems(&text, {a, a, a}, true, "p");
  ASSERT_EQ(each.result, RESULT_OK);
  ASSERT_EQ(each.names, (std::vector<std::string>{"text.vek", "000.vek", "001.vek", "002.vek"}));
  std::vector<Bytes> keys;
  for (const std::string& path : each.containers) {
    const Bytes bytes = ReadFileBytes(path);
    keys.emplace_back(bytes.begin() + 32, bytes.begin() + 40);
  }
  for (std::size_t i = 0; i < keys.size(); ++i)
    for (std::size_t j = 0; j < i; ++j) EXPECT_NE(keys[i], keys[j]);
}

// --- Failures of the encryption --------------------------------------------------------

TEST_F(OperationsTest, EncryptionFailuresLeaveNoContainer) {
  const std::string good = WriteSource("good.txt", BytesOf("content"));
  const std::string missing = Source("missing.txt");
  for (bool each : {false, true}) {
    // The compressor cannot open the source: it says so itself; the codec row failed.
    BoxDoubleReset();
    ProgressRecorder progress;
    EncryptResult made = EncryptItems(nullptr, {good, missing}, each, "p");
    EXPECT_EQ(made.result, RESULT_STAGE_FAILED);
    ASSERT_EQ(BoxDoubleLog().size(), 1u);
    EXPECT_NE(BoxDoubleLog()[0].text.find("to compress"), std::string::npos);
    const auto failed = each ? progress.Values(NOTIFY_CODEC) : progress.Values(NOTIFY_CIPHER);
    ASSERT_FALSE(failed.empty());
    EXPECT_EQ(failed.back(), PROGRESS_FAILED);
    EXPECT_EQ(WorkFiles(), std::vector<std::string>{}) << "each " << each;
  }
}

// Another program's operation (a self-extractor beside the main program) is using the
// temporary folder's work files: this operation writes nothing there and says that the
// temporary file cannot be used; once they are free again it runs.
TEST_F(OperationsTest, WorkFilesInUseElsewhereAreLeftAlone) {
  const std::string a = WriteSource("a.txt", BytesOf("content"));
  const std::string text = "the text";
  const EncryptResult made = EncryptItems(&text, {a}, false, "p");
  ASSERT_EQ(made.result, RESULT_OK);
  const std::string container = Keep(made.containers[0]);
  {
    LockedElsewhere other(TempFolder());
    ASSERT_TRUE(other.taken());
    for (bool each : {false, true}) {
      ProgressRecorder progress;
      EXPECT_EQ(EncryptItems(&text, {a}, each, "p").result, RESULT_TEMP_FILE) << "each " << each;
      EXPECT_EQ(progress.Values(NOTIFY_CIPHER), std::vector<std::uint32_t>{PROGRESS_FAILED});
    }
    ProgressRecorder progress;
    const DecryptResult refused = DecryptContainer(container, "p", SELECTOR_EVERYTHING);
    EXPECT_EQ(refused.result, RESULT_TEMP_FILE);
    EXPECT_EQ(progress.Values(NOTIFY_CIPHER), std::vector<std::uint32_t>{PROGRESS_FAILED});
    EXPECT_EQ(WorkFiles(), std::vector<std::string>{});
  }
  const DecryptResult back = DecryptContainer(container, "p", SELECTOR_EVERYTHING);
  ASSERT_EQ(back.result, RESULT_OK);
  EXPECT_EQ(back.text, text);
  ASSERT_EQ(back.files.size(), 1u);
  fs::remove_all(fs::path(back.files[0].path).parent_path());
}

TEST_F(OperationsTest, AContainerThatCannotBeCreatedIsF002) {
  SetTempFolder(Source("no such folder").c_str());
  ProgressRecorder progress;
  const std::string text = "t";
  EXPECT_EQ(EncryptItems(&text, {}, false, "p").result, RESULT_TEMP_FILE);
  EXPECT_EQ(progress.Values(NOTIFY_CIPHER), std::vector<std::uint32_t>{PROGRESS_FAILED});
  EXPECT_EQ(EncryptItems(&text, {}, true, "p").result, RESULT_TEMP_FILE);
}

#ifndef _WIN32
TEST_F(OperationsTest, AFileTooLargeForAChunkIsRefusedBeforeAnythingIsWritten) {
  // A sparse file of 4 GiB + 1: its compressed image could not be counted in 32 bits.
  const std::string huge = Source("huge.bin");
  { FileHandle out = FileOpen(huge.c_str(), "wb"); }
  fs::resize_file(huge, (std::uint64_t{1} << 32) + 1);
  const std::string small = WriteSource("small.txt", BytesOf("small"));
  for (bool each : {false, true}) {
    ProgressRecorder progress;
    EXPECT_EQ(EncryptItems(nullptr, {small, huge}, each, "p").result, RESULT_TOO_LARGE);
    EXPECT_EQ(progress.Values(NOTIFY_CIPHER), std::vector<std::uint32_t>{PROGRESS_FAILED});
    EXPECT_TRUE(progress.Values(NOTIFY_CODEC).empty());  // nothing was compressed
    EXPECT_EQ(WorkFiles(), std::vector<std::string>{});
  }
}
#endif

TEST_F(OperationsTest, DecryptionFailuresToOpenAreF003AndF002) {
  {
    ProgressRecorder progress;
    EXPECT_EQ(DecryptContainer(Source("missing.vek"), "p", SELECTOR_EVERYTHING).result, RESULT_CANNOT_OPEN);
    EXPECT_EQ(progress.Values(NOTIFY_CIPHER), std::vector<std::uint32_t>{PROGRESS_FAILED});
  }
  // The folder for the decrypted files cannot be made: the temporary folder is a file.
  const std::string a = WriteSource("a.txt", BytesOf("content"));
  const std::string container = Keep(EncryptItems(nullptr, {a}, false, "p").containers[0]);
  WriteFileBytes(Source("not a folder"), BytesOf("x"));
  SetTempFolder(Source("not a folder").c_str());
  ProgressRecorder progress;
  EXPECT_EQ(DecryptContainer(container, "p", 0).result, RESULT_TEMP_FILE);
  EXPECT_EQ(progress.Values(NOTIFY_CIPHER).back(), PROGRESS_FAILED);
}

#ifndef _WIN32
TEST_F(OperationsTest, AFullDiskFailsTheEncryptionAndLeavesNothing) {
  // The container lands on a device that takes no byte.
  for (bool each : {false, true}) {
    for (const char* target : {"multfile.vek", "text.vek", "000.vek"}) fs::create_symlink("/dev/full", Work(target));
    const std::string a = WriteSource("a.txt", MixedBytes(5000, 3));
    const std::string text = "some text";
    ProgressRecorder progress;
    EncryptResult made = EncryptItems(&text, {a}, each, "p");
    EXPECT_EQ(made.result, RESULT_TEMP_FILE) << "each " << each;
    EXPECT_EQ(progress.Values(NOTIFY_CIPHER).back(), PROGRESS_FAILED);
    for (const char* target : {"multfile.vek", "text.vek", "000.vek"}) fs::remove(Work(target));
    EXPECT_EQ(WorkFiles(), std::vector<std::string>{});
  }
  // Containers whose bytes all wait in the stream's buffer fail only when closed: one
  // with no items, and AES text containers (the AES stream does not flush).
  const std::string text = "some text";
  const struct {
    const std::string* text;
    std::uint32_t algorithm;
    bool each;
  } close_cases[] = {{nullptr, 1, false}, {nullptr, 2, false}, {&text, 2, false}, {&text, 2, true}};
  for (const auto& c : close_cases) {
    SetAlgorithm(c.algorithm);
    for (const char* target : {"multfile.vek", "text.vek"}) fs::create_symlink("/dev/full", Work(target));
    EXPECT_EQ(EncryptItems(c.text, {}, c.each, "p").result, RESULT_TEMP_FILE)
        << (c.text ? "text" : "nothing") << ", algorithm " << c.algorithm << ", each " << c.each;
    for (const char* target : {"multfile.vek", "text.vek"}) fs::remove(Work(target));
    EXPECT_EQ(WorkFiles(), std::vector<std::string>{});
  }
  SetAlgorithm(1);
  // The compressed image goes straight into the container, never through a work file:
  // a "vek_compr.tmp" that refuses every byte is neither used nor touched.
  fs::create_symlink("/dev/full", Work("vek_compr.tmp"));
  const std::string a = WriteSource("b.txt", MixedBytes(5000, 4));
  BoxDoubleReset();
  const EncryptResult made = EncryptItems(nullptr, {a}, false, "p");
  EXPECT_EQ(made.result, RESULT_OK);
  EXPECT_TRUE(BoxDoubleLog().empty());
  EXPECT_TRUE(fs::is_symlink(Work("vek_compr.tmp")));
  fs::remove(Work("vek_compr.tmp"));
}
#endif

// --- Decryption: selectors and wrong passphrases ---------------------------------------

TEST_F(OperationsTest, SelectorsChooseWhatIsDecrypted) {
  std::vector<std::string> paths;
  for (int i = 0; i < 5; ++i) paths.push_back(WriteSource("f" + std::to_string(i) + ".txt", MixedBytes(300 + i, i)));
  const std::string text = "the text";
  const std::string container = Keep(EncryptItems(&text, paths, false, "p").containers[0]);

  DecryptResult two = DecryptContainer(container, "p", 2);
  ASSERT_EQ(two.result, RESULT_OK);
  EXPECT_FALSE(two.has_text);
  ASSERT_EQ(two.files.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(two.files[i].name, "f" + std::to_string(i) + ".txt");
    EXPECT_EQ(two.files[i].container, container);
    EXPECT_EQ(two.files[i].path.empty(), i != 2) << i;
  }
  EXPECT_EQ(ReadFileBytes(two.files[2].path), MixedBytes(302, 2));

  DecryptResult list = DecryptContainer(container, "p", SELECTOR_LIST);
  ASSERT_EQ(list.result, RESULT_OK);
  EXPECT_EQ(list.text, text);
  for (const DecryptedFile& f : list.files) EXPECT_TRUE(f.path.empty());
  EXPECT_EQ(list.files.size(), 5u);

  for (std::uint32_t selector : {5u, SELECTOR_EVERYTHING}) {
    DecryptResult all = DecryptContainer(container, "p", selector);
    ASSERT_EQ(all.result, RESULT_OK);
    EXPECT_EQ(all.text, text);
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(ReadFileBytes(all.files[i].path), MixedBytes(300 + i, i));
      EXPECT_EQ(all.files[i].time.low, FileTimeOf(paths[i]).low);
      EXPECT_EQ(all.files[i].time.high, FileTimeOf(paths[i]).high);
    }
  }
}

TEST_F(OperationsTest, AWrongPassphraseShowsAsTheStoredDigestsSay) {
  const std::string text = "secret text";
  const std::string text_only = Keep(EncryptItems(&text, {}, false, "right").containers[0]);
  {
    ProgressRecorder progress;
    EXPECT_EQ(DecryptContainer(text_only, "wrong", SELECTOR_LIST).result, RESULT_WRONG_SIGNATURE);
    EXPECT_EQ(progress.Values(NOTIFY_DIGEST).back(), PROGRESS_FAILED);
  }
  // With files the text's digest is not checked: it comes back unreadable.
  const std::string a = WriteSource("a.txt", BytesOf("attached"));
  const std::string with_files = Keep(EncryptItems(&text, {a}, false, "right").containers[0]);
  DecryptResult listed = DecryptContainer(with_files, "wrong", SELECTOR_LIST);
  ASSERT_EQ(listed.result, RESULT_OK);
  EXPECT_NE(listed.text, text);
  // Decrypting the file itself fails on its digest and leaves nothing behind.
  ProgressRecorder progress;
  EXPECT_EQ(DecryptContainer(with_files, "wrong", SELECTOR_EVERYTHING).result, RESULT_WRONG_SIGNATURE);
  EXPECT_EQ(progress.Values(NOTIFY_DIGEST).back(), PROGRESS_FAILED);
  EXPECT_EQ(WorkFiles(), std::vector<std::string>{});
}

TEST_F(OperationsTest, APassphraseIsTestedWithoutDecrypting) {
  const std::string text = "x";
  const std::string container = Keep(EncryptItems(&text, {}, false, "open sesame").containers[0]);
  EXPECT_EQ(PassphraseOpensContainer(container.c_str(), "open sesame"), RESULT_OK);
  EXPECT_EQ(PassphraseOpensContainer(container.c_str(), "open sesam"), RESULT_WRONG_SIGNATURE);
  EXPECT_EQ(PassphraseOpensContainer(container.c_str(), ""), RESULT_WRONG_SIGNATURE);
  EXPECT_EQ(PassphraseOpensContainer(Source("none.vek").c_str(), "x"), RESULT_CANNOT_OPEN);
}

TEST_F(OperationsTest, OpenContainerReportsOnce) {
  const std::string text = "shown text";
  const std::string a = WriteSource("a.txt", BytesOf("a"));
  const std::string container = Keep(EncryptItems(&text, {a}, false, "p").containers[0]);
  FileEntry* entries = nullptr;
  std::uint32_t count = 0;
  char* opened = nullptr;
  ASSERT_EQ(OpenContainer(nullptr, container.c_str(), "p", &entries, &count, &opened), 1);
  EXPECT_STREQ(opened, "shown text");
  ASSERT_EQ(count, 1u);
  EXPECT_STREQ(entries[0].name, "a.txt");
  EXPECT_STREQ(entries[0].path, "");
  FileEntriesFree(entries);
  OperationTextFree(opened);

  BoxDoubleReset();
  WriteFileBytes(Source("old.vek"), ContainerBytes("2.40").bytes());
  EXPECT_EQ(OpenContainer(nullptr, Source("old.vek").c_str(), "p", &entries, &count, &opened), 0);
  ASSERT_EQ(BoxDoubleLog().size(), 1u);
  EXPECT_EQ(BoxDoubleLog()[0].text,
            "Unable to decrypt old.vek\nThis file may be encrypted with\nan older version than the 2.41.");
}

// The caller keeps the reported algorithm as "algo" for the next encryption, also after
// a failed decryption; the settings side is in settings_test.
TEST_F(OperationsTest, DecryptionReportsTheContainersAlgorithmWhateverItsResult) {
  SetAlgorithm(2);
  const std::string text = "x";
  const std::string aes = Keep(EncryptItems(&text, {}, false, "p").containers[0]);
  SetAlgorithm(1);
  EXPECT_EQ(DecryptContainer(aes, "p", SELECTOR_LIST).algorithm, 2u);
  const DecryptResult wrong = DecryptContainer(aes, "not p", SELECTOR_LIST);
  EXPECT_EQ(wrong.result, RESULT_WRONG_SIGNATURE);
  EXPECT_EQ(wrong.algorithm, 2u);

  FileEntry* entries = nullptr;
  std::uint32_t count = 0;
  char* opened = nullptr;
  std::uint32_t algorithm = 0;
  ASSERT_EQ(OpenContainer(nullptr, aes.c_str(), "p", &entries, &count, &opened, &algorithm), 1);
  EXPECT_EQ(algorithm, 2u);
  OperationTextFree(opened);
  FileEntriesFree(entries);

  // No ALGO chunk read: nothing to keep.
  WriteFileBytes(Source("bare.vek"), ContainerBytes("4.10").bytes());
  EXPECT_EQ(DecryptContainer(Source("bare.vek"), "p", SELECTOR_LIST).algorithm, ALGORITHM_UNREAD);
}

// The progress dialog's Cancel: the operation stops at the notification that got the
// answer (only failure marks follow it), removes everything it had made and returns
// 0xF007 without a message. Cancels are placed over the whole run: in the codec, the
// digest and the cipher stages.
std::vector<std::size_t> CancelPoints(std::size_t events) {
  return {0, events / 4, events / 2, 3 * events / 4};
}

void ExpectStoppedAt(const ProgressRecorder& progress, std::size_t at, const std::string& what) {
  ASSERT_GT(progress.events().size(), at) << what;
  for (std::size_t i = at + 1; i < progress.events().size(); ++i)
    EXPECT_EQ(progress.events()[i].second, PROGRESS_FAILED) << what << ": notification " << i << " after the cancel";
}

TEST_F(OperationsTest, ACancelledEncryptionStopsAndLeavesNothing) {
  const std::string a = WriteSource("a.bin", MixedBytes(300000, 3));
  const std::string text = "a text before the file";
  for (int threads : {1, 2}) {
    ThreadsScope scope(threads);
    for (bool each : {false, true}) {
      for (std::uint32_t algorithm : {1u, 2u}) {
        SetAlgorithm(algorithm);
        std::size_t events = 0;
        {
          ProgressRecorder progress;
          ASSERT_EQ(EncryptItems(&text, {a}, each, "p").result, RESULT_OK);
          events = progress.events().size();
        }
        for (const std::string& made : WorkFiles()) fs::remove(Work(made));
        for (std::size_t at : CancelPoints(events)) {
          const std::string what = "threads " + std::to_string(threads) + " each " + std::to_string(each) +
                                   " algorithm " + std::to_string(algorithm) + " cancel at " + std::to_string(at) +
                                   " of " + std::to_string(events);
          BoxDoubleReset();
          ProgressRecorder progress;
          progress.CancelAt(at);
          EXPECT_EQ(EncryptItems(&text, {a}, each, "p").result, RESULT_STAGE_FAILED) << what;
          ExpectStoppedAt(progress, at, what);
          EXPECT_TRUE(progress.OnItsThread()) << what;
          EXPECT_EQ(WorkFiles(), std::vector<std::string>{}) << what;
          EXPECT_TRUE(BoxDoubleLog().empty()) << what;
        }
        // The next operation is not cancelled by the last one's answer.
        EXPECT_EQ(EncryptItems(&text, {a}, each, "p").result, RESULT_OK);
        for (const std::string& made : WorkFiles()) fs::remove(Work(made));
      }
    }
  }
}

TEST_F(OperationsTest, ACancelledDecryptionStopsAndLeavesNothing) {
  const std::string a = WriteSource("a.bin", MixedBytes(300000, 4));
  const std::string text = "a text before the file";
  for (std::uint32_t algorithm : {1u, 2u}) {
    SetAlgorithm(algorithm);
    const std::string container = Keep(EncryptItems(&text, {a}, false, "p").containers[0]);
    for (int threads : {1, 2}) {
      ThreadsScope scope(threads);
      std::size_t events = 0;
      {
        ProgressRecorder progress;
        const DecryptResult back = DecryptContainer(container, "p", SELECTOR_EVERYTHING);
        ASSERT_EQ(back.result, RESULT_OK);
        events = progress.events().size();
        fs::remove_all(fs::path(back.files[0].path).parent_path());
      }
      for (std::size_t at : CancelPoints(events)) {
        const std::string what = "threads " + std::to_string(threads) + " algorithm " + std::to_string(algorithm) +
                                 " cancel at " + std::to_string(at) + " of " + std::to_string(events);
        BoxDoubleReset();
        ProgressRecorder progress;
        progress.CancelAt(at);
        EXPECT_EQ(DecryptContainer(container, "p", SELECTOR_EVERYTHING).result, RESULT_STAGE_FAILED) << what;
        ExpectStoppedAt(progress, at, what);
        EXPECT_TRUE(progress.OnItsThread()) << what;
        EXPECT_EQ(WorkFiles(), std::vector<std::string>{}) << what;
        EXPECT_TRUE(BoxDoubleLog().empty()) << what;
      }
    }
  }
}

// What a container tells without its passphrase: the stored names, times and the
// sizes of the compressed images.
TEST_F(OperationsTest, TheListingShowsStoredNamesSizesAndTimes) {
  for (std::uint32_t algorithm : {1u, 2u}) {
    SetAlgorithm(algorithm);
    const std::string a = WriteSource("a.bin", MixedBytes(5000, 1));
    const std::string b = WriteSource("b.txt", BytesOf("short"));
    const std::string text = "listed";
    std::vector<FileEntry> sources;
    const std::string container = Keep(EncryptItems(&text, {a, b}, false, "p", &sources).containers[0]);
    ContainerListing listing;
    ASSERT_EQ(ContainerList(container.c_str(), &listing), RESULT_OK);
    EXPECT_EQ(listing.version, "4.10");
    EXPECT_EQ(listing.info.algorithm, algorithm);
    EXPECT_EQ(listing.info.file_count, 2u);
    ASSERT_EQ(listing.files.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
      EXPECT_EQ(listing.files[i].name, sources[i].name);
      EXPECT_EQ(listing.files[i].stored_size, sources[i].size);  // the compressed size
      EXPECT_EQ(FileTimeValue(listing.files[i].time), FileTimeValue(sources[i].time));
    }
    EXPECT_EQ(ContainerStoredBytes(container.c_str()), std::uint64_t{sources[0].size} + sources[1].size);
  }
}

#ifndef _WIN32
// Work files and decrypted files are closed to other users while the operation runs:
// the receiver looks at every file in the temporary folder at each notification.
struct ModeSeen {
  std::string work;
  std::map<std::string, unsigned> modes;  // relative name -> st_mode
};

int LookAtModes(void* context, std::uint32_t, std::uint32_t) {
  auto* seen = static_cast<ModeSeen*>(context);
  for (const auto& item : fs::recursive_directory_iterator(seen->work)) {
    struct stat st;
    if (lstat(item.path().c_str(), &st) == 0)
      seen->modes[fs::relative(item.path(), seen->work).string()] = st.st_mode;
  }
  return RECEIVER_GO_ON;
}

TEST_F(OperationsTest, WorkFilesAreOnlyForTheUser) {
  const mode_t old_mask = umask(022);
  const std::string a = WriteSource("a.bin", MixedBytes(20000, 8));
  const std::string text = "text";
  SetAlgorithm(1);
  ModeSeen seen{std::string(TempFolder()), {}};
  ProgressSetReceiver(LookAtModes, &seen);
  const EncryptResult made = EncryptItems(&text, {a}, false, "p");
  const std::string container = made.result == RESULT_OK ? Keep(made.containers[0]) : "";
  const DecryptResult back = container.empty() ? DecryptResult{} : DecryptContainer(container, "p", SELECTOR_EVERYTHING);
  ProgressClearReceiver();
  umask(old_mask);
  ASSERT_EQ(made.result, RESULT_OK);
  ASSERT_EQ(back.result, RESULT_OK);
  for (const char* expected : {"multfile.vek", "vek_compr.tmp", "~~txt.vek"})
    EXPECT_EQ(seen.modes.count(expected), 1u) << expected << " was never seen";
  bool saw_decrypted = false;
  for (const auto& [name, mode] : seen.modes) {
    EXPECT_EQ(mode & 07777, S_ISDIR(mode) ? 0700u : 0600u) << name;
    if (name.find("/a.bin") != std::string::npos) saw_decrypted = true;
  }
  EXPECT_TRUE(saw_decrypted);
  fs::remove_all(fs::path(back.files[0].path).parent_path());
}
#endif

// --- Containers of other writers ------------------------------------------------------

struct ForeignCase {
  const char* name;
  ForeignOptions options;
  friend void PrintTo(const ForeignCase& c, std::ostream* os) { *os << c.name; }
};

class ForeignContainerTest : public OperationFixture, public ::testing::WithParamInterface<ForeignCase> {};

TEST_P(ForeignContainerTest, OpensWithThePassphraseOrTheSessionKey) {
  const ForeignOptions& o = GetParam().options;
  const Bytes file = MixedBytes(2500, 7);
  const std::string text = "foreign text";
  const std::string path = WriteForeignContainer(Source("foreign.vek"), o, text, "doc.bin", file);

  EXPECT_EQ(PassphraseOpensContainer(path.c_str(), "their pass"), RESULT_OK);
  EXPECT_EQ(PassphraseOpensContainer(path.c_str(), "not theirs"), RESULT_WRONG_SIGNATURE);
  for (bool by_key : {false, true}) {
    DecryptResult back = by_key ? DecryptWithSessionKey(path, o.session_key, SELECTOR_EVERYTHING)
                                : DecryptContainer(path, "their pass", SELECTOR_EVERYTHING);
    ASSERT_EQ(back.result, RESULT_OK) << "by key " << by_key;
    EXPECT_EQ(back.text, text);
    ASSERT_EQ(back.files.size(), 1u);
    EXPECT_EQ(back.files[0].name, "doc.bin");
    EXPECT_EQ(ReadFileBytes(back.files[0].path), file);
  }
}

ForeignOptions Foreign(std::uint32_t algorithm, std::uint32_t key_length, bool tags, bool khsh, bool khhk,
                       bool hdrs, const char* version = "4.10") {
  ForeignOptions o;
  o.algorithm = algorithm;
  o.key_length = key_length;
  o.tags = tags;
  o.khsh = khsh;
  o.khhk = khhk;
  o.hdrs = hdrs;
  o.version = version;
  for (int i = 0; i < 16; ++i) o.session_key[i] = static_cast<std::uint8_t>(0x31 * i + 7);
  return o;
}

INSTANTIATE_TEST_SUITE_P(
    Writers, ForeignContainerTest,
    ::testing::Values(ForeignCase{"Des8Khhk", Foreign(1, 8, false, false, true, false)},
                      ForeignCase{"Aes8Tags", Foreign(2, 8, true, false, true, false)},
                      ForeignCase{"Aes16", Foreign(2, 16, false, false, true, false)},
                      ForeignCase{"TripleDes16", Foreign(1, 16, false, false, true, false)},
                      ForeignCase{"TripleDes16KhshHdrs", Foreign(1, 16, false, true, false, true)},
                      ForeignCase{"Des8KhshAndKhhk", Foreign(1, 8, false, true, true, true)},
                      ForeignCase{"Aes8Version400", Foreign(2, 8, true, true, false, true, "4.00")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OperationsTest, KhshWinsOverKhhk) {
  // A KHHK that matches no key at all: only KHSH can open it.
  ForeignOptions o = Foreign(1, 8, false, true, true, false);
  o.spoil_khhk = true;
  const std::string path = WriteForeignContainer(Source("k.vek"), o, "t", "", {});
  EXPECT_EQ(PassphraseOpensContainer(path.c_str(), "their pass"), RESULT_OK);
  o.khsh = false;
  const std::string only_khhk = WriteForeignContainer(Source("k2.vek"), o, "t", "", {});
  EXPECT_EQ(PassphraseOpensContainer(only_khhk.c_str(), "their pass"), RESULT_WRONG_SIGNATURE);
}

TEST_F(OperationsTest, AHeaderDigestThatDiffersIsF001) {
  ForeignOptions o = Foreign(2, 8, false, true, false, true);
  o.spoil_hdrs = true;
  const std::string path = WriteForeignContainer(Source("h.vek"), o, "t", "", {});
  ProgressRecorder progress;
  EXPECT_EQ(DecryptContainer(path, "their pass", SELECTOR_LIST).result, RESULT_WRONG_SIGNATURE);
  EXPECT_EQ(progress.Values(NOTIFY_DIGEST).back(), PROGRESS_FAILED);
}

// A padding count over 8 is refused whatever the text's length: a longer text with a
// count it could hold must not come back shortened, not even beside files, where the
// text's digest is not checked.
TEST_F(OperationsTest, TripleDesPaddingOutOfRangeIsF001) {
  const std::string long_text(100, 't');
  const struct {
    const std::string* text;
    int padding;
    bool with_file;
  } cases[] = {{nullptr, 9, false}, {&long_text, 9, false}, {&long_text, 16, true},
               {&long_text, 9, true}, {&long_text, 100, true}};
  const std::string short_text = "text";
  for (const auto& c : cases) {
    const std::string& text = c.text ? *c.text : short_text;
    const std::string what = std::to_string(text.size()) + " bytes, padding " + std::to_string(c.padding) +
                             (c.with_file ? ", with a file" : "");
    ForeignOptions o = Foreign(1, 16, false, false, true, false);
    o.padding_byte = c.padding;
    const std::string path =
        WriteForeignContainer(Source("p.vek"), o, text, c.with_file ? "f.bin" : "", c.with_file ? Bytes(50, 1) : Bytes{});
    EXPECT_EQ(DecryptContainer(path, "their pass", SELECTOR_LIST).result, RESULT_WRONG_SIGNATURE) << what;
    BoxDoubleReset();
    FileEntry* entries = nullptr;
    std::uint32_t count = 0;
    char* opened = nullptr;
    EXPECT_EQ(OpenContainer(nullptr, path.c_str(), "their pass", &entries, &count, &opened), 0) << what;
    EXPECT_EQ(BoxDoubleLog().size(), 1u) << what;
  }
}

TEST_F(OperationsTest, OlderVersionsAreRefused) {
  const struct {
    const char* version;
    std::uint32_t result;
    bool cipher_row_failed;
  } cases[] = {{"2.40", RESULT_OLD_VERSION, true}, {"2.45", RESULT_WRONG_FORMAT, false},
               {"3.10", RESULT_WRONG_FORMAT, false}, {"3.99", RESULT_WRONG_FORMAT, false}};
  for (const auto& c : cases) {
    const std::string path = WriteForeignContainer(Source("v.vek"), Foreign(1, 8, false, false, true, false, c.version),
                                                   "t", "", {});
    ProgressRecorder progress;
    EXPECT_EQ(DecryptContainer(path, "their pass", SELECTOR_LIST).result, c.result) << c.version;
    EXPECT_EQ(PassphraseOpensContainer(path.c_str(), "their pass"), c.result) << c.version;
    EXPECT_EQ(progress.Values(NOTIFY_CIPHER).empty(), !c.cipher_row_failed) << c.version;
  }
}

TEST_F(OperationsTest, ADamagedCompressedImageIsTheCodecsFailure) {
  ForeignOptions o = Foreign(2, 8, false, false, true, false);
  o.raw_file_image = true;  // the FILE chunk carries these bytes as its compressed image
  const Bytes not_records = {1, 0xFF, 0xFF, 1, 2, 3};
  const std::string path = WriteForeignContainer(Source("c.vek"), o, "t", "bad.bin", not_records);
  BoxDoubleReset();
  ProgressRecorder progress;
  EXPECT_EQ(DecryptContainer(path, "their pass", SELECTOR_EVERYTHING).result, RESULT_STAGE_FAILED);
  EXPECT_EQ(progress.Values(NOTIFY_CODEC).back(), PROGRESS_FAILED);
  ASSERT_EQ(BoxDoubleLog().size(), 1u);
  EXPECT_EQ(BoxDoubleLog()[0].text, "Format du fichier compress\xE9 erron\xE9");
  EXPECT_EQ(WorkFiles(), std::vector<std::string>{});
}

// --- Hostile and damaged containers ---------------------------------------------------

struct HostileCase {
  std::string what;
  Bytes chunks;  // after a valid KHKY/KHHK/ALGO opening (or instead of it)
  bool with_key;
  friend void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.what; }
};

class HostileContainerTest : public OperationFixture, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileContainerTest, IsRefusedWithNothingWritten) {
  const HostileCase& c = GetParam();
  const std::string path = Source("hostile.vek");
  WriteHostileContainer(path, c.chunks, c.with_key, "p");
  const auto before = AllFilesUnder(Root());
  ProgressRecorder progress;
  EXPECT_EQ(DecryptContainer(path, "p", SELECTOR_EVERYTHING).result, RESULT_WRONG_FORMAT) << c.what;
  EXPECT_EQ(AllFilesUnder(Root()), before) << c.what;
  EXPECT_EQ(progress.Values(NOTIFY_CIPHER), std::vector<std::uint32_t>{PROGRESS_FAILED});
}

std::vector<HostileCase> HostileCases() {
  std::vector<HostileCase> cases;
  const char* names[] = {"..",        ".",          "",          "..\\evil.txt", "../evil.txt", "sub\\x",
                         "sub/x",     "C:evil",     "con",       "NUL.txt",      "com1",        "LPT9.log",
                         "conin$",    "a\001b",  "tab\tname", "trail.",       "trail ",      "q?.txt",
                         "COM\xB9",   "lpt\xB3.txt",
                         "star*.txt", "pipe|x",     "lt<x",      "gt>x",         "quote\"x"};
  for (const char* name : names) cases.push_back({std::string("name ") + name, HostileFileChunk(name), true});
  cases.push_back({"repeated name", Concat({GoodFileChunk("Same.txt"), GoodFileChunk("same.TXT")}), true});
  cases.push_back({"file before any key", GoodFileChunk("early.txt"), false});
  cases.push_back({"text before any key", GoodTextChunk(), false});
  cases.push_back({"text shorter than digest and head", RawChunk(5, Bytes(16 + 15, 0)), true});
  cases.push_back({"file shorter than its parts and head", RawChunk(6, Concat({BytesOf("n.txt"), Bytes(1 + 24 + 15, 0)})), true});
  cases.push_back({"file name without zero", RawChunk(6, Bytes(400, 'n')), true});
  cases.push_back({"chunk past the end", ChunkClaiming(6, 5000, GoodFileChunkData("x.txt")), true});
  cases.push_back({"huge length", ChunkClaiming(5, 0xFFFFFFF0u, Bytes(40, 0)), true});
  cases.push_back({"key of 12 bytes", RawChunk(1, Bytes(12, 1)), true});
  cases.push_back({"algorithm of 5 bytes", RawChunk(4, Bytes(5, 1)), true});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileContainerTest, ::testing::ValuesIn(HostileCases()),
                         [](const auto& info) { return std::to_string(info.index) + "_" + TestName(info.param.what); });

TEST_F(OperationsTest, DecryptedFilesStayInTheirOwnFolder) {
  // Files named like the work files and like an unrelated file of the temporary folder.
  WriteFileBytes(Work("unrelated.txt"), BytesOf("keep me"));
  const std::string a = WriteSource("vek_compr.tmp", BytesOf("first"));
  const std::string b = WriteSource("~~txt.vek", BytesOf("second"));
  const std::string c = WriteSource("unrelated.txt", BytesOf("third"));
  const std::string text = "t";
  const std::string container = Keep(EncryptItems(&text, {a, b, c}, false, "p").containers[0]);
  DecryptResult back = DecryptContainer(container, "p", SELECTOR_EVERYTHING);
  ASSERT_EQ(back.result, RESULT_OK);
  EXPECT_EQ(ReadFileBytes(back.files[0].path), BytesOf("first"));
  EXPECT_EQ(ReadFileBytes(back.files[1].path), BytesOf("second"));
  EXPECT_EQ(ReadFileBytes(back.files[2].path), BytesOf("third"));
  EXPECT_EQ(ReadFileBytes(Work("unrelated.txt")), BytesOf("keep me"));
  const fs::path folder = fs::path(back.files[0].path).parent_path();
  EXPECT_EQ(folder.parent_path(), fs::path(Work("")).parent_path());
  for (const DecryptedFile& f : back.files) EXPECT_EQ(fs::path(f.path).parent_path(), folder);
}

TEST_F(OperationsTest, ATruncatedContainerIsRefused) {
  const std::string a = WriteSource("a.bin", MixedBytes(4000, 5));
  const std::string text = "t";
  const std::string container = Keep(EncryptItems(&text, {a}, false, "p").containers[0]);
  Bytes bytes = ReadFileBytes(container);
  for (std::size_t cut : {std::size_t{1}, std::size_t{8}, std::size_t{100}, bytes.size() - 30}) {
    WriteFileBytes(Source("cut.vek"), Bytes(bytes.begin(), bytes.end() - static_cast<std::ptrdiff_t>(cut)));
    const std::uint32_t result = DecryptContainer(Source("cut.vek"), "p", SELECTOR_EVERYTHING).result;
    EXPECT_EQ(result, RESULT_WRONG_FORMAT) << "cut " << cut;
  }
  EXPECT_EQ(WorkFiles(), std::vector<std::string>{});
}

#ifndef _WIN32
TEST_F(OperationsTest, DecryptingOntoAFullDiskFails) {
  const std::string a = WriteSource("a.bin", MixedBytes(4000, 5));
  const std::string text = "some text to decrypt";
  const std::string container = Keep(EncryptItems(&text, {a}, false, "p").containers[0]);
  // The restored file cannot be written.
  fs::create_symlink("/dev/full", Work("vek_compr.tmp"));
  BoxDoubleReset();
  EXPECT_EQ(DecryptContainer(container, "p", SELECTOR_EVERYTHING).result, RESULT_STAGE_FAILED);
  EXPECT_EQ(BoxDoubleLog().size(), 1u);
  fs::remove(Work("vek_compr.tmp"));
  // The text's work file cannot be written.
  fs::create_symlink("/dev/full", Work("~~txt.vek"));
  EXPECT_EQ(DecryptContainer(container, "p", SELECTOR_LIST).result, RESULT_TEMP_FILE);
  fs::remove(Work("~~txt.vek"));
  EXPECT_EQ(WorkFiles(), std::vector<std::string>{});
}
#endif

TEST(FileNameTest, PlainNamesOnly) {
  // Superscript one, two and three (bytes B9, B2, B3) count as digits of a device name;
  // other signs of that range do not.
  for (const char* good : {"a", "report.doc", "CONSOLE", "com10", "LPT0", "a b", "x.y.z", "\xE9t\xE9.txt", ".hidden",
                           "COM\xB4", "LPT\xBC", "COM\xB9\xB9", "LPT\xB3x", "\xB9" "COM"})
    EXPECT_TRUE(FileNameIsPlain(good)) << good;
  for (const char* bad : {"", ".", "..", "a\\b", "a/b", "c:x", "CON", "con.txt", "Nul", "aux.x.y", "COM3", "lpt1.txt",
                          "CONOUT$", "x\x7f", "x\n", "end.", "end ", "a*b", "a?b", "a<b", "a>b", "a|b", "a\"b",
                          "COM\xB9", "COM\xB2", "com\xB3", "LPT\xB9", "lpt\xB2.txt", "LPT\xB3 .doc", "Com\xB2.a.b"})
    EXPECT_FALSE(FileNameIsPlain(bad)) << bad;
  EXPECT_FALSE(FileNameIsPlain(std::string(260, 'a').c_str()));
  EXPECT_TRUE(FileNameIsPlain(std::string(259, 'a').c_str()));
  EXPECT_TRUE(FileNamesEqual("Report.DOC", "report.doc"));
  EXPECT_FALSE(FileNamesEqual("report.doc", "report.docx"));
}

}  // namespace
