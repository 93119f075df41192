// AES: key schedules, table-driven block operations and the AES stream.
//
// State and key words are read from the byte strings most significant byte first,
// as FIPS-197 lays out its columns. Encryption uses four 256-entry round tables
// (SubBytes, ShiftRows and MixColumns of one byte) and four last-round tables
// (SubBytes alone); decryption the same for the inverse cipher, with InvMixColumns
// folded into the inner round keys (the equivalent inverse cipher).
#include "crypto/aes.h"

#include <bit>
#include <cstring>
#include <utility>

#include "crypto/random.h"
#include "platform/fileio.h"
#include "platform/wipe.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <cpuid.h>
#include <immintrin.h>
#define QLX_AES_HARDWARE 1
#endif

namespace {

// ---- Tables (built at compile time from GF(2^8) arithmetic) ------------------------

constexpr std::uint8_t Times2(std::uint8_t x) {
  return static_cast<std::uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1B : 0x00));
}

constexpr std::uint8_t Multiply(std::uint8_t a, std::uint8_t b) {
  std::uint8_t product = 0;
  for (; b != 0; b >>= 1, a = Times2(a))
    if (b & 1) product ^= a;
  return product;
}

struct SBoxes {
  std::uint8_t forward[256];
  std::uint8_t inverse[256];
};

// S(x) = affine transform of x's multiplicative inverse (0 maps to 0 before it).
constexpr SBoxes MakeSBoxes() {
  SBoxes boxes{};
  for (unsigned x = 0; x < 256; ++x) {
    std::uint8_t inverse = 0;
    for (unsigned y = 1; y < 256 && x != 0; ++y)
      if (Multiply(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y)) == 1) {
        inverse = static_cast<std::uint8_t>(y);
        break;
      }
    std::uint8_t s = 0x63;
    for (int shift = 0; shift < 5; ++shift)
      s ^= static_cast<std::uint8_t>((inverse << shift) | (inverse >> ((8 - shift) & 7)));
    boxes.forward[x] = s;
    boxes.inverse[s] = static_cast<std::uint8_t>(x);
  }
  return boxes;
}
constexpr SBoxes kSBoxes = MakeSBoxes();

struct RoundTables {
  std::uint32_t round[4][256];  // inner rounds, rotated by 0, 8, 16, 24 bits
  std::uint32_t last[4][256];   // last round: the substituted byte in byte 3 - k
};

constexpr std::uint32_t Word(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
  return (static_cast<std::uint32_t>(b0) << 24) | (static_cast<std::uint32_t>(b1) << 16) |
         (static_cast<std::uint32_t>(b2) << 8) | b3;
}

constexpr RoundTables MakeTables(bool inverse) {
  RoundTables tables{};
  for (unsigned x = 0; x < 256; ++x) {
    const std::uint8_t s = inverse ? kSBoxes.inverse[x] : kSBoxes.forward[x];
    const std::uint32_t column = inverse ? Word(Multiply(s, 0x0E), Multiply(s, 0x09), Multiply(s, 0x0D), Multiply(s, 0x0B))
                                         : Word(Multiply(s, 2), s, s, Multiply(s, 3));
    for (int k = 0; k < 4; ++k) {
      tables.round[k][x] = std::rotr(column, 8 * k);
      tables.last[k][x] = static_cast<std::uint32_t>(s) << (24 - 8 * k);
    }
  }
  return tables;
}
constexpr RoundTables kEncrypt = MakeTables(false);
constexpr RoundTables kDecrypt = MakeTables(true);

// ---- Helpers ------------------------------------------------------------------------------

inline std::uint32_t LoadBe32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
  return v;
}

inline void StoreBe32(std::uint8_t* p, std::uint32_t v) {
  if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
  std::memcpy(p, &v, 4);
}

inline std::uint32_t SubWord(std::uint32_t w) {
  return Word(kSBoxes.forward[w >> 24], kSBoxes.forward[(w >> 16) & 0xFF], kSBoxes.forward[(w >> 8) & 0xFF],
              kSBoxes.forward[w & 0xFF]);
}

bool UsableContext(const AesContext* context, std::uint32_t direction_bit) {
  if (context == nullptr || (context->mode & direction_bit) == 0) return false;
  return context->rounds == 10 || context->rounds == 12 || context->rounds == 14;
}

