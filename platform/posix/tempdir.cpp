// The system's temporary folder on POSIX: $TMPDIR, else /tmp.
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
