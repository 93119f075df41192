// The parts of the file seam that standard C++ covers on every platform.
#include "platform/fileio.h"

FileHandle FileOpen(const char* path, const char* mode) {
  return FileHandle(path ? std::fopen(path, mode) : nullptr);
}

bool FileWriteAll(std::FILE* file, const void* data, std::size_t size) {
  return size == 0 || std::fwrite(data, 1, size, file) == size;
}

bool FileClose(FileHandle& file) {
  std::FILE* raw = file.release();
  if (raw == nullptr) return false;
  const bool flushed = std::fflush(raw) == 0 && !std::ferror(raw);
  return (std::fclose(raw) == 0) && flushed;
}
