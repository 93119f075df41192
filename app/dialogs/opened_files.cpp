// Decrypted files opened with their application, kept in the main window's hidden list
// box 12345 (opened_files) until they can be deleted on the 1000 ms timer's ticks. Each
// item's data is the tick count of its opening: a file is first tried after a grace
// period, so that a slowly starting application still finds it.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cstring>

#include "app/dialogs/output_files.h"
#include "app/logic/output_names.h"
#include "platform/tempdir.h"
#include "resources/resource.h"

namespace {

constexpr UINT_PTR kCleanUpTimer = 1;
constexpr UINT kCleanUpMilliseconds = 1000;

HWND List(WindowHandle window) { return GetDlgItem(static_cast<HWND>(window), IDC_OPENED_FILES); }

bool ItemText(HWND list, int index, char out[OUTPUT_PATH_SIZE]) {
  const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR || length >= static_cast<LRESULT>(OUTPUT_PATH_SIZE)) return false;
  return SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(out)) != LB_ERR;
}

// True when a listed file (other than skip) still lies in folder.
bool FolderStillListed(HWND list, const char* folder, int skip) {
  const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  char other[OUTPUT_PATH_SIZE];
  char other_folder[OUTPUT_PATH_SIZE];
  for (int i = 0; i < count; ++i) {
    if (i == skip || !ItemText(list, i, other)) continue;
    if (DecryptionFolderOf(other, TempFolder(), other_folder) && lstrcmpiA(other_folder, folder) == 0) return true;
  }
  return false;
}

void DeleteUnopened(const char* path) {
  char folder[OUTPUT_PATH_SIZE];
  if (!DecryptionFolderOf(path, TempFolder(), folder)) return;  // only our own work files
  DeleteFileA(path);
  RemovePrivateFolder(folder);
}

}  // namespace

int OpenedFilesCreate(WindowHandle window) {
  HWND list = CreateWindowExA(0, "LISTBOX", "", WS_CHILD, 0, 0, 0, 0, static_cast<HWND>(window),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_OPENED_FILES)),
                              GetModuleHandleA(nullptr), nullptr);
  return list != nullptr;
}

int OpenedFilesAdd(WindowHandle window, const char* path) {
  HWND list = List(window);
  if (list == nullptr || path == nullptr || std::strlen(path) >= OUTPUT_PATH_SIZE) return 0;
  const LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path));
  if (index == LB_ERR || index == LB_ERRSPACE) return 0;
  SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(GetTickCount()));
  return 1;
}

int OpenedFilesCount(WindowHandle window) {
  HWND list = List(window);
  if (list == nullptr) return 0;
  const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  return count == LB_ERR ? 0 : static_cast<int>(count);
}

int OpenWithShell(WindowHandle window, const char* path) {
  const INT_PTR result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(static_cast<HWND>(window), "open", path, nullptr, nullptr, SW_SHOW));
  if (result > 32) {
    if (!OpenedFilesAdd(window, path)) return 0;  // not tracked: never deleted under its application
    SetTimer(static_cast<HWND>(window), kCleanUpTimer, kCleanUpMilliseconds, nullptr);
    return 1;
  }
  if (result == SE_ERR_NOASSOC)
    WarningBox(window, "There is no application associated with the given file name extension");
  DeleteUnopened(path);  // nobody holds it: the decrypted text does not stay on the disk
  return 0;
}

int OpenedFilesCleanUp(WindowHandle window) {
  HWND list = List(window);
  if (list == nullptr) return 1;
  char path[OUTPUT_PATH_SIZE];
  char folder[OUTPUT_PATH_SIZE];
  const DWORD now = GetTickCount();
  for (int i = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)) - 1; i >= 0; --i) {
    if (!ItemText(list, i, path)) continue;
    const auto opened_at = static_cast<std::uint32_t>(SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0));
    if (!OpenedFileMayGo(opened_at, now)) continue;  // its application may not have opened it yet
    // Still held by its application: stays for the next tick.
    if (!DeleteFileA(path) && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) continue;
    if (DecryptionFolderOf(path, TempFolder(), folder) && !FolderStillListed(list, folder, i))
      RemovePrivateFolder(folder);
    SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(i), 0);
  }
  return SendMessageA(list, LB_GETCOUNT, 0, 0) == 0;
}
