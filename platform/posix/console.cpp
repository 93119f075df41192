// Terminals on POSIX: isatty.
#include <unistd.h>

#include "platform/console.h"

bool StreamIsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }
