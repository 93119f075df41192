// The main commands of Quillnox.exe driven through its real window under Wine:
// Open, encrypting and decrypting locally (also onto another volume, Q:), the text-only save
// dialog, a received container's destination, Reply, New document, Decrypt and Open
// with an application that holds its file (hold_file, associated with ".qlxhold"), also
// after files were removed from the list, a full disk (F:), and the command lines that
// decrypt at once ("/l", "/ks:") or hand containers, files and folders to a running
// window ("/l", "/d"). Containers are made here with the core; the
// passphrase is stored and selected in the user's list, so identification is automatic.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "container/format.h"
#include "container/operation.h"
#include "crypto/des.h"
#include "crypto/md5.h"
#include "keys/passphrase_list.h"
#include "keys/settings.h"
#include "resources/resource.h"
#include "tests/support/win32/files.h"
#include "tests/support/win32/folders.h"
#include "tests/support/win32/processes.h"
#include "tests/support/win32/window_driver.h"

namespace {

constexpr char kProgram[] = "Quillnox.exe";
constexpr char kTitle[] = "Quillnox";
constexpr char kBox[] = "Quillnox Warning";
constexpr char kKey[] = "Software\\Orvanel\\Quillnox\\4.10EN";
constexpr char kPass[] = "commands test passphrase";
constexpr char kWork[] = "C:\\qlxwork\\";
constexpr DWORD kOperationWait = 30000;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Bytes that do not compress (a simple generator), or letters for a text.
std::string Noise(std::size_t size, unsigned seed, bool letters = false) {
  std::string out(size, '\0');
  std::uint32_t x = 2463534242u + seed;
  for (std::size_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    out[i] = letters ? static_cast<char>('a' + x % 26) : static_cast<char>(x & 0xFF);
  }
  return out;
}

FILETIME Stamp() {
  SYSTEMTIME t = {2001, 2, 6, 3, 4, 5, 6, 0};
  FILETIME f;
  SystemTimeToFileTime(&t, &f);
  return f;
}

void SetStamp(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  const FILETIME f = Stamp();
  SetFileTime(h, nullptr, nullptr, &f);
  CloseHandle(h);
}

bool HasStamp(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  const FILETIME f = Stamp();
  return CompareFileTime(&data.ftLastWriteTime, &f) == 0;
}

int CountMatching(const std::string& pattern) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do {
    if (std::strcmp(data.cFileName, ".") != 0 && std::strcmp(data.cFileName, "..") != 0) ++n;
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return n;
}

// The private decryption folders in the temporary folder.
int DecryptionFolders() { return CountMatching(TemporaryFolder() + "vekdec*"); }

// Files of the Recycle Bin (Wine keeps it in the run's own trash folder).
bool InTrash(const std::string& name) { return Exists(Env("QLX_TRASH") + "\\" + name); }

struct Item {
  std::string stored_name;  // as the container names it
  std::string content;
};

// Makes one container at target holding text (may be empty) and the files, encrypted
// under kPass. The files are written to short work names first, so a stored name may
// be longer than any path could be.
void MakeContainer(const std::string& target, const std::string& text, const std::vector<Item>& items) {
  std::vector<FileEntry> entries(items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string source = TemporaryFolder() + "src" + std::to_string(i) + ".bin";
    WriteAll(source, items[i].content);
    SetStamp(source);
    entries[i] = FileEntry{};
    ASSERT_TRUE(FileEntryFromPath(source.c_str(), &entries[i]));
    std::snprintf(entries[i].name, sizeof entries[i].name, "%s", items[i].stored_name.c_str());
  }
  char* owned_text = nullptr;
  if (!text.empty()) {
    owned_text = OperationTextAllocate(text.size() + 1);
    std::memcpy(owned_text, text.c_str(), text.size() + 1);
  }
  OperationRequest request{DIRECTION_ENCRYPT, owned_text, kPass, nullptr, static_cast<std::uint32_t>(entries.size()),
                           entries.empty() ? nullptr : entries.data(), 0, ALGORITHM_AES};
  ASSERT_EQ(EncryptOperation(&request), 1u);
  OperationTextFree(owned_text);
  ASSERT_TRUE(MoveFileExA(request.entries[0].container, target.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
      << target;
  FileEntriesFree(request.entries);
  for (std::size_t i = 0; i < items.size(); ++i) DeleteFileA((TemporaryFolder() + "src" + std::to_string(i) + ".bin").c_str());
}

// The session key of a container, unwrapped with kPass, as 32 hexadecimal digits.
std::string SessionKeyHex(const std::string& container) {
  std::FILE* file = std::fopen(container.c_str(), "rb");
  if (!file) return "";
  char version[CONTAINER_VERSION_SIZE];
  ContainerWalk walk;
  std::uint8_t wrapped[24] = {};
  std::uint32_t wrapped_length = 0;
  if (ContainerReadHeader(file, version) == 1 && ContainerWalkBegin(&walk, file) == 1) {
    while (ContainerWalkNext(&walk) == WALK_CHUNK) {
      if (walk.kind != CHUNK_KHKY || walk.length > sizeof wrapped) continue;
      if (ContainerWalkRead(&walk, wrapped, walk.length) == 1) wrapped_length = walk.length;
      break;
    }
  }
  std::fclose(file);
  if (wrapped_length == 0) return "";
  std::uint8_t key[16];
  DesScheduleAcquire();
  SessionKeyUnwrap(wrapped, wrapped_length, kPass, key);
  DesScheduleRelease();
  std::string hex;
  char pair[3];
  for (std::uint8_t b : key) {
    std::snprintf(pair, sizeof pair, "%02X", b);
    hex += pair;
  }
  return hex;
}

void WriteList(const std::vector<std::string>& paths) {
  std::string text;
  for (const std::string& path : paths) text += path + "\n";
  WriteAll(TemporaryFolder() + "vekflist.tmp", text);
}

int ItemCount(HWND window) {
  DWORD_PTR count = 0;
  SendMessageTimeoutA(GetDlgItem(window, IDC_MAIN_FILES), LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
  return static_cast<int>(count);
}

bool Enabled(HWND window, int id) { return IsWindowEnabled(GetDlgItem(window, id)) != FALSE; }

// Answers a box of the process with button and gives its text ("<no box>" when none).
std::string AnswerBox(DWORD pid, int button, DWORD ms = 10000) {
  HWND box = nullptr;
  Eventually(
      [&] {
        box = WaitForWindow(kBox, pid, 50);
        return box != nullptr && GetDlgItem(box, IDC_BOX_TEXT) != nullptr;
      },
      ms);
  if (box == nullptr) return "<no box>";
  Sync(box);
  const std::string text = ControlText(box, IDC_BOX_TEXT);
  Click(box, button);
  Eventually([box] { return !IsWindow(box); }, 5000);
  return text;
}

// Types a full path into the process's save dialog of that title and confirms it (empty:
// cancels). Gives the name the dialog proposed.
std::string AnswerSaveDialog(const char* title, DWORD pid, const std::string& path) {
  HWND dialog = WaitForWindow(title, pid, kOperationWait);
  if (dialog == nullptr) return "<no dialog>";
  Sync(dialog);
  const std::string proposed = ControlText(dialog, 0x47C);  // the file-name field (cmb13)
  if (path.empty()) {
    Click(dialog, IDCANCEL);
  } else {
    SetControlText(dialog, 0x47C, path);
    Click(dialog, IDOK);
  }
  return proposed;
}

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(SettingsCreateUserKey(), 1);
    const PassphraseList empty;
    ASSERT_EQ(PassphraseListStore(empty.Label(0), empty.Value(0), 0), 1);
    ASSERT_EQ(SettingsSetFlag(SETTING_AUTHREQ, 0), 1);
    ASSERT_EQ(PassphraseListAdd(nullptr, "test", kPass), 1);
    ASSERT_EQ(PassphraseListSelect(1), 1);
    CreateDirectoryA(kWork, nullptr);
    EmptyFolder(kWork);
    EmptyFolder(Env("QLX_TRASH") + "\\");
    DeleteFileA((TemporaryFolder() + "vekflist.tmp").c_str());
    folders_before_ = DecryptionFolders();  // other tests of the run may have left theirs
  }
  void TearDown() override {
    EXPECT_EQ(DecryptionFolders(), folders_before_) << "a private decryption folder stayed";
    EmptyFolder(kWork);
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
  }

  // Starts Quillnox.exe and waits for its main window (the identification notice has
  // the same title).
  static HWND Start(Program& program) {
    if (!program.started()) return nullptr;
    HWND window = nullptr;
    Eventually(
        [&] {
          window = WaitForWindow(kTitle, program.pid(), 50);
          return window != nullptr && GetDlgItem(window, IDC_MAIN_FILES) != nullptr;
        },
        kOperationWait);
    if (window == nullptr || GetDlgItem(window, IDC_MAIN_FILES) == nullptr) return nullptr;
    Sync(window);
    return window;
  }

  int folders_before_ = 0;
};

// --- local work -------------------------------------------------------------------------

TEST_F(CommandsTest, EncryptLocallyThenDecryptLocallyOnThisAndOnAnotherVolume) {
  std::vector<std::string> folders = {kWork};
  if (!Env("QLX_OTHER_VOLUME").empty()) folders.push_back(Env("QLX_OTHER_VOLUME") + "qlxwork\\");
  const std::string content = Noise(300000, 1) + std::string(200000, 'a');
  const std::string text = "the text\r\nline two";
  for (const std::string& folder : folders) {
    SCOPED_TRACE(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    EmptyFolder(Env("QLX_TRASH") + "\\");
    const std::string source = folder + "report.doc";
    WriteAll(source, content);
    SetStamp(source);

    // Encrypt: report.doc.vek beside the source, which goes; the text in text.vek.
    WriteList({source});
    {
      Program quillnox(kProgram, {"/m"});
      HWND window = Start(quillnox);
      ASSERT_NE(window, nullptr);
      EXPECT_EQ(ItemCount(window), 1);
      SetControlText(window, IDC_MAIN_TEXT, text);
      Click(window, IDC_MAIN_LOCAL);
      EXPECT_EQ(quillnox.WaitExit(kOperationWait), 0);
    }
    EXPECT_FALSE(Exists(source)) << "the source stayed";
    EXPECT_TRUE(Exists(source + ".vek"));
    EXPECT_TRUE(Exists(folder + "text.vek"));
    EXPECT_EQ(CountMatching(TemporaryFolder() + "*.vek"), 0) << "a temporary container stayed";

    // Decrypt the file's container: the file comes back beside it with its time, and
    // the container goes to the Recycle Bin.
    {
      Program quillnox(kProgram, {source + ".vek"});
      HWND window = Start(quillnox);
      ASSERT_NE(window, nullptr);
      EXPECT_EQ(ItemCount(window), 1);
      EXPECT_FALSE(Enabled(window, IDC_MAIN_REPLY)) << "not a received container";
      Click(window, IDC_MAIN_LOCAL);
      EXPECT_EQ(quillnox.WaitExit(kOperationWait), 0);
    }
    EXPECT_TRUE(Content(source) == content) << "the decrypted file differs";
    EXPECT_TRUE(HasStamp(source));
    EXPECT_FALSE(Exists(source + ".vek"));
    // (Wine's Recycle Bin of another host file system lies on that file system.)
    if (folder == kWork) {
      EXPECT_TRUE(InTrash("report.doc.vek"));
    }

    // The text's container: the text is written as Quillnox.txt.
    {
      Program quillnox(kProgram, {folder + "text.vek"});
      HWND window = Start(quillnox);
      ASSERT_NE(window, nullptr);
      EXPECT_EQ(ControlText(window, IDC_MAIN_TEXT), text);
      Click(window, IDC_MAIN_LOCAL);
      EXPECT_EQ(quillnox.WaitExit(kOperationWait), 0);
    }
    EXPECT_EQ(Content(folder + "Quillnox.txt"), text);
    EXPECT_FALSE(Exists(folder + "text.vek"));
    if (folder == kWork) {
      EXPECT_TRUE(InTrash("text.vek"));
    }
    if (folder != kWork) {
      EmptyFolder(folder);
      RemoveDirectoryA(folder.c_str());
    }
  }
}

TEST_F(CommandsTest, ATextAloneGoesThroughTheSaveDialogAndACancelLeavesNothing) {
  SettingsSetDir(2, kWork);
  const std::string target = std::string(kWork) + "message.vek";
  for (const bool cancel : {true, false}) {
    SCOPED_TRACE(cancel ? "cancel" : "save");
    Program quillnox(kProgram, {});
    HWND window = Start(quillnox);
    ASSERT_NE(window, nullptr);
    SetControlText(window, IDC_MAIN_TEXT, "only a text");
    Click(window, IDC_MAIN_LOCAL);
    EXPECT_EQ(AnswerSaveDialog("Encrypt the text in...", quillnox.pid(), cancel ? "" : target), "text.vek");
    EXPECT_EQ(quillnox.WaitExit(kOperationWait), 0) << "the window closes either way";
    EXPECT_EQ(Exists(target), !cancel);
    EXPECT_EQ(CountMatching(TemporaryFolder() + "*.vek"), 0) << "the temporary container stayed";
  }
  // What was saved is the text.
  Program quillnox(kProgram, {std::string(kWork) + "message.vek"});
  HWND window = Start(quillnox);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ControlText(window, IDC_MAIN_TEXT), "only a text");
  Click(window, IDC_MAIN_QUIT);
  EXPECT_EQ(quillnox.WaitExit(), 0);
}

TEST_F(CommandsTest, AReceivedContainerAsksForItsDestination) {
  const std::string dest = std::string(kWork) + "dest\\";
  CreateDirectoryA(dest.c_str(), nullptr);
  SettingsSetDir(2, kWork);
  const std::string received = TemporaryFolder() + "received.vek";
  MakeContainer(received, "Hi\r\nBye", {{"a.doc", "first file"}, {"b.xls", Noise(70000, 2)}});
  {
    Program quillnox(kProgram, {received});
    HWND window = Start(quillnox);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(Enabled(window, IDC_MAIN_REPLY)) << "the Reply state";
    EXPECT_EQ(ItemCount(window), 2);
    Click(window, IDC_MAIN_LOCAL);
    EXPECT_EQ(AnswerSaveDialog("Decrypt File in...", quillnox.pid(), dest + "a.doc"), "a.doc");
    EXPECT_EQ(quillnox.WaitExit(kOperationWait), 0);
  }
  EXPECT_EQ(Content(dest + "a.doc"), "first file");
  EXPECT_TRUE(HasStamp(dest + "a.doc"));
  EXPECT_TRUE(Content(dest + "b.xls") == Noise(70000, 2));
  EXPECT_EQ(Content(dest + "Quillnox.txt"), "Hi\r\nBye");
  EXPECT_FALSE(Exists(received)) << "every output is in place: the container is recycled";
  char stored[QLX_PATH_SIZE] = "";
  SettingsGetDir(2, stored);
  EXPECT_EQ(std::string(stored), dest);

  // A received text alone: "text.txt" is proposed and written.
  const std::string note = TemporaryFolder() + "note.vek";
  MakeContainer(note, "just a note", {});
  {
    Program quillnox(kProgram, {note});
    HWND window = Start(quillnox);
    ASSERT_NE(window, nullptr);
    // A text alone is no file: the list shows none, and Open cannot be pressed.
    EXPECT_EQ(ItemCount(window), 0);
    EXPECT_FALSE(Enabled(window, IDC_MAIN_DECRYPT_OPEN));
    EXPECT_FALSE(Enabled(window, IDC_MAIN_OPEN_CAPTION));
    Click(window, IDC_MAIN_LOCAL);
    EXPECT_EQ(AnswerSaveDialog("Decrypt File in...", quillnox.pid(), std::string(kWork) + "note.txt"), "text.txt");
    EXPECT_EQ(quillnox.WaitExit(kOperationWait), 0);
  }
  EXPECT_EQ(Content(std::string(kWork) + "note.txt"), "just a note");
  // The command leaves that container alone (nothing recycled); the window then
  // deletes a received attachment from the temporary folder as it closes.
  EXPECT_FALSE(InTrash("note.vek"));
  DeleteFileA(note.c_str());
}

TEST_F(CommandsTest, ACancelledNameKeepsTheContainer) {
  // The decrypted text's name is taken: "Cancel" skips it, so the container stays.
  const std::string container = std::string(kWork) + "kept.vek";
  MakeContainer(container, "the message", {{"data.bin", "data"}});
  WriteAll(std::string(kWork) + "Quillnox.txt", "older text");
  Program quillnox(kProgram, {container});
  HWND window = Start(quillnox);
  ASSERT_NE(window, nullptr);
  Click(window, IDC_MAIN_LOCAL);
  EXPECT_EQ(AnswerBox(quillnox.pid(), IDC_BOX_BUTTON3, kOperationWait), "The file \"Quillnox.txt\" already exists.");
  EXPECT_EQ(quillnox.WaitExit(kOperationWait), 0);
  EXPECT_EQ(Content(std::string(kWork) + "Quillnox.txt"), "older text");
  EXPECT_EQ(Content(std::string(kWork) + "data.bin"), "data");
  EXPECT_TRUE(Exists(container)) << "an output was skipped: the container must stay";
}

// --- reply and new document ------------------------------------------------------------

TEST_F(CommandsTest, ReplyQuotesTheTextAndTheNamesByteForByte) {
  const std::string long_name = std::string(255, 'n') + ".doc";  // 259 characters
  const std::string other_name = std::string(255, 'm') + ".xls";
  struct Case {
    const char* text;
    std::vector<std::string> names;
    std::string reply;
  } cases[] = {
      {"Hi\r\nBye", {"a.doc", "b.xls"}, "\r\n\r\n> [a.doc]\r\n> [b.xls]\r\n> ----\r\n> Hi\r\n> Bye"},
      {"ok", {}, "\r\n\r\n> ----\r\n> ok"},
      {"x", {long_name, other_name}, "\r\n\r\n> [" + long_name + "]\r\n> [" + other_name + "]\r\n> ----\r\n> x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string received = TemporaryFolder() + "reply.vek";
    std::vector<Item> items;
    for (const std::string& name : c.names) items.push_back({name, "content"});
    MakeContainer(received, c.text, items);
    Program quillnox(kProgram, {received});
    HWND window = Start(quillnox);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(Enabled(window, IDC_MAIN_REPLY));
    Click(window, IDC_MAIN_REPLY);
    ASSERT_TRUE(Eventually([&] { return !Enabled(window, IDC_MAIN_REPLY); }));
    Sync(window);
    EXPECT_EQ(ControlText(window, IDC_MAIN_TEXT), c.reply);
    EXPECT_EQ(ItemCount(window), 0);
    EXPECT_EQ(ControlText(window, IDC_MAIN_LOCAL_CAPTION), "Encrypt") << "encryption mode";
    EXPECT_EQ(WaitForWindow(kBox, quillnox.pid(), 300), nullptr);
    Click(window, IDC_MAIN_QUIT);
    EXPECT_EQ(quillnox.WaitExit(), 0);
    DeleteFileA(received.c_str());
  }
}

TEST_F(CommandsTest, NewDocumentAsksOnlyWhenTheWindowHoldsSomething) {
  Program quillnox(kProgram, {});
  HWND window = Start(quillnox);
  ASSERT_NE(window, nullptr);
  Click(window, IDC_MAIN_NEW);
  Sync(window);
  EXPECT_EQ(WaitForWindow(kBox, quillnox.pid(), 700), nullptr) << "an empty window asks nothing";

  SetControlText(window, IDC_MAIN_TEXT, "keep me");
  Click(window, IDC_MAIN_NEW);
  EXPECT_EQ(AnswerBox(quillnox.pid(), IDC_BOX_BUTTON3),
            "Encrypting a new document will reset the main window. Do you really want to encrypt a new document ?\n");
  Sync(window);
  EXPECT_EQ(ControlText(window, IDC_MAIN_TEXT), "keep me") << "\"No\" keeps everything";

  Click(window, IDC_MAIN_NEW);
  EXPECT_NE(AnswerBox(quillnox.pid(), IDC_BOX_BUTTON2), "<no box>");
  Sync(window);
  EXPECT_EQ(ControlText(window, IDC_MAIN_TEXT), "");
  Click(window, IDC_MAIN_QUIT);
  EXPECT_EQ(quillnox.WaitExit(), 0);
}

TEST_F(CommandsTest, OpenListsTheChosenFilesAndRemembersTheirFolder) {
  const std::string folder = std::string(kWork) + "picked\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  for (const char* name : {"a.doc", "b.txt"}) WriteAll(folder + name, name);
  Program quillnox(kProgram, {});
  HWND window = Start(quillnox);
  ASSERT_NE(window, nullptr);
  SetControlText(window, IDC_MAIN_TEXT, "kept");
  Click(window, IDC_MAIN_OPEN);
  HWND dialog = WaitForWindow("Open a file...", quillnox.pid());
  ASSERT_NE(dialog, nullptr);
  Sync(dialog);
  SetControlText(dialog, 0x47C, folder + "a.doc");
  Click(dialog, IDOK);
  ASSERT_TRUE(Eventually([&] { return ItemCount(window) == 1; }));
  char stored[QLX_PATH_SIZE] = "";
  SettingsGetDir(1, stored);
  EXPECT_EQ(std::string(stored), folder);

  // The next open starts in that folder; two more names are added to the list.
  Click(window, IDC_MAIN_OPEN);
  dialog = WaitForWindow("Open a file...", quillnox.pid());
  ASSERT_NE(dialog, nullptr);
  Sync(dialog);
  SetControlText(dialog, 0x47C, "\"a.doc\" \"b.txt\"");
  Click(dialog, IDOK);
  ASSERT_TRUE(Eventually([&] { return ItemCount(window) == 3; }));
  EXPECT_EQ(ControlText(window, IDC_MAIN_TEXT), "kept");
  Click(window, IDC_MAIN_QUIT);
  EXPECT_EQ(quillnox.WaitExit(), 0);
}

// --- opened files ---------------------------------------------------------------------

void SetClassCommand(const char* extension, const char* type, const std::string& command) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, extension, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), 0);
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(type), static_cast<DWORD>(strlen(type) + 1));
  RegCloseKey(key);
  const std::string path = std::string(type) + "\\shell\\open\\command";
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), 0);
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                 static_cast<DWORD>(command.size() + 1));
  RegCloseKey(key);
}

