// Stand-in for the Lotus Notes program: writes the folder it was started in to
// "fakenotes_started.txt" beside itself and ends.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main() {
  char path[MAX_PATH], folder[MAX_PATH];
  if (!GetModuleFileNameA(nullptr, path, sizeof path) || !GetCurrentDirectoryA(sizeof folder, folder)) return 1;
  std::strcpy(std::strrchr(path, '\\') + 1, "fakenotes_started.txt");
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return 1;
  std::fprintf(file, "%s", folder);
  std::fclose(file);
  return 0;
}
