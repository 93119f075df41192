// DES and two-key Triple-DES buffer operations, the schedule area and the DES stream.
//
// The round function follows the classic compact form: the initial and final
// permutations are sequences of masked bit swaps, both halves are kept rotated left
// by one bit so that every S-box input is a plain 6-bit field of the (rotated) right
// half, and the S-boxes with the P permutation are folded into eight 64-entry
// tables. Each round's 48-bit subkey is kept as two words of four 6-bit groups
// (S1 S3 S5 S7 and S2 S4 S6 S8), lined up with those fields.
#include "crypto/des.h"

#include <bit>
#include <cstring>

#include "base/progress.h"
#include "crypto/random.h"
#include "platform/wipe.h"

namespace {

// ---- FIPS 46-3 tables (bit 1 is the most significant) -----------------------------

constexpr std::uint8_t kSBoxes[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8,  3,  10, 6,  12, 5,  9,  0, 7,  0, 15, 7,  4,  14, 2,
     13, 1,  10, 6, 12, 11, 9,  5,  3,  8,  4,  1,  14, 8,  13, 6, 2,  11, 15, 12, 9,  7,
     3,  10, 5,  0, 15, 12, 8,  2,  4,  9,  1,  7,  5,  11, 3,  14, 10, 0, 6,  13},
    {15, 1,  8,  14, 6,  11, 3,  4,  9,  7, 2,  13, 12, 0, 5,  10, 3,  13, 4,  7, 15, 2,
     8,  14, 12, 0,  1,  10, 6,  9,  11, 5, 0,  14, 7,  11, 10, 4,  13, 1,  5, 8,  12, 6,
     9,  3,  2,  15, 13, 8,  10, 1,  3,  15, 4, 2,  11, 6,  7,  12, 0,  5,  14, 9},
    {10, 0,  9,  14, 6,  3,  15, 5, 1,  13, 12, 7,  11, 4,  2,  8,  13, 7,  0,  9,  3,  4,
     6,  10, 2,  8,  5,  14, 12, 11, 15, 1,  13, 6,  4,  9,  8,  15, 3,  0,  11, 1,  2,  12,
     5,  10, 14, 7,  1,  10, 13, 0,  6,  9,  8,  7,  4,  15, 14, 3,  11, 5,  2,  12},
    {7,  13, 14, 3,  0,  6,  9,  10, 1,  2, 8,  5,  11, 12, 4, 15, 13, 8,  11, 5,  6,  15,
     0,  3,  4,  7,  2,  12, 1,  10, 14, 9, 10, 6,  9,  0,  12, 11, 7,  13, 15, 1,  3,  14,
     5,  2,  8,  4,  3,  15, 0,  6,  10, 1, 13, 8,  9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4,  1,  7,  10, 11, 6, 8,  5,  3,  15, 13, 0, 14, 9,  14, 11, 2,  12, 4,  7,
     13, 1,  5,  0,  15, 10, 3,  9, 8,  6,  4,  2,  1,  11, 10, 13, 7, 8,  15, 9,  12, 5,
     6,  3,  0,  14, 11, 8,  12, 7, 1,  14, 2,  13, 6,  15, 0,  9, 10, 4,  5,  3},
    {12, 1,  10, 15, 9,  2,  6,  8,  0,  13, 3,  4,  14, 7,  5,  11, 10, 15, 4,  2,  7,  12,
     9,  5,  6,  1,  13, 14, 0,  11, 3,  8,  9,  14, 15, 5,  2,  8,  12, 3,  7,  0,  4,  10,
     1,  13, 11, 6,  4,  3,  2,  12, 9,  5,  15, 10, 11, 14, 1,  7,  6,  0,  8,  13},
    {4,  11, 2,  14, 15, 0,  8,  13, 3,  12, 9,  7,  5,  10, 6,  1,  13, 0,  11, 7,  4,  9,
     1,  10, 14, 3,  5,  12, 2,  15, 8,  6,  1,  4,  11, 13, 12, 3,  7,  14, 10, 15, 6,  8,
     0,  5,  9,  2,  6,  11, 13, 8,  1,  4,  10, 7,  9,  5,  0,  15, 14, 2,  3,  12},
    {13, 2,  8,  4,  6,  15, 11, 1,  10, 9,  3,  14, 5,  0,  12, 7,  1,  15, 13, 8,  10, 3,
     7,  4,  12, 5,  6,  11, 0,  14, 9,  2,  7,  11, 4,  1,  9,  12, 14, 2,  0,  6,  10, 13,
     15, 3,  5,  8,  2,  1,  14, 7,  4,  10, 8,  13, 15, 12, 9,  0,  3,  5,  6,  11},
};

