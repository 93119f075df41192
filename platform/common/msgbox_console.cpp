// Console form of the message boxes, for command-line tools: the title and text go to
// standard error; a question reads its answer from an interactive standard input and
// counts as Escape (0) otherwise.
#include <cstdio>
#include <string>

#include "platform/console.h"
#include "platform/msgbox.h"

namespace {

// "&Replace" is shown as "Replace"; "&&" stays one "&".
std::string WithoutAccelerators(const char* label) {
  std::string out;
  for (const char* p = label; *p; ++p) {
    if (*p == '&' && p[1] != '\0') ++p;
    out.push_back(*p);
  }
  return out;
}

void PrintBox(BoxKind kind, const char* text) {
  char title[96];
  BoxTitle(kind, title, sizeof title);
  std::fprintf(stderr, "%s: %s\n", title, text ? text : "");
  std::fflush(stderr);
}

}  // namespace

int WarningBox(WindowHandle, const char* text) {
  PrintBox(BoxKind::Warning, text);
  return 1;
}

int ErrorBox(WindowHandle, const char* text) {
  PrintBox(BoxKind::Error, text);
  return 1;
}

int QuestionBox(WindowHandle, const char* text, const char* label1, const char* label2,
                const char* label3) {
  PrintBox(BoxKind::Question, text);
  const char* labels[3] = {label1, label2, label3};
  for (int i = 0; i < 3; ++i)
    if (labels[i] && *labels[i])
      std::fprintf(stderr, "  [%d] %s\n", i + 1, WithoutAccelerators(labels[i]).c_str());
  if (!StreamIsTerminal(stdin)) return 0;
  std::fprintf(stderr, "Choice (Enter to cancel): ");
  std::fflush(stderr);
  char line[32];
  if (!std::fgets(line, sizeof line, stdin)) return 0;
  const int choice = line[0] - '0';
  if (choice >= 1 && choice <= 3 && labels[choice - 1] && *labels[choice - 1]) return choice;
  return 0;
}

// A console has no title bar to close: the answers are QuestionBox's.
int QuestionBoxOrClose(WindowHandle owner, const char* text, const char* label1, const char* label2,
                       const char* label3) {
  return QuestionBox(owner, text, label1, label2, label3);
}
