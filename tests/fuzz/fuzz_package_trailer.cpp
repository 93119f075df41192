// Fuzz target: the self-extractor's reading of its own package (it arrives by mail):
// PeImageEnd over the program image at the front, the trailer behind the payload, and
// the copy of the payload. Besides the sanitizers' checks, both answers are compared
// with a small in-memory model of the rules, an accepted trailer must describe a
// payload that lies wholly behind the image and before the trailer under a plain name,
// and the copy must be exactly those bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "container/names.h"
#include "extractor/package.h"
#include "platform/bytes.h"
#include "platform/fileio.h"
#include "tests/fuzz/fuzz_files.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// The end of the image: the furthest end of a section's raw data, or 0 when the bytes
// do not begin with an "MZ" header leading to a "PE" header with 1 to 96 sections whose
// table lies inside the bytes.
std::uint64_t ModelImageEnd(const std::uint8_t* data, std::size_t size) {
  if (size < 64 || data[0] != 'M' || data[1] != 'Z') return 0;
  const std::uint64_t pe = LoadLe32(data + 0x3C);
  if (pe + 24 > size || std::memcmp(data + pe, "PE\0\0", 4) != 0) return 0;
  const std::uint32_t sections = LoadLe16(data + pe + 6);
  if (sections == 0 || sections > 96) return 0;
  const std::uint64_t table = pe + 24 + LoadLe16(data + pe + 20);
  std::uint64_t end = 0;
  for (std::uint32_t i = 0; i < sections; ++i) {
    const std::uint64_t at = table + 40ull * i;
    if (at + 40 > size) return 0;
    const std::uint64_t raw_size = LoadLe32(data + at + 16);
    const std::uint64_t raw_start = LoadLe32(data + at + 20);
    if (raw_size != 0 && raw_start + raw_size > end) end = raw_start + raw_size;
  }
  return end;
}

// The trailer's answer, read from the end of the bytes.
int ModelTrailer(const std::uint8_t* data, std::size_t size, std::uint64_t image_end, SelfExtractTrailer* out) {
  *out = SelfExtractTrailer{};
  if (size < 28) return EXTRACT_NO_SIGNATURE;
  const std::uint8_t* end = data + size;
  if (std::memcmp(end - 8, "QLXSELFX", 8) != 0) return EXTRACT_NO_SIGNATURE;
  if (std::memcmp(end - 12, "1.01", 4) != 0) return EXTRACT_WRONG_VERSION;
  const std::uint32_t count = LoadLe32(end - 16);
  if (count == 0) return EXTRACT_NO_FILE;
  const std::uint64_t n = LoadLe32(end - 20);
  if (n < 1 || n > 259 || n + 28 > size) return EXTRACT_NO_SIGNATURE;
  const std::uint8_t* trailer = end - 28 - n;
  const std::string name(reinterpret_cast<const char*>(trailer + 8), n);
  if (name.find('\0') != std::string::npos || !FileNameIsPlain(name.c_str())) return EXTRACT_NO_SIGNATURE;
  const std::uint64_t offset = LoadLe32(trailer);
  const std::uint64_t payload = LoadLe32(trailer + 4);
  const std::uint64_t trailer_start = static_cast<std::uint64_t>(trailer - data);
  if (image_end == 0 || offset < image_end || offset + payload > trailer_start) return EXTRACT_NO_SIGNATURE;
  out->payload_offset = static_cast<std::uint32_t>(offset);
  out->payload_size = static_cast<std::uint32_t>(payload);
  out->name_length = static_cast<std::uint32_t>(n);
  out->file_count = count;
  std::memcpy(out->name, name.data(), n);
  return EXTRACT_OK;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string package = FuzzTempPath("trailer", ".exe");
  static const std::string copy = FuzzTempPath("trailer", ".vek");
  FuzzWriteFile(package, data, size);

  const std::uint64_t expected_end = ModelImageEnd(data, size);
  SelfExtractTrailer expected;
  const int expected_result = ModelTrailer(data, size, expected_end, &expected);

  {
    FileHandle file = FileOpen(package.c_str(), "rb");
    Check(file != nullptr);
    Check(PeImageEnd(file.get()) == expected_end);
  }
  SelfExtractTrailer trailer;
  std::memset(&trailer, 0xA5, sizeof trailer);
  const int result = ExtractorReadTrailer(package.c_str(), &trailer);
  Check(result == expected_result);
  // Refused or not, the trailer holds the model's fields (all zero when refused).
  Check(std::memcmp(&trailer, &expected, sizeof trailer) == 0);

  if (result == EXTRACT_OK) {
    Check(trailer.name[trailer.name_length] == '\0' && std::strlen(trailer.name) == trailer.name_length);
    Check(trailer.payload_offset >= expected_end);
    Check(std::uint64_t{trailer.payload_offset} + trailer.payload_size + 28 + trailer.name_length <= size);
    FileHandle in = FileOpen(package.c_str(), "rb");
    FileHandle out = FileOpen(copy.c_str(), "wb");
    Check(in != nullptr && out != nullptr);
    Check(PayloadCopy(in.get(), trailer, out.get()) == EXTRACT_OK);
    Check(FileClose(out));
    const std::vector<std::uint8_t> bytes = FuzzReadFile(copy);
    Check(bytes.size() == trailer.payload_size &&
          (bytes.empty() || std::memcmp(bytes.data(), data + trailer.payload_offset, bytes.size()) == 0));
    std::remove(copy.c_str());
  }
  std::remove(package.c_str());
  return 0;
}
