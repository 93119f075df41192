// The settings store against the in-memory registry: the key paths, every accessor and
// its messages, the first start with and without an older version (each migration
// path and its failures), and the removal of keys with their emptied parents.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "keys/access_password.h"
#include "keys/first_start.h"
#include "keys/settings.h"
#include "platform/common/msgbox_double.h"
#include "platform/common/registry_memory.h"
#include "tests/support/list_support.h"
#include "tests/support/test_support.h"

namespace {

constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;
constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;
constexpr RegistryRoot HKCR = RegistryRoot::ClassesRoot;

constexpr char kCurrent[] = "Software\\Orvanel\\Quillnox\\4.10EN";
constexpr char kQuillnox406[] = "Software\\Orvanel\\Quillnox\\4.06";
constexpr char kVek313[] = "Software\\Orvanel\\Vek\\3.13";
constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kPersonal[] = "C:\\Users\\ann\\Documents";

Bytes Pattern(std::size_t n, std::uint8_t seed) {
  Bytes bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(seed + 7 * i);
  return bytes;
}

Bytes Le32s(std::initializer_list<std::int32_t> numbers) {
  Bytes bytes;
  for (std::int32_t n : numbers)
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(n) >> (8 * i)));
  return bytes;
}

void SetBinary(RegistryRoot root, const char* path, const char* name, const Bytes& bytes) {
  RegistryMemorySetValue(root, path, name, REGISTRY_BINARY, bytes.data(), bytes.size());
}

// A value's bytes, or nothing when it is missing.
Bytes Value(RegistryRoot root, const char* path, const char* name, std::uint32_t* type = nullptr) {
  Bytes bytes;
  RegistryMemoryGetValue(root, path, name, type, &bytes);
  return bytes;
}

bool HasValue(RegistryRoot root, const char* path, const char* name) {
  return RegistryMemoryGetValue(root, path, name, nullptr, nullptr);
}

// A REG_SZ value as text; "<missing>" or "<not text>" otherwise.
std::string Text(RegistryRoot root, const char* path, const char* name) {
  std::uint32_t type = 0;
  Bytes bytes;
  if (!RegistryMemoryGetValue(root, path, name, &type, &bytes)) return "<missing>";
  if (type != REGISTRY_SZ || bytes.empty() || bytes.back() != 0) return "<not text>";
  return std::string(bytes.begin(), bytes.end() - 1);
}

const std::vector<ListEntry> kOlderEntries = {{"alpha", "first secret"}, {"beta", "second secret"}};

// What an older installed version leaves behind: its settings, its list, a password.
struct OlderVersion {
  Bytes xywh = Le32s({10, 20, 640, 480});
  const char* srcdir = "C:\\In\\";
  const char* dstdir = "C:\\Out\\";
  // Its passphrase list, encrypted for this machine and split in the two values.
  Bytes labels = OlderList(0, 512);
  Bytes values = OlderList(512, 1028);  // empty: no "keyvalue" at all
  static Bytes OlderList(std::size_t from, std::size_t to) {
    const Bytes stored = EncryptedList(PlainList(kOlderEntries, 2));
    return Bytes(stored.begin() + static_cast<std::ptrdiff_t>(from), stored.begin() + static_cast<std::ptrdiff_t>(to));
  }
};

void SeedOlder(RegistryRoot root, const char* path, const OlderVersion& older) {
  RegistryMemoryCreateKey(root, path);
  SetBinary(root, path, "xywh", older.xywh);
  RegistryMemorySetText(root, path, "visible", "1");
  RegistryMemorySetText(root, path, "hidepwd", "1");
  RegistryMemorySetText(root, path, "algo", "2");
  RegistryMemorySetText(root, path, "authreq", "1");
  RegistryMemorySetText(root, path, "srcdir", older.srcdir);
  RegistryMemorySetText(root, path, "dstdir", older.dstdir);
  SetBinary(root, path, "keylabel", older.labels);
  if (!older.values.empty()) SetBinary(root, path, "keyvalue", older.values);
  SetBinary(root, path, "pwd", Pattern(16, 9));
  RegistryMemorySetText(root, path, "ClassName", "");
}

// The 4.06 installation: its machine-wide key and its per-user settings.
void Seed406(const OlderVersion& older = OlderVersion()) {
  RegistryMemoryCreateKey(HKLM, kQuillnox406);
  SeedOlder(HKCU, kQuillnox406, older);
}

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegistryMemoryReset();
    BoxDoubleReset();
    // What the installer and the system leave: the machine-wide key, the open command
    // and the user's shell folders.
    RegistryMemoryCreateKey(HKLM, kCurrent);
    RegistryMemorySetText(HKCR, "VekFile\\Shell\\Open\\Command", "",
                          "C:\\Program Files\\Orvanel\\Quillnox\\Quillnox.exe %1");
    RegistryMemorySetText(HKCU, kShellFolders, "Personal", kPersonal);
    RegistryMemorySetText(HKCU, kShellFolders, "Cache", "C:\\Users\\ann\\Cache");
  }
  void TearDown() override { EXPECT_EQ(RegistryMemoryOpenKeys(), 0) << "a registry key was left open"; }

  static void MakeCurrentKey() { RegistryMemoryCreateKey(HKCU, kCurrent); }

  static std::vector<std::string> Boxes() {
    std::vector<std::string> texts;
    for (const RecordedBox& box : BoxDoubleLog()) {
      EXPECT_EQ(box.kind, BoxKind::Error) << box.text;
      texts.push_back(box.text);
    }
    return texts;
  }

  // The new key holds exactly the defaults.
  static void ExpectDefaults() {
    EXPECT_EQ(Value(HKCU, kCurrent, "xywh"), Le32s({-1, -1, 0, 0}));
    EXPECT_EQ(Text(HKCU, kCurrent, "visible"), "0");
    EXPECT_EQ(Text(HKCU, kCurrent, "hidepwd"), "0");
    EXPECT_EQ(Text(HKCU, kCurrent, "algo"), "1");
    EXPECT_EQ(Text(HKCU, kCurrent, "authreq"), "0");
    EXPECT_EQ(Text(HKCU, kCurrent, "srcdir"), "C:\\Users\\ann\\Documents\\");
    EXPECT_EQ(Text(HKCU, kCurrent, "dstdir"), "C:\\Users\\ann\\Documents\\");
  }
};

