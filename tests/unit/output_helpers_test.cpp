// The output helpers' decisions: the "(k)" names and the replace/rename/cancel loop
// (boxes and save dialog recorded), the open dialog's one result shape, the failed
// move's lines, the information box's sizes, and which folders are decryption work
// folders that may be removed with their contents.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/logic/output_confirm.h"
#include "app/logic/output_names.h"
#include "app/logic/vendor.h"
#include "container/operation.h"
#include "keys/settings.h"
#include "platform/common/msgbox_double.h"
#include "platform/tempdir.h"
#include "tests/support/operation_support.h"

namespace fs = std::filesystem;

namespace {

// --- "(k)" names -----------------------------------------------------------------

struct RenameCase {
  const char* current;
  const char* original;
  int k;
  const char* expected;
};

TEST(RenameProposal, PutsTheCounterBeforeTheOriginalNamesExtension) {
  const RenameCase cases[] = {
      {"C:\\a\\report.doc", "report.doc", 1, "C:\\a\\report(1).doc"},
      {"C:\\a\\report(1).doc", "report.doc", 2, "C:\\a\\report(2).doc"},
      {"C:\\a\\notes", "notes", 1, "C:\\a\\notes(1)"},
      {"C:\\my.dir\\notes", "notes", 3, "C:\\my.dir\\notes(3)"},          // a dot in the folder is no extension
      {"C:\\a\\archive.tar.gz", "archive.tar.gz", 1, "C:\\a\\archive.tar(1).gz"},
      {"D:\\other\\chosen.txt", "report.doc", 2, "D:\\other\\report(2).doc"},  // folder the user chose, original name
      {"report.doc", "report.doc", 10, "report(10).doc"},
  };
  for (const RenameCase& c : cases) {
    char out[OUTPUT_PATH_SIZE];
    EXPECT_EQ(RenameProposal(c.current, c.original, c.k, out), 1) << c.current;
    EXPECT_STREQ(out, c.expected);
  }
}

TEST(RenameProposal, RefusesANameThatWouldNotFitAndKeepsTheCurrentOne) {
  const std::string current = "C:\\" + std::string(250, 'x') + ".doc";  // 257 characters
  char out[OUTPUT_PATH_SIZE];
  EXPECT_EQ(RenameProposal(current.c_str(), "x.doc", 1, out), 1);  // short original name fits
  const std::string name = std::string(250, 'x') + ".doc";
  EXPECT_EQ(RenameProposal(current.c_str(), name.c_str(), 1, out), 0);
  EXPECT_EQ(std::string(out), current);
}

// --- the replace/rename/cancel loop ------------------------------------------------

std::vector<std::string> g_proposals;  // what the save dialog was shown
std::vector<std::string> g_choices;    // its answers: "" accept the proposal, "-" cancel, else a path

int RecordingDialog(WindowHandle, const char* title, char proposal[260]) {
  EXPECT_STREQ(title, "Decrypt File in...");
  g_proposals.push_back(proposal);
  std::string choice;
  if (!g_choices.empty()) {
    choice = g_choices.front();
    g_choices.erase(g_choices.begin());
  }
  if (choice == "-") return 0;
  if (!choice.empty()) std::snprintf(proposal, 260, "%s", choice.c_str());
  return 1;
}

class ConfirmOutputNameTest : public OperationFixture {
 protected:
  void SetUp() override {
    OperationFixture::SetUp();
    g_proposals.clear();
    g_choices.clear();
    folder_ = Root() + "/out/";
    fs::create_directory(folder_);
  }
  std::string Existing(const std::string& name) {
    WriteFileBytes(folder_ + name, Bytes{'o', 'l', 'd'});
    return folder_ + name;
  }
  int Confirm(std::string* path) {
    char buffer[260];
    std::snprintf(buffer, sizeof buffer, "%s", path->c_str());
    const int result = ConfirmOutputNameWith(nullptr, buffer, RecordingDialog);
    *path = buffer;
    return result;
  }
  std::vector<std::string> Questions() const {
    std::vector<std::string> texts;
    for (const RecordedBox& box : BoxDoubleLog()) {
      EXPECT_EQ(box.kind, BoxKind::Question);
      EXPECT_EQ(box.labels[0], "Replace");
      EXPECT_EQ(box.labels[1], "Rename");
      EXPECT_EQ(box.labels[2], "Cancel");
      texts.push_back(box.text);
    }
    return texts;
  }
  std::string StoredOutputFolder() const {
    char folder[QLX_PATH_SIZE] = "";
    SettingsGetDir(2, folder);
    return folder;
  }
  std::string folder_;
};

TEST_F(ConfirmOutputNameTest, AFreeNameIsTakenWithoutAQuestionAndItsFolderRemembered) {
  std::string path = folder_ + "report.doc";
  EXPECT_EQ(Confirm(&path), 1);
  EXPECT_EQ(path, folder_ + "report.doc");
  EXPECT_TRUE(BoxDoubleLog().empty());
  EXPECT_EQ(StoredOutputFolder(), folder_);
}

TEST_F(ConfirmOutputNameTest, RenameProposesReport1ThenReport2) {
  std::string path = Existing("report.doc");
  Existing("report(1).doc");
  BoxDoubleQueueAnswer(2);  // Rename -> report(1).doc, which exists too
  BoxDoubleQueueAnswer(2);  // Rename -> report(2).doc
  EXPECT_EQ(Confirm(&path), 1);
  EXPECT_EQ(g_proposals, (std::vector<std::string>{folder_ + "report(1).doc", folder_ + "report(2).doc"}));
  EXPECT_EQ(path, folder_ + "report(2).doc");
  EXPECT_EQ(Questions(), (std::vector<std::string>{"The file \"report.doc\" already exists.",
                                                   "The file \"report(1).doc\" already exists."}));
}

TEST_F(ConfirmOutputNameTest, ANameWithoutExtensionBecomesNotes1) {
  std::string path = Existing("notes");
  BoxDoubleQueueAnswer(2);
  EXPECT_EQ(Confirm(&path), 1);
  EXPECT_EQ(path, folder_ + "notes(1)");
}

TEST_F(ConfirmOutputNameTest, TheAnswersDecide) {
  struct Case {
    const char* name;
    std::vector<int> answers;
    std::vector<std::string> dialog_choices;
    int result;
    const char* final_name;  // in folder_; nullptr: unchanged input
    std::size_t questions;
  };
  const Case cases[] = {
      {"replace keeps the name (the old file is recycled when the output moves)", {1}, {}, 1, "report.doc", 1},
      {"cancel skips the output", {3}, {}, 0, nullptr, 1},
      {"escape asks again", {0, 0, 3}, {}, 0, nullptr, 3},
      {"a cancelled save dialog skips the output", {2}, {"-"}, 0, nullptr, 1},
      {"a name chosen in the dialog that is free", {2}, {"mine.doc"}, 1, "mine.doc", 1},
      {"a chosen name that exists asks again", {2, 1}, {"taken.doc"}, 1, "taken.doc", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BoxDoubleReset();
    g_proposals.clear();
    g_choices.clear();
    std::string path = Existing("report.doc");
    Existing("taken.doc");
    const std::string before = path;
    for (int a : c.answers) BoxDoubleQueueAnswer(a);
    for (const std::string& choice : c.dialog_choices) g_choices.push_back(choice.size() > 1 ? folder_ + choice : choice);
    EXPECT_EQ(Confirm(&path), c.result);
    EXPECT_EQ(path, c.final_name ? folder_ + c.final_name : before);
    EXPECT_EQ(BoxDoubleLog().size(), c.questions);
  }
}

// --- the open dialog's result --------------------------------------------------------

std::string Joined(const char* buffer, std::size_t size) {
  // the strings up to the empty one, each followed by "|"
  std::string out;
  for (std::size_t i = 0; i < size && buffer[i]; i += std::strlen(buffer + i) + 1) out += std::string(buffer + i) + "|";
  return out;
}

TEST(ShapeOpenResult, OneFileAndSeveralGiveTheSameShape) {
  struct Case {
    std::string dialog;  // as the dialog answers, NULs included
    const char* shape;
  };
  const Case cases[] = {
      {std::string("C:\\a\\report.doc\0", 16), "C:\\a\\|report.doc|"},
      {std::string("C:\\a\0x.doc\0y.doc\0z.txt\0", 23), "C:\\a\\|x.doc|y.doc|z.txt|"},
      {std::string("C:\\report.doc\0", 14), "C:\\|report.doc|"},
      {std::string("C:\\\0x.doc\0y.doc\0", 16), "C:\\|x.doc|y.doc|"},  // a root keeps one backslash
  };
  for (const Case& c : cases) {
    std::vector<char> dialog(c.dialog.begin(), c.dialog.end());
    dialog.push_back('\0');  // the closing empty string
    char result[128];
    std::memset(result, 'Z', sizeof result);
    ASSERT_EQ(ShapeOpenResult(dialog.data(), result, sizeof result), 1) << c.shape;
    EXPECT_EQ(Joined(result, sizeof result), c.shape);
    const std::size_t length = std::strlen(c.shape);  // the shape's bytes, then the closing NUL
    EXPECT_EQ(result[length], '\0') << c.shape;
  }
}

TEST(ShapeOpenResult, AnAnswerThatDoesNotFitCountsAsACancel) {
  const char dialog[] = "C:\\a\0x.doc\0y.doc\0";  // shaped: "C:\a\" x.doc y.doc + end = 6 + 6 + 6 + 1 = 19
  char result[19];
  EXPECT_EQ(ShapeOpenResult(dialog, result, sizeof result), 1);
  EXPECT_EQ(Joined(result, sizeof result), "C:\\a\\|x.doc|y.doc|");
  for (std::size_t size : {18u, 12u, 1u}) {
    char small[19];
    std::memset(small, 'Z', sizeof small);
    EXPECT_EQ(ShapeOpenResult(dialog, small, size), 0) << size;
    EXPECT_EQ(small[0], '\0');
    EXPECT_EQ(small[size], 'Z') << "wrote past " << size;
  }
  const char one[] = "C:\\a\\report.doc\0";  // shaped: "C:\a\" report.doc + end = 6 + 11 + 1 = 18
  char result_one[18];
  EXPECT_EQ(ShapeOpenResult(one, result_one, 18), 1);
  EXPECT_EQ(ShapeOpenResult(one, result_one, 17), 0);
  EXPECT_EQ(ShapeOpenResult("\0", result_one, 18), 0);  // no name at all
}

TEST(SplitInitialPath, AFolderOrAProposedName) {
  struct Case {
    const char* initial;
    const char* folder;
    const char* name;
  } cases[] = {
      {"C:\\out\\", "C:\\out\\", ""},
      {"C:\\out\\text.vek", "C:\\out\\", "text.vek"},
      {"text.txt", "", "text.txt"},
      {"D:notes", "D:", "notes"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    char folder[OUTPUT_PATH_SIZE], name[OUTPUT_PATH_SIZE];
    EXPECT_EQ(SplitInitialPath(c.initial, folder, name), 1) << c.initial;
    EXPECT_STREQ(folder, c.folder);
    EXPECT_STREQ(name, c.name);
  }
  const std::string too_long = "C:\\" + std::string(300, 'f') + "\\x.doc";
  char folder[OUTPUT_PATH_SIZE], name[OUTPUT_PATH_SIZE];
  EXPECT_EQ(SplitInitialPath(too_long.c_str(), folder, name), 0);
  EXPECT_STREQ(folder, "");
}

// --- the failed move's lines ---------------------------------------------------------

TEST(MoveFailure, DebugLineByErrorAndWarningText) {
  const std::pair<unsigned long, const char*> cases[] = {
      {2, "rename: ENOENT"},  {3, "rename: ENOENT"},  {5, "rename: EACCES"},   {32, "rename: EACCES"},
      {80, "rename: EEXIST"}, {183, "rename: EEXIST"}, {123, "rename: EINVAL"}, {112, "rename: error=112"},
  };
  for (const auto& [error, line] : cases) {
    char out[64];
    MoveErrorLine(error, out, sizeof out);
    EXPECT_STREQ(out, line);
  }
  char text[400];
  MoveWarningText("C:\\t\\file.vek", "E:\\x.vek", text, sizeof text);
  EXPECT_STREQ(text,
               "Unable to rename :\n   C:\\t\\file.vek\nin E:\\x.vek\nCheck the name and the path of the file or\n"
               "check if it's not used by another application.");
}

// --- the information box's sizes ---------------------------------------------------

TEST(InfoBoxLayout, LinesHeightsAndPlaces) {
  struct Case {
    int extent, width, line_feeds, wrapped_lines, wrapped_height;
    int lines, text_height;
  } cases[] = {
      {100, 216, 0, 1, 13, 2, 22},    // one short line still gets two
      {500, 216, 0, 3, 39, 3, 39},    // the wrapped text is taller than 11 per line
      {300, 216, 3, 4, 52, 4, 52},    // 1 + 3 line feeds
      {2000, 216, 0, 10, 130, 10, 130},
      {100, 216, 0, 5, 65, 5, 65},    // short lines the estimate would lose
  };
  for (const Case& c : cases) {
    InfoBoxLayout l = InfoBoxLines(c.extent, c.width, c.line_feeds, c.wrapped_lines, c.wrapped_height);
    EXPECT_EQ(l.lines, c.lines) << c.extent;
    EXPECT_EQ(l.text_height, c.text_height) << c.extent;
    EXPECT_EQ(l.window_height, c.text_height + 144);
  }
  InfoBoxLayout l = InfoBoxLines(100, 216, 0, 1, 13);
  InfoBoxPlace(&l, 300, 160, 100);
  EXPECT_EQ(std::vector<int>({l.text_x, l.text_y, l.text_width}), std::vector<int>({69, 56, 216}));
  EXPECT_EQ(std::vector<int>({l.link_x, l.link_y, l.link_width, l.link_height}), std::vector<int>({140, 100, 120, 16}));
  EXPECT_EQ(std::vector<int>({l.ok_x, l.ok_y, l.ok_width, l.ok_height}), std::vector<int>({216, 131, 72, 23}));
  EXPECT_EQ(std::vector<int>({l.separator_x, l.separator_y, l.separator_width, l.separator_height}),
            std::vector<int>({3, 123, 294, 1}));
  InfoBoxPlace(&l, 300, 160, 150);  // a longer address: wider, moved left, still 12 from the edge
  EXPECT_EQ(std::vector<int>({l.link_x, l.link_width}), std::vector<int>({138, 150}));
}

TEST(InfoBoxLink, OpensTheVendorsAddressWithAScheme) {
  char address[300];
  VendorOpenAddress(address, sizeof address);
  EXPECT_NE(std::strstr(address, VENDOR_WEB_ADDRESS), nullptr);
  EXPECT_NE(std::strstr(address, "://"), nullptr);
}

TEST(HelpFilePath, BesideTheProgram) {
  char out[OUTPUT_PATH_SIZE];
  EXPECT_EQ(HelpFilePath("C:\\Program Files\\Quillnox\\Quillnox.exe", out), 1);
  EXPECT_STREQ(out, "C:\\Program Files\\Quillnox\\Quillnox.hlp");
  const std::string deep = "C:\\" + std::string(250, 'd') + "\\Quillnox.exe";
  EXPECT_EQ(HelpFilePath(deep.c_str(), out), 0);
}

// --- decryption work folders -----------------------------------------------------------

TEST(DecryptionFolder, OnlyAPrivateFolderDirectlyInTheTemporaryFolder) {
  struct Case {
    const char* file;
    const char* folder;  // nullptr: not a decryption folder
  } cases[] = {
      {"C:\\T\\vekdec1A2B3C\\report.doc", "C:\\T\\vekdec1A2B3C\\"},
      {"C:\\T\\vekdec1A2B3C\\sub\\report.doc", nullptr},  // deeper
      {"C:\\T\\vekdec\\report.doc", nullptr},             // the bare prefix is no made folder
      {"C:\\T\\other\\report.doc", nullptr},
      {"C:\\T\\report.doc", nullptr},
      {"C:\\U\\vekdec1A2B3C\\report.doc", nullptr},  // another parent
      {"C:\\T\\vekdec1A2B3C\\", nullptr},             // no file
      {"C:\\T\\vekdec1A2B3C\\..", nullptr},
  };
  for (const Case& c : cases) {
    char out[OUTPUT_PATH_SIZE];
    EXPECT_EQ(DecryptionFolderOf(c.file, "C:\\T\\", out), c.folder ? 1 : 0) << c.file;
    EXPECT_STREQ(out, c.folder ? c.folder : "") << c.file;
  }
}

TEST(OpenedFiles, AFileIsTriedOnlyAfterItsApplicationHadTimeToOpenIt) {
  struct Case {
    std::uint32_t opened_at, now;
    bool may_go;
  } const cases[] = {
      {1000, 1000, false},                  // just opened
      {1000, 1000 + 9999, false},           // one millisecond short
      {1000, 1000 + 10000, true},           // the grace has passed
      {1000, 1000 + 600000, true},
      {0xFFFFF000u, 0xFFFFF000u + 5000, false},   // the tick count wrapped meanwhile
      {0xFFFFF000u, 0xFFFFF000u + 20000, true},
  };
  for (const Case& c : cases) EXPECT_EQ(OpenedFileMayGo(c.opened_at, c.now), c.may_go) << c.opened_at << " " << c.now;
}

class DecryptionFolderTest : public OperationFixture {};

TEST_F(DecryptionFolderTest, TheOperationsFolderIsRemovedOnceItsOutputsAreMoved) {
  const std::string source = WriteSource("report.doc", MixedBytes(3000, 7));
  const EncryptResult encrypted = EncryptItems(nullptr, {source}, false, "pass");
  ASSERT_EQ(encrypted.result, 1u);
  const std::string container = Keep(encrypted.containers.at(0));
  const DecryptResult decrypted = DecryptContainer(container, "pass", SELECTOR_EVERYTHING);
  ASSERT_EQ(decrypted.result, 1u);
  ASSERT_EQ(decrypted.files.size(), 1u);
  const std::string output = decrypted.files[0].path;
  char folder[OUTPUT_PATH_SIZE];
  ASSERT_EQ(DecryptionFolderOf(output.c_str(), TempFolder(), folder), 1) << output;
  ASSERT_TRUE(fs::is_directory(folder));

  // the output moved to its place; the folder goes with what is left in it
  fs::rename(output, Source("report.out"));
  WriteFileBytes(std::string(folder) + "left-over", Bytes{1});
  EXPECT_EQ(RemoveDecryptionFolder(output.c_str()), 1);
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_TRUE(fs::exists(Source("report.out")));

  // a user's folder is never taken for one
  EXPECT_EQ(RemoveDecryptionFolder(source.c_str()), 0);
  EXPECT_TRUE(fs::exists(source));
}

}  // namespace
