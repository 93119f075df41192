// Whether a standard stream is an interactive terminal (console), for command-line tools.
#pragma once

#include <cstdio>

bool StreamIsTerminal(std::FILE* stream);
