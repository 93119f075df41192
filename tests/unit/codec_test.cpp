// The compressed record format and the LZRW1 block codec: the exact records of known
// inputs, round trips over shapes and sizes with every record checked against the
// format's bounds, the decompressor's format errors, and the failure messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "compress/codec.h"
#include "base/progress.h"
#include "platform/common/msgbox_double.h"
#include "platform/fileio.h"
#include "platform/msgbox.h"
#include "tests/support/test_support.h"

namespace {

const char kFormatError[] = "Format du fichier compress\xE9 erron\xE9";

// --- Inputs ---------------------------------------------------------------------

enum class Shape { Text, Random, Runs, Zeros, Period3, Period4095, Period4096 };

const char* ShapeName(Shape shape) {
  switch (shape) {
    case Shape::Text: return "Text";
    case Shape::Random: return "Random";
    case Shape::Runs: return "Runs";
    case Shape::Zeros: return "Zeros";
    case Shape::Period3: return "Period3";
    case Shape::Period4095: return "Period4095";
    case Shape::Period4096: return "Period4096";
  }
  return "?";
}

// Words drawn with a skewed distribution, separated by spaces, punctuation, line breaks.
Bytes TextBytes(std::size_t size, std::uint32_t seed) {
  static const char* const kWords[] = {
      "the", "of", "and", "to", "in", "is", "container", "passphrase", "file", "that",
      "compression", "for", "with", "message", "a", "key", "window", "it", "be", "encrypted",
      "Quillnox", "records", "block", "are", "on", "this", "by", "sent", "list", "user"};
  std::mt19937 rng(seed);
  Bytes out;
  out.reserve(size);
  while (out.size() < size) {
    const std::size_t word = std::min<std::size_t>(rng() % 30, rng() % 30);
    for (const char* c = kWords[word]; *c; ++c) out.push_back(static_cast<std::uint8_t>(*c));
    const std::uint32_t r = rng() % 20;
    out.push_back(r == 0 ? '\n' : r == 1 ? ',' : r == 2 ? '.' : ' ');
  }
  out.resize(size);
  return out;
}

Bytes RandomBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng());
  return out;
}

Bytes ShapeBytes(Shape shape, std::size_t size) {
  switch (shape) {
    case Shape::Text: return TextBytes(size, 7);
    case Shape::Random: return RandomBytes(size, 11);
    case Shape::Runs: {
      std::mt19937 rng(5);
      Bytes out;
      while (out.size() < size) out.insert(out.end(), 1 + rng() % 40, static_cast<std::uint8_t>(rng()));
      out.resize(size);
      return out;
    }
    case Shape::Zeros: return Bytes(size, 0);
    case Shape::Period3:
    case Shape::Period4095:
    case Shape::Period4096: {
      const std::size_t period = shape == Shape::Period3 ? 3 : shape == Shape::Period4095 ? 4095 : 4096;
      const Bytes unit = RandomBytes(period, 3);
      Bytes out(size);
      for (std::size_t i = 0; i < size; ++i) out[i] = unit[i % period];
      return out;
    }
  }
  return {};
}

// Bytes that all differ (7 is odd), so no three-byte sequence appears twice.
Bytes NoRepeatedTriple(std::size_t size) {
  Bytes out(size);
  for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::uint8_t>(i * 7 + 1);
  return out;
}

// --- Reading the format back, independently of the codec ------------------------

struct Record {
  std::uint8_t kind;
  Bytes data;
};

// Splits a compressed file into its records; false when the framing is broken.
bool SplitRecords(const Bytes& file, std::vector<Record>* records) {
  records->clear();
  std::size_t at = 0;
  while (at < file.size()) {
    if (file.size() - at < 3) return false;
    const std::size_t length = file[at + 1] | (file[at + 2] << 8);
    if (file.size() - at - 3 < length) return false;
    records->push_back({file[at], Bytes(file.begin() + at + 3, file.begin() + at + 3 + length)});
    at += 3 + length;
  }
  return true;
}

struct Item {
  bool copy;
  std::uint8_t byte;     // byte item
  std::uint32_t length;  // copy item
  std::uint32_t offset;
  std::uint32_t start;   // position in the block where the item begins
};

