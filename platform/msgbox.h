// The three message boxes through which the programs talk to their user, the
// display name that titles them, and the process-wide main-window handle that
// callers pass as the usual owner.
//
// One header, three implementations chosen at link time:
//   platform/win32/msgbox_dialog.cpp   the real dialog (template 409), for the programs
//   platform/common/msgbox_console.cpp the console form, for command-line tools
//   platform/common/msgbox_double.cpp  a recording test double, for the unit tests
//   platform/win32/msgbox_plain.cpp    the system's message box, for the self-extractor
//                                      (warnings and errors only)
#pragma once

#include <cstddef>

// An HWND on Windows; an opaque value elsewhere. nullptr means "no window".
using WindowHandle = void*;

enum class BoxKind { Warning, Question, Error };

// The program's name as the user sees it ("Quillnox"). Filled on first call into a
// process-wide 64-byte buffer; the text is not stored plainly in the program.
const char* DisplayName();

// The main window while it exists, nullptr before and after.
WindowHandle MainWindowHandle();
void SetMainWindowHandle(WindowHandle window);

// "<display name> Warning" for warning and question boxes, "<display name> Error"
// for error boxes. Writes at most size bytes including the terminator.
void BoxTitle(BoxKind kind, char* buffer, std::size_t size);

// All three are modal and return when the box closes. The text (and the labels) are
// copied by the box; "\n" breaks a line. owner nullptr: the box is owned by the
// desktop window.
//
// WarningBox / ErrorBox: 1 when "OK" was pressed, else 0 (Escape, title-bar close).
int WarningBox(WindowHandle owner, const char* text);
int ErrorBox(WindowHandle owner, const char* text);
// QuestionBox: 1, 2 or 3 for the button pressed (left to right); 0 for Escape; 1 for
// the title-bar close. A button whose label is empty (or nullptr) is hidden.
int QuestionBox(WindowHandle owner, const char* text, const char* label1, const char* label2,
                const char* label3);

// The raw end value of the title-bar close.
constexpr int BOX_END_CLOSE = 4;

// As QuestionBox, but a title-bar close gives BOX_END_CLOSE, so that a caller for whom
// the first button would do harm can tell the two apart.
int QuestionBoxOrClose(WindowHandle owner, const char* text, const char* label1, const char* label2,
                       const char* label3);

// The raw end value of a box (1273 -> 1, 1274 -> 2, 1275 -> 3, Escape 0, title-bar
// close BOX_END_CLOSE) turned into what the kind's function returns.
int BoxResult(BoxKind kind, int end_value);
