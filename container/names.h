// Names of files stored in containers: a container comes from outside, and its FILE
// names become paths on this machine, so only plain file names are accepted.
#pragma once

#include <cstdint>

// True for a plain Windows file name: not empty, at most 259 characters, no folder
// part ("\", "/", ":"), none of < > " | ? * and no control character, not "." or "..",
// no trailing dot or space, and not a device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9,
// COM and LPT followed by a superscript 1, 2 or 3 of the ANSI code page (bytes B9, B2,
// B3), CONIN$, CONOUT$), with or without an extension.
bool FileNameIsPlain(const char* name);

// True when two names denote the same file on Windows (compared without case).
bool FileNamesEqual(const char* a, const char* b);

// Walks the container at path and checks every FILE name: plain, and no two alike.
// 1, 0xF003 (cannot open) or 0xF005 (a bad or repeated name, or a framing error).
std::uint32_t ContainerCheckFileNames(const char* path);
