// The settings store (see settings.h): the per-version key, its accessors, the first
// start of a version with the migration of an older one, and the removal of keys.
#include "keys/settings.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "keys/access_password.h"
#include "keys/passphrase_list.h"
#include "platform/bytes.h"
#include "platform/msgbox.h"
#include "platform/version.h"
#include "platform/wipe.h"

namespace {

constexpr char kOpenKeyError[] = "Error while opening in registry the key:\n%s\\%s";
constexpr char kConfigurationError[] =
    "%s cannot check its configuration.\n\nThe key HKLM\\SOFTWARE\\Orvanel\\Quillnox\\%s doesn't exist in the "
    "registry or cannot be open.";
constexpr char kQuillnoxKey[] = "Software\\Orvanel\\Quillnox\\%s";
constexpr char kVekKey[] = "Software\\Orvanel\\Vek\\%s";
constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kOpenCommand[] = "VekFile\\Shell\\Open\\Command";
constexpr std::size_t kKeyPathSize = 64;   // the longest settings key path is 33 characters
constexpr std::uint32_t kDigitBufferSize = 16;
constexpr std::uint32_t kWindowRectSize = 16;
constexpr std::uint32_t kKeyNameSize = 256;  // a registry key name has at most 255 characters


const char* RootName(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::LocalMachine: return "HKLM";
    case RegistryRoot::CurrentUser: return "HKCU";
    case RegistryRoot::ClassesRoot: return "HKCR";
  }
  return "";
}

void ReportKey(RegistryRoot root, const char* path) {
  char text[160];
  std::snprintf(text, sizeof text, kOpenKeyError, RootName(root), path);
  ErrorBox(MainWindowHandle(), text);
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

// A digit value: the first stored character minus '0'; missing, unreadable or not a
// digit reads 0.
int ReadDigit(const RegistryKey& key, const char* name) {
  char text[kDigitBufferSize] = "0";
  std::uint32_t size = sizeof text;
  if (RegistryQueryValue(key, name, nullptr, text, &size) != REGISTRY_OK || size == 0) return 0;
  return text[0] >= '0' && text[0] <= '9' ? text[0] - '0' : 0;
}

bool WriteDigit(const RegistryKey& key, const char* name, int value) {
  if (value < 0 || value > 9) return false;
  const char text[2] = {static_cast<char>('0' + value), '\0'};
  return RegistrySetValue(key, name, REGISTRY_SZ, text, 2) == REGISTRY_OK;
}

// Reads a text value into buffer (size bytes). true only when the whole text and a
// terminator fit; buffer is undefined otherwise.
bool ReadText(const RegistryKey& key, const char* name, char* buffer, std::uint32_t size) {
  if (size == 0) return false;
  std::uint32_t read = size;
  if (RegistryQueryValue(key, name, nullptr, buffer, &read) != REGISTRY_OK) return false;
  if (read > size) return false;
  if (std::memchr(buffer, '\0', read) != nullptr) return true;
  if (read == size) return false;  // no room for the terminator
  buffer[read] = '\0';
  return true;
}

bool WriteText(const RegistryKey& key, const char* name, const char* text, std::size_t size) {
  const std::size_t length = strnlen(text, size);
  if (length >= size) return false;
  return RegistrySetValue(key, name, REGISTRY_SZ, text, static_cast<std::uint32_t>(length + 1)) == REGISTRY_OK;
}

// Appends "\" to a non-empty folder that does not end with one, when it fits.
void AppendBackslash(char* folder, std::size_t size) {
  const std::size_t length = strnlen(folder, size);
  if (length == 0 || length + 2 > size || folder[length - 1] == '\\') return;
  folder[length] = '\\';
  folder[length + 1] = '\0';
}

bool EqualNoCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    const char ca = (*a >= 'a' && *a <= 'z') ? static_cast<char>(*a - 'a' + 'A') : *a;
    const char cb = (*b >= 'a' && *b <= 'z') ? static_cast<char>(*b - 'a' + 'A') : *b;
    if (ca != cb) return false;
  }
  return *a == *b;
}

// How a raw list read went: the bytes each value filled, and the value (if any) that
// did not fit in the room left.
struct ListRead {
  std::uint32_t label_size;
  std::uint32_t value_size;
  const char* cut_value;
};

