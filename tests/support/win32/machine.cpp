// The machine across the views of 64-bit Windows (see machine.h).
#include "tests/support/win32/machine.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>

#include "tests/support/win32/files.h"
#include "tests/support/win32/folders.h"

namespace {

bool Skipped(const std::vector<std::string>& skip, const std::string& path) {
  return std::any_of(skip.begin(), skip.end(),
                     [&](const std::string& s) { return lstrcmpiA(path.c_str(), s.c_str()) == 0; });
}

void ListTree(const std::string& folder, const std::vector<std::string>& skip, std::set<std::string>* out) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "\\" + name;
    if (Skipped(skip, path)) continue;
    out->insert(path);
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      ListTree(path, skip, out);
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

// A value as a line shows it: a text as it is, other data by its size and a digest.
std::string ShownValue(DWORD type, const BYTE* data, DWORD size) {
  if ((type == REG_SZ || type == REG_EXPAND_SZ) && size > 0 && data[size - 1] == '\0')
    return std::string(reinterpret_cast<const char*>(data), size - 1);
  std::uint64_t digest = 14695981039346656037ull;  // FNV-1a
  for (DWORD i = 0; i < size; ++i) digest = (digest ^ data[i]) * 1099511628211ull;
  char shown[64];
  std::snprintf(shown, sizeof shown, "type %lu, %lu bytes, %016llx", static_cast<unsigned long>(type),
                static_cast<unsigned long>(size), static_cast<unsigned long long>(digest));
  return shown;
}

// A key path as a 32-bit program names it: the 64-bit view shows the keys of 32-bit
// programs below "Software\Wow6432Node".
std::string PathOfTheOwnView(const std::string& path) {
  const std::string node = "Software\\Wow6432Node";
  if (path.size() < node.size() || lstrcmpiA(path.substr(0, node.size()).c_str(), node.c_str()) != 0) return path;
  return "Software" + path.substr(node.size());
}

// Keys and values below root\path in one view, as "view|root|path|name|value" lines. A
// skipped key is skipped in both views.
void ListKeys(HKEY root, const char* root_name, const std::string& path, bool view_64bit,
              const std::vector<std::string>& skip, std::set<std::string>* out) {
  if (Skipped(skip, path) || Skipped(skip, PathOfTheOwnView(path))) return;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | ViewAccess(view_64bit), &key) != ERROR_SUCCESS) return;
  const std::string line = std::string(view_64bit ? "64|" : "32|") + root_name + "|" + path;
  out->insert(line);
  char name[512];
  BYTE data[4096];
  for (DWORD i = 0;; ++i) {
    DWORD name_size = sizeof name, data_size = sizeof data, type = 0;
    if (RegEnumValueA(key, i, name, &name_size, nullptr, &type, data, &data_size) != ERROR_SUCCESS) break;
    out->insert(line + "|" + name + "|" + ShownValue(type, data, data_size));
  }
  std::vector<std::string> subkeys;
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subkeys.push_back(name);
  }
  RegCloseKey(key);
  for (const std::string& s : subkeys) ListKeys(root, root_name, path + "\\" + s, view_64bit, skip, out);
}

}  // namespace

NativeFileSystemView::NativeFileSystemView() {
#if !defined(_WIN64)
  switched_ = Wow64DisableWow64FsRedirection(&previous_) != FALSE;
#endif
}

NativeFileSystemView::~NativeFileSystemView() {
  if (switched_) Wow64RevertWow64FsRedirection(previous_);
}

MachineWidths ThisMachine() {
#if defined(_WIN64)
  return {true, true};
#else
  BOOL wow64 = FALSE;
  return {false, IsWow64Process(GetCurrentProcess(), &wow64) && wow64};
#endif
}

std::string NativeContent(const std::string& path) {
  std::string bytes;
  HANDLE file;
  {
    NativeFileSystemView view;  // only around the open: the handle keeps the place
    file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                       nullptr);
  }
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

bool NativeExists(const std::string& path) {
  NativeFileSystemView view;
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

REGSAM ViewAccess(bool view_64bit) { return view_64bit ? KEY_WOW64_64KEY : KEY_WOW64_32KEY; }

bool KeyInView(HKEY root, const std::string& path, bool view_64bit) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | ViewAccess(view_64bit), &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::string TextInView(HKEY root, const std::string& path, const char* name, bool view_64bit) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | ViewAccess(view_64bit), &key) != ERROR_SUCCESS)
    return "<missing>";
  char data[1024];
  DWORD size = sizeof data - 1, type = 0;
  const LONG r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS || type != REG_SZ) return "<missing>";
  data[size] = '\0';
  return data;
}

MachineState TakeMachineState(const std::vector<std::string>& skip_folders, const std::vector<std::string>& skip_keys) {
  MachineState state;
  {
    NativeFileSystemView view;
    ListTree("C:", skip_folders, &state.files);
  }
  for (bool view_64bit : RegistryViews(ThisMachine())) {
    ListKeys(HKEY_LOCAL_MACHINE, "HKLM", "Software", view_64bit, skip_keys, &state.keys);
    ListKeys(HKEY_CURRENT_USER, "HKCU", "Software", view_64bit, skip_keys, &state.keys);
  }
  return state;
}

MachineState TakeInstallationState(const std::vector<std::string>& unchecked_folders) {
  std::vector<std::string> folders = unchecked_folders;
  std::string temp = TemporaryFolder();
  temp.pop_back();
  folders.push_back(temp);
  return TakeMachineState(folders, {"Software\\Wine", "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32",
                                    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced"});
}

std::vector<std::string> Difference(const std::set<std::string>& a, const std::set<std::string>& b) {
  std::vector<std::string> d;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(d));
  return d;
}
