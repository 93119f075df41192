// The uninstaller's entry: the command line ("/SILENT", or nothing at all when started
// from "Programs and Features" or the uninstall shortcut), the trace file, the log read
// into memory, and the hand-over to a temporary copy of itself so that its own file
// and the installation folder can go too.
//
// The uninstaller runs as administrator, from folders others may write to: before
// anything else, libraries come from the system folder only, and it imports nothing
// statically that the system does not hold as a known library.
//
// Started from the installation folder, the uninstaller cannot delete its own file
// while it runs. It copies itself into a new private folder in the temporary folder
// (only administrators, the system and the folder's owner may write there) and starts
// the copy there with the log path, its own file's path and three inherited handles:
// its own process, an event and the copy's file opened for deletion on close. It then
// waits until the copy has removed everything else and set the event (or has ended),
// and ends. The copy waits for the original process to end, deletes the original's
// file, but only if it is still the very same file and the removal was not cancelled,
// and then the folders it had held back (only when empty). Last, the copy moves its
// own file out of its private folder, removes the folder, and its file goes when the
// copy ends and the last handle to it is closed.
#include <windows.h>
// after windows.h
#include <sddl.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "remover/install_log.h"
#include "remover/library_search.h"
#include "remover/no_follow.h"
#include "remover/remover.h"

namespace {

// The log's bytes; false when it cannot be read, or is longer than any log setup
// writes (it is refused rather than read in part).
bool ReadWholeFile(const char* path, std::vector<std::uint8_t>* bytes) {
  bytes->clear();
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart >= 0 &&
            LogSizeAcceptable(static_cast<std::uint64_t>(size.QuadPart));
  if (!ok) Trace("Log refused, size=%s", path);
  std::uint8_t buffer[4096];
  while (ok) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) ok = false;
    if (!ok || !got) break;
    ok = LogSizeAcceptable(bytes->size() + got);  // it may have grown meanwhile
    if (ok) bytes->insert(bytes->end(), buffer, buffer + got);
  }
  CloseHandle(file);
  if (!ok) bytes->clear();
  return ok;
}

// The language and title of the log, for the messages shown before the window.
void ReadLanguageAndTitle(RemoverState& s) {
  std::size_t offset = 0;
  LogEntry e;
  while (NextLogRecord(s.log.data(), s.log.size(), &offset, &e)) {
    if (e.too_long) continue;
    if (e.code == LOG_LANGUAGE) s.language = static_cast<unsigned char>(e.data[0]);
    if (e.code == LOG_TITLE) lstrcpynA(s.title, e.data, sizeof s.title);
  }
}

bool ReadShellFolder(HKEY root, const char* name, char* out, DWORD size) {
  HKEY key;
  if (RegOpenKeyExA(root, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0, KEY_READ,
                    &key) != ERROR_SUCCESS)
    return false;
  DWORD type = 0, got = size;
  const LONG r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &got);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS || type != REG_SZ || got == 0 || got >= size) {
    out[0] = '\0';
    return false;
  }
  out[got] = '\0';
  return true;
}

// The places setup writes to outside the installation folder.
void FindScope(RemoverState& s) {
  char system[MAX_PATH];
  const UINT n = GetSystemDirectoryA(system, sizeof system);
  if (n && n < sizeof s.system_dir) lstrcpynA(s.system_dir, system, sizeof s.system_dir);
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const bool nt = GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
#pragma GCC diagnostic pop
  char programs[REMOVER_PATH_SIZE];
  if (nt ? ReadShellFolder(HKEY_LOCAL_MACHINE, "Common Programs", programs, sizeof programs)
         : ReadShellFolder(HKEY_CURRENT_USER, "Programs", programs, sizeof programs)) {
    const int w = std::snprintf(s.group_dir, sizeof s.group_dir, "%s\\Feldspire\\Quillnox", programs);
    if (w < 0 || static_cast<std::size_t>(w) >= sizeof s.group_dir) s.group_dir[0] = '\0';
  }
  if (nt) ReadShellFolder(HKEY_LOCAL_MACHINE, "Common Desktop", s.desktop_dir, sizeof s.desktop_dir);
  else ReadShellFolder(HKEY_CURRENT_USER, "Desktop", s.desktop_dir, sizeof s.desktop_dir);
}

void OpenFailed(const RemoverState& s, const char* path) {
  char text[REMOVER_PATH_SIZE + 128];
  FormatRemoverText(s.language, TEXT_OPEN_FAILED, path, text, sizeof text);
  RemoverBox(s, nullptr, text, RemoverTextFor(s.language, TEXT_ERROR_TITLE), MB_OK | MB_ICONERROR);
}

