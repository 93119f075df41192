// Fuzz target: the DES and AES stream decryption over arbitrary stored bytes and
// claimed lengths, and the round trip of arbitrary plain bytes through each stream.
// Besides the sanitizers' checks: a claim beyond the bytes present must give a short
// read, any other claim success with exactly the plain length written, and every
// round trip must restore its input.
//
// Input: byte 0 selects the stream (bit 0: AES) and, for AES, the key form (bit 1:
// 16 bytes); bytes 1..16 are the key; bytes 17..20 a little-endian claimed-length
// offset; the rest is the payload.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "crypto/aes.h"
#include "crypto/des.h"

namespace {

std::string Path(const char* name) { return "/tmp/qlx-fuzz-streams-" + std::to_string(getpid()) + name; }

void WriteAll(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) std::abort();
  std::uint8_t buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  return bytes;
}

// Runs one stream call from the file at in to a fresh file at out.
template <typename Call>
int Run(const std::string& in, const std::string& out, Call call) {
  std::FILE* input = std::fopen(in.c_str(), "rb");
  std::FILE* output = std::fopen(out.c_str(), "wb");
  if (!input || !output) std::abort();
  const int result = call(input, output);
  std::fclose(input);
  std::fclose(output);
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 21 || size > (1u << 20)) return 0;
  const bool aes = data[0] & 1;
  const std::uint32_t key_length = aes && (data[0] & 2) ? 16 : 8;
  const std::uint8_t* key = data + 1;
  std::uint32_t offset = 0;
  std::memcpy(&offset, data + 17, 4);
  const std::uint8_t* payload = data + 21;
  const std::uint32_t payload_size = static_cast<std::uint32_t>(size - 21);
  const std::uint32_t head = aes ? 16 : 8;
  const std::string stored_path = Path(".stored"), plain_path = Path(".plain"), back_path = Path(".back");

  // Decryption of the payload as a stored stream with a claimed length near its size.
  WriteAll(stored_path, payload, payload_size);
  const std::uint32_t claimed = payload_size + (offset % 48) - 24 + 0u;
  std::uint32_t length = claimed;
  const int result = Run(stored_path, plain_path, [&](std::FILE* in, std::FILE* out) {
    return aes ? AesStreamDecrypt(in, out, &length, key, key_length) : DesStreamDecrypt(in, out, &length, key);
  });
  if (claimed < head) {
    if (result != STREAM_SHORT_READ || length != 0) std::abort();
  } else {
    if (length != claimed - head) std::abort();
    if (claimed > payload_size) {
      if (result != STREAM_SHORT_READ) std::abort();
    } else {
      if (result != STREAM_OK || ReadAll(plain_path).size() != length) std::abort();
    }
  }

  // Round trip of the payload as plain bytes.
  WriteAll(plain_path, payload, payload_size);
  if (Run(plain_path, stored_path, [&](std::FILE* in, std::FILE* out) {
        return aes ? AesStreamEncrypt(in, out, payload_size, key, key_length)
                   : DesStreamEncrypt(in, out, payload_size, key);
      }) != STREAM_OK)
    std::abort();
  length = payload_size + head;
  if (Run(stored_path, back_path, [&](std::FILE* in, std::FILE* out) {
        return aes ? AesStreamDecrypt(in, out, &length, key, key_length) : DesStreamDecrypt(in, out, &length, key);
      }) != STREAM_OK)
    std::abort();
  const std::vector<std::uint8_t> back = ReadAll(back_path);
  if (back.size() != payload_size || (payload_size && std::memcmp(back.data(), payload, payload_size) != 0))
    std::abort();
  for (const std::string& p : {stored_path, plain_path, back_path}) std::remove(p.c_str());
  return 0;
}
