// The unattended installation from an INI file, and the replacement of an installed
// older version: removed through its own uninstaller (its settings saved first and put
// back afterwards under its own key, for the new program to migrate) or by hand.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "setup/setup.h"
#include "setup/setup_rules.h"

namespace {

struct SavedValue {
  std::string name;
  DWORD type;
  std::vector<BYTE> data;
};

struct SavedSettings {
  char version[32];
  std::vector<SavedValue> values;
};

SavedSettings g_saved;

void Box(const char* text, const char* title, UINT icon) { MessageBoxA(nullptr, text, title, MB_OK | icon); }

bool ReadDefault(HKEY root, const char* path, char* out, DWORD size) {
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0, got = size - 1;
  const LONG r = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(out), &got);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS || type != REG_SZ) return false;
  out[got] = '\0';
  return true;
}

bool ReadShellFolder(const char* name, char* out, DWORD size) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                    KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  DWORD type = 0, got = size - 1;
  const LONG r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &got);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS || type != REG_SZ) return false;
  out[got] = '\0';
  return true;
}

void DeleteSubkey(HKEY root, const char* parent, const char* name) {
  HKEY key;
  if (RegOpenKeyExA(root, parent, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  RegDeleteKeyA(key, name);
  RegCloseKey(key);
}

void DeleteInFolder(const char* folder, const char* name) {
  char path[SETUP_PATH_SIZE];
  if (FormatBounded(path, sizeof path, "%s\\%s", folder, name)) DeleteFileA(path);
}

void DeleteSystemVekDll() {
  char system[SETUP_PATH_SIZE];
  const UINT n = GetSystemDirectoryA(system, sizeof system);
  if (n && n < sizeof system) DeleteInFolder(system, "vek.dll");
}

// An older version without a silent uninstaller: its keys, files and shortcuts by name.
void RemoveByHand(const char* version) {
  DeleteSubkey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", "Vek");
  char command[SETUP_PATH_SIZE], folder[SETUP_PATH_SIZE];
  if (!ReadDefault(HKEY_CLASSES_ROOT, "VekFile\\Shell\\Open\\Command", command, sizeof command) ||
      !OlderInstallFolder(command, folder, sizeof folder))
    return;
  DeleteSubkey(HKEY_CLASSES_ROOT, "VekFile\\Shell\\Open", "Command");
  DeleteSubkey(HKEY_CLASSES_ROOT, "VekFile\\Shell", "Open");
  DeleteSubkey(HKEY_CLASSES_ROOT, "VekFile", "Shell");
  DeleteSubkey(HKEY_CLASSES_ROOT, "VekFile", "DefaultIcon");
  DeleteSubkey(HKEY_CLASSES_ROOT, "", "VekFile");
  DeleteSubkey(HKEY_CLASSES_ROOT, "", ".vek");
  DeleteSubkey(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers", "Vek");
  char clsid[SETUP_PATH_SIZE];
  FormatBounded(clsid, sizeof clsid, "CLSID\\%s", SHELLEXT_CLSID);
  DeleteSubkey(HKEY_CLASSES_ROOT, clsid, "InProcServer32");
  DeleteSubkey(HKEY_CLASSES_ROOT, "CLSID", SHELLEXT_CLSID);
  for (const char* name : {"vek.exe", "Vek.exe", "vekview.exe", "VekView.exe", "vek.dll", "unins000.dat",
                           "remover.dat", "unins000.exe"})
    DeleteInFolder(folder, name);
  RemoveDirectoryA(folder);
  DeleteSystemVekDll();
  char programs[SETUP_PATH_SIZE], group[SETUP_PATH_SIZE], link[SETUP_PATH_SIZE];
  if (!ReadShellFolder("Programs", programs, sizeof programs)) return;
  if (FormatBounded(group, sizeof group, "%s\\Feldspire", programs)) {
    if (FormatBounded(link, sizeof link, "%s\\Vek %s.lnk", group, version)) DeleteFileA(link);
    if (FormatBounded(link, sizeof link, "%s\\Uninstall Vek.lnk", group)) DeleteFileA(link);
    RemoveDirectoryA(group);
  }
  char desktop[SETUP_PATH_SIZE];
  if (!ReadShellFolder("Desktop", desktop, sizeof desktop)) return;
  DeleteInFolder(desktop, "Vek.lnk");
  DeleteInFolder(desktop, "VEK Viewer.lnk");
}

}  // namespace

void SaveOldSettings(const char* version) {
  g_saved = SavedSettings{};
  lstrcpynA(g_saved.version, version, sizeof g_saved.version);
  bool hkcu = false;
  char path[SETUP_PATH_SIZE], text[SETUP_PATH_SIZE + 96];
  if (!OldSettingsKey(version, &hkcu, path, sizeof path)) return;
  HKEY key;
  if (RegOpenKeyExA(hkcu ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    std::snprintf(text, sizeof text, "Unable to open the key of the previous installed version\n (%s\\%s)",
                  hkcu ? "HKCU" : "HKLM", path);
    Box(text, "Error", MB_ICONERROR);
    return;
  }
  DWORD count = 0, longest_name = 0, longest_data = 0;
  if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest_name,
                       &longest_data, nullptr, nullptr) == ERROR_SUCCESS) {
    std::vector<char> name(longest_name + 1);
    std::vector<BYTE> data(longest_data + 1);
    for (DWORD i = 0; i < count; ++i) {
      DWORD name_size = static_cast<DWORD>(name.size()), data_size = static_cast<DWORD>(data.size()), type = 0;
      if (RegEnumValueA(key, i, name.data(), &name_size, nullptr, &type, data.data(), &data_size) != ERROR_SUCCESS)
        break;
      g_saved.values.push_back({std::string(name.data(), name_size), type,
                                std::vector<BYTE>(data.begin(), data.begin() + data_size)});
    }
  }
  RegCloseKey(key);
}

void RestoreOldSettings(const char* version) {
  if (!version || !*version) return;
  char path[SETUP_PATH_SIZE], text[SETUP_PATH_SIZE + 64];
  HKEY key = nullptr;
  const bool before_406 = std::strncmp(version, "4.06", 4) < 0;
  struct Target {
    HKEY root;
    const char* root_name;
    const char* format;
  };
  const Target older[] = {{HKEY_LOCAL_MACHINE, "HKLM", "SOFTWARE\\Orvanel\\Vek\\%s"}};
  const Target newer[] = {{HKEY_LOCAL_MACHINE, "HKLM", "Software\\Orvanel\\Quillnox\\%s"},
                          {HKEY_CURRENT_USER, "HKCU", "Software\\Orvanel\\Quillnox\\%s"}};
  const Target* targets = before_406 ? older : newer;
  const int count = before_406 ? 1 : 2;
  for (int i = 0; i < count; ++i) {
    if (key) RegCloseKey(key);
    key = nullptr;
    if (!FormatBounded(path, sizeof path, targets[i].format, version) ||
        RegCreateKeyA(targets[i].root, path, &key) != ERROR_SUCCESS) {
      std::snprintf(text, sizeof text, "Unable to create the key %s\\%s", targets[i].root_name, path);
      Box(text, "Warning", MB_ICONWARNING);
      g_saved.values.clear();
      return;
    }
  }
  for (const SavedValue& v : g_saved.values)
    RegSetValueExA(key, v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
  RegCloseKey(key);
  g_saved.values.clear();
}

void RemoveOlderVersion(const char* version) {
  if (!RemovedByOwnUninstaller(version)) {
    RemoveByHand(version);
    return;
  }
  SaveOldSettings(version);
  char open_command[SETUP_PATH_SIZE], command[SETUP_PATH_SIZE + 32];
  if (!ReadDefault(HKEY_CLASSES_ROOT, "VekFile\\Shell\\Open\\Command", open_command, sizeof open_command) ||
      !OlderUninstallCommand(open_command, command, sizeof command)) {
    Box("Cannot create thread for uninstallation", "Error", MB_ICONERROR);
    return;
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                      &process)) {
    Box("Cannot create thread for uninstallation", "Error", MB_ICONERROR);
    return;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  DeleteSystemVekDll();
}

void UnattendedInstall(const char* ini_path) {
  // A relative name would be looked for in the Windows folder: make it full first.
  char ini[SETUP_PATH_SIZE], dir[SETUP_PATH_SIZE + 2];
  const DWORD n = GetFullPathNameA(ini_path, sizeof ini, ini, nullptr);
  if (!n || n >= sizeof ini) return;
  const DWORD got = GetPrivateProfileStringA("SETUP", "installdir", "", dir, sizeof dir, ini);
  if (!got) return;
  if (got >= SETUP_PATH_SIZE) {
    Box("The installation folder is too long.", "Error", MB_ICONWARNING);
    return;
  }
  char previous[16];
  const bool found = InstalledVersion(previous) != 0;
  if (found) RemoveOlderVersion(previous);
  InstallAll(nullptr, dir);
  if (found) RestoreOldSettings(previous);
}
