// Stored passphrase lists for the tests (see list_support.h).
#include "tests/support/list_support.h"

#include <algorithm>
#include <cstring>

#include "crypto/des.h"
#include "keys/passphrase_list.h"
#include "platform/common/registry_memory.h"

Bytes PlainList(const std::vector<ListEntry>& entries, std::uint32_t selection, int slots) {
  Bytes bytes(static_cast<std::size_t>(slots) * 64 + 4, 0);
  for (std::size_t i = 0; i < entries.size() && i < static_cast<std::size_t>(slots); ++i) {
    std::memcpy(&bytes[i * 32], entries[i].label.data(), std::min<std::size_t>(entries[i].label.size(), 32));
    std::memcpy(&bytes[static_cast<std::size_t>(slots) * 32 + i * 32], entries[i].value.data(),
                std::min<std::size_t>(entries[i].value.size(), 32));
  }
  for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(slots) * 64 + i] = static_cast<std::uint8_t>(selection >> (8 * i));
  return bytes;
}

Bytes EncryptedList(const Bytes& plain) {
  Bytes bytes = plain;
  std::uint8_t key[16];
  PassphraseListKey(key);
  const std::uint8_t iv[8] = {};
  DesScheduleAcquire();
  TdesEncrypt(bytes.data(), static_cast<std::int32_t>(bytes.size()), key, iv);
  DesScheduleRelease();
  return bytes;
}

Bytes ScrambledList(const Bytes& plain) {
  Bytes bytes = plain;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] ^= PassphraseListMask(static_cast<std::uint32_t>(i < 256 ? i : i - 256));
  return bytes;
}

void StoreListValues(RegistryRoot root, const char* path, const Bytes& stored, std::size_t label_size) {
  RegistryMemorySetValue(root, path, "keylabel", REGISTRY_BINARY, stored.data(), label_size);
  RegistryMemorySetValue(root, path, "keyvalue", REGISTRY_BINARY, stored.data() + label_size,
                         stored.size() - label_size);
}

LoadedList LoadList(const char* version) {
  LoadedList loaded;
  PassphraseList list;
  int count = 0;
  loaded.result = PassphraseListLoad(version, &list, &loaded.selection, &count);
  for (int i = 0; i < count; ++i) loaded.entries.push_back({list.Label(i), list.Value(i)});
  return loaded;
}
