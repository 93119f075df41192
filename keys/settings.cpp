// The settings store (see settings.h): the per-version key, its accessors and the
// lookups elsewhere in the registry.
#include "keys/settings.h"

#include <cstdio>
#include <cstring>

#include "platform/bytes.h"
#include "platform/msgbox.h"
#include "platform/version.h"
#include "platform/wipe.h"

namespace {

constexpr char kOpenKeyError[] = "Error while opening in registry the key:\n%s\\%s";
constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kOpenCommand[] = "VekFile\\Shell\\Open\\Command";
constexpr std::uint32_t kDigitBufferSize = 16;
constexpr std::uint32_t kWindowRectSize = 16;

const char* RootName(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::LocalMachine: return "HKLM";
    case RegistryRoot::CurrentUser: return "HKCU";
    case RegistryRoot::ClassesRoot: return "HKCR";
  }
  return "";
}

// version, or the running one for nullptr, in an 8-byte buffer (cut at 7 characters).
void CopyVersion(const char* version, char* out) {
  std::snprintf(out, VERSION_BUFFER_SIZE, "%s", version ? version : ProductVersion());
}

// The window rectangle's signed numbers through the shared little-endian helpers.
void PutLe32(unsigned char* p, std::int32_t value) { StoreLe32(p, static_cast<std::uint32_t>(value)); }
std::int32_t GetLe32(const unsigned char* p) { return static_cast<std::int32_t>(LoadLe32(p)); }

const char* FlagName(int number) {
  switch (number) {
    case SETTING_VISIBLE: return "visible";
    case SETTING_HIDEPWD: return "hidepwd";
    case SETTING_ALGO: return "algo";
    case SETTING_AUTHREQ: return "authreq";
  }
  return nullptr;
}

const char* DirName(int which) { return which == SETTINGS_DIR_SOURCE ? "srcdir" : "dstdir"; }

// How a raw list read went: the bytes each value filled, and the value (if any) that
// did not fit in the room left.
struct ListRead {
  std::uint32_t label_size;
  std::uint32_t value_size;
  const char* cut_value;
};

void ReportListValue(const char* version, const char* value, long code) {
  char path[SETTINGS_KEY_PATH_SIZE];
  const RegistryRoot root = SettingsKeyPath(version, path, sizeof path);
  char text[192];
  std::snprintf(text, sizeof text, "Error while opening in registry the key:\n%s\\%s\\%s\nError=%ld",
                RootName(root), path, value, code);
  ErrorBox(MainWindowHandle(), text);
}

// Reads "keylabel" and then "keyvalue" of version into buffer (size bytes, zeroed
// first). A value that does not fit counts as filling the room left, with zeros.
// 0 after the message when the key or a value cannot be read.
int ReadListValues(const char* version, unsigned char* buffer, std::uint32_t size, ListRead* read) {
  std::memset(buffer, 0, size);
  *read = ListRead{0, 0, nullptr};
  RegistryKey key = SettingsOpenKey(version, 1);
  if (!key) return 0;
  const char* const names[2] = {"keylabel", "keyvalue"};
  std::uint32_t* const lengths[2] = {&read->label_size, &read->value_size};
  std::uint32_t used = 0;
  for (int i = 0; i < 2; ++i) {
    const std::uint32_t room = size - used;
    std::uint32_t length = room;
    const long code = RegistryQueryValue(key, names[i], nullptr, buffer + used, &length);
    if (code == REGISTRY_MORE_DATA || (code == REGISTRY_OK && length > room)) {
      std::memset(buffer + used, 0, room);  // what the query left there is undefined
      length = room;
      if (read->cut_value == nullptr) read->cut_value = names[i];
    } else if (code != REGISTRY_OK) {
      key.reset();
      ReportListValue(version, names[i], code);
      return 0;
    }
    *lengths[i] = length;
    used += length;
  }
  return 1;
}

bool WriteListValues(const unsigned char* bytes, std::uint32_t label_size, std::uint32_t value_size) {
  RegistryKey key = SettingsOpenKey(nullptr, 1);
  if (!key) return false;
  const bool label = RegistrySetValue(key, "keylabel", REGISTRY_BINARY, bytes, label_size) == REGISTRY_OK;
  const bool value =
      RegistrySetValue(key, "keyvalue", REGISTRY_BINARY, bytes + label_size, value_size) == REGISTRY_OK;
  return label && value;
}

int ShellFolder(const char* name, char* buffer) {
  if (buffer == nullptr) return 0;
  buffer[0] = '\0';
  RegistryKey key = RegistryOpen(RegistryRoot::CurrentUser, kShellFolders, RegistryAccess::Read);
  if (!key) return 0;
  return RegistryReadText(key, name, buffer, QLX_PATH_SIZE);
}

}  // namespace