void Refuse(AesContext* context) {
  SecureWipe(context->round_keys, sizeof context->round_keys);
  context->rounds = 0;
  context->mode = 0;
}

// ---- Block functions ----------------------------------------------------------------------

#if defined(__GNUC__)
#define QLX_AES_INLINE inline __attribute__((always_inline))
#else
#define QLX_AES_INLINE inline
#endif

// One column of a round: four table lookups and the round key word, XOR-ed as a
// balanced tree so the lookups' results combine in two steps rather than four.
#define QLX_AES_COLUMN(T, KIND, a, b, c, d, k)                                                       \
  ((T.KIND[0][(a) >> 24] ^ T.KIND[1][((b) >> 16) & 0xFF]) ^                                          \
   (T.KIND[2][((c) >> 8) & 0xFF] ^ T.KIND[3][(d) & 0xFF] ^ (k)))

// Forward round: column j takes its bytes from columns j, j+1, j+2, j+3 (ShiftRows).
#define QLX_AES_FORWARD(KIND, t0, t1, t2, t3, s0, s1, s2, s3, rk) \
  t0 = QLX_AES_COLUMN(kEncrypt, KIND, s0, s1, s2, s3, (rk)[0]);   \
  t1 = QLX_AES_COLUMN(kEncrypt, KIND, s1, s2, s3, s0, (rk)[1]);   \
  t2 = QLX_AES_COLUMN(kEncrypt, KIND, s2, s3, s0, s1, (rk)[2]);   \
  t3 = QLX_AES_COLUMN(kEncrypt, KIND, s3, s0, s1, s2, (rk)[3])

// Inverse round: column j takes its bytes from columns j, j-1, j-2, j-3 (InvShiftRows).
#define QLX_AES_INVERSE(KIND, t0, t1, t2, t3, s0, s1, s2, s3, rk) \
  t0 = QLX_AES_COLUMN(kDecrypt, KIND, s0, s3, s2, s1, (rk)[0]);   \
  t1 = QLX_AES_COLUMN(kDecrypt, KIND, s1, s0, s3, s2, (rk)[1]);   \
  t2 = QLX_AES_COLUMN(kDecrypt, KIND, s2, s1, s0, s3, (rk)[2]);   \
  t3 = QLX_AES_COLUMN(kDecrypt, KIND, s3, s2, s1, s0, (rk)[3])

// Runs all rounds over the state words s0..s3 (already XOR-ed with the first round
// key); rounds is 10, 12 or 14.
#define QLX_AES_ALL_ROUNDS(ROUND, s0, s1, s2, s3, rk, rounds)         \
  do {                                                                \
    std::uint32_t t0, t1, t2, t3;                                     \
    ROUND(round, t0, t1, t2, t3, s0, s1, s2, s3, (rk) + 4);           \
    ROUND(round, s0, s1, s2, s3, t0, t1, t2, t3, (rk) + 8);           \
    ROUND(round, t0, t1, t2, t3, s0, s1, s2, s3, (rk) + 12);          \
    ROUND(round, s0, s1, s2, s3, t0, t1, t2, t3, (rk) + 16);          \
    ROUND(round, t0, t1, t2, t3, s0, s1, s2, s3, (rk) + 20);          \
    ROUND(round, s0, s1, s2, s3, t0, t1, t2, t3, (rk) + 24);          \
    ROUND(round, t0, t1, t2, t3, s0, s1, s2, s3, (rk) + 28);          \
    ROUND(round, s0, s1, s2, s3, t0, t1, t2, t3, (rk) + 32);          \
    ROUND(round, t0, t1, t2, t3, s0, s1, s2, s3, (rk) + 36);          \
    if ((rounds) > 10) {                                              \
      ROUND(round, s0, s1, s2, s3, t0, t1, t2, t3, (rk) + 40);        \
      ROUND(round, t0, t1, t2, t3, s0, s1, s2, s3, (rk) + 44);        \
      if ((rounds) > 12) {                                            \
        ROUND(round, s0, s1, s2, s3, t0, t1, t2, t3, (rk) + 48);      \
        ROUND(round, t0, t1, t2, t3, s0, s1, s2, s3, (rk) + 52);      \
      }                                                               \
    }                                                                 \
    ROUND(last, s0, s1, s2, s3, t0, t1, t2, t3, (rk) + 4 * (rounds)); \
  } while (0)

