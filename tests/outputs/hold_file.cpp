// hold_file FILE: the test application associated with an extension. It opens FILE
// without letting anyone delete it, says so in FILE.held (in the temporary folder),
// holds it QLX_HOLD_MS milliseconds (3000), then lets it go and ends. QLX_HOLD_DELAY_MS
// (0) makes it a slow starter, opening FILE only that long after it started.
// hold_file --record OUT ARG: writes ARG into OUT (what the shell asked it to open).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (__argc == 4 && std::strcmp(__argv[1], "--record") == 0) {
    std::FILE* out = std::fopen(__argv[2], "wb");
    if (!out) return 2;
    std::fputs(__argv[3], out);
    return std::fclose(out) == 0 ? 0 : 2;
  }
  if (__argc != 2) return 1;
  if (const char* delay = std::getenv("QLX_HOLD_DELAY_MS")) Sleep(static_cast<DWORD>(std::atoi(delay)));
  HANDLE file = CreateFileA(__argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  char marker[MAX_PATH + 16];
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const char* name = std::strrchr(__argv[1], '\\');
  std::snprintf(marker, sizeof marker, "%s%s.held", temp, name ? name + 1 : __argv[1]);
  if (std::FILE* m = std::fopen(marker, "wb")) std::fclose(m);
  const char* ms = std::getenv("QLX_HOLD_MS");
  Sleep(ms ? static_cast<DWORD>(std::atoi(ms)) : 3000);
  CloseHandle(file);
  return 0;
}
