// The cipher stream at the end of TEXT and FILE chunks, chosen by the container's
// algorithm code and session-key length:
//   code 1, 8-byte key    DES stream (8-byte encrypted head)           stored P + 8
//   other,  8-byte key    AES stream, key = session key + 8 zero bytes  stored P + 16
//   other, 16-byte key    AES stream with the full key                  stored P + 16
//   code 1, 16-byte key   head of 8 bytes (DES, first key half) giving the IV, then
//                         two-key triple DES in CBC over the text and 0..8 padding
//                         bytes whose count is the last byte             stored 8 + P + pad
#pragma once

#include <cstdint>
#include <cstdio>

#include "crypto/stream.h"  // STREAM_*

// Bytes a stream adds to P bytes of text when this system writes it (8-byte keys).
std::uint32_t CipherStreamOverhead(std::uint32_t algorithm);
// The fewest stored bytes a stream of this kind can have (readers refuse less).
std::uint32_t CipherStreamMinimum(std::uint32_t algorithm, std::uint32_t key_length);

// Encrypts length bytes from input into output with an 8-byte session key.
int CipherStreamEncrypt(std::FILE* input, std::FILE* output, std::uint32_t length, const std::uint8_t* session_key,
                        std::uint32_t algorithm);
// Decrypts stored_length bytes from input into output; plain_length is the number of
// bytes written. The DES schedule area must be held.
int CipherStreamDecrypt(std::FILE* input, std::FILE* output, std::uint32_t stored_length,
                        const std::uint8_t* session_key, std::uint32_t key_length, std::uint32_t algorithm,
                        std::uint32_t* plain_length);
