// The processor's time-stamp counter, the seed of the random source.
#pragma once

#include <cstdint>

// The 64-bit time-stamp counter where the processor has one (rdtsc); elsewhere a
// high-resolution clock reading whose low and high halves both change between runs.
std::uint64_t TimeStampCounter();