// A new folder in the temporary folder for the copy: "qlxrm<pid>-<n>", where only
// administrators, the system and the folder's owner may write (the owner is the
// administrators' group when the uninstaller runs elevated). false when none could be
// made.
bool MakePrivateFolder(const char* temp, char* folder, std::size_t size) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const bool described = ConvertStringSecurityDescriptorToSecurityDescriptorA(
                             "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;OW)", SDDL_REVISION_1, &descriptor,
                             nullptr) != 0;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, described ? descriptor : nullptr, FALSE};
  bool made = false;
  for (unsigned n = 0; n < 100 && !made; ++n) {
    const int w = std::snprintf(folder, size, "%sqlxrm%lu-%u", temp, static_cast<unsigned long>(GetCurrentProcessId()), n);
    if (w < 0 || static_cast<std::size_t>(w) >= size) break;
    if (CreateDirectoryA(folder, &attributes)) made = true;
    else if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  if (descriptor) LocalFree(descriptor);
  return made;
}

// The original: start the temporary copy and wait until it has done everything but
// this program's own file and folder. false when no copy could be started (the work
// is then done in place).
bool HandOverToCopy(const RemoverState& s, const char* program) {
  char temp[MAX_PATH], folder[MAX_PATH], copy[MAX_PATH + 32], line[1024], args[900];
  const DWORD t = GetTempPathA(sizeof temp, temp);
  if (!t || t >= sizeof temp || !MakePrivateFolder(temp, folder, sizeof folder)) return false;
  const int w = std::snprintf(copy, sizeof copy, "%s\\qlxrm%lu.exe", folder, static_cast<unsigned long>(GetCurrentProcessId()));
  if (w < 0 || static_cast<std::size_t>(w) >= sizeof copy) {
    RemoveDirectoryA(folder);
    return false;
  }
  // Handles for the copy to inherit: this process, to wait for its end, and the event
  // that lets it end.
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE done = CreateEventA(&inherit, TRUE, FALSE, nullptr);
  HANDLE self = nullptr;
  DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self, SYNCHRONIZE, TRUE, 0);
  PROCESS_INFORMATION process{};
  bool started = false;
  // First with a third handle, on the copy's file opened to be deleted when its last
  // handle closes: the copy inherits it and holds it until it ends. Should the system
  // refuse to start a program from a file so opened, the copy is started without it
  // and asks for its deletion at the next start of Windows instead.
  for (int way = 0; way < 2 && done && self && !started; ++way) {
    if (!CopyFileA(program, copy, FALSE)) break;
    HANDLE own_file = way == 0 ? CreateFileA(copy, DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, &inherit,
                                             OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr)
                               : INVALID_HANDLE_VALUE;
    if (CopyCommandLine(s.log_path, program, reinterpret_cast<std::uintptr_t>(self),
                        reinterpret_cast<std::uintptr_t>(done),
                        own_file != INVALID_HANDLE_VALUE ? reinterpret_cast<std::uintptr_t>(own_file) : 0, s.silent,
                        args, sizeof args) &&
        std::snprintf(line, sizeof line, "\"%s\" %s", copy, args) < static_cast<int>(sizeof line)) {
      STARTUPINFOA startup{};
      startup.cb = sizeof startup;
      started = CreateProcessA(copy, line, nullptr, nullptr, TRUE, 0, nullptr, folder, &startup, &process) != 0;
    }
    if (own_file != INVALID_HANDLE_VALUE) CloseHandle(own_file);  // the copy holds its own, if started
  }
  if (self) CloseHandle(self);
  if (!started) {
    if (done) CloseHandle(done);
    DeleteFileA(copy);
    RemoveDirectoryA(folder);
    return false;
  }
  HANDLE waits[2] = {done, process.hProcess};
  WaitForMultipleObjects(2, waits, FALSE, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(done);
  return true;
}

// The copy runs from a private folder of its own: "qlxrm..." directly in the
// temporary folder.
bool InPrivateFolder(const char* program) {
  char folder[MAX_PATH], parent[MAX_PATH], temp[MAX_PATH];
  if (!FolderOf(program, folder, sizeof folder) || !FolderOf(folder, parent, sizeof parent)) return false;
  const DWORD n = GetTempPathA(sizeof temp, temp);
  if (!n || n >= sizeof temp) return false;
  if (temp[n - 1] == '\\') temp[n - 1] = '\0';
  const char* name = folder + std::strlen(parent) + 1;
  return lstrcmpiA(parent, temp) == 0 && std::strncmp(name, "qlxrm", 5) == 0;
}

