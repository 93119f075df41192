// Passphrase key derivation: creating, wrapping, unwrapping and checking session keys.
#include <cstring>

#include "crypto/des.h"
#include "crypto/md5.h"
#include "crypto/random.h"
#include "platform/wipe.h"

namespace {

constexpr std::uint8_t kZeroIv[8] = {};

// MD5 of the passphrase's bytes up to its terminator (no passphrase: no bytes).
void PassphraseDigest(const char* passphrase, std::uint8_t digest[16]) {
  const std::size_t length = passphrase ? std::strlen(passphrase) : 0;
  Md5Buffer(passphrase, static_cast<std::uint32_t>(length), digest);
}

}  // namespace

void SessionKeyCreate(const char* passphrase, std::uint8_t session_key[8], std::uint8_t wrapped[8],
                      std::uint32_t* wrapped_length) {
  if (session_key == nullptr || wrapped == nullptr) return;
  std::uint8_t digest[16];
  PassphraseDigest(passphrase, digest);  // the passphrase key is digest[0..8)
  std::uint8_t random[16];
  RandomBytes(random, sizeof random);
  SessionKeyMix(random, session_key);
  std::memcpy(wrapped, session_key, 8);
  const int taken = DesScheduleTake();
  DesEncrypt(wrapped, 8, digest, kZeroIv);
  if (taken) DesScheduleRelease();
  if (wrapped_length) *wrapped_length = 8;
  SecureWipe(digest, sizeof digest);
  SecureWipe(random, sizeof random);
}

void SessionKeyUnwrap(const std::uint8_t* wrapped, std::uint32_t length, const char* passphrase,
                      std::uint8_t session_key[16]) {
  if (session_key == nullptr) return;
  std::memset(session_key, 0, 16);
  if (wrapped == nullptr || (length != 8 && length != 16 && length != 24)) return;
  std::uint8_t digest[16];
  PassphraseDigest(passphrase, digest);
  std::uint8_t work[24];
  std::memcpy(work, wrapped, length);
  const int taken = DesScheduleTake();
  if (length == 8) {
    DesDecrypt(work, 8, digest, kZeroIv);
    std::memcpy(session_key, work, 8);
  } else if (length == 16) {
    TdesDecrypt(work, 16, digest, kZeroIv);
    std::memcpy(session_key, work, 16);
  } else {
    // The first 8 bytes hold the IV under which the key itself was wrapped.
    TdesDecrypt(work, 8, digest, kZeroIv);
    TdesDecrypt(work + 8, 16, digest, work);
    std::memcpy(session_key, work + 8, 16);
  }
  if (taken) DesScheduleRelease();
  SecureWipe(work, sizeof work);
  SecureWipe(digest, sizeof digest);
}

void SessionKeyCheck(const std::uint8_t session_key[8], std::uint8_t check[16], std::uint32_t* length) {
  if (session_key == nullptr || check == nullptr) return;
  Md5Buffer(session_key, 8, check);
  if (length) *length = 16;
}
