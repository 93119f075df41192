// The work files' lock on POSIX: flock on the folder itself, so that no file of its own
// appears among the work files. A lock is held per open descriptor, so two threads of
// one program keep each other out as two programs do.
#include "platform/worklock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

WorkFilesLock::WorkFilesLock(const char* folder) {
  if (folder == nullptr) return;
  const int fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  handle_ = fd;
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
    held_ = true;
  } else {
    busy_ = errno == EWOULDBLOCK;
  }
}

WorkFilesLock::~WorkFilesLock() {
  if (handle_ < 0) return;
  if (held_) flock(static_cast<int>(handle_), LOCK_UN);
  close(static_cast<int>(handle_));
}