// The items of a mode-0 block as the format defines them.
std::vector<Item> ItemsOf(const Bytes& block) {
  std::vector<Item> items;
  std::size_t at = 4;
  std::uint32_t position = 0;
  while (at < block.size()) {
    const std::uint32_t control = block.at(at) | (block.at(at + 1) << 8);
    at += 2;
    for (int bit = 0; bit < 16 && at < block.size(); ++bit) {
      Item item{};
      item.start = position;
      if (control & (1u << bit)) {
        item.copy = true;
        item.length = (block.at(at) & 0x0F) + 1;
        item.offset = (block.at(at) & 0xF0) * 16 + block.at(at + 1);
        at += 2;
        position += item.length;
      } else {
        item.byte = block.at(at++);
        position += 1;
      }
      items.push_back(item);
    }
  }
  return items;
}

Bytes CompressBlock(const Bytes& source) {
  Bytes out(source.size() + 4);
  std::uint32_t length = 0;
  Lzrw1Compress(source.data(), static_cast<std::uint32_t>(source.size()), out.data(), &length);
  out.resize(length);
  return out;
}

// --- Fixtures -------------------------------------------------------------------

class CodecFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BoxDoubleReset();
    SetMainWindowHandle(&main_window_);
  }
  void TearDown() override { SetMainWindowHandle(nullptr); }

  // Compresses source through the files; the compressed bytes (empty on failure).
  Bytes Compress(const Bytes& source, int* result = nullptr) {
    WriteFileBytes(plain_, source);
    std::uint64_t size = 12345;
    const int r = CompressFile(plain_.c_str(), packed_.c_str(), &size);
    if (result) *result = r;
    if (r != 1) return {};
    const Bytes packed = ReadFileBytes(packed_);
    EXPECT_EQ(size, packed.size());
    return packed;
  }
  int Decompress(const Bytes& packed, Bytes* restored) {
    WriteFileBytes(packed_, packed);
    const int r = DecompressFile(packed_.c_str(), restored_.c_str());
    *restored = ReadFileBytes(restored_);
    return r;
  }
  void ExpectOneError(const std::string& text) {
    ASSERT_EQ(BoxDoubleLog().size(), 1u);
    const RecordedBox& box = BoxDoubleLog()[0];
    EXPECT_EQ(box.kind, BoxKind::Error);
    EXPECT_EQ(box.title, "Quillnox Error");
    EXPECT_EQ(box.owner, &main_window_);
    EXPECT_EQ(box.text, text);
  }

  int main_window_ = 0;
  TempDir dir_;
  std::string plain_ = dir_.File("plain.bin");
  std::string packed_ = dir_.File("packed.cmp");
  std::string restored_ = dir_.File("restored.bin");
};

// --- The concrete cases ------------------------------------------------------------

TEST_F(CodecFileTest, EmptyFileBothWays) {
  int result = 0;
  EXPECT_TRUE(Compress({}, &result).empty());
  EXPECT_EQ(result, 1);
  Bytes restored{1};
  EXPECT_EQ(Decompress({}, &restored), 1);
  EXPECT_TRUE(restored.empty());
  EXPECT_TRUE(BoxDoubleLog().empty());
}

TEST_F(CodecFileTest, FiftyFiveBytesAreOneStoredRecord) {
  const Bytes source = TextBytes(55, 1);
  Bytes expected{0, 55, 0};
  expected.insert(expected.end(), source.begin(), source.end());
  EXPECT_EQ(Compress(source), expected);  // 58 bytes
}

TEST_F(CodecFileTest, FiftySixBytesWithoutRepeatsGiveAModeOneRecord) {
  const Bytes source = NoRepeatedTriple(56);
  Bytes expected{1, 60, 0, 1, 0, 0, 0};
  expected.insert(expected.end(), source.begin(), source.end());
  EXPECT_EQ(Compress(source), expected);  // 63 bytes: 7 more than the source
  Bytes restored;
  EXPECT_EQ(Decompress(expected, &restored), 1);
  EXPECT_EQ(restored, source);
}

TEST_F(CodecFileTest, RepeatedByteBlockHasTheKnownItems) {
  // One byte item, a copy of 16 at offset 1, 62 copies of 16 at offset 16 (the slot
  // always holds the previous item's start), then 15 byte items: five groups.
  const Bytes source(1024, 'x');
  Bytes block{0, 0, 0, 0};
  auto word = [&](std::uint16_t w) {
    block.push_back(static_cast<std::uint8_t>(w));
    block.push_back(static_cast<std::uint8_t>(w >> 8));
  };
  auto copy = [&](std::uint32_t offset) {
    block.push_back(static_cast<std::uint8_t>(((offset >> 4) & 0xF0) | 15));
    block.push_back(static_cast<std::uint8_t>(offset & 0xFF));
  };
  word(0xFFFE);
  block.push_back('x');
  copy(1);
  for (int i = 0; i < 14; ++i) copy(16);
  for (int group = 0; group < 3; ++group) {
    word(0xFFFF);
    for (int i = 0; i < 16; ++i) copy(16);
  }
  word(0x0000);
  block.insert(block.end(), 15, 'x');
  ASSERT_EQ(block.size(), 156u);

  Bytes expected{1, 156, 0};
  expected.insert(expected.end(), block.begin(), block.end());
  const Bytes packed = Compress(source);
  EXPECT_EQ(packed, expected);  // 159 bytes
  Bytes restored;
  EXPECT_EQ(Decompress(packed, &restored), 1);
  EXPECT_EQ(restored, source);
}

