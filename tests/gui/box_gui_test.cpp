// The message boxes as the user meets them: box_demo shows one box; the test finds it
// by its title, reads it, presses a button, Escape or the title-bar close, and checks
// what the box function returned (box_demo's exit code) and how the box was laid out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/win32/files.h"
#include "tests/support/win32/folders.h"
#include "tests/support/win32/processes.h"
#include "tests/support/win32/window_driver.h"

namespace {

enum class Action { Button1, Button2, Button3, Escape, TitleBarClose };

struct BoxCase {
  const char* name;
  const char* kind;   // box_demo's first argument
  const char* title;
  std::vector<std::string> labels;  // question boxes: the three labels given
  std::vector<std::string> shown;   // the visible buttons' texts, left to right ("" = hidden)
  Action action;
  long result;
  friend void PrintTo(const BoxCase& c, std::ostream* os) { *os << c.name; }
};

std::vector<std::string> Args(const BoxCase& c, const std::string& text) {
  std::vector<std::string> args = {c.kind, text};
  args.insert(args.end(), c.labels.begin(), c.labels.end());
  return args;
}

void Act(HWND box, Action action) {
  switch (action) {
    case Action::Button1: Click(box, IDC_BOX_BUTTON1); break;
    case Action::Button2: Click(box, IDC_BOX_BUTTON2); break;
    case Action::Button3: Click(box, IDC_BOX_BUTTON3); break;
    case Action::Escape: PressKey(box, VK_ESCAPE); break;
    case Action::TitleBarClose: CloseFromTitleBar(box); break;
  }
}

class BoxGuiTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(BoxGuiTest, ShowsTheBoxAndReturnsWhatWasPressed) {
  const BoxCase& c = GetParam();
  const std::string text = "The file is ready.\\nSend it now?";
  Program demo("box_demo.exe", Args(c, text));
  ASSERT_TRUE(demo.started());
  HWND box = WaitForWindow(c.title, demo.pid());
  ASSERT_NE(box, nullptr) << "no window titled " << c.title;
  Sync(box);

  EXPECT_EQ(ControlText(box, IDC_BOX_TEXT), "The file is ready.\nSend it now?");
  const int buttons[3] = {IDC_BOX_BUTTON1, IDC_BOX_BUTTON2, IDC_BOX_BUTTON3};
  for (int i = 0; i < 3; ++i) {
    const bool should_show = !c.shown[i].empty();
    EXPECT_EQ(ControlVisible(box, buttons[i]), should_show) << "button " << buttons[i];
    if (should_show) {
      EXPECT_EQ(ControlText(box, buttons[i]), c.shown[i]);
    }
  }
  if (!c.shown[2].empty()) {  // the right-hand button takes the focus when it has a label
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info));
    EXPECT_EQ(info.hwndFocus, GetDlgItem(box, IDC_BOX_BUTTON3));
  }

  Act(box, c.action);
  EXPECT_EQ(demo.WaitExit(), c.result);
}

const std::vector<std::string> kOk = {"", "", "OK"};
const std::vector<std::string> kThree = {"&Yes", "&No", "&Cancel"};
const std::vector<std::string> kTwo = {"&Replace", "Re&name", ""};

INSTANTIATE_TEST_SUITE_P(
    Kinds, BoxGuiTest,
    ::testing::Values(
        BoxCase{"WarningOk", "warning", "Quillnox Warning", {}, kOk, Action::Button3, 1},
        BoxCase{"WarningEscape", "warning", "Quillnox Warning", {}, kOk, Action::Escape, 0},
        BoxCase{"WarningClose", "warning", "Quillnox Warning", {}, kOk, Action::TitleBarClose, 0},
        BoxCase{"ErrorOk", "error", "Quillnox Error", {}, kOk, Action::Button3, 1},
        BoxCase{"ErrorEscape", "error", "Quillnox Error", {}, kOk, Action::Escape, 0},
        BoxCase{"ErrorClose", "error", "Quillnox Error", {}, kOk, Action::TitleBarClose, 0},
        BoxCase{"QuestionFirst", "question", "Quillnox Warning", kThree, kThree, Action::Button1, 1},
        BoxCase{"QuestionSecond", "question", "Quillnox Warning", kThree, kThree, Action::Button2, 2},
        BoxCase{"QuestionThird", "question", "Quillnox Warning", kThree, kThree, Action::Button3, 3},
        BoxCase{"QuestionEscape", "question", "Quillnox Warning", kThree, kThree, Action::Escape, 0},
        BoxCase{"QuestionClose", "question", "Quillnox Warning", kThree, kThree, Action::TitleBarClose, 1},
        BoxCase{"TwoButtonsSecond", "question", "Quillnox Warning", kTwo, kTwo, Action::Button2, 2},
        BoxCase{"TwoButtonsEscape", "question", "Quillnox Warning", kTwo, kTwo, Action::Escape, 0}),
    [](const ::testing::TestParamInfo<BoxCase>& info) { return std::string(info.param.name); });

