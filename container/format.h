// The .vek container: header, chunk framing, chunk kinds, the summary reader and the
// chunk walk that every reader of a container shares.
//
//   offset 0   20 bytes  signature "VEK!(C)ORVANEL-05/99"
//   offset 20   4 bytes  version, four ASCII characters ("4.10")
//   offset 24            chunks: u32 length L, u32 type, L data bytes; no padding
//
// All integers are unsigned 32-bit little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "base/types.h"

constexpr char CONTAINER_SIGNATURE[] = "VEK!(C)ORVANEL-05/99";
constexpr std::size_t CONTAINER_SIGNATURE_SIZE = 20;
constexpr std::size_t CONTAINER_VERSION_SIZE = 4;
constexpr std::size_t CONTAINER_HEADER_SIZE = 24;
constexpr std::size_t CHUNK_HEADER_SIZE = 8;

// Chunk kinds; the number is also the type the writer stores.
enum ChunkKind : std::uint32_t {
  CHUNK_UNKNOWN = 0,
  CHUNK_KHKY = 1,   // wrapped session key (8 or 16 bytes)
  CHUNK_KHSH = 2,   // passphrase digest under the session key (16 bytes)
  CHUNK_KRCV = 3,   // recovery data: enters the header digest only
  CHUNK_ALGO = 4,   // algorithm code: 1 DES family, 2 AES (at most 4 bytes)
  CHUNK_TEXT = 5,   // text digest + cipher stream
  CHUNK_FILE = 6,   // name, time, digest + cipher stream
  CHUNK_HDRS = 7,   // digest of the key chunks before it (16 bytes)
  CHUNK_KNEP = 8,   // skipped
  CHUNK_KRID = 9,   // skipped
  CHUNK_KHHK = 10,  // digest of the session key (16 bytes)
};

// Limits every reader enforces before it reads a chunk's data.
constexpr std::uint32_t ALGO_DATA_MAX = 4;
constexpr std::uint32_t FILE_NAME_MAX = 259;        // characters, the zero byte not counted
constexpr std::uint32_t HEADER_DIGEST_BUFFER = 1024;  // key-chunk data before an HDRS chunk
constexpr std::uint32_t DIGEST_SIZE = 16;
constexpr std::uint32_t FILE_TIME_SIZE = 8;

// Version classes of ContainerReadInfo.
enum : std::uint32_t {
  VERSION_BEFORE_241 = 1,  // below "2.41": refused (0xF004)
  VERSION_241_246 = 2,     // "2.41" to "2.46"
  VERSION_247_309 = 3,     // above "2.46", below "3.10"
  VERSION_310_399 = 4,     // "3.10" to below "4.00"
  VERSION_CURRENT = 5,     // "4.00" on: the only class that is decrypted
};

// Summary of a container.
struct ContainerInfo {
  std::uint32_t text_length;    // L - 16 of the last TEXT chunk, 0 when none
  std::uint32_t file_count;     // FILE chunks
  std::uint32_t version_class;  // 1 to 5
  std::uint32_t algorithm;      // ALGO data as a little-endian number, 0 when none
  std::uint32_t key_length;     // L of the last KHKY chunk
};

// The last-write time in a FILE chunk: low 32 bits, then high 32 bits.
FileTime ContainerLoadFileTime(const std::uint8_t bytes[8]);
void ContainerStoreFileTime(const FileTime& time, std::uint8_t bytes[8]);

// Writes a chunk: its length, its type and the length bytes of data. false when the
// stream refused a byte (a buffered stream may report it only when closed).
bool ContainerWriteChunk(std::FILE* file, std::uint32_t length, std::uint32_t type, const void* data);
// Writes only the length and type; the caller writes the length data bytes itself.
bool ContainerWriteChunkHeader(std::FILE* file, std::uint32_t length, std::uint32_t type);

// Kind of a type field: the number 1 to 10 or the four ASCII bytes of the tag ("TEXT"
// as bytes is kind 5, the same as the number 5); anything else is CHUNK_UNKNOWN.
// The extractor's build of the reader (QLX_EXTRACTOR_READER) knows the numbers only.
std::uint32_t ContainerChunkKind(std::uint32_t type_field);

