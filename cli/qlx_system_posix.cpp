// qlx's system needs on POSIX: termios for the hidden prompt, umask and chmod for the
// modes, O_EXCL files, fsync, and link or rename for the final placement.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <ctime>

#include "cli/qlx_system.h"

bool PassphraseTerminalAvailable() { return isatty(STDIN_FILENO) != 0; }

namespace {

// The terminal's settings before the prompt, put back when a signal (Ctrl+C) ends the
// program during it, so that the shell does not go on without echo.
termios g_terminal_before{};
constexpr int kPromptSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void RestoreTerminalAndDie(int signal_number) {
  tcsetattr(STDIN_FILENO, TCSANOW, &g_terminal_before);
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

}  // namespace

bool ReadHiddenLine(const char* prompt, char* line, std::size_t size, bool* too_long) {
  *too_long = false;
  line[0] = '\0';
  termios saved{};
  const bool have_terminal = tcgetattr(STDIN_FILENO, &saved) == 0;
  struct sigaction before[4];
  if (have_terminal) {
    g_terminal_before = saved;
    struct sigaction restore {};
    restore.sa_handler = RestoreTerminalAndDie;
    sigemptyset(&restore.sa_mask);
    for (int i = 0; i < 4; ++i) sigaction(kPromptSignals[i], &restore, &before[i]);
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  // Asked only once the echo is off, so that nothing typed is shown.
  std::fputs(prompt, stderr);
  std::fflush(stderr);
  // Byte by byte, so that nothing after the line is taken from the terminal.
  std::size_t length = 0;
  bool ended = false;
  bool read_any = false;
  char c;
  ssize_t got;
  while ((got = read(STDIN_FILENO, &c, 1)) == 1 || (got < 0 && errno == EINTR)) {
    if (got < 0) continue;
    read_any = true;
    if (c == '\n') {
      ended = true;
      break;
    }
    if (length + 1 < size)
      line[length++] = c;
    else
      *too_long = true;
  }
  c = 0;
  if (length > 0 && line[length - 1] == '\r') --length;
  line[length] = '\0';
  if (have_terminal) {
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    for (int i = 0; i < 4; ++i) sigaction(kPromptSignals[i], &before[i], nullptr);
  }
  if (!ended) std::fputs("\n", stderr);
  return read_any;
}

PrivateFileModes::PrivateFileModes() : previous_(umask(077)) {}
PrivateFileModes::~PrivateFileModes() { umask(static_cast<mode_t>(previous_)); }

std::FILE* CreateTempFileIn(const std::string& folder, std::string* path) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  // Names differ between runs (the process and the time) and between calls; the
  // exclusive creation keeps any two apart anyway.
  static std::uint32_t state =
      static_cast<std::uint32_t>(getpid()) * 2654435761u ^ static_cast<std::uint32_t>(std::time(nullptr));
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32] = ".qlx-";
    for (int i = 5; i < 11; ++i) {
      state = state * 1664525u + 1013904223u;
      name[i] = kLetters[(state >> 16) % 36];
    }
    std::strcpy(name + 11, ".tmp");
    std::string candidate = folder.empty() ? std::string(name) : folder + "/" + name;
    const int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return nullptr;
    }
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
      const int error = errno;
      close(fd);
      unlink(candidate.c_str());
      errno = error;
      return nullptr;
    }
    *path = std::move(candidate);
    return file;
  }
  errno = EEXIST;
  return nullptr;
}

bool WriteAll(std::FILE* file, const void* data, std::size_t length) {
  return length == 0 || std::fwrite(data, 1, length, file) == length;
}

bool FlushAndClose(std::FILE* file) {
  bool ok = std::fflush(file) == 0;
  int error = ok ? 0 : errno;
  if (ok && fsync(fileno(file)) != 0) {
    ok = false;
    error = errno;
  }
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (!ok) errno = error;
  return ok;
}

bool GiveUsualMode(const std::string& path) {
  const mode_t mask = umask(0);
  umask(mask);
  return chmod(path.c_str(), 0666 & ~mask) == 0;
}

PlaceResult PlaceFile(const std::string& from, const std::string& to, bool replace) {
  if (replace) {
    if (rename(from.c_str(), to.c_str()) == 0) return PlaceResult::kDone;
  } else {
    // A new name for the same file fails when to exists, whatever appears meanwhile.
    if (link(from.c_str(), to.c_str()) == 0) {
      unlink(from.c_str());
      return PlaceResult::kDone;
    }
    if (errno == EEXIST) return PlaceResult::kExists;
    if (errno == EPERM || errno == ENOTSUP || errno == EOPNOTSUPP || errno == EMLINK) {
      // A file system without hard links: look, then rename.
      struct stat seen;
      if (lstat(to.c_str(), &seen) == 0) return PlaceResult::kExists;
      if (rename(from.c_str(), to.c_str()) == 0) return PlaceResult::kDone;
    }
  }
  return errno == EXDEV ? PlaceResult::kOtherVolume : PlaceResult::kFailed;
}

void RemoveFileQuietly(const std::string& path) { unlink(path.c_str()); }

std::string SystemErrorText(int error) { return std::strerror(error); }
