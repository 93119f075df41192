// outputs_demo info TEXT: shows the information box (no owner) and exits with what
// InfoBox returned, so that a test can drive the real dialog. "\n" in TEXT breaks a line.
#include <windows.h>

#include <cstring>
#include <string>

#include "app/info_box.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
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
