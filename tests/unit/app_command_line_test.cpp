// Quillnox.exe's decisions without a window: command-line kinds, received-attachment
// folders, the "/ks:" form, the list file, the layout formulas and the frame snap.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/logic/command_line.h"
#include "app/logic/file_list.h"
#include "app/logic/main_layout.h"
#include "container/operation.h"
#include "platform/common/msgbox_double.h"
#include "platform/common/registry_memory.h"
#include "platform/shortpath.h"
#include "platform/tempdir.h"
#include "tests/support/test_support.h"

namespace {

constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

void SetCacheFolder(const std::string& folder) {
  RegistryMemorySetValue(RegistryRoot::CurrentUser, kShellFolders, "Cache", REGISTRY_SZ, folder.c_str(),
                         folder.size() + 1);
}

// Temporary folder and cache folder pointed at folders of the test.
class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegistryMemoryReset();
    BoxDoubleReset();
    temp_ = dir_.path() + sep();
    cache_ = "C:\\Documents and Settings\\u\\Temporary Internet Files\\";
    ASSERT_TRUE(SetTempFolder(temp_.c_str()));
    SetCacheFolder(cache_);
  }
  void TearDown() override {
    SetTempFolder(nullptr);
    RegistryMemoryReset();
  }
  static std::string sep() { return std::string(1, PathSeparator()); }
  TempDir dir_;
  std::string temp_;
  std::string cache_;
};

TEST_F(CommandLineTest, ClassifiesEveryKindInOrder) {
  const std::string in_temp = temp_ + "file.vek";
  const std::string in_cache = cache_ + "Content.IE5\\X1\\file.vek";
  struct Case {
    std::string line;
    int kind;
  } cases[] = {
      {"", KIND_EMPTY},
      {"/m", KIND_MAIL_LIST},
      {"/m /d /ks:", KIND_MAIL_LIST},
      {"/l C:\\a", KIND_LIST_DECRYPT},
      {"/s", KIND_SILENT},
      {"/d C:\\tmp\\vekflist.tmp", KIND_LIST},
      {"/D C:\\tmp\\vekflist.tmp", KIND_CONTAINER},  // case-sensitive: a path, not "/d"
      {"/M", KIND_CONTAINER},
      {"C:\\x.vek /ks:00112233445566778899AABBCCDDEEFF", KIND_SESSION_KEY},
      {"/ks:", KIND_SESSION_KEY},
      {"/EXPORTWINDOW", KIND_EXPORT_WINDOW},
      {"x /EXPORTWINDOW /ks:", KIND_SESSION_KEY},  // "/ks:" is tested first
      {"/exportwindow", KIND_CONTAINER},
      {"C:\\Documents\\letter.vek", KIND_CONTAINER},
      {"letter.vek", KIND_CONTAINER},
      {in_cache, KIND_RECEIVED},
      {temp_, KIND_CONTAINER},  // ends with a backslash: empty folder
      {temp_ + "sub\\file.vek", KIND_CONTAINER},  // below the temporary folder, not in it
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClassifyCommandLine(c.line.c_str()), c.kind) << "line: " << c.line;
  }
  if (PathSeparator() == '\\') {  // the folder is cut at a backslash
    EXPECT_EQ(ClassifyCommandLine(in_temp.c_str()), KIND_RECEIVED);
  }
}

TEST(FolderInTempOrCache, ComparesWithoutCaseExactTempAndCachePrefix) {
  struct Case {
    const char* folder;
    int expected;
  } cases[] = {
      {"C:\\WINDOWS\\TEMP\\", 1},
      {"c:\\windows\\temp\\", 1},
      {"C:\\WINDOWS\\TEMP\\SUB\\", 0},
      {"C:\\WINDOWS\\", 0},
      {"C:\\Cache\\", 1},
      {"C:\\CACHE\\Content.IE5\\AB12\\", 1},
      {"C:\\CACHE2\\", 1},  // a prefix of the text, as compared
      {"C:\\CACH\\", 0},
      {"C:\\CACHES~1\\X\\", 1},
      {"D:\\Other\\", 0},
      {"", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FolderInTempOrCache(c.folder, "C:\\Windows\\Temp\\", "C:\\Cache", "C:\\CACHES~1\\"), c.expected)
        << c.folder;
  }
  EXPECT_EQ(FolderInTempOrCache("C:\\X\\", "", "", ""), 0);  // empty folders match nothing
  EXPECT_EQ(FolderInTempOrCache("C:\\X\\", nullptr, nullptr, nullptr), 0);
}

