// Helpers of the mail tests under Wine (see wine_support.h).
#include "tests/mail/wine_support.h"

#include <cstdio>
#include <sstream>

#include "platform/common/msgbox_double.h"

std::string Folder() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path, length);
  return folder.substr(0, folder.rfind('\\') + 1);
}

std::string ReadAll(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return "<missing>";
  std::string bytes;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, n);
  std::fclose(file);
  return bytes;
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return;
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

void SetKeyText(HKEY root, const char* path, const char* name, const std::string& text) {
  HKEY key;
  if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) return;
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
}

void CreateKey(HKEY root, const char* path) {
  HKEY key;
  if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS)
    RegCloseKey(key);
}

void DeleteKeyTree(HKEY root, const char* path) { RegDeleteTreeA(root, path); RegDeleteKeyA(root, path); }

std::vector<std::string> BoxTexts() {
  std::vector<std::string> texts;
  for (const RecordedBox& box : BoxDoubleLog())
    texts.push_back(std::string(box.kind == BoxKind::Error ? "error: " : "warning: ") + box.text);
  return texts;
}