// One block held in four words, encrypted or decrypted in place.
QLX_AES_INLINE void EncryptState(std::uint32_t& s0, std::uint32_t& s1, std::uint32_t& s2, std::uint32_t& s3,
                                 const std::uint32_t* rk, std::uint32_t rounds) {
  s0 ^= rk[0];
  s1 ^= rk[1];
  s2 ^= rk[2];
  s3 ^= rk[3];
  QLX_AES_ALL_ROUNDS(QLX_AES_FORWARD, s0, s1, s2, s3, rk, rounds);
}

QLX_AES_INLINE void DecryptState(std::uint32_t& s0, std::uint32_t& s1, std::uint32_t& s2, std::uint32_t& s3,
                                 const std::uint32_t* rk, std::uint32_t rounds) {
  s0 ^= rk[0];
  s1 ^= rk[1];
  s2 ^= rk[2];
  s3 ^= rk[3];
  QLX_AES_ALL_ROUNDS(QLX_AES_INVERSE, s0, s1, s2, s3, rk, rounds);
}

#undef QLX_AES_ALL_ROUNDS
#undef QLX_AES_INVERSE
#undef QLX_AES_FORWARD
#undef QLX_AES_COLUMN

void EncryptBytes(const std::uint8_t* in, std::uint8_t* out, const AesContext* context) {
  std::uint32_t s0 = LoadBe32(in), s1 = LoadBe32(in + 4), s2 = LoadBe32(in + 8), s3 = LoadBe32(in + 12);
  EncryptState(s0, s1, s2, s3, context->round_keys, context->rounds);
  StoreBe32(out, s0);
  StoreBe32(out + 4, s1);
  StoreBe32(out + 8, s2);
  StoreBe32(out + 12, s3);
}

void DecryptBytes(const std::uint8_t* in, std::uint8_t* out, const AesContext* context) {
  std::uint32_t s0 = LoadBe32(in), s1 = LoadBe32(in + 4), s2 = LoadBe32(in + 8), s3 = LoadBe32(in + 12);
  DecryptState(s0, s1, s2, s3, context->round_keys, context->rounds);
  StoreBe32(out, s0);
  StoreBe32(out + 4, s1);
  StoreBe32(out + 8, s2);
  StoreBe32(out + 12, s3);
}

// CBC over blocks whole blocks of data in place; chain holds the previous
// ciphertext block on entry and the last one on return.
void CbcEncryptRun(std::uint8_t* data, std::size_t blocks, std::uint8_t chain[16], const AesContext* context) {
  const std::uint32_t* rk = context->round_keys;
  const std::uint32_t rounds = context->rounds;
  std::uint32_t c0 = LoadBe32(chain), c1 = LoadBe32(chain + 4), c2 = LoadBe32(chain + 8), c3 = LoadBe32(chain + 12);
  for (std::size_t b = 0; b < blocks; ++b, data += 16) {
    c0 ^= LoadBe32(data);
    c1 ^= LoadBe32(data + 4);
    c2 ^= LoadBe32(data + 8);
    c3 ^= LoadBe32(data + 12);
    EncryptState(c0, c1, c2, c3, rk, rounds);
    StoreBe32(data, c0);
    StoreBe32(data + 4, c1);
    StoreBe32(data + 8, c2);
    StoreBe32(data + 12, c3);
  }
  StoreBe32(chain, c0);
  StoreBe32(chain + 4, c1);
  StoreBe32(chain + 8, c2);
  StoreBe32(chain + 12, c3);
}

void CbcDecryptRun(std::uint8_t* data, std::size_t blocks, std::uint8_t chain[16], const AesContext* context) {
  const std::uint32_t* rk = context->round_keys;
  const std::uint32_t rounds = context->rounds;
  std::uint32_t p0 = LoadBe32(chain), p1 = LoadBe32(chain + 4), p2 = LoadBe32(chain + 8), p3 = LoadBe32(chain + 12);
  for (std::size_t b = 0; b < blocks; ++b, data += 16) {
    const std::uint32_t c0 = LoadBe32(data), c1 = LoadBe32(data + 4), c2 = LoadBe32(data + 8), c3 = LoadBe32(data + 12);
    std::uint32_t s0 = c0, s1 = c1, s2 = c2, s3 = c3;
    DecryptState(s0, s1, s2, s3, rk, rounds);
    StoreBe32(data, s0 ^ p0);
    StoreBe32(data + 4, s1 ^ p1);
    StoreBe32(data + 8, s2 ^ p2);
    StoreBe32(data + 12, s3 ^ p3);
    p0 = c0;
    p1 = c1;
    p2 = c2;
    p3 = c3;
  }
  StoreBe32(chain, p0);
  StoreBe32(chain + 4, p1);
  StoreBe32(chain + 8, p2);
  StoreBe32(chain + 12, p3);
}