TEST_F(CommandsTest, OpenedFilesKeepTheProgramUntilTheirApplicationLetsThemGo) {
  SetClassCommand(".qlxhold", "QlxHoldFile", "\"" + TestProgramFolder() + "hold_file.exe\" \"%1\"");
  SetEnvironmentVariableA("QLX_HOLD_MS", "3000");
  const std::string container = std::string(kWork) + "held.vek";
  MakeContainer(container, "", {{"x.qlxhold", "first"}, {"y.qlxhold", "second"}});
  const std::string x_held = TemporaryFolder() + "x.qlxhold.held";
  const std::string y_held = TemporaryFolder() + "y.qlxhold.held";
  DeleteFileA(x_held.c_str());
  DeleteFileA(y_held.c_str());

  Program quillnox(kProgram, {container});
  HWND window = Start(quillnox);
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(ItemCount(window), 2);
  Click(window, IDC_MAIN_DECRYPT_OPEN);
  ASSERT_TRUE(Eventually([&] { return Exists(x_held); }, kOperationWait)) << "x was never opened";
  PostMessageA(GetDlgItem(window, IDC_MAIN_FILES), WM_KEYDOWN, VK_DOWN, 1);  // select the second file
  Sync(window);
  Click(window, IDC_MAIN_DECRYPT_OPEN);
  ASSERT_TRUE(Eventually([&] { return Exists(y_held); }, kOperationWait)) << "y was never opened";
  EXPECT_EQ(DecryptionFolders(), folders_before_ + 2);

  // Held: Quit is refused.
  Click(window, IDC_MAIN_QUIT);
  EXPECT_EQ(AnswerBox(quillnox.pid(), IDC_BOX_BUTTON3), "You must close the files opened with Quillnox before leaving.");
  EXPECT_EQ(quillnox.WaitExit(200), -1) << "the program quit while its files were held";

  // Released after 3 s: both go once their grace has passed, with their folders, and
  // Quit works again.
  EXPECT_TRUE(Eventually([this] { return DecryptionFolders() == folders_before_; }, 30000));
  Click(window, IDC_MAIN_QUIT);
  EXPECT_EQ(quillnox.WaitExit(), 0);
  EXPECT_TRUE(Exists(container)) << "Decrypt and Open leaves the container";
  DeleteFileA(x_held.c_str());
  DeleteFileA(y_held.c_str());
}