constexpr std::uint8_t kP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                                 2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

constexpr std::uint8_t kPc1[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
                                   10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
                                   63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
                                   14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

constexpr std::uint8_t kPc2[48] = {14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,
                                   26, 8,  16, 7,  27, 20, 13, 2,  41, 52, 31, 37, 47, 55, 30, 40,
                                   51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

// Total left rotation of C and D before each round.
constexpr std::uint8_t kRotationTotals[16] = {1, 2, 4, 6, 8, 10, 12, 14, 15, 17, 19, 21, 23, 25, 27, 28};

// ---- Derived tables (built at compile time) ----------------------------------------

struct SpTables {
  std::uint32_t sp[8][64];
};

// S-box j with P folded in, output rotated left by one bit like the halves.
constexpr SpTables MakeSpTables() {
  SpTables tables{};
  for (int j = 0; j < 8; ++j) {
    for (unsigned v = 0; v < 64; ++v) {
      const unsigned row = ((v >> 4) & 2u) | (v & 1u);
      const unsigned column = (v >> 1) & 0xFu;
      const std::uint32_t s = kSBoxes[j][row * 16 + column];
      const std::uint32_t before = s << (28 - 4 * j);
      std::uint32_t after = 0;
      for (int i = 0; i < 32; ++i)
        if ((before >> (32 - kP[i])) & 1u) after |= 1u << (31 - i);
      tables.sp[j][v] = (after << 1) | (after >> 31);
    }
  }
  return tables;
}
constexpr SpTables kSp = MakeSpTables();

// PC-2 by 7-bit chunks: kPc2Chunks.part[h][c][x] is the pair of compact subkey words
// contributed by chunk c (bits 7c+1..7c+7, most significant first) of C (h = 0) or D
// (h = 1) when that chunk holds x.
struct Pc2Chunks {
  std::uint32_t part[2][4][128][2];
};

// Where subkey bit s (1..48) lands in the compact words: group g = (s-1)/6 goes to
// word g % 2, byte 3 - g / 2, as the low six bits of that byte.
constexpr void CompactPosition(int s, int* word, int* shift) {
  const int group = (s - 1) / 6;
  const int bit_in_group = (s - 1) % 6;  // 0 = most significant of the six
  *word = group % 2;
  *shift = 8 * (3 - group / 2) + (5 - bit_in_group);
}

constexpr Pc2Chunks MakePc2Chunks() {
  Pc2Chunks chunks{};
  for (int h = 0; h < 2; ++h) {
    for (int c = 0; c < 4; ++c) {
      for (unsigned x = 0; x < 128; ++x) {
        for (int s = 1; s <= 48; ++s) {
          const int position = kPc2[s - 1] - 28 * h;  // 1..28 within C or D
          if (position < 1 || position > 28) continue;
          const int chunk = (position - 1) / 7;
          if (chunk != c) continue;
          const int bit = 6 - (position - 1) % 7;  // bit of x, 6 = first in the chunk
          if (!((x >> bit) & 1u)) continue;
          int word = 0, shift = 0;
          CompactPosition(s, &word, &shift);
          chunks.part[h][c][x][word] |= 1u << shift;
        }
      }
    }
  }
  return chunks;
}
constexpr Pc2Chunks kPc2Chunks = MakePc2Chunks();

// ---- Schedule area -------------------------------------------------------------------

constexpr int kScheduleWords = 32;
std::uint32_t g_schedule[kScheduleWords];
bool g_schedule_held = false;

std::uint32_t Rotate28(std::uint32_t v, unsigned n) { return ((v << n) | (v >> (28 - n))) & 0x0FFFFFFFu; }

// Fills schedule with the 16 rounds' compact subkeys, in reverse round order for
// decryption.
void BuildSchedule(const std::uint8_t key[8], bool decrypt, std::uint32_t schedule[kScheduleWords]) {
  std::uint32_t c = 0, d = 0;
  for (int i = 0; i < 28; ++i) {
    const int bc = kPc1[i] - 1, bd = kPc1[i + 28] - 1;
    c = (c << 1) | ((key[bc >> 3] >> (7 - (bc & 7))) & 1u);
    d = (d << 1) | ((key[bd >> 3] >> (7 - (bd & 7))) & 1u);
  }
  for (int round = 0; round < 16; ++round) {
    const std::uint32_t cr = Rotate28(c, kRotationTotals[round]);
    const std::uint32_t dr = Rotate28(d, kRotationTotals[round]);
    std::uint32_t w0 = 0, w1 = 0;
    for (int chunk = 0; chunk < 4; ++chunk) {
      const unsigned shift = 7 * (3 - chunk);
      const std::uint32_t* from_c = kPc2Chunks.part[0][chunk][(cr >> shift) & 0x7Fu];
      const std::uint32_t* from_d = kPc2Chunks.part[1][chunk][(dr >> shift) & 0x7Fu];
      w0 |= from_c[0] | from_d[0];
      w1 |= from_c[1] | from_d[1];
    }
    const int slot = decrypt ? 15 - round : round;
    schedule[2 * slot] = w0;
    schedule[2 * slot + 1] = w1;
  }
}

// ---- Block function --------------------------------------------------------------------

inline std::uint32_t Load32(const std::uint8_t* p, bool big_endian) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  const bool swap = (std::endian::native == std::endian::little) == big_endian;
  return swap ? __builtin_bswap32(v) : v;
}

inline void Store32(std::uint8_t* p, std::uint32_t v, bool big_endian) {
  const bool swap = (std::endian::native == std::endian::little) == big_endian;
  if (swap) v = __builtin_bswap32(v);
  std::memcpy(p, &v, 4);
}

inline void SwapBits(std::uint32_t& a, std::uint32_t& b, unsigned shift, std::uint32_t mask) {
  const std::uint32_t t = ((a >> shift) ^ b) & mask;
  b ^= t;
  a ^= t << shift;
}

inline std::uint32_t Feistel(std::uint32_t right, const std::uint32_t* k) {
  std::uint32_t work = std::rotr(right, 4) ^ k[0];
  std::uint32_t f = kSp.sp[6][work & 0x3Fu] | kSp.sp[4][(work >> 8) & 0x3Fu] | kSp.sp[2][(work >> 16) & 0x3Fu] |
                    kSp.sp[0][(work >> 24) & 0x3Fu];
  work = right ^ k[1];
  f |= kSp.sp[7][work & 0x3Fu] | kSp.sp[5][(work >> 8) & 0x3Fu] | kSp.sp[3][(work >> 16) & 0x3Fu] |
       kSp.sp[1][(work >> 24) & 0x3Fu];
  return f;
}

// One block in place: left and right are the block's two halves as FIPS 46-3 reads
// them (bit 1 the most significant), before and after.
inline void DesBlock(std::uint32_t& left, std::uint32_t& right, const std::uint32_t* schedule) {
  std::uint32_t l = left, r = right;
  // Initial permutation.
  SwapBits(l, r, 4, 0x0F0F0F0Fu);
  SwapBits(l, r, 16, 0x0000FFFFu);
  SwapBits(r, l, 2, 0x33333333u);
  SwapBits(r, l, 8, 0x00FF00FFu);
  r = std::rotl(r, 1);
  std::uint32_t t = (l ^ r) & 0xAAAAAAAAu;
  l ^= t;
  r ^= t;
  l = std::rotl(l, 1);
  for (int round = 0; round < 16; round += 2) {
    l ^= Feistel(r, schedule + 2 * round);
    r ^= Feistel(l, schedule + 2 * round + 2);
  }
  // Final permutation (with the halves exchanged).
  r = std::rotr(r, 1);
  t = (l ^ r) & 0xAAAAAAAAu;
  l ^= t;
  r ^= t;
  l = std::rotr(l, 1);
  SwapBits(l, r, 8, 0x00FF00FFu);
  SwapBits(l, r, 2, 0x33333333u);
  SwapBits(r, l, 16, 0x0000FFFFu);
  SwapBits(r, l, 4, 0x0F0F0F0Fu);
  left = r;
  right = l;
}

bool ValidSplit(const std::uint8_t* buffer, std::int32_t whole, std::int32_t tail) {
  if (whole < 0 || whole % 8 != 0 || tail < 0 || tail > 7) return false;
  if (whole > INT32_MAX - tail) return false;
  return buffer != nullptr || whole + tail == 0;
}

// Reading a group-reversed block most significant byte first is reading the stored
// bytes least significant byte first, so the group reversal costs nothing: data
// words are little-endian, IV words big-endian.
void CbcEncrypt(std::uint8_t* buffer, std::int32_t whole, const std::uint8_t iv[8]) {
  std::uint32_t prev_l = Load32(iv, true), prev_r = Load32(iv + 4, true);
  for (std::int32_t at = 0; at < whole; at += 8) {
    std::uint32_t l = Load32(buffer + at, false) ^ prev_l;
    std::uint32_t r = Load32(buffer + at + 4, false) ^ prev_r;
    DesBlock(l, r, g_schedule);
    Store32(buffer + at, l, false);
    Store32(buffer + at + 4, r, false);
    prev_l = l;
    prev_r = r;
  }
}

void CbcDecrypt(std::uint8_t* buffer, std::int32_t whole, const std::uint8_t iv[8]) {
  std::uint32_t prev_l = Load32(iv, true), prev_r = Load32(iv + 4, true);
  for (std::int32_t at = 0; at < whole; at += 8) {
    const std::uint32_t cl = Load32(buffer + at, false), cr = Load32(buffer + at + 4, false);
    std::uint32_t l = cl, r = cr;
    DesBlock(l, r, g_schedule);
    Store32(buffer + at, l ^ prev_l, false);
    Store32(buffer + at + 4, r ^ prev_r, false);
    prev_l = cl;
    prev_r = cr;
  }
}

// ---- Stream --------------------------------------------------------------------------

constexpr std::uint32_t kChunk = 1024;
constexpr std::uint8_t kZeroIv[8] = {};

// The chunk loop over remaining bytes: every chunk starts its chain at the stream IV.
int ChunkLoop(std::FILE* input, std::FILE* output, std::uint32_t remaining, const DesPieces* pieces, bool encrypt) {
  std::uint8_t chunk[kChunk];
  int result = STREAM_OK;
  while (remaining > 0) {
    const std::uint32_t want = remaining < kChunk ? remaining : kChunk;
    if (std::fread(chunk, 1, want, input) != want) {
      result = STREAM_SHORT_READ;
      break;
    }
    if (!ProgressCipher(want)) {
      result = STREAM_CANCELLED;
      break;
    }
    DesPiecesChunk(pieces, chunk, want, encrypt);
    if (std::fwrite(chunk, 1, want, output) != want) {
      result = STREAM_SHORT_WRITE;
      break;
    }
    remaining -= want;
  }
  SecureWipe(chunk, sizeof chunk);
  if (result == STREAM_OK && std::fflush(output) != 0) result = STREAM_SHORT_WRITE;
  return result;
}

int StreamEncrypt(std::FILE* input, std::FILE* output, std::uint32_t length, const std::uint8_t key[8]) {
  DesPieces pieces;
  std::uint8_t head[8];
  DesPiecesEncryptBegin(&pieces, key, head);
  int result = STREAM_OK;
  if (std::fwrite(head, 1, sizeof head, output) != sizeof head)
    result = STREAM_SHORT_WRITE;
  else
    result = ChunkLoop(input, output, length, &pieces, true);
  DesPiecesWipe(&pieces);
  return result;
}

int StreamDecrypt(std::FILE* input, std::FILE* output, std::uint32_t* length, const std::uint8_t key[8]) {
  const std::uint32_t stored = *length;
  if (stored < 8) {
    *length = 0;
    return STREAM_SHORT_READ;
  }
  *length = stored - 8;
  std::uint8_t head[8];
  if (std::fread(head, 1, sizeof head, input) != sizeof head) return STREAM_SHORT_READ;
  DesPieces pieces;
  DesPiecesDecryptBegin(&pieces, key, head);
  const int result = ChunkLoop(input, output, stored - 8, &pieces, false);
  DesPiecesWipe(&pieces);
  return result;
}

}  // namespace

