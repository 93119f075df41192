// The settings store: the per-version registry key of the program, its accessors, and
// three read-only lookups elsewhere in the registry (Personal folder, browser cache
// folder, installation folder). The first start of a version (creation, or migration
// from an older installed version) builds on it from keys/first_start.h.
//
// Settings key of version V: HKCU\Software\Orvanel\Quillnox\V, or for versions
// before "4.06" (read only while migrating) HKLM\Software\Orvanel\Vek\V. Besides it,
// the machine-wide key HKLM\Software\Orvanel\Quillnox\V that the installer makes must
// exist, or the program does not start.
//
// All functions return 1 for success and 0 for failure unless said otherwise. Each
// opens the keys it needs and closes them before it returns. The routine that meets
// a failure shows its message (ErrorBox, owned by the main window when there is one);
// the cases without a message are named.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/types.h"  // QLX_PATH_SIZE
#include "platform/registry.h"
#include "platform/version.h"  // ProductVersion

// Setting numbers of the one-digit values.
constexpr int SETTING_VISIBLE = 1;  // "visible": main window stays on top, 0 or 1
constexpr int SETTING_HIDEPWD = 5;  // "hidepwd": key edit shows '*', 0 or 1
constexpr int SETTING_ALGO = 6;     // "algo": 1 DES family, 2 AES
constexpr int SETTING_AUTHREQ = 7;  // "authreq": storing passphrases needs the access password

// The folders kept by SettingsGetDir and SettingsSetDir.
constexpr int SETTINGS_DIR_SOURCE = 1;  // "srcdir": where files were last taken from
constexpr int SETTINGS_DIR_OUTPUT = 2;  // "dstdir": where output was last written

// Version texts are at most 7 characters and live in buffers of this size.
constexpr std::size_t VERSION_BUFFER_SIZE = 8;

// The passphrase list as the settings key holds it: KEY_LIST_CAPACITY entries of a
// label and a value in KEY_SLOT_SIZE-byte slots, and a 4-byte selection.
constexpr int KEY_LIST_CAPACITY = 16;
constexpr int KEY_SLOT_SIZE = 32;
constexpr std::uint32_t KEY_LIST_LABELS_SIZE = KEY_LIST_CAPACITY * KEY_SLOT_SIZE;      // "keylabel": 512
constexpr std::uint32_t KEY_LIST_VALUES_SIZE = KEY_LIST_CAPACITY * KEY_SLOT_SIZE + 4;  // "keyvalue": 516
constexpr std::uint32_t KEY_LIST_SIZE = KEY_LIST_LABELS_SIZE + KEY_LIST_VALUES_SIZE;   // 1028

// "pwd": the access-password record.
constexpr std::uint32_t PASSWORD_RECORD_SIZE = 16;

// ProductVersion (the running program's "4.10EN") comes from platform/version.h.

// The settings key's path, formatted with a version: from "4.06" on (under HKCU, and
// the machine-wide key under HKLM), and before (under HKLM). Paths fit in
// SETTINGS_KEY_PATH_SIZE bytes.
constexpr char SETTINGS_KEY_FORMAT[] = "Software\\Orvanel\\Quillnox\\%s";
constexpr char SETTINGS_OLD_KEY_FORMAT[] = "Software\\Orvanel\\Vek\\%s";
constexpr std::size_t SETTINGS_KEY_PATH_SIZE = 64;

// Where the settings of version live: fills path (size bytes) with
// "Software\Orvanel\Vek\<version>" for versions whose first 4 characters compare
// lower than "4.06", else "Software\Orvanel\Quillnox\<version>", and returns the root
// (HKLM for the first, HKCU for the second). version nullptr means ProductVersion();
// at most its first 7 characters are used.
RegistryRoot SettingsKeyPath(const char* version, char* path, std::size_t size);

// Opens the settings key of version (nullptr: the running one) for all access. On
// failure the key is empty and, when report is non-zero, the ErrorBox says
// "Error while opening in registry the key:\n<HKLM|HKCU>\<path>".
RegistryKey SettingsOpenKey(const char* version, int report);

// The one-digit values by setting number (SETTING_*). Any other number is refused:
// 0, nothing read or written, no message. Get: a missing value, or one that does not
// start with a digit, reads 0; *value is left alone when the key cannot be opened.
// Set: stores '0' + value and NUL (2 bytes, REG_SZ); values outside 0..9 are refused
// (0, nothing written); a failed write gives 0 without a message.
int SettingsGetFlag(int number, int* value);
int SettingsSetFlag(int number, int value);