// After a file was removed from the list, the rows no longer follow the container's
// order: Decrypt and Open still opens the file the selected row shows.
TEST_F(CommandsTest, DecryptAndOpenOpensTheFileOfTheRowAfterARemoval) {
  SetClassCommand(".qlxhold", "QlxHoldFile", "\"" + TestProgramFolder() + "hold_file.exe\" \"%1\"");
  SetEnvironmentVariableA("QLX_HOLD_MS", "200");
  const std::string container = std::string(kWork) + "three.vek";
  MakeContainer(container, "", {{"first.qlxhold", "1"}, {"second.qlxhold", "2"}, {"third.qlxhold", "3"}});
  for (const char* name : {"first", "second", "third"}) DeleteFileA((TemporaryFolder() + name + ".qlxhold.held").c_str());

  Program quillnox(kProgram, {container});
  HWND window = Start(quillnox);
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(ItemCount(window), 3);
  // The first row is selected: the Delete key removes it ("Suppress").
  PostMessageA(GetDlgItem(window, IDC_MAIN_FILES), WM_KEYDOWN, VK_DELETE, 1);
  ASSERT_TRUE(Eventually([&] { return ItemCount(window) == 2; }));
  Sync(window);
  Click(window, IDC_MAIN_DECRYPT_OPEN);  // the first row now shows "second"
  ASSERT_TRUE(Eventually([&] { return Exists(TemporaryFolder() + "second.qlxhold.held") || Exists(TemporaryFolder() + "first.qlxhold.held"); },
                         kOperationWait))
      << "nothing was opened";
  EXPECT_TRUE(Exists(TemporaryFolder() + "second.qlxhold.held")) << "another file than the row's was opened";
  EXPECT_FALSE(Exists(TemporaryFolder() + "first.qlxhold.held"));
  // The opened file goes once its grace has passed; then the program may quit.
  EXPECT_TRUE(Eventually([this] { return DecryptionFolders() == folders_before_; }, 30000));
  Click(window, IDC_MAIN_QUIT);
  EXPECT_EQ(quillnox.WaitExit(), 0);
  for (const char* name : {"first", "second", "third"}) DeleteFileA((TemporaryFolder() + name + ".qlxhold.held").c_str());
}

