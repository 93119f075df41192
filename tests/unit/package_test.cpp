// The self-extracting package behind its stub: the ".exe" path of a container, the
// trailer's bytes, and the payload and trailer appended to a stub on disk.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "container/package.h"
#include "platform/bytes.h"
#include "tests/support/test_support.h"

namespace {

struct PathCase {
  const char* container;
  const char* package;
};

TEST(PackagePath, ReplacesTheNamesExtensionOrAppendsOne) {
  const PathCase cases[] = {
      {"C:\\Temp\\file.vek", "C:\\Temp\\file.exe"},
      {"C:\\Temp\\file", "C:\\Temp\\file.exe"},                 // no extension: appended
      {"C:\\my.dir\\file", "C:\\my.dir\\file.exe"},             // a dot in the folder is no extension
      {"/tmp/a.b/file", "/tmp/a.b/file.exe"},
      {"C:\\Temp\\archive.tar.vek", "C:\\Temp\\archive.tar.exe"},  // only the last one
      {"C:\\Temp\\my file.vek", "C:\\Temp\\my file.exe"},
      {"C:\\Temp\\file.v ek", "C:\\Temp\\file.v ek.exe"},       // a space after the dot ends it, as in the shell
      {"file.", "file.exe"},
      {"file.vek", "file.exe"},
  };
  for (const PathCase& c : cases) {
    char out[QLX_PATH_SIZE] = "untouched";
    ASSERT_EQ(PackagePath(c.container, out), 1) << c.container;
    EXPECT_STREQ(out, c.package) << c.container;
  }
}

TEST(PackagePath, OutMayBeTheContainerPathItself) {
  char path[QLX_PATH_SIZE] = "C:\\Temp\\file.vek";
  ASSERT_EQ(PackagePath(path, path), 1);
  EXPECT_STREQ(path, "C:\\Temp\\file.exe");
  char bare[QLX_PATH_SIZE] = "C:\\Temp\\file";
  ASSERT_EQ(PackagePath(bare, bare), 1);
  EXPECT_STREQ(bare, "C:\\Temp\\file.exe");
}

TEST(PackagePath, RefusesAResultLongerThanAPathBuffer) {
  // 255 characters + ".exe" = 259 fits exactly; one more does not.
  const std::string fits = std::string(251, 'a') + ".vek";
  char out[QLX_PATH_SIZE] = "untouched";
  ASSERT_EQ(PackagePath((std::string(255, 'a')).c_str(), out), 1);
  EXPECT_EQ(std::strlen(out), 259u);
  EXPECT_EQ(PackagePath((std::string(256, 'a')).c_str(), out), 0);
  EXPECT_EQ(PackagePath((std::string(256, 'a') + ".vek").c_str(), out), 0);
  ASSERT_EQ(PackagePath(fits.c_str(), out), 1);  // the extension replaced: shorter
  EXPECT_EQ(std::string(out), std::string(251, 'a') + ".exe");
  char same[QLX_PATH_SIZE] = {};
  std::memset(same, 'b', 256);
  EXPECT_EQ(PackagePath(same, same), 0);
  EXPECT_EQ(std::string(same), std::string(256, 'b')) << "left unchanged";
}

TEST(PackageTrailer, RefusesNamesOutOfRangeAndShortBuffers) {
  std::uint8_t out[400] = {};
  EXPECT_EQ(PackageTrailer(1, 2, "", out, sizeof out), 0u);
  EXPECT_EQ(PackageTrailer(1, 2, std::string(260, 'n').c_str(), out, sizeof out), 0u);
  EXPECT_EQ(PackageTrailer(1, 2, std::string(259, 'n').c_str(), out, sizeof out), 259u + 28u);
  EXPECT_EQ(PackageTrailer(1, 2, "file.vek", out, 35), 0u);
  EXPECT_EQ(PackageTrailer(1, 2, "file.vek", out, 36), 36u);
}

Bytes Pattern(std::size_t size, std::uint8_t seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  return bytes;
}

TEST(AppendPackagePayload, AThousandByteFileVekEndsInItsThirtySixByteTrailer) {
  TempDir dir;
  const Bytes stub = Pattern(3000, 0x4D);
  const Bytes container = Pattern(1000, 0x56);
  const std::string package = dir.File("file.exe");
  WriteFileBytes(package, stub);
  WriteFileBytes(dir.File("file.vek"), container);

  ASSERT_EQ(AppendPackagePayload(package.c_str(), dir.File("file.vek").c_str()), PackageStatus::Done);
  const Bytes written = ReadFileBytes(package);
  ASSERT_EQ(written.size(), 3000u + 1000u + 8u + 28u);  // S + P + N + 28

  Bytes expected_tail = {0xB8, 0x0B, 0, 0,   // S = 3000
                         0xE8, 0x03, 0, 0};  // P = 1000
  for (char c : std::string("file.vek")) expected_tail.push_back(static_cast<std::uint8_t>(c));
  for (std::uint8_t b : {8, 0, 0, 0, 1, 0, 0, 0}) expected_tail.push_back(b);
  for (char c : std::string("1.01QLXSELFX")) expected_tail.push_back(static_cast<std::uint8_t>(c));
  ASSERT_EQ(expected_tail.size(), 36u);
  EXPECT_EQ(Bytes(written.end() - 36, written.end()), expected_tail);
  EXPECT_EQ(Bytes(written.begin(), written.begin() + 3000), stub);
  EXPECT_EQ(Bytes(written.begin() + 3000, written.begin() + 4000), container);
}

TEST(AppendPackagePayload, SizesAndFieldsFollowTheStubAndThePayload) {
  TempDir dir;
  struct Case {
    std::size_t stub, payload;
    const char* name;
  };
  const Case cases[] = {{1, 0, "a"}, {70000, 200000, "multfile.vek"}, {512, 65536, "report with spaces.vek"}};
  for (const Case& c : cases) {
    const std::string package = dir.File("package.exe");
    const std::string container = dir.File(c.name);
    WriteFileBytes(package, Pattern(c.stub, 1));
    WriteFileBytes(container, Pattern(c.payload, 2));
    ASSERT_EQ(AppendPackagePayload(package.c_str(), container.c_str()), PackageStatus::Done) << c.name;
    const Bytes bytes = ReadFileBytes(package);
    const std::size_t n = std::strlen(c.name);
    ASSERT_EQ(bytes.size(), c.stub + c.payload + n + 28) << c.name;
    const std::uint8_t* end = bytes.data() + bytes.size();
    EXPECT_EQ(LoadLe32(end - 28 - n), c.stub) << c.name;
    EXPECT_EQ(LoadLe32(end - 24 - n), c.payload) << c.name;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(end - 20 - n), n), c.name);
    EXPECT_EQ(LoadLe32(end - 20), n);
    EXPECT_EQ(Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(c.stub),
                    bytes.begin() + static_cast<std::ptrdiff_t>(c.stub + c.payload)),
              Pattern(c.payload, 2))
        << c.name;
  }
}