TEST_F(CodecFileTest, EqualHalvesGiveEqualRecords) {
  Bytes source = TextBytes(1024, 9);
  source.insert(source.end(), source.begin(), source.end());
  std::vector<Record> records;
  ASSERT_TRUE(SplitRecords(Compress(source), &records));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].kind, 1);
  EXPECT_EQ(records[1].kind, 1);
  EXPECT_EQ(records[0].data, records[1].data);  // nothing reaches back into the first block
  EXPECT_EQ(records[0].data, CompressBlock(Bytes(source.begin(), source.begin() + 1024)));
}

TEST(Lzrw1CompressTest, TheLastBytesOfABlockAreByteItems) {
  // Periodic data would match to the very end; fewer than 16 bytes before the end, an
  // item is always a byte item. The sizes take the block through single-item passes.
  bool saw_full_tail = false;
  for (std::uint32_t n : {56u, 100u, 255u, 256u, 300u, 700u, 1000u, 1023u, 1024u}) {
    for (std::size_t period : {1u, 2u, 5u, 13u}) {
      Bytes source(n);
      for (std::uint32_t i = 0; i < n; ++i) source[i] = static_cast<std::uint8_t>("ABCDEFGHIJKLM"[i % period]);
      const Bytes block = CompressBlock(source);
      ASSERT_EQ(block[0], 0) << n << "/" << period;
      std::size_t tail = 0;
      for (const Item& item : ItemsOf(block)) {
        if (item.start + 16 > n) {
          EXPECT_FALSE(item.copy) << "item at " << item.start << " of " << n << "/" << period;
          EXPECT_EQ(item.byte, source[item.start]);
          ++tail;
        }
      }
      if (tail == 15) saw_full_tail = true;
    }
  }
  EXPECT_TRUE(saw_full_tail);
}

TEST_F(CodecFileTest, TruncationInsideARecordIsAFormatErrorBetweenRecordsNot) {
  const Bytes source = TextBytes(3000, 4);
  const Bytes packed = Compress(source);
  std::vector<Record> records;
  ASSERT_TRUE(SplitRecords(packed, &records));
  ASSERT_EQ(records.size(), 3u);
  const std::size_t first_end = 3 + records[0].data.size();
  const std::size_t second_end = first_end + 3 + records[1].data.size();

  for (std::size_t cut : {first_end, second_end, packed.size()}) {
    Bytes restored;
    BoxDoubleReset();
    EXPECT_EQ(Decompress(Bytes(packed.begin(), packed.begin() + cut), &restored), 1) << cut;
    const std::size_t blocks = cut == first_end ? 1 : cut == second_end ? 2 : 3;
    EXPECT_EQ(restored, Bytes(source.begin(), source.begin() + std::min<std::size_t>(blocks * 1024, 3000)));
    EXPECT_TRUE(BoxDoubleLog().empty());
  }
  for (std::size_t cut : {first_end + 1, first_end + 2, first_end + 3, first_end + 40, second_end - 1}) {
    Bytes restored;
    BoxDoubleReset();
    EXPECT_EQ(Decompress(Bytes(packed.begin(), packed.begin() + cut), &restored), 0) << cut;
    ExpectOneError(kFormatError);
    // What was written before the broken record stays.
    EXPECT_EQ(restored, Bytes(source.begin(), source.begin() + 1024)) << cut;
  }
}

// --- Round trips over shapes and sizes -------------------------------------------

struct RoundTripCase {
  Shape shape;
  std::size_t size;
};

class RoundTripTest : public CodecFileTest, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(RoundTripTest, RestoresTheBytesWithRecordsWithinBounds) {
  const Bytes source = ShapeBytes(GetParam().shape, GetParam().size);
  ProgressRecorder progress;
  const Bytes packed = Compress(source);

