// Files for the Windows test programs (see files.h).
#include "tests/support/win32/files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace {

bool ReadWhole(const std::string& path, std::string* bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  bytes->clear();
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes->append(buffer, n);
  const bool complete = std::ferror(file) == 0;
  std::fclose(file);
  return complete;
}

}  // namespace

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadAll(const std::string& path) {
  std::string bytes;
  return ReadWhole(path, &bytes) ? bytes : "<missing>";
}

std::string Content(const std::string& path) {
  std::string bytes;
  return ReadWhole(path, &bytes) ? bytes : "";
}

std::string ReadText(const std::string& path) {
  std::string text = Content(path);
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  bool written = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (file != nullptr && std::fclose(file) != 0) written = false;
  if (!written) ADD_FAILURE() << "cannot write " << path;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

std::set<std::string> FolderNames(const std::string& folder) {
  std::set<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.insert(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

void EmptyFolder(const std::string& folder) {
  for (const std::string& name : FolderNames(folder)) {
    const std::string path = folder + name;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      RemoveTree(path + "\\");
    } else {
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(path.c_str());
    }
  }
}

void RemoveTree(const std::string& folder) {
  EmptyFolder(folder);
  RemoveDirectoryA(folder.c_str());
}

std::uint64_t WriteTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
}

void SetWriteTime(const std::string& path, std::uint64_t time) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  const FILETIME value = {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
  if (file == INVALID_HANDLE_VALUE || !SetFileTime(file, nullptr, nullptr, &value))
    ADD_FAILURE() << "cannot set the time of " << path;
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}