const std::string kOpenError = "Error while opening in registry the key:\n";

// ---- product version and key paths -------------------------------------------------

TEST_F(SettingsTest, ProductVersionIsReadOnceAndFitsEightBytes) {
  EXPECT_STREQ(ProductVersion(), "4.10EN");
  EXPECT_EQ(ProductVersion(), ProductVersion());
  EXPECT_LT(std::strlen(ProductVersion()), VERSION_BUFFER_SIZE);
}

TEST_F(SettingsTest, KeyPathDependsOnTheVersion) {
  const struct {
    const char* version;
    RegistryRoot root;
    const char* path;
  } cases[] = {
      {"3.13", HKLM, "Software\\Orvanel\\Vek\\3.13"},       {"4.05", HKLM, "Software\\Orvanel\\Vek\\4.05"},
      {"4.0", HKLM, "Software\\Orvanel\\Vek\\4.0"},         {"4.06", HKCU, "Software\\Orvanel\\Quillnox\\4.06"},
      {"4.06b", HKCU, "Software\\Orvanel\\Quillnox\\4.06b"}, {"5.00", HKCU, "Software\\Orvanel\\Quillnox\\5.00"},
      {nullptr, HKCU, kCurrent},                             {"4.10ENLONG", HKCU, "Software\\Orvanel\\Quillnox\\4.10ENL"},
  };
  for (const auto& c : cases) {
    char path[64];
    EXPECT_EQ(SettingsKeyPath(c.version, path, sizeof path), c.root) << (c.version ? c.version : "null");
    EXPECT_STREQ(path, c.path);
  }
}

TEST_F(SettingsTest, OpenKeyReportsTheKeyItCannotOpen) {
  EXPECT_FALSE(SettingsOpenKey(nullptr, 0));
  EXPECT_TRUE(BoxDoubleLog().empty());
  EXPECT_FALSE(SettingsOpenKey(nullptr, 1));
  EXPECT_FALSE(SettingsOpenKey("3.13", 1));
  EXPECT_EQ(Boxes(), (std::vector<std::string>{kOpenError + "HKCU\\Software\\Orvanel\\Quillnox\\4.10EN",
                                               kOpenError + "HKLM\\Software\\Orvanel\\Vek\\3.13"}));
  MakeCurrentKey();
  EXPECT_TRUE(SettingsOpenKey(nullptr, 1));
}

// ---- digit values -------------------------------------------------------------------

TEST_F(SettingsTest, FlagsAreOneDigitTexts) {
  MakeCurrentKey();
  const struct {
    int number;
    const char* name;
  } flags[] = {{1, "visible"}, {5, "hidepwd"}, {6, "algo"}, {7, "authreq"}};
  for (const auto& f : flags) {
    for (int v : {0, 9, 2}) {
      ASSERT_EQ(SettingsSetFlag(f.number, v), 1) << f.name;
      std::uint32_t type = 0;
      EXPECT_EQ(Value(HKCU, kCurrent, f.name, &type), (Bytes{static_cast<std::uint8_t>('0' + v), 0})) << f.name;
      EXPECT_EQ(type, REGISTRY_SZ);
      int read = -1;
      ASSERT_EQ(SettingsGetFlag(f.number, &read), 1);
      EXPECT_EQ(read, v) << f.name;
    }
  }
  EXPECT_TRUE(BoxDoubleLog().empty());
}

TEST_F(SettingsTest, OtherNumbersAndValuesAreRefusedUntouched) {
  MakeCurrentKey();
  RegistryMemorySetText(HKCU, kCurrent, "visible", "1");
  const std::string before = RegistryMemoryDump();
  for (int number : {0, 2, 3, 4, 8, -1, 100}) {
    int value = 42;
    EXPECT_EQ(SettingsGetFlag(number, &value), 0) << number;
    EXPECT_EQ(value, 42);
    EXPECT_EQ(SettingsSetFlag(number, 1), 0) << number;
  }
  for (int value : {10, -1, 48}) EXPECT_EQ(SettingsSetFlag(SETTING_VISIBLE, value), 0) << value;
  EXPECT_EQ(RegistryMemoryDump(), before);
  EXPECT_TRUE(BoxDoubleLog().empty());
}

