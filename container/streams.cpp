// Cipher streams of TEXT and FILE chunks (see streams.h).
#include "container/streams.h"

#include <cstring>

#include "crypto/aes.h"
#include "crypto/des.h"

namespace {

constexpr std::uint32_t kChunk = 1024;

// The cipher works on 4-byte groups reversed; chaining values carried from one chunk
// to the next must be taken in that order too.
void ReverseGroups(std::uint8_t block[8]) {
  for (int g = 0; g < 8; g += 4) {
    std::uint8_t t = block[g];
    block[g] = block[g + 3];
    block[g + 3] = t;
    t = block[g + 1];
    block[g + 1] = block[g + 2];
    block[g + 2] = t;
  }
}

void LastBlockReversed(const std::uint8_t* buffer, std::uint32_t length, std::uint8_t block[8]) {
  std::memcpy(block, buffer + length - 8, 8);
  ReverseGroups(block);
}

// Two-key triple DES of a 16-byte session key: the body is decrypted in 1 KiB pieces
// by the same three chained passes that TdesDecrypt makes over a whole buffer, each pass
// carrying its own chaining value; the last block is held back for the padding count.
int TripleDesStreamDecrypt(std::FILE* input, std::FILE* output, std::uint32_t stored_length,
                           const std::uint8_t key[16], std::uint32_t* plain_length) {
  *plain_length = 0;
  std::uint8_t head[8];
  if (stored_length < 8 || std::fread(head, 1, 8, input) != 8) return STREAM_SHORT_READ;
  const std::uint8_t zero[8] = {};
  DesDecryptBlocks(head, 8, 0, key, zero);
  std::uint32_t remaining = stored_length - 8;
  if (remaining == 0 || remaining % 8 != 0) return STREAM_BAD_PADDING;

  std::uint8_t chain[3][8];
  for (auto& c : chain) std::memcpy(c, head, 8);
  std::uint8_t buffer[kChunk];
  std::uint8_t next[8];
  std::uint32_t written = 0;
  int result = STREAM_OK;
  while (remaining > 0) {
    const std::uint32_t n = remaining < kChunk ? remaining : kChunk;
    if (std::fread(buffer, 1, n, input) != n) {
      result = STREAM_SHORT_READ;
      break;
    }
    remaining -= n;
    const std::int32_t len = static_cast<std::int32_t>(n);
    LastBlockReversed(buffer, n, next);  // pass 1 decrypts: it chains on its input
    DesDecrypt(buffer, len, key, chain[0]);
    std::memcpy(chain[0], next, 8);
    DesEncrypt(buffer, len, key + 8, chain[1]);  // pass 2 encrypts: it chains on its output
    LastBlockReversed(buffer, n, chain[1]);
    LastBlockReversed(buffer, n, next);
    DesDecrypt(buffer, len, key, chain[2]);
    std::memcpy(chain[2], next, 8);

    std::uint32_t keep = n;
    if (remaining == 0) {
      const std::uint32_t padding = buffer[n - 1];
      if (padding > 8) {
        result = STREAM_BAD_PADDING;
        break;
      }
      keep = n - padding;
    }
    if (keep != 0 && std::fwrite(buffer, 1, keep, output) != keep) {
      result = STREAM_SHORT_WRITE;
      break;
    }
    written += keep;
  }
  std::memset(buffer, 0, sizeof buffer);
  *plain_length = written;
  return result;
}

}  // namespace

std::uint32_t CipherStreamOverhead(std::uint32_t algorithm) { return algorithm == 1 ? 8 : 16; }

std::uint32_t CipherStreamMinimum(std::uint32_t algorithm, std::uint32_t key_length) {
  if (algorithm == 1) return key_length == 16 ? 16 : 8;
  return 16;
}

int CipherStreamEncrypt(std::FILE* input, std::FILE* output, std::uint32_t length, const std::uint8_t* session_key,
                        std::uint32_t algorithm) {
  if (algorithm == 1) return DesStreamEncrypt(input, output, length, session_key);
  return AesStreamEncrypt(input, output, length, session_key, 8);
}

int CipherStreamDecrypt(std::FILE* input, std::FILE* output, std::uint32_t stored_length,
                        const std::uint8_t* session_key, std::uint32_t key_length, std::uint32_t algorithm,
                        std::uint32_t* plain_length) {
  *plain_length = 0;
  if (algorithm == 1 && key_length == 16)
    return TripleDesStreamDecrypt(input, output, stored_length, session_key, plain_length);
  std::uint32_t length = stored_length;
  const int result = algorithm == 1 ? DesStreamDecrypt(input, output, &length, session_key)
                                    : AesStreamDecrypt(input, output, &length, session_key, key_length);
  *plain_length = length;
  return result;
}
