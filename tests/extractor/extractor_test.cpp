// The self-extractor as a user meets it, driven under Wine: packages made here from the
// extractor program, a container of the core's writer and a trailer of the test's own.
// A wrong and a right password, a second run into the same folder (replace, rename,
// cancel), a folder in the way, the fields' checks, the reader's differences (old
// containers, tag kinds), a text-only container, hostile trailers refused with nothing
// written anywhere, and a full destination volume.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "container/format.h"
#include "container/operation.h"
#include "container/result.h"
#include "platform/worklock.h"
#include "resources/resource.h"
#include "tests/support/win32/files.h"
#include "tests/support/win32/folders.h"
#include "tests/support/win32/processes.h"
#include "tests/support/win32/window_driver.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr char kDialogTitle[] = "Quillnox Self-Extractor";
constexpr char kPassphrase[] = "open sesame";
constexpr int kBoxText = 0xFFFF;  // the text of a system message box
constexpr char kNoSignature[] = "The file has not an auto-extractible signature";
// A fixed last-write time for the source files: 2021-03-04 05:06:07 UTC.
constexpr std::uint64_t kStoredTime = 132592983670000000ULL;

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }
std::string TextOf(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }
Bytes ReadBytes(const std::string& path) { return BytesOf(Content(path)); }
void WriteBytes(const std::string& path, const Bytes& bytes) { WriteAll(path, TextOf(bytes)); }

