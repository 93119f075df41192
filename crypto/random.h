// The process-wide random source (a multiply-with-carry generator seeded once from
// the time-stamp counter) and the session-key mixer.
//
// Single-threaded by design: the generator state is process-wide and unguarded.
#pragma once

#include <cstdint>

// Fills count bytes at output (the caller's buffer); nothing for count <= 0. The
// first call in the process seeds the generator, even when it hands out nothing.
// Bytes of a generated word carry over between calls: two calls for 2 bytes hand
// out the four bytes of one word.
void RandomBytes(void* output, std::int32_t count);

// The fixed non-linear transform of 16 input bytes into an 8-byte session key. Reads
// only its arguments and constant tables.
void SessionKeyMix(const std::uint8_t input[16], std::uint8_t session_key[8]);

// Tests only: sets the two generator registers, marks the seed as taken and the
// current word as used up (index 4). The program never reseeds.
void RandomSetStateForTesting(std::uint32_t z, std::uint32_t w);