// ---- Processor AES instructions for the streams' block runs -------------------------------
//
// Where the processor has them (found at run time), the runs of whole blocks in the
// streams go through the AES instructions; they compute the same cipher, so the
// bytes are identical. Single blocks, tails and the public block operations always
// use the tables.

#if defined(QLX_AES_HARDWARE)

#if defined(__i386__)
// 32-bit Windows only promises 4-byte stack alignment on entry.
#define QLX_AES_HW __attribute__((target("aes,sse2"), force_align_arg_pointer))
#else
#define QLX_AES_HW __attribute__((target("aes,sse2")))
#endif

bool ProcessorHasAes() {
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  return (ecx & (1u << 25)) != 0 && (edx & (1u << 26)) != 0;  // AES-NI and SSE2
}

// The round keys in the byte order of the instructions (each word most significant
// byte first, as FIPS-197 writes the key schedule). keys holds 15 entries.
QLX_AES_HW void LoadRoundKeys(const AesContext* context, __m128i* keys) {
  for (std::uint32_t r = 0; r <= context->rounds; ++r) {
    std::uint8_t bytes[16];
    for (int i = 0; i < 4; ++i) StoreBe32(bytes + 4 * i, context->round_keys[4 * r + i]);
    keys[r] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    SecureWipe(bytes, sizeof bytes);
  }
}

QLX_AES_HW void CbcEncryptRunHardware(std::uint8_t* data, std::size_t blocks, std::uint8_t chain[16],
                                      const AesContext* context) {
  __m128i keys[15];
  LoadRoundKeys(context, keys);
  const std::uint32_t rounds = context->rounds;
  __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chain));
  for (std::size_t b = 0; b < blocks; ++b, data += 16) {
    c = _mm_xor_si128(c, _mm_loadu_si128(reinterpret_cast<const __m128i*>(data)));
    c = _mm_xor_si128(c, keys[0]);
    for (std::uint32_t r = 1; r < rounds; ++r) c = _mm_aesenc_si128(c, keys[r]);
    c = _mm_aesenclast_si128(c, keys[rounds]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(data), c);
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(chain), c);
  SecureWipe(keys, sizeof keys);
}

// Decryption has no chain between the block operations: four blocks at a time.
QLX_AES_HW void CbcDecryptRunHardware(std::uint8_t* data, std::size_t blocks, std::uint8_t chain[16],
                                      const AesContext* context) {
  __m128i keys[15];
  LoadRoundKeys(context, keys);
  const std::uint32_t rounds = context->rounds;
  __m128i previous = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chain));
  std::size_t b = 0;
  for (; b + 4 <= blocks; b += 4, data += 64) {
    __m128i* p = reinterpret_cast<__m128i*>(data);
    const __m128i c0 = _mm_loadu_si128(p), c1 = _mm_loadu_si128(p + 1), c2 = _mm_loadu_si128(p + 2),
                  c3 = _mm_loadu_si128(p + 3);
    __m128i s0 = _mm_xor_si128(c0, keys[0]), s1 = _mm_xor_si128(c1, keys[0]), s2 = _mm_xor_si128(c2, keys[0]),
            s3 = _mm_xor_si128(c3, keys[0]);
    for (std::uint32_t r = 1; r < rounds; ++r) {
      s0 = _mm_aesdec_si128(s0, keys[r]);
      s1 = _mm_aesdec_si128(s1, keys[r]);
      s2 = _mm_aesdec_si128(s2, keys[r]);
      s3 = _mm_aesdec_si128(s3, keys[r]);
    }
    s0 = _mm_aesdeclast_si128(s0, keys[rounds]);
    s1 = _mm_aesdeclast_si128(s1, keys[rounds]);
    s2 = _mm_aesdeclast_si128(s2, keys[rounds]);
    s3 = _mm_aesdeclast_si128(s3, keys[rounds]);
    _mm_storeu_si128(p, _mm_xor_si128(s0, previous));
    _mm_storeu_si128(p + 1, _mm_xor_si128(s1, c0));
    _mm_storeu_si128(p + 2, _mm_xor_si128(s2, c1));
    _mm_storeu_si128(p + 3, _mm_xor_si128(s3, c2));
    previous = c3;
  }
  for (; b < blocks; ++b, data += 16) {
    __m128i* p = reinterpret_cast<__m128i*>(data);
    const __m128i c = _mm_loadu_si128(p);
    __m128i s = _mm_xor_si128(c, keys[0]);
    for (std::uint32_t r = 1; r < rounds; ++r) s = _mm_aesdec_si128(s, keys[r]);
    s = _mm_aesdeclast_si128(s, keys[rounds]);
    _mm_storeu_si128(p, _mm_xor_si128(s, previous));
    previous = c;
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(chain), previous);
  SecureWipe(keys, sizeof keys);
}