// --- failures ----------------------------------------------------------------------------

TEST_F(CommandsTest, AFullDiskKeepsTheSourceAndTheContainerAndSaysSo) {
  const std::string full = Env("QLX_FULL_VOLUME");
  if (full.empty()) GTEST_SKIP() << "no small volume could be mounted here";
  EmptyFolder(full);

  // Encrypting: the container does not fit beside its source.
  const std::string source = full + "big.bin";
  const std::string content = Noise(600000, 3);
  WriteAll(source, content);
  WriteList({source});
  {
    Program quillnox(kProgram, {"/m"});
    HWND window = Start(quillnox);
    ASSERT_NE(window, nullptr);
    Click(window, IDC_MAIN_LOCAL);
    EXPECT_EQ(AnswerBox(quillnox.pid(), IDC_BOX_BUTTON3, kOperationWait).rfind("Unable to rename :", 0), 0u);
    EXPECT_EQ(quillnox.WaitExit(kOperationWait), 0);
  }
  EXPECT_TRUE(Content(source) == content) << "the source was touched";
  EXPECT_FALSE(Exists(source + ".vek")) << "a partial container stayed";
  EXPECT_EQ(CountMatching(full + "*"), 1);
  DeleteFileA(source.c_str());
  for (int i = 0; i < 3; ++i) DeleteFileA((TemporaryFolder() + "big.bin00" + std::to_string(i) + ".vek").c_str());

  // Decrypting: the text does not fit beside its container; reported, container kept.
  const std::string container = full + "long.vek";
  std::string text;
  for (int line = 0; text.size() < 120000; ++line) text += Noise(70, static_cast<unsigned>(line), true) + "\r\n";
  MakeContainer(container, text, {});
  ULARGE_INTEGER free_bytes = {};
  ASSERT_TRUE(GetDiskFreeSpaceExA(full.c_str(), &free_bytes, nullptr, nullptr));
  ASSERT_GT(free_bytes.QuadPart, 60000u);
  WriteAll(full + "filler.bin", std::string(static_cast<std::size_t>(free_bytes.QuadPart - 50000), 'f'));
  {
    Program quillnox(kProgram, {container});
    HWND window = Start(quillnox);
    ASSERT_NE(window, nullptr);
    Click(window, IDC_MAIN_LOCAL);
    EXPECT_EQ(AnswerBox(quillnox.pid(), IDC_BOX_BUTTON3, kOperationWait).rfind("Unable to write the text in :", 0), 0u);
    EXPECT_EQ(quillnox.WaitExit(kOperationWait), 0);
  }
  EXPECT_TRUE(Exists(container)) << "the text was lost: the container must stay";
  EXPECT_FALSE(Exists(full + "Quillnox.txt")) << "a partial text stayed";
  DeleteFileA(container.c_str());
  DeleteFileA((full + "filler.bin").c_str());
}