void DesScheduleAcquire() { g_schedule_held = true; }

void DesScheduleRelease() {
  SecureWipe(g_schedule, sizeof g_schedule);
  g_schedule_held = false;
}

int DesScheduleHeld() { return g_schedule_held ? 1 : 0; }

int DesScheduleTake() {
  if (g_schedule_held) return 0;
  DesScheduleAcquire();
  return 1;
}

int DesEncryptBlocks(std::uint8_t* buffer, std::int32_t whole, std::int32_t tail, const std::uint8_t key[8],
                     const std::uint8_t iv[8]) {
  if (!g_schedule_held || key == nullptr || !ValidSplit(buffer, whole, tail)) return 0;
  if (whole > 0) {
    if (iv == nullptr) return 0;
    BuildSchedule(key, false, g_schedule);
    CbcEncrypt(buffer, whole, iv);
    for (std::int32_t j = 0; j < tail; ++j) buffer[whole + j] ^= buffer[j];
  } else {
    for (std::int32_t j = 0; j < tail; ++j) buffer[j] ^= key[j];
  }
  return 1;
}

int DesDecryptBlocks(std::uint8_t* buffer, std::int32_t whole, std::int32_t tail, const std::uint8_t key[8],
                     const std::uint8_t iv[8]) {
  if (!g_schedule_held || key == nullptr || !ValidSplit(buffer, whole, tail)) return 0;
  if (whole > 0) {
    if (iv == nullptr) return 0;
    std::uint8_t first[8];
    std::memcpy(first, buffer, sizeof first);  // the first ciphertext bytes mask the tail
    BuildSchedule(key, true, g_schedule);
    CbcDecrypt(buffer, whole, iv);
    for (std::int32_t j = 0; j < tail; ++j) buffer[whole + j] ^= first[j];
  } else {
    for (std::int32_t j = 0; j < tail; ++j) buffer[j] ^= key[j];
  }
  return 1;
}

