// "Encrypt and Mail" end to end: the real Quillnox.exe with a file and a text in its
// window, the send button pressed like a user, and the recording fake "MAPI32.DLL"
// beside it, which keeps a copy of each attachment it is handed (the program deletes
// its own afterwards). Checked: what the mail carried, that the container opens with
// the passphrase, and what is left in the temporary folder and in the window.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "container/operation.h"
#include "container/result.h"
#include "resources/resource.h"
#include "tests/support/win32/files.h"
#include "tests/support/win32/folders.h"
#include "tests/support/win32/processes.h"
#include "tests/support/win32/window_driver.h"

namespace {

constexpr char kProgram[] = "Quillnox.exe";
constexpr char kTitle[] = "Quillnox";
constexpr char kSettingsKey[] = "Software\\Orvanel\\Quillnox\\4.10EN";
constexpr char kPassphrase[] = "mail me safely";

[[maybe_unused]] std::uint32_t Le32At(const std::string& bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  return value;
}

int ItemCount(HWND window) {
  DWORD_PTR count = 0;
  SendMessageTimeoutA(GetDlgItem(window, IDC_MAIN_FILES), LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
  return static_cast<int>(count);
}

struct ChildText {
  std::string text;
};

BOOL CALLBACK FindStaticText(HWND child, LPARAM lparam) {
  char class_name[16] = "";
  GetClassNameA(child, class_name, sizeof class_name);
  char text[1024] = "";
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                      &copied);
  if (lstrcmpiA(class_name, "Static") == 0 && text[0] != '\0') {
    reinterpret_cast<ChildText*>(lparam)->text = text;
    return FALSE;
  }
  return TRUE;
}

// The text of a system message box (its one static text with words in it).
[[maybe_unused]] std::string MessageBoxText(HWND box) {
  ChildText found;
  EnumChildWindows(box, FindStaticText, reinterpret_cast<LPARAM>(&found));
  return found.text;
}

struct TitleList {
  DWORD pid;
  std::string titles;
};

BOOL CALLBACK AddTitle(HWND window, LPARAM lparam) {
  auto* list = reinterpret_cast<TitleList*>(lparam);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char title[256] = "";
  if (pid == list->pid && IsWindowVisible(window) && GetWindowTextA(window, title, sizeof title))
    list->titles += std::string("[") + title + "] ";
  return TRUE;
}

// The titles of the process's visible windows, for failure messages.
std::string WindowTitles(DWORD pid) {
  TitleList list = {pid, ""};
  EnumWindows(AddTitle, reinterpret_cast<LPARAM>(&list));
  return list.titles;
}

class SendEncryptedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    // The default mail client is not Lotus Notes: Simple MAPI, the fake beside us.
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("Outlook Express"), 16);
    RegCloseKey(key);
    // The installation folder, where the mail's body would come from ("mail.txt").
    const std::string open = TestProgramFolder() + "Quillnox.exe %1";
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "VekFile\\Shell\\Open\\Command", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(open.c_str()),
                   static_cast<DWORD>(open.size() + 1));
    RegCloseKey(key);

    log_ = TestProgramFolder() + "mapi_calls.txt";
    kept_ = TestProgramFolder() + "kept\\";
    DeleteFileA(log_.c_str());
    CreateDirectoryA(kept_.c_str(), nullptr);
    for (const char* name : {"file.vek", "file.exe"}) {
      DeleteFileA((kept_ + name).c_str());
      DeleteFileA((TemporaryFolder() + name).c_str());
    }
    SetEnvironmentVariableA("QLX_FAKE_MAPI_LOG", log_.c_str());
    SetEnvironmentVariableA("QLX_FAKE_MAPI_KEEP", kept_.c_str());

    source_ = TestProgramFolder() + "report.txt";
    WriteAll(source_, "Quarterly figures, to be mailed encrypted.\r\n");
    const std::string list = TemporaryFolder() + "vekflist.tmp";
    WriteAll(list, source_ + "\n");
    program_ = std::make_unique<Program>(kProgram, std::vector<std::string>{"/d", list});
    ASSERT_TRUE(program_->started());
    window_ = WaitForWindow(kTitle, program_->pid());
    ASSERT_NE(window_, nullptr);
    Sync(window_);
    ASSERT_EQ(ItemCount(window_), 1);
    SetControlText(window_, IDC_MAIN_TEXT, "See the attached report.");
  }
  void TearDown() override {
    if (window_ != nullptr && IsWindow(window_)) {
      Click(window_, IDC_MAIN_QUIT);
      EXPECT_EQ(program_->WaitExit(), 0);
    }
    program_.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
  }

  // The toggle shows 1244 once it is on.
  void TurnSelfExtractingOn() {
    Click(window_, IDC_MAIN_SELFX_OFF);
    Sync(window_);
    for (int i = 0; i < 80 && GetDlgItem(window_, IDC_MAIN_SELFX_ON) == nullptr; ++i) Sleep(25);
    ASSERT_NE(GetDlgItem(window_, IDC_MAIN_SELFX_ON), nullptr);
  }

  void ClickSend() {
    ASSERT_TRUE(IsWindowEnabled(GetDlgItem(window_, IDC_MAIN_SEND)));
    ASSERT_TRUE(IsWindowVisible(GetDlgItem(window_, IDC_MAIN_SEND)));
    Click(window_, IDC_MAIN_SEND);
  }

  // Waits until the mail was handed over and the program has deleted the attachment.
  bool WaitForMail(const std::string& attachment) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(50)) {
      if (ReadAll(log_).find("files=1") != std::string::npos && !Exists(attachment)) {
        Sync(window_);
        return true;
      }
    }
    return false;
  }

  // The "file path=..." line of the mail's one attachment.
  std::string AttachmentLine() {
    const std::string log = ReadAll(log_);
    const std::size_t at = log.find("file path=");
    return at == std::string::npos ? "" : log.substr(at, log.find('\n', at) - at);
  }

  static std::string Shown(const std::string& path) {
    std::string shown;
    for (char c : path) shown += c == '\\' ? std::string("\\x5c") : std::string(1, c);
    return shown;
  }

  std::unique_ptr<Program> program_;
  HWND window_ = nullptr;
  std::string log_, kept_, source_;
};

