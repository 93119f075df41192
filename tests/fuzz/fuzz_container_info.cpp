// Fuzz target: ContainerReadInfo and CountContainers over arbitrary file contents.
// Besides the sanitizers' checks, every answer is compared with a small in-memory
// model of the same rules, so a walk that goes astray in the file is caught too.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "container/format.h"
#include "container/result.h"
#include "tests/fuzz/fuzz_files.h"

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The reader's rules over a byte buffer.
std::uint32_t Model(const std::uint8_t* data, std::size_t size, ContainerInfo* info) {
  *info = ContainerInfo{};
  if (size < 24 || std::memcmp(data, CONTAINER_SIGNATURE, 20) != 0) return RESULT_WRONG_FORMAT;
  info->version_class = ContainerVersionClass(reinterpret_cast<const char*>(data + 20));
  if (info->version_class == 1) return RESULT_OLD_VERSION;
  if (info->version_class == 2) info->file_count = 1;
  if (info->version_class != 5) return RESULT_OK;
  std::size_t at = 24;
  std::uint64_t key_bytes = 0;
  for (;;) {
    const std::size_t left = size - at;
    if (left == 0 || left == 4) return RESULT_OK;
    if (left < 8) return RESULT_WRONG_FORMAT;
    const std::uint32_t length = Le32(data + at);
    const std::uint32_t kind = ContainerChunkKind(Le32(data + at + 4));
    if (static_cast<std::uint64_t>(length) > left - 8) return RESULT_WRONG_FORMAT;
    const std::uint8_t* chunk = data + at + 8;
    if (ContainerCheckChunkLength(kind, length) != RESULT_OK) return RESULT_WRONG_FORMAT;
    if (kind == CHUNK_KHKY || kind == CHUNK_KHSH || kind == CHUNK_KRCV || kind == CHUNK_ALGO) key_bytes += length;
    if (kind == CHUNK_KHKY) info->key_length = length;
    if (kind == CHUNK_ALGO) {
      std::uint8_t bytes[4] = {};
      std::memcpy(bytes, chunk, length);
      info->algorithm = Le32(bytes);
    }
    if (kind == CHUNK_TEXT) info->text_length = length - 16;
    if (kind == CHUNK_FILE) {
      const std::size_t window = length < 260 ? length : 260;
      const void* zero = std::memchr(chunk, 0, window);
      if (!zero) return RESULT_WRONG_FORMAT;
      const std::size_t n = static_cast<const std::uint8_t*>(zero) - chunk;
      if (n + 25 > length) return RESULT_WRONG_FORMAT;
      ++info->file_count;
    }
    if (kind == CHUNK_HDRS && key_bytes > 1024) return RESULT_WRONG_FORMAT;
    at += 8 + static_cast<std::size_t>(length);
  }
}

const std::string& Path() {
  static const std::string path = FuzzTempPath("info", ".vek");
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzWriteFile(Path(), data, size);

  ContainerInfo info{};
  const std::uint32_t result = ContainerReadInfo(Path().c_str(), &info);
  ContainerInfo expected{};
  const std::uint32_t expected_result = Model(data, size, &expected);
  if (result != expected_result) std::abort();
  if (result == RESULT_OK && std::memcmp(&info, &expected, sizeof info) != 0) std::abort();

  FileEntry entry{};
  std::snprintf(entry.path, sizeof entry.path, "%s", Path().c_str());
  const int count = CountContainers(&entry, 1);
  if (count != (size >= 20 && std::memcmp(data, CONTAINER_SIGNATURE, 20) == 0 ? 1 : 0)) std::abort();
  std::remove(Path().c_str());
  return 0;
}
