// The registry seam's contract, through platform/registry.h alone: the in-memory
// registry of the unit tests and, built into qlx_registry_tests under Wine, the real
// registry must both answer this way. Everything happens below one scratch key.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace {

constexpr RegistryRoot kRoot = RegistryRoot::CurrentUser;
constexpr char kScratch[] = "Software\\QlxSeamTest";

std::string Under(const std::string& relative) { return std::string(kScratch) + "\\" + relative; }

// Removes root\path with everything below it, through the seam.
void DeleteTree(RegistryRoot root, const std::string& path) {
  {
    RegistryKey key = RegistryOpen(root, path.c_str(), RegistryAccess::Read);
    if (!key) return;
    std::vector<std::string> children;
    char name[256];
    for (std::uint32_t i = 0; RegistryEnumKey(key, i, name, sizeof name) == REGISTRY_OK; ++i)
      children.push_back(name);
    for (const std::string& child : children) DeleteTree(root, path + "\\" + child);
  }
  const std::size_t cut = path.rfind('\\');
  RegistryKey parent = RegistryOpen(root, path.substr(0, cut).c_str(), RegistryAccess::Read);
  ASSERT_TRUE(parent);
  ASSERT_EQ(RegistryDeleteKey(parent, path.substr(cut + 1).c_str()), REGISTRY_OK) << path;
}

class RegistrySeamTest : public ::testing::Test {
 protected:
  void SetUp() override { DeleteTree(kRoot, kScratch); }
  void TearDown() override { DeleteTree(kRoot, kScratch); }

  static RegistryKey Make(const std::string& relative) {
    long error = -1;
    RegistryKey key = RegistryCreate(kRoot, Under(relative).c_str(), &error);
    EXPECT_TRUE(key) << relative;
    EXPECT_EQ(error, REGISTRY_OK);
    return key;
  }
};

TEST_F(RegistrySeamTest, CreatesParentsAndKeepsTypedValues) {
  {
    RegistryKey key = Make("a\\b\\c");
    const unsigned char bytes[5] = {0, 1, 2, 0xFE, 0xFF};
    EXPECT_EQ(RegistrySetValue(key, "bin", REGISTRY_BINARY, bytes, sizeof bytes), REGISTRY_OK);
    EXPECT_EQ(RegistrySetValue(key, "text", REGISTRY_SZ, "hello", 6), REGISTRY_OK);
    EXPECT_EQ(RegistrySetValue(key, nullptr, REGISTRY_SZ, "default", 8), REGISTRY_OK);
  }
  RegistryKey key = RegistryOpen(kRoot, Under("A\\B\\C").c_str(), RegistryAccess::Read);  // any case
  ASSERT_TRUE(key);
  unsigned char buffer[16] = {};
  std::uint32_t size = sizeof buffer;
  std::uint32_t type = 0;
  ASSERT_EQ(RegistryQueryValue(key, "BIN", &type, buffer, &size), REGISTRY_OK);
  EXPECT_EQ(type, REGISTRY_BINARY);
  ASSERT_EQ(size, 5u);
  EXPECT_EQ(std::memcmp(buffer, "\x00\x01\x02\xFE\xFF", 5), 0);

  size = sizeof buffer;
  ASSERT_EQ(RegistryQueryValue(key, "text", &type, buffer, &size), REGISTRY_OK);
  EXPECT_EQ(type, REGISTRY_SZ);
  EXPECT_EQ(size, 6u);
  EXPECT_STREQ(reinterpret_cast<const char*>(buffer), "hello");

  size = sizeof buffer;
  ASSERT_EQ(RegistryQueryValue(key, "", &type, buffer, &size), REGISTRY_OK);  // the default value
  EXPECT_STREQ(reinterpret_cast<const char*>(buffer), "default");

  size = 0;
  EXPECT_EQ(RegistryQueryValue(key, "bin", nullptr, nullptr, &size), REGISTRY_OK);  // size only
  EXPECT_EQ(size, 5u);
  size = sizeof buffer;
  EXPECT_EQ(RegistryQueryValue(key, "absent", nullptr, buffer, &size), REGISTRY_FILE_NOT_FOUND);
}

