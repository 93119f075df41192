// Fuzz target: compress then decompress gives the input back, block by block and through
// the files. Each block's output is also compared byte for byte with a plain, unhurried
// model of the compressor (one slot array, byte-by-byte matching), so that the fast
// compressor can never drift from the stored format, and it is written into an area of
// exactly n + 4 bytes on the heap, where a sanitizer sees any write past it.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "compress/codec.h"
#include "tests/fuzz/fuzz_files.h"
#include "platform/common/msgbox_double.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The block compressor step by step: 16-item passes while 256 bytes or more remain, one
// item per pass below that, byte items for the last 15; give up before every pass once
// the items reach past n bytes.
Bytes ModelCompress(const std::uint8_t* s, std::uint32_t n) {
  Bytes raw{1, 0, 0, 0};
  raw.insert(raw.end(), s, s + n);
  std::vector<long> slot(4096, -1);
  Bytes d(n + 64, 0);
  std::size_t reserved = 4;
  std::size_t q = 6;
  std::uint32_t control = 0;
  int bits = 0;
  std::uint32_t p = 0;
  auto put_word = [&](std::size_t at, std::uint32_t w) {
    d[at] = static_cast<std::uint8_t>(w & 0xFF);
    d[at + 1] = static_cast<std::uint8_t>(w >> 8);
  };
  for (;;) {
    if (q > n) return raw;
    int items = 16;
    if (n - p < 256) items = 1;
    if (n - p < 16) {
      if (p == n) break;
      d[q++] = s[p++];
      control >>= 1;
      ++bits;
      items = 0;
    }
    for (int i = 0; i < items; ++i) {
      const std::uint32_t k = (((s[p] * 16u) ^ s[p + 1]) * 16u) ^ s[p + 2];
      const std::uint32_t h = ((40543u * k) >> 4) & 0xFFF;
      const long c = slot[h];
      slot[h] = p;
      if (c < 0 || p - c > 4095 || s[c] != s[p] || s[c + 1] != s[p + 1] || s[c + 2] != s[p + 2]) {
        d[q++] = s[p++];
        control >>= 1;
      } else {
        std::uint32_t length = 3;
        while (length < 16 && s[c + length] == s[p + length]) ++length;
        const std::uint32_t offset = p - static_cast<std::uint32_t>(c);
        d[q++] = static_cast<std::uint8_t>(((offset >> 4) & 0xF0) + (length - 1));
        d[q++] = static_cast<std::uint8_t>(offset & 0xFF);
        p += length;
        control = (control >> 1) | 0x8000;
      }
      ++bits;
    }
    if (bits == 16) {
      put_word(reserved, control);
      reserved = q;
      q += 2;
      control = 0;
      bits = 0;
    }
  }
  if (bits == 0) {
    q = reserved;
  } else {
    put_word(reserved, control >> (16 - bits));
  }
  d.resize(q);
  return d;
}

std::string TempPath(const char* what) { return FuzzTempPath("roundtrip", what); }

Bytes ReadAll(const std::string& path) { return FuzzReadFile(path); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Block by block, as the file layer cuts them.
  for (std::size_t at = 0; at < size; at += 1024) {
    const std::uint32_t n = static_cast<std::uint32_t>(size - at < 1024 ? size - at : 1024);
    std::unique_ptr<std::uint8_t[]> source(new std::uint8_t[n]);
    std::memcpy(source.get(), data + at, n);
    std::unique_ptr<std::uint8_t[]> packed(new std::uint8_t[n + 4]);
    std::uint32_t length = 0;
    Lzrw1Compress(source.get(), n, packed.get(), &length);
    if (length > n + 4) std::abort();
    const Bytes model = ModelCompress(data + at, n);
    if (length != model.size() || std::memcmp(packed.get(), model.data(), length) != 0) std::abort();
    std::unique_ptr<std::uint8_t[]> restored(new std::uint8_t[1024]);
    std::uint32_t restored_length = 0;
    if (Lzrw1Decompress(packed.get(), length, restored.get(), &restored_length) != 1) std::abort();
    if (restored_length != n || std::memcmp(restored.get(), data + at, n) != 0) std::abort();
  }

  // Through the files.
  const std::string plain = TempPath(".in");
  const std::string packed = TempPath(".cmp");
  const std::string restored = TempPath(".out");
  std::FILE* out = std::fopen(plain.c_str(), "wb");
  if (!out) std::abort();
  if (size && std::fwrite(data, 1, size, out) != size) std::abort();
  std::fclose(out);
  BoxDoubleReset();
  std::uint64_t compressed_size = 0;
  if (CompressFile(plain.c_str(), packed.c_str(), &compressed_size) != 1) std::abort();
  const Bytes records = ReadAll(packed);
  if (compressed_size != records.size()) std::abort();
  if (records.size() > size + 7 * ((size + 1023) / 1024)) std::abort();
  if (DecompressFile(packed.c_str(), restored.c_str()) != 1) std::abort();
  if (ReadAll(restored) != Bytes(data, data + size)) std::abort();
  if (!BoxDoubleLog().empty()) std::abort();
  std::remove(plain.c_str());
  std::remove(packed.c_str());
  std::remove(restored.c_str());
  return 0;
}
