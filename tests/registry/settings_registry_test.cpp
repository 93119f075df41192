// The settings store on the real registry (run under Wine): the keys are seeded with
// plain Win32 calls as the installer and an older version leave them, the store runs,
// and the registry is read back with plain Win32 calls, independently of the seam.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "crypto/des.h"
#include "keys/access_password.h"
#include "keys/first_start.h"
#include "keys/passphrase_list.h"
#include "keys/settings.h"
#include "platform/common/msgbox_double.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr char kCurrent[] = "Software\\Orvanel\\Quillnox\\4.10EN";
constexpr char kQuillnox406[] = "Software\\Orvanel\\Quillnox\\4.06";
constexpr char kVek313[] = "Software\\Orvanel\\Vek\\3.13";
constexpr char kCommand[] = "VekFile\\Shell\\Open\\Command";
const std::string kOpenError = "Error while opening in registry the key:\n";

Bytes Pattern(std::size_t n, unsigned char seed) {
  Bytes bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<unsigned char>(seed + 7 * i);
  return bytes;
}

// A passphrase list of `slots` entries with two used ones, as stored: encrypted with
// this machine's list key, or for 8 slots scrambled in the older layout.
Bytes StoredList(int slots) {
  Bytes bytes(static_cast<std::size_t>(slots) * 64 + 4, 0);
  const char* entries[2][2] = {{"alpha", "first"}, {"beta", "second"}};
  for (int i = 0; i < 2; ++i) {
    std::memcpy(&bytes[i * 32], entries[i][0], std::strlen(entries[i][0]));
    std::memcpy(&bytes[slots * 32 + i * 32], entries[i][1], std::strlen(entries[i][1]));
  }
  bytes[static_cast<std::size_t>(slots) * 64] = 2;  // beta selected
  if (slots == 8) {
    for (std::size_t i = 0; i < bytes.size(); ++i)
      bytes[i] ^= PassphraseListMask(static_cast<std::uint32_t>(i < 256 ? i : i - 256));
    return bytes;
  }
  std::uint8_t key[16];
  PassphraseListKey(key);
  const std::uint8_t iv[8] = {};
  DesScheduleAcquire();
  TdesEncrypt(bytes.data(), static_cast<std::int32_t>(bytes.size()), key, iv);
  DesScheduleRelease();
  return bytes;
}

Bytes Part(const Bytes& bytes, std::size_t from, std::size_t to) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

// The running version's list reads back as alpha, beta with beta selected.
void ExpectMigratedList() {
  PassphraseList list;
  std::uint32_t selection = 0;
  int count = 0;
  ASSERT_EQ(PassphraseListLoad(nullptr, &list, &selection, &count), 1);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(selection, 2u);
  EXPECT_STREQ(list.Label(0), "alpha");
  EXPECT_STREQ(list.Value(1), "second");
}

Bytes Le32s(std::initializer_list<std::int32_t> numbers) {
  Bytes bytes;
  for (std::int32_t n : numbers)
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(static_cast<std::uint32_t>(n) >> (8 * i)));
  return bytes;
}

void Set(HKEY root, const char* path, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS)
      << path;
  EXPECT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS) << name;
  RegCloseKey(key);
}

void SetText(HKEY root, const char* path, const char* name, const char* text) {
  Set(root, path, name, REG_SZ, text, static_cast<DWORD>(std::strlen(text) + 1));
}

void SetBytes(HKEY root, const char* path, const char* name, const Bytes& bytes) {
  Set(root, path, name, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
}

void MakeKey(HKEY root, const char* path) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
  RegCloseKey(key);
}

bool Exists(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

struct Stored {
  bool present = false;
  DWORD type = 0;
  Bytes bytes;
  bool operator==(const Stored&) const = default;
};

Stored Read(HKEY root, const char* path, const char* name) {
  Stored value;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
    value.bytes.resize(size);
    value.present = RegQueryValueExA(key, name, nullptr, &value.type, value.bytes.data(), &size) == ERROR_SUCCESS;
    value.bytes.resize(size);
  }
  RegCloseKey(key);
  return value;
}

// A REG_SZ value as text, "<missing>" or "<not text>".
std::string Text(HKEY root, const char* path, const char* name) {
  const Stored value = Read(root, path, name);
  if (!value.present) return "<missing>";
  if (value.type != REG_SZ || value.bytes.empty() || value.bytes.back() != 0) return "<not text>";
  return std::string(value.bytes.begin(), value.bytes.end() - 1);
}

// Every value of a key, by name.
std::map<std::string, Stored> AllValues(HKEY root, const char* path) {
  std::map<std::string, Stored> values;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD length = sizeof name;
    if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    values[name] = Read(root, path, name);
  }
  RegCloseKey(key);
  return values;
}