// A new empty folder beside the test program, with its backslash.
std::string FreshFolder(const std::string& name) {
  const std::string folder = TestProgramFolder() + "xt_" + name + "\\";
  RemoveTree(folder);
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

struct SourceFile {
  std::string name;
  std::string content;
};

// A container made by the core's writer (AES) from the text and files, kept at path.
Bytes MakeContainer(const std::string& text, const std::vector<SourceFile>& files, const char* passphrase = kPassphrase) {
  const std::string sources = FreshFolder("sources");
  std::vector<FileEntry> entries(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string path = sources + files[i].name;
    WriteBytes(path, BytesOf(files[i].content));
    SetWriteTime(path, kStoredTime);
    EXPECT_TRUE(FileEntryFromPath(path.c_str(), &entries[i])) << path;
  }
  std::string text_copy = text;
  OperationRequest request{DIRECTION_ENCRYPT, text.empty() ? nullptr : text_copy.data(), passphrase, nullptr,
                           static_cast<std::uint32_t>(entries.size()), entries.empty() ? nullptr : entries.data(), 0,
                           ALGORITHM_AES};
  EXPECT_EQ(EncryptOperation(&request), RESULT_OK);
  Bytes container;
  if (request.count > 0) {
    container = ReadBytes(request.entries[0].container);
    DeleteFileA(request.entries[0].container);
    FileEntriesFree(request.entries);
  }
  RemoveTree(sources);
  return container;
}

// Writes the type field of every chunk of the kind as its ASCII tag.
void TagChunks(Bytes* container, std::uint32_t kind, const char tag[4]) {
  for (std::size_t at = CONTAINER_HEADER_SIZE; at + CHUNK_HEADER_SIZE <= container->size();) {
    std::uint32_t length = 0, type = 0;
    std::memcpy(&length, container->data() + at, 4);
    std::memcpy(&type, container->data() + at + 4, 4);
    if (type == kind) std::memcpy(container->data() + at + 4, tag, 4);
    at += CHUNK_HEADER_SIZE + length;
  }
}

void AppendLe32(Bytes* to, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) to->push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// The trailer's fields; -1 leaves a field as the builder writes it.
struct Trailer {
  std::string name = "file.vek";
  std::int64_t offset = -1;
  std::int64_t size = -1;
  std::int64_t name_length = -1;
  std::uint32_t file_count = 1;
  std::string version = "1.01";
};

// extractor + payload + trailer, written to path.
void WritePackage(const std::string& path, const Bytes& payload, const Trailer& t) {
  Bytes package = ReadBytes(TestProgramFolder() + "extractor.exe");
  ASSERT_GT(package.size(), 1000u);
  const auto stub = static_cast<std::uint32_t>(package.size());
  package.insert(package.end(), payload.begin(), payload.end());
  AppendLe32(&package, t.offset < 0 ? stub : static_cast<std::uint32_t>(t.offset));
  AppendLe32(&package, t.size < 0 ? static_cast<std::uint32_t>(payload.size()) : static_cast<std::uint32_t>(t.size));
  package.insert(package.end(), t.name.begin(), t.name.end());
  AppendLe32(&package, t.name_length < 0 ? static_cast<std::uint32_t>(t.name.size())
                                          : static_cast<std::uint32_t>(t.name_length));
  AppendLe32(&package, t.file_count);
  package.insert(package.end(), t.version.begin(), t.version.end());
  const std::string marker = "QLXSELFX";
  package.insert(package.end(), marker.begin(), marker.end());
  WriteBytes(path, package);
}

// One run of a package: its dialog, filled and driven.
class Extraction {
 public:
  explicit Extraction(const std::string& package) : program_(package, {}) {
    dialog_ = WaitForWindow(kDialogTitle, program_.pid());
  }
  HWND dialog() const { return dialog_; }
  DWORD pid() const { return program_.pid(); }

  void Extract(const std::string& passphrase, const std::string& folder) {
    SetControlText(dialog_, IDC_EXTRACT_PASSWORD, passphrase);
    SetControlText(dialog_, IDC_EXTRACT_FOLDER, folder);
    Click(dialog_, IDOK);
  }
  // The text of the box of that title, which is then closed with OK; "(no box)" when
  // none came.
  std::string Box(const std::string& title, DWORD ms = 20000) {
    HWND box = WaitForWindow(title, program_.pid(), ms);
    if (!box) return "(no box)";
    const std::string text = ControlText(box, kBoxText);
    Click(box, IDOK);
    for (DWORD start = GetTickCount(); IsWindow(box) && GetTickCount() - start < 5000;) Sleep(20);
    return text;
  }
  // The replace prompt's text, answered with the button.
  std::string Prompt(int button) {
    HWND prompt = WaitForOtherWindow(kDialogTitle, program_.pid(), 0, dialog_);
    if (!prompt) return "(no prompt)";
    const std::string text = ControlText(prompt, IDC_REPLACE_TEXT);
    Click(prompt, button);
    for (DWORD start = GetTickCount(); IsWindow(prompt) && GetTickCount() - start < 5000;) Sleep(20);
    return text;
  }
  // The dialog is still open for another try: then Quit, and the program ends with 0.
  void ExpectStillOpenThenQuit() {
    EXPECT_TRUE(IsWindow(dialog_) && IsWindowVisible(dialog_));
    EXPECT_EQ(program_.WaitExit(200), -1) << "the program ended";
    Click(dialog_, IDCANCEL);
    EXPECT_EQ(program_.WaitExit(), 0);
  }
  long WaitExit() { return program_.WaitExit(20000); }

 private:
  Program program_;
  HWND dialog_ = nullptr;
};

const std::vector<SourceFile> kFiles = {
    {"a.doc", "the document's words\r\n"}, {"b.txt", std::string(5000, 'b')}, {"c.bin", "\x01\x02\x03"}};
const char kText[] = "Hello,\r\nthe files are attached.\r\n";

class ExtractorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    packages_ = FreshFolder("packages");
    target_ = FreshFolder("target");
    temp_before_ = FolderNames(TemporaryFolder());
  }
  void TearDown() override {
    EXPECT_EQ(FolderNames(TemporaryFolder()), temp_before_) << "the temporary folder is not as it was";
    RemoveTree(packages_);
    RemoveTree(target_);
  }
  std::string Package(const Bytes& payload, const Trailer& trailer = Trailer()) {
    const std::string path = packages_ + "file.exe";
    WritePackage(path, payload, trailer);
    return path;
  }
  // The folder as typed: without its backslash.
  std::string Typed() const { return target_.substr(0, target_.size() - 1); }

  std::string packages_, target_;
  std::set<std::string> temp_before_;
};