RegistryRoot SettingsKeyPath(const char* version, char* path, std::size_t size) {
  char v[VERSION_BUFFER_SIZE];
  CopyVersion(version, v);
  const bool before_406 = std::strncmp(v, "4.06", 4) < 0;
  if (path && size > 0) std::snprintf(path, size, before_406 ? SETTINGS_OLD_KEY_FORMAT : SETTINGS_KEY_FORMAT, v);
  return before_406 ? RegistryRoot::LocalMachine : RegistryRoot::CurrentUser;
}

RegistryKey SettingsOpenKey(const char* version, int report) {
  char v[VERSION_BUFFER_SIZE];
  CopyVersion(version, v);
  char path[SETTINGS_KEY_PATH_SIZE];
  const RegistryRoot root = SettingsKeyPath(v, path, sizeof path);
  // Without a version the path would name the product's key itself.
  RegistryKey key = v[0] ? RegistryOpen(root, path, RegistryAccess::All) : RegistryKey();
  if (!key && report) SettingsReportKey(root, path);
  return key;
}

int SettingsGetFlag(int number, int* value) {
  const char* name = FlagName(number);
  if (name == nullptr || value == nullptr) return 0;
  RegistryKey key = SettingsOpenKey(nullptr, 1);
  if (!key) return 0;
  *value = SettingsReadDigit(key, name);
  return 1;
}

int SettingsSetFlag(int number, int value) {
  const char* name = FlagName(number);
  if (name == nullptr || value < 0 || value > 9) return 0;
  RegistryKey key = SettingsOpenKey(nullptr, 1);
  if (!key) return 0;
  return SettingsWriteDigit(key, name, value);
}

std::uint32_t SettingsAlgorithm() {
  int value = 1;
  if (!SettingsGetFlag(SETTING_ALGO, &value)) value = 1;
  return static_cast<std::uint32_t>(value);
}

int SettingsKeepAlgorithm(std::uint32_t algorithm) {
  if (algorithm > 9) return 0;
  return SettingsSetFlag(SETTING_ALGO, static_cast<int>(algorithm));
}

int SettingsGetWindowRect(int* x, int* y, int* width, int* height) {
  RegistryKey key = SettingsOpenKey(nullptr, 1);
  if (!key) return 0;
  std::int32_t xywh[4];
  if (!SettingsReadWindowRect(key, xywh)) return 0;
  int* const outputs[4] = {x, y, width, height};
  for (int i = 0; i < 4; ++i)
    if (outputs[i]) *outputs[i] = xywh[i];
  return 1;
}

int SettingsSetWindowRect(int x, int y, int width, int height) {
  RegistryKey key = SettingsOpenKey(nullptr, 1);
  if (!key) return 0;
  const std::int32_t xywh[4] = {x, y, width, height};
  return SettingsWriteWindowRect(key, xywh);
}

int SettingsGetDir(int which, char* buffer) {
  if (buffer == nullptr) return 0;
  RegistryKey key = SettingsOpenKey(nullptr, 1);
  if (!key) return 0;
  char folder[QLX_PATH_SIZE];
  if (!RegistryReadText(key, DirName(which), folder, sizeof folder)) return 0;
  std::memcpy(buffer, folder, std::strlen(folder) + 1);
  return 1;
}

int SettingsSetDir(int which, const char* text) {
  if (text == nullptr || strnlen(text, QLX_PATH_SIZE) >= QLX_PATH_SIZE) return 0;
  RegistryKey key = SettingsOpenKey(nullptr, 1);
  if (!key) return 0;
  return SettingsWriteText(key, DirName(which), text, QLX_PATH_SIZE);
}

int SettingsSetString(const char* name, const char* text, std::uint32_t length) {
  if (name == nullptr || (text == nullptr && length > 0)) return 0;
  RegistryKey key = SettingsOpenKey(nullptr, 1);
  if (!key) return 0;
  return RegistrySetValue(key, name, REGISTRY_SZ, text, length) == REGISTRY_OK ? 1 : 0;
}

int SettingsGetString(const char* name, char* buffer, std::uint32_t size) {
  if (buffer == nullptr || size == 0) return 0;
  RegistryKey key = SettingsOpenKey(nullptr, 0);
  if (key && name && RegistryReadText(key, name, buffer, size)) return 1;
  buffer[0] = '\0';
  return 0;
}

int SettingsGetListRaw(const char* version, unsigned char* buffer, std::uint32_t* size) {
  if (buffer == nullptr || size == nullptr) return 0;
  char v[VERSION_BUFFER_SIZE];
  CopyVersion(version, v);
  ListRead read;
  if (!ReadListValues(v, buffer, *size, &read)) return 0;
  *size = read.label_size + read.value_size;
  return 1;
}