// "algo" as the operations take and report it. SettingsAlgorithm: the algorithm for the
// next encryption's request (1 when the value cannot be read). SettingsKeepAlgorithm:
// stores the algorithm a decryption reported, as setting 6; a code that is no digit
// (such as the report of a container without ALGO chunk) is not stored (0).
std::uint32_t SettingsAlgorithm();
int SettingsKeepAlgorithm(std::uint32_t algorithm);

// "xywh": the main window's x, y, width, height as four signed 32-bit little-endian
// integers (16 bytes, REG_BINARY). Get: 0 with the outputs unchanged when the value
// is missing or not 16 bytes long; any output may be nullptr.
int SettingsGetWindowRect(int* x, int* y, int* width, int* height);
int SettingsSetWindowRect(int x, int y, int width, int height);

// "srcdir" (which = SETTINGS_DIR_SOURCE) or "dstdir" (SETTINGS_DIR_OUTPUT, or any other
// which). Get: buffer holds QLX_PATH_SIZE
// bytes and receives the folder with its terminator; it stays as it was (result 0)
// when the value is missing or longer than QLX_PATH_SIZE - 1 characters. Set: stores
// text and its NUL as REG_SZ; a text of QLX_PATH_SIZE characters or more is refused.
int SettingsGetDir(int which, char* buffer);
int SettingsSetDir(int which, const char* text);

// Stores length bytes of text (the caller counts the NUL in) as the REG_SZ value
// name of the settings key. text must hold length bytes.
int SettingsSetString(const char* name, const char* text, std::uint32_t length);
// Reads the text value name into buffer (size bytes with the terminator). On any
// failure buffer holds "" (when size > 0) and the result is 0; a settings key that
// cannot be opened gives no message here.
int SettingsGetString(const char* name, char* buffer, std::uint32_t size);

// The stored passphrase list, raw. Get: version (nullptr: the running one) selects the
// key; buffer holds *size bytes and is zeroed first; "keylabel" is read at its start
// and "keyvalue" right behind it. *size becomes the number of bytes read, never more
// than it was: a value that does not fit in the room left counts as filling that room
// with zeros. A missing value or another registry error shows "Error while opening
// in registry the key:\n<root>\<path>\<value>\nError=<code>" and gives 0.
// Set: bytes holds KEY_LIST_SIZE bytes; the first KEY_LIST_LABELS_SIZE go to
// "keylabel", the rest to "keyvalue", both REG_BINARY; a failed write gives 0 without
// a message.
int SettingsGetListRaw(const char* version, unsigned char* buffer, std::uint32_t* size);
int SettingsSetListRaw(const unsigned char* bytes);

// "pwd", PASSWORD_RECORD_SIZE bytes. Get: record is zeroed first; 1 only when exactly
// 16 bytes were read (no message otherwise). Set: stores the 16 bytes as REG_BINARY.
int SettingsGetPasswordRecord(unsigned char* record);
int SettingsSetPasswordRecord(const unsigned char* record);

// Creates the per-user settings key of the running version, nothing more: for a
// program whose settings live only in memory for one run (qlx) and for tests.
int SettingsCreateUserKey();

// The "Personal" and "Cache" values of the key
// HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders, read-only. buffer holds QLX_PATH_SIZE bytes and holds ""
// on failure; 0 without a message when the key or the value cannot be read.
int ShellFolderPersonal(char* buffer);
int ShellFolderCache(char* buffer);

// The installation folder with its trailing "\": the default value of
// HKCR\VekFile\Shell\Open\Command (the program path and " %1") cut after its last
// backslash. buffer holds size bytes and holds "" on failure. A key that cannot be
// opened shows "Error while opening in registry the key:\nHKCR\VekFile\Shell\Open\Command".
int InstallDir(char* buffer, std::uint32_t size);

// The values of an open settings key, for the first start, which reads an older
// version's key and fills the new one in one go. Digit: the first stored character
// minus '0' (missing, unreadable or not a digit: 0); only 0..9 are written. Window
// rectangle: x, y, width, height as 16 bytes; 0 (xywh unchanged) when the value is
// missing or not 16 bytes long. Text: text and its NUL (a text of size characters or
// more is refused). Writers give 1 when the value was written.
int SettingsReadDigit(const RegistryKey& key, const char* name);
int SettingsWriteDigit(const RegistryKey& key, const char* name, int value);
int SettingsReadWindowRect(const RegistryKey& key, std::int32_t xywh[4]);
int SettingsWriteWindowRect(const RegistryKey& key, const std::int32_t xywh[4]);
int SettingsWriteText(const RegistryKey& key, const char* name, const char* text, std::size_t size);

// The ErrorBox (owned by the main window when there is one) "Error while opening in
// registry the key:\n<HKLM|HKCU|HKCR>\<path>".
void SettingsReportKey(RegistryRoot root, const char* path);
