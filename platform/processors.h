// How many processors the running program may use: the ones of its affinity mask
// (a program started on one processor, or a one-processor machine, answers 1).
#pragma once

// At least 1.
int ProcessorCount();
