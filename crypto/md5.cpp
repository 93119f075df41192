// MD5 (RFC 1321): block function, context operations, buffer and file forms.
#include "crypto/md5.h"

#include <bit>
#include <cstring>

#include "base/progress.h"
#include "platform/wipe.h"

namespace {

inline std::uint32_t LoadLe32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
  return v;
}

inline void StoreLe32(std::uint8_t* p, std::uint32_t v) {
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
  std::memcpy(p, &v, 4);
}

// The four rounds' functions. G is written as a sum of two disjoint terms so both
// can be computed at once; I's NOT is folded into an XOR.
#define QLX_MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define QLX_MD5_G(x, y, z) (((x) & (z)) + ((y) & ~(z)))
#define QLX_MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define QLX_MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))
#define QLX_MD5_STEP(f, a, b, c, d, x, s, t) \
  (a) += f((b), (c), (d)) + (x) + (t);       \
  (a) = std::rotl((a), (s)) + (b)

// Absorbs count consecutive 64-byte blocks.
void Md5Blocks(std::uint32_t state[4], const std::uint8_t* data, std::size_t count) {
  std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (; count > 0; --count, data += 64) {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLe32(data + 4 * i);
    const std::uint32_t aa = a, bb = b, cc = c, dd = d;

    QLX_MD5_STEP(QLX_MD5_F, a, b, c, d, x[0], 7, 0xd76aa478u);
    QLX_MD5_STEP(QLX_MD5_F, d, a, b, c, x[1], 12, 0xe8c7b756u);
    QLX_MD5_STEP(QLX_MD5_F, c, d, a, b, x[2], 17, 0x242070dbu);
    QLX_MD5_STEP(QLX_MD5_F, b, c, d, a, x[3], 22, 0xc1bdceeeu);
    QLX_MD5_STEP(QLX_MD5_F, a, b, c, d, x[4], 7, 0xf57c0fafu);
    QLX_MD5_STEP(QLX_MD5_F, d, a, b, c, x[5], 12, 0x4787c62au);
    QLX_MD5_STEP(QLX_MD5_F, c, d, a, b, x[6], 17, 0xa8304613u);
    QLX_MD5_STEP(QLX_MD5_F, b, c, d, a, x[7], 22, 0xfd469501u);
    QLX_MD5_STEP(QLX_MD5_F, a, b, c, d, x[8], 7, 0x698098d8u);
    QLX_MD5_STEP(QLX_MD5_F, d, a, b, c, x[9], 12, 0x8b44f7afu);
    QLX_MD5_STEP(QLX_MD5_F, c, d, a, b, x[10], 17, 0xffff5bb1u);
    QLX_MD5_STEP(QLX_MD5_F, b, c, d, a, x[11], 22, 0x895cd7beu);
    QLX_MD5_STEP(QLX_MD5_F, a, b, c, d, x[12], 7, 0x6b901122u);
    QLX_MD5_STEP(QLX_MD5_F, d, a, b, c, x[13], 12, 0xfd987193u);
    QLX_MD5_STEP(QLX_MD5_F, c, d, a, b, x[14], 17, 0xa679438eu);
    QLX_MD5_STEP(QLX_MD5_F, b, c, d, a, x[15], 22, 0x49b40821u);

    QLX_MD5_STEP(QLX_MD5_G, a, b, c, d, x[1], 5, 0xf61e2562u);
    QLX_MD5_STEP(QLX_MD5_G, d, a, b, c, x[6], 9, 0xc040b340u);
    QLX_MD5_STEP(QLX_MD5_G, c, d, a, b, x[11], 14, 0x265e5a51u);
    QLX_MD5_STEP(QLX_MD5_G, b, c, d, a, x[0], 20, 0xe9b6c7aau);
    QLX_MD5_STEP(QLX_MD5_G, a, b, c, d, x[5], 5, 0xd62f105du);
    QLX_MD5_STEP(QLX_MD5_G, d, a, b, c, x[10], 9, 0x02441453u);
    QLX_MD5_STEP(QLX_MD5_G, c, d, a, b, x[15], 14, 0xd8a1e681u);
    QLX_MD5_STEP(QLX_MD5_G, b, c, d, a, x[4], 20, 0xe7d3fbc8u);
    QLX_MD5_STEP(QLX_MD5_G, a, b, c, d, x[9], 5, 0x21e1cde6u);
    QLX_MD5_STEP(QLX_MD5_G, d, a, b, c, x[14], 9, 0xc33707d6u);
    QLX_MD5_STEP(QLX_MD5_G, c, d, a, b, x[3], 14, 0xf4d50d87u);
    QLX_MD5_STEP(QLX_MD5_G, b, c, d, a, x[8], 20, 0x455a14edu);
    QLX_MD5_STEP(QLX_MD5_G, a, b, c, d, x[13], 5, 0xa9e3e905u);
    QLX_MD5_STEP(QLX_MD5_G, d, a, b, c, x[2], 9, 0xfcefa3f8u);
    QLX_MD5_STEP(QLX_MD5_G, c, d, a, b, x[7], 14, 0x676f02d9u);
    QLX_MD5_STEP(QLX_MD5_G, b, c, d, a, x[12], 20, 0x8d2a4c8au);

    QLX_MD5_STEP(QLX_MD5_H, a, b, c, d, x[5], 4, 0xfffa3942u);
    QLX_MD5_STEP(QLX_MD5_H, d, a, b, c, x[8], 11, 0x8771f681u);
    QLX_MD5_STEP(QLX_MD5_H, c, d, a, b, x[11], 16, 0x6d9d6122u);
    QLX_MD5_STEP(QLX_MD5_H, b, c, d, a, x[14], 23, 0xfde5380cu);
    QLX_MD5_STEP(QLX_MD5_H, a, b, c, d, x[1], 4, 0xa4beea44u);
    QLX_MD5_STEP(QLX_MD5_H, d, a, b, c, x[4], 11, 0x4bdecfa9u);
    QLX_MD5_STEP(QLX_MD5_H, c, d, a, b, x[7], 16, 0xf6bb4b60u);
    QLX_MD5_STEP(QLX_MD5_H, b, c, d, a, x[10], 23, 0xbebfbc70u);
    QLX_MD5_STEP(QLX_MD5_H, a, b, c, d, x[13], 4, 0x289b7ec6u);
    QLX_MD5_STEP(QLX_MD5_H, d, a, b, c, x[0], 11, 0xeaa127fau);
    QLX_MD5_STEP(QLX_MD5_H, c, d, a, b, x[3], 16, 0xd4ef3085u);
    QLX_MD5_STEP(QLX_MD5_H, b, c, d, a, x[6], 23, 0x04881d05u);
    QLX_MD5_STEP(QLX_MD5_H, a, b, c, d, x[9], 4, 0xd9d4d039u);
    QLX_MD5_STEP(QLX_MD5_H, d, a, b, c, x[12], 11, 0xe6db99e5u);
    QLX_MD5_STEP(QLX_MD5_H, c, d, a, b, x[15], 16, 0x1fa27cf8u);
    QLX_MD5_STEP(QLX_MD5_H, b, c, d, a, x[2], 23, 0xc4ac5665u);

    QLX_MD5_STEP(QLX_MD5_I, a, b, c, d, x[0], 6, 0xf4292244u);
    QLX_MD5_STEP(QLX_MD5_I, d, a, b, c, x[7], 10, 0x432aff97u);
    QLX_MD5_STEP(QLX_MD5_I, c, d, a, b, x[14], 15, 0xab9423a7u);
    QLX_MD5_STEP(QLX_MD5_I, b, c, d, a, x[5], 21, 0xfc93a039u);
    QLX_MD5_STEP(QLX_MD5_I, a, b, c, d, x[12], 6, 0x655b59c3u);
    QLX_MD5_STEP(QLX_MD5_I, d, a, b, c, x[3], 10, 0x8f0ccc92u);
    QLX_MD5_STEP(QLX_MD5_I, c, d, a, b, x[10], 15, 0xffeff47du);
    QLX_MD5_STEP(QLX_MD5_I, b, c, d, a, x[1], 21, 0x85845dd1u);
    QLX_MD5_STEP(QLX_MD5_I, a, b, c, d, x[8], 6, 0x6fa87e4fu);
    QLX_MD5_STEP(QLX_MD5_I, d, a, b, c, x[15], 10, 0xfe2ce6e0u);
    QLX_MD5_STEP(QLX_MD5_I, c, d, a, b, x[6], 15, 0xa3014314u);
    QLX_MD5_STEP(QLX_MD5_I, b, c, d, a, x[13], 21, 0x4e0811a1u);
    QLX_MD5_STEP(QLX_MD5_I, a, b, c, d, x[4], 6, 0xf7537e82u);
    QLX_MD5_STEP(QLX_MD5_I, d, a, b, c, x[11], 10, 0xbd3af235u);
    QLX_MD5_STEP(QLX_MD5_I, c, d, a, b, x[2], 15, 0x2ad7d2bbu);
    QLX_MD5_STEP(QLX_MD5_I, b, c, d, a, x[9], 21, 0xeb86d391u);

    a += aa;
    b += bb;
    c += cc;
    d += dd;
  }
  state[0] = a;
  state[1] = b;
  state[2] = c;
  state[3] = d;
}

