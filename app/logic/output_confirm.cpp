// The replace/rename/cancel question for an output whose name is taken, as a loop over
// the boxes and the save dialog it is given.
#include "app/logic/output_confirm.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "app/logic/output_names.h"
#include "keys/settings.h"
#include "platform/fileio.h"
#include "platform/paths.h"

namespace {

void FileInTheWayText(const char* name, char* out, std::size_t size) {
  std::snprintf(out, size, "The file \"%s\" already exists.", name);
}

void FolderInTheWayText(const char* name, char* out, std::size_t size) {
  std::snprintf(out, size,
                "A folder named \"%s\" is in the way.\nThe file cannot take its place: rename the file, or cancel.",
                name);
}

}  // namespace

int ConfirmOutputNameWith(WindowHandle owner, char path[260], OutputNameDialog dialog) {
  char target[OUTPUT_PATH_SIZE];
  char original_name[OUTPUT_PATH_SIZE];
  std::snprintf(target, sizeof target, "%s", path);
  std::snprintf(original_name, sizeof original_name, "%s", PathFileName(target));
  int k = 0;
  for (PathKind in_the_way; (in_the_way = PathKindAt(target)) != PathKind::None;) {
    char question[OUTPUT_PATH_SIZE + 128];
    int answer = 0;
    if (in_the_way == PathKind::Folder) {
      // A folder is no file to replace: only "Rename" and "Cancel" are offered.
      FolderInTheWayText(PathFileName(target), question, sizeof question);
      answer = QuestionBoxOrClose(owner, question, "", "Rename", "Cancel");
      if (answer == 1) answer = 0;  // no such button: ask again
    } else {
      FileInTheWayText(PathFileName(target), question, sizeof question);
      answer = QuestionBoxOrClose(owner, question, "Replace", "Rename", "Cancel");
    }
    if (answer == 3 || answer == BOX_END_CLOSE) return 0;  // "Cancel", or the question closed
    if (answer == 1) break;  // replaced: the existing file goes to the Recycle Bin when the output is moved
    if (answer == 2) {
      ++k;
      RenameProposal(target, original_name, k, target);
      if (!dialog(owner, "Decrypt File in...", target)) return 0;
    }
    // Escape: ask again
  }
  std::memcpy(path, target, std::strlen(target) + 1);
  char folder[OUTPUT_PATH_SIZE];
  std::snprintf(folder, sizeof folder, "%.*s", static_cast<int>(PathFileName(target) - target), target);
  SettingsSetDir(SETTINGS_DIR_OUTPUT, folder);
  return 1;
}
