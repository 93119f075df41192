// Test hooks of the in-memory registry (platform/common/registry_memory.cpp): empty it,
// seed and inspect keys and values without going through the seam, make single keys
// refuse access, and count the keys left open.
//
// Names compare without regard to case, as in the real registry; subkeys enumerate in
// ascending case-insensitive order. The three roots are separate trees (HKCR is not a
// view of HKLM\Software\Classes here).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"

// Removes every key, value and fault. Open keys stay valid objects but refer to keys
// that no longer exist (REGISTRY_KEY_DELETED).
void RegistryMemoryReset();

enum class RegistryFault {
  None,
  // Every open or create of the key is refused (REGISTRY_ACCESS_DENIED), and so is
  // its deletion. The key still shows in its parent's enumeration.
  NoAccess,
  // Opens for reading succeed; opens for all access and creates are refused, and so is
  // the key's deletion.
  ReadOnly,
  // Every open and create succeeds, but setting a value in the key is refused (as
  // when the registry is full).
  NoWrite,
};
// Gives the key root\path a fault (whether or not the key exists yet); None removes it.
void RegistryMemorySetFault(RegistryRoot root, const char* path, RegistryFault fault);

// Creates root\path and its missing parents.
void RegistryMemoryCreateKey(RegistryRoot root, const char* path);
// Stores a value (creating the key first when needed). name "" is the default value.
void RegistryMemorySetValue(RegistryRoot root, const char* path, const char* name, std::uint32_t type,
                            const void* data, std::size_t size);
void RegistryMemorySetText(RegistryRoot root, const char* path, const char* name, const char* text);

bool RegistryMemoryKeyExists(RegistryRoot root, const char* path);
// true when the value exists; type and data (either may be nullptr) get its contents.
bool RegistryMemoryGetValue(RegistryRoot root, const char* path, const char* name, std::uint32_t* type,
                            std::vector<std::uint8_t>* data);
// Names of the subkeys and of the values of root\path, in enumeration order; empty
// when the key does not exist.
std::vector<std::string> RegistryMemorySubkeys(RegistryRoot root, const char* path);
std::vector<std::string> RegistryMemoryValueNames(RegistryRoot root, const char* path);

// The whole registry as text, one line per key and per value (type and bytes in
// hexadecimal), for comparing states.
std::string RegistryMemoryDump();

// Keys opened through the seam and not closed yet.
int RegistryMemoryOpenKeys();
