// File helpers shared by the fuzz targets (header only: each target is one program).
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// A path in /tmp private to this fuzz process: /tmp/qlx-fuzz-<target>-<pid><what>.
inline std::string FuzzTempPath(const char* target, const char* what) {
  return std::string("/tmp/qlx-fuzz-") + target + "-" + std::to_string(getpid()) + what;
}

inline void FuzzWriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) std::abort();
  if (size && std::fwrite(data, 1, size, out) != size) std::abort();
  std::fclose(out);
}

inline std::vector<std::uint8_t> FuzzReadFile(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) std::abort();
  std::uint8_t buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, in)) != 0) bytes.insert(bytes.end(), buffer, buffer + got);
  std::fclose(in);
  return bytes;
}