int DesEncrypt(std::uint8_t* buffer, std::int32_t length, const std::uint8_t key[8], const std::uint8_t iv[8]) {
  if (length < 0) return 0;
  return DesEncryptBlocks(buffer, length - length % 8, length % 8, key, iv);
}

int DesDecrypt(std::uint8_t* buffer, std::int32_t length, const std::uint8_t key[8], const std::uint8_t iv[8]) {
  if (length < 0) return 0;
  return DesDecryptBlocks(buffer, length - length % 8, length % 8, key, iv);
}

int TdesEncrypt(std::uint8_t* buffer, std::int32_t length, const std::uint8_t key[16], const std::uint8_t iv[8]) {
  if (!g_schedule_held || key == nullptr || length < 0 || !ValidSplit(buffer, length - length % 8, length % 8))
    return 0;
  if (length >= 8 && iv == nullptr) return 0;
  DesEncrypt(buffer, length, key, iv);
  DesDecrypt(buffer, length, key + 8, iv);
  DesEncrypt(buffer, length, key, iv);
  return 1;
}

int TdesDecrypt(std::uint8_t* buffer, std::int32_t length, const std::uint8_t key[16], const std::uint8_t iv[8]) {
  if (!g_schedule_held || key == nullptr || length < 0 || !ValidSplit(buffer, length - length % 8, length % 8))
    return 0;
  if (length >= 8 && iv == nullptr) return 0;
  DesDecrypt(buffer, length, key, iv);
  DesEncrypt(buffer, length, key + 8, iv);
  DesDecrypt(buffer, length, key, iv);
  return 1;
}