// The copy, at its very end: its own file leaves the private folder for the temporary
// folder (a running program's file may be renamed, and the handle that deletes it on
// close follows it), so that the folder can go now; the file goes when the copy ends.
// Without that handle both are deleted at the next start of Windows.
void LeavePrivateFolder(const char* program, std::uint64_t own_file) {
  char folder[MAX_PATH], temp[MAX_PATH], system[MAX_PATH];
  if (!FolderOf(program, folder, sizeof folder)) return;
  if (GetSystemDirectoryA(system, sizeof system)) SetCurrentDirectoryA(system);  // not the folder to remove
  HANDLE file = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(own_file));
  const DWORD t = GetTempPathA(sizeof temp, temp);
  bool moved = false;
  if (own_file && t && t < sizeof temp) {
    char target[MAX_PATH + 32];
    std::snprintf(target, sizeof target, "%sqlxrm%lu.exe", temp, static_cast<unsigned long>(GetCurrentProcessId()));
    wchar_t wide[MAX_PATH + 32];
    const int n = MultiByteToWideChar(CP_ACP, 0, target, -1, wide, MAX_PATH + 32);
    if (n > 1) {
      std::vector<std::uint8_t> info(sizeof(FILE_RENAME_INFO) + static_cast<std::size_t>(n) * sizeof(wchar_t));
      auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(info.data());
      rename->ReplaceIfExists = FALSE;
      rename->RootDirectory = nullptr;
      rename->FileNameLength = static_cast<DWORD>((n - 1) * sizeof(wchar_t));
      std::memcpy(rename->FileName, wide, static_cast<std::size_t>(n) * sizeof(wchar_t));
      moved = SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(info.size())) != 0;
    }
  }
  if (moved && RemoveDirectoryA(folder)) return;
  if (!own_file) MoveFileExA(program, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);  // the folder, once empty
}

// The copy: identity of the original's file, taken while the original still runs.
struct FileIdentity {
  bool known;
  DWORD volume, high, low;
};

FileIdentity IdentityOf(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info;
  if (file == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(file, &info)) return {false, 0, 0, 0};
  return {true, info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

FileIdentity IdentityOf(const char* path) {
  HANDLE file = CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  const FileIdentity id = IdentityOf(file);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return id;
}

// The copy, after its work: let the original end, wait until it has, then delete its
// file when it is still the same file, and the folders held back when empty. After
// "&Cancel" the original stays, and with it its folder.
void FinishForOriginal(RemoverState& s, const FileIdentity& original, HANDLE origin_process, HANDLE done) {
  if (done) {
    SetEvent(done);
    CloseHandle(done);
  }
  if (origin_process) {
    WaitForSingleObject(origin_process, INFINITE);
    CloseHandle(origin_process);
  }
  if (s.cancelled) {
    Trace("PathRemove, kept path=%s", s.origin);
    return;
  }
  // Right after the original has ended another program (a virus scanner) may hold
  // its file for a moment: a refused deletion is tried again for at most a second.
  for (int attempt = 0; original.known; ++attempt) {
    Trace("PathRemove, path=%s", s.origin);
    // Not following a link: a link put in its place is not the same file.
    HANDLE file = CreateFileA(s.origin, DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetFileAttributesA(s.origin) == INVALID_FILE_ATTRIBUTES) break;  // gone
    bool deleted = false;
    if (file != INVALID_HANDLE_VALUE) {
      const FileIdentity now = IdentityOf(file);
      if (!now.known || now.volume != original.volume || now.high != original.high || now.low != original.low) {
        Trace("PathRemove, replaced path=%s", s.origin);
        CloseHandle(file);
        break;
      }
      FILE_DISPOSITION_INFO dispose{TRUE};
      deleted = SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof dispose) != 0;
      CloseHandle(file);
    }
    if (deleted) {
      Trace("PathRemove, OK (i,n)=(0,1)");
      break;
    }
    Trace("PathRemove, KO");
    if (attempt == 20) break;
    Sleep(50);
  }
  const RemovalScope scope = ScopeOf(s);
  for (const std::string& folder : s.held_folders) {
    Trace("DirRemove, path=%s", folder.c_str());
    char base[REMOVER_PATH_SIZE];
    const RemoveOutcome outcome = ScopeBase(scope, folder.c_str(), true, base, sizeof base)
                                      ? RemoveWithoutFollowing(base, folder.c_str(), true)
                                      : RemoveOutcome::Refused;
    if (outcome == RemoveOutcome::Failed || outcome == RemoveOutcome::Refused)
      Trace("DirRemove, KO (i,n)=(%d,%d)", 0, 1);
  }
}

// The log beside an uninstaller started without argument: the log with the program's
// own number, or else (an earlier installation numbered the log and the uninstaller
// apart) a "unins%03d.dat" beside it. Either must list this very program file among
// its files, so an uninstaller never takes another installation's log.
bool LogListsProgram(const char* log_path, const char* program, const FileIdentity& self) {
  std::vector<std::uint8_t> bytes;
  if (!self.known || !ReadWholeFile(log_path, &bytes)) return false;
  const char* name = std::strrchr(program, '\\');
  name = name ? name + 1 : program;
  std::size_t offset = 0;
  LogEntry e;
  while (NextLogRecord(bytes.data(), bytes.size(), &offset, &e)) {
    if (e.too_long || e.code != LOG_FILE) continue;
    const char* listed = std::strrchr(e.data, '\\');
    if (!listed || lstrcmpiA(listed + 1, name) != 0) continue;
    const FileIdentity id = IdentityOf(e.data);
    if (id.known && id.volume == self.volume && id.high == self.high && id.low == self.low) return true;
  }
  return false;
}

bool FindOwnLog(const char* program, const char* own_log, char* log_path, std::size_t size) {
  const FileIdentity self = IdentityOf(program);
  if (LogListsProgram(own_log, program, self)) return lstrcpynA(log_path, own_log, static_cast<int>(size)) != nullptr;
  char folder[MAX_PATH], pattern[MAX_PATH + 16], candidate[MAX_PATH + 16];
  if (!FolderOf(program, folder, sizeof folder)) return false;
  std::snprintf(pattern, sizeof pattern, "%s\\unins*.dat", folder);
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA(pattern, &found);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool ok = false;
  do {
    if (!IsNumberedLogName(found.cFileName)) continue;
    const int n = std::snprintf(candidate, sizeof candidate, "%s\\%s", folder, found.cFileName);
    if (n < 0 || static_cast<std::size_t>(n) >= size) continue;
    ok = LogListsProgram(candidate, program, self);
  } while (!ok && FindNextFileA(find, &found));
  FindClose(find);
  if (ok) lstrcpynA(log_path, candidate, static_cast<int>(size));
  return ok;
}

}  // namespace

