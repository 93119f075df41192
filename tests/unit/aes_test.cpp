// AES blocks: FIPS-197 known answers for the three key sizes in both directions, key
// and context refusals, and OpenSSL's AES as an oracle in the native build.
#include <gtest/gtest.h>

#include <cstring>

#include "crypto/aes.h"
#include "tests/support/crypto_support.h"

#if defined(QLX_HAVE_OPENSSL)
#include <openssl/evp.h>
#endif

namespace {

struct AesCase {
  const char* name;
  const char* key;
  const char* plain;
  const char* cipher;
};

class AesKnownAnswerTest : public ::testing::TestWithParam<AesCase> {};

TEST_P(AesKnownAnswerTest, EncryptsAndDecrypts) {
  const Bytes key = FromHex(GetParam().key), plain = FromHex(GetParam().plain);
  const std::uint32_t rounds = static_cast<std::uint32_t>(key.size() / 4 + 6);
  AesContext encrypt{}, decrypt{};
  ASSERT_EQ(AesSetEncryptKey(key.data(), static_cast<std::uint32_t>(key.size()), &encrypt), 1);
  ASSERT_EQ(AesSetDecryptKey(key.data(), static_cast<std::uint32_t>(key.size()), &decrypt), 1);
  EXPECT_EQ(encrypt.rounds, rounds);
  EXPECT_EQ(encrypt.mode, 17u);
  EXPECT_EQ(decrypt.mode, 18u);
  Bytes block(16);
  ASSERT_EQ(AesEncryptBlock(plain.data(), block.data(), &encrypt), 1);
  EXPECT_EQ(ToHex(block), GetParam().cipher);
  ASSERT_EQ(AesDecryptBlock(block.data(), block.data(), &decrypt), 1);  // in place
  EXPECT_EQ(block, plain);
  ASSERT_EQ(AesEncryptBlock(block.data(), block.data(), &encrypt), 1);  // in place
  EXPECT_EQ(ToHex(block), GetParam().cipher);
}

// FIPS-197 appendix B and appendix C.1 to C.3.
INSTANTIATE_TEST_SUITE_P(
    Fips197, AesKnownAnswerTest,
    ::testing::Values(AesCase{"AppendixB", "2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734",
                              "3925841d02dc09fbdc118597196a0b32"},
                      AesCase{"C1Aes128", "000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff",
                              "69c4e0d86a7b0430d8cdb78070b4c55a"},
                      AesCase{"C2Aes192", "000102030405060708090a0b0c0d0e0f1011121314151617",
                              "00112233445566778899aabbccddeeff", "dda97ca4864cdfe06eaf70a0ec0d7191"},
                      AesCase{"C3Aes256", "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
                              "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AesKeyTest, RefusesOtherKeyLengths) {
  const Bytes key = SeededBytes(40, 1);
  for (std::uint32_t length : {0u, 8u, 15u, 17u, 20u, 31u, 33u, 40u}) {
    AesContext context{};
    AesSetEncryptKey(key.data(), 16, &context);  // a usable context first
    EXPECT_EQ(AesSetEncryptKey(key.data(), length, &context), 0) << length;
    EXPECT_EQ(context.rounds, 0u);
    std::uint8_t out[16] = {};
    EXPECT_EQ(AesEncryptBlock(key.data(), out, &context), 0);
    EXPECT_EQ(ToHex(out, 16), std::string(32, '0'));
    EXPECT_EQ(AesSetDecryptKey(key.data(), length, &context), 0) << length;
    EXPECT_EQ(AesDecryptBlock(key.data(), out, &context), 0);
  }
  AesContext context{};
  EXPECT_EQ(AesSetEncryptKey(nullptr, 16, &context), 0);
  EXPECT_EQ(AesSetEncryptKey(key.data(), 16, nullptr), 0);
}

TEST(AesKeyTest, BlocksNeedAContextForTheirDirection) {
  const Bytes key = SeededBytes(16, 2), block = SeededBytes(16, 3);
  AesContext encrypt{}, decrypt{};
  AesSetEncryptKey(key.data(), 16, &encrypt);
  AesSetDecryptKey(key.data(), 16, &decrypt);
  std::uint8_t out[16] = {};
  EXPECT_EQ(AesDecryptBlock(block.data(), out, &encrypt), 0);
  EXPECT_EQ(AesEncryptBlock(block.data(), out, &decrypt), 0);
  EXPECT_EQ(ToHex(out, 16), std::string(32, '0'));
  AesContext damaged = encrypt;
  damaged.rounds = 200;  // would run past the round keys
  EXPECT_EQ(AesEncryptBlock(block.data(), out, &damaged), 0);
  EXPECT_EQ(AesEncryptBlock(block.data(), out, nullptr), 0);
}

#if defined(QLX_HAVE_OPENSSL)

Bytes OpenSslEcb(const Bytes& key, const Bytes& data, bool encrypt) {
  const EVP_CIPHER* cipher = key.size() == 16 ? EVP_aes_128_ecb() : key.size() == 24 ? EVP_aes_192_ecb() : EVP_aes_256_ecb();
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  Bytes out(data.size() + 16);
  int n = 0, m = 0;
  EVP_CipherInit_ex(ctx, cipher, nullptr, key.data(), nullptr, encrypt ? 1 : 0);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  EVP_CipherUpdate(ctx, out.data(), &n, data.data(), static_cast<int>(data.size()));
  EVP_CipherFinal_ex(ctx, out.data() + n, &m);
  EVP_CIPHER_CTX_free(ctx);
  out.resize(static_cast<std::size_t>(n + m));
  return out;
}

TEST(AesOracleTest, AgreesWithOpenSsl) {
  for (std::uint32_t seed = 0; seed < 300; ++seed) {
    const std::size_t key_length = seed < 200 ? 16 : seed < 250 ? 24 : 32;
    const Bytes key = SeededBytes(key_length, 100 + seed), plain = SeededBytes(16, 900 + seed);
    AesContext encrypt{}, decrypt{};
    ASSERT_EQ(AesSetEncryptKey(key.data(), static_cast<std::uint32_t>(key_length), &encrypt), 1);
    ASSERT_EQ(AesSetDecryptKey(key.data(), static_cast<std::uint32_t>(key_length), &decrypt), 1);
    Bytes cipher(16), back(16);
    AesEncryptBlock(plain.data(), cipher.data(), &encrypt);
    ASSERT_EQ(cipher, OpenSslEcb(key, plain, true)) << "seed " << seed;
    AesDecryptBlock(plain.data(), back.data(), &decrypt);
    ASSERT_EQ(back, OpenSslEcb(key, plain, false)) << "seed " << seed;
  }
}

#endif

}  // namespace
