// POSIX file positions: fseeko/ftello with a 64-bit off_t (every POSIX build defines
// _FILE_OFFSET_BITS=64); private work files.
#include "platform/fileio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

static_assert(sizeof(off_t) == 8, "POSIX builds need 64-bit file offsets (_FILE_OFFSET_BITS=64)");

FileHandle FileCreatePrivate(const char* path) {
  if (path == nullptr) return FileHandle();
  const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return FileHandle();
  // A regular file that existed keeps its mode through O_TRUNC: close it to others too.
  struct stat st;
  bool usable = fstat(fd, &st) == 0;
  if (usable && S_ISREG(st.st_mode) && (st.st_mode & 077) != 0) usable = fchmod(fd, 0600) == 0;
  std::FILE* file = usable ? fdopen(fd, "wb") : nullptr;
  if (file == nullptr) close(fd);
  return FileHandle(file);
}

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

PathKind PathKindAt(const char* path) {
  struct stat st;
  if (path == nullptr || stat(path, &st) != 0) return PathKind::None;
  return S_ISDIR(st.st_mode) ? PathKind::Folder : PathKind::File;
}
