// The access password: marker key, mixing, the "pwd" record and its checks.
#include "keys/access_password.h"

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "crypto/des.h"
#include "crypto/md5.h"
#include "keys/settings.h"
#include "platform/machine.h"
#include "platform/wipe.h"

namespace {

const std::uint8_t kZeroIv[8] = {0, 0, 0, 0, 0, 0, 0, 0};

void MarkerCipher(std::uint8_t record[PASSWORD_RECORD_SIZE], bool encrypt) {
  std::uint8_t key[16];
  PasswordMarkerKey(key);
  const int taken = DesScheduleTake();
  if (encrypt)
    TdesEncrypt(record, PASSWORD_RECORD_SIZE, key, kZeroIv);
  else
    TdesDecrypt(record, PASSWORD_RECORD_SIZE, key, kZeroIv);
  if (taken) DesScheduleRelease();
  SecureWipe(key, sizeof key);
}

// The digest of the mixed text into digest; the copy is wiped.
void MixedDigest(const char* text, std::uint8_t digest[16]) {
  char mixed[ACCESS_PASSWORD_MAX + 1];
  std::size_t length = 0;
  while (length < ACCESS_PASSWORD_MAX && text[length] != '\0') ++length;
  std::memcpy(mixed, text, length);
  mixed[length] = '\0';
  PasswordMix(mixed);
  Md5Buffer(mixed, static_cast<std::uint32_t>(std::strlen(mixed)), digest);
  SecureWipe(mixed, sizeof mixed);
}

}  // namespace

void PasswordMarkerKey(std::uint8_t key[16]) {
  std::memcpy(key, PASSWORD_MARKER_CONSTANT, 16);
  const std::uint32_t serial = SystemVolumeSerial();
  for (int i = 0; i < 4; ++i) key[3 * i] ^= static_cast<std::uint8_t>(serial >> (8 * i));
}

void PasswordMix(char* text) {
  if (text == nullptr) return;
  const std::uint32_t serial = SystemVolumeSerial();
  for (std::size_t i = 0; i < 4 && i < std::strlen(text); ++i)
    text[i] = static_cast<char>(static_cast<std::uint8_t>(text[i]) ^ static_cast<std::uint8_t>(serial >> (8 * i)));
}

int AccessPasswordActive() {
  std::uint8_t record[PASSWORD_RECORD_SIZE];
  if (!SettingsGetPasswordRecord(record)) return 0;  // missing: the no-password form
  MarkerCipher(record, false);
  int symmetric = 1;
  for (int i = 0; i < 8; ++i)
    if (record[i] != record[15 - i]) symmetric = 0;
  SecureWipe(record, sizeof record);
  return symmetric ? 0 : 1;
}

int AccessPasswordCheck(const char* text) {
  if (text == nullptr) return 0;
  std::uint8_t record[PASSWORD_RECORD_SIZE];
  if (!SettingsGetPasswordRecord(record)) return 0;
  std::uint8_t digest[16];
  MixedDigest(text, digest);
  const int same = Md5DigestsEqual(digest, record);
  SecureWipe(digest, sizeof digest);
  SecureWipe(record, sizeof record);
  return same;
}

int AccessPasswordSet(const char* text) {
  if (text == nullptr) return 0;
  std::uint8_t digest[16];
  MixedDigest(text, digest);
  const int stored = SettingsSetPasswordRecord(digest);
  SecureWipe(digest, sizeof digest);
  return stored;
}

int AccessPasswordClear() {
  std::uint8_t record[PASSWORD_RECORD_SIZE];
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  for (int i = 0; i < 4; ++i) {
    const unsigned value = static_cast<unsigned>(std::rand());
    record[2 * i] = static_cast<std::uint8_t>(value);
    record[2 * i + 1] = static_cast<std::uint8_t>(value >> 8);
  }
  for (int i = 0; i < 8; ++i) record[8 + i] = record[7 - i];
  MarkerCipher(record, true);
  return SettingsSetPasswordRecord(record);
}

int AccessPasswordAuthreq() {
  int value = 0;
  SettingsGetFlag(SETTING_AUTHREQ, &value);
  return value;
}
