// Test double of a library planted beside a program: a "comctl32.dll" that setup or
// the uninstaller must never load from their own folder. Loaded, it records the
// program that loaded it in "planted_library_loaded.txt" in the temporary folder.
#include <windows.h>

#include <cstdio>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char temp[MAX_PATH], path[MAX_PATH + 32], program[MAX_PATH] = "";
  GetTempPathA(sizeof temp, temp);
  GetModuleFileNameA(nullptr, program, sizeof program);
  std::snprintf(path, sizeof path, "%splanted_library_loaded.txt", temp);
  if (std::FILE* out = std::fopen(path, "a")) {
    std::fprintf(out, "%s\n", program);
    std::fclose(out);
  }
  return TRUE;
}

extern "C" BOOL WINAPI InitCommonControlsEx(const void*) { return TRUE; }
extern "C" void WINAPI InitCommonControls() {}
