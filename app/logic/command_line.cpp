// Command-line kinds, received-attachment folders and the "/ks:" form.
#include "app/logic/command_line.h"

#include <cctype>
#include <cstring>

#include "base/types.h"
#include "keys/settings.h"
#include "platform/shortpath.h"
#include "platform/tempdir.h"

const char* const COMMAND_LINE_TOO_LONG_TEXT =
    "The command line is longer than 1023 characters.\nNothing was opened.";

namespace {

bool StartsWith(const char* text, const char* prefix) {
  return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// Upper-cased copy into out (QLX_PATH_SIZE bytes); false when it does not fit.
bool UpperCopy(const char* text, char* out) {
  const std::size_t length = text ? std::strlen(text) : 0;
  if (length >= QLX_PATH_SIZE) return false;
  for (std::size_t i = 0; i < length; ++i) {
    out[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
  }
  out[length] = '\0';
  return true;
}

}  // namespace

int ClassifyCommandLine(const char* line) {
  if (line[0] == '\0') return KIND_EMPTY;
  if (StartsWith(line, "/m")) return KIND_MAIL_LIST;
  if (StartsWith(line, "/l")) return KIND_LIST_DECRYPT;
  if (StartsWith(line, "/s")) return KIND_SILENT;
  if (StartsWith(line, "/d")) return KIND_LIST;
  if (std::strstr(line, "/ks:")) return KIND_SESSION_KEY;
  if (std::strstr(line, "/EXPORTWINDOW")) return KIND_EXPORT_WINDOW;

  char folder[QLX_PATH_SIZE] = "";
  const char* last = std::strrchr(line, '\\');
  if (last && last[1] != '\0') {
    const std::size_t length = static_cast<std::size_t>(last - line) + 1;
    if (length < sizeof folder) {
      std::memcpy(folder, line, length);
      folder[length] = '\0';
    }
  }
  if (folder[0] != '\0' && InTempOrCache(folder)) return KIND_RECEIVED;
  return KIND_CONTAINER;
}

int FolderInTempOrCache(const char* folder, const char* temp_folder, const char* cache_folder,
                        const char* short_cache_folder) {
  char upper[QLX_PATH_SIZE];
  char other[QLX_PATH_SIZE];
  if (!UpperCopy(folder, upper) || upper[0] == '\0') return 0;
  if (UpperCopy(temp_folder, other) && other[0] != '\0' && std::strcmp(upper, other) == 0) return 1;
  if (UpperCopy(cache_folder, other) && other[0] != '\0' && StartsWith(upper, other)) return 1;
  if (UpperCopy(short_cache_folder, other) && other[0] != '\0' && StartsWith(upper, other)) return 1;
  return 0;
}

int InTempOrCache(const char* folder) {
  char cache[QLX_PATH_SIZE] = "";
  char short_cache[QLX_PATH_SIZE] = "";
  if (ShellFolderCache(cache)) ShortPathName(cache, short_cache, sizeof short_cache);
  return FolderInTempOrCache(folder, TempFolder(), cache, short_cache);
}

int ParseSessionKeyLine(char* line, std::uint8_t key[16]) {
  char* found = std::strstr(line, "/ks:");
  if (found == nullptr || found - line < 2) return 0;
  char* digits = found + 4;
  if (std::strlen(digits) != 32) return 0;
  // Only hexadecimal digits make a key; anything else (a stray quote) is refused, the
  // line untouched.
  for (int i = 0; i < 32; ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(digits[i]))) return 0;
  }
  for (int i = 0; i < 32; ++i) {
    digits[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(digits[i])));
  }
  for (int i = 0; i < 16; ++i) {
    int nibbles[2];
    for (int j = 0; j < 2; ++j) {
      const int c = static_cast<unsigned char>(digits[2 * i + j]);
      nibbles[j] = c < 'A' ? c - 48 : c - 55;
    }
    key[i] = static_cast<std::uint8_t>((nibbles[0] << 4) + nibbles[1]);
  }
  found[-1] = '\0';
  return 1;
}

int CommandLineFits(const char* line) { return std::strlen(line) < COMMAND_LINE_SIZE ? 1 : 0; }
