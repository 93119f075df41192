// setup's decisions (see setup_rules.h).
#include "setup/setup_rules.h"

#include <cctype>
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

namespace {

bool Blank(char c) { return c == ' ' || c == '\t'; }

bool SameFolderText(const char* a, const char* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// "unins" + 3 digits + ".exe" (any case) at the start of name.
bool IsNumberedUninstaller(const char* name) {
  if (!SameFolderText(name, "unins", 5) || !SameFolderText(name + 8, ".exe", 4)) return false;
  for (int i = 5; i < 8; ++i)
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

// A name Windows reserves for a device, in any folder and with any extension.
bool DeviceName(const std::string& name) {
  std::string base = name.substr(0, name.find('.'));
  for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '1' &&
         base[3] <= '9';
}

// A component that Windows keeps as it is written: no character a name cannot hold, and
// no trailing dot or blank (which Windows drops, so the folder made would not be the
// folder logged).
bool PlainName(const std::string& name) {
  for (const char c : name)
    if (static_cast<unsigned char>(c) < 32 || std::strchr("<>:\"|?*", c)) return false;
  return !name.empty() && name.back() != '.' && name.back() != ' ' && !DeviceName(name);
}

}  // namespace

FolderProblem NormalizeInstallFolder(const char* input, char* out, std::size_t size) {
  if (size) out[0] = '\0';
  std::string text(input ? input : "");
  auto trim = [&] {
    while (!text.empty() && Blank(text.front())) text.erase(0, 1);
    while (!text.empty() && Blank(text.back())) text.pop_back();
  };
  trim();
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    text = text.substr(1, text.size() - 2);
    trim();
  }
  if (text.empty()) return FolderProblem::Empty;
  for (char& c : text)
    if (c == '/') c = '\\';

  // The root: a drive "C:\" or a share "\\server\share".
  std::string root;
  std::size_t rest = 0;
  if (text.size() >= 3 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':' && text[2] == '\\') {
    root = text.substr(0, 2);
    rest = 3;
  } else if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\') {
    const std::size_t server_end = text.find('\\', 2);
    if (server_end == 2 || text[2] == '?' || text[2] == '.') return FolderProblem::BadName;  // "\\?\", "\\.\"
    if (server_end == std::string::npos) return FolderProblem::ShareRoot;
    std::size_t share_end = text.find('\\', server_end + 1);
    if (share_end == std::string::npos) share_end = text.size();
    const std::string server = text.substr(2, server_end - 2), share = text.substr(server_end + 1, share_end - server_end - 1);
    if (share.empty()) return FolderProblem::ShareRoot;
    if (!PlainName(server) || !PlainName(share)) return FolderProblem::BadName;
    root = "\\\\" + server + "\\" + share;
    rest = share_end;
  } else {
    return FolderProblem::Relative;
  }

  std::vector<std::string> parts;
  std::size_t i = rest;
  while (i <= text.size()) {
    std::size_t end = text.find('\\', i);
    if (end == std::string::npos) end = text.size();
    const std::string part = text.substr(i, end - i);
    i = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    if (!PlainName(part)) return FolderProblem::BadName;
    parts.push_back(part);
  }
  if (parts.empty()) return root.size() == 2 ? FolderProblem::DriveRoot : FolderProblem::ShareRoot;
  std::string folder = root;
  for (const std::string& part : parts) folder += "\\" + part;
  if (folder.size() > SETUP_FOLDER_MAX) return FolderProblem::TooLong;
  if (folder.size() >= size) return FolderProblem::TooLong;
  std::memcpy(out, folder.c_str(), folder.size() + 1);
  return FolderProblem::None;
}

