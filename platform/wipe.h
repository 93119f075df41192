// Wiping secrets: keys, passphrases, key schedules and decrypted buffers.
#pragma once

#include <cstddef>

// Overwrites size bytes at data with zero bytes through volatile stores, so the
// compiler cannot drop the wipe as a dead store. data may be nullptr when size is 0.
void SecureWipe(void* data, std::size_t size);

// A fixed buffer for one secret (a passphrase, a password), zeroed at the start and
// wiped when it goes, however the function that holds it ends.
template <std::size_t Size>
struct SecretBuffer {
  char value[Size] = {};

  SecretBuffer() = default;
  SecretBuffer(const SecretBuffer&) = delete;
  SecretBuffer& operator=(const SecretBuffer&) = delete;
  ~SecretBuffer() { SecureWipe(value, sizeof value); }
};
