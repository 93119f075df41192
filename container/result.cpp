// The message table of the result codes.
#include "container/result.h"

#include <cstdio>

#include "platform/paths.h"

namespace {

std::string Format(const char* format, const char* argument) {
  const int needed = std::snprintf(nullptr, 0, format, argument);
  if (needed <= 0) return {};
  std::string out(static_cast<std::size_t>(needed) + 1, '\0');
  std::snprintf(out.data(), out.size(), format, argument);
  out.resize(static_cast<std::size_t>(needed));
  return out;
}

}  // namespace

std::string OperationErrorText(std::uint32_t code, const char* path) {
  const char* given = path ? path : "";
  const char* name = PathFileName(given);
  switch (code) {
    case RESULT_WRONG_SIGNATURE:
      return "Wrong file signature.\nThe file may be corrupted or\nthe password may be wrong.\n\n"
             "Please, check it and retry.";
    case RESULT_TEMP_FILE:
      return "Unable to open the temporary file\nused for encryption/decryption.";
    case RESULT_CANNOT_OPEN:
      return Format("Unable to open %s\nCheck the name and the path of the file or\n"
                    "check if it's not used by another application.",
                    given);
    case RESULT_OLD_VERSION:
      return Format("Unable to decrypt %s\nThis file may be encrypted with\n"
                    "an older version than the 2.41.",
                    name);
    case RESULT_WRONG_FORMAT:
      return Format("Unable to decrypt %s\nThis file got a wrong format.", name);
    case RESULT_NO_MEMORY:
      return "Unable to allocate enough memory";
    case RESULT_STAGE_FAILED:
      return {};
    case RESULT_INTERNAL:
      return "Unable to process encryption\nInternal error.";
    case RESULT_TOO_LARGE:
      return "Unable to encrypt: a file or the text is too large\n"
             "for a container (4 GB at most each, once compressed).";
    default: {
      char code_text[16];
      std::snprintf(code_text, sizeof code_text, "%08lX", static_cast<unsigned long>(code));
      return Format("%s: error ", name) + code_text;
    }
  }
}
