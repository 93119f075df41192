// The unattended installation from an INI file, and the replacement of an installed
// older version: removed through its own uninstaller (its settings saved first and put
// back afterwards under its own key, for the new program to migrate) or by hand.
//
// Nobody watches an unattended run: it never shows a window. Every message goes to
// the log "setup.log" beside the INI file (or in the temporary folder when that
// folder cannot be written), and setup's exit code names the first failure.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "remover/remover_rules.h"
#include "setup/setup.h"
#include "setup/setup_rules.h"

namespace {

struct SavedValue {
  std::string name;
  DWORD type;
  std::vector<BYTE> data;
};

// What SaveOldSettings kept for RestoreOldSettings.
struct SavedSettings {
  char version[32];
  bool user_settings_saved;  // this user had settings of that version
  std::vector<SavedValue> values;
};

SavedSettings g_saved;

// The file type's open command, read from the machine's own classes only: the merged
// view HKEY_CLASSES_ROOT would take a per-user "VekFile" that any program of the user
// may write, and setup runs as administrator.
const char kMachineOpenCommand[] = "Software\\Classes\\VekFile\\Shell\\Open\\Command";

bool ReadText(HKEY root, const char* path, const char* name, char* out, DWORD size) {
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0, got = size - 1;
  const LONG r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &got);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS || type != REG_SZ) return false;
  out[got] = '\0';
  return true;
}

bool ReadShellFolder(const char* name, char* out, DWORD size) {
  return ReadText(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", name, out,
                  size);
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
  if (!ReadText(HKEY_LOCAL_MACHINE, kMachineOpenCommand, nullptr, command, sizeof command) ||
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

// Runs the older uninstaller and waits until it, and every program it started that
// inherited its handles (the temporary copy that our own uninstaller hands its work
// to), have ended: the write end of a pipe goes to all of them, and the pipe breaks
// when the last has ended. Only then may the installation go into the same folder. A
// program that never ends is not waited for beyond ten minutes.
bool RunAndWaitForAll(char* command) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return false;
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process{};
  const bool started = CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                                      nullptr, &startup, &process) != 0;
  CloseHandle(write_end);
  if (started) {
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (DWORD waited = 0; waited < 600000; waited += 50) {
      DWORD available = 0;
      if (!PeekNamedPipe(read_end, nullptr, 0, nullptr, &available, nullptr)) break;  // broken: all have ended
      Sleep(50);
    }
  }
  CloseHandle(read_end);
  return started;
}

