// Result codes of the container operations and the one table of their messages.
#pragma once

#include <cstdint>
#include <string>

#include "platform/msgbox.h"

constexpr std::uint32_t RESULT_OK = 1;
constexpr std::uint32_t RESULT_WRONG_SIGNATURE = 0xF001;  // a digest differs: wrong passphrase or damage
constexpr std::uint32_t RESULT_TEMP_FILE = 0xF002;        // a temporary file cannot be opened
constexpr std::uint32_t RESULT_CANNOT_OPEN = 0xF003;      // a file cannot be opened
constexpr std::uint32_t RESULT_OLD_VERSION = 0xF004;      // container older than 2.41
constexpr std::uint32_t RESULT_WRONG_FORMAT = 0xF005;     // framing error, limit exceeded, old format
constexpr std::uint32_t RESULT_NO_MEMORY = 0xF006;
constexpr std::uint32_t RESULT_STAGE_FAILED = 0xF007;     // the failing stage has shown its own message
constexpr std::uint32_t RESULT_INTERNAL = 0xF008;
constexpr std::uint32_t RESULT_TOO_LARGE = 0xF009;        // an item does not fit a chunk's 32-bit length

// The message the user sees for a result code, with "%s" filled from path: the path as
// given for 0xF003, the file name without folder otherwise. Empty for 0xF007.
std::string OperationErrorText(std::uint32_t code, const char* path);

// Shows OperationErrorText in a warning box owned by owner (the desktop window when
// owner is nullptr). 0xF007 shows nothing.
void ReportOperationError(WindowHandle owner, std::uint32_t code, const char* path);