TEST_F(ExtractorTest, AWrongPasswordIsToldAndTheDialogStays) {
  Extraction run(Package(MakeContainer(kText, kFiles)));
  ASSERT_NE(run.dialog(), nullptr);
  run.Extract("not the password", target_);
  EXPECT_EQ(run.Box("Warning"),
            "Wrong file signature.\nThe file may be corrupted or\nthe password may be wrong.\n\nPlease, check it and retry.");
  EXPECT_EQ(ControlText(run.dialog(), IDC_EXTRACT_PASSWORD), "not the password");  // fields as typed
  EXPECT_TRUE(FolderNames(target_).empty()) << "the copied container stays";
  run.ExpectStillOpenThenQuit();
}

TEST_F(ExtractorTest, TheRightPasswordWritesTextAndFilesThenASecondRunAsksForEach) {
  const std::string package = Package(MakeContainer(kText, kFiles));
  {
    Extraction run(package);
    ASSERT_NE(run.dialog(), nullptr);
    char personal[MAX_PATH] = "";
    SHGetSpecialFolderPathA(nullptr, personal, CSIDL_PERSONAL, FALSE);
    EXPECT_EQ(ControlText(run.dialog(), IDC_EXTRACT_FOLDER), personal);  // the Personal folder at start
    run.Extract(kPassphrase, Typed());  // typed without its backslash
    EXPECT_EQ(run.Box("Quillnox"), "The file has been extracted and decrypted successfully.");
    EXPECT_EQ(run.WaitExit(), 1);
  }
  EXPECT_EQ(FolderNames(target_), (std::set<std::string>{"Quillnox.txt", "a.doc", "b.txt", "c.bin"}));  // no container
  EXPECT_EQ(TextOf(ReadBytes(target_ + "Quillnox.txt")), kText);
  for (const SourceFile& file : kFiles) {
    EXPECT_EQ(TextOf(ReadBytes(target_ + file.name)), file.content) << file.name;
    EXPECT_EQ(WriteTime(target_ + file.name), kStoredTime) << file.name;
  }

  // Again into the same folder: asked for the text and each file, not for the container.
  WriteBytes(target_ + "b.txt", BytesOf("mine"));
  WriteBytes(target_ + "c.bin", BytesOf("mine too"));
  Extraction again(package);
  ASSERT_NE(again.dialog(), nullptr);
  again.Extract(kPassphrase, target_);  // with its backslash
  EXPECT_EQ(again.Prompt(IDOK), "The file \"Quillnox.txt\" already exists.\n\nWhat do you wish to do ?");
  EXPECT_EQ(again.Prompt(IDC_REPLACE_RENAME), "The file \"a.doc\" already exists.\n\nWhat do you wish to do ?");
  HWND save = WaitForWindow("Extract the file to...", again.pid());
  ASSERT_NE(save, nullptr);
  std::string proposed = ControlText(save, 0x47C);  // the file name box
  if (proposed.empty()) proposed = ControlText(save, 0x480);
  EXPECT_NE(proposed.find("a(1).doc"), std::string::npos) << proposed;
  Click(save, IDOK);
  EXPECT_EQ(again.Prompt(IDOK), "The file \"b.txt\" already exists.\n\nWhat do you wish to do ?");
  EXPECT_EQ(again.Prompt(IDCANCEL), "The file \"c.bin\" already exists.\n\nWhat do you wish to do ?");
  EXPECT_EQ(again.Box("Quillnox"), "The file has been extracted and decrypted successfully.");
  EXPECT_EQ(again.WaitExit(), 1);
  EXPECT_EQ(FolderNames(target_), (std::set<std::string>{"Quillnox.txt", "a.doc", "a(1).doc", "b.txt", "c.bin"}));
  EXPECT_EQ(TextOf(ReadBytes(target_ + "a(1).doc")), kFiles[0].content);
  EXPECT_EQ(WriteTime(target_ + "a(1).doc"), kStoredTime);
  EXPECT_EQ(TextOf(ReadBytes(target_ + "b.txt")), kFiles[1].content);  // replaced
  EXPECT_EQ(WriteTime(target_ + "b.txt"), kStoredTime);
  EXPECT_EQ(TextOf(ReadBytes(target_ + "c.bin")), "mine too");  // cancelled: left alone, its copy gone
}

