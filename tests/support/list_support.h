// Stored passphrase lists made by the tests from the layout rules: plain blocks of any
// slot count, encrypted with this machine's list key, or scrambled as the older
// 8-entry layout was, and written into a settings key.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "tests/support/test_support.h"

struct ListEntry {
  std::string label;
  std::string value;
  friend bool operator==(const ListEntry& a, const ListEntry& b) { return a.label == b.label && a.value == b.value; }
  friend void PrintTo(const ListEntry& e, std::ostream* os) { *os << e.label << "=" << e.value; }
};

// slots × 32 label bytes, slots × 32 value bytes, 4 selection bytes (little-endian).
Bytes PlainList(const std::vector<ListEntry>& entries, std::uint32_t selection, int slots = 16);
// Encrypted in place with the list key of the volume serial in force now.
Bytes EncryptedList(const Bytes& plain);
// The older layout's scrambling (positions counted from 0 in the first 256 bytes and
// again in the rest).
Bytes ScrambledList(const Bytes& plain);
// "keylabel" = the first label_size bytes, "keyvalue" = the rest.
void StoreListValues(RegistryRoot root, const char* path, const Bytes& stored, std::size_t label_size);
// The running version's list as loaded, with its selection; entries cut at the count.
struct LoadedList {
  int result = 0;
  std::vector<ListEntry> entries;
  std::uint32_t selection = 0;
};
LoadedList LoadList(const char* version = nullptr);
