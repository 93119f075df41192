// setup's decisions (see setup_rules.h).
#include "setup/setup_rules.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "remover/install_log.h"

const char PRODUCT_TITLE[] = "Quillnox";
const char PRODUCT_VERSIONED_TITLE[] = "Quillnox 4.10";
const char PRODUCT_VERSION[] = "4.10EN";
const char SHELLEXT_CLSID[] = "{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}";
const char* const INSTALLED_VERSION_KEYS[2] = {"Software\\Orvanel\\Vek", "Software\\Orvanel\\Quillnox"};

namespace {

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegEditFlags = 6;  // as the older installers stored "EditFlags"

std::vector<std::uint8_t> Text(const char* s) {
  return std::vector<std::uint8_t>(s, s + std::strlen(s) + 1);
}

std::vector<std::uint8_t> Number(std::uint32_t n) {
  return {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n >> 16),
          static_cast<std::uint8_t>(n >> 24)};
}

}  // namespace

bool FormatBounded(char* out, std::size_t size, const char* format, ...) {
  if (!size) return false;
  std::va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(out, size, format, args);
  va_end(args);
  if (n < 0 || static_cast<std::size_t>(n) >= size) {
    out[0] = '\0';
    return false;
  }
  return true;
}

std::vector<std::string> FolderLevels(const char* folder) {
  std::vector<std::string> levels;
  const std::string path(folder ? folder : "");
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '\\') continue;
    std::string level = path.substr(0, i);
    if (level.find_first_not_of('\\') == std::string::npos || (level.size() == 2 && level[1] == ':')) continue;
    if (level.back() == '\\') continue;  // a trailing backslash
    levels.push_back(level);
  }
  return levels;
}

std::vector<std::string> LevelsToLog(const std::vector<std::string>& created) {
  std::vector<std::string> log;
  for (auto it = created.rbegin(); it != created.rend() && log.size() < SETUP_MAX_LEVELS; ++it) log.push_back(*it);
  return log;
}

const std::vector<InstallStep>& InstallSteps() {
  static const std::vector<InstallStep> steps = {
      {StepKind::Resource, "exe", 138, StepTarget::InstallDir, "Quillnox.exe", false},
      {StepKind::GroupShortcut, nullptr, 0, StepTarget::Program, "%s.lnk", true},
      {StepKind::DesktopShortcut, nullptr, 0, StepTarget::Program, "%s.lnk", false},
      {StepKind::Resource, "help", 145, StepTarget::InstallDir, "Quillnox.cnt", false},
      {StepKind::LogOnly, nullptr, 0, StepTarget::InstallDir, "Quillnox.GID", false},
      {StepKind::Resource, "help", 144, StepTarget::InstallDir, "Quillnox.hlp", false},
      {StepKind::Resource, "help", 146, StepTarget::InstallDir, "Quillnox.htm", false},
      {StepKind::GroupShortcut, nullptr, 0, StepTarget::HelpFile, "%s Help.lnk", false},
      {StepKind::MarkDone, nullptr, 0, StepTarget::None, nullptr, false},
      {StepKind::Resource, "unins", 147, StepTarget::Uninstaller, nullptr, false},
      {StepKind::GroupShortcut, nullptr, 0, StepTarget::UninstallerLink, "Uninstall %s.lnk", false},
      {StepKind::GroupFolders, nullptr, 0, StepTarget::None, nullptr, false},
      {StepKind::Resource, "text", 140, StepTarget::InstallDir, "mail.txt", false},
      {StepKind::Resource, "dll", 220, StepTarget::InstallDir, "notes.dll", false},
      {StepKind::Resource, "dll", 137, StepTarget::SystemDir, "quillext.dll", false},
      {StepKind::Resource, "dll", 139, StepTarget::NativeSystemDir, "quillext.dll", false},
      {StepKind::MarkDone, nullptr, 1, StepTarget::None, nullptr, false},
  };
  return steps;
}

ExtensionChoice ExtensionsToInstall(bool setup_is_64bit, bool windows_is_64bit) {
  if (setup_is_64bit) return {false, true};
  return {true, windows_is_64bit};
}