  std::vector<Record> records;
  ASSERT_TRUE(SplitRecords(packed, &records));
  ASSERT_EQ(records.size(), (source.size() + 1023) / 1024);
  std::vector<std::uint32_t> compressed_blocks;
  std::vector<std::uint32_t> compressed_lengths;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const std::size_t n = std::min<std::size_t>(1024, source.size() - i * 1024);  // what it stands for
    const Bytes slice(source.begin() + i * 1024, source.begin() + i * 1024 + n);
    const Record& r = records[i];
    if (n < 56) {
      EXPECT_EQ(r.kind, 0) << "record " << i;
      EXPECT_EQ(r.data, slice) << "record " << i;
      continue;
    }
    ASSERT_EQ(r.kind, 1) << "record " << i;
    ASSERT_GE(r.data.size(), 4u);
    EXPECT_EQ(r.data[1] | r.data[2] | r.data[3], 0) << "record " << i;
    if (r.data[0] == 1) {
      EXPECT_TRUE(std::equal(slice.begin(), slice.end(), r.data.begin() + 4, r.data.end())) << "record " << i;
    } else {
      EXPECT_EQ(r.data[0], 0) << "record " << i;
      EXPECT_LE(r.data.size(), n) << "record " << i;  // else it would have been given up
    }
    compressed_blocks.push_back(static_cast<std::uint32_t>(n));
    compressed_lengths.push_back(static_cast<std::uint32_t>(r.data.size()));
  }
  EXPECT_EQ(progress.Values(NOTIFY_CODEC), compressed_blocks);

  // Shapes with repeats must really shrink; random blocks must be given up.
  const Shape shape = GetParam().shape;
  if (source.size() >= 1024 && shape != Shape::Random && shape != Shape::Period4095 &&
      shape != Shape::Period4096) {
    EXPECT_LT(packed.size(), source.size() * 7 / 10);
  }
  if (shape == Shape::Random) {
    for (const Record& r : records) {
      if (r.kind == 1) {
        EXPECT_EQ(r.data[0], 1);
      }
    }
  }
  EXPECT_LE(packed.size(), source.size() + 7 * records.size());

  Bytes restored;
  ASSERT_EQ(Decompress(packed, &restored), 1);
  EXPECT_TRUE(restored == source) << "restored bytes differ";
  const std::vector<std::uint32_t> reports = progress.Values(NOTIFY_CODEC);
  ASSERT_EQ(reports.size(), 2 * compressed_blocks.size());
  EXPECT_EQ(std::vector<std::uint32_t>(reports.begin() + compressed_blocks.size(), reports.end()),
            compressed_lengths);  // decompression reports the stored lengths
  EXPECT_TRUE(BoxDoubleLog().empty());
}

