// Shows one of the output helpers' real dialogs so that a test can drive it:
//   outputs_demo info TEXT      the information box (no owner); exits with what InfoBox
//                               returned. "\n" in TEXT breaks a line.
//   outputs_demo open INITIAL OUT   FileDialog (open, "Open a file..."); writes its result to
//                               OUT with each NUL shown as "|"; exits with its result.
#include <windows.h>

#include <cstring>
#include <string>

#include "app/dialogs/info_box.h"
#include "app/dialogs/output_files.h"

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (__argc == 4 && std::strcmp(__argv[1], "open") == 0) {
    char result[26260];
    const int chosen = FileDialog(nullptr, 1, "Open a file...", __argv[2], result, sizeof result);
    std::string shown;
    for (std::size_t i = 0; chosen && i + 1 < sizeof result && !(result[i] == '\0' && result[i + 1] == '\0'); ++i)
      shown.push_back(result[i] ? result[i] : '|');
    if (chosen) shown += "||";
    std::FILE* out = std::fopen(__argv[3], "wb");
    if (!out) return 101;
    std::fputs(shown.c_str(), out);
    std::fclose(out);
    return chosen;
  }
  if (__argc != 3 || std::strcmp(__argv[1], "info") != 0) return 100;
  std::string text;
  for (const char* p = __argv[2]; *p; ++p) {
    if (p[0] == '\\' && p[1] == 'n') {
      text.push_back('\n');
      ++p;
    } else {
      text.push_back(*p);
    }
  }
  return InfoBox(nullptr, text.c_str());
}