// --- command lines ------------------------------------------------------------------------

TEST_F(CommandsTest, CommandLinesThatDecryptAtOnceShowNoWindow) {
  // "/l" with a one-file container and no text: decrypted beside it, no window.
  const std::string one = std::string(kWork) + "one.vek";
  MakeContainer(one, "", {{"one.txt", "the only file"}});
  WriteList({one});
  {
    Program quillnox(kProgram, {"/l"});
    ASSERT_TRUE(quillnox.started());
    EXPECT_EQ(quillnox.WaitExit(kOperationWait), 0) << "a window waited";
  }
  EXPECT_EQ(Content(std::string(kWork) + "one.txt"), "the only file");
  EXPECT_TRUE(HasStamp(std::string(kWork) + "one.txt"));
  EXPECT_FALSE(Exists(one));
  EXPECT_TRUE(InTrash("one.vek"));

  // "/ks:" with the container's own session key: text and files beside it.
  const std::string keyed = std::string(kWork) + "keyed.vek";
  MakeContainer(keyed, "keyed text", {{"k.bin", "keyed file"}});
  const std::string hex = SessionKeyHex(keyed);
  ASSERT_EQ(hex.size(), 32u);
  {
    Program quillnox(kProgram, {keyed, "/ks:" + hex});
    EXPECT_EQ(quillnox.WaitExit(kOperationWait), 0);
  }
  EXPECT_EQ(Content(std::string(kWork) + "qlx.txt"), "keyed text");
  EXPECT_EQ(Content(std::string(kWork) + "k.bin"), "keyed file");
  EXPECT_TRUE(Exists(keyed)) << "\"/ks:\" keeps its container";
}