// The unattended log: lines appended, each with the time and the step.
void AppendLogLine(HANDLE log, const char* step, const char* text) {
  if (log == INVALID_HANDLE_VALUE) return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  char time[32];
  std::snprintf(time, sizeof time, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond);
  const std::string line = SetupLogLine(time, step, text) + "\r\n";
  DWORD written = 0;
  WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// "setup.log" beside the INI file, else in the temporary folder; appended to, not
// inherited by the programs setup starts.
HANDLE OpenSetupLog(const char* ini) {
  char path[SETUP_PATH_SIZE + 16], folder[SETUP_PATH_SIZE];
  const char* slash = std::strrchr(ini, '\\');
  std::snprintf(folder, sizeof folder, "%.*s", slash ? static_cast<int>(slash - ini) : 0, ini);
  char temp[MAX_PATH];
  const DWORD t = GetTempPathA(sizeof temp, temp);
  if (t && t < sizeof temp && temp[t - 1] == '\\') temp[t - 1] = '\0';
  const char* places[2] = {folder, t && t < sizeof temp ? temp : ""};
  for (const char* place : places) {
    if (!*place || !FormatBounded(path, sizeof path, "%s\\setup.log", place)) continue;
    HANDLE log = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    if (log != INVALID_HANDLE_VALUE) return log;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

void SetupMessage(SetupReport* report, const char* step, const char* text, const char* title, UINT icon,
                  int exit_code) {
  if (!report->unattended) {
    if (exit_code != SETUP_EXIT_INSTALLED) MessageBoxA(report->owner, text, title, MB_OK | icon);  // notes: log only
    return;
  }
  AppendLogLine(report->log, step, text);
  report->exit_code = CombineExit(report->exit_code, exit_code);
}

int SaveOldSettings(SetupReport* report, const char* version) {
  g_saved.version[0] = '\0';
  g_saved.user_settings_saved = false;
  g_saved.values.clear();
  lstrcpynA(g_saved.version, version, sizeof g_saved.version);
  bool hkcu = false;
  char path[SETUP_PATH_SIZE], text[SETUP_PATH_SIZE + 96];
  if (!OldSettingsKey(version, &hkcu, path, sizeof path)) return 1;
  HKEY key;
  const LONG opened = RegOpenKeyExA(hkcu ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key);
  if (opened == ERROR_FILE_NOT_FOUND) {
    // This user has nothing of that version to keep (another account installed it, or
    // the settings were removed): the upgrade goes on, and keeps nothing.
    std::snprintf(text, sizeof text, "No settings of version %s to keep for this user (%s\\%s)", version,
                  hkcu ? "HKCU" : "HKLM", path);
    SetupMessage(report, "SaveOldSettings", text, "", 0, SETUP_EXIT_INSTALLED);
    return 1;
  }
  if (opened != ERROR_SUCCESS) {
    std::snprintf(text, sizeof text, "Unable to open the key of the previous installed version\n (%s\\%s)",
                  hkcu ? "HKCU" : "HKLM", path);
    SetupMessage(report, "SaveOldSettings", text, "Error", MB_ICONERROR, SETUP_EXIT_SETTINGS_UNREADABLE);
    return 0;
  }
  DWORD count = 0, longest_name = 0, longest_data = 0;
  LONG result = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest_name,
                                 &longest_data, nullptr, nullptr);
  if (result == ERROR_SUCCESS) {
    std::vector<char> name(longest_name + 1);
    std::vector<BYTE> data(longest_data + 1);
    for (DWORD i = 0; i < count && result == ERROR_SUCCESS; ++i) {
      DWORD name_size = static_cast<DWORD>(name.size()), data_size = static_cast<DWORD>(data.size()), type = 0;
      result = RegEnumValueA(key, i, name.data(), &name_size, nullptr, &type, data.data(), &data_size);
      if (result == ERROR_SUCCESS)
        g_saved.values.push_back({std::string(name.data(), name_size), type,
                                  std::vector<BYTE>(data.begin(), data.begin() + data_size)});
    }
  }
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) {
    // Settings read in part would be lost with the older version: nothing is removed.
    std::snprintf(text, sizeof text, "Unable to read the settings of the previous installed version\n (%s\\%s)",
                  hkcu ? "HKCU" : "HKLM", path);
    SetupMessage(report, "SaveOldSettings", text, "Error", MB_ICONERROR, SETUP_EXIT_SETTINGS_UNREADABLE);
    g_saved.values.clear();
    return 0;
  }
  g_saved.user_settings_saved = true;
  return 1;
}

int RestoreOldSettings(SetupReport* report, const char* version) {
  if (!version || !*version) return 1;
  char text[SETUP_PATH_SIZE + 64];
  const bool saved = g_saved.user_settings_saved && std::strcmp(g_saved.version, version) == 0;
  HKEY key = nullptr;
  for (const OldSettingsTarget& target : OldSettingsTargets(version, saved)) {
    if (key) RegCloseKey(key);
    key = nullptr;
    if (RegCreateKeyExA(target.current_user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, target.path.c_str(), 0, nullptr,
                        0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
      key = nullptr;
      std::snprintf(text, sizeof text, "Unable to create the key %s\\%s", target.current_user ? "HKCU" : "HKLM",
                    target.path.c_str());
      SetupMessage(report, "RestoreOldSettings", text, "Warning", MB_ICONWARNING, SETUP_EXIT_SETTINGS_NOT_RESTORED);
      g_saved.values.clear();
      return 0;
    }
  }
  bool written = true;
  if (key && saved) {
    for (const SavedValue& v : g_saved.values)
      written = RegSetValueExA(key, v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size())) ==
                    ERROR_SUCCESS &&
                written;
  }
  if (key) RegCloseKey(key);
  g_saved.values.clear();
  if (!written) {
    std::snprintf(text, sizeof text, "Unable to write the settings of version %s", version);
    SetupMessage(report, "RestoreOldSettings", text, "Warning", MB_ICONWARNING, SETUP_EXIT_SETTINGS_NOT_RESTORED);
    return 0;
  }
  return 1;
}

int RemoveOlderVersion(SetupReport* report, const char* version) {
  if (!RemovedByOwnUninstaller(version)) {
    RemoveByHand(version);
    return 1;
  }
  char open_command[SETUP_PATH_SIZE], quiet[SETUP_PATH_SIZE], command[SETUP_PATH_SIZE + 32];
  if (!ReadText(HKEY_LOCAL_MACHINE, kMachineOpenCommand, nullptr, open_command, sizeof open_command)) {
    // Only the version key is left of it (its files and file type are gone): there is
    // nothing to uninstall.
    SetupMessage(report, "RemoveOlderVersion", "The previous installed version has no installation folder left",
                 "", 0, SETUP_EXIT_INSTALLED);
    DeleteSystemVekDll();
    return 1;
  }
  if (!ReadText(HKEY_LOCAL_MACHINE, REMOVER_UNINSTALL_KEY, "QuietUninstallString", quiet, sizeof quiet)) quiet[0] = '\0';
  if (!OlderUninstallCommand(open_command, quiet, command, sizeof command) || !RunAndWaitForAll(command)) {
    SetupMessage(report, "RemoveOlderVersion", "Cannot create thread for uninstallation", "Error", MB_ICONERROR,
                 SETUP_EXIT_OLDER_NOT_REMOVED);
    return 0;
  }
  DeleteSystemVekDll();
  return 1;
}

int UnattendedInstall(const char* ini_path) {
  // Nobody is at the screen: the system's own boxes (a drive without its medium, a
  // program that crashed) fail the call instead of waiting, here and in the programs
  // setup starts, which inherit the mode.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  // A relative name would be looked for in the Windows folder: make it full first.
  char ini[SETUP_PATH_SIZE], given[SETUP_PATH_SIZE + 2], dir[SETUP_PATH_SIZE], text[SETUP_PATH_SIZE + 128];
  const DWORD n = GetFullPathNameA(ini_path, sizeof ini, ini, nullptr);
  if (!n || n >= sizeof ini) lstrcpynA(ini, ini_path, sizeof ini);
  SetupReport report{true, nullptr, OpenSetupLog(ini), SETUP_EXIT_INSTALLED};
  const char kStep[] = "UnattendedInstall";
  std::snprintf(text, sizeof text, "%s setup, INI file %s", PRODUCT_VERSIONED_TITLE, ini);
  SetupMessage(&report, kStep, text, "", 0, SETUP_EXIT_INSTALLED);

  const DWORD got = n && n < sizeof ini && GetFileAttributesA(ini) != INVALID_FILE_ATTRIBUTES
                        ? GetPrivateProfileStringA("SETUP", "installdir", "", given, sizeof given, ini)
                        : 0;
  FolderProblem problem = FolderProblem::Empty;
  if (!got) {
    std::snprintf(text, sizeof text, "The INI file cannot be read or names no installation folder (\"installdir\" in "
                  "section \"SETUP\"): %s", ini);
    SetupMessage(&report, kStep, text, "Error", MB_ICONERROR, SETUP_EXIT_NO_FOLDER);
  } else if ((problem = got >= SETUP_PATH_SIZE ? FolderProblem::TooLong
                                               : NormalizeInstallFolder(given, dir, sizeof dir)) != FolderProblem::None) {
    SetupMessage(&report, kStep, FolderProblemText(problem, given).c_str(), "Error", MB_ICONERROR,
                 SETUP_EXIT_FOLDER_REFUSED);
  } else {
    std::snprintf(text, sizeof text, "Installation folder %s", dir);
    SetupMessage(&report, kStep, text, "", 0, SETUP_EXIT_INSTALLED);
    char previous[16];
    const bool found = InstalledVersion(previous) != 0;
    // The older version goes only once its settings are safe.
    if (!found || SaveOldSettings(&report, previous)) {
      if (found) {
        std::snprintf(text, sizeof text, "Removing the installed version %s", previous);
        SetupMessage(&report, kStep, text, "", 0, SETUP_EXIT_INSTALLED);
        RemoveOlderVersion(&report, previous);
      }
      InstallAll(&report, dir, nullptr);
      if (found) RestoreOldSettings(&report, previous);
    }
  }
  std::snprintf(text, sizeof text, "Exit code %d", report.exit_code);
  SetupMessage(&report, kStep, text, "", 0, SETUP_EXIT_INSTALLED);
  if (report.log != INVALID_HANDLE_VALUE) CloseHandle(report.log);
  return report.exit_code;
}