struct Layout {
  RECT window, text, buttons[3], separator;
  int client_width, client_height;
};

Layout ReadLayout(HWND box) {
  Layout l{};
  l.window = WindowRect(box);
  RECT client;
  GetClientRect(box, &client);
  l.client_width = client.right;
  l.client_height = client.bottom;
  auto client_rect = [box](int id) {
    RECT r = ControlRect(box, id);
    MapWindowPoints(HWND_DESKTOP, box, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  l.text = client_rect(IDC_BOX_TEXT);
  l.buttons[0] = client_rect(IDC_BOX_BUTTON1);
  l.buttons[1] = client_rect(IDC_BOX_BUTTON2);
  l.buttons[2] = client_rect(IDC_BOX_BUTTON3);
  l.separator = client_rect(IDC_BOX_SEPARATOR);
  return l;
}

// Lays out a box for text and returns its layout (the box is then closed).
Layout LayoutFor(const std::string& text) {
  Program demo("box_demo.exe", {"question", text, "One", "Two", "Three"});
  HWND box = WaitForWindow("Quillnox Warning", demo.pid());
  EXPECT_NE(box, nullptr);
  if (!box) return {};
  Sync(box);
  Layout l = ReadLayout(box);
  Click(box, IDC_BOX_BUTTON1);
  EXPECT_EQ(demo.WaitExit(), 1);
  return l;
}

void ExpectPlaced(const Layout& l) {
  const int w = l.text.right - l.text.left;
  const int h = l.text.bottom - l.text.top;
  EXPECT_EQ(l.window.right - l.window.left, w + 85);
  EXPECT_EQ(l.window.bottom - l.window.top, h + 100);
  EXPECT_EQ(l.text.left, l.client_width - w - 10);
  EXPECT_EQ(l.text.top, 19);
  const int xs[3] = {l.client_width - 251, l.client_width - 167, l.client_width - 84};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(l.buttons[i].left, xs[i]) << "button " << i;
    EXPECT_EQ(l.buttons[i].top, l.client_height - 29) << "button " << i;
    EXPECT_EQ(l.buttons[i].right - l.buttons[i].left, 72);
    EXPECT_EQ(l.buttons[i].bottom - l.buttons[i].top, 23);
  }
  EXPECT_EQ(l.separator.left, 3);
  EXPECT_EQ(l.separator.top, l.client_height - 37);
  EXPECT_EQ(l.separator.right - l.separator.left, l.client_width - 6);
  EXPECT_EQ(l.separator.bottom - l.separator.top, 1);
}

TEST(BoxLayoutTest, OneLineGetsTheHeightOfTwo) {
  const Layout l = LayoutFor("Done.");
  EXPECT_EQ(l.text.bottom - l.text.top, 13 * 2 + 2);
  ExpectPlaced(l);
}

TEST(BoxLayoutTest, LongerTextsGrowByLinesAndWords) {
  const Layout one = LayoutFor("Done.");
  const Layout four = LayoutFor("First line\\nsecond line\\nthird line\\nfourth line");
  EXPECT_EQ(four.text.bottom - four.text.top, 13 * 4 + 2);  // four short lines, none lost
  ExpectPlaced(four);

  // 5 lines, one empty: the whole text's extent adds a line to the 4 line feeds
  const Layout five = LayoutFor(
      "Wrong file signature.\\nThe file may be corrupted or\\nthe password may be wrong.\\n\\n"
      "Please, check it and retry.");
  EXPECT_EQ(five.text.bottom - five.text.top, 13 * 5 + 2);

  const std::string long_word(120, 'W');
  const Layout wide = LayoutFor("A very long word: " + long_word);
  EXPECT_GT(wide.text.right - wide.text.left, one.text.right - one.text.left);
  ExpectPlaced(wide);
}

TEST(BoxOwnerTest, OwnedByTheMainWindowOrTheDesktop) {
  {
    Program demo("box_demo.exe", {"warning", "No owner", "--owner"});
    HWND owner = WaitForWindow("Box Demo Owner", demo.pid());
    HWND box = WaitForWindow("Quillnox Warning", demo.pid());
    ASSERT_NE(owner, nullptr);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(GetWindow(box, GW_OWNER), owner);
    Click(box, IDC_BOX_BUTTON3);
    EXPECT_EQ(demo.WaitExit(), 1);
  }
  {
    Program demo("box_demo.exe", {"warning", "Before the main window"});
    HWND box = WaitForWindow("Quillnox Warning", demo.pid());
    ASSERT_NE(box, nullptr);
    HWND owner = GetWindow(box, GW_OWNER);
    EXPECT_TRUE(owner == nullptr || owner == GetDesktopWindow());
    Click(box, IDC_BOX_BUTTON3);
    EXPECT_EQ(demo.WaitExit(), 1);
  }
}

}  // namespace