namespace {

// The temporary folder as the system names its files: long names, no trailing
// backslash.
bool TempFolder(char* out, std::size_t size) {
  char temp[MAX_PATH];
  const DWORD n = GetTempPathA(sizeof temp, temp);
  if (!n || n >= sizeof temp) return false;
  const DWORD m = GetLongPathNameA(temp, out, static_cast<DWORD>(size));
  if (!m || m >= size) lstrcpynA(out, temp, static_cast<int>(size));
  const std::size_t length = std::strlen(out);
  if (length > 3 && out[length - 1] == '\\') out[length - 1] = '\0';
  return true;
}

// Appends line to the trace file when it is a plain file of the temporary folder, the
// folder itself no link: the uninstaller runs as administrator, and a trace file that
// leads elsewhere (a link, a hard link, a junction put in the folder's place) must not
// make it write, or create, a file there.
void AppendTraceLine(const char* line) {
  char folder[MAX_PATH], path[MAX_PATH + 16], folder_final[2 * MAX_PATH], file_final[2 * MAX_PATH];
  if (!TempFolder(folder, sizeof folder)) return;
  const int w = std::snprintf(path, sizeof path, "%s\\qlxunins.log", folder);
  if (w < 0 || static_cast<std::size_t>(w) >= sizeof path) return;
  HANDLE dir = OpenWithoutFollowing(folder, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE);
  if (dir == INVALID_HANDLE_VALUE) return;
  const bool dir_plain = !HandleIsLink(dir);
  HandleFinalPath(dir, folder_final, sizeof folder_final);
  bool created = false;
  HANDLE file = CreateFileA(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE && dir_plain) {
    file = CreateFileA(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, CREATE_NEW, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    created = file != INVALID_HANDLE_VALUE;
  }
  if (file != INVALID_HANDLE_VALUE) {
    BY_HANDLE_FILE_INFORMATION info;
    HandleFinalPath(file, file_final, sizeof file_final);
    const OpenedComponent seen{HandleIsLink(file), file_final};
    const bool plain = dir_plain && GetFileInformationByHandle(file, &info) && info.nNumberOfLinks == 1 &&
                       JudgeComponents(folder_final, &seen, 1) == LinkVerdict::Plain;
    if (plain) {
      DWORD written = 0;
      WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
      WriteFile(file, "\r\n", 2, &written, nullptr);
    } else if (created) {
      FILE_DISPOSITION_INFO dispose{TRUE};  // made just now where it should not be
      SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof dispose);
    }
    CloseHandle(file);
  }
  CloseHandle(dir);
}

}  // namespace

