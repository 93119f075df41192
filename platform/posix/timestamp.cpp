// The seed clock on POSIX systems without a time-stamp counter: real time in nanoseconds.
#include <time.h>

#include <cstdint>

std::uint64_t TimeStampFallback() {
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000000000u + static_cast<std::uint64_t>(now.tv_nsec);
}
