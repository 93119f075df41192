// The running program's product version: on Windows the "ProductVersion" text of its
// own version resource (block "\StringFileInfo\040904B0"); elsewhere the same text
// from resources/version.h.
#pragma once

#include <cstddef>

// Copies the version into buffer (size bytes with the terminator; a longer text is
// cut). false, with buffer empty, when the program has no version resource.
bool ModuleProductVersion(char* buffer, std::size_t size);

// The program's product version ("4.10EN"), read once from its version resource and
// kept for the life of the process; "" for a program without one. At most 7
// characters (a longer text is cut).
const char* ProductVersion();
