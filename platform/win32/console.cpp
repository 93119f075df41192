// Consoles on Windows: the C runtime's _isatty.
#include <io.h>

#include "platform/console.h"

bool StreamIsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }
