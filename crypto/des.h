// DES (FIPS 46-3) in the system's CBC buffer form, two-key Triple-DES, and the DES
// file stream of containers with algorithm code 1.
//
// Byte order: for whole blocks the stored form is G(CBC-DES(G(plain))), where G
// reverses the order of the bytes in every 4-byte group; keys and IVs are used as
// they are. A tail of T < 8 bytes after W whole bytes is masked with the first T
// bytes of the finished ciphertext; a buffer shorter than one block is masked with
// the key bytes.
//
// The buffer operations need the process-wide schedule area: bracket them with
// DesScheduleAcquire and DesScheduleRelease. Single-threaded by design.
#pragma once

#include <cstdint>
#include <cstdio>

#include "crypto/stream.h"

// Takes the schedule area when it is not held (nothing when it is).
void DesScheduleAcquire();
// Wipes and gives back the area; it is then not held.
void DesScheduleRelease();
// 1 while the area is held, else 0.
int DesScheduleHeld();
// Takes the area when it is not held. Returns 1 when this call took it (the caller
// then releases it when done), 0 when it was held already.
int DesScheduleTake();

// Work in place on whole + tail bytes of buffer (the caller's). whole is a multiple
// of 8 (0 allowed), tail 0..7. key and iv are 8 bytes and are never modified.
// 1 on success; 0, with the buffer unchanged, when the area is not held or the
// lengths are not of that form.
int DesEncryptBlocks(std::uint8_t* buffer, std::int32_t whole, std::int32_t tail, const std::uint8_t key[8],
                     const std::uint8_t iv[8]);
int DesDecryptBlocks(std::uint8_t* buffer, std::int32_t whole, std::int32_t tail, const std::uint8_t key[8],
                     const std::uint8_t iv[8]);

// The same over length bytes (length >= 0), split into whole blocks and a tail.
int DesEncrypt(std::uint8_t* buffer, std::int32_t length, const std::uint8_t key[8], const std::uint8_t iv[8]);
int DesDecrypt(std::uint8_t* buffer, std::int32_t length, const std::uint8_t key[8], const std::uint8_t iv[8]);

// Two-key Triple-DES, K1 = key[0..8), K2 = key[8..16): encrypt with K1, decrypt with
// K2, encrypt with K1 (decryption the reverse), each pass over the whole buffer with
// the same iv and the tail rules above. Results as DesEncrypt.
int TdesEncrypt(std::uint8_t* buffer, std::int32_t length, const std::uint8_t key[16], const std::uint8_t iv[8]);
int TdesDecrypt(std::uint8_t* buffer, std::int32_t length, const std::uint8_t key[16], const std::uint8_t iv[8]);

// The DES file stream between two open binary files (positions as the caller left
// them; the stream never seeks). Stored form: the stream IV (8 random bytes)
// encrypted under the session key with a zero IV, then the data in 1024-byte chunks,
// each chunk encrypted with DesEncryptBlocks from the stream IV. Reports every chunk's
// byte count through ProgressCipher. Holds the schedule area for its run, taking it
// itself when the caller has not.
//
// DesStreamEncrypt reads length plain bytes and writes length + 8 bytes.
// DesStreamDecrypt reads *length stored bytes and writes *length - 8 bytes; *length
// becomes the plain length (0 when fewer than 8 bytes are stored) before any reading.
// Both flush the output at the end. Results: STREAM_OK, STREAM_SHORT_READ,
// STREAM_SHORT_WRITE, STREAM_BAD_ARGUMENT (a null file, key or length), STREAM_CANCELLED
// (the progress receiver answered "cancel"; the stream stops at that block).
int DesStreamEncrypt(std::FILE* input, std::FILE* output, std::uint32_t length, const std::uint8_t session_key[8]);
int DesStreamDecrypt(std::FILE* input, std::FILE* output, std::uint32_t* length, const std::uint8_t session_key[8]);

// The DES stream worked chunk by chunk, for data that arrives in pieces (the file
// streams above are this over files). The state lives with the caller; the DES calls
// need the schedule area held.
struct DesPieces {
  std::uint8_t key[8];
  std::uint8_t iv[8];  // the stream IV, where every chunk's chain begins
};
constexpr std::uint32_t DES_STREAM_CHUNK = 1024;

// Encrypting: draws the stream IV (8 random bytes) and gives the stream's head, the IV
// encrypted under the key with a zero IV.
void DesPiecesEncryptBegin(DesPieces* pieces, const std::uint8_t key[8], std::uint8_t head[8]);
// Decrypting: the stream IV from the stored head.
void DesPiecesDecryptBegin(DesPieces* pieces, const std::uint8_t key[8], const std::uint8_t head[8]);
// One chunk in place: size is 1024, or less for the stream's last chunk (its tail of
// size mod 8 bytes is then masked as DesEncrypt masks tails).
void DesPiecesChunk(const DesPieces* pieces, std::uint8_t* chunk, std::uint32_t size, bool encrypt);
void DesPiecesWipe(DesPieces* pieces);
