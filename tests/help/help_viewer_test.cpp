// Quillnox.hlp in the system's WinHelp viewer, opened the way the program opens it:
// WinHelpA with HELP_CONTEXT and each context number of the main window's help table
// (and HELP_FINDER for the contents). The test finds the viewer's window, reads the
// text of the topic it shows and checks that the topic's title comes first.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/win32/files.h"
#include "tests/support/win32/folders.h"

namespace {

struct ContextCase {
  UINT command;
  ULONG_PTR number;
  const char* title;
};

const ContextCase kCases[] = {
    {HELP_CONTEXT, 5, "The Quillnox window"},
    {HELP_CONTEXT, 6, "Attaching files"},
    {HELP_CONTEXT, 7, "Writing a message"},
    {HELP_CONTEXT, 8, "Choosing a passphrase"},
    {HELP_CONTEXT, 9, "The passphrase list and key exchange"},
    {HELP_CONTEXT, 10, "Encrypting, mailing and decrypting"},
    {HELP_CONTEXT, 11, "The access password"},
    {HELP_CONTEXT, 12, "Choosing the algorithm"},
    {HELP_CONTEXT, 22, "Self-extracting packages"},
    {HELP_CONTEXT, 101, "Answering with an encrypted reply"},
    {HELP_CONTEXT, 12, "Choosing the algorithm"},  // again, after other topics
    {HELP_CONTEXT, 5, "The Quillnox window"},
};

// The help file written by the build (a host path; Wine maps the root to Z:).
std::string HelpFilePath() { return UnixToWindows(QLX_HELP_FILE); }

BOOL CALLBACK FindRichEdit(HWND child, LPARAM found) {
  char name[64] = "";
  GetClassNameA(child, name, sizeof name);
  if (_strnicmp(name, "RichEdit", 8) == 0) {
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
  }
  return TRUE;
}

// The text of the topic the viewer shows now ("" when there is no viewer yet).
std::string ViewerText() {
  HWND viewer = FindWindowA("MS_WINHELP", nullptr);
  if (!viewer) return "";
  HWND text = nullptr;
  EnumChildWindows(viewer, FindRichEdit, reinterpret_cast<LPARAM>(&text));
  if (!text) return "";
  std::vector<char> buffer(16384);
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutA(text, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                           SMTO_ABORTIFHUNG, 2000, &got))
    return "";
  return std::string(buffer.data());
}

// The first line of the shown topic, polled until it is `expected` or 30 s passed
// (Wine starts the viewer slowly on a busy machine).
std::string WaitForTopic(const std::string& expected) {
  std::string first;
  for (DWORD start = GetTickCount(); GetTickCount() - start < 30000; Sleep(100)) {
    std::string text = ViewerText();
    first = text.substr(0, text.find_first_of("\r\n"));
    if (first == expected && text.size() > first.size() + 20) break;
  }
  return first;
}

class HelpViewer : public ::testing::Test {
 protected:
  void SetUp() override {
    owner_ = CreateWindowExA(0, "STATIC", "help owner", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(owner_, nullptr);
    ASSERT_TRUE(Exists(HelpFilePath())) << HelpFilePath();
  }
  void TearDown() override {
    WinHelpA(owner_, HelpFilePath().c_str(), HELP_QUIT, 0);
    for (DWORD start = GetTickCount(); FindWindowA("MS_WINHELP", nullptr) && GetTickCount() - start < 5000;)
      Sleep(100);
    DestroyWindow(owner_);
  }
  HWND owner_ = nullptr;
};

TEST_F(HelpViewer, EveryContextNumberOpensItsTopic) {
  for (const ContextCase& c : kCases) {
    SCOPED_TRACE("context " + std::to_string(c.number));
    ASSERT_TRUE(WinHelpA(owner_, HelpFilePath().c_str(), c.command, c.number));
    EXPECT_EQ(WaitForTopic(c.title), c.title);
  }
}

TEST_F(HelpViewer, ContentsOpenAtTheFirstTopic) {
  // ShowHelp's -1: the contents, which start at the first topic.
  ASSERT_TRUE(WinHelpA(owner_, HelpFilePath().c_str(), HELP_CONTEXT, 12));
  ASSERT_EQ(WaitForTopic("Choosing the algorithm"), "Choosing the algorithm");
  ASSERT_TRUE(WinHelpA(owner_, HelpFilePath().c_str(), HELP_FINDER, 0));
  EXPECT_EQ(WaitForTopic("The Quillnox window"), "The Quillnox window");
}

}  // namespace
