// Windows file positions: the CRT's 64-bit seek and tell (long is 32 bits here).
#include "platform/fileio.h"

#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>

FileHandle FileCreatePrivate(const char* path) { return FileOpen(path, "wb"); }

bool FileSeek(std::FILE* file, std::uint64_t position) {
  if (position > static_cast<std::uint64_t>(INT64_MAX)) return false;
  return _fseeki64(file, static_cast<__int64>(position), SEEK_SET) == 0;
}

std::int64_t FileTell(std::FILE* file) { return _ftelli64(file); }

std::int64_t FileSize(std::FILE* file) {
  if (std::fflush(file) != 0) return -1;
  return _filelengthi64(_fileno(file));
}

std::int64_t FileSizeAt(const char* path) {
  struct _stati64 st;
  if (path == nullptr || _stati64(path, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

PathKind PathKindAt(const char* path) {
  struct _stati64 st;
  if (path == nullptr || _stati64(path, &st) != 0) return PathKind::None;
  return (st.st_mode & _S_IFDIR) ? PathKind::Folder : PathKind::File;
}
