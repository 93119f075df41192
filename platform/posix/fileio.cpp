// POSIX file positions: fseeko/ftello with a 64-bit off_t.
#include "platform/fileio.h"

#include <sys/stat.h>
#include <sys/types.h>

bool FileSeek(std::FILE* file, std::uint64_t position) {
  if (position > static_cast<std::uint64_t>(INT64_MAX)) return false;
  return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0;
}

std::int64_t FileTell(std::FILE* file) { return static_cast<std::int64_t>(ftello(file)); }

std::int64_t FileSize(std::FILE* file) {
  struct stat st;
  if (std::fflush(file) != 0) return -1;
  if (fstat(fileno(file), &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

std::int64_t FileSizeAt(const char* path) {
  struct stat st;
  if (path == nullptr || stat(path, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}