#undef QLX_AES_HW

#endif  // QLX_AES_HARDWARE

// -1 until the first stream asks; then 1 when the runs use the instructions.
int g_hardware = -1;

bool UseHardware() {
#if defined(QLX_AES_HARDWARE)
  if (g_hardware < 0) g_hardware = ProcessorHasAes() ? 1 : 0;
  return g_hardware == 1;
#else
  return false;
#endif
}

// The stream's runs: the instructions where available, else the tables.
void StreamCbcRun(std::uint8_t* data, std::size_t blocks, std::uint8_t chain[16], const AesContext* context,
                  bool encrypt) {
#if defined(QLX_AES_HARDWARE)
  if (UseHardware()) {
    if (encrypt)
      CbcEncryptRunHardware(data, blocks, chain, context);
    else
      CbcDecryptRunHardware(data, blocks, chain, context);
    return;
  }
#endif
  if (encrypt)
    CbcEncryptRun(data, blocks, chain, context);
  else
    CbcDecryptRun(data, blocks, chain, context);
}

// ---- Stream -------------------------------------------------------------------------------

// Runs of whole blocks worked in place: the instructions where available, else the tables.
void Cbc(std::uint8_t* data, std::size_t blocks, std::uint8_t chain[16], const AesContext* context, bool encrypt) {
  if (blocks != 0) StreamCbcRun(data, blocks, chain, context, encrypt);
}

// Copies count bytes of the run made of held[0..held_count) followed by data, from
// position from on, to out.
void CopyRun(const AesPieces* pieces, const std::uint8_t* data, std::size_t from, std::size_t count,
             std::uint8_t* out) {
  const std::size_t held = pieces->held_count;
  if (from < held) {
    const std::size_t n = count < held - from ? count : held - from;
    std::memcpy(out, pieces->held + from, n);
    out += n;
    from += n;
    count -= n;
  }
  if (count != 0) std::memcpy(out, data + (from - held), count);
}

// Keeps the bytes of that run from position from on as the new held bytes (at most 32).
void HoldRest(AesPieces* pieces, const std::uint8_t* data, std::size_t size, std::size_t from) {
  const std::size_t total = pieces->held_count + size;
  std::uint8_t rest[32];
  CopyRun(pieces, data, from, total - from, rest);
  pieces->held_count = static_cast<std::uint32_t>(total - from);
  std::memcpy(pieces->held, rest, pieces->held_count);
  SecureWipe(rest, sizeof rest);
}

// The data key: the session key followed by zero bytes up to 16.
bool DataKey(const std::uint8_t* session_key, std::uint32_t key_length, std::uint8_t key[16]) {
  if (session_key == nullptr || (key_length != 8 && key_length != 16)) return false;
  std::memset(key, 0, 16);
  std::memcpy(key, session_key, key_length);
  return true;
}

int PiecesBegin(AesPieces* pieces, const std::uint8_t* session_key, std::uint32_t key_length, bool encrypt) {
  std::uint8_t key[16];
  if (pieces == nullptr || !DataKey(session_key, key_length, key)) return STREAM_BAD_ARGUMENT;
  if (encrypt)
    AesSetEncryptKey(key, 16, &pieces->context);
  else
    AesSetDecryptKey(key, 16, &pieces->context);
  SecureWipe(key, sizeof key);
  pieces->held_count = 0;
  pieces->taken = 0;
  pieces->stored = 0;
  return STREAM_OK;
}

constexpr std::size_t kRunBytes = 16384;  // bytes the file streams read and write at a time

