// The self-extracting package: the extractor program (the stub, S bytes), the
// container byte for byte (the payload, P bytes), then the trailer (N + 28 bytes):
//
//   u32 payload offset (S)   u32 payload size (P)   name (N bytes, no terminator)
//   u32 name length (N)      u32 file count (1)     "1.01"   "QLXSELFX"
//
// All integers unsigned 32-bit little-endian. Read from the end: the marker is the last
// 8 bytes, the version the 4 before, the file count at 16 from the end, the name length
// at 20, the name at 20 + N, the payload size at 24 + N, the payload offset at 28 + N.
//
// The stub is written by the caller (on Windows it is a resource of the program);
// everything behind it is plain file work, done here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/types.h"

constexpr char PACKAGE_MARKER[] = "QLXSELFX";
constexpr std::size_t PACKAGE_MARKER_SIZE = 8;
constexpr char PACKAGE_VERSION[] = "1.01";
constexpr std::size_t PACKAGE_VERSION_SIZE = 4;
constexpr std::uint32_t PACKAGE_FILE_COUNT = 1;
// The trailer's size without its name.
constexpr std::size_t PACKAGE_TRAILER_FIXED = 28;
// A stored name is 1 to this many bytes.
constexpr std::size_t PACKAGE_NAME_MAX = QLX_PATH_SIZE - 1;
constexpr char PACKAGE_EXTENSION[] = ".exe";

// The package's path for a container: the container path with the extension of its
// file name (from its last dot) replaced by ".exe", or ".exe" appended when it has
// none. out (QLX_PATH_SIZE bytes) may be container_path itself. 0, out unchanged, when
// the result does not fit.
int PackagePath(const char* container_path, char* out);

// The trailer for a stub of stub_size bytes and a payload of payload_size bytes stored
// under name (without folder, 1 to PACKAGE_NAME_MAX bytes). Writes N + 28 bytes to out
// and returns that length; 0 (nothing written) for a name out of range or a trailer
// longer than capacity.
std::size_t PackageTrailer(std::uint32_t stub_size, std::uint32_t payload_size, const char* name,
                           std::uint8_t* out, std::size_t capacity);

enum class PackageStatus {
  Done,               // payload and trailer appended, the package closed intact
  OutputUnopenable,   // the package cannot be opened for appending
  InputUnopenable,    // the container cannot be opened for reading
  TooLarge,           // the package would pass 4 GiB, which its 32-bit fields cannot say
  WriteFailed,        // a read or write fell short, or the close failed
};

// Appends the container at container_path and the trailer to the package at
// package_path, which holds the stub already: S is the package's size when it is
// opened. The name stored is the container's file name. On any status but Done the
// package may hold a part of what was appended; the caller removes it.
PackageStatus AppendPackagePayload(const char* package_path, const char* container_path);
