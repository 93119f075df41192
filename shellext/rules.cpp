// The shell extension's decisions: menu items, texts and verbs, the list file's bytes,
// the program's path and its command line. Standard C++ only, no allocation.
#include "shellext/rules.h"

#include <cstring>

#include "container/format.h"

namespace {

struct CommandTexts {
  const char* menu;
  const char* help;
  const char* verb;
  const char* program_switch;
};

constexpr CommandTexts kCommands[SHELL_COMMAND_COUNT] = {
    {"Encrypt with Quillnox", "Encrypts the selected files with Quillnox.", "QuillnoxEncrypt", "/m"},
    {"Decrypt with Quillnox", "Decrypts this Quillnox container.", "QuillnoxDecrypt", "/l"},
};

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (AsciiLower(*a) != AsciiLower(*b)) return false;
  return *a == *b;
}

}  // namespace

std::uint32_t MenuItemsFor(const SelectionFacts& facts) {
  if (facts.files == 0 || facts.folders != 0) return 0;
  std::uint32_t items = MENU_ENCRYPT;
  if (facts.files == 1 && facts.single_container) items |= MENU_DECRYPT;
  return items;
}

bool IsContainerSignature(const void* bytes, std::size_t size) {
  return size >= CONTAINER_SIGNATURE_SIZE &&
         std::memcmp(bytes, CONTAINER_SIGNATURE, CONTAINER_SIGNATURE_SIZE) == 0;
}

const char* CommandMenuText(std::uint32_t command) {
  return command < SHELL_COMMAND_COUNT ? kCommands[command].menu : nullptr;
}
const char* CommandHelpText(std::uint32_t command) {
  return command < SHELL_COMMAND_COUNT ? kCommands[command].help : nullptr;
}
const char* CommandVerb(std::uint32_t command) {
  return command < SHELL_COMMAND_COUNT ? kCommands[command].verb : nullptr;
}
const char* CommandSwitch(std::uint32_t command) {
  return command < SHELL_COMMAND_COUNT ? kCommands[command].program_switch : nullptr;
}

std::uint32_t CommandFromVerb(const char* verb) {
  if (verb == nullptr) return SHELL_COMMAND_COUNT;
  for (std::uint32_t c = 0; c < SHELL_COMMAND_COUNT; ++c)
    if (SameIgnoringCase(verb, kCommands[c].verb)) return c;
  return SHELL_COMMAND_COUNT;
}

int ListFileBytes(const char* paths, std::uint32_t count, char* out, std::size_t capacity,
                  std::size_t* size, std::uint32_t* bad) {
  *size = 0;
  const char* path = paths;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t length = std::strlen(path);
    if (length == 0 || length > SHELLEXT_LISTED_PATH_MAX) {
      *bad = i;
      return 0;
    }
    if (length + 1 > capacity - *size) {
      *bad = count;
      return 0;
    }
    std::memcpy(out + *size, path, length);
    out[*size + length] = '\n';
    *size += length + 1;
    path += length + 1;
  }
  return 1;
}

int ProgramFromOpenCommand(const char* open_command, char* out, std::size_t out_size) {
  if (*open_command == '"') ++open_command;
  const char* last = std::strrchr(open_command, '\\');
  if (last == nullptr) return 0;
  const std::size_t folder = static_cast<std::size_t>(last - open_command) + 1;
  const std::size_t name = sizeof SHELLEXT_PROGRAM_NAME;  // with its terminator
  if (folder + name > out_size) return 0;
  std::memcpy(out, open_command, folder);
  std::memcpy(out + folder, SHELLEXT_PROGRAM_NAME, name);
  return 1;
}

int LaunchCommandLine(const char* program, std::uint32_t command, char* out, std::size_t out_size) {
  const char* program_switch = CommandSwitch(command);
  if (program_switch == nullptr) return 0;
  const std::size_t length = std::strlen(program);
  const std::size_t switch_length = std::strlen(program_switch);
  // '"' program '"' ' ' switch NUL
  if (length + switch_length + 4 > out_size) return 0;
  char* p = out;
  *p++ = '"';
  std::memcpy(p, program, length);
  p += length;
  *p++ = '"';
  *p++ = ' ';
  std::memcpy(p, program_switch, switch_length + 1);
  return 1;
}

void ShownPath(const char* path, char* out, std::size_t out_size) {
  if (out_size < SHELLEXT_SHOWN_PATH_MAX + 1) {
    if (out_size > 0) *out = '\0';
    return;
  }
  const std::size_t length = std::strlen(path);
  if (length <= SHELLEXT_SHOWN_PATH_MAX) {
    std::memcpy(out, path, length + 1);
    return;
  }
  constexpr std::size_t head = 28;
  constexpr std::size_t tail = SHELLEXT_SHOWN_PATH_MAX - head - 3;
  std::memcpy(out, path, head);
  std::memcpy(out + head, "...", 3);
  std::memcpy(out + head + 3, path + length - tail, tail + 1);
}
