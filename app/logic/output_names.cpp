// The output helpers' decisions as plain functions (see output_names.h).
#include "app/logic/output_names.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "app/logic/vendor.h"
#include "platform/paths.h"
#include "platform/tempdir.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char Fold(char c) {
#ifdef _WIN32
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;  // Windows names ignore case
#else
  return c;
#endif
}

bool StartsWith(const char* text, const char* prefix) {
  for (; *prefix; ++text, ++prefix)
    if (*text == '\0' || Fold(*text) != Fold(*prefix)) return false;
  return true;
}

// Copies length bytes of text and a terminator; false when that needs more than size.
bool CopyPart(char* out, std::size_t size, const char* text, std::size_t length) {
  if (length + 1 > size) return false;
  std::memcpy(out, text, length);
  out[length] = '\0';
  return true;
}

}  // namespace

int RenameProposal(const char* current, const char* original_name, int k, char out[OUTPUT_PATH_SIZE]) {
  const std::size_t current_length = std::strlen(current);
  const std::size_t folder_length = static_cast<std::size_t>(PathFileName(current) - current);
  const char* dot = std::strrchr(original_name, '.');
  const std::size_t stem_length = dot ? static_cast<std::size_t>(dot - original_name) : std::strlen(original_name);
  const char* extension = original_name + stem_length;

  char proposal[OUTPUT_PATH_SIZE];
  const int n = std::snprintf(proposal, sizeof proposal, "%.*s%.*s(%d)%s", static_cast<int>(folder_length), current,
                              static_cast<int>(stem_length), original_name, k, extension);
  if (n < 0 || static_cast<std::size_t>(n) >= sizeof proposal) {
    if (out != current) CopyPart(out, OUTPUT_PATH_SIZE, current, std::min(current_length, OUTPUT_PATH_SIZE - 1));
    return 0;
  }
  std::memcpy(out, proposal, static_cast<std::size_t>(n) + 1);
  return 1;
}

int SplitInitialPath(const char* initial, char folder[OUTPUT_PATH_SIZE], char name[OUTPUT_PATH_SIZE]) {
  folder[0] = name[0] = '\0';
  const std::size_t length = std::strlen(initial);
  std::size_t folder_length = length;
  if (length > 0 && initial[length - 1] != '\\') {
    // the file-name part is what follows the last backslash (or drive colon)
    std::size_t cut = length;
    while (cut > 0 && initial[cut - 1] != '\\' && initial[cut - 1] != ':') --cut;
    folder_length = cut;
  }
  if (CopyPart(folder, OUTPUT_PATH_SIZE, initial, folder_length) &&
      CopyPart(name, OUTPUT_PATH_SIZE, initial + folder_length, length - folder_length))
    return 1;
  folder[0] = name[0] = '\0';
  return 0;
}

int ShapeOpenResult(const char* dialog, char* result, std::size_t size) {
  if (size == 0) return 0;
  result[0] = '\0';
  const std::size_t first_length = std::strlen(dialog);
  if (first_length == 0) return 0;
  std::size_t used = 0;
  auto put = [&](const char* text, std::size_t length) {
    if (used + length + 1 > size) return false;
    std::memcpy(result + used, text, length);
    used += length;
    result[used++] = '\0';
    return true;
  };
  bool fits = true;
  const char* next = dialog + first_length + 1;
  if (*next == '\0') {
    // one file: its folder (up to the last backslash) and its name
    const char* slash = std::strrchr(dialog, '\\');
    if (slash == nullptr || slash[1] == '\0') return 0;
    const std::size_t folder_length = static_cast<std::size_t>(slash - dialog) + 1;
    fits = put(dialog, folder_length) && put(slash + 1, first_length - folder_length);
  } else {
    // several: the folder (a root such as "C:\" has its backslash already), then the names
    char folder[OUTPUT_PATH_SIZE];
    const bool has_slash = dialog[first_length - 1] == '\\';
    const int n = std::snprintf(folder, sizeof folder, "%s%s", dialog, has_slash ? "" : "\\");
    fits = n > 0 && static_cast<std::size_t>(n) < sizeof folder && put(folder, static_cast<std::size_t>(n));
    for (const char* name = next; fits && *name; name += std::strlen(name) + 1) fits = put(name, std::strlen(name));
  }
  // the closing empty string
  if (!fits || used + 1 > size) {
    result[0] = '\0';
    return 0;
  }
  result[used] = '\0';
  return 1;
}