bool ReadExactly(std::FILE* input, void* buffer, std::size_t count) {
  return count == 0 || std::fread(buffer, 1, count, input) == count;
}

}  // namespace

int AesPiecesEncryptBegin(AesPieces* pieces, const std::uint8_t* session_key, std::uint32_t key_length) {
  const int result = PiecesBegin(pieces, session_key, key_length, true);
  if (result == STREAM_OK) RandomBytes(pieces->chain, sizeof pieces->chain);  // the IV
  return result;
}

// The stored form begins with E(IV) once 16 plain bytes have come (below 16 it is
// another form); then CBC blocks from C0 = IV, each worked once at least 16 more bytes
// follow it, so that the last whole block and the tail wait for the end.
std::size_t AesPiecesEncrypt(AesPieces* pieces, const std::uint8_t* data, std::size_t size, std::uint8_t* out) {
  std::size_t written = 0;
  if (pieces->taken < 16 && pieces->taken + size >= 16) {
    EncryptBytes(pieces->chain, out, &pieces->context);  // C keeps the raw IV
    written = 16;
  }
  pieces->taken += size;
  const std::size_t total = pieces->held_count + size;
  const std::size_t blocks = total >= 32 ? (total - 16) / 16 : 0;
  CopyRun(pieces, data, 0, 16 * blocks, out + written);
  Cbc(out + written, blocks, pieces->chain, &pieces->context, true);
  HoldRest(pieces, data, size, 16 * blocks);
  return written + 16 * blocks;
}

std::size_t AesPiecesEncryptEnd(AesPieces* pieces, std::uint8_t* out) {
  std::uint8_t x[32];  // the last whole block C and the tail T behind it
  std::size_t written = 0;
  const std::uint32_t held = pieces->held_count;
  if (pieces->taken < 16) {
    std::memcpy(x + 16, pieces->held, held);
    for (std::uint32_t i = 0; i < held; ++i) x[16 + i] ^= pieces->chain[i];  // masked with the raw IV
    EncryptBytes(pieces->chain, x, &pieces->context);
    EncryptBytes(x + held, x + held, &pieces->context);
    written = 16 + held;
  } else {
    const std::uint32_t r = held - 16;
    std::memcpy(x, pieces->held, held);
    CbcEncryptRun(x, 1, pieces->chain, &pieces->context);  // x[0..16) = Ck
    for (std::uint32_t i = 0; i < r; ++i) x[16 + i] ^= x[i];
    EncryptBytes(x + r, x + r, &pieces->context);
    written = held;
  }
  std::memcpy(out, x, written);
  SecureWipe(x, sizeof x);
  AesPiecesWipe(pieces);
  return written;
}

int AesPiecesDecryptBegin(AesPieces* pieces, const std::uint8_t* session_key, std::uint32_t key_length,
                          std::uint32_t stored) {
  const int result = PiecesBegin(pieces, session_key, key_length, false);
  if (result != STREAM_OK) return result;
  pieces->stored = stored;
  if (stored < 16) {
    AesPiecesWipe(pieces);
    return STREAM_SHORT_READ;
  }
  return STREAM_OK;
}

// M stored bytes of at least 32: E(IV) (16 bytes), then CBC blocks worked as they come,
// then the last 16 + r bytes (r = (M - 16) mod 16), held for the end. Below 32 stored
// bytes everything waits for the end.
std::size_t AesPiecesDecrypt(AesPieces* pieces, const std::uint8_t* data, std::size_t size, std::uint8_t* out) {
  const std::uint64_t stored = pieces->stored;
  const std::uint64_t last = stored < 32 ? 0 : stored - 16 - (stored - 16) % 16;  // where the last part begins
  std::size_t written = 0;
  while (size != 0) {
    const std::uint64_t at = pieces->taken;
    if (stored < 32 || at >= last) {  // the last part (or a short stream): held
      const std::size_t n = size < 32 - pieces->held_count ? size : 32 - pieces->held_count;
      std::memcpy(pieces->held + pieces->held_count, data, n);
      pieces->held_count += static_cast<std::uint32_t>(n);
      pieces->taken += n;
      data += n;
      size -= n;
      if (n == 0) break;  // more than the stream holds
      continue;
    }
    if (at < 16 || pieces->held_count != 0 || size < 16) {  // one block gathered at a time
      const std::size_t n = size < 16 - pieces->held_count ? size : 16 - pieces->held_count;
      std::memcpy(pieces->held + pieces->held_count, data, n);
      pieces->held_count += static_cast<std::uint32_t>(n);
      pieces->taken += n;
      data += n;
      size -= n;
      if (pieces->held_count < 16) continue;
      pieces->held_count = 0;
      if (at < 16) {
        DecryptBytes(pieces->held, pieces->chain, &pieces->context);  // the IV
      } else {
        std::memcpy(out + written, pieces->held, 16);
        Cbc(out + written, 1, pieces->chain, &pieces->context, false);
        written += 16;
      }
      continue;
    }
    std::uint64_t run = last - at < size ? last - at : size;  // whole blocks straight through
    run -= run % 16;
    std::memcpy(out + written, data, static_cast<std::size_t>(run));
    Cbc(out + written, static_cast<std::size_t>(run / 16), pieces->chain, &pieces->context, false);
    written += static_cast<std::size_t>(run);
    pieces->taken += run;
    data += run;
    size -= static_cast<std::size_t>(run);
  }
  return written;
}