#undef QLX_MD5_STEP
#undef QLX_MD5_I
#undef QLX_MD5_H
#undef QLX_MD5_G
#undef QLX_MD5_F

constexpr std::uint32_t kStreamRead = 1024;

}  // namespace

void Md5Init(Md5Context* context) {
  context->state[0] = 0x67452301u;
  context->state[1] = 0xefcdab89u;
  context->state[2] = 0x98badcfeu;
  context->state[3] = 0x10325476u;
  context->bit_count[0] = 0;
  context->bit_count[1] = 0;
}

void Md5Update(Md5Context* context, const void* data, std::uint32_t length) {
  if (data == nullptr || length == 0) return;
  const std::uint8_t* input = static_cast<const std::uint8_t*>(data);
  const std::uint32_t index = (context->bit_count[0] >> 3) & 0x3Fu;
  const std::uint32_t low_bits = length << 3;
  context->bit_count[0] += low_bits;
  if (context->bit_count[0] < low_bits) ++context->bit_count[1];
  context->bit_count[1] += length >> 29;

  std::uint32_t done = 0;
  const std::uint32_t room = 64 - index;
  if (index != 0) {
    if (length < room) {
      std::memcpy(context->buffer + index, input, length);
      return;
    }
    std::memcpy(context->buffer + index, input, room);
    Md5Blocks(context->state, context->buffer, 1);
    done = room;
  }
  const std::uint32_t blocks = (length - done) / 64;
  Md5Blocks(context->state, input + done, blocks);
  done += blocks * 64;
  std::memcpy(context->buffer, input + done, length - done);
}