TEST_F(CommandsTest, ContainersHandedToARunningWindow) {
  const std::string first = std::string(kWork) + "first.vek";
  const std::string second = std::string(kWork) + "second.vek";
  MakeContainer(first, "first text", {{"f.txt", "f"}});
  MakeContainer(second, "", {{"s.txt", "s"}});
  const std::string plain = std::string(kWork) + "plain.txt";
  WriteAll(plain, "plain");
  WriteList({plain});
  Program quillnox(kProgram, {"/m"});
  HWND window = Start(quillnox);
  ASSERT_NE(window, nullptr);
  SetControlText(window, IDC_MAIN_TEXT, "typed text");

  // Two containers at once: refused with a warning, the window unchanged.
  WriteList({first, second});
  {
    Program again(kProgram, {"/d", TemporaryFolder() + "vekflist.tmp"});
    EXPECT_EQ(AnswerBox(quillnox.pid(), IDC_BOX_BUTTON3).rfind("Decrypting more than one encrypted file\n", 0), 0u);
    EXPECT_EQ(again.WaitExit(), 0);
  }
  Sync(window);
  EXPECT_EQ(ControlText(window, IDC_MAIN_TEXT), "typed text");

  // One container while the window holds a file: the question; "Decrypt" opens it.
  WriteList({first});
  {
    Program again(kProgram, {"/d", TemporaryFolder() + "vekflist.tmp"});
    EXPECT_EQ(AnswerBox(quillnox.pid(), IDC_BOX_BUTTON2).rfind("You may either add this file \"As Is\"", 0), 0u);
    EXPECT_EQ(again.WaitExit(), 0);
  }
  ASSERT_TRUE(Eventually([&] { return ControlText(window, IDC_MAIN_TEXT) == "first text"; }));
  EXPECT_EQ(ItemCount(window), 1);
  EXPECT_EQ(ControlText(window, IDC_MAIN_LOCAL_CAPTION), "Decrypt");

  // In decryption mode another container replaces the document without a question.
  WriteList({second});
  {
    Program again(kProgram, {"/d", TemporaryFolder() + "vekflist.tmp"});
    EXPECT_EQ(again.WaitExit(), 0);
  }
  ASSERT_TRUE(Eventually([&] { return ControlText(window, IDC_MAIN_TEXT).empty(); }));
  EXPECT_EQ(ItemCount(window), 1);
  EXPECT_EQ(WaitForWindow(kBox, quillnox.pid(), 300), nullptr);
  Click(window, IDC_MAIN_QUIT);
  EXPECT_EQ(quillnox.WaitExit(), 0);
}