int AesPiecesDecryptEnd(AesPieces* pieces, std::uint8_t* out, std::size_t* size) {
  *size = 0;
  if (pieces->taken != pieces->stored) {
    AesPiecesWipe(pieces);
    return STREAM_SHORT_READ;
  }
  std::uint8_t* x = pieces->held;
  const AesContext* context = &pieces->context;
  if (pieces->stored < 32) {
    const std::uint32_t n = static_cast<std::uint32_t>(pieces->stored) - 16;
    DecryptBytes(x + n, x + n, context);  // E(IV)[n..16) back in place, tail XOR IV behind it
    DecryptBytes(x, x, context);          // the IV
    for (std::uint32_t i = 0; i < n; ++i) x[i] ^= x[16 + i];
    std::memcpy(out, x, n);
    *size = n;
  } else {
    const std::uint32_t r = pieces->held_count - 16;
    DecryptBytes(x + r, x + r, context);  // restores Ck in x[0..16), tail XOR Ck[0..r) behind it
    for (std::uint32_t i = 0; i < r; ++i) x[16 + i] ^= x[i];
    CbcDecryptRun(x, 1, pieces->chain, context);
    std::memcpy(out, x, 16 + r);
    *size = 16 + r;
  }
  AesPiecesWipe(pieces);
  return STREAM_OK;
}

void AesPiecesWipe(AesPieces* pieces) { SecureWipe(pieces, sizeof *pieces); }


int AesSetEncryptKey(const std::uint8_t* key, std::uint32_t key_length, AesContext* context) {
  if (context == nullptr) return 0;
  if (key == nullptr || (key_length != 16 && key_length != 24 && key_length != 32)) {
    Refuse(context);
    return 0;
  }
  const std::uint32_t nk = key_length / 4;
  const std::uint32_t rounds = nk + 6;
  const std::uint32_t total = 4 * (rounds + 1);
  std::uint32_t* w = context->round_keys;
  for (std::uint32_t i = 0; i < nk; ++i) w[i] = LoadBe32(key + 4 * i);
  std::uint32_t rcon = 0x01;
  for (std::uint32_t i = nk; i < total; ++i) {
    std::uint32_t temp = w[i - 1];
    if (i % nk == 0) {
      temp = SubWord(std::rotl(temp, 8)) ^ (rcon << 24);
      rcon = Times2(static_cast<std::uint8_t>(rcon));
    } else if (nk > 6 && i % nk == 4) {
      temp = SubWord(temp);
    }
    w[i] = w[i - nk] ^ temp;
  }
  for (std::uint32_t i = total; i < 64; ++i) w[i] = 0;
  context->rounds = rounds;
  context->mode = AES_MODE_ENCRYPT;
  return 1;
}