TEST_F(RegistrySeamTest, ShortBufferGivesMoreDataAndTheStoredLength) {
  {
    RegistryKey key = Make("v");
    std::vector<unsigned char> bytes(40, 0xAA);
    ASSERT_EQ(RegistrySetValue(key, "big", REGISTRY_BINARY, bytes.data(), 40), REGISTRY_OK);
  }
  RegistryKey key = RegistryOpen(kRoot, Under("v").c_str(), RegistryAccess::Read);
  unsigned char buffer[48];
  std::memset(buffer, 0x11, sizeof buffer);
  std::uint32_t size = 16;
  EXPECT_EQ(RegistryQueryValue(key, "big", nullptr, buffer, &size), REGISTRY_MORE_DATA);
  EXPECT_EQ(size, 40u);
  for (std::size_t i = 16; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], 0x11) << "written beyond the count at " << i;
  size = 0;
  EXPECT_EQ(RegistryQueryValue(key, "big", nullptr, buffer, &size), REGISTRY_MORE_DATA);
  EXPECT_EQ(size, 40u);
}

TEST_F(RegistrySeamTest, MissingKeysAndReadOnlyKeys) {
  long error = 0;
  EXPECT_FALSE(RegistryOpen(kRoot, Under("nowhere").c_str(), RegistryAccess::Read, &error));
  EXPECT_EQ(error, REGISTRY_FILE_NOT_FOUND);
  Make("ro");
  RegistryKey key = RegistryOpen(kRoot, Under("ro").c_str(), RegistryAccess::Read, &error);
  ASSERT_TRUE(key);
  EXPECT_EQ(error, REGISTRY_OK);
  EXPECT_EQ(RegistrySetValue(key, "x", REGISTRY_SZ, "1", 2), REGISTRY_ACCESS_DENIED);
}

TEST_F(RegistrySeamTest, EnumeratesInNameOrderAndReportsLongNames) {
  Make("list\\beta");
  Make("list\\Alpha");
  Make("list\\gamma-long-name");
  RegistryKey key = RegistryOpen(kRoot, Under("list").c_str(), RegistryAccess::Read);
  char name[8];
  ASSERT_EQ(RegistryEnumKey(key, 0, name, sizeof name), REGISTRY_OK);
  EXPECT_STREQ(name, "Alpha");
  ASSERT_EQ(RegistryEnumKey(key, 1, name, sizeof name), REGISTRY_OK);
  EXPECT_STREQ(name, "beta");
  EXPECT_EQ(RegistryEnumKey(key, 2, name, sizeof name), REGISTRY_MORE_DATA);
  EXPECT_EQ(RegistryEnumKey(key, 3, name, sizeof name), REGISTRY_NO_MORE_ITEMS);
  char exact[6];  // "Alpha" and its terminator, no more
  EXPECT_EQ(RegistryEnumKey(key, 0, exact, sizeof exact), REGISTRY_OK);
  EXPECT_EQ(RegistryEnumKey(key, 1, exact, 4), REGISTRY_MORE_DATA);  // "beta" needs 5
}

TEST_F(RegistrySeamTest, DeletesOnlyKeysWithoutSubkeys) {
  Make("p\\q\\r");
  RegistryKey parent = RegistryOpen(kRoot, Under("p").c_str(), RegistryAccess::Read);  // reading suffices
  ASSERT_TRUE(parent);
  EXPECT_EQ(RegistryDeleteKey(parent, "q"), REGISTRY_ACCESS_DENIED);
  EXPECT_TRUE(RegistryOpen(kRoot, Under("p\\q\\r").c_str(), RegistryAccess::Read));
  EXPECT_EQ(RegistryDeleteKey(parent, "absent"), REGISTRY_FILE_NOT_FOUND);

  RegistryKey middle = RegistryOpen(kRoot, Under("p\\q").c_str(), RegistryAccess::Read);
  EXPECT_EQ(RegistryDeleteKey(middle, "r"), REGISTRY_OK);
  EXPECT_EQ(RegistryDeleteKey(parent, "q"), REGISTRY_OK);
  long error = 0;
  EXPECT_FALSE(RegistryOpen(kRoot, Under("p\\q").c_str(), RegistryAccess::Read, &error));
  EXPECT_EQ(error, REGISTRY_FILE_NOT_FOUND);

  // The key still open on the deleted one no longer reaches anything.
  std::uint32_t size = 0;
  EXPECT_EQ(RegistryQueryValue(middle, "x", nullptr, nullptr, &size), REGISTRY_KEY_DELETED);
}

}  // namespace
