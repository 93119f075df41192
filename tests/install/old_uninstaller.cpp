// Stand-in for an older version's own uninstaller ("unins000.exe" of a 3.13 or 4.06
// installation made by the tests): records its command line in "old_uninstaller.txt"
// in the temporary folder, then removes what such an installation holds: its program,
// log, file type, uninstall entry and settings key (the version given on its own line
// in "old_version.txt" beside it).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {

void DeleteTree(HKEY root, const char* path) { RegDeleteTreeA(root, path); RegDeleteKeyA(root, path); }

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
  char temp[MAX_PATH], path[MAX_PATH + 64], self[MAX_PATH], dir[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  std::snprintf(path, sizeof path, "%sold_uninstaller.txt", temp);
  if (std::FILE* out = std::fopen(path, "w")) {
    std::fprintf(out, "%s\n", command_line);
    std::fclose(out);
  }
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::strcpy(dir, self);
  *std::strrchr(dir, '\\') = '\0';
  char version[32] = "";
  std::snprintf(path, sizeof path, "%s\\old_version.txt", dir);
  if (std::FILE* in = std::fopen(path, "r")) {
    if (!std::fgets(version, sizeof version, in)) version[0] = '\0';
    std::fclose(in);
    version[std::strcspn(version, "\r\n")] = '\0';
  }
  DeleteFileA(path);
  for (const char* name : {"vek.exe", "unins000.dat"}) {
    std::snprintf(path, sizeof path, "%s\\%s", dir, name);
    DeleteFileA(path);
  }
  DeleteTree(HKEY_CLASSES_ROOT, "VekFile");
  DeleteTree(HKEY_CLASSES_ROOT, ".vek");
  DeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vek");
  const bool hkcu = std::strncmp(version, "4.06", 4) >= 0;
  std::snprintf(path, sizeof path, "Software\\Orvanel\\%s\\%s", hkcu ? "Quillnox" : "Vek", version);
  DeleteTree(hkcu ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, path);
  std::snprintf(path, sizeof path, "Software\\Orvanel\\%s\\%s", hkcu ? "Quillnox" : "Vek", version);
  DeleteTree(HKEY_LOCAL_MACHINE, path);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Orvanel\\Vek");
  return 0;
}