void Md5Final(std::uint8_t digest[16], Md5Context* context) {
  std::uint8_t bits[8];
  StoreLe32(bits, context->bit_count[0]);
  StoreLe32(bits + 4, context->bit_count[1]);
  const std::uint32_t index = (context->bit_count[0] >> 3) & 0x3Fu;
  const std::uint32_t pad_length = index < 56 ? 56 - index : 120 - index;
  static const std::uint8_t kPadding[64] = {0x80};
  Md5Update(context, kPadding, pad_length);
  Md5Update(context, bits, 8);
  for (int i = 0; i < 4; ++i) StoreLe32(digest + 4 * i, context->state[i]);
  SecureWipe(context, sizeof *context);
}

void Md5Buffer(const void* data, std::uint32_t length, std::uint8_t digest[16]) {
  Md5Context context;
  Md5Init(&context);
  Md5Update(&context, data, length);
  Md5Final(digest, &context);
}

int Md5DigestsEqual(const std::uint8_t a[16], const std::uint8_t b[16]) {
  unsigned difference = 0;
  for (int i = 0; i < 16; ++i) difference |= static_cast<unsigned>(a[i] ^ b[i]);
  return difference == 0 ? 1 : 0;
}

int Md5BufferMatches(const void* data, std::uint32_t length, const std::uint8_t expected[16]) {
  std::uint8_t digest[16];
  Md5Buffer(data, length, digest);
  const int same = Md5DigestsEqual(digest, expected);
  SecureWipe(digest, sizeof digest);
  return same;
}

int Md5Stream(std::FILE* input, std::uint8_t digest[16]) {
  std::memset(digest, 0, 16);
  if (input == nullptr) return 0;
  std::uint8_t buffer[kStreamRead];
  Md5Context context;
  Md5Init(&context);
  for (;;) {
    const std::size_t count = std::fread(buffer, 1, sizeof buffer, input);
    if (count == 0) break;
    if (!ProgressDigest(static_cast<std::uint32_t>(count))) break;  // cancelled
    Md5Update(&context, buffer, static_cast<std::uint32_t>(count));
  }
  SecureWipe(buffer, sizeof buffer);
  if (std::ferror(input) || ProgressCancelled()) {
    SecureWipe(&context, sizeof context);
    return 0;
  }
  Md5Final(digest, &context);
  return 1;
}

int Md5StreamMatches(std::FILE* input, const std::uint8_t expected[16]) {
  std::uint8_t digest[16];
  if (!Md5Stream(input, digest)) return 0;
  const int same = Md5DigestsEqual(digest, expected);
  SecureWipe(digest, sizeof digest);
  return same;
}