std::vector<std::string> Subkeys(HKEY root, const char* path) {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  char name[256];
  for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) names.push_back(name);
  RegCloseKey(key);
  return names;
}

// The settings an older version leaves in its key.
void SeedOlder(HKEY root, const char* path, const char* srcdir, const char* dstdir, const Bytes& labels,
               const Bytes& values) {
  SetBytes(root, path, "xywh", Le32s({10, 20, 640, 480}));
  SetText(root, path, "visible", "1");
  SetText(root, path, "hidepwd", "1");
  SetText(root, path, "algo", "2");
  SetText(root, path, "authreq", "1");
  SetText(root, path, "srcdir", srcdir);
  SetText(root, path, "dstdir", dstdir);
  SetBytes(root, path, "keylabel", labels);
  SetBytes(root, path, "keyvalue", values);
  SetBytes(root, path, "pwd", Pattern(16, 9));
  SetText(root, path, "ClassName", "");
}

class SettingsRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Clean();
    BoxDoubleReset();
    // As the installer leaves it: the machine-wide key and the open command.
    MakeKey(HKEY_LOCAL_MACHINE, kCurrent);
    SetText(HKEY_CLASSES_ROOT, kCommand, nullptr, "C:\\Program Files\\Orvanel\\Quillnox\\Quillnox.exe %1");
  }
  void TearDown() override { Clean(); }

  static void Clean() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Orvanel");
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Orvanel");
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\QlxDelete");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "VekFile");
  }

  static std::vector<std::string> Boxes() {
    std::vector<std::string> texts;
    for (const RecordedBox& box : BoxDoubleLog()) texts.push_back(box.text);
    return texts;
  }

  static std::string Personal() {
    return Text(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                "Personal");
  }
};

TEST_F(SettingsRegistryTest, ProductVersionComesFromTheVersionResource) {
  EXPECT_STREQ(ProductVersion(), "4.10EN");
}

TEST_F(SettingsRegistryTest, RefusesToStartWithoutTheMachineKey) {
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Orvanel");
  EXPECT_EQ(SettingsInit(), 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{
                         "Quillnox cannot check its configuration.\n\nThe key "
                         "HKLM\\SOFTWARE\\Orvanel\\Quillnox\\4.10EN doesn't exist in the registry or cannot be open."});
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, kCurrent));
}

TEST_F(SettingsRegistryTest, FirstStartMigratesFrom406AndSecondStartChangesNothing) {
  MakeKey(HKEY_LOCAL_MACHINE, kQuillnox406);
  const Bytes stored = StoredList(16);
  SeedOlder(HKEY_CURRENT_USER, kQuillnox406, "C:\\In\\", "C:\\Out\\", Part(stored, 0, 512), Part(stored, 512, 1028));

  ASSERT_EQ(SettingsInit(), 1);
  EXPECT_TRUE(BoxDoubleLog().empty());
  EXPECT_EQ(Read(HKEY_CURRENT_USER, kCurrent, "xywh"), (Stored{true, REG_BINARY, Le32s({10, 20, 640, 480})}));
  EXPECT_EQ(Read(HKEY_CURRENT_USER, kCurrent, "visible"), (Stored{true, REG_SZ, Bytes{'1', 0}}));
  EXPECT_EQ(Read(HKEY_CURRENT_USER, kCurrent, "hidepwd"), (Stored{true, REG_SZ, Bytes{'1', 0}}));
  EXPECT_EQ(Read(HKEY_CURRENT_USER, kCurrent, "algo"), (Stored{true, REG_SZ, Bytes{'1', 0}}));
  EXPECT_EQ(Read(HKEY_CURRENT_USER, kCurrent, "authreq"), (Stored{true, REG_SZ, Bytes{'0', 0}}));
  EXPECT_EQ(Text(HKEY_CURRENT_USER, kCurrent, "srcdir"), "C:\\In\\");
  EXPECT_EQ(Text(HKEY_CURRENT_USER, kCurrent, "dstdir"), "C:\\Out\\");
  EXPECT_EQ(Read(HKEY_CURRENT_USER, kCurrent, "keylabel"), (Stored{true, REG_BINARY, Part(stored, 0, 512)}));
  EXPECT_EQ(Read(HKEY_CURRENT_USER, kCurrent, "keyvalue"), (Stored{true, REG_BINARY, Part(stored, 512, 1028)}));
  ExpectMigratedList();
  EXPECT_NE(Read(HKEY_CURRENT_USER, kCurrent, "pwd").bytes, Pattern(16, 9));
  EXPECT_EQ(AccessPasswordActive(), 0);

  EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, kQuillnox406));
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, kQuillnox406));
  EXPECT_EQ(Subkeys(HKEY_LOCAL_MACHINE, "Software\\Orvanel\\Quillnox"), std::vector<std::string>{"4.10EN"});
  EXPECT_EQ(Subkeys(HKEY_CURRENT_USER, "Software\\Orvanel\\Quillnox"), std::vector<std::string>{"4.10EN"});

  const auto after_first = AllValues(HKEY_CURRENT_USER, kCurrent);
  ASSERT_EQ(SettingsInit(), 1);
  EXPECT_EQ(AllValues(HKEY_CURRENT_USER, kCurrent), after_first);
  EXPECT_TRUE(BoxDoubleLog().empty());
}

