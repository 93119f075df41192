// MD5 (RFC 1321) over buffers and open files, and the recipes that turn a passphrase
// into the keys protecting a container's session key.
#pragma once

#include <cstdint>
#include <cstdio>

// RFC 1321 context: chaining values A..D, message length in bits (low word first),
// the pending partial block.
struct Md5Context {
  std::uint32_t state[4];
  std::uint32_t bit_count[2];
  std::uint8_t buffer[64];
};

void Md5Init(Md5Context* context);
// Absorbs length bytes at data (data may be nullptr only when length is 0).
void Md5Update(Md5Context* context, const void* data, std::uint32_t length);
// Writes the 16-byte digest (A's low byte first), then wipes the whole context.
void Md5Final(std::uint8_t digest[16], Md5Context* context);

void Md5Buffer(const void* data, std::uint32_t length, std::uint8_t digest[16]);
// 1 when the two 16-byte digests are equal, else 0. Compared in constant time: every
// byte is looked at whatever the first difference, so the time tells nothing of where
// a guess went wrong. Every digest check on a secret goes through it.
int Md5DigestsEqual(const std::uint8_t a[16], const std::uint8_t b[16]);
// 1 when MD5(data) equals expected byte for byte, else 0 (compared in constant time).
int Md5BufferMatches(const void* data, std::uint32_t length, const std::uint8_t expected[16]);

// Digest of everything from the file's current position to its end, read 1024 bytes
// at a time with each count reported through ProgressDigest; the position is left
// at the end. 1 with the digest; 0 when the file cannot be read to its end (a read
// error), with digest set to zero bytes: a partial file never yields a digest.
int Md5Stream(std::FILE* input, std::uint8_t digest[16]);
// 1 when Md5Stream succeeds and its digest equals expected, else 0.
int Md5StreamMatches(std::FILE* input, const std::uint8_t expected[16]);

// The keys of a container. The passphrase key is MD5(passphrase)[0..8); passphrases
// are terminated texts, used as their bytes. The DES calls hold the schedule area for
// the call, taking it themselves when the caller has not.
//
// A fresh session key (8 bytes, the mixer over 16 random bytes) and its wrapped form:
// DesEncrypt of the session key under the passphrase key with a zero IV. The wrapped
// length is always 8.
void SessionKeyCreate(const char* passphrase, std::uint8_t session_key[8], std::uint8_t wrapped[8],
                      std::uint32_t* wrapped_length);
// Recovers a session key from its wrapped form of length 8 (8-byte key; bytes 8..15
// of session_key become zero), 16 or 24 (16-byte key). Any other length gives 16
// zero bytes. A wrong passphrase gives a wrong key: only the check values tell.
void SessionKeyUnwrap(const std::uint8_t* wrapped, std::uint32_t length, const char* passphrase,
                      std::uint8_t session_key[16]);
// The session-key check: MD5 of the 8-byte session key; *length = 16.
void SessionKeyCheck(const std::uint8_t session_key[8], std::uint8_t check[16], std::uint32_t* length);
