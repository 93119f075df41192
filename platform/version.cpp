// ProductVersion: the version resource's text, read once.
#include "platform/version.h"

namespace {
char g_version[8];  // at most 7 characters and the terminator
bool g_version_read = false;
}  // namespace

const char* ProductVersion() {
  if (!g_version_read) {
    if (!ModuleProductVersion(g_version, sizeof g_version)) g_version[0] = '\0';
    g_version_read = true;
  }
  return g_version;
}