// Another program (the main program; here this test) is using the temporary folder's
// work files: the extractor leaves them alone, says so and writes nothing. The dialog
// stays, and the next try, once they are free, extracts.
TEST_F(ExtractorTest, WorkFilesInUseByAnotherProgramAreLeftAlone) {
  Extraction run(Package(MakeContainer(kText, kFiles)));
  ASSERT_NE(run.dialog(), nullptr);
  {
    WorkFilesLock main_program(TemporaryFolder().c_str());
    ASSERT_FALSE(main_program.busy());
    run.Extract(kPassphrase, target_);
    EXPECT_EQ(run.Box("Warning"), "Unable to open the temporary file\nused for encryption/decryption.");
    EXPECT_TRUE(FolderNames(target_).empty());
    EXPECT_EQ(FolderNames(TemporaryFolder()), temp_before_) << "the work files were touched";
  }
  run.Extract(kPassphrase, target_);
  EXPECT_EQ(run.Box("Quillnox"), "The file has been extracted and decrypted successfully.");
  EXPECT_EQ(run.WaitExit(), 1);
  EXPECT_EQ(FolderNames(target_), (std::set<std::string>{"Quillnox.txt", "a.doc", "b.txt", "c.bin"}));
}

TEST_F(ExtractorTest, TheFieldsAreCheckedBeforeThePackageIsRead) {
  const struct {
    const char* what;
    std::string passphrase;
    bool folder;
    const char* text;
  } cases[] = {
      {"empty password", "", true, "Please, enter a password to decrypt the file"},
      {"empty folder", kPassphrase, false, "Please, enter a destination directory where to decrypt the file"},
      {"128 characters", std::string(128, 'p'), true,
       "The password is too long.\nPlease, enter a password of at most 127 characters."},
      // 127 characters are taken: the container itself then refuses them.
      {"127 characters", std::string(127, 'p'), true,
       "Wrong file signature.\nThe file may be corrupted or\nthe password may be wrong.\n\nPlease, check it and retry."},
  };
  const std::string package = Package(MakeContainer(kText, kFiles));
  for (const auto& c : cases) {
    Extraction run(package);
    ASSERT_NE(run.dialog(), nullptr);
    run.Extract(c.passphrase, c.folder ? target_ : "");
    const bool from_container = std::strncmp(c.text, "Wrong", 5) == 0;
    EXPECT_EQ(run.Box(from_container ? "Warning" : "Error"), c.text) << c.what;
    EXPECT_TRUE(FolderNames(target_).empty()) << c.what;
    run.ExpectStillOpenThenQuit();
  }
}

TEST_F(ExtractorTest, TheReaderTakesContainersFrom407AndSkipsTagKinds) {
  // An old container: refused, and its copy goes.
  Bytes old = MakeContainer(kText, kFiles);
  std::memcpy(old.data() + CONTAINER_SIGNATURE_SIZE, "4.00", 4);
  {
    Extraction run(Package(old));
    ASSERT_NE(run.dialog(), nullptr);
    run.Extract(kPassphrase, target_);
    EXPECT_EQ(run.Box("Warning"), "Unable to decrypt file.vek\nThis file may be encrypted with\nan older version than the 2.41.");
    EXPECT_TRUE(FolderNames(target_).empty());
    run.ExpectStillOpenThenQuit();
  }
  // A TEXT chunk whose type is the tag: skipped, the files come out alone.
  Bytes tagged = MakeContainer(kText, kFiles);
  TagChunks(&tagged, CHUNK_TEXT, "TEXT");
  {
    Extraction run(Package(tagged));
    ASSERT_NE(run.dialog(), nullptr);
    run.Extract(kPassphrase, target_);
    EXPECT_EQ(run.Box("Quillnox"), "The file has been extracted and decrypted successfully.");
    EXPECT_EQ(run.WaitExit(), 1);
  }
  EXPECT_EQ(FolderNames(target_), (std::set<std::string>{"a.doc", "b.txt", "c.bin"}));
}

