// setup's installation steps: folders, install log, carried files, shortcuts and
// registry groups, in the order setup_rules.cpp gives them.
#include <direct.h>
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "remover/install_log.h"
#include "remover/native_view.h"
#include "setup/setup.h"
#include "setup/setup_rules.h"

int g_step_done[4];

namespace {

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

void Box(HWND owner, const char* text, const char* title, UINT icon) { MessageBoxA(owner, text, title, MB_OK | icon); }

bool ReadShellFolder(HKEY root, const char* name, char* out, DWORD size) {
  HKEY key;
  if (RegOpenKeyExA(root, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0, KEY_READ,
                    &key) != ERROR_SUCCESS)
    return false;
  DWORD type = 0, got = size - 1;
  const LONG r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &got);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS || type != REG_SZ || got == 0) {
    out[0] = '\0';
    return false;
  }
  out[got] = '\0';
  return true;
}

HKEY RootOf(RegRoot root) {
  return root == RegRoot::LocalMachine                                       ? HKEY_LOCAL_MACHINE
         : root == RegRoot::ClassesRoot || root == RegRoot::ClassesRootNative ? HKEY_CLASSES_ROOT
                                                                               : HKEY_CURRENT_USER;
}

std::uint64_t FileSize(const char* path, bool native) {
  NativeFileView view(native);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

int WindowsFamily() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&version)) return 0;
#pragma GCC diagnostic pop
  return version.dwPlatformId == VER_PLATFORM_WIN32_NT ? 5 : static_cast<int>(version.dwPlatformId);
}

int InstalledVersion(char* name) {
  name[0] = '\0';
  HKEY key = nullptr;
  for (const char* path : INSTALLED_VERSION_KEYS)
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) == ERROR_SUCCESS) break;
    else key = nullptr;
  if (!key) return 0;
  DWORD size = 16;
  const LONG r = RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS) {
    name[0] = '\0';
    return 0;
  }
  return 1;
}

namespace {

// ExtractResource, writing into the native system folder when native is set.
int ExtractResourceTo(const char* type, int id, const char* path, bool native) {
  char text[SETUP_PATH_SIZE + 64];
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), type);
  HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) {
    std::snprintf(text, sizeof text, "Resource missing\nResType=%s, Error=%04lXH", type,
                  static_cast<unsigned long>(GetLastError()));
    Box(nullptr, text, "Error", MB_ICONERROR);
    return 0;
  }
  const DWORD size = SizeofResource(nullptr, found);
  std::FILE* out = nullptr;
  {
    NativeFileView view(native);  // only around the open: the handle keeps the place
    out = std::fopen(path, "wb");
  }
  if (!out) {
    std::snprintf(text, sizeof text, "Unable to open file:\n%s", path);
    Box(nullptr, text, "Error", MB_ICONERROR);
    return 0;
  }
  const bool written = std::fwrite(bytes, 1, size, out) == size;
  const bool closed = std::fclose(out) == 0;
  return written && closed ? 1 : 0;
}

}  // namespace

int ExtractResource(const char* type, int id, const char* path) { return ExtractResourceTo(type, id, path, false); }

int CreateShortcut(const char* target, const char* link_path) {
  const HRESULT init = CoInitialize(nullptr);
  int ok = 0;
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    link->SetPath(target);
    link->SetDescription("");
    link->SetIconLocation(target, 0);
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t wide[SETUP_PATH_SIZE];
      if (MultiByteToWideChar(CP_ACP, 0, link_path, -1, wide, SETUP_PATH_SIZE) && SUCCEEDED(file->Save(wide, TRUE)))
        ok = 1;
      file->Release();
    }
    link->Release();
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return ok;
}

