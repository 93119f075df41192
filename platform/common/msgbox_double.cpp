// Recording test double of the message boxes (see msgbox_double.h).
#include "platform/common/msgbox_double.h"

#include <deque>

namespace {

std::vector<RecordedBox> g_log;
std::deque<int> g_answers;

// The raw end value.
int RecordRaw(WindowHandle owner, BoxKind kind, const char* text, const char* label1,
              const char* label2, const char* label3) {
  RecordedBox box{kind, owner, {}, text ? text : "", {label1 ? label1 : "", label2 ? label2 : "",
                                                      label3 ? label3 : ""}};
  char title[96];
  BoxTitle(kind, title, sizeof title);
  box.title = title;
  g_log.push_back(box);
  int end_value = kind == BoxKind::Question ? 0 : 3;
  if (!g_answers.empty()) {
    end_value = g_answers.front();
    g_answers.pop_front();
  }
  return end_value;
}

int Record(WindowHandle owner, BoxKind kind, const char* text, const char* label1,
           const char* label2, const char* label3) {
  return BoxResult(kind, RecordRaw(owner, kind, text, label1, label2, label3));
}

}  // namespace

void BoxDoubleReset() {
  g_log.clear();
  g_answers.clear();
}

void BoxDoubleQueueAnswer(int end_value) { g_answers.push_back(end_value); }

const std::vector<RecordedBox>& BoxDoubleLog() { return g_log; }

int WarningBox(WindowHandle owner, const char* text) {
  return Record(owner, BoxKind::Warning, text, nullptr, nullptr, "OK");
}

int ErrorBox(WindowHandle owner, const char* text) {
  return Record(owner, BoxKind::Error, text, nullptr, nullptr, "OK");
}

int QuestionBox(WindowHandle owner, const char* text, const char* label1, const char* label2,
                const char* label3) {
  return Record(owner, BoxKind::Question, text, label1, label2, label3);
}

int QuestionBoxOrClose(WindowHandle owner, const char* text, const char* label1, const char* label2,
                       const char* label3) {
  return RecordRaw(owner, BoxKind::Question, text, label1, label2, label3);
}
