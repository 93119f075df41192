// Wiping secrets: keys, passphrases, key schedules and decrypted buffers.
#pragma once

#include <cstddef>

// Overwrites size bytes at data with zero bytes through volatile stores, so the
// compiler cannot drop the wipe as a dead store. data may be nullptr when size is 0.
void SecureWipe(void* data, std::size_t size);
