// qlx's system needs on Windows: the console without echo for the prompt, new files
// opened exclusively, _commit for the flush, and MoveFileEx for the final placement.
// Modes are the user's own temporary folder's business here: nothing to change.
#include <windows.h>

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <ctime>

#include "cli/qlx_system.h"

bool PassphraseTerminalAvailable() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

namespace {

// The console's input mode before the prompt, put back when Ctrl+C ends the program
// during it (the mode outlives the program otherwise).
DWORD g_console_mode_before = 0;

BOOL WINAPI RestoreConsoleMode(DWORD) {
  SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), g_console_mode_before);
  return FALSE;  // then the default handling ends the program
}

}  // namespace

bool ReadHiddenLine(const char* prompt, char* line, std::size_t size, bool* too_long) {
  *too_long = false;
  line[0] = '\0';
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD saved = 0;
  if (!GetConsoleMode(input, &saved)) return false;
  g_console_mode_before = saved;
  SetConsoleCtrlHandler(RestoreConsoleMode, TRUE);
  SetConsoleMode(input, (saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT |
                            ENABLE_PROCESSED_INPUT);
  std::fputs(prompt, stderr);
  std::fflush(stderr);
  std::size_t length = 0;
  bool read_any = false;
  for (;;) {
    char c;
    DWORD got = 0;
    if (!ReadConsoleA(input, &c, 1, &got, nullptr) || got != 1) break;
    read_any = true;
    if (c == '\n') break;
    if (c == '\r') continue;
    if (length + 1 < size)
      line[length++] = c;
    else
      *too_long = true;
  }
  line[length] = '\0';
  SetConsoleMode(input, saved);
  SetConsoleCtrlHandler(RestoreConsoleMode, FALSE);
  std::fputs("\n", stderr);
  return read_any;
}

PrivateFileModes::PrivateFileModes() : previous_(0) {}
PrivateFileModes::~PrivateFileModes() = default;

std::FILE* CreateTempFileIn(const std::string& folder, std::string* path) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  // Names differ between runs (the process and the time) and between calls; the
  // exclusive creation keeps any two apart anyway.
  static std::uint32_t state =
      static_cast<std::uint32_t>(GetCurrentProcessId()) * 2654435761u ^ static_cast<std::uint32_t>(std::time(nullptr));
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32] = ".qlx-";
    for (int i = 5; i < 11; ++i) {
      state = state * 1664525u + 1013904223u;
      name[i] = kLetters[(state >> 16) % 36];
    }
    std::strcpy(name + 11, ".tmp");
    std::string candidate = folder.empty() ? std::string(name) : folder + "\\" + name;
    const int fd = _open(candidate.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return nullptr;
    }
    std::FILE* file = _fdopen(fd, "wb");
    if (file == nullptr) {
      const int error = errno;
      _close(fd);
      _unlink(candidate.c_str());
      errno = error;
      return nullptr;
    }
    *path = std::move(candidate);
    return file;
  }
  errno = EEXIST;
  return nullptr;
}

// The errno value for a failed write's system error.
static int ErrnoFor(DWORD error) {
  switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_ACCESS_DENIED:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    default:
      return EIO;
  }
}

// Straight to the file's handle: the C runtime does not tell a full disk apart from
// other failures of a write.
bool WriteAll(std::FILE* file, const void* data, std::size_t length) {
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  if (handle == INVALID_HANDLE_VALUE || std::fflush(file) != 0) {
    errno = EBADF;
    return false;
  }
  const char* bytes = static_cast<const char*>(data);
  while (length > 0) {
    const DWORD chunk = length > (1u << 30) ? (1u << 30) : static_cast<DWORD>(length);
    DWORD written = 0;
    if (!WriteFile(handle, bytes, chunk, &written, nullptr) || written == 0) {
      errno = ErrnoFor(GetLastError());
      return false;
    }
    bytes += written;
    length -= written;
  }
  return true;
}

bool FlushAndClose(std::FILE* file) {
  bool ok = std::fflush(file) == 0;
  int error = ok ? 0 : errno;
  if (ok && !FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))))) {
    ok = false;
    error = ErrnoFor(GetLastError());
  }
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (!ok) errno = error;
  return ok;
}

bool GiveUsualMode(const std::string&) { return true; }

PlaceResult PlaceFile(const std::string& from, const std::string& to, bool replace) {
  if (MoveFileExA(from.c_str(), to.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0)) return PlaceResult::kDone;
  const DWORD error = GetLastError();
  switch (error) {
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return PlaceResult::kExists;
    case ERROR_NOT_SAME_DEVICE:
      return PlaceResult::kOtherVolume;
    default:
      errno = ErrnoFor(error);
      return PlaceResult::kFailed;
  }
}

void RemoveFileQuietly(const std::string& path) { DeleteFileA(path.c_str()); }

std::string SystemErrorText(int error) { return std::strerror(error); }
