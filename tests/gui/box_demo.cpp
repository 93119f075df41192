// box_demo: shows one message box and exits with the box function's result, so that
// qlx_gui_tests can drive the real dialog.
//   box_demo warning|error TEXT [--owner]
//   box_demo question TEXT LABEL1 LABEL2 LABEL3 [--owner]
// "\n" in TEXT stands for a line break. With --owner the box is owned by a main window
// made for the purpose (titled "Box Demo Owner"); otherwise it has no owner.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/msgbox.h"

namespace {

std::string Unescape(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p) {
    if (p[0] == '\\' && p[1] == 'n') {
      out.push_back('\n');
      ++p;
    } else {
      out.push_back(*p);
    }
  }
  return out;
}

HWND MakeOwner() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "BoxDemoOwner";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassA(&wc);
  HWND window = CreateWindowA("BoxDemoOwner", "Box Demo Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300,
                              200, nullptr, nullptr, wc.hInstance, nullptr);
  SetMainWindowHandle(window);
  return window;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int argc = __argc;
  char** argv = __argv;
  if (argc > 1 && std::strcmp(argv[argc - 1], "--owner") == 0) {
    MakeOwner();
    --argc;
  }
  if (argc < 3) return 100;
  const std::string kind = argv[1];
  const std::string text = Unescape(argv[2]);
  if (kind == "warning") return WarningBox(MainWindowHandle(), text.c_str());
  if (kind == "error") return ErrorBox(MainWindowHandle(), text.c_str());
  if (kind == "question" && argc >= 6)
    return QuestionBox(MainWindowHandle(), text.c_str(), argv[3], argv[4], argv[5]);
  return 101;
}
