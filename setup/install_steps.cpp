// setup's installation steps: folders, install log, carried files, shortcuts and
// registry groups, in the order and at the places setup_rules.cpp gives them. A
// carried file or an install log that cannot be written whole stops the installation,
// and what it had written goes again.
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

namespace {

const char kStep[] = "InstallAll";

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool ReadShellFolder(HKEY root, const char* name, char* out, DWORD size) {
  HKEY key;
  out[0] = '\0';
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

// The program group's root and the desktop: the common ones on the NT family.
void ShellPlaces(char* programs, char* desktop, DWORD size) {
  const bool nt = WindowsFamily() == 5;
  if (nt) {
    ReadShellFolder(HKEY_LOCAL_MACHINE, "Common Programs", programs, size);
    ReadShellFolder(HKEY_LOCAL_MACHINE, "Common Desktop", desktop, size);
  } else {
    ReadShellFolder(HKEY_CURRENT_USER, "Programs", programs, size);
    ReadShellFolder(HKEY_CURRENT_USER, "Desktop", desktop, size);
  }
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

enum class Extracted { Written, Missing, CannotCreate, CutShort };

// Writes the resource to path (in the native system folder when native is set), with
// the message of a failure. A file cut short (a short write, a failed close: a full
// disk) is removed again.
Extracted ExtractResourceTo(SetupReport* report, const char* type, int id, const char* path, bool native) {
  char text[SETUP_PATH_SIZE + 64];
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), type);
  HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) {
    std::snprintf(text, sizeof text, "Resource missing\nResType=%s, Error=%04lXH", type,
                  static_cast<unsigned long>(GetLastError()));
    SetupMessage(report, kStep, text, "Error", MB_ICONERROR, SETUP_EXIT_WARNINGS);
    return Extracted::Missing;
  }
  const DWORD size = SizeofResource(nullptr, found);
  std::FILE* out = nullptr;
  {
    NativeFileView view(native);  // only around the open: the handle keeps the place
    out = std::fopen(path, "wb");
  }
  if (!out) {
    std::snprintf(text, sizeof text, "Unable to open file:\n%s", path);
    SetupMessage(report, kStep, text, "Error", MB_ICONERROR, SETUP_EXIT_WARNINGS);
    return Extracted::CannotCreate;
  }
  const bool written = std::fwrite(bytes, 1, size, out) == size;
  const bool closed = std::fclose(out) == 0;
  if (written && closed) return Extracted::Written;
  {
    NativeFileView view(native);
    DeleteFileA(path);
  }
  std::snprintf(text, sizeof text, "Unable to write the whole file:\n%s", path);
  SetupMessage(report, kStep, text, "Error", MB_ICONERROR, SETUP_EXIT_NOT_INSTALLED);
  return Extracted::CutShort;
}

// What the installation has made so far, to take it back when it cannot finish.
struct Made {
  std::vector<std::string> levels;   // folders of the installation path, shallowest first
  std::vector<std::string> files;    // files and shortcuts written
  std::vector<bool> native;          // each file: in the native system folder
  std::vector<std::string> folders;  // the program group's folders, parent first
  std::string log;
};

void TakeBack(const Made& made) {
  for (std::size_t i = made.files.size(); i-- > 0;) {
    NativeFileView view(made.native[i]);
    DeleteFileA(made.files[i].c_str());
  }
  if (!made.log.empty()) DeleteFileA(made.log.c_str());
  for (auto it = made.folders.rbegin(); it != made.folders.rend(); ++it) RemoveDirectoryA(it->c_str());
  for (auto it = made.levels.rbegin(); it != made.levels.rend(); ++it) RemoveDirectoryA(it->c_str());
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

int ExtractResource(SetupReport* report, const char* type, int id, const char* path) {
  return ExtractResourceTo(report, type, id, path, false) == Extracted::Written ? 1 : 0;
}

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
  char programs[SETUP_PATH_SIZE], desktop[SETUP_PATH_SIZE], group[SETUP_PATH_SIZE], parent[SETUP_PATH_SIZE];
  ShellPlaces(programs, desktop, sizeof programs);
  if (!ProgramGroupFolders(programs, group, parent, sizeof group) ||
      !FormatBounded(link_path, SETUP_PATH_SIZE, "%s\\%s", group, link_name))
    return 0;
  if (!Exists(parent)) _mkdir(parent);
  if (!Exists(group)) _mkdir(group);
  return CreateShortcut(target, link_path);
}