int AesSetDecryptKey(const std::uint8_t* key, std::uint32_t key_length, AesContext* context) {
  if (!AesSetEncryptKey(key, key_length, context)) return 0;
  std::uint32_t* w = context->round_keys;
  const std::uint32_t rounds = context->rounds;
  // Round keys in reverse order of rounds...
  for (std::uint32_t i = 0, j = 4 * rounds; i < j; i += 4, j -= 4)
    for (int k = 0; k < 4; ++k) std::swap(w[i + k], w[j + k]);
  // ...and InvMixColumns applied to the inner ones.
  for (std::uint32_t i = 4; i < 4 * rounds; ++i) {
    const std::uint32_t v = w[i];
    w[i] = kDecrypt.round[0][kSBoxes.forward[v >> 24]] ^ kDecrypt.round[1][kSBoxes.forward[(v >> 16) & 0xFF]] ^
           kDecrypt.round[2][kSBoxes.forward[(v >> 8) & 0xFF]] ^ kDecrypt.round[3][kSBoxes.forward[v & 0xFF]];
  }
  context->mode = AES_MODE_DECRYPT;
  return 1;
}

int AesEncryptBlock(const std::uint8_t input[16], std::uint8_t output[16], const AesContext* context) {
  if (!UsableContext(context, 1) || input == nullptr || output == nullptr) return 0;
  EncryptBytes(input, output, context);
  return 1;
}

int AesDecryptBlock(const std::uint8_t input[16], std::uint8_t output[16], const AesContext* context) {
  if (!UsableContext(context, 2) || input == nullptr || output == nullptr) return 0;
  DecryptBytes(input, output, context);
  return 1;
}

namespace {

// A whole stream through the pieces: length bytes read from input a run at a time,
// what step makes of each run written as it comes, then what finish makes of the rest.
// A failure on the way wipes the pieces; the buffers are wiped in every case.
template <typename Step, typename Finish>
int StreamThroughPieces(std::FILE* input, std::FILE* output, std::uint32_t length, AesPieces* pieces, Step step,
                        Finish finish) {
  std::uint8_t run[kRunBytes];
  std::uint8_t out[kRunBytes + AES_PIECES_SLACK];
  int result = STREAM_OK;
  std::uint32_t remaining = length;
  while (result == STREAM_OK && remaining != 0) {
    const std::size_t n = remaining < kRunBytes ? remaining : kRunBytes;
    if (!ReadExactly(input, run, n)) {
      result = STREAM_SHORT_READ;
      break;
    }
    remaining -= static_cast<std::uint32_t>(n);
    if (!FileWriteAll(output, out, step(pieces, run, n, out))) result = STREAM_SHORT_WRITE;
  }
  if (result == STREAM_OK) {
    std::size_t last = 0;
    result = finish(pieces, out, &last);
    if (result == STREAM_OK && !FileWriteAll(output, out, last)) result = STREAM_SHORT_WRITE;
  } else {
    AesPiecesWipe(pieces);
  }
  if (result == STREAM_OK && std::fflush(output) != 0) result = STREAM_SHORT_WRITE;
  SecureWipe(run, sizeof run);
  SecureWipe(out, sizeof out);
  return result;
}

}  // namespace

int AesStreamEncrypt(std::FILE* input, std::FILE* output, std::uint32_t length, const std::uint8_t* session_key,
                     std::uint32_t key_length) {
  if (input == nullptr || output == nullptr) return STREAM_BAD_ARGUMENT;
  AesPieces pieces;
  const int begun = AesPiecesEncryptBegin(&pieces, session_key, key_length);
  if (begun != STREAM_OK) return begun;
  return StreamThroughPieces(input, output, length, &pieces, AesPiecesEncrypt,
                             [](AesPieces* p, std::uint8_t* out, std::size_t* last) {
                               *last = AesPiecesEncryptEnd(p, out);
                               return STREAM_OK;
                             });
}

int AesStreamDecrypt(std::FILE* input, std::FILE* output, std::uint32_t* length, const std::uint8_t* session_key,
                     std::uint32_t key_length) {
  if (input == nullptr || output == nullptr || length == nullptr) return STREAM_BAD_ARGUMENT;
  const std::uint32_t stored = *length;
  AesPieces pieces;
  const int begun = AesPiecesDecryptBegin(&pieces, session_key, key_length, stored);
  if (begun == STREAM_BAD_ARGUMENT) return begun;
  *length = stored < 16 ? 0 : stored - 16;
  if (begun != STREAM_OK) return begun;
  return StreamThroughPieces(input, output, stored, &pieces, AesPiecesDecrypt, AesPiecesDecryptEnd);
}

int AesHardwareInUse() { return UseHardware() ? 1 : 0; }

void AesSelectHardwareForTesting(int use) {
  g_hardware = -1;
  if (use && UseHardware()) return;
  g_hardware = 0;
}
