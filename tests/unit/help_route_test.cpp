// Where help is shown: the route by Windows version and viewer, the page beside the
// program, its address with the topic's anchor, and the browser command built from
// the registered ".htm" command.
#include <gtest/gtest.h>

#include <string>

#include "app/logic/help_route.h"

namespace {

TEST(HelpRoute, WinHelpOnlyWithAViewerBeforeWindows10) {
  struct Case {
    unsigned major;
    bool viewer;
    HelpRoute route;
  };
  const Case cases[] = {
      {5, true, HelpRoute::WinHelp},    // XP
      {6, true, HelpRoute::WinHelp},    // Vista to 8.1 with the viewer installed
      {6, false, HelpRoute::HtmlPage},  // ... without it
      {10, true, HelpRoute::HtmlPage},  // Windows 10 and 11: what is left is only a notice
      {10, false, HelpRoute::HtmlPage},
      {0, true, HelpRoute::WinHelp},    // version unknown: the viewer decides
      {0, false, HelpRoute::HtmlPage},
  };
  for (const Case& c : cases) EXPECT_EQ(ChooseHelpRoute(c.major, c.viewer), c.route) << c.major << " " << c.viewer;
}

TEST(HelpRoute, PageBesideTheProgram) {
  char out[64];
  ASSERT_TRUE(HelpPagePath("C:\\Program Files\\Q\\Quillnox.exe", out, sizeof out));
  EXPECT_STREQ(out, "C:\\Program Files\\Q\\Quillnox.htm");
  ASSERT_TRUE(HelpPagePath("Quillnox.exe", out, sizeof out));
  EXPECT_STREQ(out, "Quillnox.htm");
  char small[22];
  EXPECT_FALSE(HelpPagePath("C:\\abcdef\\Quillnox.exe", small, sizeof small));  // 23 bytes with the NUL
  EXPECT_STREQ(small, "");
  char exact[23];
  EXPECT_TRUE(HelpPagePath("C:\\abcdef\\Quillnox.exe", exact, sizeof exact));
}

TEST(HelpRoute, AddressWithTheTopicsAnchor) {
  struct Case {
    const char* path;
    int topic;
    const char* address;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Orvanel\\Quillnox\\Quillnox.htm", 8,
       "file:///C:/Program%20Files/Orvanel/Quillnox/Quillnox.htm#ctx8"},
      {"C:\\Q\\Quillnox.htm", 101, "file:///C:/Q/Quillnox.htm#ctx101"},
      {"C:\\Q\\Quillnox.htm", -1, "file:///C:/Q/Quillnox.htm"},
      {"C:\\a#b%c\\Quillnox.htm", 5, "file:///C:/a%23b%25c/Quillnox.htm#ctx5"},
      {"C:\\Programme\\Qu\xE9\\Quillnox.htm", 7, "file:///C:/Programme/Qu%E9/Quillnox.htm#ctx7"},
      {"Z:\\work\\x\"y\\Quillnox.htm", 6, "file:///Z:/work/x%22y/Quillnox.htm#ctx6"},
  };
  for (const Case& c : cases) {
    char out[256];
    ASSERT_TRUE(HelpPageAddress(c.path, c.topic, out, sizeof out)) << c.path;
    EXPECT_STREQ(out, c.address);
  }
  // Exactly fitting, and one byte short.
  const std::string want = "file:///C:/Q/Quillnox.htm#ctx12";
  std::string buffer(want.size() + 1, 'x');
  EXPECT_TRUE(HelpPageAddress("C:\\Q\\Quillnox.htm", 12, buffer.data(), buffer.size()));
  EXPECT_EQ(std::string(buffer.c_str()), want);
  EXPECT_FALSE(HelpPageAddress("C:\\Q\\Quillnox.htm", 12, buffer.data(), want.size()));
  EXPECT_STREQ(buffer.c_str(), "");
  EXPECT_FALSE(HelpPageAddress("C:\\Q Q\\Quillnox.htm", -1, buffer.data(), 14));  // cut inside "%20"
}

TEST(HelpRoute, BrowserCommandFromTheRegisteredOne) {
  const char* address = "file:///C:/Q/Quillnox.htm#ctx8";
  struct Case {
    const char* registered;
    const char* command;
  };
  const Case cases[] = {
      {"\"C:\\Program Files\\Browser\\b.exe\" -url \"%1\"",
       "\"C:\\Program Files\\Browser\\b.exe\" -url \"file:///C:/Q/Quillnox.htm#ctx8\""},
      {"\"C:\\b.exe\" --single-argument %1", "\"C:\\b.exe\" --single-argument file:///C:/Q/Quillnox.htm#ctx8"},
      {"C:\\b.exe \"%L\"", "C:\\b.exe \"file:///C:/Q/Quillnox.htm#ctx8\""},
      {"\"C:\\b.exe\"", "\"C:\\b.exe\" file:///C:/Q/Quillnox.htm#ctx8"},
  };
  for (const Case& c : cases) {
    char out[256];
    ASSERT_TRUE(BrowserCommand(c.registered, address, out, sizeof out)) << c.registered;
    EXPECT_STREQ(out, c.command);
  }
  char out[16];
  EXPECT_FALSE(BrowserCommand("\"C:\\b.exe\" %1", address, out, sizeof out));
  EXPECT_STREQ(out, "");
  char any[64];
  EXPECT_FALSE(BrowserCommand("", address, any, sizeof any));
}

}  // namespace