TEST_F(ExtractorTest, AContainerOfTextOnlyWritesOnlyTheText) {
  Extraction run(Package(MakeContainer(kText, {})));
  ASSERT_NE(run.dialog(), nullptr);
  run.Extract(kPassphrase, target_);
  EXPECT_EQ(run.Box("Quillnox"), "The file has been extracted and decrypted successfully.");
  EXPECT_EQ(run.WaitExit(), 1);
  EXPECT_EQ(FolderNames(target_), (std::set<std::string>{"Quillnox.txt"}));
  EXPECT_EQ(TextOf(ReadBytes(target_ + "Quillnox.txt")), kText);
}

// A folder of an output's name is no file to replace: the prompt says what is in the
// way and offers only Rename and Cancel, and the folder keeps what it holds.
TEST_F(ExtractorTest, AFolderInTheWayIsNeverReplaced) {
  ASSERT_TRUE(CreateDirectoryA((target_ + "a.doc").c_str(), nullptr));
  WriteBytes(target_ + "a.doc\\inside.txt", BytesOf("mine"));
  Extraction run(Package(MakeContainer(kText, kFiles)));
  ASSERT_NE(run.dialog(), nullptr);
  run.Extract(kPassphrase, target_);
  HWND prompt = WaitForOtherWindow(kDialogTitle, run.pid(), 0, run.dialog(), 20000);
  ASSERT_NE(prompt, nullptr);
  Sync(prompt);
  EXPECT_EQ(ControlText(prompt, IDC_REPLACE_TEXT),
            "A folder named \"a.doc\" is in the way: the file cannot take its place.\n\nRename the file, or cancel ?");
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(prompt, IDOK))) << "Replace is offered for a folder";
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(prompt, IDOK)));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(prompt, IDC_REPLACE_RENAME)));
  // Enter (which would be Replace in the prompt for a file) does not replace it either.
  PostMessageA(prompt, WM_COMMAND, IDOK, 0);
  Sync(prompt);
  EXPECT_TRUE(IsWindow(prompt));
  Click(prompt, IDCANCEL);
  EXPECT_EQ(run.Box("Quillnox"), "The file has been extracted and decrypted successfully.");
  EXPECT_EQ(run.WaitExit(), 1);
  EXPECT_EQ(FolderNames(target_), (std::set<std::string>{"Quillnox.txt", "a.doc", "b.txt", "c.bin"}));
  EXPECT_EQ(TextOf(ReadBytes(target_ + "a.doc\\inside.txt")), "mine");
}

// A container mailed inside its own package: the output of the copy's name is written
// without a question and stays.
TEST_F(ExtractorTest, AFileNamedLikeTheCopiedContainerIsKept) {
  Extraction run(Package(MakeContainer("", {{"file.vek", "an older container"}})));
  ASSERT_NE(run.dialog(), nullptr);
  run.Extract(kPassphrase, target_);
  EXPECT_EQ(run.Box("Quillnox"), "The file has been extracted and decrypted successfully.");
  EXPECT_EQ(run.WaitExit(), 1);
  EXPECT_EQ(FolderNames(target_), (std::set<std::string>{"file.vek"}));
  EXPECT_EQ(TextOf(ReadBytes(target_ + "file.vek")), "an older container");
}

