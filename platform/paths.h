// Small path helpers that behave as the Windows shell's do, on every platform.
#pragma once

// The file name part of a path: what follows the last "\", "/" or ":" that is itself
// followed by a name (a trailing separator does not count), as PathFindFileNameA
// answers. Returns a pointer into path.
const char* PathFileName(const char* path);