TEST_F(SendEncryptedTest, ToggleOffMailsFileVekAndDeletesIt) {
  SetControlText(window_, IDC_MAIN_KEY_FIELD, kPassphrase);
  const std::set<std::string> before = FolderNames(TemporaryFolder());
  ClickSend();
  ASSERT_TRUE(WaitForMail(TemporaryFolder() + "file.vek")) << ReadAll(log_);

  EXPECT_NE(ReadAll(log_).find("subject=\"Quillnox File\""), std::string::npos);
  EXPECT_EQ(AttachmentLine(), "file path=\"" + Shown(TemporaryFolder() + "file.vek") +
                                  "\" name=\"file.vek\" position=0xffffffff flags=0x0 reserved=0 type=(null)");
  // What was mailed is a container that the passphrase opens, and only that one.
  const std::string mailed = kept_ + "file.vek";
  EXPECT_EQ(PassphraseOpensContainer(mailed.c_str(), kPassphrase), RESULT_OK);
  EXPECT_EQ(PassphraseOpensContainer(mailed.c_str(), "another one"), RESULT_WRONG_SIGNATURE);

  // Nothing of the operation is left in the temporary folder; the source stays.
  EXPECT_EQ(FolderNames(TemporaryFolder()), before);
  EXPECT_TRUE(Exists(source_));
  // The sent document left the window: no file is listed any more.
  EXPECT_EQ(ItemCount(window_), 0);
}

