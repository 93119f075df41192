// The seed clock on Windows without a time-stamp counter: the performance counter mixed
// with the system time.
#include <windows.h>

#include <cstdint>

std::uint64_t TimeStampFallback() {
  LARGE_INTEGER counter;
  counter.QuadPart = 0;
  QueryPerformanceCounter(&counter);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  // The counter's high half stays zero for minutes after a start; the system time
  // keeps both halves of the seed moving.
  const std::uint64_t time = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return time ^ static_cast<std::uint64_t>(counter.QuadPart);
}
