// Display name, main-window handle and box titles: the parts of the message boxes
// that every implementation shares.
#include "platform/msgbox.h"

#include <cstdio>

namespace {

// The name is kept XOR-ed with a seven-letter word repeated over 63 bytes, so the
// program carries no plain copy of it; the 64th byte stays zero.
constexpr char kNameWord[] = "ORVANEL";
constexpr int kNameWordLength = 7;
constexpr int kNameBufferSize = 64;

struct StoredName {
  unsigned char bytes[kNameBufferSize];
};

constexpr StoredName EncodeName(const char* plain) {
  StoredName stored{};
  bool ended = false;
  for (int i = 0; i < kNameBufferSize - 1; ++i) {
    const char c = ended ? '\0' : plain[i];
    if (c == '\0') ended = true;
    stored.bytes[i] = static_cast<unsigned char>(c ^ kNameWord[i % kNameWordLength]);
  }
  stored.bytes[kNameBufferSize - 1] = 0;
  return stored;
}

constexpr StoredName kStoredName = EncodeName("Quillnox");

char g_display_name[kNameBufferSize];
bool g_display_name_filled = false;
WindowHandle g_main_window = nullptr;

}  // namespace

const char* DisplayName() {
  if (!g_display_name_filled) {
    for (int i = 0; i < kNameBufferSize - 1; ++i)
      g_display_name[i] = static_cast<char>(kStoredName.bytes[i] ^ kNameWord[i % kNameWordLength]);
    g_display_name[kNameBufferSize - 1] = '\0';  // the text ends at its first zero byte
    g_display_name_filled = true;
  }
  return g_display_name;
}

WindowHandle MainWindowHandle() { return g_main_window; }

void SetMainWindowHandle(WindowHandle window) { g_main_window = window; }

void BoxTitle(BoxKind kind, char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) return;
  std::snprintf(buffer, size, kind == BoxKind::Error ? "%s Error" : "%s Warning", DisplayName());
}

int BoxResult(BoxKind kind, int end_value) {
  if (kind == BoxKind::Question) return end_value == BOX_END_CLOSE ? 1 : end_value;
  return end_value == 3 ? 1 : 0;
}
