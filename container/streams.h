// The cipher stream at the end of TEXT and FILE chunks, chosen by the container's
// algorithm code and session-key length:
//   code 1, 8-byte key    DES stream (8-byte encrypted head)           stored P + 8
//   other,  8-byte key    AES stream, key = session key + 8 zero bytes  stored P + 16
//   other, 16-byte key    AES stream with the full key                  stored P + 16
//   code 1, 16-byte key   head of 8 bytes (DES, first key half) giving the IV, then
//                         two-key triple DES in CBC over the text and 0..8 padding
//                         bytes whose count is the last byte             stored 8 + P + pad
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "crypto/aes.h"
#include "crypto/des.h"
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

// --- The same streams worked piece by piece ----------------------------------------
// For a file's data on its way through the operations in pieces of any size: the
// pieces together give the bytes of the streams above. Nothing is reported: the
// caller reports the DES stream's chunks itself. The DES calls need the schedule area.
struct CipherPieces {
  std::uint32_t algorithm;
  std::uint32_t key_length;
  std::uint8_t key[16];
  AesPieces aes;
  DesPieces des;
  std::uint8_t held[1024];  // a DES chunk begun, or triple-DES blocks held back
  std::uint32_t held_count;
  std::uint64_t taken;      // bytes taken so far
  std::uint64_t stored;     // decrypting: the stream's stored length
  std::uint8_t chain[3][8]; // triple DES: each pass's chaining value
};

// Room an output area needs beyond the size of the piece given.
constexpr std::size_t CIPHER_PIECES_SLACK = 1024 + 64;

// Encrypting with an 8-byte session key: writes the stream's head to out (the DES
// stream's 8 bytes; none for AES) and gives its count. Draws the stream's IV.
std::size_t CipherPiecesEncryptBegin(CipherPieces* pieces, const std::uint8_t* session_key,
                                     std::uint32_t algorithm, std::uint8_t* out);
std::size_t CipherPiecesEncrypt(CipherPieces* pieces, const std::uint8_t* data, std::size_t size, std::uint8_t* out);
// The stream's last bytes (at most 1024); wipes the state.
std::size_t CipherPiecesEncryptEnd(CipherPieces* pieces, std::uint8_t* out);

// Decrypting stored bytes of a stream with any key this system reads. STREAM_OK,
// STREAM_SHORT_READ (fewer stored bytes than the form's head), STREAM_BAD_PADDING (a
// triple-DES body that is not whole blocks), STREAM_BAD_ARGUMENT.
int CipherPiecesDecryptBegin(CipherPieces* pieces, const std::uint8_t* session_key, std::uint32_t key_length,
                             std::uint32_t algorithm, std::uint32_t stored);
// Takes size stored bytes (at most what remains); writes the plain bytes that are ready.
std::size_t CipherPiecesDecrypt(CipherPieces* pieces, const std::uint8_t* data, std::size_t size, std::uint8_t* out);
// The last plain bytes (at most 1024) with their count in *size; wipes the state.
// STREAM_OK, STREAM_SHORT_READ (fewer bytes than stored were taken) or
// STREAM_BAD_PADDING (a triple-DES padding count above 8).
int CipherPiecesDecryptEnd(CipherPieces* pieces, std::uint8_t* out, std::size_t* size);
// Wipes a state given up before its end.
void CipherPiecesWipe(CipherPieces* pieces);
