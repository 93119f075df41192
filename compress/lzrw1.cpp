// LZRW1 block compressor and decompressor (see lzrw1.h).
#include "compress/lzrw1.h"

#include <bit>
#include <cstring>

namespace {

constexpr std::uint32_t kHashSlots = 4096;
constexpr std::uint32_t kHashMultiplier = 40543;
constexpr std::uint32_t kMinMatch = 3;
constexpr std::uint32_t kMaxMatch = 16;
constexpr std::uint32_t kMaxOffset = 4095;
constexpr std::uint32_t kGroupItems = 16;
constexpr std::uint32_t kControlWordSize = 2;
// While this many source bytes or more remain, a pass emits a whole group of 16 items
// (16 items take at most 256 bytes, so every item of the pass has 16 bytes ahead).
constexpr std::uint32_t kGroupPassMin = kGroupItems * kMaxMatch;
// Fewer than this many bytes left: byte items only, never hashed or matched.
constexpr std::uint32_t kLiteralTail = kMaxMatch;
// The decompressor takes a group in one go when this much block is left after its
// control word (16 two-byte items, plus 16 bytes of slack for moving byte items) and
// this much room in the output (16 copies of 16).
constexpr std::uint32_t kFastGroupInput = kGroupItems * 2 + 16;
constexpr std::uint32_t kFastGroupOutput = kGroupItems * kMaxMatch;

// A slot holds the position of an item start plus 4096, and 0 when empty: the offset
// p + 4096 - slot then exceeds 4095 for an empty slot as for a candidate too far back,
// so one comparison rejects both, and position 0 is a real candidate.
using HashSlot = std::uint16_t;
constexpr std::uint32_t kSlotBias = kMaxOffset + 1;
static_assert(LZRW1_BLOCK_MAX - 1 + kSlotBias <= 0xFFFF, "positions must fit a slot");

std::uint64_t Load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Length (0..16) of the common run of earlier[0..16) and here[0..16); both must have
// 16 readable bytes.
std::uint32_t MatchLength(const std::uint8_t* earlier, const std::uint8_t* here) {
  if constexpr (std::endian::native == std::endian::little) {
    const std::uint64_t low = Load64(earlier) ^ Load64(here);
    if (low != 0) return static_cast<std::uint32_t>(std::countr_zero(low)) / 8;
    const std::uint64_t high = Load64(earlier + 8) ^ Load64(here + 8);
    if (high != 0) return 8 + static_cast<std::uint32_t>(std::countr_zero(high)) / 8;
    return kMaxMatch;
  } else {
    std::uint32_t length = 0;
    while (length < kMaxMatch && earlier[length] == here[length]) ++length;
    return length;
  }
}

void StoreWord(std::uint8_t* at, std::uint32_t word) {
  at[0] = static_cast<std::uint8_t>(word);
  at[1] = static_cast<std::uint8_t>(word >> 8);
}

// The give-up form: mode 1 and the block unchanged, n + 4 bytes.
void StoreRaw(const std::uint8_t* source, std::uint32_t n, std::uint8_t* output,
              std::uint32_t* output_length) {
  output[0] = LZRW1_MODE_RAW;
  output[1] = output[2] = output[3] = 0;
  if (n != 0) std::memcpy(output + LZRW1_HEADER_SIZE, source, n);
  *output_length = n + LZRW1_HEADER_SIZE;
}

}  // namespace

void Lzrw1Compress(const std::uint8_t* source, std::uint32_t n, std::uint8_t* output,
                   std::uint32_t* output_length) {
  if (n == 0 || n > LZRW1_BLOCK_MAX) {
    StoreRaw(source, n, output, output_length);
    return;
  }
  HashSlot table[kHashSlots];
  std::memset(table, 0, sizeof table);

  std::uint8_t* const d = output;
  d[0] = LZRW1_MODE_ITEMS;
  d[1] = d[2] = d[3] = 0;
  std::uint32_t control_at = LZRW1_HEADER_SIZE;  // the reserved control word
  std::uint32_t q = control_at + kControlWordSize;
  std::uint32_t control = 0;
  std::uint32_t bits = 0;
  std::uint32_t p = 0;

  // Bounds: before every pass q <= n. A group pass starts with at least 256 bytes left,
  // so q <= 6 + 9/8 (n - 256) then, and the pass adds at most 34 bytes: below n + 4 for
  // every n up to 1024. A single-item pass adds at most 4. So writes stay below n + 4.
  for (;;) {
    if (q > n) {  // the items would not be shorter than the block: store it raw
      StoreRaw(source, n, output, output_length);
      return;
    }
    const std::uint32_t remaining = n - p;
    std::uint32_t items = kGroupItems;
    if (remaining < kGroupPassMin) {
      items = 1;
      if (remaining < kLiteralTail) {
        if (p == n) break;
        d[q++] = source[p++];  // tail byte item, not hashed
        control >>= 1;
        ++bits;
        items = 0;
      }
    }
    for (; items != 0; --items) {
      // Every hashed item has at least 16 source bytes ahead of it (see kGroupPassMin).
      const std::uint8_t* here = source + p;
      const std::uint32_t key = ((((static_cast<std::uint32_t>(here[0]) << 4) ^ here[1]) << 4) ^ here[2]);
      const std::uint32_t h = ((kHashMultiplier * key) >> 4) & (kHashSlots - 1);
      const std::uint32_t offset = p + kSlotBias - table[h];
      table[h] = static_cast<HashSlot>(p + kSlotBias);
      std::uint32_t length = 0;
      if (offset <= kMaxOffset) length = MatchLength(here - offset, here);
      if (length < kMinMatch) {
        d[q++] = here[0];
        ++p;
        control >>= 1;
      } else {
        d[q++] = static_cast<std::uint8_t>(((offset >> 4) & 0xF0) + (length - 1));
        d[q++] = static_cast<std::uint8_t>(offset & 0xFF);
        p += length;
        control = (control >> 1) | 0x8000;
      }
      ++bits;
    }
    if (bits == kGroupItems) {
      StoreWord(d + control_at, control);
      control_at = q;
      q += kControlWordSize;
      control = 0;
      bits = 0;
    }
  }

  if (bits == 0) {
    q = control_at;  // no item follows the reserved word: the output ends before it
  } else {
    StoreWord(d + control_at, control >> (kGroupItems - bits));
  }
  *output_length = q;
}