void ReportListValue(const char* version, const char* value, long code) {
  char path[kKeyPathSize];
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

// A folder value of an older version's key into field (QLX_PATH_SIZE bytes); field
// keeps what it had when the value cannot be read.
void LoadFolder(const RegistryKey& key, const char* name, const char* version, char* field) {
  char folder[QLX_PATH_SIZE];
  if (!ReadText(key, name, folder, sizeof folder)) return;
  std::memcpy(field, folder, std::strlen(folder) + 1);
  if (version[0] != '4') AppendBackslash(field, QLX_PATH_SIZE);  // 3.x kept folders without it
}

int ShellFolder(const char* name, char* buffer) {
  if (buffer == nullptr) return 0;
  buffer[0] = '\0';
  RegistryKey key = RegistryOpen(RegistryRoot::CurrentUser, kShellFolders, RegistryAccess::Read);
  if (!key) return 0;
  char folder[QLX_PATH_SIZE];
  if (!ReadText(key, name, folder, sizeof folder)) return 0;
  std::memcpy(buffer, folder, std::strlen(folder) + 1);
  return 1;
}

}  // namespace


RegistryRoot SettingsKeyPath(const char* version, char* path, std::size_t size) {
  char v[VERSION_BUFFER_SIZE];
  CopyVersion(version, v);
  const bool before_406 = std::strncmp(v, "4.06", 4) < 0;
  if (path && size > 0) std::snprintf(path, size, before_406 ? kVekKey : kQuillnoxKey, v);
  return before_406 ? RegistryRoot::LocalMachine : RegistryRoot::CurrentUser;
}

RegistryKey SettingsOpenKey(const char* version, int report) {
  char v[VERSION_BUFFER_SIZE];
  CopyVersion(version, v);
  char path[kKeyPathSize];
  const RegistryRoot root = SettingsKeyPath(v, path, sizeof path);
  // Without a version the path would name the product's key itself.
  RegistryKey key = v[0] ? RegistryOpen(root, path, RegistryAccess::All) : RegistryKey();
  if (!key && report) ReportKey(root, path);
  return key;
}

int SettingsGetFlag(int number, int* value) {
  const char* name = FlagName(number);
  if (name == nullptr || value == nullptr) return 0;
  RegistryKey key = SettingsOpenKey(nullptr, 1);
  if (!key) return 0;
  *value = ReadDigit(key, name);
  return 1;
}

int SettingsSetFlag(int number, int value) {
  const char* name = FlagName(number);
  if (name == nullptr || value < 0 || value > 9) return 0;
  RegistryKey key = SettingsOpenKey(nullptr, 1);
  if (!key) return 0;
  return WriteDigit(key, name, value) ? 1 : 0;
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
  unsigned char bytes[kWindowRectSize];
  std::uint32_t size = sizeof bytes;
  if (RegistryQueryValue(key, "xywh", nullptr, bytes, &size) != REGISTRY_OK || size != sizeof bytes) return 0;
  int* const outputs[4] = {x, y, width, height};
  for (int i = 0; i < 4; ++i)
    if (outputs[i]) *outputs[i] = GetLe32(bytes + 4 * i);
  return 1;
}

int SettingsSetWindowRect(int x, int y, int width, int height) {
  RegistryKey key = SettingsOpenKey(nullptr, 1);
  if (!key) return 0;
  unsigned char bytes[kWindowRectSize];
  const int inputs[4] = {x, y, width, height};
  for (int i = 0; i < 4; ++i) PutLe32(bytes + 4 * i, inputs[i]);
  return RegistrySetValue(key, "xywh", REGISTRY_BINARY, bytes, sizeof bytes) == REGISTRY_OK ? 1 : 0;
}

int SettingsGetDir(int which, char* buffer) {
  if (buffer == nullptr) return 0;
  RegistryKey key = SettingsOpenKey(nullptr, 1);
  if (!key) return 0;
  char folder[QLX_PATH_SIZE];
  if (!ReadText(key, which == 1 ? "srcdir" : "dstdir", folder, sizeof folder)) return 0;
  std::memcpy(buffer, folder, std::strlen(folder) + 1);
  return 1;
}

