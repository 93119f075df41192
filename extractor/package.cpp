// Reading the self-extracting package: the end of the extractor's own image, the trailer
// with its checks, and the copy of the payload.
#include "extractor/package.h"

#include <cstring>

#include "container/names.h"
#include "platform/bytes.h"
#include "platform/fileio.h"

namespace {

constexpr std::uint32_t PE_MAX_SECTIONS = 96;
constexpr std::uint32_t PE_SECTION_SIZE = 40;
constexpr std::size_t COPY_BUFFER = 16384;

bool ReadAt(std::FILE* file, std::uint64_t position, void* buffer, std::size_t size) {
  return FileSeek(file, position) && std::fread(buffer, 1, size, file) == size;
}

}  // namespace

std::uint64_t PeImageEnd(std::FILE* file) {
  const std::int64_t file_size = FileSize(file);
  if (file_size < 64) return 0;
  std::uint8_t dos[64];
  if (!ReadAt(file, 0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return 0;
  const std::uint64_t pe = LoadLe32(dos + 0x3C);
  std::uint8_t head[24];  // "PE\0\0" and the file header
  if (pe + sizeof head > static_cast<std::uint64_t>(file_size) || !ReadAt(file, pe, head, sizeof head) ||
      std::memcmp(head, "PE\0\0", 4) != 0)
    return 0;
  const std::uint32_t sections = LoadLe16(head + 6);
  const std::uint32_t optional_size = LoadLe16(head + 20);
  if (sections == 0 || sections > PE_MAX_SECTIONS) return 0;
  std::uint64_t end = 0;
  const std::uint64_t table = pe + sizeof head + optional_size;
  for (std::uint32_t i = 0; i < sections; ++i) {
    std::uint8_t section[PE_SECTION_SIZE];
    if (!ReadAt(file, table + std::uint64_t{i} * PE_SECTION_SIZE, section, sizeof section)) return 0;
    const std::uint64_t raw_size = LoadLe32(section + 16);
    const std::uint64_t raw_start = LoadLe32(section + 20);
    if (raw_size != 0 && raw_start + raw_size > end) end = raw_start + raw_size;
  }
  return end;
}

int TrailerRead(std::FILE* file, std::uint64_t image_end, SelfExtractTrailer* trailer) {
  std::memset(trailer, 0, sizeof *trailer);
  const std::int64_t signed_size = FileSize(file);
  if (signed_size < 0) return EXTRACT_CANNOT_OPEN;
  const std::uint64_t size = static_cast<std::uint64_t>(signed_size);
  if (size < PACKAGE_TRAILER_FIXED) return EXTRACT_NO_SIGNATURE;

  std::uint8_t tail[20];  // name length, file count, version, marker
  if (!ReadAt(file, size - sizeof tail, tail, sizeof tail)) return EXTRACT_CANNOT_OPEN;
  if (std::memcmp(tail + 12, PACKAGE_MARKER, PACKAGE_MARKER_SIZE) != 0) return EXTRACT_NO_SIGNATURE;
  if (std::memcmp(tail + 8, PACKAGE_VERSION, PACKAGE_VERSION_SIZE) != 0) return EXTRACT_WRONG_VERSION;
  const std::uint32_t file_count = LoadLe32(tail + 4);
  if (file_count == 0) return EXTRACT_NO_FILE;

  const std::uint32_t name_length = LoadLe32(tail);
  if (name_length < 1 || name_length > PACKAGE_NAME_MAX) return EXTRACT_NO_SIGNATURE;
  const std::uint64_t trailer_size = std::uint64_t{PACKAGE_TRAILER_FIXED} + name_length;
  if (trailer_size > size) return EXTRACT_NO_SIGNATURE;
  const std::uint64_t trailer_start = size - trailer_size;

  std::uint8_t fields[8];  // payload offset and size
  char name[QLX_PATH_SIZE] = {};
  if (!ReadAt(file, trailer_start, fields, sizeof fields) || std::fread(name, 1, name_length, file) != name_length)
    return EXTRACT_CANNOT_OPEN;
  // The name becomes a path in the chosen folder: a plain file name only, whole.
  if (std::memchr(name, '\0', name_length) != nullptr || !FileNameIsPlain(name)) return EXTRACT_NO_SIGNATURE;

  const std::uint64_t offset = LoadLe32(fields);
  const std::uint64_t payload_size = LoadLe32(fields + 4);
  // The payload lies behind the extractor's own image and before the trailer.
  if (image_end == 0 || offset < image_end || offset + payload_size > trailer_start) return EXTRACT_NO_SIGNATURE;

  trailer->payload_offset = static_cast<std::uint32_t>(offset);
  trailer->payload_size = static_cast<std::uint32_t>(payload_size);
  trailer->name_length = name_length;
  trailer->file_count = file_count;
  std::memcpy(trailer->name, name, sizeof name);
  return EXTRACT_OK;
}

int ExtractorReadTrailer(const char* path, SelfExtractTrailer* trailer) {
  std::memset(trailer, 0, sizeof *trailer);
  FileHandle file = FileOpen(path, "rb");
  if (!file) return EXTRACT_CANNOT_OPEN;
  return TrailerRead(file.get(), PeImageEnd(file.get()), trailer);
}

int PayloadCopy(std::FILE* package, const SelfExtractTrailer& trailer, std::FILE* destination) {
  if (!FileSeek(package, trailer.payload_offset)) return EXTRACT_CANNOT_OPEN;
  static std::uint8_t buffer[COPY_BUFFER];
  std::uint32_t left = trailer.payload_size;
  while (left > 0) {
    const std::size_t chunk = left < COPY_BUFFER ? left : COPY_BUFFER;
    if (std::fread(buffer, 1, chunk, package) != chunk) return EXTRACT_CANNOT_OPEN;
    if (!FileWriteAll(destination, buffer, chunk)) return EXTRACT_CANNOT_WRITE;
    left -= static_cast<std::uint32_t>(chunk);
  }
  return EXTRACT_OK;
}