void Trace(const char* format, ...) {
  char line[1100];  // wvsprintfA writes at most 1024 characters
  va_list args;
  va_start(args, format);
  wvsprintfA(line, format, args);
  va_end(args);
  AppendTraceLine(line);
}

int RemoverBox(const RemoverState& state, HWND owner, const char* text, const char* title, UINT type) {
  if (state.silent) {
    Trace("%s\n", text);
    return IDOK;
  }
  return MessageBoxA(owner, text, title, type);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  RestrictLibrarySearch();
  InitProgressBarClass();

  static RemoverState s;
  char program[MAX_PATH], program_dir[MAX_PATH];
  const DWORD got = GetModuleFileNameA(nullptr, program, sizeof program);
  if (!got || got >= sizeof program) return 0;
  FolderOf(program, program_dir, sizeof program_dir);
  SetCurrentDirectoryA(program_dir);

  // The line as Windows passes it: the program's path is quoted or not, with blanks.
  const char* arguments = ArgumentsAfterProgram(GetCommandLineA(), program);
  RemoverCommand command;
  const bool parsed = ParseRemoverCommand(arguments, &command);
  s.silent = command.silent;
  Trace("SilentMode=%s", s.silent ? "TRUE" : "FALSE");
  if (!parsed) {
    OpenFailed(s, arguments);
    return 0;
  }
  const bool no_argument = command.log_path[0] == '\0';
  if (no_argument) {
    char own_log[REMOVER_PATH_SIZE];
    if (!LogPathForProgram(program, own_log, sizeof own_log)) {
      OpenFailed(s, "");
      return 0;
    }
    if (!FindOwnLog(program, own_log, command.log_path, sizeof command.log_path)) {
      OpenFailed(s, own_log);
      return 0;
    }
  }
  const DWORD full = GetFullPathNameA(command.log_path, sizeof s.log_path, s.log_path, nullptr);
  if (!full || full >= sizeof s.log_path || !ReadWholeFile(s.log_path, &s.log)) {
    OpenFailed(s, command.log_path);
    return 0;
  }
  ReadLanguageAndTitle(s);
  FolderOf(s.log_path, s.install_dir, sizeof s.install_dir);

  const bool is_copy = command.origin[0] != '\0';
  if (no_argument && !s.silent && !is_copy) {
    char text[512], title[300];
    FormatRemoverText(s.language, TEXT_CONFIRM, s.title, text, sizeof text);
    FormatRemoverText(s.language, TEXT_WINDOW_TITLE, s.title, title, sizeof title);
    if (MessageBoxA(nullptr, text, title, MB_YESNO | MB_ICONQUESTION) != IDYES) return 0;
  }
  // An uninstaller inside the folder it removes hands the work to its copy.
  // (Never for a log at a root, which puts nothing of its folder in scope.)
  if (!is_copy && UsableInstallFolder(s.install_dir) && IsInsideFolder(program, s.install_dir) &&
      HandOverToCopy(s, program))
    return 0;

  FileIdentity original{false, 0, 0, 0};
  if (is_copy && CopyOriginAllowed(ScopeOf(s), command.origin)) {
    lstrcpynA(s.origin, command.origin, sizeof s.origin);
    original = IdentityOf(s.origin);
  } else if (is_copy) {
    Trace("PathRemove, refused path=%s", command.origin);  // left where it is
  }
  FindScope(s);
  const int complete = RunRemoverWindow(instance, s);
  if (is_copy)
    FinishForOriginal(s, original, reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(command.origin_process)),
                      reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(command.origin_done)));
  if (complete) {
    char text[1024], title[300];
    FormatRemoverText(s.language, TEXT_REMOVED, s.title, text, sizeof text);
    if (s.restart_needed) {
      std::strncat(text, "\n\n", sizeof text - std::strlen(text) - 1);
      std::strncat(text, RemoverTextFor(s.language, TEXT_RESTART), sizeof text - std::strlen(text) - 1);
    }
    FormatRemoverText(s.language, TEXT_WINDOW_TITLE, s.title, title, sizeof title);
    RemoverBox(s, nullptr, text, title, MB_OK | MB_ICONINFORMATION);
  }
  if (is_copy && InPrivateFolder(program)) LeavePrivateFolder(program, command.own_file);
  return 0;
}