int DesktopShortcut(const char* link_name, const char* target, char* link_path) {
  link_path[0] = '\0';
  char programs[SETUP_PATH_SIZE], desktop[SETUP_PATH_SIZE];
  ShellPlaces(programs, desktop, sizeof programs);
  if (!*desktop || !FormatBounded(link_path, SETUP_PATH_SIZE, "%s\\%s", desktop, link_name)) return 0;
  return CreateShortcut(target, link_path);
}

int InstallAll(SetupReport* report, const char* dir, int* step_done) {
  int done[4] = {0, 0, 0, 0};
  if (!step_done) step_done = done;
  for (int i = 0; i < 4; ++i) step_done[i] = 0;
  // Only a folder as setup accepts it: every record below is built from it and must
  // pass the uninstaller's own checks.
  char normal[SETUP_PATH_SIZE];
  const FolderProblem problem = NormalizeInstallFolder(dir, normal, sizeof normal);
  if (problem != FolderProblem::None || std::strcmp(normal, dir) != 0) {
    SetupMessage(report, kStep, FolderProblemText(problem == FolderProblem::None ? FolderProblem::BadName : problem, dir).c_str(),
                 "Error", MB_ICONWARNING, SETUP_EXIT_FOLDER_REFUSED);
    return 0;
  }
  Made made;
  // 1. Folders.
  for (const std::string& level : FolderLevels(dir))
    if (!Exists(level.c_str()) && _mkdir(level.c_str()) == 0) made.levels.push_back(level);

  // 2. Install log, numbered together with the uninstaller written in step 4, so that
  // the uninstaller started without argument finds the log of its own number.
  char log_path[SETUP_PATH_SIZE], numbered_uninstaller[SETUP_PATH_SIZE];
  std::FILE* log = nullptr;
  if (FirstFreeNumber(dir, [](const char* p) { return Exists(p); }, log_path, numbered_uninstaller, SETUP_PATH_SIZE))
    log = std::fopen(log_path, "wb");
  if (!log) {
    SetupMessage(report, kStep, "Unable to create the configuration file\nfor uninstallation", "Error", MB_ICONWARNING,
                 SETUP_EXIT_NOT_INSTALLED);
    TakeBack(made);  // the levels made, deepest first, when empty
    return 0;
  }
  made.log = log_path;
  // Every record must reach the disk: a log cut short (a full disk) would leave an
  // installation that cannot be removed whole.
  bool log_written = true;
  const auto record = [&](int code, const char* data) { log_written = LogRecord(log, code, data) == 1 && log_written; };
  // 3. Language, title, the folders created.
  const char language[2] = {0, 0};
  record(LOG_LANGUAGE, language);
  record(LOG_TITLE, PRODUCT_TITLE);
  for (const std::string& level : LevelsToLog(made.levels)) record(LOG_FOLDER, level.c_str());

  // 4. Files and shortcuts.
  char system[SETUP_PATH_SIZE] = "", programs[SETUP_PATH_SIZE], desktop[SETUP_PATH_SIZE];
  const UINT n = GetSystemDirectoryA(system, sizeof system);
  if (!n || n >= sizeof system) system[0] = '\0';
  ShellPlaces(programs, desktop, sizeof programs);
  const InstallPlaces places{dir, numbered_uninstaller, system, programs, desktop};
  char program[SETUP_PATH_SIZE], help[SETUP_PATH_SIZE], extension[SETUP_PATH_SIZE] = "",
       native_extension[SETUP_PATH_SIZE] = "", group[SETUP_PATH_SIZE] = "", group_parent[SETUP_PATH_SIZE] = "";
  const ExtensionChoice extensions = ExtensionsToInstall(sizeof(void*) == 8, WindowsIs64Bit());
  FormatBounded(program, sizeof program, "%s\\Quillnox.exe", dir);
  FormatBounded(help, sizeof help, "%s\\Quillnox.hlp", dir);
  std::uint64_t installed_bytes = 0;
  bool group_made = false;
  for (const InstallStep& step : InstallSteps()) {
    char path[SETUP_PATH_SIZE] = "";
    switch (step.kind) {
      case StepKind::Resource:
      case StepKind::LogOnly: {
        const bool native = step.target == StepTarget::NativeSystemDir;
        if (step.target == StepTarget::SystemDir && !extensions.ordinary) break;
        if (native && !extensions.native) break;
        if (!StepPath(step, places, path, sizeof path)) break;
        if (step.kind == StepKind::Resource) {
          // A 32-bit setup names the native system folder by the same path; the native
          // view (NativeFileView) makes that path reach it.
          const Extracted result = ExtractResourceTo(report, step.resource_type, step.resource_id, path, native);
          if (result == Extracted::CutShort) {
            std::fclose(log);
            TakeBack(made);
            for (int i = 0; i < 4; ++i) step_done[i] = 0;
            return 0;
          }
          if (result == Extracted::Written) {
            installed_bytes += FileSize(path, native);
            made.files.push_back(path);
            made.native.push_back(native);
          }
        }
        record(native ? LOG_FILE_NATIVE : LOG_FILE, path);  // the path meant, even when not written
        if (step.target == StepTarget::SystemDir) std::strcpy(extension, path);
        if (native) std::strcpy(native_extension, path);
        break;
      }
      case StepKind::GroupShortcut:
      case StepKind::DesktopShortcut: {
        if (!StepPath(step, places, path, sizeof path)) break;  // no folder, no shortcut, no record
        if (step.kind == StepKind::GroupShortcut && !group_made &&
            ProgramGroupFolders(programs, group, group_parent, sizeof group)) {
          for (const char* folder : {group_parent, group})
            if (!Exists(folder) && _mkdir(folder) == 0) made.folders.push_back(folder);
          group_made = true;
        }
        const char* target = step.target == StepTarget::Program    ? program
                             : step.target == StepTarget::HelpFile ? help
                                                                   : numbered_uninstaller;
        if (CreateShortcut(target, path)) {
          made.files.push_back(path);
          made.native.push_back(false);
        }
        record(LOG_FILE, path);
        break;
      }
      case StepKind::GroupFolders:
        if (!group_made) break;
        record(LOG_FOLDER, group);
        record(LOG_FOLDER, group_parent);
        break;
      case StepKind::MarkDone: step_done[step.resource_id] = 1; break;
    }
  }

  // 5. Registry groups. Their records go into the log first, and the log is closed
  // before anything is written to the registry: a log that could not be written whole
  // is taken back with the files, and the registry stays untouched.
  HKEY vendor = nullptr;
  const bool vendor_key_new = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Orvanel", 0, KEY_READ, &vendor) != ERROR_SUCCESS;
  if (vendor) RegCloseKey(vendor);
  std::vector<RegistryStep> plan;
  if (!RegistryPlan(dir, extension, native_extension, numbered_uninstaller,
                    static_cast<std::uint32_t>((installed_bytes + 1023) / 1024), vendor_key_new, &plan))
    plan.clear();
  for (const RegistryStep& step : plan)
    if (step.action == RegAction::Log) record(step.log_code, step.key.c_str());
  // The close must succeed and the disk must then hold every byte written: a write the
  // system took but never stored (Wine does so on a full disk) shows only in the size.
  const long long log_size = log_written ? _ftelli64(log) : -1;
  const bool closed = std::fclose(log) == 0;
  WIN32_FILE_ATTRIBUTE_DATA stored = {};
  const bool whole = closed && log_size >= 0 && GetFileAttributesExA(log_path, GetFileExInfoStandard, &stored) &&
                     ((static_cast<unsigned long long>(stored.nFileSizeHigh) << 32) | stored.nFileSizeLow) ==
                         static_cast<unsigned long long>(log_size);
  if (!log_written || !whole) {
    char text[SETUP_PATH_SIZE + 96];
    std::snprintf(text, sizeof text, "Unable to write the configuration file\nfor uninstallation:\n%s", log_path);
    SetupMessage(report, kStep, text, "Error", MB_ICONERROR, SETUP_EXIT_NOT_INSTALLED);
    TakeBack(made);
    for (int i = 0; i < 4; ++i) step_done[i] = 0;
    return 0;
  }
  for (const RegistryStep& step : plan) {
    if (step.action == RegAction::Log) continue;
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
  // 6. Done.
  step_done[2] = step_done[3] = 1;
  return 1;
}
