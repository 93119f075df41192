// Fuzz target: the key-exchange text reader over arbitrary bytes (an imported text comes
// out of a container someone sent). Besides the sanitizers' checks:
//   - a text that is read whole gives entries whose lines, written again, are exactly
//     the input, every field a valid one ending inside its slot;
//   - a text that is refused leaves no entry, and its bad line is the first one that
//     does not stand on its own: the lines before it are read whole, and that line
//     alone is refused as line 1.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "keys/key_exchange.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Where line number (1-based) begins: after the (line - 1)th line feed; size when the
// text has fewer lines.
std::size_t LineStart(const char* text, std::size_t size, int line) {
  std::size_t at = 0;
  for (int seen = 1; seen < line; ++seen) {
    const void* feed = std::memchr(text + at, '\n', size - at);
    if (feed == nullptr) return size;
    at = static_cast<std::size_t>(static_cast<const char*>(feed) - text) + 1;
  }
  return at;
}

// The bytes of line number (1-based) with its line feed, if it has one.
std::string Line(const char* text, std::size_t size, int line) {
  const std::size_t start = LineStart(text, size, line);
  const void* feed = std::memchr(text + start, '\n', size - start);
  const std::size_t end = feed ? static_cast<std::size_t>(static_cast<const char*>(feed) - text) + 1 : size;
  return std::string(text + start, end - start);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  std::vector<KeyExchangeEntry> entries(2);  // a reader must empty what it is given
  int bad_line = -1;
  const int read = KeyExchangeParse(text, size, &entries, &bad_line);

  if (read == 1) {
    Check(bad_line == 0 && !entries.empty());
    std::string again;
    for (const KeyExchangeEntry& entry : entries) {
      Check(std::memchr(entry.label, '\0', sizeof entry.label) != nullptr);
      Check(std::memchr(entry.value, '\0', sizeof entry.value) != nullptr);
      Check(KeyExchangeFieldValid(entry.label) == 1 && KeyExchangeFieldValid(entry.value) == 1);
      Check(KeyExchangeAppend(&again, entry.label, entry.value) == 1);
    }
    Check(again.size() == size && std::memcmp(again.data(), data, size) == 0);
    KeyExchangeWipe(&entries);
    Check(entries.empty());
    return 0;
  }

  Check(read == 0 && entries.empty());
  if (size == 0) {
    Check(bad_line == 0);
    return 0;
  }
  Check(bad_line >= 1);
  const std::size_t start = LineStart(text, size, bad_line);
  Check(start < size);  // the bad line exists
  std::vector<KeyExchangeEntry> before;
  int before_bad = -1;
  if (bad_line > 1) {
    Check(KeyExchangeParse(text, start, &before, &before_bad) == 1);
    Check(before.size() == static_cast<std::size_t>(bad_line - 1) && before_bad == 0);
  }
  const std::string alone = Line(text, size, bad_line);
  Check(KeyExchangeParse(alone.data(), alone.size(), &before, &before_bad) == 0);
  Check(before_bad == 1 && before.empty());
  return 0;
}
