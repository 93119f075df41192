// File-entry arrays and decrypted texts handed between the operations and their callers.
#include <cstdlib>
#include <cstring>

#include "container/operation.h"
#include "platform/fileio.h"
#include "platform/paths.h"
#include "platform/wipe.h"

FileEntry* FileEntriesAllocate(std::uint32_t count) {
  if (count == 0) return nullptr;
  return static_cast<FileEntry*>(std::calloc(count, sizeof(FileEntry)));
}

void FileEntriesFree(FileEntry* entries) { std::free(entries); }

// A text is allocated with its capacity just before it, so that all of it can be wiped.
char* OperationTextAllocate(std::size_t capacity) {
  auto* block = static_cast<std::size_t*>(std::calloc(1, sizeof(std::size_t) + capacity));
  if (block == nullptr) return nullptr;
  block[0] = capacity;
  return reinterpret_cast<char*>(block + 1);
}

void OperationTextFree(char* text) {
  if (text == nullptr) return;
  std::size_t* block = reinterpret_cast<std::size_t*>(text) - 1;
  SecureWipe(text, block[0]);
  std::free(block);
}

int FileEntryFromPath(const char* path, FileEntry* entry) {
  const std::size_t length = std::strlen(path);
  if (length == 0 || length >= QLX_PATH_SIZE) return 0;
  const std::int64_t size = FileSizeAt(path);
  if (size < 0) return 0;
  std::memcpy(entry->path, path, length + 1);
  std::snprintf(entry->name, sizeof entry->name, "%s", PathFileName(path));
  entry->size = size > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<std::uint32_t>(size);
  if (!FileGetWriteTime(path, &entry->time)) entry->time = FileTime{0, 0};
  return 1;
}
