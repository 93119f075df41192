// Test double of the message boxes: records every box asked for and answers from a
// queue, so tests can check what the user would have been told and steer questions.
#pragma once

#include <string>
#include <vector>

#include "platform/msgbox.h"

struct RecordedBox {
  BoxKind kind;
  WindowHandle owner;
  std::string title;
  std::string text;
  std::string labels[3];  // as given; "OK" in the third for warnings and errors
};

// Forgets the log and the queued answers.
void BoxDoubleReset();
// Queues the raw end value of the next box: 1, 2 or 3 for a button, 0 for Escape,
// BOX_END_CLOSE for the title-bar close.
// Unqueued boxes end with 3 ("OK") for warnings and errors and 0 for questions.
void BoxDoubleQueueAnswer(int end_value);
const std::vector<RecordedBox>& BoxDoubleLog();
