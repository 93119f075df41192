// The shell extension's decisions: which items a selection gets, the texts and verbs,
// the list file's bytes, the program's path from the open command and the command line.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shellext/rules.h"

namespace {

// Paths as the extension keeps them: each ended by its zero byte, one after another.
std::string Block(std::initializer_list<std::string> paths) {
  std::string block;
  for (const std::string& p : paths) block += p + '\0';
  return block;
}

TEST(ShellextRules, MenuItemsForSelection) {
  struct Case {
    const char* what;
    SelectionFacts facts;
    std::uint32_t items;
  } cases[] = {
      {"nothing selected", {0, 0, false}, 0},
      {"one plain file", {1, 0, false}, MENU_ENCRYPT},
      {"one container", {1, 0, true}, MENU_ENCRYPT | MENU_DECRYPT},
      {"two containers", {2, 0, false}, MENU_ENCRYPT},
      {"a container and a plain file", {2, 0, false}, MENU_ENCRYPT},
      {"one folder", {1, 1, false}, 0},
      {"files and a folder", {3, 1, false}, 0},
      {"a container flag with a folder", {1, 1, true}, 0},
      {"a container flag with two files", {2, 0, true}, MENU_ENCRYPT},
  };
  for (const Case& c : cases) EXPECT_EQ(MenuItemsFor(c.facts), c.items) << c.what;
}

TEST(ShellextRules, ContainerSignature) {
  const char signature[] = "VEK!(C)ORVANEL-05/994.10";
  EXPECT_TRUE(IsContainerSignature(signature, 24));
  EXPECT_TRUE(IsContainerSignature(signature, 20));
  EXPECT_FALSE(IsContainerSignature(signature, 19)) << "a file shorter than the signature";
  EXPECT_FALSE(IsContainerSignature("VEK!(C)ORVANEL-05/98", 20));
  EXPECT_FALSE(IsContainerSignature("vek!(C)ORVANEL-05/99", 20)) << "compared exactly";
  EXPECT_FALSE(IsContainerSignature("", 0));
}

TEST(ShellextRules, CommandsTextsVerbsAndSwitches) {
  EXPECT_STREQ(CommandMenuText(SHELL_COMMAND_ENCRYPT), "Encrypt with Quillnox");
  EXPECT_STREQ(CommandMenuText(SHELL_COMMAND_DECRYPT), "Decrypt with Quillnox");
  EXPECT_STREQ(CommandSwitch(SHELL_COMMAND_ENCRYPT), "/m");
  EXPECT_STREQ(CommandSwitch(SHELL_COMMAND_DECRYPT), "/l");
  EXPECT_EQ(CommandMenuText(SHELL_COMMAND_COUNT), nullptr);
  EXPECT_EQ(CommandHelpText(SHELL_COMMAND_COUNT), nullptr);
  EXPECT_EQ(CommandSwitch(SHELL_COMMAND_COUNT), nullptr);
  for (std::uint32_t c = 0; c < SHELL_COMMAND_COUNT; ++c) {
    ASSERT_NE(CommandHelpText(c), nullptr);
    EXPECT_EQ(CommandFromVerb(CommandVerb(c)), c) << CommandVerb(c);
  }
  EXPECT_STRNE(CommandVerb(SHELL_COMMAND_ENCRYPT), CommandVerb(SHELL_COMMAND_DECRYPT));
  EXPECT_EQ(CommandFromVerb("quillnoxdecrypt"), SHELL_COMMAND_DECRYPT) << "verbs ignore case";
  EXPECT_EQ(CommandFromVerb("QuillnoxDecrypt2"), SHELL_COMMAND_COUNT);
  EXPECT_EQ(CommandFromVerb("Quillnox"), SHELL_COMMAND_COUNT);
  EXPECT_EQ(CommandFromVerb("open"), SHELL_COMMAND_COUNT);
  EXPECT_EQ(CommandFromVerb(nullptr), SHELL_COMMAND_COUNT);
}

TEST(ShellextRules, ListFileBytes) {
  const std::string at_limit = "C:\\" + std::string(255, 'a');  // 258: the line with its feed 259
  const std::string over = at_limit + "b";                      // 259
  struct Case {
    const char* what;
    std::string block;
    std::uint32_t count;
    int ok;
    std::string bytes;     // when ok
    std::uint32_t bad;     // when not
  } cases[] = {
      {"one file", Block({"C:\\a.vek"}), 1, 1, "C:\\a.vek\n", 0},
      {"two files, bare line feeds", Block({"C:\\a b\\x.txt", "D:\\y"}), 2, 1, "C:\\a b\\x.txt\nD:\\y\n", 0},
      {"a path of 258 characters", Block({at_limit}), 1, 1, at_limit + "\n", 0},
      {"a path of 259 characters", Block({"C:\\x", over}), 2, 0, "", 1},
      {"an empty path", Block({"C:\\x", ""}), 2, 0, "", 1},
  };
  for (const Case& c : cases) {
    char out[1024];
    std::memset(out, '#', sizeof out);
    std::size_t size = 99;
    std::uint32_t bad = 99;
    ASSERT_EQ(ListFileBytes(c.block.data(), c.count, out, c.block.size(), &size, &bad), c.ok) << c.what;
    if (c.ok) {
      EXPECT_EQ(std::string(out, size), c.bytes) << c.what;
      EXPECT_EQ(out[size], '#') << c.what << ": nothing written past the bytes";
    } else {
      EXPECT_EQ(bad, c.bad) << c.what;
    }
  }
}

TEST(ShellextRules, ListFileBytesKeepsToItsBuffer) {
  const std::string block = Block({"C:\\one", "C:\\two"});
  char out[16];
  std::memset(out, '#', sizeof out);
  std::size_t size = 0;
  std::uint32_t bad = 0;
  EXPECT_EQ(ListFileBytes(block.data(), 2, out, 10, &size, &bad), 0);
  EXPECT_EQ(bad, 2u) << "too small a buffer names no path";
  EXPECT_EQ(out[10], '#');
  EXPECT_EQ(ListFileBytes(block.data(), 2, out, 13, &size, &bad), 0) << "one byte short";
  EXPECT_EQ(out[13], '#');
  EXPECT_EQ(ListFileBytes(block.data(), 2, out, 14, &size, &bad), 1);
  EXPECT_EQ(std::string(out, size), "C:\\one\nC:\\two\n");
}

TEST(ShellextRules, ProgramFromOpenCommand) {
  struct Case {
    const char* command;
    int ok;
    const char* program;
  } cases[] = {
      {"C:\\Program Files\\Quillnox\\Quillnox.exe %1", 1, "C:\\Program Files\\Quillnox\\Quillnox.exe"},
      {"\"C:\\Program Files\\Quillnox\\Quillnox.exe\" \"%1\"", 1, "C:\\Program Files\\Quillnox\\Quillnox.exe"},
      {"C:\\Quillnox.exe %1", 1, "C:\\Quillnox.exe"},
      {"Quillnox.exe %1", 0, ""},
      {"", 0, ""},
  };
  for (const Case& c : cases) {
    char out[SHELLEXT_PATH_SIZE] = "";
    ASSERT_EQ(ProgramFromOpenCommand(c.command, out, sizeof out), c.ok) << c.command;
    if (c.ok) {
      EXPECT_STREQ(out, c.program) << c.command;
    }
  }
}

TEST(ShellextRules, ProgramFromOpenCommandKeepsToItsBuffer) {
  // A folder of 247 characters plus "Quillnox.exe" fills 259 characters and the zero.
  const std::string folder = "C:\\" + std::string(243, 'f') + "\\";
  ASSERT_EQ(folder.size(), 247u);
  char out[SHELLEXT_PATH_SIZE + 1];
  std::memset(out, '#', sizeof out);
  ASSERT_EQ(ProgramFromOpenCommand((folder + "Quillnox.exe %1").c_str(), out, SHELLEXT_PATH_SIZE), 1);
  EXPECT_EQ(std::string(out), folder + "Quillnox.exe");
  EXPECT_EQ(out[SHELLEXT_PATH_SIZE], '#');
  const std::string longer = "C:\\" + std::string(244, 'f') + "\\Quillnox.exe %1";
  std::memset(out, '#', sizeof out);
  EXPECT_EQ(ProgramFromOpenCommand(longer.c_str(), out, SHELLEXT_PATH_SIZE), 0);
  EXPECT_EQ(out[SHELLEXT_PATH_SIZE], '#');
}

TEST(ShellextRules, LaunchCommandLine) {
  char out[64];
  ASSERT_EQ(LaunchCommandLine("C:\\Q Q\\Quillnox.exe", SHELL_COMMAND_ENCRYPT, out, sizeof out), 1);
  EXPECT_STREQ(out, "\"C:\\Q Q\\Quillnox.exe\" /m");
  ASSERT_EQ(LaunchCommandLine("C:\\Q Q\\Quillnox.exe", SHELL_COMMAND_DECRYPT, out, sizeof out), 1);
  EXPECT_STREQ(out, "\"C:\\Q Q\\Quillnox.exe\" /l");
  EXPECT_EQ(LaunchCommandLine("C:\\Q\\Quillnox.exe", SHELL_COMMAND_COUNT, out, sizeof out), 0);
  // "\"C:\\Q.exe\" /m" takes 13 characters and the zero.
  EXPECT_EQ(LaunchCommandLine("C:\\Q.exe", SHELL_COMMAND_ENCRYPT, out, 14), 1);
  EXPECT_STREQ(out, "\"C:\\Q.exe\" /m");
  std::memset(out, '#', sizeof out);
  EXPECT_EQ(LaunchCommandLine("C:\\Q.exe", SHELL_COMMAND_ENCRYPT, out, 13), 0);
  EXPECT_EQ(out[0], '#');
}

TEST(ShellextRules, ShownPath) {
  const std::string sixty = "C:\\" + std::string(53, 'a') + ".txt";  // 60 characters
  ASSERT_EQ(sixty.size(), 60u);
  const std::string longer = "C:\\Users\\" + std::string(245, 'b') + "\\end.txt";
  struct Case {
    std::string path;
    std::string shown;
  } cases[] = {
      {"C:\\a.vek", "C:\\a.vek"},
      {"", ""},
      {sixty, sixty},
      {sixty + "x", sixty.substr(0, 28) + "..." + (sixty + "x").substr(61 - 29)},
      {longer, longer.substr(0, 28) + "..." + longer.substr(longer.size() - 29)},
  };
  for (const Case& c : cases) {
    char out[SHELLEXT_SHOWN_PATH_MAX + 2];
    std::memset(out, '#', sizeof out);
    ShownPath(c.path.c_str(), out, SHELLEXT_SHOWN_PATH_MAX + 1);
    EXPECT_EQ(std::string(out), c.shown);
    EXPECT_LE(std::strlen(out), SHELLEXT_SHOWN_PATH_MAX);
    EXPECT_EQ(out[SHELLEXT_SHOWN_PATH_MAX + 1], '#');
  }
  char small[8] = "xxxxxxx";
  ShownPath(longer.c_str(), small, sizeof small);
  EXPECT_STREQ(small, "") << "too small a buffer gets nothing";
}

TEST(ShellextRules, RegistryKeysNameTheClass) {
  EXPECT_STREQ(SHELLEXT_CLSID_TEXT, "{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}");
  EXPECT_EQ(std::string(SHELLEXT_CLASS_KEY), std::string("CLSID\\") + SHELLEXT_CLSID_TEXT);
  EXPECT_EQ(std::string(SHELLEXT_SERVER_KEY), std::string(SHELLEXT_CLASS_KEY) + "\\InProcServer32");
}

}  // namespace
