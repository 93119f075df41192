// The common open/save dialog, the output-name question with the real save dialog,
// moving outputs to their place and deletion to the Recycle Bin.
#include "app/dialogs/output_files.h"

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstring>
#include <memory>

#include "app/dialogs/debug_log.h"
#include "app/logic/output_names.h"

namespace {

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

int SaveDialogForName(WindowHandle owner, const char* title, char proposal[260]) {
  return FileDialog(owner, 0, title, proposal, proposal, 260);
}

}  // namespace

int FileDialog(WindowHandle owner, int open, const char* title, const char* initial, char* result,
               std::size_t size) {
  if (result == nullptr || size == 0 || size > 0x7FFFFFFF) return 0;
  char folder[OUTPUT_PATH_SIZE];
  char name[OUTPUT_PATH_SIZE];
  if (!SplitInitialPath(initial ? initial : "", folder, name)) return 0;  // initial may be result: copied first

  std::unique_ptr<char[]> work(new (std::nothrow) char[size]());
  if (!work) return 0;
  std::strncpy(work.get(), name, size - 1);

  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = static_cast<HWND>(owner);
  dialog.lpstrTitle = title;
  dialog.lpstrFile = work.get();
  dialog.nMaxFile = static_cast<DWORD>(size);
  dialog.lpstrInitialDir = folder[0] ? folder : nullptr;
  dialog.Flags = OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_LONGNAMES;
  const BOOL chosen = open == 1 ? GetOpenFileNameA(&dialog) : GetSaveFileNameA(&dialog);
  if (!chosen) return 0;  // cancelled, or failed (a too small buffer among others)

  if (open != 1) {
    const std::size_t length = strnlen(work.get(), size);
    if (length == 0 || length >= size) return 0;
    std::memcpy(result, work.get(), length + 1);
    return 1;
  }
  work[size - 1] = '\0';  // the dialog's answer ends inside the buffer, whatever it holds
  if (size >= 2) work[size - 2] = '\0';
  return ShapeOpenResult(work.get(), result, size);
}

int ConfirmOutputName(WindowHandle owner, char path[260]) {
  return ConfirmOutputNameWith(owner, path, SaveDialogForName);
}

int MoveOutput(const char* from, const char* to) {
  // "Replace": the file in the way goes to the Recycle Bin, where the user can get it back.
  if (Exists(to)) RecycleFile(MainWindowHandle(), to);
  // If it is still there, it could not be recycled: the move below then refuses to
  // replace it rather than destroy a file that is not in the Recycle Bin.
  const bool target_was_there = Exists(to);

  // Across volumes this is a copy and a delete: written through, and the temporary
  // file is deleted only once the copy is complete on the disk.
  if (MoveFileExA(from, to, MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH)) return 1;
  const DWORD error = GetLastError();

  // A copy onto another volume that stopped part-way (a full disk) can leave a partial
  // file behind. The temporary file is still whole; the partial copy is removed.
  if (!target_was_there && Exists(from) && Exists(to)) DeleteFileA(to);

  char text[2 * OUTPUT_PATH_SIZE + 160];
  MoveWarningText(from, to, text, sizeof text);
  WarningBox(MainWindowHandle(), text);
  char line[64];
  MoveErrorLine(error, line, sizeof line);
  DebugLog("%s", line);
  return 0;
}

void RecycleFile(WindowHandle owner, const char* path) {
  // The shell deletes outright what it cannot put in the Recycle Bin, a relative path
  // among others: give it the full path, ended by two NULs.
  char full[MAX_PATH + 2] = {};
  const DWORD n = GetFullPathNameA(path, MAX_PATH, full, nullptr);
  if (n == 0 || n >= MAX_PATH) return;
  full[n] = full[n + 1] = '\0';
  SHFILEOPSTRUCTA operation = {};
  operation.hwnd = static_cast<HWND>(owner);
  operation.wFunc = FO_DELETE;
  operation.pFrom = full;
  operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION;
  SHFileOperationA(&operation);
}
