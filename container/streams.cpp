// Cipher streams of TEXT and FILE chunks (see streams.h).
#include "container/streams.h"

#include <cstring>

#include "crypto/aes.h"
#include "crypto/des.h"
#include "platform/fileio.h"
#include "platform/wipe.h"

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

// Two-key triple DES of a 16-byte session key: the body is decrypted by the same
// three chained passes that TdesDecrypt makes over a whole buffer, in pieces of whole
// blocks, each pass carrying its own chaining value from piece to piece.
void TripleDesPiece(CipherPieces* p, std::uint8_t* buffer, std::uint32_t n) {
  if (n == 0) return;
  const std::int32_t len = static_cast<std::int32_t>(n);
  std::uint8_t next[8];
  LastBlockReversed(buffer, n, next);  // pass 1 decrypts: it chains on its input
  DesDecrypt(buffer, len, p->key, p->chain[0]);
  std::memcpy(p->chain[0], next, 8);
  DesEncrypt(buffer, len, p->key + 8, p->chain[1]);  // pass 2 encrypts: it chains on its output
  LastBlockReversed(buffer, n, p->chain[1]);
  LastBlockReversed(buffer, n, next);
  DesDecrypt(buffer, len, p->key, p->chain[2]);
  std::memcpy(p->chain[2], next, 8);
}

bool TripleDes(const CipherPieces* p) { return p->algorithm == 1 && p->key_length == 16; }

// Takes up to want bytes of data into the held bytes; gives how many it took.
std::size_t Hold(CipherPieces* p, const std::uint8_t* data, std::size_t size, std::size_t want) {
  const std::size_t n = size < want ? size : want;
  std::memcpy(p->held + p->held_count, data, n);
  p->held_count += static_cast<std::uint32_t>(n);
  p->taken += n;
  return n;
}

// The DES stream's chunks (the head already taken): every whole chunk is worked as it
// completes, the last one, shorter, at the end.
std::size_t DesChunks(CipherPieces* p, const std::uint8_t* data, std::size_t size, std::uint8_t* out, bool encrypt) {
  std::size_t written = 0;
  if (p->held_count != 0) {
    const std::size_t n = Hold(p, data, size, kChunk - p->held_count);
    data += n;
    size -= n;
    if (p->held_count < kChunk) return 0;
    DesPiecesChunk(&p->des, p->held, kChunk, encrypt);
    std::memcpy(out, p->held, kChunk);
    p->held_count = 0;
    written = kChunk;
  }
  while (size >= kChunk) {
    std::memcpy(out + written, data, kChunk);
    DesPiecesChunk(&p->des, out + written, kChunk, encrypt);
    written += kChunk;
    data += kChunk;
    size -= kChunk;
    p->taken += kChunk;
  }
  Hold(p, data, size, size);
  return written;
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
  if (algorithm != 1 || key_length != 16) {
    std::uint32_t length = stored_length;
    const int result = algorithm == 1 ? DesStreamDecrypt(input, output, &length, session_key)
                                      : AesStreamDecrypt(input, output, &length, session_key, key_length);
    *plain_length = length;
    return result;
  }
  // The triple-DES form, which only other writers make.
  CipherPieces pieces;
  int result = CipherPiecesDecryptBegin(&pieces, session_key, key_length, algorithm, stored_length);
  std::uint8_t in[kChunk];
  std::uint8_t out[kChunk + CIPHER_PIECES_SLACK];
  std::uint32_t remaining = stored_length;
  std::uint32_t written = 0;
  while (result == STREAM_OK && remaining != 0) {
    const std::uint32_t n = remaining < kChunk ? remaining : kChunk;
    if (std::fread(in, 1, n, input) != n) {
      result = STREAM_SHORT_READ;
      break;
    }
    remaining -= n;
    const std::size_t plain = CipherPiecesDecrypt(&pieces, in, n, out);
    if (!FileWriteAll(output, out, plain)) result = STREAM_SHORT_WRITE;
    written += static_cast<std::uint32_t>(plain);
  }
  if (result == STREAM_OK) {
    std::size_t last = 0;
    result = CipherPiecesDecryptEnd(&pieces, out, &last);
    if (result == STREAM_OK && !FileWriteAll(output, out, last)) result = STREAM_SHORT_WRITE;
    if (result == STREAM_OK) written += static_cast<std::uint32_t>(last);
  }
  CipherPiecesWipe(&pieces);
  std::memset(in, 0, sizeof in);
  SecureWipe(out, sizeof out);
  *plain_length = written;
  return result;
}

std::size_t CipherPiecesEncryptBegin(CipherPieces* pieces, const std::uint8_t* session_key,
                                     std::uint32_t algorithm, std::uint8_t* out) {
  *pieces = CipherPieces{};
  pieces->algorithm = algorithm;
  pieces->key_length = 8;
  std::memcpy(pieces->key, session_key, 8);
  if (algorithm != 1) {
    AesPiecesEncryptBegin(&pieces->aes, session_key, 8);
    return 0;
  }
  DesPiecesEncryptBegin(&pieces->des, session_key, out);
  return 8;
}

