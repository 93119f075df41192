// The main commands' decisions: reply text, output targets, the Open command's list.
#include "app/logic/command_rules.h"

#include <cstdio>
#include <cstring>

namespace {

std::size_t LineFeeds(const char* text) {
  std::size_t n = 0;
  for (const char* p = text; *p; ++p)
    if (*p == '\n') ++n;
  return n;
}

constexpr char kReplyStart[] = "\r\n";
constexpr char kReplyFileOpen[] = "\r\n> [";
constexpr char kReplyFileClose[] = "]";
constexpr char kReplyTextStart[] = "\r\n> ----\r\n> ";
constexpr char kQuote[] = "> ";

// Appends bytes while they fit; false once they do not.
struct Writer {
  char* out;
  std::size_t size;
  std::size_t used = 0;
  bool Put(const char* bytes, std::size_t n) {
    if (n > size - used || size - used - n < 1) return false;  // one byte stays for the NUL
    std::memcpy(out + used, bytes, n);
    used += n;
    return true;
  }
  bool Put(const char* text) { return Put(text, std::strlen(text)); }
};

}  // namespace

std::size_t ReplyTextSize(const char* text, const FileEntry* files, int count) {
  std::size_t size = std::strlen(kReplyStart) + 1;
  for (int i = 0; i < count; ++i) {
    if (files[i].name[0] == '\0') continue;  // the entry that only names a text's container
    size += std::strlen(kReplyFileOpen) + strnlen(files[i].name, sizeof files[i].name) + std::strlen(kReplyFileClose);
  }
  if (text && *text) size += std::strlen(kReplyTextStart) + std::strlen(text) + LineFeeds(text) * std::strlen(kQuote);
  return size;
}

int BuildReplyText(const char* text, const FileEntry* files, int count, char* out, std::size_t size) {
  if (out == nullptr || size == 0) return 0;
  Writer w{out, size};
  bool fits = w.Put(kReplyStart);
  for (int i = 0; fits && i < count; ++i) {
    if (files[i].name[0] == '\0') continue;
    fits = w.Put(kReplyFileOpen) && w.Put(files[i].name, strnlen(files[i].name, sizeof files[i].name)) &&
           w.Put(kReplyFileClose);
  }
  if (fits && text && *text) {
    fits = w.Put(kReplyTextStart);
    for (const char* p = text; fits && *p; ++p) {
      fits = w.Put(p, 1);
      if (fits && *p == '\n') fits = w.Put(kQuote);
    }
  }
  if (!fits) {
    out[0] = '\0';
    return 0;
  }
  out[w.used] = '\0';
  return 1;
}

int JoinOutputPath(const char* folder, const char* name, char out[QLX_PATH_SIZE]) {
  const int n = std::snprintf(out, QLX_PATH_SIZE, "%s%s", folder ? folder : "", name ? name : "");
  if (n < 0 || n >= QLX_PATH_SIZE) {
    out[0] = '\0';
    return 0;
  }
  return 1;
}

void OutputFolderOf(const char* path, char out[QLX_PATH_SIZE]) {
  out[0] = '\0';
  const char* last = std::strrchr(path, '\\');
  if (last == nullptr) return;
  const std::size_t length = static_cast<std::size_t>(last - path) + 1;
  if (length >= QLX_PATH_SIZE) return;
  std::memcpy(out, path, length);
  out[length] = '\0';
}

int EncryptedTargetOf(const char* path, char out[QLX_PATH_SIZE]) { return JoinOutputPath(path, ".vek", out); }

void AsInitialFolder(const char* folder, char out[QLX_PATH_SIZE]) {
  const std::size_t length = strnlen(folder, QLX_PATH_SIZE);
  if (length == 0 || length >= QLX_PATH_SIZE - 1) {
    out[0] = '\0';
    return;
  }
  std::memcpy(out, folder, length + 1);
  if (out[length - 1] != '\\') {
    out[length] = '\\';
    out[length + 1] = '\0';
  }
}

int ReceivedProposal(const char* output_folder, bool text_only, const char* first_name, char out[QLX_PATH_SIZE]) {
  return JoinOutputPath(output_folder, text_only ? kTextOutputName : first_name, out);
}

int OpenResultPaths(const char* result, std::size_t size, std::vector<std::string>* paths) {
  paths->clear();
  const std::size_t folder_length = strnlen(result, size);
  if (folder_length == 0 || folder_length >= size) return 0;
  std::size_t at = folder_length + 1;
  while (at < size && result[at] != '\0') {
    const std::size_t length = strnlen(result + at, size - at);
    if (at + length >= size) break;  // no terminator inside the buffer
    if (folder_length + length > QLX_PATH_SIZE - 1) {
      paths->clear();
      return 0;
    }
    paths->push_back(std::string(result, folder_length) + std::string(result + at, length));
    at += length + 1;
  }
  if (at >= size || paths->empty()) {
    paths->clear();
    return 0;
  }
  return 1;
}