TEST_F(SendEncryptedTest, NoPassphraseWarnsAndSendsNothing) {
  SetControlText(window_, IDC_MAIN_KEY_FIELD, "");
  const std::set<std::string> before = FolderNames(TemporaryFolder());
  ClickSend();
  HWND box = WaitForWindow("Quillnox Warning", program_->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(ControlText(box, IDC_BOX_TEXT), "A password is required to encrypt the file");
  Click(box, IDC_BOX_BUTTON3);
  Sync(window_);
  EXPECT_EQ(ReadAll(log_), "<missing>") << "no mail";
  EXPECT_EQ(FolderNames(TemporaryFolder()), before);
  EXPECT_EQ(ItemCount(window_), 1);
}

// The default mail client is Lotus Notes: the mail goes through "notes.dll" beside
// Quillnox.exe to the fake Notes automation server, never to Simple MAPI.
class SendThroughNotesTest : public SendEncryptedTest {
 protected:
  void SetUp() override {
    record_ = TestProgramFolder() + "notes_calls.txt";
    DeleteFileA(record_.c_str());
    SetEnvironmentVariableA("QLX_FAKE_NOTES_LOG", record_.c_str());
    SetEnvironmentVariableA("QLX_FAKE_NOTES", "");
    const std::string server = TestProgramFolder() + "fake_notes_server.dll";
    for (const auto& [prog_id, clsid] : {std::pair{"Notes.NotesSession", "{5A0C3E1B-7D42-4F0A-9E61-3B8C2D4F5A01}"},
                                         std::pair{"Notes.NotesUIWorkspace", "{5A0C3E1B-7D42-4F0A-9E61-3B8C2D4F5A02}"}}) {
      SetText(HKEY_CLASSES_ROOT, std::string(prog_id) + "\\CLSID", nullptr, clsid);
      const std::string key = std::string("CLSID\\") + clsid + "\\InprocServer32";
      SetText(HKEY_CLASSES_ROOT, key, nullptr, server);
      SetText(HKEY_CLASSES_ROOT, key, "ThreadingModel", "Apartment");
    }
    SetText(HKEY_LOCAL_MACHINE, "Software\\Lotus\\Notes\\6.5", "Path", TestProgramFolder());
    SetText(HKEY_LOCAL_MACHINE, "Software\\Lotus\\Notes\\6.5", "Name", "fakenotes.exe");
    SendEncryptedTest::SetUp();
    SetText(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail", nullptr, "Lotus Notes");
  }
  void TearDown() override {
    SendEncryptedTest::TearDown();
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Lotus");
    SetEnvironmentVariableA("QLX_FAKE_NOTES_LOG", nullptr);
  }
  static void SetText(HKEY root, const std::string& path, const char* name, const std::string& text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
  }
  std::string record_;
};

TEST_F(SendThroughNotesTest, TheContainerGoesThroughNotesAndIsDeletedAfter) {
  SetControlText(window_, IDC_MAIN_KEY_FIELD, kPassphrase);
  const std::set<std::string> before = FolderNames(TemporaryFolder());
  ClickSend();
  const std::string attachment = "text:\"" + TemporaryFolder() + "file.vek\"";
  bool sent = false;
  for (DWORD start = GetTickCount(); !sent && GetTickCount() - start < 20000; Sleep(50))
    sent = ReadAll(record_).find(attachment) != std::string::npos;
  ASSERT_TRUE(sent) << ReadAll(record_) << WindowTitles(program_->pid());
  Sync(window_);
  const std::string calls = ReadAll(record_);
  EXPECT_NE(calls.find("method(text:\"Subject\",text:\"Quillnox File\")"), std::string::npos) << calls;
  EXPECT_EQ(ReadAll(log_), "<missing>") << "Simple MAPI was not used";
  // The attachment is deleted after the hand-over, and nothing else stays.
  for (int i = 0; i < 100 && FolderNames(TemporaryFolder()) != before; ++i) Sleep(50);
  EXPECT_EQ(FolderNames(TemporaryFolder()), before);
  EXPECT_EQ(ItemCount(window_), 0);
}

// No Simple MAPI library: the fake refuses to load.
class SendWithoutMapiTest : public SendEncryptedTest {
 protected:
  void SetUp() override {
    SetEnvironmentVariableA("QLX_FAKE_MAPI_UNLOADABLE", "1");
    SendEncryptedTest::SetUp();
  }
  void TearDown() override {
    SendEncryptedTest::TearDown();
    SetEnvironmentVariableA("QLX_FAKE_MAPI_UNLOADABLE", nullptr);
  }
};

TEST_F(SendWithoutMapiTest, RemovesTheContainerAndKeepsTheDocument) {
  SetControlText(window_, IDC_MAIN_KEY_FIELD, kPassphrase);
  const std::set<std::string> before = FolderNames(TemporaryFolder());
  ClickSend();
  HWND box = WaitForWindow("Quillnox Error", program_->pid(), 20000);
  ASSERT_NE(box, nullptr) << WindowTitles(program_->pid()) << ReadAll(log_);
  EXPECT_EQ(ControlText(box, IDC_BOX_TEXT), "Unable to load MAPI32.DLL");
  Click(box, IDC_BOX_BUTTON3);
  Sync(window_);
  for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(20);
  Sync(window_);
  EXPECT_EQ(ReadAll(log_), "<missing>") << "no mail";
  EXPECT_EQ(FolderNames(TemporaryFolder()), before);
  EXPECT_EQ(ItemCount(window_), 1) << "nothing was sent: the document stays to be sent again";
  // The document itself still holds the file: a file handed over now joins it.
  const std::string second = TestProgramFolder() + "second.txt";
  WriteAll(second, "another file");
  WriteAll(TemporaryFolder() + "vekflist.tmp", second + "\n");
  Program hand_over(kProgram, {"/d", TemporaryFolder() + "vekflist.tmp"});
  EXPECT_EQ(hand_over.WaitExit(), 0);
  Sync(window_);
  EXPECT_EQ(ItemCount(window_), 2);
}

// The mail program does not take the message: refused (said), or cancelled by the user
// in it (quiet). Either way nothing was sent, so the document stays to be sent again,
// and the attachment is gone.
class SendNotTakenTest : public SendEncryptedTest, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    SetEnvironmentVariableA("QLX_FAKE_MAPI_SEND", GetParam());
    SendEncryptedTest::SetUp();
  }
  void TearDown() override {
    SendEncryptedTest::TearDown();
    SetEnvironmentVariableA("QLX_FAKE_MAPI_SEND", nullptr);
  }
};

