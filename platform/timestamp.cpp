// The processor's time-stamp counter where the processor reports one (x86 "rdtsc");
// elsewhere the platform's clock reading (platform/*/timestamp.cpp).
#include "platform/timestamp.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <x86intrin.h>
#endif

// A 64-bit clock reading whose two halves both change between runs.
std::uint64_t TimeStampFallback();

namespace {

#if defined(__i386__) || defined(__x86_64__)
bool ProcessorHasTsc() {
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  return (edx & (1u << 4)) != 0;  // CPUID.1:EDX.TSC
}
#endif

}  // namespace

std::uint64_t TimeStampCounter() {
#if defined(__i386__) || defined(__x86_64__)
  if (ProcessorHasTsc()) return __rdtsc();
#endif
  return TimeStampFallback();
}