TEST_F(CommandLineTest, InTempOrCacheUsesTheShortFormOfTheCacheFolder) {
  std::string made;
  {
    char out[260];
    ASSERT_TRUE(MakePrivateFolder((dir_.path() + sep()).c_str(), "Long cache folder name ", out));
    made = out;
  }
  SetCacheFolder(made);
  char short_form[260];
  ASSERT_TRUE(ShortPathName(made.c_str(), short_form, sizeof short_form));
  EXPECT_EQ(InTempOrCache(made.c_str()), 1);
  EXPECT_EQ(InTempOrCache((std::string(short_form) + "X1" + sep()).c_str()), 1);
  EXPECT_EQ(InTempOrCache(temp_.c_str()), 1);
  EXPECT_EQ(InTempOrCache((temp_ + "Other" + sep()).c_str()), 0);
  RemovePrivateFolder(made.c_str());
}

TEST(SessionKeyLine, AcceptsExactly32CharactersFromPositionTwo) {
  const std::string digits = "00112233445566778899aabbccddeeff";
  struct Case {
    std::string line;
    int result;
    std::string path;
  } cases[] = {
      {"C:\\a\\x.vek /ks:" + digits, 1, "C:\\a\\x.vek"},
      {"ab/ks:" + digits, 1, "a"},              // at position 2
      {"a/ks:" + digits, 0, ""},                // at position 1
      {"/ks:" + digits, 0, ""},                 // at position 0
      {"C:\\x.vek /ks:" + digits.substr(1), 0, ""},     // 31 characters
      {"C:\\x.vek /ks:" + digits + "0", 0, ""},         // 33 characters
      {"C:\\x.vek no key", 0, ""},
      {"C:\\x.vek /ks:" + digits.substr(0, 31) + "\"", 0, ""},  // a closing quote is no digit
      {"C:\\x.vek /ks:" + digits.substr(0, 31) + "g", 0, ""},
  };
  for (const Case& c : cases) {
    char line[COMMAND_LINE_SIZE];
    std::snprintf(line, sizeof line, "%s", c.line.c_str());
    std::uint8_t key[16] = {};
    ASSERT_EQ(ParseSessionKeyLine(line, key), c.result) << c.line;
    if (c.result == 1) {
      EXPECT_EQ(std::string(line), c.path);
      const std::uint8_t expected[16] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                         0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
      EXPECT_EQ(std::memcmp(key, expected, 16), 0);
    } else {
      EXPECT_EQ(std::string(line), c.line);  // untouched
    }
  }
}

TEST(SessionKeyLine, DecodesMixedCaseDigitsAsThePairRuleSays) {
  char line[] = "C:\\x.vek /ks:0aF19B7c00000000000000000000000A";
  std::uint8_t key[16] = {};
  ASSERT_EQ(ParseSessionKeyLine(line, key), 1);
  EXPECT_EQ(key[0], 0x0A);
  EXPECT_EQ(key[1], 0xF1);
  EXPECT_EQ(key[2], 0x9B);
  EXPECT_EQ(key[3], 0x7C);
  EXPECT_EQ(key[15], 0x0A);
}

TEST(CommandLineFits, RefusesFrom1024Characters) {
  EXPECT_EQ(CommandLineFits(std::string(1023, 'a').c_str()), 1);
  EXPECT_EQ(CommandLineFits(std::string(1024, 'a').c_str()), 0);
  EXPECT_EQ(CommandLineFits(""), 1);
}

class FileListTest : public CommandLineTest {
 protected:
  std::string ListPath() {
    char path[QLX_PATH_SIZE];
    EXPECT_TRUE(FileListPath(path));
    return path;
  }
  struct Read {
    int result;
    FileEntry* entries;
    int count;
  };
  Read ReadText(const std::string& text) {
    WriteFileBytes(ListPath(), BytesOf(text));
    Read r{-1, nullptr, -1};
    r.result = ReadFileList(&r.entries, &r.count);
    return r;
  }
};

