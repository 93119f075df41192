// The uninstaller's entry: the command line ("/SILENT", or nothing at all when started
// from "Programs and Features" or the uninstall shortcut), the trace file, the log read
// into memory, and the hand-over to a temporary copy of itself so that its own file
// and the installation folder can go too.
//
// Started from the installation folder, the uninstaller cannot delete its own file
// while it runs. It copies itself to the temporary folder and starts the copy with the
// log path, its own file's path and three inherited handles: its own process, an event
// and the copy's file opened for deletion on close. It then waits until the copy has
// removed everything else and set the event (or has ended), and ends. The copy waits
// for the original process to end, deletes the original's file, but only if it is
// still the very same file, and then the folders it had held back (only when empty).
// The copy's own file goes when the copy ends and the last handle to it is closed.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "remover/install_log.h"
#include "remover/remover.h"

namespace {

// The arguments after the program's name on the command line.
const char* Arguments(const char* line) {
  if (*line == '"') {
    const char* end = std::strchr(line + 1, '"');
    line = end ? end + 1 : line + std::strlen(line);
  } else {
    while (*line && *line != ' ' && *line != '\t') ++line;
  }
  while (*line == ' ' || *line == '\t') ++line;
  return line;
}

bool ReadWholeFile(const char* path, std::vector<std::uint8_t>* bytes) {
  std::FILE* in = std::fopen(path, "rb");
  if (!in) return false;
  std::uint8_t buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, in)) != 0) {
    if (bytes->size() + got > (16u << 20)) break;  // far beyond any log setup writes
    bytes->insert(bytes->end(), buffer, buffer + got);
  }
  std::fclose(in);
  return true;
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

// The original: start the temporary copy and wait until it has done everything but
// this program's own file and folder. false when no copy could be started (the work
// is then done in place).
bool HandOverToCopy(const RemoverState& s, const char* program) {
  char temp[MAX_PATH], copy[MAX_PATH], line[1024], args[900];
  const DWORD t = GetTempPathA(sizeof temp, temp);
  if (!t || t >= sizeof temp) return false;
  const int w = std::snprintf(copy, sizeof copy, "%sqlxrm%lu.exe", temp, static_cast<unsigned long>(GetCurrentProcessId()));
  if (w < 0 || static_cast<std::size_t>(w) >= sizeof copy) return false;
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
      started = CreateProcessA(copy, line, nullptr, nullptr, TRUE, 0, nullptr, temp, &startup, &process) != 0;
    }
    if (own_file != INVALID_HANDLE_VALUE) CloseHandle(own_file);  // the copy holds its own, if started
  }
  if (self) CloseHandle(self);
  if (!started) {
    if (done) CloseHandle(done);
    DeleteFileA(copy);
    return false;
  }
  HANDLE waits[2] = {done, process.hProcess};
  WaitForMultipleObjects(2, waits, FALSE, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(done);
  return true;
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
// file when it is still the same file, and the folders held back when empty.
void FinishForOriginal(RemoverState& s, const FileIdentity& original, HANDLE origin_process, HANDLE done) {
  if (done) {
    SetEvent(done);
    CloseHandle(done);
  }
  if (origin_process) {
    WaitForSingleObject(origin_process, INFINITE);
    CloseHandle(origin_process);
  }
  // Right after the original has ended another program (a virus scanner) may hold
  // its file for a moment: a refused deletion is tried again for at most a second.
  for (int attempt = 0; original.known; ++attempt) {
    Trace("PathRemove, path=%s", s.origin);
    HANDLE file = CreateFileA(s.origin, DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
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
  for (const std::string& folder : s.held_folders) {
    Trace("DirRemove, path=%s", folder.c_str());
    if (!RemoveDirectoryA(folder.c_str()) && GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES)
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

void Trace(const char* format, ...) {
  char temp[MAX_PATH], path[MAX_PATH + 16];
  DWORD n = GetTempPathA(sizeof temp, temp);
  if (!n || n >= sizeof temp) return;
  if (temp[n - 1] == '\\') temp[n - 1] = '\0';
  std::snprintf(path, sizeof path, "%s\\qlxunins.log", temp);
  char line[1100];  // wvsprintfA writes at most 1024 characters
  va_list args;
  va_start(args, format);
  wvsprintfA(line, format, args);
  va_end(args);
  std::FILE* out = std::fopen(path, "a+");
  if (!out) return;
  std::fprintf(out, "%s\n", line);
  std::fclose(out);
}

int RemoverBox(const RemoverState& state, HWND owner, const char* text, const char* title, UINT type) {
  if (state.silent) {
    Trace("%s\n", text);
    return IDOK;
  }
  return MessageBoxA(owner, text, title, type);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);

  static RemoverState s;
  char program[MAX_PATH], program_dir[MAX_PATH];
  const DWORD got = GetModuleFileNameA(nullptr, program, sizeof program);
  if (!got || got >= sizeof program) return 0;
  FolderOf(program, program_dir, sizeof program_dir);
  SetCurrentDirectoryA(program_dir);

  RemoverCommand command;
  const bool parsed = ParseRemoverCommand(Arguments(GetCommandLineA()), &command);
  s.silent = command.silent;
  Trace("SilentMode=%s", s.silent ? "TRUE" : "FALSE");
  if (!parsed) {
    OpenFailed(s, Arguments(GetCommandLineA()));
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
  if (!is_copy && IsInsideFolder(program, s.install_dir) && HandOverToCopy(s, program)) return 0;

  FileIdentity original{false, 0, 0, 0};
  if (is_copy) {
    lstrcpynA(s.origin, command.origin, sizeof s.origin);
    original = IdentityOf(s.origin);
  }
  FindScope(s);
  const int complete = RunRemoverWindow(instance, s);
  if (is_copy) {
    FinishForOriginal(s, original, reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(command.origin_process)),
                      reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(command.origin_done)));
    // Without the inherited handle that deletes this copy when it ends, the copy
    // asks for its deletion at the next start of Windows (allowed to administrators).
    if (!command.own_file) MoveFileExA(program, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  }
  if (complete) {
    char text[512], title[300];
    FormatRemoverText(s.language, TEXT_REMOVED, s.title, text, sizeof text);
    FormatRemoverText(s.language, TEXT_WINDOW_TITLE, s.title, title, sizeof title);
    RemoverBox(s, nullptr, text, title, MB_OK | MB_ICONINFORMATION);
  }
  return 0;
}