TEST_F(ExtractorTest, PackagesThatDoNotHoldTogetherAreRefusedWithNothingWritten) {
  const Bytes container = MakeContainer(kText, kFiles);
  const auto size = static_cast<std::int64_t>(container.size());
  const std::string outside = TestProgramFolder() + "xt_outside.vek";
  DeleteFileA(outside.c_str());
  struct Case {
    const char* what;
    Trailer trailer;
    const char* text;
  };
  std::vector<Case> cases;
  auto add = [&](const char* what, void (*change)(Trailer&, std::int64_t), const char* text = kNoSignature) {
    Trailer trailer;
    change(trailer, size);
    cases.push_back({what, trailer, text});
  };
  add("version 1.02", [](Trailer& t, std::int64_t) { t.version = "1.02"; },
      "The version of the file to be extracted is incompatible with the extractor");
  add("file count 0", [](Trailer& t, std::int64_t) { t.file_count = 0; }, "There's no file to be extracted");
  add("name length 0", [](Trailer& t, std::int64_t) { t.name_length = 0; });
  add("name length 260", [](Trailer& t, std::int64_t) { t.name = std::string(256, 'n') + ".vek"; });
  add("name length 0xFFFFFFFF", [](Trailer& t, std::int64_t) { t.name_length = 0xFFFFFFFF; });
  add("size past the end", [](Trailer& t, std::int64_t s) { t.size = s + 1; });
  add("offset past the end", [](Trailer& t, std::int64_t) { t.offset = 0x7FFFFFF0; });
  add("offset inside the program", [](Trailer& t, std::int64_t) { t.offset = 0; });
  add("parent folder", [](Trailer& t, std::int64_t) { t.name = "..\\xt_outside.vek"; });
  add("slash", [](Trailer& t, std::int64_t) { t.name = "../xt_outside.vek"; });
  add("drive", [](Trailer& t, std::int64_t) { t.name = "C:xt_outside.vek"; });
  add("device", [](Trailer& t, std::int64_t) { t.name = "CON"; });
  add("device with extension", [](Trailer& t, std::int64_t) { t.name = "aux.vek"; });

  for (const Case& c : cases) {
    Extraction run(Package(container, c.trailer));
    ASSERT_NE(run.dialog(), nullptr) << c.what;
    run.Extract(kPassphrase, target_);
    EXPECT_EQ(run.Box("Error"), c.text) << c.what;
    EXPECT_TRUE(FolderNames(target_).empty()) << c.what;
    EXPECT_EQ(FolderNames(packages_), (std::set<std::string>{"file.exe"})) << c.what;
    EXPECT_FALSE(Exists(outside)) << c.what;
    run.ExpectStillOpenThenQuit();
  }

  // The extractor as it is built, with no package behind it.
  Extraction plain(TestProgramFolder() + "extractor.exe");
  ASSERT_NE(plain.dialog(), nullptr);
  plain.Extract(kPassphrase, target_);
  EXPECT_EQ(plain.Box("Error"), kNoSignature);
  EXPECT_TRUE(FolderNames(target_).empty());
  plain.ExpectStillOpenThenQuit();
}

// A destination that fills up: the copy of the container, and "Quillnox.txt", are
// written whole or reported and removed.
TEST_F(ExtractorTest, AFullDestinationIsReportedAndLeavesNoPartialFile) {
  const char* volume = std::getenv("QLX_FULL_VOLUME");
  if (!volume) GTEST_SKIP() << "no small volume here";
  const std::string full = volume;
  // Noise that neither compresses nor leaves room: a container of about 1.4 MiB.
  std::string noise(1400 * 1024, '\0');
  std::uint32_t state = 12345;
  for (char& c : noise) c = static_cast<char>(((state = state * 1103515245u + 12345u) >> 24) | 1);
  {
    Extraction run(Package(MakeContainer("", {{"noise.bin", noise}})));
    ASSERT_NE(run.dialog(), nullptr);
    run.Extract(kPassphrase, full);
    EXPECT_EQ(run.Box("Error"), "Unable to open the destination file");
    EXPECT_TRUE(FolderNames(full).empty()) << "a partial copy stays";
    run.ExpectStillOpenThenQuit();
  }
  // The container (0.6 MiB) fits; its text of the same size then does not.
  {
    Extraction run(Package(MakeContainer(noise.substr(0, 600 * 1024), {})));
    ASSERT_NE(run.dialog(), nullptr);
    run.Extract(kPassphrase, full);
    EXPECT_EQ(run.Box("Error"), "Unable to open the destination file");
    EXPECT_TRUE(FolderNames(full).empty()) << "a partial text or the copy stays";
    run.ExpectStillOpenThenQuit();
  }
}

}  // namespace
