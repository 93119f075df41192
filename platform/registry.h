// The registry seam: open, create, query, set, enumerate and delete keys under the
// three roots the programs use (HKLM, HKCU, HKCR), with the system's error codes.
//
// One header, two implementations chosen at link time:
//   platform/win32/registry_win32.cpp   the real registry, for the Windows programs
//   platform/common/registry_memory.cpp an in-memory registry, for the unit tests, the
//                                       native build and the qlx command-line tool
//                                       (see registry_memory.h for its test hooks)
//
// A key is opened for one access and closed before the caller returns: RegistryKey
// owns the open key and closes it when it goes out of scope.
#pragma once

#include <cstdint>
#include <memory>

enum class RegistryRoot { LocalMachine, CurrentUser, ClassesRoot };

// Read: query and enumerate. All: also set values and create or delete subkeys.
enum class RegistryAccess { Read, All };

// Results: 0 or a Win32 error code (the numbers are the system's).
constexpr long REGISTRY_OK = 0;
constexpr long REGISTRY_FILE_NOT_FOUND = 2;    // no such key or value
constexpr long REGISTRY_ACCESS_DENIED = 5;     // refused; also deleting a key that has subkeys
constexpr long REGISTRY_INVALID_PARAMETER = 87;
constexpr long REGISTRY_MORE_DATA = 234;       // the buffer is too small (see RegistryQueryValue)
constexpr long REGISTRY_NO_MORE_ITEMS = 259;   // enumeration past the last subkey
constexpr long REGISTRY_KEY_DELETED = 1018;    // the open key has been deleted meanwhile

// Value types.
constexpr std::uint32_t REGISTRY_SZ = 1;      // text with its terminating NUL
constexpr std::uint32_t REGISTRY_BINARY = 3;  // bytes

struct RegistryKeyCloser {
  void operator()(void* key) const;
};
// An open key (empty when an open failed); closed when it goes out of scope.
using RegistryKey = std::unique_ptr<void, RegistryKeyCloser>;

// Opens root\path (backslash-separated; "" opens the root itself). On failure the key
// is empty and *error (when error is not nullptr) gets the code; else *error = 0.
RegistryKey RegistryOpen(RegistryRoot root, const char* path, RegistryAccess access,
                         long* error = nullptr);

// Opens root\path for all access, creating it and any missing parents first.
RegistryKey RegistryCreate(RegistryRoot root, const char* path, long* error = nullptr);

// Reads value name (nullptr or "" = the key's default value) into data, which holds
// *size bytes; data nullptr only asks for the size. On return *size is the stored
// length. When the value is longer than *size the result is REGISTRY_MORE_DATA, *size
// the stored length, and the bytes at data are undefined (never written beyond *size
// as given). type (may be nullptr) gets the value's type.
long RegistryQueryValue(const RegistryKey& key, const char* name, std::uint32_t* type, void* data,
                        std::uint32_t* size);

// Reads the text value name (nullptr or "" = the default value) into buffer, which
// holds size bytes. 1 when the whole text and a terminator fit in size bytes (a
// stored terminator is optional; the text ends at its first NUL). Otherwise 0 with
// buffer "" (when size > 0): the value is missing, unreadable, or too long.
int RegistryReadText(const RegistryKey& key, const char* name, char* buffer, std::uint32_t size);

// Stores size bytes of data as value name with the given type (the key must be open
// for all access).
long RegistrySetValue(const RegistryKey& key, const char* name, std::uint32_t type, const void* data,
                      std::uint32_t size);

// Name of the subkey number index (from 0, in the registry's order) into name, which
// holds size characters with the terminator. REGISTRY_MORE_DATA when the name does not
// fit (name is then undefined), REGISTRY_NO_MORE_ITEMS past the last subkey.
long RegistryEnumKey(const RegistryKey& key, std::uint32_t index, char* name, std::uint32_t size);

// Deletes the subkey of key named subkey, which must have no subkeys of its own
// (REGISTRY_ACCESS_DENIED otherwise). key itself may be open for reading only.
long RegistryDeleteKey(const RegistryKey& key, const char* subkey);
