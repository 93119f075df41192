// Reading and writing the list file.
#include "app/logic/file_list.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "container/operation.h"
#include "platform/fileio.h"
#include "platform/filetime.h"
#include "platform/msgbox.h"
#include "platform/paths.h"
#include "platform/tempdir.h"

namespace {

constexpr const char* kListName = "vekflist.tmp";
constexpr std::size_t kLineLimit = QLX_PATH_SIZE - 1;

void WarnLineTooLong(const std::string& start) {
  char text[QLX_PATH_SIZE + 160];
  std::snprintf(text, sizeof text,
                "The list of files to open has a line longer than %d characters:\n%s...\nNo file was opened.",
                static_cast<int>(kLineLimit), start.c_str());
  WarningBox(MainWindowHandle(), text);
}

}  // namespace

int FileListPath(char* path) {
  const int written = std::snprintf(path, QLX_PATH_SIZE, "%s%s", TempFolder(), kListName);
  return written > 0 && written < QLX_PATH_SIZE ? 1 : 0;
}

int WriteFileList(const char* const* paths, int count) {
  char list_path[QLX_PATH_SIZE];
  if (!FileListPath(list_path)) return 0;
  std::remove(list_path);
  FileHandle file = FileOpen(list_path, "wb");
  if (!file) return 0;
  bool written = true;
  for (int i = 0; i < count; ++i) {
    written = written && std::fputs(paths[i], file.get()) >= 0 && std::fputc('\n', file.get()) != EOF;
  }
  return FileClose(file) && written ? 1 : 0;
}

int ReadFileListFrom(const char* path, FileEntry** entries, int* count) {
  FileHandle file = FileOpen(path, "rb");
  if (!file) return 0;

  std::vector<std::string> lines;
  std::string line;
  bool too_long = false;
  for (int c = std::fgetc(file.get());; c = std::fgetc(file.get())) {
    if (c == EOF || c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.size() > kLineLimit) {
        too_long = true;
        break;
      }
      if (!line.empty()) lines.push_back(line);
      line.clear();
      if (c == EOF) break;
    } else {
      line.push_back(static_cast<char>(c));
      if (line.size() > kLineLimit + 1) {  // room for a carriage return
        too_long = true;
        break;
      }
    }
  }
  file.reset();
  if (too_long) {
    WarnLineTooLong(line.substr(0, 80));
    return 0;
  }

  FileEntry* made = FileEntriesAllocate(static_cast<std::uint32_t>(lines.size()));
  if (!lines.empty() && made == nullptr) return 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    FileEntry& entry = made[i];
    std::memcpy(entry.path, lines[i].c_str(), lines[i].size() + 1);
    std::snprintf(entry.name, sizeof entry.name, "%s", PathFileName(entry.path));
    const std::int64_t size = FileSizeAt(entry.path);
    entry.size = size < 0 ? 0 : size > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<std::uint32_t>(size);
    if (!FileGetWriteTime(entry.path, &entry.time)) entry.time = FileTime{0, 0};
  }
  *entries = made;
  *count = static_cast<int>(lines.size());
  return 1;
}

int ReadFileList(FileEntry** entries, int* count) {
  char list_path[QLX_PATH_SIZE];
  if (!FileListPath(list_path)) return 0;
  return ReadFileListFrom(list_path, entries, count);
}
