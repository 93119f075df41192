// Fuzz target: the settings store over arbitrary registry contents (in-memory registry).
// The input seeds an older version's keys, the current key, the shell folders and the
// open command with values of any type, size and content; then the first start and
// every reading accessor run. Besides the sanitizers' checks: texts end inside their
// buffers, sizes stay within them, the new key holds well-formed values, and an older
// key is removed only when its passphrase list reached the new key byte for byte.
//
// Input: one byte of flags (bit 0: HKLM\...\Quillnox\4.06 exists, bit 1: HKLM\...\Vek\3.13
// exists, bit 2: a newer 4.12 is installed, bit 3: the current per-user key exists),
// then records: target (low 2 bits: older 4.06 per-user key, Vek\3.13, current key,
// shell folders / open command), name (low 4 bits: index into kNames; bit 4: REG_SZ
// instead of REG_BINARY), 2-byte little-endian length, data (cut at the input's end).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "keys/first_start.h"
#include "keys/settings.h"
#include "platform/common/msgbox_double.h"
#include "platform/common/registry_memory.h"

namespace {

constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;
constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;
constexpr char kCurrent[] = "Software\\Orvanel\\Quillnox\\4.10EN";
constexpr char kOlder[] = "Software\\Orvanel\\Quillnox\\4.06";
constexpr char kVek[] = "Software\\Orvanel\\Vek\\3.13";
constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kCommand[] = "VekFile\\Shell\\Open\\Command";

const char* const kNames[16] = {"xywh",     "visible",  "hidepwd", "algo",      "authreq", "srcdir",
                                "dstdir",   "keylabel", "keyvalue", "pwd",      "ClassName", "",
                                "Personal", "Cache",    "keylabel", "keyvalue"};

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckText(const char* buffer, std::size_t size) { Check(std::memchr(buffer, '\0', size) != nullptr); }

std::vector<std::uint8_t> ValueOf(RegistryRoot root, const char* path, const char* name, bool* present) {
  std::vector<std::uint8_t> bytes;
  *present = RegistryMemoryGetValue(root, path, name, nullptr, &bytes);
  return bytes;
}

void CheckDigit(const char* name) {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> bytes;
  Check(RegistryMemoryGetValue(HKCU, kCurrent, name, &type, &bytes));
  Check(type == REGISTRY_SZ && bytes.size() == 2 && bytes[0] >= '0' && bytes[0] <= '9' && bytes[1] == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  RegistryMemoryReset();
  BoxDoubleReset();
  if (size == 0) return 0;
  const std::uint8_t flags = data[0];
  RegistryMemoryCreateKey(HKLM, kCurrent);
  if (flags & 1) RegistryMemoryCreateKey(HKLM, kOlder);
  if (flags & 2) RegistryMemoryCreateKey(HKLM, kVek);
  if (flags & 4) RegistryMemoryCreateKey(HKLM, "Software\\Orvanel\\Quillnox\\4.12");
  if (flags & 8) RegistryMemoryCreateKey(HKCU, kCurrent);

  std::size_t at = 1;
  while (at + 4 <= size) {
    const std::uint8_t target = data[at] & 3;
    const std::uint8_t name_byte = data[at + 1];
    std::size_t length = data[at + 2] | (data[at + 3] << 8);
    at += 4;
    if (length > size - at) length = size - at;
    const char* name = kNames[name_byte & 15];
    const std::uint32_t type = (name_byte & 16) ? REGISTRY_SZ : REGISTRY_BINARY;
    const RegistryRoot roots[4] = {HKCU, HKLM, HKCU, HKCU};
    const char* paths[4] = {kOlder, kVek, kCurrent, kShellFolders};
    if (target == 3 && name[0] == '\0')
      RegistryMemorySetValue(RegistryRoot::ClassesRoot, kCommand, "", type, data + at, length);
    else
      RegistryMemorySetValue(roots[target], paths[target], name, type, data + at, length);
    at += length;
  }

  // What the older versions hold before the start, to check that nothing is lost.
  const bool older_existed = RegistryMemoryKeyExists(HKCU, kOlder);
  const bool vek_existed = RegistryMemoryKeyExists(HKLM, kVek);
  bool older_label = false, older_value = false, vek_label = false, vek_value = false;
  const auto older_labels = ValueOf(HKCU, kOlder, "keylabel", &older_label);
  const auto older_values = ValueOf(HKCU, kOlder, "keyvalue", &older_value);
  const auto vek_labels = ValueOf(HKLM, kVek, "keylabel", &vek_label);
  const auto vek_values = ValueOf(HKLM, kVek, "keyvalue", &vek_value);
  const bool had_current = RegistryMemoryKeyExists(HKCU, kCurrent);

  Check(SettingsInit() == 1);
  if (had_current) Check(older_existed == RegistryMemoryKeyExists(HKCU, kOlder));
  if (!had_current) {
    for (const char* name : {"visible", "hidepwd", "algo", "authreq"}) CheckDigit(name);
    bool present = false;
    Check(ValueOf(HKCU, kCurrent, "algo", &present)[0] == '1');
    Check(ValueOf(HKCU, kCurrent, "authreq", &present)[0] == '0');
    for (const char* name : {"srcdir", "dstdir"}) {
      const auto folder = ValueOf(HKCU, kCurrent, name, &present);
      Check(present && !folder.empty() && folder.size() <= QLX_PATH_SIZE && folder.back() == 0);
    }
    // An older key that went away left its list behind in the new key, unchanged.
    bool label = false, value = false;
    const auto new_labels = ValueOf(HKCU, kCurrent, "keylabel", &label);
    const auto new_values = ValueOf(HKCU, kCurrent, "keyvalue", &value);
    if (vek_existed && !RegistryMemoryKeyExists(HKLM, kVek))
      Check(vek_label && vek_value && new_labels == vek_labels && new_values == vek_values);
    if (older_existed && !RegistryMemoryKeyExists(HKCU, kOlder))
      Check(!vek_existed && older_label && older_value && new_labels == older_labels && new_values == older_values);
  }
  Check(RegistryMemoryKeyExists(HKLM, kCurrent));

  int value = 0;
  for (int number : {1, 5, 6, 7}) {
    value = -1;
    if (SettingsGetFlag(number, &value)) Check(value >= 0 && value <= 9);
  }
  int x = 0, y = 0, w = 0, h = 0;
  SettingsGetWindowRect(&x, &y, &w, &h);
  char folder[QLX_PATH_SIZE];
  for (int which : {1, 2}) {
    std::strcpy(folder, "unchanged");
    SettingsGetDir(which, folder);
    CheckText(folder, sizeof folder);
  }
  char text[100];
  SettingsGetString("ClassName", text, sizeof text);
  CheckText(text, sizeof text);
  SettingsGetString("srcdir", text, 5);
  CheckText(text, 5);
  for (const char* version : {static_cast<const char*>(nullptr), "4.06", "3.13"}) {
    std::vector<unsigned char> list(KEY_LIST_SIZE);
    std::uint32_t list_size = KEY_LIST_SIZE;
    if (SettingsGetListRaw(version, list.data(), &list_size)) Check(list_size <= KEY_LIST_SIZE);
    list_size = 10;
    if (SettingsGetListRaw(version, list.data(), &list_size)) Check(list_size <= 10);
  }
  unsigned char record[PASSWORD_RECORD_SIZE];
  SettingsGetPasswordRecord(record);
  ShellFolderPersonal(folder);
  CheckText(folder, sizeof folder);
  ShellFolderCache(folder);
  CheckText(folder, sizeof folder);
  InstallDir(folder, sizeof folder);
  CheckText(folder, sizeof folder);
  InstallDir(text, 8);
  CheckText(text, 8);
  Check(RegistryMemoryOpenKeys() == 0);
  return 0;
}
