// Writes the part of a self-extracting package that follows the stub: the container
// byte for byte and the trailer that tells the extractor where it lies.
#include "container/package.h"

#include <cstring>
#include <vector>

#include "platform/bytes.h"
#include "platform/fileio.h"
#include "platform/paths.h"

namespace {

// The extension as the shell finds it: from the last dot of the path that no
// separator or space follows; the terminator when there is none.
const char* ExtensionOf(const char* path) {
  const char* dot = nullptr;
  const char* p = path;
  for (; *p; ++p) {
    if (*p == '\\' || *p == '/' || *p == ' ') dot = nullptr;
    else if (*p == '.') dot = p;
  }
  return dot ? dot : p;
}

}  // namespace

int PackagePath(const char* container_path, char* out) {
  const std::size_t stem = static_cast<std::size_t>(ExtensionOf(container_path) - container_path);
  const std::size_t extension = sizeof PACKAGE_EXTENSION - 1;
  if (stem + extension >= static_cast<std::size_t>(QLX_PATH_SIZE)) return 0;
  // out may be container_path: its stem is already in place then.
  if (out != container_path) std::memmove(out, container_path, stem);
  std::memcpy(out + stem, PACKAGE_EXTENSION, extension + 1);
  return 1;
}

std::size_t PackageTrailer(std::uint32_t stub_size, std::uint32_t payload_size, const char* name,
                           std::uint8_t* out, std::size_t capacity) {
  const std::size_t n = std::strlen(name);
  if (n == 0 || n > PACKAGE_NAME_MAX || capacity < n + PACKAGE_TRAILER_FIXED) return 0;
  std::uint8_t* p = out;
  StoreLe32(p, stub_size);
  StoreLe32(p + 4, payload_size);
  p += 8;
  std::memcpy(p, name, n);
  p += n;
  StoreLe32(p, static_cast<std::uint32_t>(n));
  StoreLe32(p + 4, PACKAGE_FILE_COUNT);
  p += 8;
  std::memcpy(p, PACKAGE_VERSION, PACKAGE_VERSION_SIZE);
  p += PACKAGE_VERSION_SIZE;
  std::memcpy(p, PACKAGE_MARKER, PACKAGE_MARKER_SIZE);
  return n + PACKAGE_TRAILER_FIXED;
}

PackageStatus AppendPackagePayload(const char* package_path, const char* container_path) {
  FileHandle package = FileOpen(package_path, "ab");
  if (!package) return PackageStatus::OutputUnopenable;
  const std::int64_t stub = FileSize(package.get());
  FileHandle container = FileOpen(container_path, "rb");
  if (!container) return PackageStatus::InputUnopenable;
  const std::int64_t payload = FileSize(container.get());
  if (stub < 0 || payload < 0) return PackageStatus::WriteFailed;

  std::uint8_t trailer[PACKAGE_NAME_MAX + PACKAGE_TRAILER_FIXED];
  const std::size_t trailer_size = PackageTrailer(static_cast<std::uint32_t>(stub), static_cast<std::uint32_t>(payload),
                                                  PathFileName(container_path), trailer, sizeof trailer);
  if (trailer_size == 0) return PackageStatus::InputUnopenable;
  // Every offset the extractor reads is 32 bits: the whole package must stay below 4 GiB.
  if (static_cast<std::uint64_t>(stub) + static_cast<std::uint64_t>(payload) + trailer_size > 0xFFFFFFFFull)
    return PackageStatus::TooLarge;

  std::vector<std::uint8_t> buffer(64 * 1024);
  std::uint64_t left = static_cast<std::uint64_t>(payload);
  while (left > 0) {
    const std::size_t want = left < buffer.size() ? static_cast<std::size_t>(left) : buffer.size();
    if (std::fread(buffer.data(), 1, want, container.get()) != want) return PackageStatus::WriteFailed;
    if (!FileWriteAll(package.get(), buffer.data(), want)) return PackageStatus::WriteFailed;
    left -= want;
  }
  // The container must have ended where its size said.
  if (std::fgetc(container.get()) != EOF) return PackageStatus::WriteFailed;
  if (!FileWriteAll(package.get(), trailer, trailer_size)) return PackageStatus::WriteFailed;
  if (!FileClose(package)) return PackageStatus::WriteFailed;
  return PackageStatus::Done;
}
