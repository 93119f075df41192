// Fuzz target: DecompressFile and Lzrw1Decompress over arbitrary bytes. Besides the
// sanitizers' checks, every answer (result, restored bytes, message) is compared with a
// small in-memory model of the record and block rules.
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

// One LZRW1 block restored into out, as the format defines it; false on a format error.
bool ModelBlock(const std::uint8_t* b, std::size_t length, Bytes* out) {
  out->clear();
  if (length < 4) return false;
  if (b[0] == 1) {
    if (length - 4 > 1024) return false;
    out->assign(b + 4, b + length);
    return true;
  }
  std::size_t i = 4;
  while (i < length) {
    if (length - i < 2) return false;  // control word cut
    const unsigned control = b[i] | (b[i + 1] << 8);
    i += 2;
    if (i == length) return false;  // a control word with no item after it
    for (int k = 0; k < 16 && i < length; ++k) {
      if ((control >> k) & 1) {
        if (length - i < 2) return false;
        const std::size_t offset = (b[i] & 0xF0) * 16 + b[i + 1];
        const std::size_t count = (b[i] & 0x0F) + 1;
        i += 2;
        if (offset == 0 || offset > out->size()) return false;
        for (std::size_t j = 0; j < count; ++j) out->push_back((*out)[out->size() - offset]);
      } else {
        out->push_back(b[i++]);
      }
      if (out->size() > 1024) return false;
    }
  }
  return true;
}

// The whole file: true with everything restored, or false with what was restored by
// the records before the first bad one.
bool ModelFile(const std::uint8_t* data, std::size_t size, Bytes* out) {
  out->clear();
  std::size_t at = 0;
  Bytes block;
  while (at < size) {
    if (size - at < 3) return false;
    const std::size_t length = data[at + 1] | (data[at + 2] << 8);
    if (length > 1028 || size - at - 3 < length) return false;
    const std::uint8_t* record = data + at + 3;
    if (data[at] == 1) {
      if (!ModelBlock(record, length, &block)) return false;
      out->insert(out->end(), block.begin(), block.end());
    } else {
      out->insert(out->end(), record, record + length);
    }
    at += 3 + length;
  }
  return true;
}

std::string TempPath(const char* what) { return FuzzTempPath("decompress", what); }

Bytes ReadAll(const std::string& path) { return FuzzReadFile(path); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The input as one block, in exact-size buffers so that any stray access is seen.
  {
    std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[size ? size : 1]);
    if (size) std::memcpy(block.get(), data, size);
    std::unique_ptr<std::uint8_t[]> output(new std::uint8_t[1024]);
    std::uint32_t length = 12345;
    const int result = Lzrw1Decompress(size ? block.get() : nullptr, static_cast<std::uint32_t>(size),
                                       output.get(), &length);
    Bytes expected;
    const bool ok = size <= 0xFFFFFFFFu && ModelBlock(data, size, &expected);
    if (result != (ok ? 1 : 0)) std::abort();
    if (ok && (length != expected.size() || (length && std::memcmp(output.get(), expected.data(), length) != 0)))
      std::abort();
    if (!ok && length != 0) std::abort();
  }

  // The input as a compressed file.
  const std::string source = TempPath(".cmp");
  const std::string destination = TempPath(".out");
  std::FILE* out = std::fopen(source.c_str(), "wb");
  if (!out) std::abort();
  if (size && std::fwrite(data, 1, size, out) != size) std::abort();
  std::fclose(out);

  BoxDoubleReset();
  const int result = DecompressFile(source.c_str(), destination.c_str());
  Bytes expected;
  const bool ok = ModelFile(data, size, &expected);
  if (result != (ok ? 1 : 0)) std::abort();
  if (ReadAll(destination) != expected) std::abort();
  const auto& boxes = BoxDoubleLog();
  if (ok && !boxes.empty()) std::abort();
  if (!ok && (boxes.size() != 1 || boxes[0].text != "Format du fichier compress\xE9 erron\xE9")) std::abort();
  std::remove(source.c_str());
  std::remove(destination.c_str());
  return 0;
}
