// The access password against the in-memory registry with a set volume serial: the
// marker key, the two forms of "pwd", the mixing of short passwords and of a
// character equal to its serial byte, and a settings key taken to another machine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "crypto/des.h"
#include "crypto/md5.h"
#include "keys/access_password.h"
#include "keys/settings.h"
#include "platform/common/msgbox_double.h"
#include "platform/common/registry_memory.h"
#include "platform/machine.h"
#include "tests/support/test_support.h"

namespace {

constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;
constexpr char kCurrent[] = "Software\\Orvanel\\Quillnox\\4.10EN";
// Serial bytes, lowest first: 'A', 'B', 'C', 'D'.
constexpr std::uint32_t kSerial = 0x44434241;

Bytes Pwd() {
  Bytes bytes;
  RegistryMemoryGetValue(HKCU, kCurrent, "pwd", nullptr, &bytes);
  return bytes;
}

// MD5 of the bytes given, as the test's own oracle for the stored digest.
Bytes Digest(const std::string& bytes) {
  std::uint8_t digest[16];
  Md5Buffer(bytes.data(), static_cast<std::uint32_t>(bytes.size()), digest);
  return Bytes(digest, digest + 16);
}

class AccessPasswordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegistryMemoryReset();
    BoxDoubleReset();
    RegistryMemoryCreateKey(HKCU, kCurrent);
    SetSystemVolumeSerial(kSerial);
  }
  void TearDown() override {
    ResetSystemVolumeSerial();
    EXPECT_EQ(RegistryMemoryOpenKeys(), 0);
  }
};

TEST_F(AccessPasswordTest, MarkerKeyFollowsTheRule) {
  std::uint8_t key[16];
  PasswordMarkerKey(key);
  Bytes expected(PASSWORD_MARKER_CONSTANT, PASSWORD_MARKER_CONSTANT + 16);
  expected[0] ^= 'A';
  expected[3] ^= 'B';
  expected[6] ^= 'C';
  expected[9] ^= 'D';
  EXPECT_EQ(Bytes(key, key + 16), expected);
}

TEST_F(AccessPasswordTest, ClearWritesASymmetricMarkerBlock) {
  ASSERT_EQ(AccessPasswordClear(), 1);
  Bytes record = Pwd();
  ASSERT_EQ(record.size(), 16u);
  std::uint8_t key[16];
  PasswordMarkerKey(key);
  const std::uint8_t iv[8] = {};
  DesScheduleAcquire();
  TdesDecrypt(record.data(), 16, key, iv);
  DesScheduleRelease();
  for (int i = 0; i < 8; ++i) EXPECT_EQ(record[i], record[15 - i]) << i;
  EXPECT_EQ(AccessPasswordActive(), 0);
  EXPECT_EQ(AccessPasswordCheck(""), 0) << "no text matches the marker block";
}

struct MixCase {
  const char* name;
  std::string password;
  std::string digested;  // what the digest covers after mixing
};

class MixTest : public AccessPasswordTest, public ::testing::WithParamInterface<MixCase> {};

TEST_P(MixTest, StoresTheDigestOfTheMixedText) {
  const MixCase& c = GetParam();
  ASSERT_EQ(AccessPasswordSet(c.password.c_str()), 1);
  EXPECT_EQ(Pwd(), Digest(c.digested));
  EXPECT_EQ(AccessPasswordActive(), 1);
  EXPECT_EQ(AccessPasswordCheck(c.password.c_str()), 1);
  // Texts are read up to 255 characters: a longer one is its first 255.
  EXPECT_EQ(AccessPasswordCheck((c.password + "x").c_str()), c.password.size() < ACCESS_PASSWORD_MAX ? 0 : 1);
  EXPECT_EQ(AccessPasswordCheck(c.password.substr(0, c.password.size() - 1).c_str()), 0);
}