TEST_F(SettingsTest, MissingOrOddDigitValuesReadZero) {
  MakeCurrentKey();
  int value = 7;
  ASSERT_EQ(SettingsGetFlag(SETTING_ALGO, &value), 1);
  EXPECT_EQ(value, 0);

  const struct {
    Bytes stored;
    int expected;
  } cases[] = {{BytesOf(std::string("2\0", 2)), 2}, {BytesOf("7"), 7},  // no terminator stored
               {BytesOf(std::string("12\0", 3)), 1}, {BytesOf(std::string("x\0", 2)), 0},
               {Bytes{0}, 0},                       {Bytes{}, 0},
               {Bytes(40, '5'), 0}};  // longer than any digit: unreadable
  for (const auto& c : cases) {
    SetBinary(HKCU, kCurrent, "hidepwd", c.stored);
    value = 7;
    ASSERT_EQ(SettingsGetFlag(SETTING_HIDEPWD, &value), 1);
    EXPECT_EQ(value, c.expected) << c.stored.size();
  }
}

TEST_F(SettingsTest, FlagsWithoutTheKeyReportAndKeepTheCallersValue) {
  int value = 2;
  EXPECT_EQ(SettingsGetFlag(SETTING_ALGO, &value), 0);
  EXPECT_EQ(value, 2);
  EXPECT_EQ(SettingsSetFlag(SETTING_ALGO, 1), 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>(2, kOpenError + "HKCU\\" + kCurrent));
  EXPECT_FALSE(RegistryMemoryKeyExists(HKCU, kCurrent));
}

// The next encryption's algorithm is the stored "algo"; a decryption's report is kept as
// "algo" when it is a digit (a container without ALGO chunk reports 0xFFFFFFFF).
TEST_F(SettingsTest, AlgorithmForRequestsAndFromReports) {
  EXPECT_EQ(SettingsAlgorithm(), 1u);  // no key: DES (after the box that says so)
  BoxDoubleReset();
  MakeCurrentKey();
  ASSERT_EQ(SettingsKeepAlgorithm(2), 1);
  EXPECT_EQ(Text(HKCU, kCurrent, "algo"), "2");
  EXPECT_EQ(SettingsAlgorithm(), 2u);
  for (std::uint32_t report : {10u, 0xFFFFFFFFu, 0x80000002u}) EXPECT_EQ(SettingsKeepAlgorithm(report), 0) << report;
  EXPECT_EQ(SettingsAlgorithm(), 2u);
  ASSERT_EQ(SettingsKeepAlgorithm(1), 1);
  EXPECT_EQ(SettingsAlgorithm(), 1u);
}

TEST_F(SettingsTest, FailedWriteGivesZeroWithoutMessage) {
  MakeCurrentKey();
  RegistryMemorySetFault(HKCU, kCurrent, RegistryFault::NoWrite);
  EXPECT_EQ(SettingsSetFlag(SETTING_VISIBLE, 1), 0);
  EXPECT_EQ(SettingsSetWindowRect(1, 2, 3, 4), 0);
  EXPECT_EQ(SettingsSetDir(1, "C:\\x\\"), 0);
  EXPECT_TRUE(BoxDoubleLog().empty());
}

// ---- window rectangle, folders, strings ---------------------------------------------

