// AES (FIPS-197) block cipher, table-driven, and the AES file stream of containers
// with algorithm code 2.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "crypto/stream.h"

constexpr std::uint32_t AES_MODE_ENCRYPT = 17;  // block length 16 + direction bit 1
constexpr std::uint32_t AES_MODE_DECRYPT = 18;  // block length 16 + direction bit 2

// One expanded key. round_keys holds 44, 52 or 60 words for 10, 12 or 14 rounds;
// rounds is 0 after a refused key; mode is AES_MODE_ENCRYPT or AES_MODE_DECRYPT
// (0 after a refused key). Lives on the caller's stack; wipe it when done.
struct AesContext {
  std::uint32_t round_keys[64];
  std::uint32_t rounds;
  std::uint32_t mode;
};

// key_length 16, 24 or 32 bytes: 1. Any other length (or no key): 0, with rounds and
// mode 0. The decryption schedule is the equivalent inverse cipher's.
int AesSetEncryptKey(const std::uint8_t* key, std::uint32_t key_length, AesContext* context);
int AesSetDecryptKey(const std::uint8_t* key, std::uint32_t key_length, AesContext* context);

// One 16-byte block; input and output may be the same buffer. 1, or 0 without output
// when the context is not set for that direction.
int AesEncryptBlock(const std::uint8_t input[16], std::uint8_t output[16], const AesContext* context);
int AesDecryptBlock(const std::uint8_t input[16], std::uint8_t output[16], const AesContext* context);

// The AES stream between two open binary files (positions as the caller left them;
// the stream never seeks). The key is AES-128 over the session key: an 8-byte key
// followed by 8 zero bytes, or a 16-byte key as it is (key_length 8 or 16).
//
// Stored form for L = 16k + r plain bytes: E(IV), CBC blocks C1..Ck-1 from C0 = IV,
// then Ck[0..r) and E(Ck[r..16) || (tail XOR Ck[0..r))), so L + 16 bytes; for L < 16,
// E(IV)[0..L) || E(E(IV)[L..16) || (plain XOR IV[0..L))). The IV is 16 fresh random
// bytes. Reads exactly the bytes it needs, in runs of many blocks; the runs use the
// processor's AES instructions where it has them (found at run time), with the
// same bytes as the tables.
//
// AesStreamEncrypt reads length plain bytes. AesStreamDecrypt reads *length stored
// bytes; *length becomes the plain length (0 below 16 stored bytes) before any
// reading. Both flush the output at the end. Results: STREAM_OK, STREAM_SHORT_READ
// (also for fewer than 16 stored bytes), STREAM_SHORT_WRITE, STREAM_BAD_ARGUMENT (a
// null file, key or length, or a key length other than 8 or 16).
int AesStreamEncrypt(std::FILE* input, std::FILE* output, std::uint32_t length, const std::uint8_t* session_key,
                     std::uint32_t key_length);
int AesStreamDecrypt(std::FILE* input, std::FILE* output, std::uint32_t* length, const std::uint8_t* session_key,
                     std::uint32_t key_length);

// The same stream worked piece by piece, for data that arrives in pieces of any size
// (the file streams above are this over files). The state lives with the caller; the
// pieces together give exactly the bytes the file stream gives for the same data, IV
// and key, and the encryption draws its IV when it begins, as the file stream does.
//
// Encrypting: the plain length is known only at the end, so the last whole block and
// the tail behind it (16 to 31 bytes once 16 have come) are held back until
// AesPiecesEncryptEnd. Decrypting: the stored length is given at the start.
struct AesPieces {
  AesContext context;
  std::uint8_t chain[16];  // the IV, then the previous ciphertext block
  std::uint8_t held[32];   // bytes taken but not yet worked
  std::uint32_t held_count;
  std::uint64_t taken;     // bytes taken so far
  std::uint64_t stored;    // decrypting: the stored length
};

// Room an output area needs beyond the size of the piece given.
constexpr std::size_t AES_PIECES_SLACK = 48;

// STREAM_OK, or STREAM_BAD_ARGUMENT (no key, a key length other than 8 or 16).
int AesPiecesEncryptBegin(AesPieces* pieces, const std::uint8_t* session_key, std::uint32_t key_length);
// Takes size plain bytes; writes what is ready to out (size + AES_PIECES_SLACK bytes of
// room) and gives its count.
std::size_t AesPiecesEncrypt(AesPieces* pieces, const std::uint8_t* data, std::size_t size, std::uint8_t* out);
// Writes the last 16 to 31 bytes (or, below 16 plain bytes, all of them) to out (32
// bytes of room), gives their count and wipes the state. The stream then holds
// exactly the plain length plus 16 bytes.
std::size_t AesPiecesEncryptEnd(AesPieces* pieces, std::uint8_t* out);

// stored: the stream's stored length M (the plain length is M - 16). STREAM_OK,
// STREAM_BAD_ARGUMENT as above, or STREAM_SHORT_READ when M is below 16.
int AesPiecesDecryptBegin(AesPieces* pieces, const std::uint8_t* session_key, std::uint32_t key_length,
                          std::uint32_t stored);
// Takes size stored bytes (at most what remains of M); writes the plain bytes that are
// ready to out (size + AES_PIECES_SLACK bytes of room) and gives their count.
std::size_t AesPiecesDecrypt(AesPieces* pieces, const std::uint8_t* data, std::size_t size, std::uint8_t* out);
// Writes the last plain bytes to out (32 bytes of room) with their count in *size and
// wipes the state: STREAM_OK, or STREAM_SHORT_READ when fewer than M bytes were taken.
int AesPiecesDecryptEnd(AesPieces* pieces, std::uint8_t* out, std::size_t* size);

// Wipes a state that is given up before its end.
void AesPiecesWipe(AesPieces* pieces);

// 1 when the streams' runs of whole blocks use the processor's AES instructions.
int AesHardwareInUse();
// Tests and benchmarks only: 0 makes the streams use the tables alone; 1 uses the
// instructions again where the processor has them.
void AesSelectHardwareForTesting(int use);
