// ReportOperationError: the one message for a failed operation, in a warning box.
// (Kept apart so that a program with its own way of showing it can replace it.)
#include "container/result.h"

void ReportOperationError(WindowHandle owner, std::uint32_t code, const char* path) {
  if (code == RESULT_STAGE_FAILED) return;
  const std::string text = OperationErrorText(code, path);
  WarningBox(owner, text.c_str());
}
