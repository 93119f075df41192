// The self-extractor's reading of its package: the end of its own program image, the
// trailer and every check on it (a package arrives by mail), the payload copy, and its
// texts: messages by code, folder joining, the replace prompt and the failed move.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "extractor/package.h"
#include "extractor/rules.h"
#include "platform/bytes.h"
#include "platform/fileio.h"
#include "tests/support/test_support.h"

namespace {

Bytes Le32(std::uint32_t value) {
  Bytes bytes(4);
  StoreLe32(bytes.data(), value);
  return bytes;
}

void Append(Bytes* to, const Bytes& bytes) { to->insert(to->end(), bytes.begin(), bytes.end()); }
void Append(Bytes* to, const std::string& text) { to->insert(to->end(), text.begin(), text.end()); }

// A package as the builder writes it, with every field open to change.
struct PackageFields {
  std::uint32_t stub_size = 300;  // the stub's bytes; the image ends at image_end
  std::uint64_t image_end = 300;
  std::uint32_t payload_size = 100;
  std::string name = "file.vek";
  std::int64_t offset = -1;        // -1: the stub size
  std::int64_t size_field = -1;    // -1: the payload size
  std::int64_t name_length = -1;   // -1: the name's length
  std::uint32_t file_count = 1;
  std::string version = "1.01";
  std::string marker = "QLXSELFX";
};

Bytes BuildPackage(const PackageFields& f) {
  Bytes package(f.stub_size, 0x4D);
  for (std::uint32_t i = 0; i < f.payload_size; ++i) package.push_back(static_cast<std::uint8_t>(i * 7));
  Append(&package, Le32(f.offset < 0 ? f.stub_size : static_cast<std::uint32_t>(f.offset)));
  Append(&package, Le32(f.size_field < 0 ? f.payload_size : static_cast<std::uint32_t>(f.size_field)));
  Append(&package, f.name);
  Append(&package, Le32(f.name_length < 0 ? static_cast<std::uint32_t>(f.name.size())
                                          : static_cast<std::uint32_t>(f.name_length)));
  Append(&package, Le32(f.file_count));
  Append(&package, f.version);
  Append(&package, f.marker);
  return package;
}

int ReadTrailerOf(const Bytes& package, std::uint64_t image_end, SelfExtractTrailer* trailer) {
  TempDir dir;
  const std::string path = dir.File("package.exe");
  WriteFileBytes(path, package);
  FileHandle file = FileOpen(path.c_str(), "rb");
  return TrailerRead(file.get(), image_end, trailer);
}

TEST(ExtractorTrailer, ReadsTheFieldsOfAPackageAsBuilt) {
  PackageFields fields;
  const Bytes package = BuildPackage(fields);
  ASSERT_EQ(package.size(), 300u + 100u + 8u + 28u);  // S + P + N + 28
  SelfExtractTrailer trailer;
  ASSERT_EQ(ReadTrailerOf(package, fields.image_end, &trailer), EXTRACT_OK);
  EXPECT_EQ(trailer.payload_offset, 300u);
  EXPECT_EQ(trailer.payload_size, 100u);
  EXPECT_EQ(trailer.name_length, 8u);
  EXPECT_EQ(trailer.file_count, 1u);
  EXPECT_STREQ(trailer.name, "file.vek");
}

struct TrailerCase {
  const char* what;
  PackageFields fields;
  int expected;
};

PackageFields With(void (*change)(PackageFields&)) {
  PackageFields fields;
  change(fields);
  return fields;
}

TEST(ExtractorTrailer, RefusesEveryFieldThatDoesNotHoldTogether) {
  const TrailerCase cases[] = {
      {"marker", With([](PackageFields& f) { f.marker = "QLXSELFY"; }), EXTRACT_NO_SIGNATURE},
      {"version 1.02", With([](PackageFields& f) { f.version = "1.02"; }), EXTRACT_WRONG_VERSION},
      {"file count 0", With([](PackageFields& f) { f.file_count = 0; }), EXTRACT_NO_FILE},
      {"name length 0", With([](PackageFields& f) { f.name_length = 0; }), EXTRACT_NO_SIGNATURE},
      {"name length 260", With([](PackageFields& f) { f.name = std::string(256, 'n') + ".vek"; }),
       EXTRACT_NO_SIGNATURE},
      {"name length 0xFFFFFFFF", With([](PackageFields& f) { f.name_length = 0xFFFFFFFF; }), EXTRACT_NO_SIGNATURE},
      {"name length past the file", With([](PackageFields& f) { f.name_length = 259; f.stub_size = 10; f.image_end = 10; f.payload_size = 10; }),
       EXTRACT_NO_SIGNATURE},
      {"payload size past the trailer", With([](PackageFields& f) { f.size_field = 101; }), EXTRACT_NO_SIGNATURE},
      {"payload size 0xFFFFFFFF", With([](PackageFields& f) { f.size_field = 0xFFFFFFFF; }), EXTRACT_NO_SIGNATURE},
      {"offset past the end", With([](PackageFields& f) { f.offset = 0xFFFFFFF0; }), EXTRACT_NO_SIGNATURE},
      {"offset one byte late", With([](PackageFields& f) { f.offset = 301; }), EXTRACT_NO_SIGNATURE},
      {"offset inside the image", With([](PackageFields& f) { f.offset = 299; }), EXTRACT_NO_SIGNATURE},
      {"offset 0", With([](PackageFields& f) { f.offset = 0; f.size_field = 400; }), EXTRACT_NO_SIGNATURE},
      {"no image", With([](PackageFields& f) { f.image_end = 0; }), EXTRACT_NO_SIGNATURE},
      {"parent folder", With([](PackageFields& f) { f.name = "..\\..\\x.vek"; }), EXTRACT_NO_SIGNATURE},
      {"slash", With([](PackageFields& f) { f.name = "a/b.vek"; }), EXTRACT_NO_SIGNATURE},
      {"drive", With([](PackageFields& f) { f.name = "c:x.vek"; }), EXTRACT_NO_SIGNATURE},
      {"absolute", With([](PackageFields& f) { f.name = "C:\\Windows\\x.exe"; }), EXTRACT_NO_SIGNATURE},
      {"device", With([](PackageFields& f) { f.name = "CON"; }), EXTRACT_NO_SIGNATURE},
      {"device with extension", With([](PackageFields& f) { f.name = "nul.vek"; }), EXTRACT_NO_SIGNATURE},
      {"device COM superscript one", With([](PackageFields& f) { f.name = "COM\xB9"; }), EXTRACT_NO_SIGNATURE},
      {"device LPT superscript two", With([](PackageFields& f) { f.name = "lpt\xB2.vek"; }), EXTRACT_NO_SIGNATURE},
      {"device COM superscript three", With([](PackageFields& f) { f.name = "Com\xB3.x.vek"; }), EXTRACT_NO_SIGNATURE},
      {"superscript four is no digit", With([](PackageFields& f) { f.name = "COM\xB4.vek"; }), EXTRACT_OK},
      {"zero byte inside", With([](PackageFields& f) { f.name = std::string("a.vek\0.exe", 10); }), EXTRACT_NO_SIGNATURE},
      {"dots", With([](PackageFields& f) { f.name = ".."; }), EXTRACT_NO_SIGNATURE},
      // The bounds themselves are taken.
      {"name of 259", With([](PackageFields& f) { f.name = std::string(255, 'n') + ".vek"; }), EXTRACT_OK},
      {"name of 1", With([](PackageFields& f) { f.name = "x"; }), EXTRACT_OK},
      {"payload up to the trailer", With([](PackageFields& f) { f.offset = 300; f.size_field = 100; }), EXTRACT_OK},
      {"payload behind a longer image", With([](PackageFields& f) { f.offset = 310; f.size_field = 90; }), EXTRACT_OK},
      {"empty payload", With([](PackageFields& f) { f.offset = 400; f.size_field = 0; }), EXTRACT_OK},
  };
  for (const TrailerCase& c : cases) {
    SelfExtractTrailer trailer;
    EXPECT_EQ(ReadTrailerOf(BuildPackage(c.fields), c.fields.image_end, &trailer), c.expected) << c.what;
    if (c.expected != EXTRACT_OK) {
      EXPECT_EQ(trailer.name[0], '\0') << c.what;
    }
  }
}

TEST(ExtractorTrailer, AFileTooShortForATrailerHasNoSignature) {
  for (const std::size_t size : {0u, 8u, 27u}) {
    SelfExtractTrailer trailer;
    Bytes bytes(size, 'Q');
    if (size >= 8) std::memcpy(bytes.data() + size - 8, "QLXSELFX", 8);
    EXPECT_EQ(ReadTrailerOf(bytes, 1, &trailer), EXTRACT_NO_SIGNATURE) << size;
  }
}

TEST(ExtractorTrailer, AMissingPackageCannotBeOpened) {
  SelfExtractTrailer trailer;
  EXPECT_EQ(ExtractorReadTrailer("/nonexistent/folder/package.exe", &trailer), EXTRACT_CANNOT_OPEN);
}

// A PE image of two sections whose raw data ends at 0x600 (the later one listed first).
Bytes SmallPeImage() {
  Bytes image(0x600, 0);
  image[0] = 'M';
  image[1] = 'Z';
  StoreLe32(image.data() + 0x3C, 0x80);
  std::memcpy(image.data() + 0x80, "PE\0\0", 4);
  StoreLe16(image.data() + 0x80 + 6, 2);      // sections
  StoreLe16(image.data() + 0x80 + 20, 0xE0);  // optional header
  std::uint8_t* table = image.data() + 0x80 + 24 + 0xE0;
  StoreLe32(table + 16, 0x200);  // first: raw size, raw start
  StoreLe32(table + 20, 0x400);
  StoreLe32(table + 40 + 16, 0x200);
  StoreLe32(table + 40 + 20, 0x200);
  return image;
}

std::uint64_t ImageEndOf(const Bytes& bytes) {
  TempDir dir;
  const std::string path = dir.File("image.exe");
  WriteFileBytes(path, bytes);
  FileHandle file = FileOpen(path.c_str(), "rb");
  return PeImageEnd(file.get());
}

TEST(ExtractorImage, EndsWithTheLastSectionsRawData) {
  EXPECT_EQ(ImageEndOf(SmallPeImage()), 0x600u);
  Bytes longer = SmallPeImage();
  longer.resize(0x900, 0xAA);  // an appended payload does not move the end
  EXPECT_EQ(ImageEndOf(longer), 0x600u);
}

TEST(ExtractorImage, AnythingElseHasNoEnd) {
  Bytes no_mz = SmallPeImage();
  no_mz[0] = 'X';
  Bytes no_pe = SmallPeImage();
  no_pe[0x81] = 'X';
  Bytes far_header = SmallPeImage();
  StoreLe32(far_header.data() + 0x3C, 0xFFFFFFF0);
  Bytes no_sections = SmallPeImage();
  StoreLe16(no_sections.data() + 0x80 + 6, 0);
  Bytes table_past_end = SmallPeImage();
  StoreLe16(table_past_end.data() + 0x80 + 20, 0xFFFF);
  for (const Bytes& bytes : {no_mz, no_pe, far_header, no_sections, table_past_end, Bytes(10, 'M')})
    EXPECT_EQ(ImageEndOf(bytes), 0u);
}

TEST(ExtractorPayload, CopiesExactlyThePayload) {
  TempDir dir;
  PackageFields fields;
  fields.payload_size = 40000;  // more than one copy buffer
  const Bytes package = BuildPackage(fields);
  const std::string path = dir.File("package.exe");
  WriteFileBytes(path, package);
  FileHandle file = FileOpen(path.c_str(), "rb");
  SelfExtractTrailer trailer;
  ASSERT_EQ(TrailerRead(file.get(), fields.image_end, &trailer), EXTRACT_OK);
  const std::string copy = dir.File("file.vek");
  FileHandle out = FileOpen(copy.c_str(), "wb");
  ASSERT_EQ(PayloadCopy(file.get(), trailer, out.get()), EXTRACT_OK);
  ASSERT_TRUE(FileClose(out));
  EXPECT_EQ(ReadFileBytes(copy), Bytes(package.begin() + 300, package.begin() + 300 + 40000));
}

TEST(ExtractorMessages, OneTextPerCode) {
  const struct {
    int code;
    const char* text;
  } cases[] = {
      {-1, "The source file cannot be open"},
      {-2, "The file has not an auto-extractible signature"},
      {-3, "The version of the file to be extracted is incompatible with the extractor"},
      {-4, "There's no file to be extracted"},
      {-5, "Unable to open the destination file"},
      {-6, "Please, enter a password to decrypt the file"},
      {-7, "Please, enter a destination directory where to decrypt the file"},
      {-8, ""},
      {-9, "The password is too long.\nPlease, enter a password of at most 127 characters."},
      {-10, "Default"},
      {0, "Default"},
      {1, ""},
  };
  for (const auto& c : cases) EXPECT_STREQ(ExtractorMessageText(c.code), c.text) << c.code;
}

TEST(ExtractorNames, JoinsFolderAndNameWithOneBackslash) {
  char out[260];
  ASSERT_TRUE(JoinFolderAndName("C:\\Docs", "file.vek", out, sizeof out));
  EXPECT_STREQ(out, "C:\\Docs\\file.vek");
  ASSERT_TRUE(JoinFolderAndName("C:\\Docs\\", "file.vek", out, sizeof out));
  EXPECT_STREQ(out, "C:\\Docs\\file.vek");
  const std::string folder = "C:\\" + std::string(246, 'd');  // 249 + "\" + 9 = 259: fits
  EXPECT_TRUE(JoinFolderAndName(folder.c_str(), "file.vekx", out, sizeof out));
  EXPECT_FALSE(JoinFolderAndName(folder.c_str(), "file.vekxy", out, sizeof out));
  EXPECT_STREQ(out, "");
}

TEST(ExtractorTexts, ReplacePromptAndFailedMove) {
  EXPECT_EQ(ReplacePromptText("a.doc"), "The file \"a.doc\" already exists.\n\nWhat do you wish to do ?");
  const std::string head = "Unable to rename :\n   C:\\t\\a.doc\nto D:\\a.doc\n";
  const struct {
    int error;
    std::string tail;
  } cases[] = {
      {2, "\nCannot find the file to be renamed."},
      {13, "\nThe new filename si an already existing file\nor a file that cannot be created (wrong path)."},
      {17, "\nsystem words"},
      {22, "\nWrong characters in the new filename."},
      {28, "\nerror=28, system words"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MoveErrorText("C:\\t\\a.doc", "D:\\a.doc", c.error, "system words"), head + c.tail) << c.error;
}

}  // namespace
