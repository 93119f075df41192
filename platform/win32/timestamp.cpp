// Time-stamp counter on Windows: rdtsc when the processor reports it, otherwise the
// performance counter mixed with the system time.
#include "platform/timestamp.h"

#include <windows.h>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <x86intrin.h>
#endif

namespace {

#if defined(__i386__) || defined(__x86_64__)
bool ProcessorHasTsc() {
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  return (edx & (1u << 4)) != 0;  // CPUID.1:EDX.TSC
}
#endif

std::uint64_t ClockReading() {
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

}  // namespace

std::uint64_t TimeStampCounter() {
#if defined(__i386__) || defined(__x86_64__)
  if (ProcessorHasTsc()) return __rdtsc();
#endif
  return ClockReading();
}
