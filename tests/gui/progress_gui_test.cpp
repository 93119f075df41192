// The operation progress dialog on real operations, through progress_demo: titles and
// labels by direction, the status pictures, the message after a failed signature, and
// Cancel (button or Escape) during a large encryption, which leaves nothing behind and
// shows nothing.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/win32/files.h"
#include "tests/support/win32/folders.h"
#include "tests/support/win32/processes.h"
#include "tests/support/win32/window_driver.h"

#include <commctrl.h>

namespace {

std::string WorkFile(const std::string& name) { return TestProgramFolder() + "progress_gui_" + name; }

// The last picture each status control showed, from the demo's log.
std::map<int, int> LastPictures(const std::string& log) {
  std::ifstream in(log);
  std::map<int, int> last;
  int id = 0, picture = 0;
  while (in >> id >> picture) last[id] = picture;
  return last;
}

struct Labels {
  const char* title;
  const char* rows[3];
};

// Runs the demo, checks the dialog's title and labels while it is shown, and gives
// back the exit code.
long RunAndRead(const std::vector<std::string>& args, const Labels& expected) {
  Program demo("progress_demo.exe", args);
  HWND dialog = WaitForWindow(expected.title, demo.pid());
  EXPECT_NE(dialog, nullptr) << "no dialog titled " << expected.title;
  if (dialog) {
    EXPECT_EQ(expected.rows[0], ControlText(dialog, IDC_PROGRESS_LABEL1));
    EXPECT_EQ(expected.rows[1], ControlText(dialog, IDC_PROGRESS_LABEL2));
    EXPECT_EQ(expected.rows[2], ControlText(dialog, IDC_PROGRESS_LABEL3));
    EXPECT_EQ("Cancel", ControlText(dialog, IDCANCEL));
  }
  return demo.WaitExit(30000);
}

std::string SomeText(std::size_t size) {
  std::string text;
  for (std::size_t i = 0; text.size() < size; ++i) text += "line " + std::to_string(i * 7919 % 10007) + " of the report\r\n";
  text.resize(size);
  return text;
}

TEST(ProgressDialog, TitlesLabelsAndPicturesByDirection) {
  const std::string source = WorkFile("report.txt");
  const std::string log = WorkFile("pictures.log");
  DeleteFileA((source + ".vek").c_str());
  WriteAll(source, SomeText(300000));

  ASSERT_EQ(1, RunAndRead({"encrypt", source, "river stone", log},
                          {"Encrypt...", {"Compression", "Signature", "Encryption"}}));
  ASSERT_TRUE(Exists(source + ".vek"));
  std::map<int, int> pictures = LastPictures(log);
  EXPECT_EQ(289, pictures[IDC_PROGRESS_STATUS1]);
  EXPECT_EQ(289, pictures[IDC_PROGRESS_STATUS2]);
  EXPECT_EQ(289, pictures[IDC_PROGRESS_STATUS3]);

  const std::set<std::string> before = FolderNames(TemporaryFolder());
  ASSERT_EQ(1, RunAndRead({"decrypt", source + ".vek", "river stone", log},
                          {"Decrypt progress_gui_report.txt.vek", {"Decryption", "Signature", "Decompression"}}));
  pictures = LastPictures(log);
  EXPECT_EQ(289, pictures[IDC_PROGRESS_STATUS1]);
  EXPECT_EQ(289, pictures[IDC_PROGRESS_STATUS2]);
  EXPECT_EQ(289, pictures[IDC_PROGRESS_STATUS3]);
  // Nothing of the decryption stays in the temporary folder (other tests of the run
  // share it: only what appeared counts).
  for (const std::string& name : FolderNames(TemporaryFolder())) EXPECT_EQ(before.count(name), 1u) << name << " left behind";
}

TEST(ProgressDialog, WrongSignatureMarksSignatureThenShowsTheMessage) {
  const std::string source = WorkFile("signed.txt");
  const std::string log = WorkFile("signature.log");
  DeleteFileA((source + ".vek").c_str());
  WriteAll(source, SomeText(20000));
  ASSERT_EQ(1, RunAndRead({"encrypt", source, "right words", log},
                          {"Encrypt...", {"Compression", "Signature", "Encryption"}}));

  Program demo("progress_demo.exe", {"decrypt", source + ".vek", "wrong words", log});
  HWND dialog = WaitForWindow("Decrypt progress_gui_signed.txt.vek", demo.pid());
  ASSERT_NE(dialog, nullptr);
  HWND box = WaitForWindow("Quillnox Warning", demo.pid(), 15000);
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(IsWindow(dialog)) << "the message comes once the dialog has closed";
  EXPECT_EQ(
      "Wrong file signature.\nThe file may be corrupted or\nthe password may be wrong.\n\nPlease, check it and retry.",
      ControlText(box, IDC_BOX_TEXT));
  EXPECT_EQ(288, LastPictures(log)[IDC_PROGRESS_STATUS2]) << "the failed picture on \"Signature\"";
  Click(box, IDC_BOX_BUTTON3);
  EXPECT_EQ(0, demo.WaitExit(10000));
}

class ProgressCancel : public ::testing::TestWithParam<bool> {};  // true: Escape

TEST_P(ProgressCancel, StopsALargeEncryptionAndLeavesNothing) {
  const std::string source = WorkFile("large.bin");
  const std::string log = WorkFile("cancel.log");
  DeleteFileA((source + ".vek").c_str());
  {
    // 1 GiB of zeros without writing them (a sparse file on the host).
    HANDLE file = CreateFileA(source.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    size.QuadPart = 1024LL * 1024 * 1024;
    SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
  }
  const std::set<std::string> before = FolderNames(TemporaryFolder());

  Program demo("progress_demo.exe", {"encrypt", source, "long work", log});
  HWND dialog = WaitForWindow("Encrypt...", demo.pid());
  ASSERT_NE(dialog, nullptr);
  // Cancel once the work has visibly started: the first point on any bar. A gigabyte
  // leaves it far from done, however fast the machine.
  bool started = false;
  for (DWORD start = GetTickCount(); !started && GetTickCount() - start < 30000; Sleep(5))
    for (int bar : {IDC_PROGRESS_BAR1, IDC_PROGRESS_BAR2, IDC_PROGRESS_BAR3})
      if (SendMessageA(GetDlgItem(dialog, bar), PBM_GETPOS, 0, 0) > 0) started = true;
  ASSERT_TRUE(started);
  ASSERT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)) && IsWindowVisible(GetDlgItem(dialog, IDCANCEL)));
  if (GetParam())
    PressKey(dialog, VK_ESCAPE);
  else
    Click(dialog, IDCANCEL);

  long code = -1;
  bool message = false;
  for (DWORD start = GetTickCount(); GetTickCount() - start < 60000;) {
    if (WaitForWindow("Quillnox Warning", demo.pid(), 0)) message = true;
    code = demo.WaitExit(50);
    if (code != -1) break;
  }
  EXPECT_EQ(0, code) << "cancelled, not finished";
  EXPECT_FALSE(message);
  EXPECT_FALSE(Exists(source + ".vek"));
  // Other tests of the run share the temporary folder: only what appeared counts.
  std::vector<std::string> left;
  for (const std::string& name : FolderNames(TemporaryFolder()))
    if (before.count(name) == 0) left.push_back(name);
  EXPECT_TRUE(left.empty()) << "no temporary file or folder left: " << (left.empty() ? "" : left.front());
  DeleteFileA(source.c_str());
}

INSTANTIATE_TEST_SUITE_P(Keys, ProgressCancel, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Escape" : "Button"; });

}  // namespace
