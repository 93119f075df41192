// The replace/rename/cancel question for an output whose name is taken, as a loop over
// the boxes and the save dialog it is given.
#include "app/logic/output_confirm.h"

#include <cstdio>
#include <cstring>

#include "app/logic/output_names.h"
#include "keys/settings.h"
#include "platform/fileio.h"
#include "platform/paths.h"

namespace {

bool Exists(const char* path) { return FileSizeAt(path) >= 0; }

}  // namespace

int ConfirmOutputNameWith(WindowHandle owner, char path[260], OutputNameDialog dialog) {
  char target[OUTPUT_PATH_SIZE];
  char original_name[OUTPUT_PATH_SIZE];
  std::snprintf(target, sizeof target, "%s", path);
  std::snprintf(original_name, sizeof original_name, "%s", PathFileName(target));
  int k = 0;
  while (Exists(target)) {
    char question[OUTPUT_PATH_SIZE + 64];
    std::snprintf(question, sizeof question, "The file \"%s\" already exists.", PathFileName(target));
    const int answer = QuestionBox(owner, question, "Replace", "Rename", "Cancel");
    if (answer == 3) return 0;
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
