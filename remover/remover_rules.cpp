// The uninstaller's decisions (see remover_rules.h).
#include "remover/remover_rules.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "remover/install_log.h"

namespace {

// Copies n bytes of text into out as a string; false when it does not fit.
bool CopyPart(const char* text, std::size_t n, char* out, std::size_t size) {
  if (n >= size) return false;
  std::memcpy(out, text, n);
  out[n] = '\0';
  return true;
}

bool SameText(const char* a, const char* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    const int x = std::tolower(static_cast<unsigned char>(a[i]));
    const int y = std::tolower(static_cast<unsigned char>(b[i]));
    if (x != y) return false;
    if (!x) return true;
  }
  return true;
}

// The first n bytes alike, a slash standing for a backslash.
bool SamePathText(const char* a, const char* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    char x = a[i], y = b[i];
    if (x == '/') x = '\\';
    if (y == '/') y = '\\';
    if (std::tolower(static_cast<unsigned char>(x)) != std::tolower(static_cast<unsigned char>(y))) return false;
    if (!x) return true;
  }
  return true;
}

bool SameText(const char* a, const char* b) {
  const std::size_t n = std::strlen(a);
  return n == std::strlen(b) && SameText(a, b, n);
}

// path equals key or lies below it.
bool KeyAtOrBelow(const char* path, const char* key) {
  const std::size_t n = std::strlen(key);
  return SameText(path, key, n) && std::strlen(path) >= n && (path[n] == '\0' || path[n] == '\\');
}

const char* const kTexts[2][TEXT_COUNT] = {
    {
        "Uninstall State",
        "Uninstall Error",
        "%s Uninstall",
        "Unable to open file:\n%s",
        "%s is removed from your computer",
        "%s uninstall...",
        "Please, wait while %s is removed from your computer.",
        "&Cancel",
        "The following files or dirs were not removed:",
        "Uninstall not completed",
        "Do you want to remove %s and all of its components from your computer?",
        "A file in use is deleted when Windows starts again: restart your computer to complete the removal.",
    },
    {
        "Etat de la d\xE9sinstallation",
        "Erreur Uninstall",
        "%s Uninstall",
        "Impossible d'ouvrir le fichier:\n%s",
        "%s a \xE9t\xE9 supprim\xE9 de votre ordinateur",
        "D\xE9sinstallation de %s...",
        "Veuillez patienter pendant que %s est supprim\xE9 de votre ordinateur.",
        "&Abandon",
        "Les fichiers ou r\xE9pertoires suivants n'ont pu \xEAtre supprim\xE9s:",
        "D\xE9sinstallation incompl\xE8te",
        "Voulez-vous supprimer %s et tous ses composants de votre ordinateur ?",
        "Un fichier en cours d'utilisation sera supprim\xE9 au prochain d\xE9marrage de Windows : "
        "red\xE9marrez l'ordinateur pour terminer la d\xE9sinstallation.",
    },
};

const char kSilent[] = "/SILENT";
const char kOrigin[] = " /ORIGIN:";
const char kHandles[] = " /HANDLES:";

// Trims blanks and one pair of quotes; false when it does not fit.
bool TakePath(const char* begin, const char* end, char* out, std::size_t size) {
  while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
  while (end > begin && (end[-1] == ' ' || end[-1] == '\t')) --end;
  if (end - begin >= 2 && *begin == '"' && end[-1] == '"') {
    ++begin;
    --end;
  }
  return CopyPart(begin, static_cast<std::size_t>(end - begin), out, size);
}

// The last occurrence of what in [begin, end), or nullptr.
const char* LastBefore(const char* begin, const char* end, const char* what) {
  const char* last = nullptr;
  for (const char* p = std::strstr(begin, what); p && p < end; p = std::strstr(p + 1, what)) last = p;
  return last;
}

