// The system's temporary folder on POSIX ($TMPDIR, else /tmp) and private work folders in it.
#include <cstdlib>
#include <cstring>

#include "platform/tempdir.h"

bool SystemTempFolder(char folder[260]) {
  const char* tmp = std::getenv("TMPDIR");
  if (tmp == nullptr || *tmp == '\0' || std::strlen(tmp) > 250) tmp = "/tmp";
  std::strcpy(folder, tmp);
  return true;
}

char PathSeparator() { return '/'; }

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

bool MakePrivateFolder(const char* parent, const char* prefix, char out[260]) {
  out[0] = '\0';
  if (parent == nullptr || prefix == nullptr) return false;
  char name[260];
  const int n = std::snprintf(name, sizeof name, "%s%sXXXXXX", parent, prefix);
  if (n < 0 || n + 2 > static_cast<int>(sizeof name)) return false;  // room for the separator
  if (mkdtemp(name) == nullptr) return false;  // 0700, and never an existing name
  std::memcpy(out, name, static_cast<std::size_t>(n));
  out[n] = '/';
  out[n + 1] = '\0';
  return true;
}

namespace {

// Empties the folder open as dir_fd (which this function closes), depth-first. Entries
// are unlinked by name relative to the folder, so no link is ever followed.
bool EmptyFolder(int dir_fd, int depth) {
  DIR* dir = fdopendir(dir_fd);
  if (dir == nullptr) {
    close(dir_fd);
    return false;
  }
  bool ok = true;
  while (const dirent* entry = readdir(dir)) {
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    struct stat st;
    if (fstatat(dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
      ok = false;
      continue;
    }
    if (S_ISDIR(st.st_mode)) {
      const int child = depth < 32 ? openat(dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW) : -1;
      if (child < 0 || !EmptyFolder(child, depth + 1) || unlinkat(dirfd(dir), name, AT_REMOVEDIR) != 0) ok = false;
    } else if (unlinkat(dirfd(dir), name, 0) != 0) {
      ok = false;
    }
  }
  closedir(dir);
  return ok;
}

}  // namespace

bool RemovePrivateFolder(const char* folder) {
  if (folder == nullptr || *folder == '\0') return false;
  char path[260];
  std::size_t n = std::strlen(folder);
  if (n >= sizeof path) return false;
  std::memcpy(path, folder, n + 1);
  while (n > 1 && path[n - 1] == '/') path[--n] = '\0';
  const int fd = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
  if (fd < 0) return false;
  EmptyFolder(fd, 0);
  return rmdir(path) == 0;
}
