// Time-stamp counter on POSIX systems: rdtsc on x86 processors that report it,
// otherwise the real-time clock in nanoseconds.
#include "platform/timestamp.h"

#include <time.h>

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
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000000000u + static_cast<std::uint64_t>(now.tv_nsec);
}

}  // namespace

std::uint64_t TimeStampCounter() {
#if defined(__i386__) || defined(__x86_64__)
  if (ProcessorHasTsc()) return __rdtsc();
#endif
  return ClockReading();
}
