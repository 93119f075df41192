// Records shared by the container operations and their callers.
#pragma once

#include <cstdint>

#include "platform/filetime.h"

// Paths and names live in buffers of this many characters (terminator included).
constexpr int QLX_PATH_SIZE = 260;

// One file of an operation: made by the caller with every field zeroed first.
struct FileEntry {
  char name[QLX_PATH_SIZE];       // name without folder, as shown and as stored in FILE chunks
  char path[QLX_PATH_SIZE];       // full path of the file (decryption: of the decrypted file)
  char container[QLX_PATH_SIZE];  // full path of the container made or read
  std::uint32_t size;             // size in bytes (encryption: replaced by the compressed size)
  FileTime time;                  // last-write time
};