TEST_F(SettingsTest, WindowRectIsSixteenLittleEndianBytes) {
  MakeCurrentKey();
  ASSERT_EQ(SettingsSetWindowRect(-5, 7, 800, -1), 1);
  std::uint32_t type = 0;
  EXPECT_EQ(Value(HKCU, kCurrent, "xywh", &type),
            (Bytes{0xFB, 0xFF, 0xFF, 0xFF, 7, 0, 0, 0, 0x20, 3, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(type, REGISTRY_BINARY);
  int x = 0, y = 0, w = 0, h = 0;
  ASSERT_EQ(SettingsGetWindowRect(&x, &y, &w, &h), 1);
  EXPECT_EQ(x, -5);
  EXPECT_EQ(y, 7);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, -1);
}

TEST_F(SettingsTest, WindowRectOfAnotherSizeLeavesTheOutputs) {
  MakeCurrentKey();
  for (std::size_t size : {0u, 8u, 15u, 17u, 32u}) {
    SetBinary(HKCU, kCurrent, "xywh", Pattern(size, 3));
    int x = 11, y = 12, w = 13, h = 14;
    EXPECT_EQ(SettingsGetWindowRect(&x, &y, &w, &h), 0) << size;
    EXPECT_EQ(x + y + w + h, 50) << size;
  }
}

TEST_F(SettingsTest, DirectoriesBySelector) {
  MakeCurrentKey();
  ASSERT_EQ(SettingsSetDir(1, "C:\\From\\"), 1);
  ASSERT_EQ(SettingsSetDir(2, "C:\\To\\"), 1);
  std::uint32_t type = 0;
  EXPECT_EQ(Value(HKCU, kCurrent, "srcdir", &type), BytesOf(std::string("C:\\From\\\0", 9)));
  EXPECT_EQ(type, REGISTRY_SZ);
  EXPECT_EQ(Text(HKCU, kCurrent, "dstdir"), "C:\\To\\");
  ASSERT_EQ(SettingsSetDir(0, "C:\\Zero\\"), 1);  // anything but 1 is the destination
  EXPECT_EQ(Text(HKCU, kCurrent, "dstdir"), "C:\\Zero\\");

  char buffer[QLX_PATH_SIZE];
  ASSERT_EQ(SettingsGetDir(1, buffer), 1);
  EXPECT_STREQ(buffer, "C:\\From\\");
  ASSERT_EQ(SettingsGetDir(7, buffer), 1);
  EXPECT_STREQ(buffer, "C:\\Zero\\");
}

TEST_F(SettingsTest, DirectoryReadsStayInTheBufferAndKeepItWhenUnusable) {
  MakeCurrentKey();
  char buffer[QLX_PATH_SIZE + 8];
  const std::string longest(QLX_PATH_SIZE - 1, 'd');
  RegistryMemorySetText(HKCU, kCurrent, "srcdir", longest.c_str());
  std::memset(buffer, '#', sizeof buffer);
  ASSERT_EQ(SettingsGetDir(1, buffer), 1);
  EXPECT_EQ(std::string(buffer), longest);
  EXPECT_EQ(buffer[QLX_PATH_SIZE], '#');

  const struct {
    Bytes stored;
  } unusable[] = {{Bytes(QLX_PATH_SIZE, 'e')},       // fills the buffer, no terminator
                  {Bytes(QLX_PATH_SIZE + 40, 'f')}};  // longer than the buffer
  for (const auto& c : unusable) {
    SetBinary(HKCU, kCurrent, "srcdir", c.stored);
    std::strcpy(buffer, "kept");
    EXPECT_EQ(SettingsGetDir(1, buffer), 0);
    EXPECT_STREQ(buffer, "kept");
  }
  std::strcpy(buffer, "kept");
  EXPECT_EQ(SettingsGetDir(2, buffer), 0);  // missing
  EXPECT_STREQ(buffer, "kept");

  EXPECT_EQ(SettingsSetDir(1, std::string(QLX_PATH_SIZE, 'g').c_str()), 0);
  EXPECT_EQ(Value(HKCU, kCurrent, "srcdir"), Bytes(QLX_PATH_SIZE + 40, 'f'));
}

TEST_F(SettingsTest, StringsWithTheirLength) {
  MakeCurrentKey();
  ASSERT_EQ(SettingsSetString("ClassName", "QlxMain", 8), 1);
  EXPECT_EQ(Value(HKCU, kCurrent, "ClassName"), BytesOf(std::string("QlxMain\0", 8)));
  char buffer[100];
  ASSERT_EQ(SettingsGetString("ClassName", buffer, sizeof buffer), 1);
  EXPECT_STREQ(buffer, "QlxMain");
  ASSERT_EQ(SettingsSetString("ClassName", "", 1), 1);
  ASSERT_EQ(SettingsGetString("ClassName", buffer, sizeof buffer), 1);
  EXPECT_STREQ(buffer, "");

  RegistryMemorySetText(HKCU, kCurrent, "ClassName", "TooLongForTheBuffer");
  char small[8] = "xxxxxxx";
  EXPECT_EQ(SettingsGetString("ClassName", small, sizeof small), 0);
  EXPECT_STREQ(small, "");
  EXPECT_TRUE(BoxDoubleLog().empty());
}

TEST_F(SettingsTest, GetStringWithoutTheKeySaysNothing) {
  char buffer[100] = "stale";
  EXPECT_EQ(SettingsGetString("ClassName", buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_TRUE(BoxDoubleLog().empty());
}

// ---- passphrase list raw, password record -------------------------------------------

TEST_F(SettingsTest, ListRawSplitsIntoLabelsAndValues) {
  MakeCurrentKey();
  const Bytes list = Pattern(KEY_LIST_SIZE, 5);
  ASSERT_EQ(SettingsSetListRaw(list.data()), 1);
  std::uint32_t type = 0;
  EXPECT_EQ(Value(HKCU, kCurrent, "keylabel", &type), Bytes(list.begin(), list.begin() + 512));
  EXPECT_EQ(type, REGISTRY_BINARY);
  EXPECT_EQ(Value(HKCU, kCurrent, "keyvalue", &type), Bytes(list.begin() + 512, list.end()));
  EXPECT_EQ(type, REGISTRY_BINARY);

  Bytes read(KEY_LIST_SIZE, 0xEE);
  std::uint32_t size = KEY_LIST_SIZE;
  ASSERT_EQ(SettingsGetListRaw(nullptr, read.data(), &size), 1);
  EXPECT_EQ(size, KEY_LIST_SIZE);
  EXPECT_EQ(read, list);
}

TEST_F(SettingsTest, ListRawOfAnOlderVersionAndLayout) {
  SetBinary(HKLM, kVek313, "keylabel", Pattern(256, 1));
  SetBinary(HKLM, kVek313, "keyvalue", Pattern(260, 2));
  Bytes read(KEY_LIST_SIZE, 0xEE);
  std::uint32_t size = KEY_LIST_SIZE;
  ASSERT_EQ(SettingsGetListRaw("3.13", read.data(), &size), 1);
  EXPECT_EQ(size, 516u);
  Bytes expected = Pattern(256, 1);
  const Bytes values = Pattern(260, 2);
  expected.insert(expected.end(), values.begin(), values.end());
  expected.resize(KEY_LIST_SIZE, 0);  // the rest of the buffer is zeroed
  EXPECT_EQ(read, expected);
}

TEST_F(SettingsTest, ListRawNeverGoesBeyondTheBuffer) {
  MakeCurrentKey();
  const struct {
    std::size_t label;
    std::size_t value;
    std::uint32_t size;
  } cases[] = {{600, 600, KEY_LIST_SIZE}, {2000, 516, KEY_LIST_SIZE}, {512, 516, KEY_LIST_SIZE},
               {512, 516, 700},           {0, 0, 0}};
  for (const auto& c : cases) {
    SetBinary(HKCU, kCurrent, "keylabel", Pattern(c.label, 1));
    SetBinary(HKCU, kCurrent, "keyvalue", Pattern(c.value, 2));
    Bytes buffer(c.size + 16, 0xC3);
    std::uint32_t size = c.size;
    ASSERT_EQ(SettingsGetListRaw(nullptr, buffer.data(), &size), 1);
    EXPECT_EQ(size, std::min<std::size_t>(c.label + c.value, c.size)) << c.label << "+" << c.value;
    for (std::size_t i = c.size; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xC3) << "overwritten at " << i;
    if (c.label <= c.size) {
      EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + c.label), Pattern(c.label, 1));
    }
  }
  EXPECT_TRUE(BoxDoubleLog().empty());
}

TEST_F(SettingsTest, ListRawReportsTheMissingValue) {
  MakeCurrentKey();
  SetBinary(HKCU, kCurrent, "keylabel", Pattern(512, 1));
  Bytes buffer(KEY_LIST_SIZE);
  std::uint32_t size = KEY_LIST_SIZE;
  EXPECT_EQ(SettingsGetListRaw(nullptr, buffer.data(), &size), 0);
  size = KEY_LIST_SIZE;
  EXPECT_EQ(SettingsGetListRaw("4.06", buffer.data(), &size), 0);  // no such key
  EXPECT_EQ(Boxes(), (std::vector<std::string>{
                         kOpenError + "HKCU\\Software\\Orvanel\\Quillnox\\4.10EN\\keyvalue\nError=2",
                         kOpenError + "HKCU\\Software\\Orvanel\\Quillnox\\4.06"}));
}

TEST_F(SettingsTest, PasswordRecordIsSixteenBytes) {
  MakeCurrentKey();
  const Bytes record = Pattern(16, 4);
  ASSERT_EQ(SettingsSetPasswordRecord(record.data()), 1);
  std::uint32_t type = 0;
  EXPECT_EQ(Value(HKCU, kCurrent, "pwd", &type), record);
  EXPECT_EQ(type, REGISTRY_BINARY);
  Bytes read(16);
  ASSERT_EQ(SettingsGetPasswordRecord(read.data()), 1);
  EXPECT_EQ(read, record);

  for (std::size_t size : {8u, 20u}) {
    SetBinary(HKCU, kCurrent, "pwd", Pattern(size, 6));
    Bytes out(16, 0x77);
    EXPECT_EQ(SettingsGetPasswordRecord(out.data()), 0) << size;
    EXPECT_EQ(out, Bytes(16, 0)) << size;
  }
  EXPECT_TRUE(BoxDoubleLog().empty());
}

// ---- lookups elsewhere --------------------------------------------------------------

TEST_F(SettingsTest, ShellFolders) {
  char buffer[QLX_PATH_SIZE];
  ASSERT_EQ(ShellFolderPersonal(buffer), 1);
  EXPECT_STREQ(buffer, kPersonal);
  ASSERT_EQ(ShellFolderCache(buffer), 1);
  EXPECT_STREQ(buffer, "C:\\Users\\ann\\Cache");
  RegistryMemorySetFault(HKCU, kShellFolders, RegistryFault::NoAccess);
  EXPECT_EQ(ShellFolderPersonal(buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_TRUE(BoxDoubleLog().empty());
}

TEST_F(SettingsTest, InstallDirIsTheCommandsFolder) {
  char buffer[QLX_PATH_SIZE];
  ASSERT_EQ(InstallDir(buffer, sizeof buffer), 1);
  EXPECT_STREQ(buffer, "C:\\Program Files\\Orvanel\\Quillnox\\");
  char small[10] = "x";
  EXPECT_EQ(InstallDir(small, sizeof small), 0);
  EXPECT_STREQ(small, "");
  EXPECT_TRUE(BoxDoubleLog().empty());

  RegistryMemoryReset();
  EXPECT_EQ(InstallDir(buffer, sizeof buffer), 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{kOpenError + "HKCR\\VekFile\\Shell\\Open\\Command"});
}

// ---- first start --------------------------------------------------------------------

TEST_F(SettingsTest, RefusesToStartWithoutTheMachineKey) {
  RegistryMemoryReset();
  Seed406();
  const std::string before = RegistryMemoryDump();
  EXPECT_EQ(SettingsInit(), 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{
                         "Quillnox cannot check its configuration.\n\nThe key "
                         "HKLM\\SOFTWARE\\Orvanel\\Quillnox\\4.10EN doesn't exist in the registry or cannot be open."});
  EXPECT_EQ(RegistryMemoryDump(), before);
}

TEST_F(SettingsTest, FirstStartWithoutAnOlderVersionWritesDefaults) {
  ASSERT_EQ(SettingsInit(), 1);
  ExpectDefaults();
  EXPECT_TRUE(BoxDoubleLog().empty());
}

TEST_F(SettingsTest, DefaultsWithoutAPersonalFolderLeaveTheFoldersEmpty) {
  RegistryMemorySetFault(HKCU, kShellFolders, RegistryFault::NoAccess);
  ASSERT_EQ(SettingsInit(), 1);
  EXPECT_EQ(Text(HKCU, kCurrent, "srcdir"), "");
  EXPECT_EQ(Text(HKCU, kCurrent, "dstdir"), "");
  EXPECT_EQ(Text(HKCU, kCurrent, "algo"), "1");
}

TEST_F(SettingsTest, MigratesFrom406AndRemovesItsKeys) {
  const OlderVersion older;
  Seed406(older);
  ASSERT_EQ(SettingsInit(), 1);
  EXPECT_TRUE(BoxDoubleLog().empty());

  EXPECT_EQ(Value(HKCU, kCurrent, "xywh"), older.xywh);
  EXPECT_EQ(Text(HKCU, kCurrent, "visible"), "1");
  EXPECT_EQ(Text(HKCU, kCurrent, "hidepwd"), "1");
  EXPECT_EQ(Text(HKCU, kCurrent, "algo"), "1");     // whatever was stored
  EXPECT_EQ(Text(HKCU, kCurrent, "authreq"), "0");  // not carried over
  EXPECT_EQ(Text(HKCU, kCurrent, "srcdir"), "C:\\In\\");
  EXPECT_EQ(Text(HKCU, kCurrent, "dstdir"), "C:\\Out\\");
  EXPECT_EQ(Value(HKCU, kCurrent, "keylabel"), older.labels);  // same machine, same encryption
  EXPECT_EQ(Value(HKCU, kCurrent, "keyvalue"), older.values);
  const LoadedList list = LoadList();
  EXPECT_EQ(list.result, 1);
  EXPECT_EQ(list.entries, kOlderEntries);
  EXPECT_EQ(list.selection, 2u);
  EXPECT_NE(Value(HKCU, kCurrent, "pwd"), Pattern(16, 9));  // the old password stays behind
  EXPECT_EQ(AccessPasswordActive(), 0) << "a new version starts without a password";

  EXPECT_FALSE(RegistryMemoryKeyExists(HKLM, kQuillnox406));
  EXPECT_FALSE(RegistryMemoryKeyExists(HKCU, kQuillnox406));
  EXPECT_EQ(RegistryMemorySubkeys(HKLM, "Software\\Orvanel\\Quillnox"), std::vector<std::string>{"4.10EN"});
  EXPECT_EQ(RegistryMemorySubkeys(HKCU, "Software\\Orvanel\\Quillnox"), std::vector<std::string>{"4.10EN"});
}

TEST_F(SettingsTest, MigratesFrom313WithTrailingSeparators) {
  OlderVersion older;
  older.srcdir = "C:\\In";
  older.dstdir = "D:\\";  // a drive root keeps its single separator
  const Bytes scrambled = ScrambledList(PlainList(kOlderEntries, 1, 8));  // the 8-entry layout
  older.labels.assign(scrambled.begin(), scrambled.begin() + 256);
  older.values.assign(scrambled.begin() + 256, scrambled.end());
  SeedOlder(HKLM, kVek313, older);
  ASSERT_EQ(SettingsInit(), 1);
  EXPECT_TRUE(BoxDoubleLog().empty());

  EXPECT_EQ(Text(HKCU, kCurrent, "srcdir"), "C:\\In\\");
  EXPECT_EQ(Text(HKCU, kCurrent, "dstdir"), "D:\\");
  EXPECT_EQ(Text(HKCU, kCurrent, "visible"), "1");
  EXPECT_EQ(Text(HKCU, kCurrent, "algo"), "1");
  EXPECT_EQ(Value(HKCU, kCurrent, "keylabel").size(), 512u);  // now the 16-entry form, encrypted
  EXPECT_EQ(Value(HKCU, kCurrent, "keyvalue").size(), 516u);
  const Bytes encrypted = EncryptedList(PlainList(kOlderEntries, 1));
  EXPECT_EQ(Value(HKCU, kCurrent, "keylabel"), Bytes(encrypted.begin(), encrypted.begin() + 512));
  const LoadedList list = LoadList();
  EXPECT_EQ(list.entries, kOlderEntries);
  EXPECT_EQ(list.selection, 1u);

  EXPECT_FALSE(RegistryMemoryKeyExists(HKLM, "Software\\Orvanel\\Vek"));  // emptied, so removed
  EXPECT_EQ(RegistryMemorySubkeys(HKLM, "Software\\Orvanel"), std::vector<std::string>{"Quillnox"});
}

TEST_F(SettingsTest, OnlyTheVekKeyIsExaminedWhenItExists) {
  SeedOlder(HKLM, kVek313, OlderVersion());
  Seed406();
  ASSERT_EQ(SettingsInit(), 1);
  EXPECT_FALSE(RegistryMemoryKeyExists(HKLM, kVek313));
  EXPECT_TRUE(RegistryMemoryKeyExists(HKLM, kQuillnox406));
  EXPECT_TRUE(RegistryMemoryKeyExists(HKCU, kQuillnox406));
}

TEST_F(SettingsTest, NewestOlderVersionWinsAndLongNamesDoNotEndTheSearch) {
  Seed406();
  OlderVersion newer;
  newer.srcdir = "C:\\In408\\";
  RegistryMemoryCreateKey(HKLM, "Software\\Orvanel\\Quillnox\\4.06-beta1");  // enumerated before 4.08
  RegistryMemoryCreateKey(HKLM, "Software\\Orvanel\\Quillnox\\4.08");
  SeedOlder(HKCU, "Software\\Orvanel\\Quillnox\\4.08", newer);

  char previous[VERSION_BUFFER_SIZE];
  ASSERT_EQ(FindPreviousVersion(previous), 1);
  EXPECT_STREQ(previous, "4.08");
  ASSERT_EQ(SettingsInit(), 1);
  EXPECT_EQ(Text(HKCU, kCurrent, "srcdir"), "C:\\In408\\");
  EXPECT_FALSE(RegistryMemoryKeyExists(HKCU, "Software\\Orvanel\\Quillnox\\4.08"));
  EXPECT_TRUE(RegistryMemoryKeyExists(HKCU, kQuillnox406));
}

TEST_F(SettingsTest, NewerInstalledVersionMeansDefaultsAndNoRemoval) {
  Seed406();
  RegistryMemoryCreateKey(HKLM, "Software\\Orvanel\\Quillnox\\4.12");
  char previous[VERSION_BUFFER_SIZE];
  EXPECT_EQ(FindPreviousVersion(previous), 0);
  EXPECT_STREQ(previous, "4.12");
  ASSERT_EQ(SettingsInit(), 1);
  ExpectDefaults();
  EXPECT_EQ(LoadList().entries, std::vector<ListEntry>{}) << "an empty list is stored";
  EXPECT_TRUE(RegistryMemoryKeyExists(HKLM, kQuillnox406));
  EXPECT_TRUE(RegistryMemoryKeyExists(HKCU, kQuillnox406));
}

TEST_F(SettingsTest, FindPreviousVersionWithoutProductKeys) {
  RegistryMemoryReset();
  char previous[VERSION_BUFFER_SIZE] = "junk";
  EXPECT_EQ(FindPreviousVersion(previous), 0);
  EXPECT_EQ(std::string(previous, sizeof previous), std::string(VERSION_BUFFER_SIZE, '\0'));
}

TEST_F(SettingsTest, OlderKeyThatCannotBeOpenedIsReportedAndKept) {
  Seed406();
  RegistryMemorySetFault(HKCU, kQuillnox406, RegistryFault::NoAccess);
  ASSERT_EQ(SettingsInit(), 1);
  EXPECT_EQ(Boxes(), std::vector<std::string>{kOpenError + "HKCU\\Software\\Orvanel\\Quillnox\\4.06"});
  ExpectDefaults();
  EXPECT_TRUE(RegistryMemoryKeyExists(HKLM, kQuillnox406));
  EXPECT_TRUE(RegistryMemoryKeyExists(HKCU, kQuillnox406));
}

struct UnreadableList {
  Bytes labels;
  Bytes values;
  BoxKind kind;
  const char* message;  // the start of the message
  friend void PrintTo(const UnreadableList& c, std::ostream* os) { *os << c.message; }
};

class UnreadableOlderListTest : public SettingsTest, public ::testing::WithParamInterface<UnreadableList> {};

// A list that cannot be read, or that is too large for the layout and is left with
// "Cancel" at the recovery question: the settings are carried, the list starts empty,
// and the older keys stay for another try.
TEST_P(UnreadableOlderListTest, IsReportedAndKeepsTheOlderKeys) {
  OlderVersion older;
  older.srcdir = "C:\\Kept\\";
  older.labels = GetParam().labels;
  older.values = GetParam().values;
  Seed406(older);
  BoxDoubleQueueAnswer(3);  // "Cancel" when asked
  ASSERT_EQ(SettingsInit(), 1);
  ASSERT_EQ(BoxDoubleLog().size(), 1u);
  EXPECT_EQ(BoxDoubleLog()[0].kind, GetParam().kind);
  EXPECT_EQ(BoxDoubleLog()[0].text.rfind(GetParam().message, 0), 0u) << BoxDoubleLog()[0].text;
  EXPECT_EQ(Text(HKCU, kCurrent, "srcdir"), "C:\\Kept\\") << "the settings are still carried";
  EXPECT_EQ(LoadList().entries, std::vector<ListEntry>{});
  EXPECT_TRUE(RegistryMemoryKeyExists(HKLM, kQuillnox406));
  EXPECT_TRUE(RegistryMemoryKeyExists(HKCU, kQuillnox406));
  EXPECT_EQ(Value(HKCU, kQuillnox406, "keylabel"), GetParam().labels);
}

const std::string kRecoveryStart = "Quillnox cannot decrypt your password list.";
const std::string kMissingValue = kOpenError + "HKCU\\Software\\Orvanel\\Quillnox\\4.06\\keyvalue\nError=2";

INSTANTIATE_TEST_SUITE_P(
    Lists, UnreadableOlderListTest,
    ::testing::Values(UnreadableList{Pattern(512, 1), {}, BoxKind::Error, kMissingValue.c_str()},
                      UnreadableList{Pattern(KEY_LIST_SIZE + 100, 1), Pattern(516, 2), BoxKind::Question,
                                     kRecoveryStart.c_str()},
                      UnreadableList{Pattern(512, 1), Pattern(600, 2), BoxKind::Question, kRecoveryStart.c_str()},
                      UnreadableList{Pattern(512, 1), Pattern(516, 2), BoxKind::Question, kRecoveryStart.c_str()}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST_F(SettingsTest, OlderValuesThatAreMissingKeepTheDefaults) {
  RegistryMemoryCreateKey(HKLM, kQuillnox406);
  SetBinary(HKCU, kQuillnox406, "xywh", Le32s({1, 2}));  // too short to be a placement
  RegistryMemorySetText(HKCU, kQuillnox406, "visible", "x");
  RegistryMemorySetText(HKCU, kQuillnox406, "algo", "2");
  RegistryMemorySetText(HKCU, kQuillnox406, "authreq", "1");
  StoreListValues(HKCU, kQuillnox406, EncryptedList(PlainList(kOlderEntries, 0)), 512);
  ASSERT_EQ(SettingsInit(), 1);
  ExpectDefaults();
  EXPECT_EQ(LoadList().entries, kOlderEntries);
  EXPECT_FALSE(RegistryMemoryKeyExists(HKCU, kQuillnox406));
}

TEST_F(SettingsTest, SecondStartChangesNothing) {
  Seed406();
  ASSERT_EQ(SettingsInit(), 1);
  Seed406();  // even an older version showing up again is left alone now
  const std::string before = RegistryMemoryDump();
  BoxDoubleReset();
  ASSERT_EQ(SettingsInit(), 1);
  EXPECT_EQ(RegistryMemoryDump(), before);
  EXPECT_TRUE(BoxDoubleLog().empty());
}

TEST_F(SettingsTest, KeyThatCannotBeCreatedEndsTheStartAndTouchesNothing) {
  Seed406();
  RegistryMemorySetFault(HKCU, kCurrent, RegistryFault::NoAccess);
  const std::string before = RegistryMemoryDump();
  EXPECT_EQ(SettingsInit(), 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{kOpenError + "HKCU\\Software\\Orvanel\\Quillnox\\4.10EN"});
  EXPECT_EQ(RegistryMemoryDump(), before);
}

TEST_F(SettingsTest, FailedWritesKeepTheOlderKeys) {
  Seed406();
  RegistryMemorySetFault(HKCU, kCurrent, RegistryFault::NoWrite);
  EXPECT_EQ(SettingsInit(), 1);
  EXPECT_TRUE(RegistryMemoryKeyExists(HKLM, kQuillnox406));
  EXPECT_TRUE(RegistryMemoryKeyExists(HKCU, kQuillnox406));
  EXPECT_TRUE(HasValue(HKCU, kQuillnox406, "keylabel"));
}

// ---- removal of keys ----------------------------------------------------------------

TEST_F(SettingsTest, DeleteRemovesEmptiedParentsButNeverSoftware) {
  RegistryMemoryReset();
  RegistryMemoryCreateKey(HKCU, "Software\\Orvanel\\Quillnox\\4.06");
  RegistryMemorySetText(HKCU, "Software\\Orvanel", "note", "values do not keep a key");
  EXPECT_EQ(DeleteKeyAndEmptyParents(HKCU, "Software\\Orvanel\\Quillnox\\4.06"), 1);
  EXPECT_TRUE(RegistryMemoryKeyExists(HKCU, "Software"));
  EXPECT_TRUE(RegistryMemorySubkeys(HKCU, "Software").empty());

  EXPECT_EQ(DeleteKeyAndEmptyParents(HKCU, "Software"), 0);
  EXPECT_EQ(DeleteKeyAndEmptyParents(HKCU, "sOFTWARE"), 0);
  EXPECT_TRUE(RegistryMemoryKeyExists(HKCU, "Software"));
}

TEST_F(SettingsTest, DeleteStopsAtSubkeys) {
  RegistryMemoryReset();
  RegistryMemoryCreateKey(HKLM, "Software\\Orvanel\\Vek\\3.13\\Child");
  RegistryMemoryCreateKey(HKLM, "Software\\Orvanel\\Other");
  const std::string before = RegistryMemoryDump();
  EXPECT_EQ(DeleteKeyAndEmptyParents(HKLM, "Software\\Orvanel\\Vek\\3.13"), 0);
  EXPECT_EQ(RegistryMemoryDump(), before);

  EXPECT_EQ(DeleteKeyAndEmptyParents(HKLM, "Software\\Orvanel\\Vek\\3.13\\Child"), 1);
  EXPECT_FALSE(RegistryMemoryKeyExists(HKLM, "Software\\Orvanel\\Vek"));
  EXPECT_EQ(RegistryMemorySubkeys(HKLM, "Software\\Orvanel"), std::vector<std::string>{"Other"});

  EXPECT_EQ(DeleteKeyAndEmptyParents(HKLM, "Software\\Orvanel\\Vek"), 0);  // gone already
}

TEST_F(SettingsTest, DeleteOfAKeyThatRefusesRemovesNothing) {
  RegistryMemoryReset();
  RegistryMemoryCreateKey(HKCU, "Software\\Orvanel\\Quillnox\\4.06");
  RegistryMemorySetFault(HKCU, "Software\\Orvanel\\Quillnox\\4.06", RegistryFault::ReadOnly);
  EXPECT_EQ(DeleteKeyAndEmptyParents(HKCU, "Software\\Orvanel\\Quillnox\\4.06"), 0);
  EXPECT_TRUE(RegistryMemoryKeyExists(HKCU, "Software\\Orvanel\\Quillnox\\4.06"));
}

TEST_F(SettingsTest, DeleteVersionPicksTheKeysOfTheVersion) {
  RegistryMemoryCreateKey(HKLM, kVek313);
  Seed406();
  EXPECT_EQ(SettingsDeleteVersion("3.13"), 1);
  EXPECT_FALSE(RegistryMemoryKeyExists(HKLM, "Software\\Orvanel\\Vek"));
  EXPECT_TRUE(RegistryMemoryKeyExists(HKCU, kQuillnox406));
  EXPECT_EQ(SettingsDeleteVersion("4.06"), 1);
  EXPECT_FALSE(RegistryMemoryKeyExists(HKLM, kQuillnox406));
  EXPECT_FALSE(RegistryMemoryKeyExists(HKCU, kQuillnox406));
  EXPECT_TRUE(RegistryMemoryKeyExists(HKLM, kCurrent));

  const std::string before = RegistryMemoryDump();
  EXPECT_EQ(SettingsDeleteVersion(""), 0);
  EXPECT_EQ(SettingsDeleteVersion("4.10EN\\.."), 0);
  EXPECT_EQ(RegistryMemoryDump(), before);
}

}  // namespace