int DesStreamEncrypt(std::FILE* input, std::FILE* output, std::uint32_t length, const std::uint8_t session_key[8]) {
  if (input == nullptr || output == nullptr || session_key == nullptr) return STREAM_BAD_ARGUMENT;
  const int taken = DesScheduleTake();
  const int result = StreamEncrypt(input, output, length, session_key);
  if (taken) DesScheduleRelease();
  return result;
}

int DesStreamDecrypt(std::FILE* input, std::FILE* output, std::uint32_t* length, const std::uint8_t session_key[8]) {
  if (input == nullptr || output == nullptr || session_key == nullptr || length == nullptr)
    return STREAM_BAD_ARGUMENT;
  const int taken = DesScheduleTake();
  const int result = StreamDecrypt(input, output, length, session_key);
  if (taken) DesScheduleRelease();
  return result;
}

void DesPiecesEncryptBegin(DesPieces* pieces, const std::uint8_t key[8], std::uint8_t head[8]) {
  std::memcpy(pieces->key, key, 8);
  RandomBytes(pieces->iv, sizeof pieces->iv);
  std::memcpy(head, pieces->iv, 8);
  DesEncryptBlocks(head, 8, 0, key, kZeroIv);
}

void DesPiecesDecryptBegin(DesPieces* pieces, const std::uint8_t key[8], const std::uint8_t head[8]) {
  std::memcpy(pieces->key, key, 8);
  std::memcpy(pieces->iv, head, 8);
  DesDecryptBlocks(pieces->iv, 8, 0, key, kZeroIv);
}

void DesPiecesChunk(const DesPieces* pieces, std::uint8_t* chunk, std::uint32_t size, bool encrypt) {
  const std::int32_t tail = size < kChunk ? static_cast<std::int32_t>(size % 8) : 0;
  const std::int32_t whole = static_cast<std::int32_t>(size) - tail;
  if (encrypt)
    DesEncryptBlocks(chunk, whole, tail, pieces->key, pieces->iv);
  else
    DesDecryptBlocks(chunk, whole, tail, pieces->key, pieces->iv);
}

void DesPiecesWipe(DesPieces* pieces) { SecureWipe(pieces, sizeof *pieces); }
