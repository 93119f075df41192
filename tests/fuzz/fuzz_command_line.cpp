// Fuzz target: the main program's command line and its list file. The input, up to its
// first zero byte (at most 1023 bytes), is a command line: it is classified, its "/ks:"
// form is taken apart, and a session key is wiped from a copy; the whole input is also
// read as the list file "vekflist.tmp". Besides the sanitizers' checks, each result is
// held against a small model: the kind follows the prefix and substring rules in their
// order; a session key is accepted exactly when "/ks:" starts at position 2 or later and
// 32 hexadecimal digits follow, decodes as the pairs say, leaves no digit behind and
// cuts the line in front of its separator, and a refused line is left untouched; every
// listed path is a whole non-empty line of at most 259 characters, its name the part
// behind its last separator, and a list with a longer line lists nothing.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/logic/command_line.h"
#include "app/logic/file_list.h"
#include "base/types.h"
#include "container/operation.h"
#include "platform/common/msgbox_double.h"
#include "platform/common/registry_memory.h"
#include "platform/paths.h"
#include "tests/fuzz/fuzz_files.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

int ModelKind(const std::string& line) {
  if (line.empty()) return KIND_EMPTY;
  if (StartsWith(line, "/m")) return KIND_MAIL_LIST;
  if (StartsWith(line, "/l")) return KIND_LIST_DECRYPT;
  if (StartsWith(line, "/s")) return KIND_SILENT;
  if (StartsWith(line, "/d")) return KIND_LIST;
  if (line.find("/ks:") != std::string::npos) return KIND_SESSION_KEY;
  if (line.find("/EXPORTWINDOW") != std::string::npos) return KIND_EXPORT_WINDOW;
  return -1;  // a container path: 4 or 5, by its folder
}

void CheckSessionKey(const std::string& line) {
  char work[COMMAND_LINE_SIZE];
  std::memcpy(work, line.c_str(), line.size() + 1);
  std::uint8_t key[16] = {};
  const int parsed = ParseSessionKeyLine(work, key);

  const std::size_t at = line.find("/ks:");
  bool valid = at != std::string::npos && at >= 2 && line.size() - at - 4 == 32;
  for (std::size_t i = 0; valid && i < 32; ++i) valid = std::isxdigit(static_cast<unsigned char>(line[at + 4 + i])) != 0;
  Check(parsed == (valid ? 1 : 0));
  if (!parsed) {
    Check(std::memcmp(work, line.c_str(), line.size() + 1) == 0);  // untouched
    return;
  }
  for (int i = 0; i < 16; ++i) {
    int nibbles[2];
    for (int j = 0; j < 2; ++j) {
      const int c = std::toupper(static_cast<unsigned char>(line[at + 4 + 2 * i + j]));
      nibbles[j] = c < 'A' ? c - '0' : c - 'A' + 10;
    }
    Check(key[i] == ((nibbles[0] << 4) | nibbles[1]));
  }
  Check(std::strlen(work) == at - 1);  // the container path: the line in front of the separator
  Check(std::memcmp(work, line.c_str(), at - 1) == 0);
  for (std::size_t i = at - 1; i < line.size(); ++i) Check(work[i] == '\0' || i < at + 4);  // no digit stays
}

void CheckForget(const std::string& line) {
  std::vector<char> copy(line.begin(), line.end());
  copy.push_back('\0');
  ForgetSessionKey(copy.data());
  const std::size_t at = line.find("/ks:");
  if (at == std::string::npos) {
    Check(std::string(copy.data()) == line);
    return;
  }
  Check(std::memcmp(copy.data(), line.c_str(), at + 4) == 0);
  for (std::size_t i = at + 4; i < line.size(); ++i) Check(copy[i] == '\0');
}

void CheckList(const std::uint8_t* data, std::size_t size) {
  // The model: lines split at line feeds, one carriage return before it dropped, empty
  // lines skipped; any line longer than 259 characters refuses the whole list.
  std::vector<std::string> lines;
  bool too_long = false;
  std::string current;
  for (std::size_t i = 0; i <= size && !too_long; ++i) {
    if (i == size || data[i] == '\n') {
      if (!current.empty() && current.back() == '\r') current.pop_back();
      if (current.size() > QLX_PATH_SIZE - 1) too_long = true;
      else if (!current.empty()) lines.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  const std::string path = FuzzTempPath("command_line", ".list");
  FuzzWriteFile(path, data, size);
  FileEntry* entries = nullptr;
  int count = -1;
  const int read = ReadFileListFrom(path.c_str(), &entries, &count);
  std::remove(path.c_str());
  if (too_long) {
    Check(read == 0);
    return;
  }
  // A line holding a zero byte is a shorter path as C text; the model compares as text.
  std::vector<std::string> expected;
  for (const std::string& line : lines) expected.push_back(std::string(line.c_str()));
  Check(read == 1 && count == static_cast<int>(expected.size()));
  for (int i = 0; i < count; ++i) {
    const FileEntry& entry = entries[i];
    Check(std::memchr(entry.path, '\0', sizeof entry.path) != nullptr);
    Check(std::memchr(entry.name, '\0', sizeof entry.name) != nullptr);
    Check(expected[static_cast<std::size_t>(i)] == entry.path);
    Check(std::strcmp(entry.name, PathFileName(entry.path)) == 0);
  }
  FileEntriesFree(entries);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool seeded = [] {
    // A browser cache folder, so that a container path can be a received one.
    RegistryMemorySetText(RegistryRoot::CurrentUser,
                          "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Cache",
                          "C:\\Cache\\");
    return true;
  }();
  (void)seeded;
  BoxDoubleReset();

  std::size_t length = 0;
  while (length < size && length < COMMAND_LINE_SIZE - 1 && data[length] != 0) ++length;
  const std::string line(reinterpret_cast<const char*>(data), length);
  Check(CommandLineFits(line.c_str()) == 1);
  const int kind = ClassifyCommandLine(line.c_str());
  const int model = ModelKind(line);
  if (model >= 0) {
    Check(kind == model);
  } else {
    Check(kind == KIND_CONTAINER || kind == KIND_RECEIVED);
    // Received: the line's folder (up to its last backslash, a name behind it, the
    // folder fitting its 260-byte buffer) begins with the cache folder, in any case.
    const std::size_t slash = line.rfind('\\');
    const char cache[] = "C:\\CACHE\\";
    bool cached = slash != std::string::npos && slash + 1 < line.size() && slash + 1 < QLX_PATH_SIZE &&
                  slash + 1 >= sizeof cache - 1;
    for (std::size_t i = 0; cached && i < sizeof cache - 1; ++i)
      cached = std::toupper(static_cast<unsigned char>(line[i])) == cache[i];
    Check((kind == KIND_RECEIVED) == cached);
  }
  CheckSessionKey(line);
  CheckForget(line);
  CheckList(data, size);
  return 0;
}