TEST_F(FileListTest, ReadsEveryLineWithOrWithoutItsLineFeed) {
  const std::string a = dir_.File("a.txt");
  WriteFileBytes(a, BytesOf("12345"));
  const std::string b = dir_.File("b b.doc");
  struct Case {
    std::string text;
    std::vector<std::string> paths;
  } cases[] = {
      {a + "\n" + b + "\n", {a, b}},
      {a + "\n" + b, {a, b}},           // the last line without its line feed keeps its last character
      {a + "\r\n" + b + "\r\n", {a, b}},
      {a + "\n\n" + b + "\n", {a, b}},  // an empty line names nothing
      {"", {}},
  };
  for (const Case& c : cases) {
    Read r = ReadText(c.text);
    ASSERT_EQ(r.result, 1);
    ASSERT_EQ(r.count, static_cast<int>(c.paths.size()));
    for (int i = 0; i < r.count; ++i) EXPECT_EQ(r.entries[i].path, c.paths[i]);
    if (r.count > 0) {
      EXPECT_STREQ(r.entries[0].name, "a.txt");
      EXPECT_EQ(r.entries[0].size, 5u);
      EXPECT_NE(FileTimeValue(r.entries[0].time), 0u);
      EXPECT_STREQ(r.entries[1].name, "b b.doc");
      EXPECT_EQ(r.entries[1].size, 0u);  // does not exist
    }
    FileEntriesFree(r.entries);
  }
  EXPECT_TRUE(BoxDoubleLog().empty());
}

TEST_F(FileListTest, RefusesTheWholeListWhenALineIsTooLong) {
  const std::string fits(259, 'x');
  const std::string too_long = "C:\\" + std::string(257, 'y');  // 260 characters
  Read r = ReadText(fits + "\r\n" + fits + "\n");
  ASSERT_EQ(r.result, 1);
  EXPECT_EQ(r.count, 2);
  EXPECT_EQ(std::string(r.entries[1].path), fits);
  FileEntriesFree(r.entries);
  EXPECT_TRUE(BoxDoubleLog().empty());

  for (const std::string& text : {"C:\\a.txt\n" + too_long + "\nC:\\b.txt\n", too_long,
                                  too_long + std::string(5000, 'z') + "\n"}) {
    BoxDoubleReset();
    r = ReadText(text);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.entries, nullptr);
    ASSERT_EQ(BoxDoubleLog().size(), 1u);
    EXPECT_EQ(BoxDoubleLog()[0].kind, BoxKind::Warning);
    EXPECT_NE(BoxDoubleLog()[0].text.find("C:\\yyyy"), std::string::npos) << BoxDoubleLog()[0].text;
  }
}

TEST_F(FileListTest, MissingListIsSilentAndWriterRoundTrips) {
  std::remove(ListPath().c_str());
  FileEntry* entries = nullptr;
  int count = 0;
  EXPECT_EQ(ReadFileList(&entries, &count), 0);
  EXPECT_TRUE(BoxDoubleLog().empty());

  const std::string a = dir_.File("one.txt");
  const std::string b = dir_.File("two.txt");
  const char* paths[2] = {a.c_str(), b.c_str()};
  ASSERT_EQ(WriteFileList(paths, 2), 1);
  EXPECT_EQ(ReadFileBytes(ListPath()), BytesOf(a + "\n" + b + "\n"));
  ASSERT_EQ(ReadFileList(&entries, &count), 1);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(std::string(entries[1].path), b);
  FileEntriesFree(entries);
}

TEST(MainLayout, PlacesEveryControlByTheFormulas) {
  const CaptionSizes captions = {{30, 25, 40, 24}, {13, 13, 13, 13}};
  const MainLayout l = ComputeMainLayout(332, 413, 200, 17, captions);
  auto same = [](ControlBox a, ControlBox b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
  };
  EXPECT_TRUE(same(l.filler, {200, 10, 132, 29}));
  EXPECT_TRUE(same(l.open, {6, 51, 27, 27}));
  EXPECT_TRUE(same(l.new_document, {6, 88, 27, 27}));
  EXPECT_TRUE(same(l.files, {42, 55, 286, 21}));
  EXPECT_TRUE(same(l.text, {42, 81, 286, 243}));
  EXPECT_TRUE(same(l.key_field, {42, 329, 286, 20}));
  EXPECT_TRUE(same(l.key_button, {7, 324, 27, 27}));
  // c = (332 - 42) / 2 = 145
  const int xs[4] = {73, 139, 205, 271};
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(same(l.buttons[i], {xs[i], 353, 40, 40})) << i;
  EXPECT_TRUE(same(l.captions[0], {145 - 114 + 62 - 15, 395, 30, 13}));
  EXPECT_TRUE(same(l.captions[1], {145 - 48 + 62 - 12, 395, 25, 13}));  // 25 / 2 rounds down
  EXPECT_TRUE(same(l.algorithm, {8, 304, 24, 11}));
  EXPECT_TRUE(same(l.self_extract, {8, 273, 27, 27}));
  EXPECT_TRUE(same(l.password, {8, 243, 24, 24}));
  EXPECT_TRUE(same(l.help, {309, 14, 22, 22}));

  const MainLayout tall = ComputeMainLayout(332, 413, 200, 34, captions);
  EXPECT_EQ(tall.files.height, 38);
  EXPECT_EQ(tall.text.y, 98);
  EXPECT_EQ(tall.text.height, l.text.height - 17);
  // c rounds toward zero for odd widths
  EXPECT_EQ(ComputeMainLayout(333, 413, 200, 17, captions).buttons[0].x, 73);
}