TEST_F(SettingsRegistryTest, MigratesFrom313AndRemovesTheEmptiedParent) {
  const Bytes older = StoredList(8);
  SeedOlder(HKEY_LOCAL_MACHINE, kVek313, "C:\\In", "D:\\", Part(older, 0, 256), Part(older, 256, 516));
  ASSERT_EQ(SettingsInit(), 1);
  EXPECT_TRUE(BoxDoubleLog().empty());
  EXPECT_EQ(Text(HKEY_CURRENT_USER, kCurrent, "srcdir"), "C:\\In\\");
  EXPECT_EQ(Text(HKEY_CURRENT_USER, kCurrent, "dstdir"), "D:\\");
  EXPECT_EQ(Text(HKEY_CURRENT_USER, kCurrent, "algo"), "1");
  EXPECT_EQ(Read(HKEY_CURRENT_USER, kCurrent, "keylabel").bytes.size(), 512u);  // now the 16-entry form
  EXPECT_EQ(Read(HKEY_CURRENT_USER, kCurrent, "keyvalue").bytes.size(), 516u);
  ExpectMigratedList();
  EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, "Software\\Orvanel\\Vek"));
  EXPECT_EQ(Subkeys(HKEY_LOCAL_MACHINE, "Software\\Orvanel"), std::vector<std::string>{"Quillnox"});
}

TEST_F(SettingsRegistryTest, NoOlderVersionGivesTheDefaults) {
  ASSERT_EQ(SettingsInit(), 1);
  ASSERT_NE(Personal(), "<missing>");
  EXPECT_EQ(Read(HKEY_CURRENT_USER, kCurrent, "xywh"), (Stored{true, REG_BINARY, Le32s({-1, -1, 0, 0})}));
  EXPECT_EQ(Text(HKEY_CURRENT_USER, kCurrent, "algo"), "1");
  EXPECT_EQ(Text(HKEY_CURRENT_USER, kCurrent, "visible"), "0");
  EXPECT_EQ(Text(HKEY_CURRENT_USER, kCurrent, "srcdir"), Personal() + "\\");
  EXPECT_EQ(Text(HKEY_CURRENT_USER, kCurrent, "dstdir"), Personal() + "\\");
}

TEST_F(SettingsRegistryTest, OlderKeyWithoutItsListIsKept) {
  MakeKey(HKEY_LOCAL_MACHINE, kQuillnox406);
  SetText(HKEY_CURRENT_USER, kQuillnox406, "srcdir", "C:\\Kept\\");
  ASSERT_EQ(SettingsInit(), 1);
  EXPECT_EQ(Boxes(), std::vector<std::string>{kOpenError + "HKCU\\" + kQuillnox406 + "\\keylabel\nError=2"});
  EXPECT_EQ(Text(HKEY_CURRENT_USER, kCurrent, "srcdir"), "C:\\Kept\\");
  EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, kQuillnox406));
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, kQuillnox406));
}