std::vector<RoundTripCase> RoundTripCases() {
  std::vector<RoundTripCase> cases;
  for (Shape shape : {Shape::Text, Shape::Random, Shape::Runs, Shape::Zeros, Shape::Period3, Shape::Period4095,
                      Shape::Period4096})
    for (std::size_t size : {std::size_t{1}, std::size_t{55}, std::size_t{56}, std::size_t{57}, std::size_t{300},
                             std::size_t{1023}, std::size_t{1024}, std::size_t{1025}, std::size_t{1079},
                             std::size_t{1080}, std::size_t{4095}, std::size_t{4096}, std::size_t{4097},
                             std::size_t{100000}, std::size_t{3 * 1024 * 1024 + 17}})
      cases.push_back({shape, size});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(ShapesAndSizes, RoundTripTest, ::testing::ValuesIn(RoundTripCases()),
                         [](const auto& info) {
                           return std::string(ShapeName(info.param.shape)) + "_" + std::to_string(info.param.size);
                         });

TEST(Lzrw1CompressTest, ATripleSharingTheSlotDisplacesTheCandidate) {
  // "abe" and "vji" (keys 26437 and 28873) share hash slot 3721, "abf" and "wzj" slot
  // 2159; "xyz" shares no slot with either, nor do the triples across the joins. Only
  // the one probe of that slot counts: after "abe vji", the second "abe" finds the
  // position of "vji" there and becomes a byte item; after "abe xyz" it is a copy.
  const struct {
    const char* triples;
    bool copy;
  } cases[] = {{"abevjiabe", false}, {"abexyzabe", true}, {"abfwzjabf", false}, {"abfxyzabf", true}};
  for (const auto& c : cases) {
    Bytes source = BytesOf(c.triples);
    source.insert(source.end(), 41, 'q');  // a run, so that the block stays in items
    for (std::uint8_t b = '0'; b < '6'; ++b) source.push_back(b);
    const Bytes block = CompressBlock(source);
    ASSERT_EQ(block[0], 0) << c.triples;
    bool seen = false;
    for (const Item& item : ItemsOf(block)) {
      if (item.start != 6) continue;
      seen = true;
      EXPECT_EQ(item.copy, c.copy) << c.triples;
      if (item.copy) {
        EXPECT_EQ(item.offset, 6u);
        EXPECT_EQ(item.length, 3u);
      }
    }
    EXPECT_TRUE(seen) << c.triples;
  }
}

TEST(Lzrw1CompressTest, GivesUpOnlyWhenTheItemsWouldBeLonger) {
  // A run of r bytes, then distinct bytes up to 56: a byte item, one copy of r - 1 and
  // 55 - r byte items in three groups: 4 + 6 + 1 + 2 + (56 - r) bytes. With r = 13 that
  // is exactly 56, kept as items; with r = 12 it is 57, and the block is stored raw.
  for (std::uint32_t run : {13u, 12u}) {
    Bytes source(run, 'a');
    for (std::uint32_t i = run; i < 56; ++i) source.push_back(static_cast<std::uint8_t>(i));
    const Bytes block = CompressBlock(source);
    if (run == 13) {
      ASSERT_EQ(block.size(), 56u);
      EXPECT_EQ(block[0], 0);
      const std::vector<Item> items = ItemsOf(block);
      ASSERT_EQ(items.size(), 45u);
      EXPECT_TRUE(items[1].copy);
      EXPECT_EQ(items[1].length, 12u);
      EXPECT_EQ(items[1].offset, 1u);
    } else {
      EXPECT_EQ(block.size(), 60u);
      EXPECT_EQ(block[0], 1);
    }
  }
}

TEST(Lzrw1CompressTest, StaysInsideNPlusFourBytes) {
  // Every size, with a guard after the n + 4 bytes the caller must provide.
  for (Shape shape : {Shape::Text, Shape::Random, Shape::Runs, Shape::Period3}) {
    const Bytes all = ShapeBytes(shape, 1024);
    for (std::uint32_t n = 1; n <= 1024; ++n) {
      Bytes out(n + 4 + 64, 0xA5);
      std::uint32_t length = 0;
      Lzrw1Compress(all.data(), n, out.data(), &length);
      ASSERT_LE(length, n + 4) << ShapeName(shape) << " " << n;
      for (std::size_t i = n + 4; i < out.size(); ++i) ASSERT_EQ(out[i], 0xA5) << ShapeName(shape) << " " << n;
      std::uint8_t restored[1024];
      std::uint32_t restored_length = 0;
      ASSERT_EQ(Lzrw1Decompress(out.data(), length, restored, &restored_length), 1) << ShapeName(shape) << " " << n;
      ASSERT_EQ(restored_length, n);
      ASSERT_EQ(std::memcmp(restored, all.data(), n), 0) << ShapeName(shape) << " " << n;
    }
  }
}

TEST(Lzrw1CompressTest, LengthsOutsideTheBlockRangeAreStoredRaw) {
  Bytes out(1029 + 4, 0xA5);
  std::uint32_t length = 99;
  Lzrw1Compress(nullptr, 0, out.data(), &length);
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 4), (Bytes{1, 0, 0, 0}));
  const Bytes source(1025, 'z');
  Lzrw1Compress(source.data(), 1025, out.data(), &length);
  EXPECT_EQ(length, 1029u);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(out[1028], 'z');
  EXPECT_EQ(out[1029], 0xA5);
}

// --- The block decompressor ----------------------------------------------------------

struct BlockCase {
  const char* name;
  Bytes block;
  int result;
  std::string restored;  // when result is 1
};

Bytes Block(std::initializer_list<int> bytes) {
  Bytes b;
  for (int v : bytes) b.push_back(static_cast<std::uint8_t>(v));
  return b;
}