int SettingsSetListRaw(const unsigned char* bytes) {
  if (bytes == nullptr) return 0;
  return WriteListValues(bytes, KEY_LIST_LABELS_SIZE, KEY_LIST_VALUES_SIZE) ? 1 : 0;
}

int SettingsGetPasswordRecord(unsigned char* record) {
  if (record == nullptr) return 0;
  std::memset(record, 0, PASSWORD_RECORD_SIZE);
  RegistryKey key = SettingsOpenKey(nullptr, 1);
  if (!key) return 0;
  std::uint32_t size = PASSWORD_RECORD_SIZE;
  if (RegistryQueryValue(key, "pwd", nullptr, record, &size) == REGISTRY_OK && size == PASSWORD_RECORD_SIZE)
    return 1;
  SecureWipe(record, PASSWORD_RECORD_SIZE);  // a short value leaves part of it; a long one undefined bytes
  return 0;
}

int SettingsSetPasswordRecord(const unsigned char* record) {
  if (record == nullptr) return 0;
  RegistryKey key = SettingsOpenKey(nullptr, 1);
  if (!key) return 0;
  return RegistrySetValue(key, "pwd", REGISTRY_BINARY, record, PASSWORD_RECORD_SIZE) == REGISTRY_OK ? 1 : 0;
}

int SettingsCreateUserKey() {
  char path[64];
  const RegistryRoot root = SettingsKeyPath(nullptr, path, sizeof path);
  return RegistryCreate(root, path) ? 1 : 0;
}

int ShellFolderPersonal(char* buffer) { return ShellFolder("Personal", buffer); }

int ShellFolderCache(char* buffer) { return ShellFolder("Cache", buffer); }

int InstallDir(char* buffer, std::uint32_t size) {
  if (buffer == nullptr || size == 0) return 0;
  buffer[0] = '\0';
  RegistryKey key = RegistryOpen(RegistryRoot::ClassesRoot, kOpenCommand, RegistryAccess::Read);
  if (!key) {
    SettingsReportKey(RegistryRoot::ClassesRoot, kOpenCommand);
    return 0;
  }
  char command[2 * QLX_PATH_SIZE];
  if (!RegistryReadText(key, nullptr, command, sizeof command)) return 0;
  const char* separator = std::strrchr(command, '\\');
  if (separator == nullptr) return 0;
  const std::size_t length = static_cast<std::size_t>(separator - command) + 1;
  if (length + 1 > size) return 0;
  std::memcpy(buffer, command, length);
  buffer[length] = '\0';
  return 1;
}

int SettingsReadDigit(const RegistryKey& key, const char* name) {
  char text[kDigitBufferSize] = "0";
  std::uint32_t size = sizeof text;
  if (RegistryQueryValue(key, name, nullptr, text, &size) != REGISTRY_OK || size == 0) return 0;
  return text[0] >= '0' && text[0] <= '9' ? text[0] - '0' : 0;
}

int SettingsWriteDigit(const RegistryKey& key, const char* name, int value) {
  if (value < 0 || value > 9) return 0;
  const char text[2] = {static_cast<char>('0' + value), '\0'};
  return RegistrySetValue(key, name, REGISTRY_SZ, text, 2) == REGISTRY_OK ? 1 : 0;
}

int SettingsReadWindowRect(const RegistryKey& key, std::int32_t xywh[4]) {
  unsigned char bytes[kWindowRectSize];
  std::uint32_t size = sizeof bytes;
  if (RegistryQueryValue(key, "xywh", nullptr, bytes, &size) != REGISTRY_OK || size != sizeof bytes) return 0;
  for (int i = 0; i < 4; ++i) xywh[i] = GetLe32(bytes + 4 * i);
  return 1;
}

int SettingsWriteWindowRect(const RegistryKey& key, const std::int32_t xywh[4]) {
  unsigned char bytes[kWindowRectSize];
  for (int i = 0; i < 4; ++i) PutLe32(bytes + 4 * i, xywh[i]);
  return RegistrySetValue(key, "xywh", REGISTRY_BINARY, bytes, sizeof bytes) == REGISTRY_OK ? 1 : 0;
}

int SettingsWriteText(const RegistryKey& key, const char* name, const char* text, std::size_t size) {
  const std::size_t length = strnlen(text, size);
  if (length >= size) return 0;
  return RegistrySetValue(key, name, REGISTRY_SZ, text, static_cast<std::uint32_t>(length + 1)) == REGISTRY_OK ? 1
                                                                                                                : 0;
}

void SettingsReportKey(RegistryRoot root, const char* path) {
  char text[160];
  std::snprintf(text, sizeof text, kOpenKeyError, RootName(root), path);
  ErrorBox(MainWindowHandle(), text);
}