int ProgramGroupShortcut(const char* link_name, const char* target, char* link_path) {
  link_path[0] = '\0';
  char programs[SETUP_PATH_SIZE], parent[SETUP_PATH_SIZE], group[SETUP_PATH_SIZE];
  const bool nt = WindowsFamily() == 5;
  if (!(nt ? ReadShellFolder(HKEY_LOCAL_MACHINE, "Common Programs", programs, sizeof programs)
           : ReadShellFolder(HKEY_CURRENT_USER, "Programs", programs, sizeof programs)))
    return 0;
  if (!FormatBounded(parent, sizeof parent, "%s\\Feldspire", programs) ||
      !FormatBounded(group, sizeof group, "%s\\Quillnox", parent) ||
      !FormatBounded(link_path, SETUP_PATH_SIZE, "%s\\%s", group, link_name))
    return 0;
  if (!Exists(parent)) _mkdir(parent);
  if (!Exists(group)) _mkdir(group);
  return CreateShortcut(target, link_path);
}

int DesktopShortcut(const char* link_name, const char* target, char* link_path) {
  link_path[0] = '\0';
  char desktop[SETUP_PATH_SIZE];
  const bool nt = WindowsFamily() == 5;
  if (!(nt ? ReadShellFolder(HKEY_LOCAL_MACHINE, "Common Desktop", desktop, sizeof desktop)
           : ReadShellFolder(HKEY_CURRENT_USER, "Desktop", desktop, sizeof desktop)))
    return 0;
  if (!FormatBounded(link_path, SETUP_PATH_SIZE, "%s\\%s", desktop, link_name)) return 0;
  return CreateShortcut(target, link_path);
}