// A mode-0 block: one byte item 'a', then copies of 16 at offset 1 (copies), then
// `bytes` byte items 'b' ... restores 1 + 16 * copies + bytes bytes.
Bytes LongBlock(int copies, int bytes) {
  Bytes block{0, 0, 0, 0};
  std::vector<std::pair<bool, std::uint8_t>> items{{false, 'a'}};
  for (int i = 0; i < copies; ++i) items.push_back({true, 0});
  for (int i = 0; i < bytes; ++i) items.push_back({false, 'b'});
  for (std::size_t g = 0; g < items.size(); g += 16) {
    std::uint16_t control = 0;
    for (std::size_t k = 0; k < 16 && g + k < items.size(); ++k)
      if (items[g + k].first) control |= static_cast<std::uint16_t>(1u << k);
    block.push_back(static_cast<std::uint8_t>(control));
    block.push_back(static_cast<std::uint8_t>(control >> 8));
    for (std::size_t k = 0; k < 16 && g + k < items.size(); ++k) {
      if (items[g + k].first) {
        block.push_back(0x0F);
        block.push_back(0x01);
      } else {
        block.push_back(items[g + k].second);
      }
    }
  }
  return block;
}

// A mode-0 block long enough that every group goes through the fast path: `before`
// byte items 'a', 'b', 'c', ... (cycling), one copy of 16 at `offset`, then 40 byte
// items 'z'. Restores before + 16 + 40 bytes when the offset is sound.
Bytes FastPathBlock(int before, int offset) {
  std::vector<std::pair<bool, std::uint8_t>> items;
  for (int i = 0; i < before; ++i) items.push_back({false, static_cast<std::uint8_t>('a' + i % 26)});
  items.push_back({true, 0});
  for (int i = 0; i < 40; ++i) items.push_back({false, 'z'});
  Bytes block{0, 0, 0, 0};
  for (std::size_t g = 0; g < items.size(); g += 16) {
    std::uint16_t control = 0;
    for (std::size_t k = 0; k < 16 && g + k < items.size(); ++k)
      if (items[g + k].first) control |= static_cast<std::uint16_t>(1u << k);
    block.push_back(static_cast<std::uint8_t>(control));
    block.push_back(static_cast<std::uint8_t>(control >> 8));
    for (std::size_t k = 0; k < 16 && g + k < items.size(); ++k) {
      if (items[g + k].first) {
        block.push_back(static_cast<std::uint8_t>(((offset >> 4) & 0xF0) | 0x0F));  // length 16
        block.push_back(static_cast<std::uint8_t>(offset));
      } else {
        block.push_back(items[g + k].second);
      }
    }
  }
  return block;
}

std::vector<BlockCase> BlockCases() {
  Bytes raw1024{1, 0, 0, 0};
  raw1024.insert(raw1024.end(), 1024, 'r');
  Bytes raw1025 = raw1024;
  raw1025.push_back('r');
  // 1009 restored bytes in four full groups, then a group of a byte item and a copy of
  // 14 at offset 20 that ends exactly at 1024: no room for a 16-byte wide copy.
  Bytes near_end = LongBlock(63, 0);
  near_end.insert(near_end.end(), {0x02, 0x00, 'c', 0x0D, 20});

  return {
      {"Empty", {}, 0, ""},
      {"HeaderCut", Block({0, 0, 0}), 0, ""},
      {"HeaderOnly", Block({0, 0, 0, 0}), 1, ""},
      {"RawEmpty", Block({1, 0, 0, 0}), 1, ""},
      {"Raw", Block({1, 9, 9, 9, 'h', 'i'}), 1, "hi"},
      {"Raw1024", raw1024, 1, std::string(1024, 'r')},
      {"Raw1025", raw1025, 0, ""},
      {"Bytes", Block({0, 0, 0, 0, 0, 0, 'o', 'k'}), 1, "ok"},
      {"OtherModeIsItems", Block({7, 0, 0, 0, 0, 0, 'o', 'k'}), 1, "ok"},
      {"ControlCut", Block({0, 0, 0, 0, 0}), 0, ""},
      {"ControlWithoutItem", Block({0, 0, 0, 0, 0, 0}), 0, ""},
      {"SecondControlWithoutItem", [] { Bytes b = LongBlock(0, 15); b.push_back(0); b.push_back(0); return b; }(), 0,
       ""},
      {"CopyCut", Block({0, 0, 0, 0, 2, 0, 'a', 0x02}), 0, ""},
      {"RepeatLastByte", Block({0, 0, 0, 0, 2, 0, 'a', 0x02, 0x01}), 1, "aaaa"},
      {"OverlappingCopy", Block({0, 0, 0, 0, 4, 0, 'a', 'b', 0x04, 0x02}), 1, "abababa"},
      {"ShortCopiesDecode", Block({0, 0, 0, 0, 4, 0, 'a', 'b', 0x00, 0x02}), 1, "aba"},
      {"CopyBeforeStart", Block({0, 0, 0, 0, 4, 0, 'a', 'b', 0x02, 0x03}), 0, ""},
      {"CopyFromNothing", Block({0, 0, 0, 0, 1, 0, 0x02, 0x01}), 0, ""},
      {"OffsetZero", Block({0, 0, 0, 0, 2, 0, 'a', 0x02, 0x00}), 0, ""},
      {"LongOffset", Block({0, 0, 0, 0, 2, 0, 'a', 0xF2, 0xFF}), 0, ""},  // 4095 back
      {"Exactly1024", LongBlock(63, 15), 1, std::string(1009, 'a') + std::string(15, 'b')},
      {"ByteItemPast1024", LongBlock(63, 16), 0, ""},
      {"CopyPast1024", LongBlock(64, 0), 0, ""},
      {"WideCopyAtTheEnd", near_end, 1, std::string(1009, 'a') + "c" + std::string(14, 'a')},
      // The second group (15 copies, a byte item) leaves 45 block bytes after its control
      // word: too few to move its byte items 16 at a time.
      {"GroupNearTheBlockEnd", LongBlock(30, 13), 1, std::string(481, 'a') + std::string(13, 'b')},
      // Hostile copies where bytes move 16 at a time (the fast path sees only long blocks).
      {"FastOffsetZero", FastPathBlock(3, 0), 0, ""},
      {"FastCopyBeforeStart", FastPathBlock(3, 4), 0, ""},
      {"FastCopyFromTheStart", FastPathBlock(3, 3), 1, "abc" + std::string("abcabcabcabcabca") + std::string(40, 'z')},
      {"FastCopyBeforeStartInALaterGroup", FastPathBlock(20, 21), 0, ""},
      {"FastCopyFarBeforeStart", FastPathBlock(20, 4095), 0, ""},
  };
}

