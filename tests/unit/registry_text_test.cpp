// RegistryReadText, the one reader of registry text values: a text is taken only
// whole with its terminator, stored terminators are optional, and a failed read leaves
// an empty buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/registry.h"

namespace {

constexpr RegistryRoot kRoot = RegistryRoot::CurrentUser;
constexpr char kKey[] = "Software\\QlxTextTest";

TEST(RegistryText, WholeTextsOnly) {
  struct Case {
    std::string stored;  // the bytes stored, a terminator only where written out
    int read;
    const char* text;
  } cases[] = {
      {std::string("abc\0", 4), 1, "abc"},
      {std::string("abcdefg\0", 8), 1, "abcdefg"},    // fills the 8-byte buffer exactly
      {std::string("abcdefgh\0", 9), 0, ""},          // one byte too long
      {"abc", 1, "abc"},                               // stored without its terminator
      {"abcdefgh", 0, ""},                             // no room left for the terminator
      {std::string("ab\0cd\0", 6), 1, "ab"},           // the text ends at its first NUL
      {"", 1, ""},                                     // an empty value
  };
  for (const Case& c : cases) {
    RegistryKey key = RegistryCreate(kRoot, kKey);
    ASSERT_TRUE(key);
    ASSERT_EQ(RegistrySetValue(key, "v", REGISTRY_SZ, c.stored.data(), static_cast<std::uint32_t>(c.stored.size())),
              REGISTRY_OK);
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(RegistryReadText(key, "v", buffer, sizeof buffer), c.read) << c.stored.size();
    EXPECT_STREQ(buffer, c.text) << c.stored.size();
  }
  RegistryKey key = RegistryOpen(kRoot, kKey, RegistryAccess::All);
  char buffer[8] = "xxxxxxx";
  EXPECT_EQ(RegistryReadText(key, "missing", buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(RegistrySetValue(key, nullptr, REGISTRY_SZ, "dflt", 5), REGISTRY_OK);
  EXPECT_EQ(RegistryReadText(key, nullptr, buffer, sizeof buffer), 1);  // the default value
  EXPECT_STREQ(buffer, "dflt");
  RegistryKey parent = RegistryOpen(kRoot, "Software", RegistryAccess::All);
  key.reset();
  EXPECT_EQ(RegistryDeleteKey(parent, "QlxTextTest"), REGISTRY_OK);
}

}  // namespace
