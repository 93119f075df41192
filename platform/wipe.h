// Wiping secrets: keys, passphrases, key schedules and decrypted buffers.
#pragma once

#include <cstddef>
#include <memory>
#include <new>

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

// A block on the heap (buffers too large for the stack) that is wiped before it is
// freed, however the function that holds it ends.
template <typename T>
struct WipeAndDelete {
  void operator()(T* block) const {
    SecureWipe(block, sizeof *block);
    delete block;
  }
};
template <typename T>
using WipedBlock = std::unique_ptr<T, WipeAndDelete<T>>;

// A new block, or an empty one when there is no memory.
template <typename T>
WipedBlock<T> NewWipedBlock() {
  return WipedBlock<T>(new (std::nothrow) T);
}