class Lzrw1DecompressTest : public ::testing::TestWithParam<BlockCase> {};

TEST_P(Lzrw1DecompressTest, RestoresOrRefuses) {
  const BlockCase& c = GetParam();
  // Exact-size copies on the heap, so that a sanitizer sees any access outside them.
  std::vector<std::uint8_t> block(c.block);
  std::unique_ptr<std::uint8_t[]> output(new std::uint8_t[1024]);
  std::uint32_t length = 77;
  EXPECT_EQ(Lzrw1Decompress(block.empty() ? nullptr : block.data(), static_cast<std::uint32_t>(block.size()),
                            output.get(), &length),
            c.result);
  if (c.result == 1) {
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(output.get()), length), c.restored);
  } else {
    EXPECT_EQ(length, 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Blocks, Lzrw1DecompressTest, ::testing::ValuesIn(BlockCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Records the decompressor accepts or refuses ----------------------------------------

TEST_F(CodecFileTest, EveryKindButOneIsStored) {
  Bytes packed{0, 3, 0, 'a', 'b', 'c', 0x7F, 2, 0, 'd', 'e', 2, 0, 0};  // kinds 0, 0x7F, 2
  Bytes full(1028, 'f');
  packed.insert(packed.end(), {0, 0x04, 0x04});  // 1028 stored bytes: the largest record
  packed.insert(packed.end(), full.begin(), full.end());
  Bytes restored;
  ProgressRecorder progress;
  EXPECT_EQ(Decompress(packed, &restored), 1);
  Bytes expected = BytesOf("abcde");
  expected.insert(expected.end(), full.begin(), full.end());
  EXPECT_EQ(restored, expected);
  EXPECT_TRUE(progress.Values(NOTIFY_CODEC).empty());  // stored records report nothing
}

TEST_F(CodecFileTest, MalformedRecordsAreFormatErrors) {
  const struct {
    const char* name;
    Bytes packed;
  } cases[] = {
      {"kind only", {0}},
      {"length cut", {0, 5}},
      {"length over 1028", [] { Bytes b{0, 0x05, 0x04}; b.resize(3 + 1029, 'x'); return b; }()},
      {"data cut", {0, 5, 0, 'a', 'b'}},
      {"block without header", {1, 2, 0, 0, 0}},
      {"copy before start", {1, 8, 0, 0, 0, 0, 0, 1, 0, 0x02, 0x01}},
      {"raw block over 1024", [] { Bytes b{1, 0x05, 0x04, 1, 0, 0, 0}; b.resize(3 + 1029, 'x'); return b; }()},
      {"good record then bad one", {0, 2, 0, 'o', 'k', 1, 6, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    BoxDoubleReset();
    Bytes restored;
    EXPECT_EQ(Decompress(c.packed, &restored), 0) << c.name;
    ExpectOneError(kFormatError);
  }
}

// --- Failures of the files -------------------------------------------------------------

TEST_F(CodecFileTest, UnopenableFilesAreNamed) {
  const std::string missing = dir_.File("missing.bin");
  const std::string no_folder = dir_.File("no-such-folder/out.bin");
  WriteFileBytes(plain_, TextBytes(2000, 2));

  std::uint64_t size = 99;
  EXPECT_EQ(CompressFile(missing.c_str(), packed_.c_str(), &size), 0);
  EXPECT_EQ(size, 0u);
  ExpectOneError("Unable to open\n" + missing + "\n to compress");

  BoxDoubleReset();
  EXPECT_EQ(CompressFile(plain_.c_str(), no_folder.c_str(), &size), 0);
  ExpectOneError("Unable to open\n" + no_folder + "\n to receive compression");

  BoxDoubleReset();
  EXPECT_EQ(DecompressFile(missing.c_str(), restored_.c_str()), 0);
  ExpectOneError("Unable to open\n" + missing + "\n to decompress");

  BoxDoubleReset();
  EXPECT_EQ(DecompressFile(plain_.c_str(), no_folder.c_str()), 0);
  ExpectOneError("Unable to open\n" + no_folder + "\n to receive decompression");
}

TEST_F(CodecFileTest, ReplacesAnExistingDestination) {
  WriteFileBytes(packed_, Bytes(5000, 0xEE));
  const Bytes source = TextBytes(60, 3);
  const Bytes packed = Compress(source);
  EXPECT_LT(packed.size(), 100u);
  WriteFileBytes(restored_, Bytes(5000, 0xEE));
  Bytes restored;
  EXPECT_EQ(Decompress(packed, &restored), 1);
  EXPECT_EQ(restored, source);
}

// A device on which every write fails for want of space, when the system has one.
std::string FullDevice() {
#ifdef _WIN32
  const char* path = "Z:\\dev\\full";  // Wine's view of the host's /dev/full
#else
  const char* path = "/dev/full";
#endif
  FileHandle probe = FileOpen(path, "wb");
  return probe ? path : "";
}

TEST_F(CodecFileTest, AFailedWriteIsReportedEvenWhenOnlyTheFlushFails) {
  const std::string full = FullDevice();
  if (full.empty()) GTEST_SKIP() << "no device that refuses writes here";
  // 100 bytes stay in the stream's buffer until it is closed; 2 MiB fail while written.
  for (std::size_t size : {std::size_t{100}, std::size_t{2 << 20}}) {
    const Bytes source = TextBytes(size, 5);
    WriteFileBytes(plain_, source);
    BoxDoubleReset();
    std::uint64_t compressed = 99;
    EXPECT_EQ(CompressFile(plain_.c_str(), full.c_str(), &compressed), 0) << size;
    EXPECT_EQ(compressed, 0u);
    ExpectOneError("Unable to write\n" + full + "\n to receive compression");

    ASSERT_EQ(CompressFile(plain_.c_str(), packed_.c_str(), &compressed), 1);
    BoxDoubleReset();
    EXPECT_EQ(DecompressFile(packed_.c_str(), full.c_str()), 0) << size;
    ExpectOneError("Unable to write\n" + full + "\n to receive decompression");
  }
}

// A file that opens for reading but whose reads fail, when the system has one: the
// process's own memory, unmapped at offset 0.
std::string UnreadableDevice() {
#ifdef _WIN32
  const char* path = "Z:\\proc\\self\\mem";  // Wine's view of the host's /proc
#else
  const char* path = "/proc/self/mem";
#endif
  FileHandle probe = FileOpen(path, "rb");
  std::uint8_t byte;
  if (!probe || std::fread(&byte, 1, 1, probe.get()) != 0 || !std::ferror(probe.get())) return "";
  return path;
}

TEST_F(CodecFileTest, AFailedReadIsReported) {
  const std::string device = UnreadableDevice();
  if (device.empty()) GTEST_SKIP() << "no file whose reads fail here";
  std::uint64_t size = 99;
  EXPECT_EQ(CompressFile(device.c_str(), packed_.c_str(), &size), 0);
  EXPECT_EQ(size, 0u);
  ExpectOneError("Unable to read\n" + device + "\n to compress");
  BoxDoubleReset();
  EXPECT_EQ(DecompressFile(device.c_str(), restored_.c_str()), 0);
  ExpectOneError("Unable to read\n" + device + "\n to decompress");
}

}  // namespace
