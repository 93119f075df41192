// The compressed file format and its file operations.
//
// A compressed file is a run of records with no header or trailer, one record per read
// of up to 1024 bytes from the uncompressed file (every record but the last stands for
// exactly 1024 bytes):
//   offset 0  1 byte   kind: 1 = LZRW1 block, anything else = stored bytes
//   offset 1  2 bytes  length of the data, unsigned little-endian (at most 1028)
//   offset 3           data
// Blocks of fewer than 56 bytes are stored (kind 0); from 56 bytes on they always go
// through the LZRW1 compressor (kind 1), whatever the gain.
//
// Both operations open and close their own files, show any failure themselves through
// ErrorBox (owned by the main window) and report work through ProgressCodec. The
// destination of a failed call is left as far as it was written; the caller deletes it.
#pragma once

#include <cstdint>

#include "compress/lzrw1.h"  // Lzrw1Compress, Lzrw1Decompress

constexpr std::uint32_t RECORD_HEADER_SIZE = 3;
constexpr std::uint8_t RECORD_STORED = 0;
constexpr std::uint8_t RECORD_COMPRESSED = 1;
constexpr std::uint32_t RECORD_COMPRESS_MIN = 56;  // smaller blocks are stored
constexpr std::uint32_t RECORD_DATA_MAX = LZRW1_OUTPUT_MAX;  // 1028

// Compresses the file at source_path into a new file at destination_path (an existing
// one is replaced). 1 = done, *compressed_size = the destination's length; 0 = failed
// (cannot open either file, a read of the source or a write of the destination failed,
// including the final flush), the message already shown and *compressed_size = 0.
int CompressFile(const char* source_path, const char* destination_path, std::uint64_t* compressed_size);

// Restores the file at source_path into a new file at destination_path. 1 = done; 0 =
// failed (cannot open, read or write, or the records are malformed: "Format du fichier
// compressé erroné"), the message already shown. The end of the source may only fall
// between records.
int DecompressFile(const char* source_path, const char* destination_path);