std::string FolderProblemText(FolderProblem problem, const char* folder) {
  char shown[96];
  const std::size_t n = folder ? std::strlen(folder) : 0;
  if (n < sizeof shown)
    std::snprintf(shown, sizeof shown, "%s", folder ? folder : "");
  else
    std::snprintf(shown, sizeof shown, "%.40s...%s", folder, folder + n - 40);
  char text[512];
  switch (problem) {
    case FolderProblem::None: return "";
    case FolderProblem::Empty: std::snprintf(text, sizeof text, "Choose the folder where %s is to be installed.", PRODUCT_TITLE); break;
    case FolderProblem::Relative:
      std::snprintf(text, sizeof text, "The installation folder must be a full path, such as C:\\Program Files\\Orvanel\\%s:\n%s",
                    PRODUCT_TITLE, shown);
      break;
    case FolderProblem::DriveRoot:
      std::snprintf(text, sizeof text, "%s cannot be installed at the root of a drive:\n%s\n\nChoose a folder on that drive.",
                    PRODUCT_TITLE, shown);
      break;
    case FolderProblem::ShareRoot:
      std::snprintf(text, sizeof text,
                    "%s cannot be installed at the root of a network share:\n%s\n\nChoose a folder on that share.",
                    PRODUCT_TITLE, shown);
      break;
    case FolderProblem::BadName:
      std::snprintf(text, sizeof text, "The installation folder is not a valid folder name:\n%s", shown);
      break;
    case FolderProblem::TooLong:
      std::snprintf(text, sizeof text, "The installation folder is too long (at most %u characters):\n%s",
                    static_cast<unsigned>(SETUP_FOLDER_MAX), shown);
      break;
  }
  return text;
}