// "/l" handed to a running window decrypts its one-file container beside it; the
// window's document, and what the window shows of it, stay as they were.
TEST_F(CommandsTest, AnImmediateDecryptionLeavesTheRunningWindowsDocumentAlone) {
  const std::string plain = std::string(kWork) + "plain.txt";
  WriteAll(plain, "plain");
  WriteList({plain});
  Program quillnox(kProgram, {"/m"});
  HWND window = Start(quillnox);
  ASSERT_NE(window, nullptr);
  SetControlText(window, IDC_MAIN_TEXT, "typed text");

  const std::string one = std::string(kWork) + "one.vek";
  MakeContainer(one, "", {{"one.txt", "the only file"}});
  WriteList({one});
  {
    Program again(kProgram, {"/l", TemporaryFolder() + "vekflist.tmp"});
    EXPECT_EQ(again.WaitExit(), 0);
  }
  ASSERT_TRUE(Eventually([&] { return Content(std::string(kWork) + "one.txt") == "the only file"; }, kOperationWait));
  EXPECT_TRUE(Eventually([&] { return !Exists(one); })) << "every output in place: the container is recycled";
  Sync(window);
  EXPECT_EQ(WaitForWindow(kBox, quillnox.pid(), 300), nullptr) << "nothing to ask: the document is not touched";
  EXPECT_EQ(ItemCount(window), 1);
  EXPECT_EQ(ControlText(window, IDC_MAIN_TEXT), "typed text");

  // The document still holds the file: encrypting locally puts its container beside it.
  Click(window, IDC_MAIN_LOCAL);
  EXPECT_EQ(quillnox.WaitExit(kOperationWait), 0);
  EXPECT_TRUE(Exists(plain + ".vek")) << "the window showed a file its document no longer had";
  EXPECT_TRUE(Exists(std::string(kWork) + "text.vek"));
}