// Decimal digits at *p (before end) into value; false when there are none or they
// overflow 64 bits.
bool TakeNumber(const char** p, const char* end, std::uint64_t* value) {
  const char* q = *p;
  std::uint64_t v = 0;
  while (q < end && *q >= '0' && *q <= '9') {
    const unsigned digit = static_cast<unsigned>(*q - '0');
    if (v > (UINT64_MAX - digit) / 10) return false;
    v = v * 10 + digit;
    ++q;
  }
  if (q == *p) return false;
  *p = q;
  *value = v;
  return true;
}

}  // namespace

const char* ArgumentsAfterProgram(const char* line, const char* module_path) {
  if (!line) return "";
  const char* p = line;
  while (*p == ' ' || *p == '\t') ++p;
  if (*p == '"') {
    const char* end = std::strchr(p + 1, '"');
    p = end ? end + 1 : p + std::strlen(p);
  } else {
    std::size_t length = 0;
    const std::size_t m = module_path ? std::strlen(module_path) : 0;
    const std::size_t candidates[2] = {m, m > 4 && SameText(module_path + m - 4, ".exe", 4) ? m - 4 : 0};
    for (const std::size_t n : candidates) {
      if (n && SamePathText(p, module_path, n) && (p[n] == '\0' || p[n] == ' ' || p[n] == '\t')) {
        length = n;
        break;
      }
    }
    if (length) {
      p += length;
    } else {
      while (*p && *p != ' ' && *p != '\t') ++p;
    }
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

bool ParseRemoverCommand(const char* command_line, RemoverCommand* command) {
  std::memset(command, 0, sizeof *command);
  if (!command_line) return true;
  const char* end = command_line + std::strlen(command_line);
  if (const char* silent = std::strstr(command_line, kSilent)) {
    command->silent = true;
    end = silent;
    if (end > command_line && end[-1] == ' ') --end;
  }
  // The copy's switches come after the log path (and before "/SILENT").
  const char* origin = LastBefore(command_line, end, kOrigin);
  if (origin) {
    if (!TakePath(origin + std::strlen(kOrigin), end, command->origin, sizeof command->origin)) return false;
    end = origin;
  }
  if (const char* handles = LastBefore(command_line, end, kHandles)) {
    std::uint64_t* const values[3] = {&command->origin_process, &command->origin_done, &command->own_file};
    const char* p = handles + std::strlen(kHandles);
    for (int i = 0; i < 3; ++i) {
      if (i > 0 && (p >= end || *p++ != ',')) return false;
      if (!TakeNumber(&p, end, values[i])) return false;
    }
    if (p != end) return false;
    end = handles;
  }
  return TakePath(command_line, end, command->log_path, sizeof command->log_path);
}

namespace {

// A path that the copy's command line carries and gives back unchanged.
bool CarriedWhole(const char* path) {
  if (!path || !*path || std::strpbrk(path, "\"/")) return false;
  const std::size_t n = std::strlen(path);
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  return !blank(path[0]) && !blank(path[n - 1]);
}

}  // namespace

bool CopyCommandLine(const char* log_path, const char* origin, std::uint64_t origin_process,
                     std::uint64_t origin_done, std::uint64_t own_file, bool silent, char* out, std::size_t size) {
  if (size) out[0] = '\0';
  if (!CarriedWhole(log_path) || !CarriedWhole(origin) || std::strlen(log_path) >= REMOVER_PATH_SIZE ||
      std::strlen(origin) >= REMOVER_PATH_SIZE)
    return false;
  const int n = std::snprintf(out, size, "\"%s\"%s%llu,%llu,%llu%s\"%s\"%s", log_path, kHandles,
                              static_cast<unsigned long long>(origin_process),
                              static_cast<unsigned long long>(origin_done), static_cast<unsigned long long>(own_file),
                              kOrigin, origin, silent ? " /SILENT" : "");
  if (n < 0 || static_cast<std::size_t>(n) >= size) {
    if (size) out[0] = '\0';
    return false;
  }
  return true;
}

bool LogSizeAcceptable(std::uint64_t size) { return size <= REMOVER_LOG_MAX; }

const char* RemoverTextFor(int language, RemoverText text) {
  if (text < 0 || text >= TEXT_COUNT) return "";
  return kTexts[language == 1 ? 1 : 0][text];
}

void FormatRemoverText(int language, RemoverText text, const char* argument, char* out, std::size_t size) {
  if (!size) return;
  const char* format = RemoverTextFor(language, text);
  const char* mark = std::strstr(format, "%s");
  if (!argument) argument = "";
  std::size_t used = 0;
  auto put = [&](const char* s, std::size_t n) {
    const std::size_t room = size - 1 - used;
    if (n > room) n = room;
    std::memcpy(out + used, s, n);
    used += n;
  };
  if (mark) {
    put(format, static_cast<std::size_t>(mark - format));
    put(argument, std::strlen(argument));
    put(mark + 2, std::strlen(mark + 2));
  } else {
    put(format, std::strlen(format));
  }
  out[used] = '\0';
}

TickAction NextTickAction(int tick, bool files_left, bool folders_left) {
  if (tick >= REMOVER_LAST_TICK) return TickAction::Report;
  if (files_left && tick < REMOVER_FILE_TICKS) return TickAction::FilePass;
  if (folders_left) return TickAction::FolderPass;
  if (files_left) return TickAction::FolderPass;  // files in use wait for the report
  return TickAction::Complete;
}

int ProgressStep(std::size_t count) {
  return count == 0 ? 100 : static_cast<int>(100 / count);
}

bool SplitKeyPath(const char* path, char* parent, std::size_t parent_size, char* name, std::size_t name_size) {
  const char* last = std::strrchr(path, '\\');
  if (!last) return CopyPart("", 0, parent, parent_size) && CopyPart(path, std::strlen(path), name, name_size);
  return CopyPart(path, static_cast<std::size_t>(last - path), parent, parent_size) &&
         CopyPart(last + 1, std::strlen(last + 1), name, name_size);
}

namespace {

// "unins" + 3 digits + extension (".exe" or ".dat"), any case.
bool IsNumberedName(const char* name, const char* extension) {
  if (std::strlen(name) != 12 || !SameText(name, "unins", 5) || !SameText(name + 8, extension, 4)) return false;
  for (int i = 5; i < 8; ++i)
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

}  // namespace

bool LogPathForProgram(const char* program_path, char* log_path, std::size_t size) {
  const char* slash = std::strrchr(program_path, '\\');
  if (!IsNumberedName(slash ? slash + 1 : program_path, ".exe")) return false;
  const std::size_t n = std::strlen(program_path);
  if (!CopyPart(program_path, n, log_path, size)) return false;
  std::memcpy(log_path + n - 3, "dat", 3);
  return true;
}

bool IsNumberedLogName(const char* name) { return IsNumberedName(name, ".dat"); }

bool FolderOf(const char* path, char* folder, std::size_t size) {
  const char* last = std::strrchr(path, '\\');
  return CopyPart(path, last ? static_cast<std::size_t>(last - path) : 0, folder, size);
}

bool IsPlainPath(const char* path) {
  if (!path || !*path || std::strchr(path, '/')) return false;
  // No character that a Windows name cannot hold (a drive's colon aside), so no
  // device or "\\?\" path and no stream name.
  for (const char* c = path; *c; ++c) {
    const unsigned char u = static_cast<unsigned char>(*c);
    if (u < 32 || std::strchr("<>\"|?*", *c) || (*c == ':' && c != path + 1)) return false;
  }
  const char* part = path;
  if (path[0] == '\\' && path[1] == '\\') part = path + 2;  // a network path
  const char* first = part;
  for (;;) {
    const char* end = std::strchr(part, '\\');
    const std::size_t n = end ? static_cast<std::size_t>(end - part) : std::strlen(part);
    if ((n == 0 && (part != path || first != path)) || (n == 1 && part[0] == '.') ||
        (n == 2 && part[0] == '.' && part[1] == '.'))
      return false;
    if (!end) return true;
    part = end + 1;
  }
}

bool IsInsideFolder(const char* path, const char* folder) {
  const std::size_t n = std::strlen(folder);
  if (n == 0 || !IsPlainPath(path)) return false;
  return std::strlen(path) > n + 1 && SameText(path, folder, n) && path[n] == '\\';
}

const char* const REMOVER_GROUP_SHORTCUTS[3] = {"Quillnox 4.10.lnk", "Quillnox Help.lnk", "Uninstall Quillnox.lnk"};
const char REMOVER_DESKTOP_SHORTCUT[] = "Quillnox.lnk";
const char REMOVER_UNINSTALL_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillnox";

namespace {

// path is the file name directly in folder.
bool NamedIn(const char* path, const char* folder, const char* name) {
  if (!folder || !*folder || !IsInsideFolder(path, folder)) return false;
  return SameText(path + std::strlen(folder) + 1, name);
}

bool IsDriveRoot(const char* path) {
  const std::size_t n = std::strlen(path);
  return n <= 3 && (n < 2 || path[1] == ':');
}

// The length of the root of a full path: "C:\" (3) or "\\server\share\" (up to and
// with the backslash after the share); 0 when path is not a full path.
std::size_t RootLength(const char* path) {
  if (std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && path[2] == '\\') return 3;
  if (path[0] != '\\' || path[1] != '\\') return 0;
  // "\\server", "\\server\share" alone are roots too.
  const char* server_end = std::strchr(path + 2, '\\');
  if (!server_end) return std::strlen(path);
  const char* share_end = std::strchr(server_end + 1, '\\');
  return share_end ? static_cast<std::size_t>(share_end - path) + 1 : std::strlen(path);
}

// The install folder when it can hold an installation, else "" (nothing inside it).
const char* InstallFolder(const RemovalScope& scope) {
  return UsableInstallFolder(scope.install_dir) ? scope.install_dir : "";
}

}  // namespace

bool UsableInstallFolder(const char* folder) {
  if (!folder || !IsPlainPath(folder)) return false;
  const std::size_t root = RootLength(folder);
  return root && std::strlen(folder) > root && folder[std::strlen(folder) - 1] != '\\';
}

bool FileRecordAllowed(const RemovalScope& scope, const char* path) {
  if (!IsPlainPath(path)) return false;
  if (IsInsideFolder(path, InstallFolder(scope))) return true;
  for (const char* name : REMOVER_GROUP_SHORTCUTS)
    if (NamedIn(path, scope.group_dir, name)) return true;
  if (NamedIn(path, scope.desktop_dir, REMOVER_DESKTOP_SHORTCUT)) return true;
  return NamedIn(path, scope.system_dir, "quillext.dll");
}

bool NativeFileRecordAllowed(const RemovalScope& scope, const char* path) {
  return IsPlainPath(path) && NamedIn(path, scope.system_dir, "quillext.dll");
}

bool CopyOriginAllowed(const RemovalScope& scope, const char* origin) {
  return origin && IsInsideFolder(origin, InstallFolder(scope));
}

bool RestartDeletes(const RemovalScope& scope, const char* path) {
  return IsPlainPath(path) && NamedIn(path, scope.system_dir, "quillext.dll");
}

namespace {

// The program group folder or its parent (never a drive's root).
bool GroupFolder(const RemovalScope& scope, const char* path) {
  if (!scope.group_dir || !*scope.group_dir) return false;
  if (SameText(path, scope.group_dir)) return true;
  char parent[REMOVER_PATH_SIZE];
  return FolderOf(scope.group_dir, parent, sizeof parent) && *parent && !IsDriveRoot(parent) &&
         SameText(path, parent);
}

}  // namespace

bool FolderRecordAllowed(const RemovalScope& scope, const char* path) {
  if (!IsPlainPath(path) || IsDriveRoot(path) || RootLength(path) >= std::strlen(path)) return false;
  const char* dir = InstallFolder(scope);
  if (*dir && (SameText(path, dir) || IsInsideFolder(path, dir) || IsInsideFolder(dir, path))) return true;
  return GroupFolder(scope, path);
}

bool KeyRecordAllowed(const RemovalScope&, int code, const char* path) {
  if (!path || !*path || path[0] == '\\' || std::strstr(path, "\\\\")) return false;
  const std::size_t n = std::strlen(path);
  if (path[n - 1] == '\\') return false;
  switch (code) {
    case LOG_KEY_HKCR:
    case LOG_KEY_HKCR_NATIVE:
      if (KeyAtOrBelow(path, "*\\shellex\\ContextMenuHandlers\\Quillnox") ||
          KeyAtOrBelow(path, "CLSID\\{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}"))
        return true;
      return code == LOG_KEY_HKCR && (SameText(path, ".vek") || KeyAtOrBelow(path, "VekFile"));
    case LOG_KEY_HKLM:
      return KeyAtOrBelow(path, "Software\\Orvanel\\Quillnox") || SameText(path, "Software\\Orvanel") ||
             SameText(path, REMOVER_UNINSTALL_KEY);
    case LOG_KEY_HKCU:
      return KeyAtOrBelow(path, "Software\\Orvanel\\Quillnox") || SameText(path, "Software\\Orvanel");
    default:
      return false;
  }
}

bool ScopeBase(const RemovalScope& scope, const char* path, bool folder_record, char* base, std::size_t size) {
  if (size) base[0] = '\0';
  const char* dir = InstallFolder(scope);
  if (folder_record) {
    if (!FolderRecordAllowed(scope, path)) return false;
    if (*dir && IsInsideFolder(path, dir)) return CopyPart(dir, std::strlen(dir), base, size);
    if (!FolderOf(path, base, size) || !*base) return false;
    // A folder directly below a drive's root: the root itself ("C:" alone names the
    // drive's current folder).
    if (std::strlen(base) == 2 && base[1] == ':') return CopyPart(path, 3, base, size);
    return true;
  }
  if (!FileRecordAllowed(scope, path)) return false;
  const char* holders[4] = {dir, scope.group_dir, scope.desktop_dir, scope.system_dir};
  for (const char* holder : holders)
    if (holder && *holder && IsInsideFolder(path, holder)) return CopyPart(holder, std::strlen(holder), base, size);
  return false;
}

bool ComponentsBelow(const char* base, const char* path, std::vector<std::string>* components) {
  components->clear();
  std::string folder(base);
  if (folder.size() == 3 && folder[1] == ':' && folder[2] == '\\') folder.pop_back();  // a drive's root
  if (!IsInsideFolder(path, folder.c_str())) return false;
  const std::string p(path);
  for (std::size_t i = folder.size() + 1; i <= p.size(); ++i)
    if (i == p.size() || p[i] == '\\') components->push_back(p.substr(0, i));
  return true;
}

bool PlainFinalPath(const char* final_path, char* out, std::size_t size) {
  if (!final_path) return CopyPart("", 0, out, size);
  if (SameText(final_path, "\\\\?\\UNC\\", 8)) {
    if (size < 3) return false;
    out[0] = out[1] = '\\';
    return CopyPart(final_path + 8, std::strlen(final_path + 8), out + 2, size - 2);
  }
  if (!std::strncmp(final_path, "\\\\?\\", 4)) final_path += 4;
  return CopyPart(final_path, std::strlen(final_path), out, size);
}

namespace {

// child lies directly inside parent; true when either is unknown ("").
bool DirectlyInside(const char* child, const char* parent) {
  if (!*child || !*parent) return true;
  std::size_t n = std::strlen(parent);
  if (n && parent[n - 1] == '\\') --n;  // a root: "C:\"
  return std::strlen(child) > n + 1 && SameText(child, parent, n) && child[n] == '\\' &&
         !std::strchr(child + n + 1, '\\');
}

}  // namespace

LinkVerdict JudgeComponents(const char* base_final, const OpenedComponent* parts, std::size_t count) {
  if (!count) return LinkVerdict::Refuse;
  const char* previous = base_final ? base_final : "";
  for (std::size_t i = 0; i < count; ++i) {
    const char* here = parts[i].final_path ? parts[i].final_path : "";
    if (!DirectlyInside(here, previous)) return LinkVerdict::Refuse;
    if (parts[i].reparse_point) return i + 1 == count ? LinkVerdict::LastIsLink : LinkVerdict::Refuse;
    previous = here;
  }
  return LinkVerdict::Plain;
}
