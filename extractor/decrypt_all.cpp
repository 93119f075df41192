// ExtractorDecryptAll and MoveIntoPlace: the container's text becomes "Quillnox.txt" and
// its files move from the operation's private folder to their place beside the
// container, each with its stored time.
#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/dialogs/progress_dialog.h"
#include "app/logic/output_names.h"
#include "container/operation.h"
#include "extractor/extractor.h"
#include "extractor/package.h"
#include "extractor/rules.h"
#include "platform/filetime.h"

namespace {

constexpr char TEXT_FILE_NAME[] = "Quillnox.txt";

bool Fits(int written, std::size_t size) { return written >= 0 && static_cast<std::size_t>(written) < size; }

// Removes the extractor's copy of the container when path names it.
void ReleaseCopy(const char* path, const char* copy, bool* copy_present) {
  if (*copy_present && lstrcmpiA(path, copy) == 0) {
    DeleteFileA(copy);
    *copy_present = false;
  }
}

// ConfirmOverwrite for an output beside the copied container. The copy goes at the end,
// but an output of its very name (a container mailed inside its own package) takes its
// place at once, without a question, and stays.
int ConfirmOutput(HWND owner, char path[MAX_PATH], const char* copy, bool* copy_present) {
  ReleaseCopy(path, copy, copy_present);
  if (!ConfirmOverwrite(owner, path)) return 0;
  ReleaseCopy(path, copy, copy_present);  // Rename may have chosen the copy's name
  return 1;
}

}  // namespace

int MoveIntoPlace(const char* from, const char* to) {
  if (PathFileExistsA(to)) {
    char list[MAX_PATH + 1] = {};  // a list of one, ended by a second zero
    std::snprintf(list, MAX_PATH, "%s", to);
    SHFILEOPSTRUCTA recycle = {};
    recycle.wFunc = FO_DELETE;
    recycle.pFrom = list;
    recycle.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT;
    SHFileOperationA(&recycle);
  }
  if (std::rename(from, to) == 0) return 1;
  const int error_number = errno;
  const std::string text = MoveErrorText(from, to, error_number, std::strerror(error_number));
  MessageBoxA(GetActiveWindow(), text.c_str(), "Error", MB_OK | MB_ICONWARNING);
  return 0;
}

int ExtractorDecryptAll(HWND owner, const char* passphrase, const char* container_path) {
  FileEntry container = {};
  std::snprintf(container.path, sizeof container.path, "%s", container_path);
  std::snprintf(container.name, sizeof container.name, "%s", PathFindFileNameA(container_path));
  OperationRequest request = {0, nullptr, passphrase, nullptr, 1, &container, SELECTOR_EVERYTHING, ALGORITHM_UNREAD};
  if (!RunOperation(owner, &request)) {
    DeleteFileA(container_path);
    return 0;
  }
  bool copy_present = true;

  char folder[MAX_PATH];
  std::snprintf(folder, sizeof folder, "%s", container_path);
  *PathFindFileNameA(folder) = '\0';

  int result = 1;
  if (request.text) {
    char path[MAX_PATH];
    if (!Fits(std::snprintf(path, sizeof path, "%s%s", folder, TEXT_FILE_NAME), sizeof path) ||
        (ConfirmOutput(owner, path, container_path, &copy_present) &&
         !WriteWholeFile(path, request.text, std::strlen(request.text)))) {
      ExtractorMessage(owner, EXTRACT_CANNOT_WRITE);
      result = 0;
    }
    OperationTextFree(request.text);
  }
  for (std::uint32_t i = 0; result == 1 && i < request.count; ++i) {
    const FileEntry& entry = request.entries[i];
    char destination[MAX_PATH];
    if (!Fits(std::snprintf(destination, sizeof destination, "%s%s", folder, entry.name), sizeof destination)) {
      ExtractorMessage(owner, EXTRACT_CANNOT_WRITE);
      result = 0;
    } else if (ConfirmOutput(owner, destination, container_path, &copy_present)) {
      if (MoveIntoPlace(entry.path, destination))
        FileSetWriteTime(destination, entry.time);
      else
        result = 0;
    }
  }
  // Files left out by Cancel, or not reached after a failure, go with the folder.
  if (request.count > 0) RemoveDecryptionFolder(request.entries[0].path);
  FileEntriesFree(request.entries);
  if (copy_present) DeleteFileA(container_path);
  return result;
}