std::size_t CipherPiecesEncrypt(CipherPieces* pieces, const std::uint8_t* data, std::size_t size, std::uint8_t* out) {
  if (pieces->algorithm != 1) return AesPiecesEncrypt(&pieces->aes, data, size, out);
  return DesChunks(pieces, data, size, out, true);
}

std::size_t CipherPiecesEncryptEnd(CipherPieces* pieces, std::uint8_t* out) {
  std::size_t written = 0;
  if (pieces->algorithm != 1) {
    written = AesPiecesEncryptEnd(&pieces->aes, out);
  } else if (pieces->held_count != 0) {
    DesPiecesChunk(&pieces->des, pieces->held, pieces->held_count, true);
    std::memcpy(out, pieces->held, pieces->held_count);
    written = pieces->held_count;
  }
  CipherPiecesWipe(pieces);
  return written;
}

int CipherPiecesDecryptBegin(CipherPieces* pieces, const std::uint8_t* session_key, std::uint32_t key_length,
                             std::uint32_t algorithm, std::uint32_t stored) {
  *pieces = CipherPieces{};
  if (session_key == nullptr || (key_length != 8 && key_length != 16)) return STREAM_BAD_ARGUMENT;
  pieces->algorithm = algorithm;
  pieces->key_length = key_length;
  pieces->stored = stored;
  std::memcpy(pieces->key, session_key, key_length);
  if (algorithm != 1) return AesPiecesDecryptBegin(&pieces->aes, session_key, key_length, stored);
  if (stored < 8) return STREAM_SHORT_READ;
  if (TripleDes(pieces) && (stored == 8 || (stored - 8) % 8 != 0)) return STREAM_BAD_PADDING;
  return STREAM_OK;
}

std::size_t CipherPiecesDecrypt(CipherPieces* pieces, const std::uint8_t* data, std::size_t size, std::uint8_t* out) {
  if (pieces->algorithm != 1) return AesPiecesDecrypt(&pieces->aes, data, size, out);
  if (pieces->taken < 8) {  // the head: the stream IV, DES-encrypted under the (first) key
    const std::size_t n = Hold(pieces, data, size, 8 - pieces->held_count);
    data += n;
    size -= n;
    if (pieces->held_count < 8) return 0;
    pieces->held_count = 0;
    if (TripleDes(pieces)) {
      const std::uint8_t zero[8] = {};
      DesDecryptBlocks(pieces->held, 8, 0, pieces->key, zero);
      for (auto& c : pieces->chain) std::memcpy(c, pieces->held, 8);
    } else {
      DesPiecesDecryptBegin(&pieces->des, pieces->key, pieces->held);
    }
  }
  if (!TripleDes(pieces)) return DesChunks(pieces, data, size, out, false);
  // Triple DES: whole blocks as they come, the last block held for its padding count.
  const std::uint64_t last_block = pieces->stored - 8;
  std::size_t written = 0;
  while (size != 0) {
    if (pieces->taken >= last_block) {
      const std::size_t n = Hold(pieces, data, size, 8 - pieces->held_count);
      if (n == 0) break;  // more than the stream holds
      data += n;
      size -= n;
      continue;
    }
    std::size_t want = kChunk - pieces->held_count;
    if (last_block - pieces->taken < want) want = static_cast<std::size_t>(last_block - pieces->taken);
    const std::size_t n = Hold(pieces, data, size, want);
    data += n;
    size -= n;
    if (pieces->held_count == kChunk || pieces->taken == last_block) {  // whole blocks only
      TripleDesPiece(pieces, pieces->held, pieces->held_count);
      std::memcpy(out + written, pieces->held, pieces->held_count);
      written += pieces->held_count;
      pieces->held_count = 0;
    }
  }
  return written;
}

int CipherPiecesDecryptEnd(CipherPieces* pieces, std::uint8_t* out, std::size_t* size) {
  *size = 0;
  int result = STREAM_OK;
  if (pieces->algorithm != 1) {
    result = AesPiecesDecryptEnd(&pieces->aes, out, size);
  } else if (pieces->taken != pieces->stored) {
    result = STREAM_SHORT_READ;
  } else if (!TripleDes(pieces)) {
    DesPiecesChunk(&pieces->des, pieces->held, pieces->held_count, false);
    std::memcpy(out, pieces->held, pieces->held_count);
    *size = pieces->held_count;
  } else {
    TripleDesPiece(pieces, pieces->held, 8);  // the last block
    const std::uint32_t padding = pieces->held[7];
    if (padding > 8) {
      result = STREAM_BAD_PADDING;
    } else {
      std::memcpy(out, pieces->held, 8 - padding);
      *size = 8 - padding;
    }
  }
  CipherPiecesWipe(pieces);
  return result;
}

void CipherPiecesWipe(CipherPieces* pieces) { SecureWipe(pieces, sizeof *pieces); }
