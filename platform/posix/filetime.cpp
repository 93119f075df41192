// File times on POSIX: st_mtim converted to and from Windows' 1601-based ticks.
#include "platform/filetime.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace {
constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600LL;
}  // namespace

bool FileGetWriteTime(const char* path, FileTime* time) {
  struct stat st;
  if (path == nullptr || stat(path, &st) != 0) return false;
  const std::int64_t seconds = static_cast<std::int64_t>(st.st_mtim.tv_sec) + kSecondsFrom1601To1970;
  if (seconds < 0) {
    *time = FileTime{0, 0};
    return true;
  }
  *time = FileTimeFromValue(static_cast<std::uint64_t>(seconds) * kTicksPerSecond +
                            static_cast<std::uint64_t>(st.st_mtim.tv_nsec / 100));
  return true;
}

bool FileSetWriteTime(const char* path, const FileTime& time) {
  if (path == nullptr) return false;
  const std::uint64_t ticks = FileTimeValue(time);
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;  // access time unchanged
  times[1].tv_sec = static_cast<time_t>(static_cast<std::int64_t>(ticks / kTicksPerSecond) - kSecondsFrom1601To1970);
  times[1].tv_nsec = static_cast<long>((ticks % kTicksPerSecond) * 100);
  return utimensat(AT_FDCWD, path, times, 0) == 0;
}
