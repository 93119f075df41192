// DebugLog: bracketed diagnostic lines to the debugger output.
#include "app/dialogs/debug_log.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

void FormatDebugLine(char* out, std::size_t size, const char* format, va_list arguments) {
  if (size == 0) return;
  char line[521];  // 520 characters and the terminator, whatever the format produces
  const int n = std::vsnprintf(line, sizeof line, format, arguments);
  if (n < 0) line[0] = '\0';
  std::snprintf(out, size, "%s\r\n", line);
}

void DebugLog(const char* format, ...) {
  char line[524];
  va_list arguments;
  va_start(arguments, format);
  FormatDebugLine(line, sizeof line, format, arguments);
  va_end(arguments);
  OutputDebugStringA(line);
}