std::vector<std::string> FolderLevels(const char* folder) {
  std::vector<std::string> levels;
  const std::string path(folder ? folder : "");
  // A network path's server and share are never levels to make.
  std::size_t first = 0;
  if (path.compare(0, 2, "\\\\") == 0) {
    const std::size_t server_end = path.find('\\', 2);
    first = server_end == std::string::npos ? path.size() : path.find('\\', server_end + 1);
    if (first == std::string::npos) first = path.size();
    ++first;
  }
  for (std::size_t i = first; i <= path.size(); ++i) {
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

bool ProgramGroupFolders(const char* programs, char* group, char* parent, std::size_t size) {
  if (!programs || !*programs || !FormatBounded(parent, size, "%s\\Feldspire", programs) ||
      !FormatBounded(group, size, "%s\\Quillnox", parent)) {
    if (size) group[0] = parent[0] = '\0';
    return false;
  }
  return true;
}

bool StepPath(const InstallStep& step, const InstallPlaces& places, char* out, std::size_t size) {
  if (size) out[0] = '\0';
  switch (step.kind) {
    case StepKind::Resource:
    case StepKind::LogOnly:
      if (step.target == StepTarget::Uninstaller) return FormatBounded(out, size, "%s", places.uninstaller);
      if (step.target == StepTarget::SystemDir || step.target == StepTarget::NativeSystemDir)
        return places.system_dir && *places.system_dir &&
               FormatBounded(out, size, "%s\\%s", places.system_dir, step.name);
      return FormatBounded(out, size, "%s\\%s", places.dir, step.name);
    case StepKind::GroupShortcut:
    case StepKind::DesktopShortcut: {
      char name[SETUP_PATH_SIZE], group[SETUP_PATH_SIZE], parent[SETUP_PATH_SIZE];
      if (!FormatBounded(name, sizeof name, step.name, step.versioned_title ? PRODUCT_VERSIONED_TITLE : PRODUCT_TITLE))
        return false;
      if (step.kind == StepKind::DesktopShortcut)
        return places.desktop_dir && *places.desktop_dir &&
               FormatBounded(out, size, "%s\\%s", places.desktop_dir, name);
      return ProgramGroupFolders(places.programs_dir, group, parent, sizeof group) &&
             FormatBounded(out, size, "%s\\%s", group, name);
    }
    default: return false;
  }
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
  char quiet[SETUP_PATH_SIZE], quoted[SETUP_PATH_SIZE];
  if (!FormatBounded(clsid_key, sizeof clsid_key, "CLSID\\%s", SHELLEXT_CLSID) ||
      !FormatBounded(server_key, sizeof server_key, "%s\\InProcServer32", clsid_key) ||
      !FormatBounded(icon, sizeof icon, "%s\\%s,4", dir, "Quillnox.exe") ||
      !FormatBounded(command, sizeof command, "%s\\%s %%1", dir, "Quillnox.exe") ||
      !FormatBounded(program, sizeof program, "%s\\%s", dir, "Quillnox.exe") ||
      !FormatBounded(settings_key, sizeof settings_key, "Software\\Orvanel\\Quillnox\\%s", PRODUCT_VERSION) ||
      !FormatBounded(uninstall_key, sizeof uninstall_key,
                     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s", PRODUCT_TITLE) ||
      !FormatBounded(quiet, sizeof quiet, "\"%s\" /SILENT", uninstaller_path) ||
      !FormatBounded(quoted, sizeof quoted, "\"%s\"", uninstaller_path) ||
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
  // Quoted: Windows runs an unquoted path with blanks by trying its first words as
  // programs ("C:\Program.exe"), and passes the line to the program as it is.
  value(lm, uninstall_key, "UninstallString", kRegSz, Text(quoted));
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

bool OlderUninstallCommand(const char* open_command, const char* quiet_uninstall, char* command, std::size_t size) {
  char folder[SETUP_PATH_SIZE];
  if (!OlderInstallFolder(open_command, folder, sizeof folder)) {
    if (size) command[0] = '\0';
    return false;
  }
  // "\"<folder>\unins%03d.exe\" /SILENT"
  const std::size_t n = std::strlen(folder);
  const char* q = quiet_uninstall ? quiet_uninstall : "";
  if (std::strlen(q) == n + 23 && q[0] == '"' && SameFolderText(q + 1, folder, n) && q[n + 1] == '\\' &&
      IsNumberedUninstaller(q + n + 2) && std::strcmp(q + n + 14, "\" /SILENT") == 0)
    return FormatBounded(command, size, "%s", q);
  return FormatBounded(command, size, "\"%s\\unins000.exe\" /SILENT", folder);
}

std::vector<OldSettingsTarget> OldSettingsTargets(const char* version, bool user_settings_saved) {
  std::vector<OldSettingsTarget> targets;
  char path[SETUP_PATH_SIZE];
  if (!version || !*version) return targets;
  if (std::strncmp(version, "4.06", 4) < 0) {
    if (user_settings_saved && FormatBounded(path, sizeof path, "SOFTWARE\\Orvanel\\Vek\\%s", version))
      targets.push_back({false, path});
    return targets;
  }
  if (!FormatBounded(path, sizeof path, "Software\\Orvanel\\Quillnox\\%s", version)) return targets;
  targets.push_back({false, path});
  if (user_settings_saved) targets.push_back({true, path});
  return targets;
}

int CombineExit(int so_far, int next) {
  if (so_far == SETUP_EXIT_INSTALLED) return next;
  if (so_far == SETUP_EXIT_WARNINGS && next != SETUP_EXIT_INSTALLED) return next;
  return so_far;
}

std::string SetupLogLine(const char* time, const char* step, const char* text) {
  std::string line = std::string(time ? time : "") + " [" + (step ? step : "") + "] ";
  bool blank = false;
  for (const char* c = text ? text : ""; *c; ++c) {
    const bool space = *c == '\n' || *c == '\r' || *c == '\t' || *c == ' ';
    if (space) {
      blank = true;
      continue;
    }
    if (blank && line.back() != ' ') line += ' ';
    blank = false;
    line += *c;
  }
  return line;
}

bool IniPathFromArguments(const char* arguments, char* out, std::size_t size) {
  std::string text(arguments ? arguments : "");
  while (!text.empty() && Blank(text.front())) text.erase(0, 1);
  while (!text.empty() && Blank(text.back())) text.pop_back();
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
  if (text.empty() || text.size() >= size) {
    if (size) out[0] = '\0';
    return false;
  }
  std::memcpy(out, text.c_str(), text.size() + 1);
  return true;
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
