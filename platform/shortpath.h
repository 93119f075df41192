// The short (8.3) form of a path, as the Windows file system gives it. Elsewhere there
// is no short form and the path is its own.
#pragma once

#include <cstddef>

// Writes the short form of path into out (size bytes with the terminator). false, and
// out empty, when the path does not exist or the result does not fit.
bool ShortPathName(const char* path, char* out, std::size_t size);