// Class 1..5 of a 4-byte version field (compared byte-wise, as memcmp). The extractor's
// build of the reader puts everything below "4.07" in class 1 (refused with 0xF004).
std::uint32_t ContainerVersionClass(const char version[4]);

// Reads the 24-byte header: 1 with the version copied out, 0xF005 when the signature
// differs or the file is shorter.
std::uint32_t ContainerReadHeader(std::FILE* file, char version[4]);

// Summary of the container at path: 1, 0xF003 (cannot open), 0xF004 (older than 2.41)
// or 0xF005 (wrong format: signature, framing or a limit). Containers of version class
// 5 are walked chunk by chunk and checked; the other classes are only classed.
std::uint32_t ContainerReadInfo(const char* path, ContainerInfo* info);

// How many of the files (their path) begin with the signature. A file that cannot be
// opened stops the count with a warning box naming it, and the result -1.
int CountContainers(const FileEntry* entries, std::uint32_t count);

// --- The chunk walk -------------------------------------------------------------
// Each chunk is counted as its 8 header bytes plus its length, from the end of the
// 24-byte header, in 64 bits; a chunk whose data would run past the end of the file is
// refused. Every step seeks to an absolute position, so no input makes it go back.

struct ContainerWalk {
  std::FILE* file;
  std::uint64_t file_size;   // S
  std::uint64_t next;        // where the next chunk begins
  std::uint64_t data_start;  // the current chunk's data
  std::uint32_t length;      // the current chunk's L
  std::uint32_t type;        // its raw type field
  std::uint32_t kind;        // ContainerChunkKind(type)
};

// Answers of ContainerWalkNext besides the result codes, and distinct from all of them.
constexpr std::uint32_t WALK_CHUNK = 0xF101;  // a chunk was framed
constexpr std::uint32_t WALK_END = 0xF100;    // no further chunk

// Starts a walk of an open container at offset 24; 1, or 0xF005 when the size cannot
// be read.
std::uint32_t ContainerWalkBegin(ContainerWalk* walk, std::FILE* file);
// Frames the next chunk: WALK_CHUNK with the walk's length/type/kind set and the file
// at its data; WALK_END when no length or type byte is left; 0xF005 for a cut-short
// field, a chunk past the end of the file, or a failed seek or read.
std::uint32_t ContainerWalkNext(ContainerWalk* walk);
// Reads exactly size bytes of the current chunk's data (from the file's position,
// which must stay within the chunk): 1, or 0xF005.
std::uint32_t ContainerWalkRead(ContainerWalk* walk, void* buffer, std::uint32_t size);
// Checks a chunk's length against its kind's limits before any of its data is read:
// KHKY 8 or 16; KHSH, KHHK 16; ALGO at most 4; HDRS and TEXT at least 16; FILE at least
// a zero byte, a time and a digest. 1, or 0xF005.
std::uint32_t ContainerCheckChunkLength(std::uint32_t kind, std::uint32_t length);
// Reads the name of a FILE chunk: a zero byte within the first 260 bytes and within
// the chunk, and room left for the time and the digest. 1 with name (260 bytes) and its
// length set, the file just past the zero byte; or 0xF005.
std::uint32_t ContainerReadFileName(ContainerWalk* walk, char name[QLX_PATH_SIZE],
                                    std::uint32_t* name_length);

// --- Header digest bookkeeping ---------------------------------------------------
// The data of every KHKY, KHSH, KRCV and ALGO chunk, in file order, is gathered for the
// digest that an HDRS chunk carries; at most 1024 bytes of it may precede an HDRS.

struct HeaderDigest {
  std::uint8_t data[HEADER_DIGEST_BUFFER];
  std::uint32_t used;
  bool overflowed;  // more than 1024 bytes were offered; an HDRS chunk then refuses
};

void HeaderDigestReset(HeaderDigest* digest);
// Room for the next length bytes of key-chunk data, or nullptr (and overflowed set)
// when they would not fit; the caller then skips them instead of reading them.
std::uint8_t* HeaderDigestReserve(HeaderDigest* digest, std::uint32_t length);
// True when the kind's data belongs to the header digest.
bool HeaderDigestTakes(std::uint32_t kind);
