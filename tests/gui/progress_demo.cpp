// progress_demo: a small host for the operation progress dialog, so that
// qlx_gui_tests can watch and drive it on real operations. A visible window
// ("Progress Demo") owns the dialog. Exit code: RunOperation's answer (100 and up: bad
// command line or set-up).
//   progress_demo encrypt FILE PASS LOG     FILE becomes FILE.vek beside it
//   progress_demo decrypt CONTAINER PASS LOG
// LOG receives one line "<status control id> <picture id>" for each status picture the
// dialog shows, the picture recognised by its pixels (288 failed, 289 done, 290 pending);
// "-" for none.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/dialogs/progress_dialog.h"
#include "container/operation.h"
#include "keys/settings.h"
#include "platform/tempdir.h"

namespace {

std::FILE* g_log = nullptr;
std::vector<std::vector<unsigned char>> g_pictures;  // pixels of 288, 289, 290

std::vector<unsigned char> Pixels(HBITMAP bitmap) {
  BITMAP info = {};
  if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return {};
  std::vector<unsigned char> bits(static_cast<std::size_t>(info.bmWidthBytes) * info.bmHeight);
  GetBitmapBits(bitmap, static_cast<LONG>(bits.size()), bits.data());
  return bits;
}

LRESULT CALLBACK WatchPictures(int code, WPARAM wparam, LPARAM lparam) {
  const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lparam);
  if (code == HC_ACTION && g_log && sent->message == STM_SETIMAGE && sent->wParam == IMAGE_BITMAP) {
    const int id = GetDlgCtrlID(sent->hwnd);
    if (id >= 1160 && id <= 1163) {
      const std::vector<unsigned char> pixels = Pixels(reinterpret_cast<HBITMAP>(sent->lParam));
      int picture = 0;
      for (int i = 0; i < 3; ++i)
        if (!pixels.empty() && pixels == g_pictures[static_cast<std::size_t>(i)]) picture = 288 + i;
      std::fprintf(g_log, "%d %d\n", id, picture);
      std::fflush(g_log);
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

HWND MakeHost() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "ProgressDemoHost";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  RegisterClassA(&wc);
  HWND window = CreateWindowA("ProgressDemoHost", "Progress Demo", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 520,
                              320, nullptr, nullptr, wc.hInstance, nullptr);
  UpdateWindow(window);
  return window;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (__argc != 5) return 100;
  const std::string command = __argv[1];
  const char* path = __argv[2];
  const char* passphrase = __argv[3];
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  SettingsCreateUserKey();
  for (int id = 288; id <= 290; ++id) {
    HBITMAP picture = static_cast<HBITMAP>(
        LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_LOADTRANSPARENT));
    g_pictures.push_back(Pixels(picture));
    if (picture) DeleteObject(picture);
  }
  // "-": no log and no hook (a hook on every sent message slows the operation).
  HHOOK hook = nullptr;
  if (std::strcmp(__argv[4], "-") != 0) {
    g_log = std::fopen(__argv[4], "w");
    if (!g_log) return 101;
    hook = SetWindowsHookExA(WH_CALLWNDPROC, WatchPictures, nullptr, GetCurrentThreadId());
  }

  FileEntry* entry = FileEntriesAllocate(1);
  if (!entry) return 102;
  OperationRequest request = {};
  request.passphrase = passphrase;
  request.count = 1;
  request.entries = entry;
  if (command == "encrypt") {
    if (!FileEntryFromPath(path, entry)) return 103;
    request.direction = DIRECTION_ENCRYPT;
    request.algorithm = ALGORITHM_AES;
  } else if (command == "decrypt") {
    if (!FileEntryFromPath(path, entry)) return 103;
    std::snprintf(entry->container, sizeof entry->container, "%s", path);
    request.direction = 0;
    request.selector = SELECTOR_EVERYTHING;
  } else {
    return 104;
  }

  HWND host = MakeHost();
  int result = RunOperation(host, &request);
  if (result == 1 && request.direction == DIRECTION_ENCRYPT) {
    const std::string target = std::string(path) + ".vek";
    if (!MoveFileExA(request.entries[0].container, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
      result = 105;
  }
  if (result == 1 && request.direction == 0) {
    // The decrypted files sit in the core's private folder under the temporary folder:
    // the demo only shows the dialog, so it removes them as the program does after
    // placing its outputs.
    for (std::uint32_t i = 0; i < request.count; ++i) {
      std::string folder = request.entries[i].path;
      const std::size_t cut = folder.find_last_of('\\');
      if (cut == std::string::npos || folder.find("\\vekdec") == std::string::npos) continue;
      RemovePrivateFolder(folder.substr(0, cut).c_str());
      break;
    }
  }
  if (request.entries != entry) FileEntriesFree(request.entries);
  if (request.text) OperationTextFree(request.text);
  FileEntriesFree(entry);
  if (hook) UnhookWindowsHookEx(hook);
  if (g_log) std::fclose(g_log);
  DestroyWindow(host);
  return result;
}