TEST_F(SettingsRegistryTest, AccessorsUseTheRealKey) {
  MakeKey(HKEY_CURRENT_USER, kCurrent);
  ASSERT_EQ(SettingsSetFlag(SETTING_ALGO, 2), 1);
  EXPECT_EQ(Read(HKEY_CURRENT_USER, kCurrent, "algo"), (Stored{true, REG_SZ, Bytes{'2', 0}}));
  int value = 0;
  ASSERT_EQ(SettingsGetFlag(SETTING_ALGO, &value), 1);
  EXPECT_EQ(value, 2);
  ASSERT_EQ(SettingsGetFlag(SETTING_VISIBLE, &value), 1);
  EXPECT_EQ(value, 0);  // missing
  EXPECT_EQ(SettingsSetFlag(3, 1), 0);

  ASSERT_EQ(SettingsSetWindowRect(-4, 5, 300, 200), 1);
  EXPECT_EQ(Read(HKEY_CURRENT_USER, kCurrent, "xywh"), (Stored{true, REG_BINARY, Le32s({-4, 5, 300, 200})}));
  int x = 0, y = 0, w = 0, h = 0;
  ASSERT_EQ(SettingsGetWindowRect(&x, &y, &w, &h), 1);
  EXPECT_EQ(Le32s({x, y, w, h}), Le32s({-4, 5, 300, 200}));

  ASSERT_EQ(SettingsSetDir(1, "C:\\Src\\"), 1);
  char folder[QLX_PATH_SIZE];
  ASSERT_EQ(SettingsGetDir(1, folder), 1);
  EXPECT_STREQ(folder, "C:\\Src\\");
  EXPECT_EQ(Text(HKEY_CURRENT_USER, kCurrent, "srcdir"), "C:\\Src\\");

  ASSERT_EQ(SettingsSetString("ClassName", "QlxMain", 8), 1);
  char text[100];
  ASSERT_EQ(SettingsGetString("ClassName", text, sizeof text), 1);
  EXPECT_STREQ(text, "QlxMain");

  const Bytes list = Pattern(KEY_LIST_SIZE, 5);
  ASSERT_EQ(SettingsSetListRaw(list.data()), 1);
  EXPECT_EQ(Read(HKEY_CURRENT_USER, kCurrent, "keylabel").bytes, Bytes(list.begin(), list.begin() + 512));
  EXPECT_EQ(Read(HKEY_CURRENT_USER, kCurrent, "keyvalue").bytes, Bytes(list.begin() + 512, list.end()));
  Bytes read(KEY_LIST_SIZE + 8, 0xC3);
  std::uint32_t size = KEY_LIST_SIZE;
  ASSERT_EQ(SettingsGetListRaw(nullptr, read.data(), &size), 1);
  EXPECT_EQ(size, KEY_LIST_SIZE);
  EXPECT_EQ(Bytes(read.begin(), read.begin() + KEY_LIST_SIZE), list);

  // Values too large for the buffer: the real registry's ERROR_MORE_DATA.
  SetBytes(HKEY_CURRENT_USER, kCurrent, "keylabel", Pattern(700, 1));
  SetBytes(HKEY_CURRENT_USER, kCurrent, "keyvalue", Pattern(700, 2));
  std::fill(read.begin(), read.end(), 0xC3);
  size = KEY_LIST_SIZE;
  ASSERT_EQ(SettingsGetListRaw(nullptr, read.data(), &size), 1);
  EXPECT_EQ(size, KEY_LIST_SIZE);
  EXPECT_EQ(Bytes(read.begin(), read.begin() + 700), Pattern(700, 1));
  EXPECT_EQ(Bytes(read.begin() + 700, read.begin() + KEY_LIST_SIZE), Bytes(KEY_LIST_SIZE - 700, 0));
  EXPECT_EQ(Bytes(read.begin() + KEY_LIST_SIZE, read.end()), Bytes(8, 0xC3));

  const Bytes record = Pattern(16, 8);
  ASSERT_EQ(SettingsSetPasswordRecord(record.data()), 1);
  Bytes pwd(16);
  ASSERT_EQ(SettingsGetPasswordRecord(pwd.data()), 1);
  EXPECT_EQ(pwd, record);
  EXPECT_EQ(Read(HKEY_CURRENT_USER, kCurrent, "pwd"), (Stored{true, REG_BINARY, record}));

  ASSERT_EQ(ShellFolderPersonal(folder), 1);
  EXPECT_EQ(folder, Personal());
  ASSERT_EQ(InstallDir(folder, sizeof folder), 1);
  EXPECT_STREQ(folder, "C:\\Program Files\\Orvanel\\Quillnox\\");
  EXPECT_TRUE(BoxDoubleLog().empty());

  RegDeleteTreeA(HKEY_CLASSES_ROOT, "VekFile");
  EXPECT_EQ(InstallDir(folder, sizeof folder), 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{kOpenError + "HKCR\\" + kCommand});
}

TEST_F(SettingsRegistryTest, DeleteKeyAndEmptyParents) {
  MakeKey(HKEY_CURRENT_USER, "Software\\QlxDelete\\a\\b\\c");
  MakeKey(HKEY_CURRENT_USER, "Software\\QlxDelete\\other");
  EXPECT_EQ(DeleteKeyAndEmptyParents(RegistryRoot::CurrentUser, "Software\\QlxDelete\\a\\b"), 0);
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, "Software\\QlxDelete\\a\\b\\c"));

  EXPECT_EQ(DeleteKeyAndEmptyParents(RegistryRoot::CurrentUser, "Software\\QlxDelete\\a\\b\\c"), 1);
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, "Software\\QlxDelete\\a"));
  EXPECT_EQ(Subkeys(HKEY_CURRENT_USER, "Software\\QlxDelete"), std::vector<std::string>{"other"});

  EXPECT_EQ(DeleteKeyAndEmptyParents(RegistryRoot::CurrentUser, "Software\\QlxDelete\\other"), 1);
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, "Software\\QlxDelete"));
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, "Software"));
  EXPECT_EQ(DeleteKeyAndEmptyParents(RegistryRoot::CurrentUser, "Software"), 0);
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, "Software"));
}

}  // namespace