TEST(MainLayout, RowHeightFollowsTheLowestItem) {
  EXPECT_EQ(ListRowHeight(0), 17);
  EXPECT_EQ(ListRowHeight(20), 17);
  EXPECT_EQ(ListRowHeight(21), 34);
}

TEST(FrameSnap, EachBorderKeepsItsOppositeEdge) {
  const WindowEdges r = {100, 50, 600, 750};
  struct Case {
    Border border;
    WindowEdges expected;
  } cases[] = {
      {Border::Left, {123, 50, 600, 750}},  {Border::Right, {100, 50, 577, 750}},
      {Border::Top, {100, 310, 600, 750}},  {Border::TopLeft, {260, 310, 600, 750}},
      {Border::TopRight, {100, 310, 440, 750}}, {Border::Bottom, {100, 50, 600, 490}},
      {Border::BottomLeft, {260, 50, 600, 490}}, {Border::BottomRight, {100, 50, 440, 490}},
      {Border::Other, {100, 50, 600, 750}},
  };
  for (const Case& c : cases) {
    const WindowEdges got = SnapRectangle(c.border, r, 477);
    EXPECT_EQ(got.left, c.expected.left) << static_cast<int>(c.border);
    EXPECT_EQ(got.top, c.expected.top) << static_cast<int>(c.border);
    EXPECT_EQ(got.right, c.expected.right) << static_cast<int>(c.border);
    EXPECT_EQ(got.bottom, c.expected.bottom) << static_cast<int>(c.border);
  }
}

TEST(FrameSnap, TextFitAlternatesWithTheDefaultWidth) {
  int on = 1;
  EXPECT_EQ(TextFitWidth(&on, false, 500), 580);
  EXPECT_EQ(on, 0);
  EXPECT_EQ(TextFitWidth(&on, false, 500), 340);
  EXPECT_EQ(on, 1);
  EXPECT_EQ(TextFitWidth(&on, true, 500), 340);  // empty text: the default, switch stays on
  EXPECT_EQ(on, 1);
}

TEST(MainTables, ButtonsTooltipsAndHelpTopics) {
  for (int id : BUTTON_IDS) EXPECT_NE(ButtonImages(id), nullptr) << id;
  EXPECT_EQ(ButtonImages(1036), nullptr);
  EXPECT_EQ(ButtonImages(1117)[3], 462);
  EXPECT_EQ(ButtonImages(1245)[2], 497);
  EXPECT_STREQ(TooltipText(1114, 2, 0), "Encrypt locally.");
  EXPECT_STREQ(TooltipText(1114, 3, 0), "Decrypt locally.");
  EXPECT_STREQ(TooltipText(1114, 3, 1), "Decrypt as...");
  EXPECT_STREQ(TooltipText(1241, 2, 0), "Choose the encryption algorithm.");
  EXPECT_EQ(TooltipText(1116, 2, 0), nullptr);
  EXPECT_EQ(TooltipText(1281, 2, 0), nullptr);
  EXPECT_EQ(HelpTopic(1118), 101);
  EXPECT_EQ(HelpTopic(1245), 22);
  EXPECT_EQ(HelpTopic(1244), 5);
  EXPECT_EQ(HelpTopic(1206), 9);
  EXPECT_EQ(HelpTopic(1281), 5);
}

}  // namespace