int InstallAll(HWND owner, const char* dir) {
  // Every path below is the folder and a short name: a folder that leaves no room for
  // them is refused rather than cut.
  char text[SETUP_PATH_SIZE + 128];
  if (std::strlen(dir) + 20 >= SETUP_PATH_SIZE || !*dir) {
    std::snprintf(text, sizeof text, "The installation folder is too long:\n%.*s", 200, dir);
    Box(owner, text, "Error", MB_ICONWARNING);
    return 0;
  }
  // 1. Folders.
  std::vector<std::string> created;
  for (const std::string& level : FolderLevels(dir))
    if (!Exists(level.c_str()) && _mkdir(level.c_str()) == 0) created.push_back(level);

  // 2. Install log, numbered together with the uninstaller written in step 4, so that
  // the uninstaller started without argument finds the log of its own number.
  char log_path[SETUP_PATH_SIZE], numbered_uninstaller[SETUP_PATH_SIZE];
  std::FILE* log = nullptr;
  if (FirstFreeNumber(dir, [](const char* p) { return Exists(p); }, log_path, numbered_uninstaller, SETUP_PATH_SIZE))
    log = std::fopen(log_path, "wb");
  if (!log) {
    Box(owner, "Unable to create the configuration file\nfor uninstallation", "Error", MB_ICONWARNING);
    RemoveDirectoryA(dir);
    return 0;
  }
  // 3. Language, title, the folders created.
  const char language[2] = {0, 0};
  LogRecord(log, LOG_LANGUAGE, language);
  LogRecord(log, LOG_TITLE, PRODUCT_TITLE);
  for (const std::string& level : LevelsToLog(created)) LogRecord(log, LOG_FOLDER, level.c_str());

  // 4. Files and shortcuts.
  char program[SETUP_PATH_SIZE], help[SETUP_PATH_SIZE], uninstaller[SETUP_PATH_SIZE] = "",
       extension[SETUP_PATH_SIZE] = "", native_extension[SETUP_PATH_SIZE] = "",
       last_group_link[SETUP_PATH_SIZE] = "";
  const ExtensionChoice extensions = ExtensionsToInstall(sizeof(void*) == 8, WindowsIs64Bit());
  FormatBounded(program, sizeof program, "%s\\Quillnox.exe", dir);
  FormatBounded(help, sizeof help, "%s\\Quillnox.hlp", dir);
  std::uint64_t installed_bytes = 0;
  for (const InstallStep& step : InstallSteps()) {
    char path[SETUP_PATH_SIZE] = "";
    switch (step.kind) {
      case StepKind::Resource:
      case StepKind::LogOnly: {
        bool built = false;
        if (step.target == StepTarget::Uninstaller) {
          std::strcpy(path, numbered_uninstaller);
          std::strcpy(uninstaller, path);
          built = true;
        } else if (step.target == StepTarget::SystemDir || step.target == StepTarget::NativeSystemDir) {
          // A 32-bit setup names the native system folder by the same path; the native
          // view (NativeFileView) makes that path reach it.
          const bool native = step.target == StepTarget::NativeSystemDir;
          if (native ? !extensions.native : !extensions.ordinary) break;
          char system[SETUP_PATH_SIZE];
          const UINT n = GetSystemDirectoryA(system, sizeof system);
          if (!n || n >= sizeof system || !FormatBounded(path, sizeof path, "%s\\%s", system, step.name)) break;
          if (ExtractResourceTo(step.resource_type, step.resource_id, path, native))
            installed_bytes += FileSize(path, native);
          LogRecord(log, native ? LOG_FILE_NATIVE : LOG_FILE, path);
          std::strcpy(native ? native_extension : extension, path);
          break;
        } else {
          built = FormatBounded(path, sizeof path, "%s\\%s", dir, step.name);
        }
        if (!built) break;
        if (step.kind == StepKind::Resource && ExtractResource(step.resource_type, step.resource_id, path))
          installed_bytes += FileSize(path, false);
        LogRecord(log, LOG_FILE, path);
        break;
      }
      case StepKind::GroupShortcut:
      case StepKind::DesktopShortcut: {
        char name[SETUP_PATH_SIZE];
        FormatBounded(name, sizeof name, step.name, step.versioned_title ? PRODUCT_VERSIONED_TITLE : PRODUCT_TITLE);
        const char* target = step.target == StepTarget::Program    ? program
                             : step.target == StepTarget::HelpFile ? help
                                                                   : uninstaller;
        if (step.kind == StepKind::GroupShortcut) {
          ProgramGroupShortcut(name, target, path);
          if (*path) std::strcpy(last_group_link, path);
        } else {
          DesktopShortcut(name, target, path);
        }
        if (*path) LogRecord(log, LOG_FILE, path);  // no folder, no shortcut, no record
        break;
      }
      case StepKind::GroupFolders: {
        char group[SETUP_PATH_SIZE], parent[SETUP_PATH_SIZE];
        if (!*last_group_link) break;
        const char* cut = std::strrchr(last_group_link, '\\');
        std::snprintf(group, sizeof group, "%.*s", static_cast<int>(cut - last_group_link), last_group_link);
        cut = std::strrchr(group, '\\');
        std::snprintf(parent, sizeof parent, "%.*s", cut ? static_cast<int>(cut - group) : 0, group);
        LogRecord(log, LOG_FOLDER, group);
        if (*parent) LogRecord(log, LOG_FOLDER, parent);
        break;
      }
      case StepKind::MarkDone: g_step_done[step.resource_id] = 1; break;
    }
  }

  // 5. Registry groups.
  HKEY vendor = nullptr;
  const bool vendor_key_new = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Orvanel", 0, KEY_READ, &vendor) != ERROR_SUCCESS;
  if (vendor) RegCloseKey(vendor);
  std::vector<RegistryStep> plan;
  if (RegistryPlan(dir, extension, native_extension, uninstaller, static_cast<std::uint32_t>((installed_bytes + 1023) / 1024),
                   vendor_key_new, &plan)) {
    for (const RegistryStep& step : plan) {
      if (step.action == RegAction::Log) {
        LogRecord(log, step.log_code, step.key.c_str());
        continue;
      }
      HKEY key = nullptr;
      if (step.root == RegRoot::ClassesRootNative) {
        if (RegCreateKeyExA(HKEY_CLASSES_ROOT, step.key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                            nullptr, &key, nullptr) != ERROR_SUCCESS)
          continue;
      } else if (RegCreateKeyA(RootOf(step.root), step.key.c_str(), &key) != ERROR_SUCCESS) {
        continue;
      }
      if (step.action == RegAction::SetValue)
        RegSetValueExA(key, step.name.empty() ? nullptr : step.name.c_str(), 0, step.type, step.data.data(),
                       static_cast<DWORD>(step.data.size()));
      RegCloseKey(key);
    }
  }
  // 6. Done.
  g_step_done[2] = g_step_done[3] = 1;
  std::fclose(log);
  return 1;
}
