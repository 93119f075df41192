// Where help is shown (see help_route.h).
#include "app/logic/help_route.h"

#include <cstdio>
#include <cstring>

namespace {

// Appends n bytes; false when they do not fit (with the NUL).
bool Put(char* out, std::size_t size, std::size_t* used, const char* s, std::size_t n) {
  if (n >= size - *used) return false;
  std::memcpy(out + *used, s, n);
  *used += n;
  out[*used] = '\0';
  return true;
}

bool Fail(char* out, std::size_t size) {
  if (size) out[0] = '\0';
  return false;
}

bool KeptInAddress(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::strchr("/:-._~!$&'()*+,;=@", c) != nullptr;
}

}  // namespace

HelpRoute ChooseHelpRoute(unsigned windows_major, bool viewer_present) {
  if (windows_major >= 10 || !viewer_present) return HelpRoute::HtmlPage;
  return HelpRoute::WinHelp;
}

bool HelpPagePath(const char* module_path, char* out, std::size_t size) {
  if (!size) return false;
  const char* slash = std::strrchr(module_path, '\\');
  const std::size_t folder = slash ? static_cast<std::size_t>(slash - module_path) + 1 : 0;
  std::size_t used = 0;
  out[0] = '\0';
  if (!Put(out, size, &used, module_path, folder) || !Put(out, size, &used, "Quillnox.htm", 12))
    return Fail(out, size);
  return true;
}

bool HelpPageAddress(const char* page_path, int topic, char* out, std::size_t size) {
  if (!size) return false;
  std::size_t used = 0;
  out[0] = '\0';
  if (!Put(out, size, &used, "file:///", 8)) return Fail(out, size);
  for (const char* p = page_path; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    char part[4];
    if (c == '\\') {
      part[0] = '/';
      part[1] = '\0';
    } else if (KeptInAddress(c)) {
      part[0] = static_cast<char>(c);
      part[1] = '\0';
    } else {
      std::snprintf(part, sizeof part, "%%%02X", c);
    }
    if (!Put(out, size, &used, part, std::strlen(part))) return Fail(out, size);
  }
  if (topic >= 0) {
    char anchor[24];
    std::snprintf(anchor, sizeof anchor, "#ctx%d", topic);
    if (!Put(out, size, &used, anchor, std::strlen(anchor))) return Fail(out, size);
  }
  return true;
}

bool BrowserCommand(const char* registered, const char* address, char* out, std::size_t size) {
  if (!size) return false;
  std::size_t used = 0;
  out[0] = '\0';
  if (!registered || !*registered) return Fail(out, size);
  const char* mark = std::strstr(registered, "%1");
  if (!mark) mark = std::strstr(registered, "%L");
  if (!mark) mark = std::strstr(registered, "%l");
  if (mark) {
    if (!Put(out, size, &used, registered, static_cast<std::size_t>(mark - registered)) ||
        !Put(out, size, &used, address, std::strlen(address)) || !Put(out, size, &used, mark + 2, std::strlen(mark + 2)))
      return Fail(out, size);
  } else if (!Put(out, size, &used, registered, std::strlen(registered)) || !Put(out, size, &used, " ", 1) ||
             !Put(out, size, &used, address, std::strlen(address))) {
    return Fail(out, size);
  }
  return true;
}
