// Checks on the file names a container carries.
#include "container/names.h"

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "container/format.h"
#include "container/result.h"
#include "platform/fileio.h"

namespace {

char Fold(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

std::string Folded(const char* name) {
  std::string out;
  for (const char* p = name; *p; ++p) out.push_back(Fold(*p));
  return out;
}

bool IsDeviceName(const char* name) {
  // The device is named by what comes before the first dot, trailing spaces ignored.
  std::string base = Folded(name);
  base = base.substr(0, base.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : kDevices)
    if (base == device) return true;
  if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0)) {
    // Windows takes the code page's superscript one, two and three for digits too.
    const unsigned char digit = static_cast<unsigned char>(base[3]);
    return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
  }
  return false;
}

}  // namespace

bool FileNameIsPlain(const char* name) {
  if (name == nullptr) return false;
  const std::size_t n = std::strlen(name);
  if (n == 0 || n > FILE_NAME_MAX) return false;
  if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
  if (name[n - 1] == '.' || name[n - 1] == ' ') return false;
  for (const char* p = name; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c < 0x20 || c == 0x7F || std::strchr("\\/:<>\"|?*", c) != nullptr) return false;
  }
  return !IsDeviceName(name);
}

bool FileNamesEqual(const char* a, const char* b) { return Folded(a) == Folded(b); }

std::uint32_t ContainerCheckFileNames(const char* path) {
  FileHandle file = FileOpen(path, "rb");
  if (!file) return RESULT_CANNOT_OPEN;
  char version[CONTAINER_VERSION_SIZE];
  std::uint32_t r = ContainerReadHeader(file.get(), version);
  if (r != RESULT_OK) return r;
  ContainerWalk walk;
  r = ContainerWalkBegin(&walk, file.get());
  if (r != RESULT_OK) return r;
  std::vector<std::string> seen;
  for (;;) {
    r = ContainerWalkNext(&walk);
    if (r == WALK_END) return RESULT_OK;
    if (r != WALK_CHUNK) return r;
    if (walk.kind != CHUNK_FILE) continue;
    r = ContainerCheckChunkLength(walk.kind, walk.length);
    if (r != RESULT_OK) return r;
    char name[QLX_PATH_SIZE];
    std::uint32_t name_length = 0;
    r = ContainerReadFileName(&walk, name, &name_length);
    if (r != RESULT_OK) return r;
    if (!FileNameIsPlain(name)) return RESULT_WRONG_FORMAT;
    std::string folded = Folded(name);
    for (const std::string& other : seen)
      if (other == folded) return RESULT_WRONG_FORMAT;
    seen.push_back(std::move(folded));
  }
}
