// Diagnostics that are not for the user: one bracketed line to the debugger output.
#pragma once

#include <cstdarg>
#include <cstddef>

// Formats one line (printf conversions, at most 520 characters; longer is cut) and
// sends it, followed by "\r\n", to the debugger output. Nothing goes to a file.
void DebugLog(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// The line DebugLog sends: the formatted text cut to 520 characters, then "\r\n".
// out holds size bytes (at least 523 for a full line).
void FormatDebugLine(char* out, std::size_t size, const char* format, va_list arguments);
