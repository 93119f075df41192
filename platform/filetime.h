// File times as Windows keeps them, on every platform: 100-nanosecond intervals since
// 1601-01-01 UTC, in two 32-bit halves.
#pragma once

#include <cstdint>

struct FileTime {
  std::uint32_t low;
  std::uint32_t high;
};

// The last-write time of the file at path; false when it cannot be read.
bool FileGetWriteTime(const char* path, FileTime* time);
// Sets the last-write time; false when it cannot be set.
bool FileSetWriteTime(const char* path, const FileTime& time);

inline std::uint64_t FileTimeValue(const FileTime& time) {
  return (static_cast<std::uint64_t>(time.high) << 32) | time.low;
}
inline FileTime FileTimeFromValue(std::uint64_t value) {
  return FileTime{static_cast<std::uint32_t>(value), static_cast<std::uint32_t>(value >> 32)};
}
