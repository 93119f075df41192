// The container reader: header and version classes, chunk kinds by number and tag,
// framing against the file size, the limits of each chunk kind, the chunk walk, the
// writer and CountContainers.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "container/format.h"
#include "container/result.h"
#include "platform/common/msgbox_double.h"
#include "platform/fileio.h"
#include "tests/support/test_support.h"

namespace {

Bytes Zeros(std::size_t n) { return Bytes(n, 0); }

// The chunks a writer emits for a text of 20 bytes and two files, algorithm 2.
ContainerBytes TypicalContainer(bool tags) {
  auto type = [tags](std::uint32_t number, const char* tag) { return tags ? TagNumber(tag) : number; };
  ContainerBytes c("4.10");
  c.Chunk(type(1, "KHKY"), Zeros(8))
      .Chunk(type(10, "KHHK"), Zeros(16))
      .Chunk(type(4, "ALGO"), Bytes{2})
      .Chunk(type(5, "TEXT"), Zeros(16 + 20 + 16))
      .Chunk(type(6, "FILE"), FileChunkData("a.txt", 40))
      .Chunk(type(6, "FILE"), FileChunkData("b.doc", 0));
  return c;
}

class ContainerReadInfoTest : public ::testing::Test {
 protected:
  std::uint32_t Read(const ContainerBytes& c) {
    c.WriteTo(path_);
    return ContainerReadInfo(path_.c_str(), &info_);
  }
  std::uint32_t Read(const Bytes& raw) {
    WriteFileBytes(path_, raw);
    return ContainerReadInfo(path_.c_str(), &info_);
  }
  TempDir dir_;
  std::string path_ = dir_.File("c.vek");
  ContainerInfo info_{};
};

TEST_F(ContainerReadInfoTest, SummarisesAWrittenContainer) {
  ASSERT_EQ(Read(TypicalContainer(false)), RESULT_OK);
  EXPECT_EQ(info_.text_length, 36u);
  EXPECT_EQ(info_.file_count, 2u);
  EXPECT_EQ(info_.version_class, 5u);
  EXPECT_EQ(info_.algorithm, 2u);
  EXPECT_EQ(info_.key_length, 8u);
}

TEST_F(ContainerReadInfoTest, TagsReadLikeNumbers) {
  ASSERT_EQ(Read(TypicalContainer(true)), RESULT_OK);
  EXPECT_EQ(info_.text_length, 36u);
  EXPECT_EQ(info_.file_count, 2u);
  EXPECT_EQ(info_.algorithm, 2u);
  EXPECT_EQ(info_.key_length, 8u);
}

TEST_F(ContainerReadInfoTest, KeyChunksAloneAreAValidContainer) {
  ContainerBytes c;
  c.Chunk(1, Zeros(8)).Chunk(10, Zeros(16)).Chunk(4, Bytes{1});
  ASSERT_EQ(Read(c), RESULT_OK);
  EXPECT_EQ(info_.text_length, 0u);
  EXPECT_EQ(info_.file_count, 0u);
  EXPECT_EQ(info_.algorithm, 1u);
}

TEST_F(ContainerReadInfoTest, UnknownKindsAreSkippedAndLastChunksWin) {
  ContainerBytes c;
  c.Chunk(1, Zeros(8))
      .Chunk(0x77, Zeros(100))          // unknown number
      .Chunk(TagNumber("ZZZZ"), Zeros(3))  // unknown tag
      .Chunk(8, Zeros(5))               // KNEP
      .Chunk(TagNumber("KRID"), Zeros(7))
      .Chunk(4, Bytes{0x01, 0x02, 0x03, 0x04})
      .Chunk(4, Bytes{0x05})            // a later ALGO replaces the whole field
      .Chunk(5, Zeros(16 + 4 + 8))
      .Chunk(1, Zeros(16))
      .Chunk(5, Zeros(16));             // an empty text
  ASSERT_EQ(Read(c), RESULT_OK);
  EXPECT_EQ(info_.algorithm, 5u);
  EXPECT_EQ(info_.key_length, 16u);
  EXPECT_EQ(info_.text_length, 0u);
}

TEST_F(ContainerReadInfoTest, AlgoBytesAreLittleEndian) {
  ContainerBytes c;
  c.Chunk(4, Bytes{0x01, 0x02, 0x03, 0x84});
  ASSERT_EQ(Read(c), RESULT_OK);
  EXPECT_EQ(info_.algorithm, 0x84030201u);
}

struct VersionCase {
  const char* version;
  std::uint32_t result;
  std::uint32_t version_class;
  std::uint32_t file_count;
  friend void PrintTo(const VersionCase& c, std::ostream* os) { *os << c.version; }
};

class ContainerVersionTest : public ContainerReadInfoTest,
                             public ::testing::WithParamInterface<VersionCase> {};

TEST_P(ContainerVersionTest, ClassesTheVersionField) {
  const VersionCase& v = GetParam();
  ContainerBytes c(v.version);
  c.Chunk(6, FileChunkData("x", 8)).Chunk(6, FileChunkData("y", 8));
  EXPECT_EQ(Read(c), v.result);
  EXPECT_EQ(info_.version_class, v.version_class);
  EXPECT_EQ(info_.file_count, v.file_count);
}

// Classes 2 to 4 are not walked: class 2 always counts one file.
INSTANTIATE_TEST_SUITE_P(Versions, ContainerVersionTest,
                         ::testing::Values(VersionCase{"1.00", RESULT_OLD_VERSION, 1, 0},
                                           VersionCase{"2.40", RESULT_OLD_VERSION, 1, 0},
                                           VersionCase{"2.41", RESULT_OK, 2, 1},
                                           VersionCase{"2.46", RESULT_OK, 2, 1},
                                           VersionCase{"2.47", RESULT_OK, 3, 0},
                                           VersionCase{"3.09", RESULT_OK, 3, 0},
                                           VersionCase{"3.10", RESULT_OK, 4, 0},
                                           VersionCase{"3.99", RESULT_OK, 4, 0},
                                           VersionCase{"4.00", RESULT_OK, 5, 2},
                                           VersionCase{"4.10", RESULT_OK, 5, 2},
                                           VersionCase{"9.99", RESULT_OK, 5, 2},
                                           VersionCase{"\xB4.00", RESULT_OK, 5, 2}),
                         [](const auto& info) { return TestName(info.param.version); });

TEST_F(ContainerReadInfoTest, HeaderFaults) {
  EXPECT_EQ(ContainerReadInfo(dir_.File("missing.vek").c_str(), &info_), RESULT_CANNOT_OPEN);

  Bytes good = ContainerBytes().bytes();
  Bytes wrong_signature = good;
  wrong_signature[7] ^= 0x20;
  EXPECT_EQ(Read(wrong_signature), RESULT_WRONG_FORMAT);
  EXPECT_EQ(Read(Bytes(good.begin(), good.begin() + 20)), RESULT_WRONG_FORMAT);
  EXPECT_EQ(Read(Bytes(good.begin(), good.begin() + 10)), RESULT_WRONG_FORMAT);
  EXPECT_EQ(Read(Bytes{}), RESULT_WRONG_FORMAT);
  EXPECT_EQ(Read(good), RESULT_OK);  // a bare header is an empty container
}

struct FramingCase {
  const char* what;
  Bytes tail;  // bytes after the 24-byte header
  std::uint32_t result;
  friend void PrintTo(const FramingCase& c, std::ostream* os) { *os << c.what; }
};

Bytes Le32(std::uint32_t v) {
  return Bytes{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
               static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

class ContainerFramingTest : public ContainerReadInfoTest,
                             public ::testing::WithParamInterface<FramingCase> {};

// Walks the container at path chunk by chunk, at most 64 of them, each of which must
// end past the one before; gives the walk's verdict (1 for a clean end). A walk that
// stands still or goes back fails here at once, rather than running until the time
// limit.
std::uint32_t BoundedWalk(const std::string& path) {
  FileHandle in = FileOpen(path.c_str(), "rb");
  if (!in) {
    ADD_FAILURE() << "cannot open " << path;
    return 0;
  }
  char version[CONTAINER_VERSION_SIZE];
  std::uint32_t r = ContainerReadHeader(in.get(), version);
  ContainerWalk walk{};
  if (r == RESULT_OK) r = ContainerWalkBegin(&walk, in.get());
  if (r != RESULT_OK) return r;
  std::uint64_t last = CONTAINER_HEADER_SIZE;
  for (int chunk = 0; chunk < 64; ++chunk) {
    r = ContainerWalkNext(&walk);
    if (r == WALK_END) return RESULT_OK;
    if (r != WALK_CHUNK) return r;
    if (walk.next <= last) {
      ADD_FAILURE() << "chunk " << chunk << " of length " << walk.length << " ends at " << walk.next
                    << ", not past " << last;
      return 0;
    }
    last = walk.next;
  }
  ADD_FAILURE() << "more than 64 chunks";
  return 0;
}

TEST_P(ContainerFramingTest, ChecksChunksAgainstTheFile) {
  const FramingCase& f = GetParam();
  ContainerBytes().Raw(f.tail).WriteTo(path_);
  EXPECT_EQ(BoundedWalk(path_), f.result) << f.what;
  if (HasFailure()) return;  // a walk that does not advance would never end below
  EXPECT_EQ(Read(ContainerBytes().Raw(f.tail)), f.result) << f.what;
}

const Bytes kKey = Concat({Le32(8), Le32(1), Zeros(8)});

INSTANTIATE_TEST_SUITE_P(
    Framing, ContainerFramingTest,
    ::testing::Values(
        FramingCase{"chunk ends exactly at the end", Concat({kKey, Le32(3), Le32(9), Zeros(3)}), RESULT_OK},
        FramingCase{"length cut to 1 byte", Concat({kKey, Bytes{5}}), RESULT_WRONG_FORMAT},
        FramingCase{"length cut to 3 bytes", Concat({kKey, Bytes{5, 0, 0}}), RESULT_WRONG_FORMAT},
        FramingCase{"type missing after a length", Concat({kKey, Le32(0)}), RESULT_OK},
        FramingCase{"type cut to 2 bytes", Concat({kKey, Le32(0), Bytes{9, 0}}), RESULT_WRONG_FORMAT},
        FramingCase{"data one byte short", Concat({kKey, Le32(4), Le32(9), Zeros(3)}), RESULT_WRONG_FORMAT},
        // A sum that leaves out the 24 header bytes would let these pass.
        FramingCase{"data 24 bytes short", Concat({kKey, Le32(24), Le32(9)}), RESULT_WRONG_FORMAT},
        FramingCase{"first chunk 24 bytes short", Concat({Le32(24), Le32(9)}), RESULT_WRONG_FORMAT},
        // A length near 2^32 wraps a 32-bit sum; a signed 32-bit skip would go back.
        FramingCase{"length 0xFFFFFFF8", Concat({kKey, Le32(0xFFFFFFF8u), Le32(9), kKey}), RESULT_WRONG_FORMAT},
        FramingCase{"length 0xFFFFFFFF", Concat({Le32(0xFFFFFFFFu), Le32(9), kKey}), RESULT_WRONG_FORMAT},
        FramingCase{"length 0x80000000", Concat({Le32(0x80000000u), Le32(9), kKey}), RESULT_WRONG_FORMAT},
        FramingCase{"many empty chunks", Concat({Le32(0), Le32(9), Le32(0), Le32(8), Le32(0), Le32(0)}),
                    RESULT_OK}),
    [](const auto& info) { return TestName(info.param.what); });

struct LimitCase {
  const char* what;
  ContainerBytes container;
  std::uint32_t result;
  friend void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.what; }
};

class ContainerLimitTest : public ContainerReadInfoTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(ContainerLimitTest, RefusesWhatExceedsALimit) {
  const LimitCase& l = GetParam();
  EXPECT_EQ(Read(l.container), l.result) << l.what;
}

ContainerBytes With(std::uint32_t type, const Bytes& data) { return ContainerBytes().Chunk(type, data); }

ContainerBytes KeyDataBeforeHdrs(std::uint32_t krcv_bytes) {
  return ContainerBytes()
      .Chunk(1, Zeros(8))
      .Chunk(2, Zeros(16))
      .Chunk(4, Bytes{2})
      .Chunk(3, Zeros(krcv_bytes))
      .Chunk(10, Zeros(16))  // KHHK, TEXT and unknown chunks do not count
      .Chunk(5, Zeros(100))
      .Chunk(7, Zeros(16));
}

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

INSTANTIATE_TEST_SUITE_P(
    Limits, ContainerLimitTest,
    ::testing::Values(
        LimitCase{"KHKY 8", With(1, Zeros(8)), RESULT_OK},
        LimitCase{"KHKY 16", With(1, Zeros(16)), RESULT_OK},
        LimitCase{"KHKY 0", With(1, Zeros(0)), RESULT_WRONG_FORMAT},
        LimitCase{"KHKY 7", With(1, Zeros(7)), RESULT_WRONG_FORMAT},
        LimitCase{"KHKY 12", With(1, Zeros(12)), RESULT_WRONG_FORMAT},
        LimitCase{"KHKY 24", With(1, Zeros(24)), RESULT_WRONG_FORMAT},
        LimitCase{"KHKY tag 9", With(TagNumber("KHKY"), Zeros(9)), RESULT_WRONG_FORMAT},
        LimitCase{"ALGO 0", With(4, Zeros(0)), RESULT_OK},
        LimitCase{"ALGO 4", With(4, Zeros(4)), RESULT_OK},
        LimitCase{"ALGO 5", With(4, Zeros(5)), RESULT_WRONG_FORMAT},
        LimitCase{"ALGO 4096", With(4, Zeros(4096)), RESULT_WRONG_FORMAT},
        LimitCase{"KHSH 15", With(2, Zeros(15)), RESULT_WRONG_FORMAT},
        LimitCase{"KHSH 17", With(2, Zeros(17)), RESULT_WRONG_FORMAT},
        LimitCase{"KHHK 15", With(10, Zeros(15)), RESULT_WRONG_FORMAT},
        LimitCase{"HDRS 15", With(7, Zeros(15)), RESULT_WRONG_FORMAT},
        LimitCase{"TEXT 15", With(5, Zeros(15)), RESULT_WRONG_FORMAT},
        LimitCase{"TEXT 16", With(5, Zeros(16)), RESULT_OK},
        LimitCase{"FILE name of 259", With(6, FileChunkData(Repeat('n', 259), 8)), RESULT_OK},
        LimitCase{"FILE name of 260", With(6, FileChunkData(Repeat('n', 260), 8)), RESULT_WRONG_FORMAT},
        LimitCase{"FILE name without zero", With(6, Bytes(300, 'n')), RESULT_WRONG_FORMAT},
        LimitCase{"FILE name runs to the chunk end", With(6, Bytes(40, 'n')), RESULT_WRONG_FORMAT},
        LimitCase{"FILE without room for time and digest",
                  With(6, Concat({Bytes{'a', 0}, Zeros(8 + 16 - 1)})),
                  RESULT_WRONG_FORMAT},
        LimitCase{"FILE with name, time and digest only", With(6, FileChunkData("a", 0)), RESULT_OK},
        // 8 + 16 + 1 + KRCV bytes of key-chunk data come before the HDRS chunk.
        LimitCase{"1024 bytes before HDRS", KeyDataBeforeHdrs(1024 - 25), RESULT_OK},
        LimitCase{"1025 bytes before HDRS", KeyDataBeforeHdrs(1024 - 24), RESULT_WRONG_FORMAT},
        LimitCase{"much key data and no HDRS", With(3, Zeros(5000)), RESULT_OK}),
    [](const auto& info) { return TestName(info.param.what); });

TEST(ContainerChunkKindTest, NumbersTagsAndUnknowns) {
  const char* tags[] = {"", "KHKY", "KHSH", "KRCV", "ALGO", "TEXT", "FILE", "HDRS", "KNEP", "KRID", "KHHK"};
  for (std::uint32_t kind = 1; kind <= 10; ++kind) {
    EXPECT_EQ(ContainerChunkKind(kind), kind);
    EXPECT_EQ(ContainerChunkKind(TagNumber(tags[kind])), kind) << tags[kind];
  }
  EXPECT_EQ(ContainerChunkKind(0), 0u);
  EXPECT_EQ(ContainerChunkKind(11), 0u);
  EXPECT_EQ(ContainerChunkKind(TagNumber("text")), 0u);
  EXPECT_EQ(ContainerChunkKind(0xFFFFFFFFu), 0u);
}

TEST(ContainerWriteTest, WrittenChunksWalkBack) {
  TempDir dir;
  const std::string path = dir.File("w.vek");
  FileHandle out = FileOpen(path.c_str(), "wb");
  ASSERT_TRUE(out);
  ASSERT_EQ(std::fwrite(CONTAINER_SIGNATURE, 1, 20, out.get()), 20u);
  ASSERT_EQ(std::fwrite("4.10", 1, 4, out.get()), 4u);
  const Bytes key = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_TRUE(ContainerWriteChunk(out.get(), 8, CHUNK_KHKY, key.data()));
  EXPECT_TRUE(ContainerWriteChunk(out.get(), 0, CHUNK_KNEP, nullptr));
  EXPECT_TRUE(ContainerWriteChunkHeader(out.get(), 3, CHUNK_ALGO));
  ASSERT_EQ(std::fwrite("\x02\x00\x00", 1, 3, out.get()), 3u);
  ASSERT_TRUE(FileClose(out));

  EXPECT_EQ(ReadFileBytes(path),
            ContainerBytes().Chunk(1, key).Chunk(8, {}).Chunk(4, Bytes{2, 0, 0}).bytes());
  ContainerInfo info{};
  ASSERT_EQ(ContainerReadInfo(path.c_str(), &info), RESULT_OK);
  EXPECT_EQ(info.algorithm, 2u);
  EXPECT_EQ(info.key_length, 8u);
}

TEST(ContainerWalkTest, FramesChunksAndKeepsReadsInside) {
  TempDir dir;
  const std::string path = dir.File("walk.vek");
  ContainerBytes().Chunk(1, Bytes{1, 2, 3, 4, 5, 6, 7, 8}).Chunk(6, FileChunkData("name.txt", 4)).WriteTo(path);
  FileHandle in = FileOpen(path.c_str(), "rb");
  ASSERT_TRUE(in);
  char version[4];
  ASSERT_EQ(ContainerReadHeader(in.get(), version), RESULT_OK);
  EXPECT_EQ(std::memcmp(version, "4.10", 4), 0);

  ContainerWalk walk;
  ASSERT_EQ(ContainerWalkBegin(&walk, in.get()), RESULT_OK);
  ASSERT_EQ(ContainerWalkNext(&walk), WALK_CHUNK);
  EXPECT_EQ(walk.kind, CHUNK_KHKY);
  EXPECT_EQ(walk.length, 8u);
  std::uint8_t key[9] = {};
  EXPECT_EQ(ContainerWalkRead(&walk, key, 9), RESULT_WRONG_FORMAT);  // one past the chunk
  EXPECT_EQ(ContainerWalkRead(&walk, key, 8), RESULT_OK);
  EXPECT_EQ(key[7], 8);

  ASSERT_EQ(ContainerWalkNext(&walk), WALK_CHUNK);  // the next chunk, whatever was read
  EXPECT_EQ(walk.kind, CHUNK_FILE);
  char name[QLX_PATH_SIZE];
  std::uint32_t name_length = 0;
  ASSERT_EQ(ContainerReadFileName(&walk, name, &name_length), RESULT_OK);
  EXPECT_STREQ(name, "name.txt");
  EXPECT_EQ(name_length, 8u);
  std::uint8_t time_and_digest[24];
  EXPECT_EQ(ContainerWalkRead(&walk, time_and_digest, 24), RESULT_OK);
  EXPECT_EQ(time_and_digest[0], 0xAB);
  EXPECT_EQ(ContainerWalkNext(&walk), WALK_END);
  EXPECT_EQ(ContainerWalkNext(&walk), WALK_END);
}

TEST(ContainerWalkTest, AFailedReadIsAFormatErrorNotTheEnd) {
  TempDir dir;
  const std::string path = dir.File("writeonly.vek");
  ContainerBytes().Chunk(1, Zeros(8)).WriteTo(path);
  FileHandle out = FileOpen(path.c_str(), "ab");  // reading this stream fails
  ASSERT_TRUE(out);
  ContainerWalk walk;
  ASSERT_EQ(ContainerWalkBegin(&walk, out.get()), RESULT_OK);
  EXPECT_EQ(ContainerWalkNext(&walk), RESULT_WRONG_FORMAT);
}

TEST(HeaderDigestTest, HoldsAtMost1024Bytes) {
  HeaderDigest digest;
  HeaderDigestReset(&digest);
  ASSERT_NE(HeaderDigestReserve(&digest, 1000), nullptr);
  std::uint8_t* room = HeaderDigestReserve(&digest, 24);
  ASSERT_EQ(room, digest.data + 1000);
  EXPECT_EQ(digest.used, 1024u);
  EXPECT_FALSE(digest.overflowed);
  EXPECT_EQ(HeaderDigestReserve(&digest, 1), nullptr);
  EXPECT_TRUE(digest.overflowed);
  EXPECT_EQ(HeaderDigestReserve(&digest, 0), nullptr);  // stays refused
  HeaderDigestReset(&digest);
  EXPECT_EQ(HeaderDigestReserve(&digest, 0xFFFFFFFFu), nullptr);
  EXPECT_EQ(digest.used, 0u);

  EXPECT_TRUE(HeaderDigestTakes(CHUNK_KHKY));
  EXPECT_TRUE(HeaderDigestTakes(CHUNK_KHSH));
  EXPECT_TRUE(HeaderDigestTakes(CHUNK_KRCV));
  EXPECT_TRUE(HeaderDigestTakes(CHUNK_ALGO));
  EXPECT_FALSE(HeaderDigestTakes(CHUNK_KHHK));
  EXPECT_FALSE(HeaderDigestTakes(CHUNK_TEXT));
  EXPECT_FALSE(HeaderDigestTakes(CHUNK_HDRS));
}

class CountContainersTest : public ::testing::Test {
 protected:
  void SetUp() override { BoxDoubleReset(); }
  FileEntry Entry(const std::string& path) {
    FileEntry e{};
    std::snprintf(e.path, sizeof e.path, "%s", path.c_str());
    return e;
  }
  TempDir dir_;
};

TEST_F(CountContainersTest, CountsFilesThatBeginWithTheSignature) {
  ContainerBytes().WriteTo(dir_.File("one.vek"));
  TypicalContainer(false).WriteTo(dir_.File("two.dat"));
  WriteFileBytes(dir_.File("plain.txt"), BytesOf("VEK!(C)ORVANEL-05/9"));  // one byte short
  WriteFileBytes(dir_.File("empty"), {});
  const FileEntry entries[] = {Entry(dir_.File("one.vek")), Entry(dir_.File("plain.txt")),
                               Entry(dir_.File("two.dat")), Entry(dir_.File("empty"))};
  EXPECT_EQ(CountContainers(entries, 4), 2);
  EXPECT_EQ(CountContainers(entries, 0), 0);
  EXPECT_TRUE(BoxDoubleLog().empty());
}

TEST_F(CountContainersTest, AFileThatCannotBeOpenedStopsTheCount) {
  ContainerBytes().WriteTo(dir_.File("one.vek"));
  const std::string missing = dir_.File("gone.vek");
  const FileEntry entries[] = {Entry(dir_.File("one.vek")), Entry(missing), Entry(dir_.File("one.vek"))};
  EXPECT_EQ(CountContainers(entries, 3), -1);
  ASSERT_EQ(BoxDoubleLog().size(), 1u);
  const RecordedBox& box = BoxDoubleLog()[0];
  EXPECT_EQ(box.kind, BoxKind::Warning);
  EXPECT_EQ(box.title, "Quillnox Warning");
  EXPECT_EQ(box.text, "Unable to open " + missing +
                          "\nCheck the name and the path of the file or\n"
                          "check if it's not used by another application.");
}

}  // namespace