// A folder among the listed files (a drop, or the shell extension) is named as such,
// not taken for a file that another application holds.
TEST_F(CommandsTest, AFolderHandedToTheWindowIsNotEncrypted) {
  Program quillnox(kProgram, {});
  HWND window = Start(quillnox);
  ASSERT_NE(window, nullptr);
  const std::string folder = std::string(kWork) + "a folder";
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string plain = std::string(kWork) + "plain.txt";
  WriteAll(plain, "plain");
  WriteList({plain, folder});
  Program again(kProgram, {"/d", TemporaryFolder() + "vekflist.tmp"});
  EXPECT_EQ(AnswerBox(quillnox.pid(), IDC_BOX_BUTTON3), "Quillnox doesn't encrypt directories in version 4.10EN");
  EXPECT_EQ(again.WaitExit(), 0);
  Sync(window);
  EXPECT_EQ(ItemCount(window), 0);
  Click(window, IDC_MAIN_QUIT);
  EXPECT_EQ(quillnox.WaitExit(), 0);
}

// Typed, unsent text is text: one container handed to the window asks before it would
// be decrypted over it.
TEST_F(CommandsTest, AContainerHandedOverAsksBeforeItWouldReplaceTypedText) {
  const std::string first = std::string(kWork) + "first.vek";
  MakeContainer(first, "first text", {{"f.txt", "f"}});
  Program quillnox(kProgram, {});
  HWND window = Start(quillnox);
  ASSERT_NE(window, nullptr);
  SetControlText(window, IDC_MAIN_TEXT, "typed, not sent");
  WriteList({first});
  {
    Program again(kProgram, {"/d", TemporaryFolder() + "vekflist.tmp"});
    EXPECT_EQ(AnswerBox(quillnox.pid(), IDC_BOX_BUTTON3).rfind("You may either add this file \"As Is\"", 0), 0u);
    EXPECT_EQ(again.WaitExit(), 0);
  }
  Sync(window);
  EXPECT_EQ(ControlText(window, IDC_MAIN_TEXT), "typed, not sent") << "\"Cancel\" keeps the text";
  EXPECT_EQ(ItemCount(window), 0);
  Click(window, IDC_MAIN_QUIT);
  EXPECT_EQ(quillnox.WaitExit(), 0);
}

}  // namespace