TEST_P(SendNotTakenTest, KeepsTheDocumentAndRemovesTheAttachment) {
  const bool refused = std::string(GetParam()) != "1";  // 1: MAPI_USER_ABORT
  SetControlText(window_, IDC_MAIN_KEY_FIELD, kPassphrase);
  const std::set<std::string> before = FolderNames(TemporaryFolder());
  ClickSend();
  if (refused) {
    HWND box = WaitForWindow("Quillnox Warning", program_->pid(), 20000);
    ASSERT_NE(box, nullptr) << WindowTitles(program_->pid()) << ReadAll(log_);
    EXPECT_EQ(ControlText(box, IDC_BOX_TEXT),
              "The mail program did not take the message (MAPISendMail error 2).\nNothing was sent.");
    Click(box, IDC_BOX_BUTTON3);
    for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(20);
  }
  ASSERT_TRUE(WaitForMail(TemporaryFolder() + "file.vek")) << ReadAll(log_);
  EXPECT_EQ(WaitForWindow("Quillnox Warning", program_->pid(), 300), nullptr);
  EXPECT_EQ(FolderNames(TemporaryFolder()), before);
  EXPECT_EQ(ItemCount(window_), 1) << "the document left the window although nothing was sent";
  EXPECT_EQ(ControlText(window_, IDC_MAIN_TEXT), "See the attached report.");
}

INSTANTIATE_TEST_SUITE_P(Answers, SendNotTakenTest, ::testing::Values("2", "1"),
                         [](const auto& info) { return std::string(info.param) == "1" ? "UserAbort" : "Failure"; });

// Quillnox.exe carries the extractor: the mail carries "file.exe", the extractor
// followed by the container and a trailer that points at it.
TEST_F(SendEncryptedTest, ToggleOnMailsAPackageOfExtractorContainerAndTrailer) {
  TurnSelfExtractingOn();
  SetControlText(window_, IDC_MAIN_KEY_FIELD, kPassphrase);
  const std::set<std::string> before = FolderNames(TemporaryFolder());
  ClickSend();
  ASSERT_TRUE(WaitForMail(TemporaryFolder() + "file.exe")) << ReadAll(log_);
  EXPECT_EQ(AttachmentLine(), "file path=\"" + Shown(TemporaryFolder() + "file.exe") +
                                  "\" name=\"file.exe\" position=0xffffffff flags=0x0 reserved=0 type=(null)");
  EXPECT_NE(ReadAll(log_).find("body=(null)"), std::string::npos) << "a package goes without a body";

  // The stub is Quillnox.exe's resource "EXE" 502, byte for byte.
  HMODULE quillnox = LoadLibraryExA((TestProgramFolder() + kProgram).c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(quillnox, nullptr);
  HRSRC resource = FindResourceA(quillnox, MAKEINTRESOURCEA(502), "EXE");
  ASSERT_NE(resource, nullptr);
  const std::string stub(static_cast<const char*>(LockResource(LoadResource(quillnox, resource))),
                         SizeofResource(quillnox, resource));
  FreeLibrary(quillnox);

  const std::string package = ReadAll(kept_ + "file.exe");
  const std::size_t size = package.size();
  ASSERT_GT(size, stub.size() + 36);
  EXPECT_EQ(package.substr(0, stub.size()), stub);
  EXPECT_EQ(package.substr(size - 8), "QLXSELFX");
  EXPECT_EQ(package.substr(size - 12, 4), "1.01");
  EXPECT_EQ(Le32At(package, size - 16), 1u);
  EXPECT_EQ(Le32At(package, size - 20), 8u);
  EXPECT_EQ(package.substr(size - 28, 8), "file.vek");
  const std::uint32_t payload = Le32At(package, size - 32);
  EXPECT_EQ(Le32At(package, size - 36), stub.size());
  ASSERT_EQ(stub.size() + payload + 36, size);
  WriteAll(kept_ + "payload.vek", package.substr(stub.size(), payload));
  EXPECT_EQ(PassphraseOpensContainer((kept_ + "payload.vek").c_str(), kPassphrase), RESULT_OK);

  EXPECT_EQ(FolderNames(TemporaryFolder()), before) << "neither the package nor the container stays";
  EXPECT_EQ(ItemCount(window_), 0);
}
}  // namespace