std::string Xor(const std::string& text) {
  std::string out = text;
  for (std::size_t i = 0; i < out.size() && i < 4; ++i) out[i] = static_cast<char>(out[i] ^ "ABCD"[i]);
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Passwords, MixTest,
    ::testing::Values(MixCase{"One", "p", Xor("p")}, MixCase{"Two", "pa", Xor("pa")},
                      MixCase{"Three", "pas", Xor("pas")}, MixCase{"Four", "pass", Xor("pass")},
                      MixCase{"Five", "passw", Xor("pass") + "w"},
                      MixCase{"Long", std::string(255, 'z'), Xor("zzzz") + std::string(251, 'z')}),
    [](const auto& info) { return std::string(info.param.name); });

// A character equal to its serial byte becomes zero and ends the digested text there,
// so every text that agrees up to that place is accepted.
TEST_F(AccessPasswordTest, CharacterEqualToItsSerialByteEndsTheText) {
  ASSERT_EQ(AccessPasswordSet("xBcd"), 1);
  EXPECT_EQ(Pwd(), Digest(std::string(1, static_cast<char>('x' ^ 'A'))));
  EXPECT_EQ(AccessPasswordCheck("xBzz"), 1);
  EXPECT_EQ(AccessPasswordCheck("x"), 1);
  EXPECT_EQ(AccessPasswordCheck("yBcd"), 0);
  ASSERT_EQ(AccessPasswordSet("A"), 1);  // the whole text becomes empty
  EXPECT_EQ(Pwd(), Digest(""));
  EXPECT_EQ(AccessPasswordCheck("Anything"), 1);
}

TEST_F(AccessPasswordTest, CheckLeavesTheTextAlone) {
  ASSERT_EQ(AccessPasswordSet("secret"), 1);
  char text[] = "secret";
  EXPECT_EQ(AccessPasswordCheck(text), 1);
  EXPECT_STREQ(text, "secret");
}

TEST_F(AccessPasswordTest, CheckComparesEveryByteOfTheDigest) {
  ASSERT_EQ(AccessPasswordSet("secret"), 1);
  const Bytes right = Pwd();
  ASSERT_EQ(right.size(), 16u);
  for (std::size_t i = 0; i < right.size(); ++i) {
    Bytes wrong = right;
    wrong[i] ^= 0x01;
    RegistryMemorySetValue(HKCU, kCurrent, "pwd", REGISTRY_BINARY, wrong.data(), wrong.size());
    EXPECT_EQ(AccessPasswordCheck("secret"), 0) << "byte " << i;
  }
  RegistryMemorySetValue(HKCU, kCurrent, "pwd", REGISTRY_BINARY, right.data(), right.size());
  EXPECT_EQ(AccessPasswordCheck("secret"), 1);
}

TEST_F(AccessPasswordTest, MissingOrUnreadablePwd) {
  EXPECT_EQ(AccessPasswordActive(), 0) << "missing: the no-password form";
  EXPECT_EQ(AccessPasswordCheck(""), 0);
  RegistryMemorySetValue(HKCU, kCurrent, "pwd", REGISTRY_BINARY, "short", 5);
  EXPECT_EQ(AccessPasswordActive(), 0);
  EXPECT_EQ(AccessPasswordCheck("short"), 0);
}

TEST_F(AccessPasswordTest, AnotherMachineSeesAPassword) {
  ASSERT_EQ(AccessPasswordClear(), 1);
  SetSystemVolumeSerial(0x0BADF00D);
  EXPECT_EQ(AccessPasswordActive(), 1) << "the marker no longer decrypts to a symmetric block";
  SetSystemVolumeSerial(kSerial);
  ASSERT_EQ(AccessPasswordSet("secret"), 1);
  SetSystemVolumeSerial(0x0BADF00D);
  EXPECT_EQ(AccessPasswordCheck("secret"), 0);
}

TEST_F(AccessPasswordTest, AuthreqIsSettingSeven) {
  EXPECT_EQ(AccessPasswordAuthreq(), 0);
  ASSERT_EQ(SettingsSetFlag(SETTING_AUTHREQ, 1), 1);
  EXPECT_EQ(AccessPasswordAuthreq(), 1);
}

}  // namespace
