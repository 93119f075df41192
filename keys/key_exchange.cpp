// The key-exchange text (see key_exchange.h).
#include "keys/key_exchange.h"

#include <cstring>

#include "platform/wipe.h"

namespace {

bool FieldBytesValid(const char* bytes, std::size_t length) {
  if (length == 0 || length >= KEY_SLOT_SIZE) return false;
  for (std::size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 32 || c == 127) return false;
  }
  return true;
}

}  // namespace

int KeyExchangeFieldValid(const char* text) {
  if (text == nullptr) return 0;
  const std::size_t length = strnlen(text, KEY_SLOT_SIZE);
  return FieldBytesValid(text, length) ? 1 : 0;
}

int KeyExchangeAppend(std::string* out, const char* label, const char* value) {
  if (out == nullptr || !KeyExchangeFieldValid(label) || !KeyExchangeFieldValid(value)) return 0;
  out->append(label).append("\t").append(value).append("\r\n");
  return 1;
}

void KeyExchangeWipe(std::vector<KeyExchangeEntry>* entries) {
  if (entries == nullptr) return;
  if (!entries->empty()) SecureWipe(entries->data(), entries->size() * sizeof(KeyExchangeEntry));
  entries->clear();
}

int KeyExchangeParse(const char* text, std::size_t length, std::vector<KeyExchangeEntry>* entries, int* bad_line) {
  if (bad_line) *bad_line = 0;
  if (entries == nullptr) return 0;
  KeyExchangeWipe(entries);
  if (text == nullptr || length == 0) return 0;
  std::size_t at = 0;
  int line = 0;
  while (at < length) {
    ++line;
    const char* start = text + at;
    const void* end_found = std::memchr(start, '\n', length - at);
    const std::size_t span = end_found ? static_cast<std::size_t>(static_cast<const char*>(end_found) - start) : 0;
    const char* tab = end_found ? static_cast<const char*>(std::memchr(start, '\t', span)) : nullptr;
    const bool framed = end_found != nullptr && span >= 1 && start[span - 1] == '\r' && tab != nullptr;
    const std::size_t label_length = framed ? static_cast<std::size_t>(tab - start) : 0;
    const std::size_t value_length = framed ? span - 1 - label_length - 1 : 0;
    if (!framed || !FieldBytesValid(start, label_length) || !FieldBytesValid(tab + 1, value_length)) {
      if (bad_line) *bad_line = line;
      KeyExchangeWipe(entries);
      return 0;
    }
    KeyExchangeEntry entry{};
    std::memcpy(entry.label, start, label_length);
    std::memcpy(entry.value, tab + 1, value_length);
    entries->push_back(entry);
    SecureWipe(&entry, sizeof entry);
    at += span + 1;
  }
  return 1;
}
