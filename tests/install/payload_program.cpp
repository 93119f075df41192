// Test payload carried as "Quillnox.exe" by the test build of setup (the real program is
// built elsewhere): when started it writes its folder and command line to
// "payload_started.txt" in the temporary folder, so a test can see where it started.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
  char temp[MAX_PATH], path[MAX_PATH + 32], here[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  std::snprintf(path, sizeof path, "%spayload_started.txt", temp);
  GetModuleFileNameA(nullptr, here, sizeof here);
  if (std::FILE* out = std::fopen(path, "w")) {
    std::fprintf(out, "%s\n%s\n", here, command_line);
    std::fclose(out);
  }
  return 0;
}