int SettingsSetDir(int which, const char* text) {
  if (text == nullptr || strnlen(text, QLX_PATH_SIZE) >= QLX_PATH_SIZE) return 0;
  RegistryKey key = SettingsOpenKey(nullptr, 1);
  if (!key) return 0;
  return WriteText(key, which == 1 ? "srcdir" : "dstdir", text, QLX_PATH_SIZE) ? 1 : 0;
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
  if (key && name && ReadText(key, name, buffer, size)) return 1;
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

int SettingsInit() {
  const char* version = ProductVersion();
  char path[kKeyPathSize];
  std::snprintf(path, sizeof path, kQuillnoxKey, version);

  if (version[0] == '\0' || !RegistryOpen(RegistryRoot::LocalMachine, path, RegistryAccess::Read)) {
    char text[256];
    std::snprintf(text, sizeof text, kConfigurationError, DisplayName(), version);
    ErrorBox(MainWindowHandle(), text);
    return 0;
  }
  if (RegistryOpen(RegistryRoot::CurrentUser, path, RegistryAccess::All)) return 1;  // not the first start

  // First start of this version. Without its key nothing could be kept, and an older
  // version's settings must not be touched.
  if (!RegistryCreate(RegistryRoot::CurrentUser, path)) {
    ReportKey(RegistryRoot::CurrentUser, path);
    return 0;
  }

  auto record = std::make_unique<SettingsRecord>();  // zeroed
  SettingsDefaults(record.get());
  char previous[VERSION_BUFFER_SIZE];
  if (FindPreviousVersion(previous)) {
    const int loaded = SettingsLoadVersion(previous, record.get());
    const int saved = SettingsSaveRecord(record.get());
    // The older keys go only once everything in them has a new home: a list that could
    // not be read (or a failed write) leaves them for a later attempt or a recovery.
    if (loaded && saved) SettingsDeleteVersion(previous);
  } else {
    SettingsSaveRecord(record.get());
  }
  SecureWipe(record.get(), sizeof(SettingsRecord));
  return 1;
}

int FindPreviousVersion(char* previous) {
  if (previous == nullptr) return 0;
  std::memset(previous, 0, VERSION_BUFFER_SIZE);
  RegistryKey key = RegistryOpen(RegistryRoot::LocalMachine, "Software\\Orvanel\\Vek", RegistryAccess::Read);
  if (!key) key = RegistryOpen(RegistryRoot::LocalMachine, "Software\\Orvanel\\Quillnox", RegistryAccess::Read);
  if (!key) return 0;
  const char* version = ProductVersion();
  for (std::uint32_t index = 0;; ++index) {
    char name[VERSION_BUFFER_SIZE];
    const long code = RegistryEnumKey(key, index, name, sizeof name);
    if (code == REGISTRY_MORE_DATA) continue;  // 8 characters or more: not a version name
    if (code != REGISTRY_OK) break;
    const int order = std::strncmp(name, version, 6);
    if (order == 0) continue;  // the running version
    if (order > 0) {           // a newer version is installed: nothing is migrated
      std::memset(previous, 0, VERSION_BUFFER_SIZE);
      std::memcpy(previous, name, std::strlen(name));
      return 0;
    }
    if (std::strncmp(name, previous, 6) > 0) {
      std::memset(previous, 0, VERSION_BUFFER_SIZE);
      std::memcpy(previous, name, std::strlen(name));
    }
  }
  return previous[0] != '\0' ? 1 : 0;
}

int SettingsLoadVersion(const char* version, SettingsRecord* record) {
  if (version == nullptr || record == nullptr) return 0;
  char v[VERSION_BUFFER_SIZE];
  CopyVersion(version, v);
  {
    RegistryKey key = SettingsOpenKey(v, 1);
    if (!key) return 0;
    unsigned char bytes[kWindowRectSize];
    std::uint32_t size = sizeof bytes;
    if (RegistryQueryValue(key, "xywh", nullptr, bytes, &size) == REGISTRY_OK && size == sizeof bytes) {
      record->x = GetLe32(bytes);
      record->y = GetLe32(bytes + 4);
      record->width = GetLe32(bytes + 8);
      record->height = GetLe32(bytes + 12);
    }
    record->visible = ReadDigit(key, "visible");
    record->hidepwd = ReadDigit(key, "hidepwd");
    record->algo = 1;  // whatever was stored
    LoadFolder(key, "srcdir", v, record->srcdir);
    LoadFolder(key, "dstdir", v, record->dstdir);
    // "authreq" is not carried over.
  }
  return SettingsLoadMigratedList(v, record);
}

int SettingsSaveRecord(const SettingsRecord* record) {
  if (record == nullptr) return 0;
  bool ok = true;
  {
    RegistryKey key = SettingsOpenKey(nullptr, 1);
    if (!key) return 0;
    unsigned char bytes[kWindowRectSize];
    PutLe32(bytes, record->x);
    PutLe32(bytes + 4, record->y);
    PutLe32(bytes + 8, record->width);
    PutLe32(bytes + 12, record->height);
    ok &= RegistrySetValue(key, "xywh", REGISTRY_BINARY, bytes, sizeof bytes) == REGISTRY_OK;
    ok &= WriteDigit(key, "visible", record->visible);
    ok &= WriteDigit(key, "hidepwd", record->hidepwd);
    ok &= WriteDigit(key, "algo", record->algo);
    ok &= WriteDigit(key, "authreq", record->authreq);
    ok &= WriteText(key, "srcdir", record->srcdir, sizeof record->srcdir);
    ok &= WriteText(key, "dstdir", record->dstdir, sizeof record->dstdir);
  }
  ok &= SettingsStoreMigratedList(record) == 1;
  ok &= SettingsWriteNoPasswordForm() == 1;
  return ok ? 1 : 0;
}

void SettingsDefaults(SettingsRecord* record) {
  if (record == nullptr) return;
  SecureWipe(record, sizeof(SettingsRecord));
  record->x = -1;
  record->y = -1;
  ShellFolderPersonal(record->srcdir);
  AppendBackslash(record->srcdir, sizeof record->srcdir);
  std::memcpy(record->dstdir, record->srcdir, sizeof record->dstdir);
  record->algo = 1;
}

int SettingsDeleteVersion(const char* version) {
  if (version == nullptr || version[0] == '\0' || std::strchr(version, '\\') != nullptr) return 0;
  char v[VERSION_BUFFER_SIZE];
  CopyVersion(version, v);
  char path[kKeyPathSize];
  if (std::strncmp(v, "4.06", 4) < 0) {
    std::snprintf(path, sizeof path, kVekKey, v);
    return DeleteKeyAndEmptyParents(RegistryRoot::LocalMachine, path);
  }
  std::snprintf(path, sizeof path, kQuillnoxKey, v);
  const int machine = DeleteKeyAndEmptyParents(RegistryRoot::LocalMachine, path);
  const int user = DeleteKeyAndEmptyParents(RegistryRoot::CurrentUser, path);
  return machine && user ? 1 : 0;
}

int DeleteKeyAndEmptyParents(RegistryRoot root, const char* path) {
  if (path == nullptr) return 0;
  char current[QLX_PATH_SIZE];
  if (strnlen(path, sizeof current) >= sizeof current) return 0;
  std::snprintf(current, sizeof current, "%s", path);

  int removed = 0;
  RegistryKey key = RegistryOpen(root, current, RegistryAccess::Read);
  while (key) {
    char subkey[kKeyNameSize];
    const long code = RegistryEnumKey(key, 0, subkey, sizeof subkey);
    if (code == REGISTRY_OK || code == REGISTRY_MORE_DATA) break;  // has a subkey: stays
    key.reset();

    char* separator = std::strrchr(current, '\\');
    const char* last = separator ? separator + 1 : current;
    // The root itself, and the top-level "Software" key, are never removed.
    if (last[0] == '\0' || (separator == nullptr && EqualNoCase(last, "Software"))) break;
    if (separator) *separator = '\0';  // current is now the parent

    RegistryKey parent = RegistryOpen(root, separator ? current : "", RegistryAccess::Read);
    if (!parent || RegistryDeleteKey(parent, last) != REGISTRY_OK) break;
    removed = 1;
    if (separator == nullptr) break;  // a top-level key: its parent is the root
    key = std::move(parent);
  }
  return removed;
}

int ShellFolderPersonal(char* buffer) { return ShellFolder("Personal", buffer); }

int ShellFolderCache(char* buffer) { return ShellFolder("Cache", buffer); }

int InstallDir(char* buffer, std::uint32_t size) {
  if (buffer == nullptr || size == 0) return 0;
  buffer[0] = '\0';
  RegistryKey key = RegistryOpen(RegistryRoot::ClassesRoot, kOpenCommand, RegistryAccess::Read);
  if (!key) {
    ReportKey(RegistryRoot::ClassesRoot, kOpenCommand);
    return 0;
  }
  char command[2 * QLX_PATH_SIZE];
  if (!ReadText(key, nullptr, command, sizeof command)) return 0;
  const char* separator = std::strrchr(command, '\\');
  if (separator == nullptr) return 0;
  const std::size_t length = static_cast<std::size_t>(separator - command) + 1;
  if (length + 1 > size) return 0;
  std::memcpy(buffer, command, length);
  buffer[length] = '\0';
  return 1;
}

int SettingsLoadMigratedList(const char* version, SettingsRecord* record) {
  if (version == nullptr || record == nullptr) return 0;
  auto list = std::make_unique<PassphraseList>();
  std::uint32_t selection = 0;
  if (!PassphraseListLoad(version, list.get(), &selection, nullptr)) return 0;
  std::memcpy(record->key_labels, list->Labels(), sizeof record->key_labels);
  std::memcpy(record->key_values, list->Values(), sizeof record->key_values);
  record->key_selection = selection;
  return 1;
}

int SettingsStoreMigratedList(const SettingsRecord* record) {
  if (record == nullptr) return 0;
  return PassphraseListStore(record->key_labels, record->key_values, record->key_selection);
}

int SettingsWriteNoPasswordForm() { return AccessPasswordClear(); }