int Lzrw1Decompress(const std::uint8_t* block, std::uint32_t length, std::uint8_t output[1024],
                    std::uint32_t* output_length) {
  *output_length = 0;
  if (block == nullptr || length < LZRW1_HEADER_SIZE) return 0;
  if (block[0] == LZRW1_MODE_RAW) {
    const std::uint32_t n = length - LZRW1_HEADER_SIZE;
    if (n > LZRW1_BLOCK_MAX) return 0;
    if (n != 0) std::memcpy(output, block + LZRW1_HEADER_SIZE, n);
    *output_length = n;
    return 1;
  }

  const std::uint8_t* in = block + LZRW1_HEADER_SIZE;
  const std::uint8_t* const end = block + length;
  std::uint32_t out = 0;  // bytes restored so far
  std::uint32_t control = 0;
  std::uint32_t bits = 0;
  while (in != end) {
    if (bits == 0) {
      // A control word must be whole and followed by at least one item.
      if (end - in <= static_cast<std::ptrdiff_t>(kControlWordSize)) return 0;
      control = static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8);
      in += kControlWordSize;
      bits = kGroupItems;
      if (end - in >= static_cast<std::ptrdiff_t>(kFastGroupInput) &&
          LZRW1_BLOCK_MAX - out >= kFastGroupOutput) {
        // The whole group fits with room to spare both ways, so only the offsets need
        // checking, and bytes move 16 at a time: a run of byte items in one move (16
        // bytes read where at most 30 of the 48 were taken before; 16 written where at
        // most 240 of the 256 were), a copy in moves that never overlap.
        while (bits != 0) {
          const std::uint32_t literals = static_cast<std::uint32_t>(std::countr_zero(control | (1u << bits)));
          std::memcpy(output + out, in, 16);
          out += literals;
          in += literals;
          control >>= literals;
          bits -= literals;
          if (bits == 0) break;
          const std::uint32_t a = in[0];
          const std::uint32_t offset = ((a & 0xF0) << 4) | in[1];
          in += 2;
          if (offset == 0 || offset > out) return 0;
          std::uint8_t* to = output + out;
          const std::uint8_t* from = to - offset;
          if (offset >= 16) {
            std::memcpy(to, from, 16);
          } else if (offset >= 8) {  // two moves, each reading only bytes already there
            std::memcpy(to, from, 8);
            std::memcpy(to + 8, from + 8, 8);
          } else if (offset == 1) {
            std::memset(to, from[0], 16);
          } else {
            for (std::uint32_t i = 0; i < 16; ++i) to[i] = from[i];
          }
          out += (a & 0x0F) + 1;
          control >>= 1;
          --bits;
        }
        continue;
      }
    }
    if (control & 1) {
      if (end - in < 2) return 0;
      const std::uint32_t a = in[0];
      const std::uint32_t offset = ((a & 0xF0) << 4) | in[1];
      const std::uint32_t count = (a & 0x0F) + 1;
      in += 2;
      if (offset == 0 || offset > out || count > LZRW1_BLOCK_MAX - out) return 0;
      std::uint8_t* to = output + out;
      const std::uint8_t* from = to - offset;
      if (offset >= count) {
        std::memcpy(to, from, count);
      } else {
        for (std::uint32_t i = 0; i < count; ++i) to[i] = from[i];  // overlapping: repeats
      }
      out += count;
    } else {
      if (out == LZRW1_BLOCK_MAX) return 0;
      output[out++] = *in++;
    }
    control >>= 1;
    --bits;
  }
  *output_length = out;
  return 1;
}