void MoveErrorLine(unsigned long error, char* out, std::size_t size) {
  const char* name = nullptr;
  switch (error) {
    case 2:    // file not found
    case 3:    // path not found
      name = "ENOENT";
      break;
    case 5:    // access denied
    case 32:   // sharing violation
    case 33:   // lock violation
      name = "EACCES";
      break;
    case 80:   // file exists
    case 183:  // already exists
      name = "EEXIST";
      break;
    case 87:   // invalid parameter
    case 123:  // invalid name
      name = "EINVAL";
      break;
  }
  if (name)
    std::snprintf(out, size, "rename: %s", name);
  else
    std::snprintf(out, size, "rename: error=%lu", error);
}

void MoveWarningText(const char* from, const char* to, char* out, std::size_t size) {
  std::snprintf(out, size,
                "Unable to rename :\n   %s\nin %s\nCheck the name and the path of the file or\n"
                "check if it's not used by another application.",
                from, to);
}

int DecryptionFolderOf(const char* file_path, const char* temp_folder, char out[OUTPUT_PATH_SIZE]) {
  out[0] = '\0';
  if (file_path == nullptr || temp_folder == nullptr || *temp_folder == '\0') return 0;
  if (!StartsWith(file_path, temp_folder)) return 0;
  const char* rest = file_path + std::strlen(temp_folder);
  if (!StartsWith(rest, kDecryptionFolderPrefix)) return 0;
  const char* separator = rest;
  while (*separator && !IsSeparator(*separator)) ++separator;
  if (*separator == '\0' || separator == rest + std::strlen(kDecryptionFolderPrefix)) return 0;
  const char* name = separator + 1;
  if (*name == '\0' || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return 0;
  for (const char* p = name; *p; ++p)
    if (IsSeparator(*p)) return 0;  // deeper than the folder itself
  return CopyPart(out, OUTPUT_PATH_SIZE, file_path, static_cast<std::size_t>(name - file_path)) ? 1 : 0;
}

bool OpenedFileMayGo(std::uint32_t opened_at, std::uint32_t now) {
  return static_cast<std::uint32_t>(now - opened_at) >= kOpenedFileGraceMs;
}

int RemoveDecryptionFolder(const char* decrypted_file) {
  char folder[OUTPUT_PATH_SIZE];
  if (!DecryptionFolderOf(decrypted_file, TempFolder(), folder)) return 0;
  return RemovePrivateFolder(folder) ? 1 : 0;
}

InfoBoxLayout InfoBoxLines(int text_extent, int text_control_width, int line_feeds, int wrapped_lines,
                           int wrapped_height) {
  InfoBoxLayout layout{};
  const int width = std::max(1, text_control_width);
  layout.lines = std::max({2, text_extent / width + line_feeds, wrapped_lines});
  layout.text_height = std::max(11 * layout.lines, wrapped_height);
  layout.window_height = layout.text_height + 144;
  return layout;
}

void InfoBoxPlace(InfoBoxLayout* layout, int client_width, int client_height, int link_text_width) {
  const int cw = client_width;
  const int ch = client_height;
  layout->text_x = cw - 231;
  layout->text_y = 56;
  layout->text_width = 216;
  layout->link_width = std::max(120, link_text_width);
  layout->link_x = std::min(cw - 160, cw - 12 - layout->link_width);
  layout->link_y = ch - 60;
  layout->link_height = 16;
  layout->ok_x = cw - 84;
  layout->ok_y = ch - 29;
  layout->ok_width = 72;
  layout->ok_height = 23;
  layout->separator_x = 3;
  layout->separator_y = ch - 37;
  layout->separator_width = cw - 6;
  layout->separator_height = 1;
}

int HelpFilePath(const char* module_path, char out[OUTPUT_PATH_SIZE]) {
  out[0] = '\0';
  const char* slash = std::strrchr(module_path, '\\');
  const std::size_t folder_length = slash ? static_cast<std::size_t>(slash - module_path) + 1 : 0;
  const int n = std::snprintf(out, OUTPUT_PATH_SIZE, "%.*sQuillnox.hlp", static_cast<int>(folder_length), module_path);
  if (n < 0 || static_cast<std::size_t>(n) >= OUTPUT_PATH_SIZE) {
    out[0] = '\0';
    return 0;
  }
  return 1;
}

void VendorOpenAddress(char* out, std::size_t size) {
  const bool has_scheme = std::string_view(VENDOR_WEB_ADDRESS).find("://") != std::string_view::npos;
  std::snprintf(out, size, "%s%s", has_scheme ? "" : "http://", VENDOR_WEB_ADDRESS);
}
