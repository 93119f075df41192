// keys_demo: a small host for the passphrase and access-password windows, with a main
// window that owns the key field (1056) and the key button (1102), so that
// qlx_gui_tests can drive the real dialogs. It works on the real registry of the Wine
// prefix. Exit code: the function's result (100 and up: bad command line).
//   keys_demo init                    settings key, empty list, no password
//   keys_demo add LABEL VALUE         PassphraseListAdd without a window
//   keys_demo select N                store the list with selection N
//   keys_demo setpw TEXT | authreq N | checkpw TEXT | active
//   keys_demo dump FILE               "selection\n" then "label\tvalue\n" per entry
//   keys_demo encrypt PASS OUT        a container holding one short text
//   keys_demo gate | protect | manage [export] | about | identify PATH
//   keys_demo menu FILE               the host window until it is closed; each time the
//                                     key button's menu opens, its items are appended to
//                                     FILE ("menu", then "ID LABEL[ checked][ bitmap]" or
//                                     "separator"), and KeyMenu's result ("chosen N")
// Window commands show the main window ("Keys Demo") first, except gate.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/dialogs/keys_ui.h"
#include "container/operation.h"
#include "keys/access_password.h"
#include "keys/passphrase_list.h"
#include "keys/settings.h"
#include "platform/msgbox.h"
#include "resources/resource.h"

namespace {

const char* g_menu_record = nullptr;

void RecordLine(const std::string& line) {
  if (g_menu_record == nullptr) return;
  if (FILE* file = std::fopen(g_menu_record, "ab")) {
    std::fprintf(file, "%s\n", line.c_str());
    std::fclose(file);
  }
}

// The pop-up menu as the user sees it: labels, check marks, pictures.
void RecordMenu(HMENU menu) {
  RecordLine("menu");
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    char label[64] = "";
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_CHECKMARKS;
    item.dwTypeData = label;
    item.cch = sizeof label;
    if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &item)) {
      RecordLine("<unreadable>");
    } else if (item.fType & MFT_SEPARATOR) {
      RecordLine("separator");
    } else {
      std::string line = std::to_string(item.wID) + " " + label;
      if (item.fState & MFS_CHECKED) line += " checked";
      if (item.hbmpChecked != nullptr && item.hbmpUnchecked != nullptr) line += " bitmap";
      RecordLine(line);
    }
  }
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND && LOWORD(wparam) == IDC_KEY_BUTTON) {
    const int chosen = KeyMenu(window, GetDlgItem(window, IDC_KEY_BUTTON));
    RecordLine("chosen " + std::to_string(chosen));
    return 0;
  }
  if (message == WM_INITMENUPOPUP) {
    RecordMenu(reinterpret_cast<HMENU>(wparam));
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

HWND MakeHost() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = HostProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "KeysDemoHost";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  RegisterClassA(&wc);
  HWND window = CreateWindowA("KeysDemoHost", "Keys Demo", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 30, 30, 420, 160,
                              nullptr, nullptr, wc.hInstance, nullptr);
  HWND field = CreateWindowA("EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 12, 20, 220, 22, window,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_KEY_FIELD)), wc.hInstance, nullptr);
  SendMessageA(field, EM_LIMITTEXT, KEY_SLOT_SIZE - 1, 0);
  CreateWindowA("BUTTON", "Key", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 240, 18, 60, 26, window,
                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_KEY_BUTTON)), wc.hInstance, nullptr);
  SetMainWindowHandle(window);
  KeyFieldRefresh(window, nullptr);
  UpdateWindow(window);
  return window;
}

int Dump(const char* path) {
  PassphraseList list;
  std::uint32_t selection = 0;
  int count = 0;
  if (!PassphraseListLoad(nullptr, &list, &selection, &count)) return 0;
  FILE* file = std::fopen(path, "wb");
  if (!file) return 0;
  std::fprintf(file, "%u\n", selection);
  for (int i = 0; i < count; ++i) std::fprintf(file, "%s\t%s\n", list.Label(i), list.Value(i));
  std::fclose(file);
  return 1;
}

int Encrypt(const char* passphrase, const char* out) {
  char* text = OperationTextAllocate(64);
  if (!text) return 0;
  std::snprintf(text, 64, "%s", "The text of the container.");
  OperationRequest request{DIRECTION_ENCRYPT, text, passphrase, nullptr, 0, nullptr, 0, ALGORITHM_AES};
  const std::uint32_t code = EncryptOperation(&request);
  OperationTextFree(text);
  if (code != 1) return 0;
  const BOOL moved = MoveFileExA(request.entries[0].container, out, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED);
  FileEntriesFree(request.entries);
  return moved ? 1 : 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const int argc = __argc;
  char** argv = __argv;
  if (argc < 2) return 100;
  const std::string command = argv[1];
  SettingsCreateUserKey();
  if (command == "init") {
    const PassphraseList empty;
    return PassphraseListStore(empty.Label(0), empty.Value(0), 0) && AccessPasswordClear() &&
           SettingsSetFlag(SETTING_AUTHREQ, 0) && SettingsSetFlag(SETTING_HIDEPWD, 0);
  }
  if (command == "add" && argc == 4) return PassphraseListAdd(nullptr, argv[2], argv[3]);
  if (command == "select" && argc == 3) return PassphraseListSelect(static_cast<std::uint32_t>(std::atoi(argv[2])));
  if (command == "setpw" && argc == 3) return AccessPasswordSet(argv[2]);
  if (command == "authreq" && argc == 3) return SettingsSetFlag(SETTING_AUTHREQ, std::atoi(argv[2]));
  if (command == "dump" && argc == 3) return Dump(argv[2]);
  if (command == "checkpw" && argc == 3) return AccessPasswordCheck(argv[2]);
  if (command == "active") return AccessPasswordActive();
  if (command == "encrypt" && argc == 4) return Encrypt(argv[2], argv[3]);
  if (command == "gate") return AccessPasswordGate();

  HWND host = MakeHost();
  int result = 0;
  if (command == "protect") {
    result = AccessPasswordDialog(host);
  } else if (command == "manage") {
    result = KeyManagementDialog(host, argc > 2 && std::strcmp(argv[2], "export") == 0);
  } else if (command == "about") {
    AboutBox(host);
    result = 1;
  } else if (command == "identify" && argc == 3) {
    char passphrase[KEY_SLOT_SIZE];
    result = KeyIdentify(host, argv[2], passphrase);
  } else if (command == "menu" && argc == 3) {
    g_menu_record = argv[2];
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      if (!IsDialogMessageA(host, &message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
      }
    }
    return 1;
  } else {
    result = 101;
  }
  DestroyWindow(host);
  return result;
}
