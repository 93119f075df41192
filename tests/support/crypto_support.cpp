// Helpers for the cipher and digest tests (see crypto_support.h).
#include "tests/support/crypto_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <random>

#include "platform/fileio.h"

Bytes FromHex(const std::string& hex) {
  Bytes bytes;
  int high = -1;
  for (char c : hex) {
    if (std::isspace(static_cast<unsigned char>(c))) continue;
    const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10;
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high * 16 + digit));
      high = -1;
    }
  }
  return bytes;
}

std::string ToHex(const std::uint8_t* bytes, std::size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < size; ++i) {
    text.push_back(kDigits[bytes[i] >> 4]);
    text.push_back(kDigits[bytes[i] & 15]);
  }
  return text;
}

std::string ToHex(const Bytes& bytes) { return ToHex(bytes.data(), bytes.size()); }

Bytes SeededBytes(std::size_t count, std::uint32_t seed) {
  std::mt19937 generator(seed);
  Bytes bytes(count);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(generator() >> 24);
  return bytes;
}

Bytes ReverseGroups(Bytes bytes) {
  for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
    std::swap(bytes[i], bytes[i + 3]);
    std::swap(bytes[i + 1], bytes[i + 2]);
  }
  return bytes;
}

int RunStream(const TempDir& dir, const Bytes& input, const StreamCall& call, Bytes* output) {
  const std::string in_path = dir.File("stream.in"), out_path = dir.File("stream.out");
  // Fresh files each time: rewriting a file in place makes some file systems flush it.
  std::remove(in_path.c_str());
  std::remove(out_path.c_str());
  WriteFileBytes(in_path, input);
  int result = 0;
  {
    FileHandle in = FileOpen(in_path.c_str(), "rb");
    FileHandle out = FileOpen(out_path.c_str(), "wb");
    EXPECT_TRUE(in && out) << "cannot open the stream's files";
    if (!in || !out) return -1000;
    result = call(in.get(), out.get());
  }
  *output = ReadFileBytes(out_path);
  return result;
}