bool RegistryPlan(const char* dir, const char* extension_path, const char* native_extension_path,
                  const char* uninstaller_path, std::uint32_t size_kib, bool vendor_key_new,
                  std::vector<RegistryStep>* plan) {
  plan->clear();
  char clsid_key[SETUP_PATH_SIZE], server_key[SETUP_PATH_SIZE], icon[SETUP_PATH_SIZE], command[SETUP_PATH_SIZE];
  char program[SETUP_PATH_SIZE], settings_key[SETUP_PATH_SIZE], uninstall_key[SETUP_PATH_SIZE];
  char quiet[SETUP_PATH_SIZE];
  if (!FormatBounded(clsid_key, sizeof clsid_key, "CLSID\\%s", SHELLEXT_CLSID) ||
      !FormatBounded(server_key, sizeof server_key, "%s\\InProcServer32", clsid_key) ||
      !FormatBounded(icon, sizeof icon, "%s\\%s,4", dir, "Quillnox.exe") ||
      !FormatBounded(command, sizeof command, "%s\\%s %%1", dir, "Quillnox.exe") ||
      !FormatBounded(program, sizeof program, "%s\\%s", dir, "Quillnox.exe") ||
      !FormatBounded(settings_key, sizeof settings_key, "Software\\Orvanel\\Quillnox\\%s", PRODUCT_VERSION) ||
      !FormatBounded(uninstall_key, sizeof uninstall_key,
                     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s", PRODUCT_TITLE) ||
      !FormatBounded(quiet, sizeof quiet, "\"%s\" /SILENT", uninstaller_path) ||
      std::strlen(extension_path) >= SETUP_PATH_SIZE || std::strlen(native_extension_path) >= SETUP_PATH_SIZE ||
      std::strlen(uninstaller_path) >= SETUP_PATH_SIZE)
    return false;

  auto key = [&](RegRoot root, const std::string& k) { plan->push_back({RegAction::CreateKey, root, k, "", 0, {}, 0}); };
  auto value = [&](RegRoot root, const std::string& k, const char* name, std::uint32_t type,
                   std::vector<std::uint8_t> data) {
    plan->push_back({RegAction::SetValue, root, k, name, type, std::move(data), 0});
  };
  auto log = [&](int code, const std::string& k) {
    const RegRoot root = code == LOG_KEY_HKCR          ? RegRoot::ClassesRoot
                         : code == LOG_KEY_HKCR_NATIVE ? RegRoot::ClassesRootNative
                         : code == LOG_KEY_HKLM        ? RegRoot::LocalMachine
                                                       : RegRoot::CurrentUser;
    plan->push_back({RegAction::Log, root, k, "", 0, {}, code});
  };
  const RegRoot cr = RegRoot::ClassesRoot, lm = RegRoot::LocalMachine;

  // The shell extension, in setup's own view and, for the 64-bit build, in the 64-bit
  // view: the same keys, naming the library of that view.
  auto extension = [&](RegRoot root, int code, const char* path) {
    const std::string handler = "*\\shellex\\ContextMenuHandlers\\Quillnox";
    key(root, handler);
    value(root, handler, "", kRegSz, Text(SHELLEXT_CLSID));
    log(code, handler);
    key(root, clsid_key);
    value(root, clsid_key, "", kRegSz, Text("Quillnox Shell Extension"));
    key(root, server_key);
    value(root, server_key, "", kRegSz, Text(path));
    value(root, server_key, "ThreadingModel", kRegSz, Text("Apartment"));
    log(code, server_key);
    log(code, clsid_key);
  };
  if (*extension_path) extension(cr, LOG_KEY_HKCR, extension_path);
  if (*native_extension_path) extension(RegRoot::ClassesRootNative, LOG_KEY_HKCR_NATIVE, native_extension_path);

  key(cr, ".vek");
  value(cr, ".vek", "", kRegSz, Text("VekFile"));
  log(LOG_KEY_HKCR, ".vek");

  key(cr, "VekFile");
  value(cr, "VekFile", "", kRegSz, Text("VekFile"));
  key(cr, "VekFile\\DefaultIcon");
  value(cr, "VekFile\\DefaultIcon", "", kRegSz, Text(icon));
  key(cr, "VekFile\\Shell\\Open");
  value(cr, "VekFile\\Shell\\Open", "EditFlags", kRegEditFlags, Number(1));
  key(cr, "VekFile\\Shell\\Open\\Command");
  value(cr, "VekFile\\Shell\\Open\\Command", "", kRegSz, Text(command));
  for (const char* k : {"VekFile\\Shell\\Open\\Command", "VekFile\\Shell\\Open", "VekFile\\Shell",
                        "VekFile\\DefaultIcon", "VekFile"})
    log(LOG_KEY_HKCR, k);

  key(lm, settings_key);
  log(LOG_KEY_HKLM, settings_key);
  log(LOG_KEY_HKLM, "Software\\Orvanel\\Quillnox");
  if (vendor_key_new) log(LOG_KEY_HKLM, "Software\\Orvanel");

  // Nothing is created under HKCU: these are the keys the program makes at its first start.
  log(LOG_KEY_HKCU, settings_key);
  log(LOG_KEY_HKCU, "Software\\Orvanel\\Quillnox");
  log(LOG_KEY_HKCU, "Software\\Orvanel");

  key(lm, uninstall_key);
  value(lm, uninstall_key, "DisplayName", kRegSz, Text(PRODUCT_VERSIONED_TITLE));
  value(lm, uninstall_key, "UninstallString", kRegSz, Text(uninstaller_path));
  value(lm, uninstall_key, "DisplayIcon", kRegSz, Text(program));
  value(lm, uninstall_key, "DisplayVersion", kRegSz, Text("4.10"));
  value(lm, uninstall_key, "Publisher", kRegSz, Text("Orvanel"));
  value(lm, uninstall_key, "QuietUninstallString", kRegSz, Text(quiet));
  value(lm, uninstall_key, "EstimatedSize", kRegDword, Number(size_kib));
  value(lm, uninstall_key, "NoModify", kRegDword, Number(1));
  value(lm, uninstall_key, "NoRepair", kRegDword, Number(1));
  log(LOG_KEY_HKLM, uninstall_key);
  return true;
}

bool RemovedByOwnUninstaller(const char* version) {
  if (!version) return false;
  if (!std::strncmp(version, "3.13", 4) || !std::strncmp(version, "4.00", 4) || !std::strncmp(version, "4.01", 4))
    return true;
  return std::strncmp(version, "4.04", 4) >= 0;
}

bool OldSettingsKey(const char* version, bool* under_current_user, char* path, std::size_t size) {
  *under_current_user = std::strncmp(version, "4.06", 4) >= 0;
  return FormatBounded(path, size, "Software\\Orvanel\\%s\\%s", *under_current_user ? "Quillnox" : "Vek", version);
}

bool OlderInstallFolder(const char* open_command, char* folder, std::size_t size) {
  const char* last = open_command ? std::strrchr(open_command, '\\') : nullptr;
  if (!last || static_cast<std::size_t>(last - open_command) >= size) {
    if (size) folder[0] = '\0';
    return false;
  }
  const char* begin = open_command;
  if (*begin == '"') ++begin;  // a quoted program path
  std::memcpy(folder, begin, static_cast<std::size_t>(last - begin));
  folder[last - begin] = '\0';
  return true;
}

bool OlderUninstallCommand(const char* open_command, char* command, std::size_t size) {
  char folder[SETUP_PATH_SIZE];
  return OlderInstallFolder(open_command, folder, sizeof folder) &&
         FormatBounded(command, size, "%s\\unins000.exe /SILENT", folder);
}

bool FirstFreeNumber(const char* dir, bool (*exists)(const char* path), char* log_path, char* uninstaller_path,
                     std::size_t size) {
  for (int n = 0; n < 1000; ++n) {
    if (!FormatBounded(log_path, size, "%s\\unins%03d.dat", dir, n) ||
        !FormatBounded(uninstaller_path, size, "%s\\unins%03d.exe", dir, n))
      break;
    if (!exists(log_path) && !exists(uninstaller_path)) return true;
  }
  log_path[0] = uninstaller_path[0] = '\0';
  return false;
}
