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

#include <cstddef>
#include <cstdint>

#include "compress/lzrw1.h"  // Lzrw1Compress, Lzrw1Decompress

constexpr std::uint32_t RECORD_HEADER_SIZE = 3;
constexpr std::uint8_t RECORD_STORED = 0;
constexpr std::uint8_t RECORD_COMPRESSED = 1;
constexpr std::uint32_t RECORD_COMPRESS_MIN = 56;  // smaller blocks are stored
constexpr std::uint32_t RECORD_DATA_MAX = LZRW1_OUTPUT_MAX;  // 1028

constexpr std::uint32_t RECORD_MAX = RECORD_HEADER_SIZE + RECORD_DATA_MAX;  // 1031: the largest record

// --- Records one at a time, for data that arrives in pieces -----------------------
// These show nothing and report nothing: the caller does both (they may run on a
// thread of their own).

// The record of one read of size (1 to 1024) source bytes, written to record (room for
// RECORD_MAX bytes); gives its length. *reported is the count the compressor reports
// through ProgressCodec for it: size for a compressed block, 0 for a stored one.
std::uint32_t CompressRecord(const std::uint8_t* block, std::uint32_t size, std::uint8_t* record,
                             std::uint32_t* reported);

// Restores a compressed image fed in pieces of any size, calling the sink with every
// restored block in order: its bytes and the count the decompressor reports for it
// (the stored length of a compressed record, 0 for a stored one). A sink that answers
// false stops the decoding.
using RecordSink = bool (*)(void* context, const std::uint8_t* bytes, std::uint32_t size, std::uint32_t reported);
struct RecordDecoder {
  std::uint8_t record[RECORD_MAX];  // a record begun in an earlier piece
  std::uint32_t have;               // its bytes so far
  std::uint8_t block[LZRW1_BLOCK_MAX];
};
constexpr int RECORDS_OK = 0;
constexpr int RECORDS_FORMAT_ERROR = 1;  // the records are malformed
constexpr int RECORDS_STOPPED = 2;       // the sink answered false

void RecordDecoderBegin(RecordDecoder* decoder);
int RecordDecoderFeed(RecordDecoder* decoder, const std::uint8_t* data, std::size_t size, RecordSink sink,
                      void* context);
// At the end of the image: RECORDS_OK when it ended between records, else
// RECORDS_FORMAT_ERROR. Wipes the decoder.
int RecordDecoderEnd(RecordDecoder* decoder);

// The codec's failures, each with its message (below).
enum CodecFailure {
  CODEC_OPEN_SOURCE,       // "Unable to open\n%s\n to compress" / "... to decompress"
  CODEC_OPEN_DESTINATION,  // "Unable to open\n%s\n to receive compression" / "... decompression"
  CODEC_READ_SOURCE,       // "Unable to read\n%s\n to compress" / "... to decompress"
  CODEC_WRITE_DESTINATION, // "Unable to write\n%s\n to receive compression" / "... decompression"
  CODEC_FORMAT,            // "Format du fichier compress\xE9 erron\xE9"
  CODEC_NO_MEMORY,         // "Memory allocation problem\nwith compression" / "... decompression"
};
// Shows the message of a failure of the compression (compressing) or the
// decompression, with path in its "%s", in an error box owned by the main window.
void CodecShowFailure(bool compressing, CodecFailure failure, const char* path);

// --- Whole files ------------------------------------------------------------------

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
