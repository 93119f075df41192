// The self-extracting package as the extractor reads it: its own program, the container
// appended behind it, and the trailer at the end of the file.
//
//   stub      S bytes   the extractor program
//   payload   P bytes   the container
//   trailer   N + 28    u32 S, u32 P, the name (N bytes, no terminator), u32 N,
//                       u32 file count (1), "1.01", "QLXSELFX"
//
// The file arrived by mail: every field is checked before it is used.
#pragma once

#include <cstdint>
#include <cstdio>

#include "base/types.h"
#include "container/package.h"  // the layout, shared with the builder

// The extractor's result codes; each but 1 and -8 has its message (ExtractorMessageText).
enum : int {
  EXTRACT_OK = 1,
  EXTRACT_CANNOT_OPEN = -1,        // the package cannot be read
  EXTRACT_NO_SIGNATURE = -2,       // no marker, or a trailer that does not hold together
  EXTRACT_WRONG_VERSION = -3,      // a trailer version other than "1.01"
  EXTRACT_NO_FILE = -4,            // file count 0
  EXTRACT_CANNOT_WRITE = -5,       // a destination cannot be written whole
  EXTRACT_NO_PASSPHRASE = -6,
  EXTRACT_NO_FOLDER = -7,
  EXTRACT_CANCELLED = -8,          // the user cancelled: no message
  EXTRACT_PASSPHRASE_TOO_LONG = -9,
};

struct SelfExtractTrailer {
  std::uint32_t payload_offset;
  std::uint32_t payload_size;
  std::uint32_t name_length;
  std::uint32_t file_count;
  char name[QLX_PATH_SIZE];  // the container's file name, zero-terminated
};

// Where the program image at the start of the file ends: the end of its last section's
// raw data. 0 when the file does not begin with a PE image.
std::uint64_t PeImageEnd(std::FILE* file);

// Reads and checks the trailer of the open package whose own program ends at image_end.
// In this order: marker (-2), version (-3), file count 0 (-4); then the name length 1
// to 259, a plain file name, and a payload that lies between image_end and the trailer;
// anything else is -2. 1 with trailer filled (zeroed on failure).
int TrailerRead(std::FILE* file, std::uint64_t image_end, SelfExtractTrailer* trailer);

// Opens the package at path (-1 when it cannot) and reads its trailer behind its own
// program image.
int ExtractorReadTrailer(const char* path, SelfExtractTrailer* trailer);

// Copies the payload of the open package to the open destination: 1, -1 when a read
// falls short, -5 when a write does (the caller still closes and checks the destination).
int PayloadCopy(std::FILE* package, const SelfExtractTrailer& trailer, std::FILE* destination);
