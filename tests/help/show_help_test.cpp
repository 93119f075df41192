// ShowHelp as the program calls it, on a system with and without the WinHelp viewer.
// With "winhlp32.exe" present the viewer opens the help file; with it taken out of
// the prefix the page "Quillnox.htm" beside the program goes to the program
// registered for ".htm" (a stand-in that records its command line) as a "file:///"
// address with the topic's anchor. The test changes the system folder and the file
// associations, so it runs in a prefix of its own. The page's address names the folder
// in UTF-8 also when no ANSI code page can write its name.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/dialogs/help.h"
#include "tests/support/win32/files.h"
#include "tests/support/win32/folders.h"

namespace {

std::string Record() { return TestProgramFolder() + "browser\\started.txt"; }

// The stand-in's record of its command line, waited for up to 20 s ("" if none).
std::string WaitForRecord() {
  for (DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(50))
    if (Exists(Record())) return Content(Record());
  return "";
}

void SetDefault(const std::string& key, const std::string& value) {
  HKEY k;
  ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, key.c_str(), &k), ERROR_SUCCESS);
  RegSetValueExA(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(k);
}

std::string Viewer() { return SystemFolder() + "\\winhlp32.exe"; }

// This folder as the page's address: "file:///" and the path with slashes (the build
// folder holds no character that an address would have to escape).
std::string PageAddress() {
  std::string address = "file:///" + TestProgramFolder() + "Quillnox.htm";
  for (char& c : address)
    if (c == '\\') c = '/';
  return address;
}

class HelpRoute : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The stand-in browser, registered for ".htm".
    SetDefault(".htm", "QuillnoxTestPage");
    SetDefault("QuillnoxTestPage\\shell\\open\\command", "\"" + TestProgramFolder() + "browser\\browser.exe\" \"%1\"");
  }
  void SetUp() override {
    ASSERT_TRUE(Exists(TestProgramFolder() + "Quillnox.htm"));
    DeleteFileA(Record().c_str());
  }
};

TEST_F(HelpRoute, WithoutTheViewerThePageOpensAtTheTopicsAnchor) {
  ASSERT_TRUE(MoveFileA(Viewer().c_str(), (Viewer() + ".away").c_str()));
  struct PutBack {
    ~PutBack() { MoveFileA((Viewer() + ".away").c_str(), Viewer().c_str()); }
  } put_back;
  const std::string page = Content(TestProgramFolder() + "Quillnox.htm");
  struct Case {
    int topic;
    std::string anchor;
  };
  const Case cases[] = {{8, "#ctx8"}, {101, "#ctx101"}, {5, "#ctx5"}, {-1, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.topic);
    DeleteFileA(Record().c_str());
    ShowHelp(nullptr, c.topic);
    EXPECT_EQ(WaitForRecord(), "\"" + PageAddress() + c.anchor + "\"");
    if (!c.anchor.empty()) {  // the page has that anchor
      EXPECT_NE(page.find("id=\"" + c.anchor.substr(1) + "\""), std::string::npos);
    }
  }
  EXPECT_EQ(FindWindowA("MS_WINHELP", nullptr), nullptr);
}

std::wstring Wide(const std::string& text) {
  wchar_t wide[MAX_PATH];
  return MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, MAX_PATH) > 0 ? wide : L"";
}

// The program in a folder whose name no ANSI code page can write: the page's address is
// made from the wide path, percent-encoded as UTF-8. A copy of this test program runs
// from there and shows the help (ShowHelpHere below).
TEST_F(HelpRoute, AFolderOutsideTheCodePageIsAddressedAsUtf8) {
  ASSERT_TRUE(MoveFileA(Viewer().c_str(), (Viewer() + ".away").c_str()));
  struct PutBack {
    ~PutBack() { MoveFileA((Viewer() + ".away").c_str(), Viewer().c_str()); }
  } put_back;
  const std::wstring folder = L"C:\\qlx \u03A9mega \u65E5\\";
  CreateDirectoryW(folder.c_str(), nullptr);
  for (const char* name : {"show_help_test.exe", "Quillnox.htm"})
    ASSERT_TRUE(CopyFileW(Wide(TestProgramFolder() + name).c_str(), (folder + Wide(name)).c_str(), FALSE)) << name;
  std::wstring command = L"\"" + folder + L"show_help_test.exe\" --gtest_filter=ShowHelpHere.*";
  SetEnvironmentVariableA("QLX_SHOW_HELP_HERE", "8");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const BOOL started =
      CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
  SetEnvironmentVariableA("QLX_SHOW_HELP_HERE", nullptr);
  ASSERT_TRUE(started);
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(WaitForRecord(), "\"file:///C:/qlx%20%CE%A9mega%20%E6%97%A5/Quillnox.htm#ctx8\"");
  for (const char* name : {"show_help_test.exe", "Quillnox.htm"}) DeleteFileW((folder + Wide(name)).c_str());
  RemoveDirectoryW(folder.c_str());
}

// Run only by the test above, in its copy of this program.
TEST(ShowHelpHere, TheTopicItIsGiven) {
  const char* topic = std::getenv("QLX_SHOW_HELP_HERE");
  if (topic == nullptr) GTEST_SKIP() << "started by AFolderOutsideTheCodePageIsAddressedAsUtf8";
  ShowHelp(nullptr, std::atoi(topic));
}

TEST_F(HelpRoute, WithTheViewerWinHelpShowsTheHelpFile) {
  ASSERT_TRUE(Exists(Viewer()));
  ShowHelp(nullptr, 8);
  HWND viewer = nullptr;
  for (DWORD start = GetTickCount(); !viewer && GetTickCount() - start < 30000; Sleep(100))
    viewer = FindWindowA("MS_WINHELP", nullptr);
  EXPECT_NE(viewer, nullptr);
  EXPECT_FALSE(Exists(Record()));  // no page
  if (viewer) {
    PostMessageA(viewer, WM_CLOSE, 0, 0);
    for (DWORD start = GetTickCount(); FindWindowA("MS_WINHELP", nullptr) && GetTickCount() - start < 5000;)
      Sleep(100);
  }
}

}  // namespace
