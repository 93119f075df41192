// The first start of a version (see first_start.h): the machine-wide key checked, the
// per-user key created and filled from an older version or the defaults, and the
// older version's keys removed.
#include "keys/first_start.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "keys/access_password.h"
#include "keys/passphrase_list.h"
#include "platform/msgbox.h"
#include "platform/version.h"
#include "platform/wipe.h"

namespace {

constexpr char kConfigurationError[] =
    "%s cannot check its configuration.\n\nThe key HKLM\\SOFTWARE\\Orvanel\\Quillnox\\%s doesn't exist in the "
    "registry or cannot be open.";
constexpr std::uint32_t kKeyNameSize = 256;  // a registry key name has at most 255 characters

// version in an 8-byte buffer (cut at 7 characters).
void CopyVersion(const char* version, char* out) { std::snprintf(out, VERSION_BUFFER_SIZE, "%s", version); }

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

// A folder value of an older version's key into field (QLX_PATH_SIZE bytes); field
// keeps what it had when the value cannot be read.
void LoadFolder(const RegistryKey& key, const char* name, const char* version, char* field) {
  char folder[QLX_PATH_SIZE];
  if (!RegistryReadText(key, name, folder, sizeof folder)) return;
  std::memcpy(field, folder, std::strlen(folder) + 1);
  if (version[0] != '4') AppendBackslash(field, QLX_PATH_SIZE);  // 3.x kept folders without it
}

// The passphrase list of version into record's labels, values and selection.
int LoadList(const char* version, SettingsRecord* record) {
  auto list = std::make_unique<PassphraseList>();
  std::uint32_t selection = 0;
  if (!PassphraseListLoad(version, list.get(), &selection, nullptr)) return 0;
  std::memcpy(record->key_labels, list->Labels(), sizeof record->key_labels);
  std::memcpy(record->key_values, list->Values(), sizeof record->key_values);
  record->key_selection = selection;
  return 1;
}

}  // namespace

int SettingsInit() {
  const char* version = ProductVersion();
  char path[SETTINGS_KEY_PATH_SIZE];
  std::snprintf(path, sizeof path, SETTINGS_KEY_FORMAT, version);

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
    SettingsReportKey(RegistryRoot::CurrentUser, path);
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
    std::int32_t xywh[4];
    if (SettingsReadWindowRect(key, xywh)) {
      record->x = xywh[0];
      record->y = xywh[1];
      record->width = xywh[2];
      record->height = xywh[3];
    }
    record->visible = SettingsReadDigit(key, "visible");
    record->hidepwd = SettingsReadDigit(key, "hidepwd");
    record->algo = 1;  // whatever was stored
    LoadFolder(key, "srcdir", v, record->srcdir);
    LoadFolder(key, "dstdir", v, record->dstdir);
    // "authreq" is not carried over.
  }
  return LoadList(v, record);
}

int SettingsSaveRecord(const SettingsRecord* record) {
  if (record == nullptr) return 0;
  bool ok = true;
  {
    RegistryKey key = SettingsOpenKey(nullptr, 1);
    if (!key) return 0;
    const std::int32_t xywh[4] = {record->x, record->y, record->width, record->height};
    ok &= SettingsWriteWindowRect(key, xywh) == 1;
    ok &= SettingsWriteDigit(key, "visible", record->visible) == 1;
    ok &= SettingsWriteDigit(key, "hidepwd", record->hidepwd) == 1;
    ok &= SettingsWriteDigit(key, "algo", record->algo) == 1;
    ok &= SettingsWriteDigit(key, "authreq", record->authreq) == 1;
    ok &= SettingsWriteText(key, "srcdir", record->srcdir, sizeof record->srcdir) == 1;
    ok &= SettingsWriteText(key, "dstdir", record->dstdir, sizeof record->dstdir) == 1;
  }
  ok &= PassphraseListStore(record->key_labels, record->key_values, record->key_selection) == 1;
  ok &= AccessPasswordClear() == 1;
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
  char path[SETTINGS_KEY_PATH_SIZE];
  if (std::strncmp(v, "4.06", 4) < 0) {
    std::snprintf(path, sizeof path, SETTINGS_OLD_KEY_FORMAT, v);
    return DeleteKeyAndEmptyParents(RegistryRoot::LocalMachine, path);
  }
  std::snprintf(path, sizeof path, SETTINGS_KEY_FORMAT, v);
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
