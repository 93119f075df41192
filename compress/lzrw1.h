// LZRW1 block codec: one block of up to 1024 bytes compressed on its own with a
// 4096-slot hash table and 12-bit offsets, and the safe decompressor for it.
//
// Block layout: mode byte (0 = items follow, 1 = the raw bytes follow), three zero
// bytes, then the body. A mode 0 body is a run of groups: a 16-bit little-endian
// control word (bit 0 first: 0 = byte item, 1 = copy item) and up to 16 items. A byte
// item is one literal byte; a copy item is two bytes a, b with length (a & 0x0F) + 1
// and offset (a & 0xF0) * 16 + b, copied one byte at a time from that far back.
#pragma once

#include <cstdint>

constexpr std::uint32_t LZRW1_BLOCK_MAX = 1024;       // largest block, uncompressed
constexpr std::uint32_t LZRW1_HEADER_SIZE = 4;        // mode byte and three zero bytes
constexpr std::uint32_t LZRW1_OUTPUT_MAX = LZRW1_BLOCK_MAX + LZRW1_HEADER_SIZE;  // 1028
constexpr std::uint8_t LZRW1_MODE_ITEMS = 0;
constexpr std::uint8_t LZRW1_MODE_RAW = 1;

// Compresses source[0..n) into output. n is 1..1024; output holds at least n + 4 bytes
// (the file layer uses 1028) and *output_length is set to at most n + 4. When the items
// would not come out shorter than the block, the block is stored raw in mode 1 (n + 4
// bytes). Nothing outside output[0..n + 4) is written. The caller owns both buffers.
// An n outside 1..1024 is stored raw in mode 1 (the decompressor refuses n > 1024).
void Lzrw1Compress(const std::uint8_t* source, std::uint32_t n, std::uint8_t* output,
                   std::uint32_t* output_length);

// Restores one block: 1 with the restored bytes (at most 1024) in output[0..*output_length),
// 0 on a format error (block shorter than its 4-byte header, a raw block over 1024 bytes,
// a control word or item cut off by the block end, a copy reaching before the block
// start or with offset 0, or more than 1024 restored bytes). Reads nothing outside
// block[0..length) and writes nothing outside output[0..1024); on a format error the
// output area holds whatever was restored so far and *output_length is 0.
int Lzrw1Decompress(const std::uint8_t* block, std::uint32_t length, std::uint8_t output[1024],
                    std::uint32_t* output_length);