TEST(AppendPackagePayload, ReportsWhatCannotBeOpened) {
  TempDir dir;
  WriteFileBytes(dir.File("file.vek"), Pattern(10, 3));
  WriteFileBytes(dir.File("file.exe"), Pattern(10, 4));
  EXPECT_EQ(AppendPackagePayload(dir.File("none").append("/file.exe").c_str(), dir.File("file.vek").c_str()),
            PackageStatus::OutputUnopenable);
  EXPECT_EQ(AppendPackagePayload(dir.File("file.exe").c_str(), dir.File("missing.vek").c_str()),
            PackageStatus::InputUnopenable);
  EXPECT_EQ(ReadFileBytes(dir.File("file.exe")), Pattern(10, 4)) << "nothing appended";
}

#ifndef _WIN32
TEST(AppendPackagePayload, AWriteThatFailsIsNoSuccess) {
  TempDir dir;
  // A large payload fails while it is copied; a small one only when the package is
  // closed and its buffer written.
  for (std::size_t size : {100000u, 10u}) {
    WriteFileBytes(dir.File("file.vek"), Pattern(size, 5));
    EXPECT_EQ(AppendPackagePayload("/dev/full", dir.File("file.vek").c_str()), PackageStatus::WriteFailed) << size;
  }
}
#endif

}  // namespace
