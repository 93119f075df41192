// Helpers for the cipher and digest tests: hex text, seeded random bytes, the group
// reversal, and running a file stream between byte vectors through real files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "tests/support/test_support.h"

// "00ff 10" -> {0x00, 0xff, 0x10}; spaces are skipped.
Bytes FromHex(const std::string& hex);
std::string ToHex(const Bytes& bytes);
std::string ToHex(const std::uint8_t* bytes, std::size_t size);

// count bytes from a fixed-seed generator (the same seed gives the same bytes).
Bytes SeededBytes(std::size_t count, std::uint32_t seed);

// Reverses the order of the bytes in every whole 4-byte group of bytes.
Bytes ReverseGroups(Bytes bytes);

// A stream operation between two open files.
using StreamCall = std::function<int(std::FILE* input, std::FILE* output)>;

// Writes input to a file in dir, runs call from that file (opened "rb") to a second
// file (opened "wb"), closes both and returns the call's result; *output gets the
// second file's bytes.
int RunStream(const TempDir& dir, const Bytes& input, const StreamCall& call, Bytes* output);
