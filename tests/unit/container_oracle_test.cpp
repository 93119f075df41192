// Containers against an independent reader and writer built from the format's own
// description over OpenSSL's DES, AES and MD5 (native build only): every container the
// encryption makes (AES and DES, one for everything and one per item, files that span
// many buffers, in one thread and in two) opens there, its digests hold and each file's
// compressed image is the compressor's; and a container that oracle writes decrypts
// here. The product's own cipher and digest code takes no part on the oracle's side.
#include <gtest/gtest.h>

#if defined(QLX_HAVE_OPENSSL)

#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/aes.h>
#include <openssl/des.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "container/operation.h"
#include "container/result.h"
#include "tests/support/crypto_support.h"
#include "tests/support/operation_support.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

Bytes Part(const Bytes& b, std::size_t from, std::size_t count) {
  return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(from + count));
}

std::uint32_t Le32(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

void PutLe32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

Bytes Md5(const Bytes& data) {
  Bytes digest(16);
  unsigned size = 0;
  EXPECT_EQ(EVP_Digest(data.data(), data.size(), digest.data(), &size, EVP_md5(), nullptr), 1);
  return digest;
}

// --- DES as the format uses it: CBC over the group-reversed whole blocks; a tail after
// them masked with the first ciphertext bytes, a buffer shorter than a block with the key.
Bytes DesBuffer(const Bytes& data, const std::uint8_t key[8], const std::uint8_t iv[8], bool encrypt) {
  const std::size_t tail = data.size() % 8, whole = data.size() - tail;
  Bytes out = data;
  if (whole == 0) {
    for (std::size_t j = 0; j < tail; ++j) out[j] ^= key[j];
    return out;
  }
  DES_key_schedule schedule;
  DES_cblock k, v;
  std::memcpy(k, key, 8);
  std::memcpy(v, iv, 8);
  DES_set_key_unchecked(&k, &schedule);
  const Bytes in = ReverseGroups(Part(data, 0, whole));
  Bytes worked(whole);
  DES_ncbc_encrypt(in.data(), worked.data(), static_cast<long>(whole), &schedule, &v, encrypt ? DES_ENCRYPT : DES_DECRYPT);
  worked = ReverseGroups(worked);
  const Bytes mask = encrypt ? Part(worked, 0, 8) : Part(data, 0, 8);  // the first ciphertext bytes
  std::memcpy(out.data(), worked.data(), whole);
  for (std::size_t j = 0; j < tail; ++j) out[whole + j] ^= mask[j];
  return out;
}

const std::uint8_t kZero[8] = {};

// The DES stream: the IV encrypted under the key, then 1024-byte chunks each begun
// from the IV.
Bytes DesStream(const Bytes& data, const std::uint8_t key[8], const std::uint8_t iv[8], bool encrypt) {
  Bytes out;
  Bytes stream_iv(iv, iv + 8);
  std::size_t at = 0;
  if (encrypt) {
    out = DesBuffer(stream_iv, key, kZero, true);
  } else {
    stream_iv = DesBuffer(Part(data, 0, 8), key, kZero, false);
    at = 8;
  }
  for (; at < data.size(); at += 1024) {
    const Bytes chunk = DesBuffer(Part(data, at, std::min<std::size_t>(1024, data.size() - at)), key,
                                  stream_iv.data(), encrypt);
    out.insert(out.end(), chunk.begin(), chunk.end());
  }
  return out;
}

// --- The AES stream: E(IV), CBC blocks from the IV, the last whole block and the tail
// finished by encrypting the window that straddles them; below 16 bytes the window
// straddles E(IV) and the tail masked with the IV.
struct Aes {
  AES_KEY encrypt_key, decrypt_key;
  explicit Aes(const std::uint8_t session_key[8]) {
    std::uint8_t key[16] = {};
    std::memcpy(key, session_key, 8);
    AES_set_encrypt_key(key, 128, &encrypt_key);
    AES_set_decrypt_key(key, 128, &decrypt_key);
  }
  void E(std::uint8_t* block) const { AES_encrypt(block, block, &encrypt_key); }
  void D(std::uint8_t* block) const { AES_decrypt(block, block, &decrypt_key); }
};

Bytes AesEncrypt(const Bytes& plain, const Aes& aes, const std::uint8_t iv[16]) {
  const std::size_t length = plain.size();
  std::uint8_t x[32];
  Bytes out;
  if (length < 16) {
    std::memcpy(x, iv, 16);
    aes.E(x);
    for (std::size_t i = 0; i < length; ++i) x[16 + i] = plain[i] ^ iv[i];
    aes.E(x + length);
    return Bytes(x, x + 16 + length);
  }
  std::uint8_t chain[16];
  std::memcpy(chain, iv, 16);
  std::memcpy(x, iv, 16);
  aes.E(x);
  out.assign(x, x + 16);
  const std::size_t k = length / 16, r = length % 16;
  for (std::size_t i = 0; i < k; ++i) {
    for (int j = 0; j < 16; ++j) chain[j] ^= plain[16 * i + j];
    aes.E(chain);
    if (i + 1 < k) out.insert(out.end(), chain, chain + 16);
  }
  std::memcpy(x, chain, 16);
  for (std::size_t i = 0; i < r; ++i) x[16 + i] = plain[16 * k + i] ^ x[i];
  aes.E(x + r);
  out.insert(out.end(), x, x + 16 + r);
  return out;
}

Bytes AesDecrypt(const Bytes& stored, const Aes& aes) {
  const std::size_t m = stored.size();
  std::uint8_t x[32] = {};
  if (m < 32) {
    const std::size_t n = m - 16;
    std::memcpy(x, stored.data(), m);
    aes.D(x + n);
    aes.D(x);
    for (std::size_t i = 0; i < n; ++i) x[i] ^= x[16 + i];
    return Bytes(x, x + n);
  }
  std::uint8_t previous[16];
  std::memcpy(previous, stored.data(), 16);
  aes.D(previous);  // the IV
  const std::size_t k = (m - 16) / 16, r = (m - 16) % 16;
  Bytes out;
  for (std::size_t i = 1; i < k; ++i) {
    std::uint8_t block[16];
    std::memcpy(block, stored.data() + 16 * i, 16);
    aes.D(block);
    for (int j = 0; j < 16; ++j) block[j] ^= previous[j];
    out.insert(out.end(), block, block + 16);
    std::memcpy(previous, stored.data() + 16 * i, 16);
  }
  std::memcpy(x, stored.data() + 16 * k, 16 + r);
  aes.D(x + r);  // Ck back in x[0..16), the tail masked with Ck[0..r) behind it
  for (std::size_t i = 0; i < r; ++i) x[16 + i] ^= x[i];
  aes.D(x);
  for (int j = 0; j < 16; ++j) x[j] ^= previous[j];
  out.insert(out.end(), x, x + 16 + r);
  return out;
}

Bytes StreamDecrypt(const Bytes& stored, const std::uint8_t key[8], std::uint32_t algorithm) {
  return algorithm == 1 ? DesStream(stored, key, kZero, false) : AesDecrypt(stored, Aes(key));
}

// --- The oracle's reading of a whole container -----------------------------------------

struct OracleItem {
  std::string name;  // empty for the text
  Bytes plain;       // the text, or the file's compressed image
};

// Reads the container as the format describes it; every digest must hold.
std::vector<OracleItem> OracleRead(const std::string& path, const std::string& passphrase, std::uint32_t* algorithm) {
  const Bytes c = ReadFileBytes(path);
  std::vector<OracleItem> items;
  EXPECT_EQ(std::string(c.begin(), c.begin() + 24), "VEK!(C)ORVANEL-05/994.10");
  const Bytes m = Md5(BytesOf(passphrase));
  std::uint8_t key[8] = {};
  *algorithm = 1;
  for (std::size_t at = 24; at < c.size();) {
    const std::uint32_t length = Le32(c, at), type = Le32(c, at + 4);
    const Bytes data = Part(c, at + 8, length);
    at += 8 + length;
    switch (type) {
      case 1: {
        EXPECT_EQ(length, 8u);
        const Bytes unwrapped = DesBuffer(data, m.data(), kZero, false);
        std::memcpy(key, unwrapped.data(), 8);
        break;
      }
      case 10: EXPECT_EQ(data, Md5(Bytes(key, key + 8))) << "the session-key check"; break;
      case 4: *algorithm = data.at(0); break;
      case 5: {
        const Bytes text = StreamDecrypt(Part(data, 16, length - 16), key, *algorithm);
        EXPECT_EQ(Md5(text), Part(data, 0, 16)) << "the text's digest";
        items.push_back({"", text});
        break;
      }
      case 6: {
        const std::string name(reinterpret_cast<const char*>(data.data()));
        const std::size_t stream = name.size() + 1 + 8 + 16;
        const Bytes image = StreamDecrypt(Part(data, stream, length - stream), key, *algorithm);
        EXPECT_EQ(Md5(image), Part(data, name.size() + 9, 16)) << name << ": the image's digest";
        items.push_back({name, image});
        break;
      }
      default: ADD_FAILURE() << "a chunk this writer never writes: " << type;
    }
  }
  return items;
}

// The oracle's own container: a text and files (their compressed images) under a
// session key of its choosing.
void OracleWrite(const std::string& path, const std::string& passphrase, std::uint32_t algorithm,
                 const std::string& text, const std::vector<std::pair<std::string, Bytes>>& files) {
  std::uint8_t key[8], iv[16];
  RAND_bytes(key, sizeof key);
  const Bytes m = Md5(BytesOf(passphrase));
  Bytes c = BytesOf("VEK!(C)ORVANEL-05/994.10");
  auto chunk = [&c](std::uint32_t type, const Bytes& data) {
    PutLe32(c, static_cast<std::uint32_t>(data.size()));
    PutLe32(c, type);
    c.insert(c.end(), data.begin(), data.end());
  };
  auto stream = [&](const Bytes& plain) {
    RAND_bytes(iv, sizeof iv);
    return algorithm == 1 ? DesStream(plain, key, iv, true) : AesEncrypt(plain, Aes(key), iv);
  };
  chunk(1, DesBuffer(Bytes(key, key + 8), m.data(), kZero, true));
  chunk(10, Md5(Bytes(key, key + 8)));
  chunk(4, Bytes{static_cast<std::uint8_t>(algorithm)});
  Bytes t = Md5(BytesOf(text));
  const Bytes ts = stream(BytesOf(text));
  t.insert(t.end(), ts.begin(), ts.end());
  chunk(5, t);
  for (const auto& [name, image] : files) {
    Bytes f(name.begin(), name.end());
    f.push_back(0);
    f.insert(f.end(), 8, 0x11);  // a time
    const Bytes digest = Md5(image), s = stream(image);
    f.insert(f.end(), digest.begin(), digest.end());
    f.insert(f.end(), s.begin(), s.end());
    chunk(6, f);
  }
  WriteFileBytes(path, c);
}

class ContainerOracleTest : public OperationFixture {};

TEST_F(ContainerOracleTest, EveryContainerMadeOpensInTheOracle) {
  const std::vector<std::string> paths = {
      WriteSource("empty.bin", Bytes()), WriteSource("small.txt", BytesOf("twelve bytes")),
      WriteSource("block.bin", MixedBytes(1024, 1)), WriteSource("large.bin", MixedBytes((2u << 20) + 999, 2))};
  std::vector<Bytes> images;
  for (const std::string& p : paths) images.push_back(ReadFileBytes(CompressedCopy(p)));
  const std::string text = "the text of the container";
  for (int threads : {1, 2}) {
    ThreadsScope scope(threads);
    for (std::uint32_t algorithm : {1u, 2u}) {
      SetAlgorithm(static_cast<int>(algorithm));
      for (bool each : {false, true}) {
        const std::string what = "threads " + std::to_string(threads) + " algorithm " + std::to_string(algorithm) +
                                 " each " + std::to_string(each);
        const EncryptResult made = EncryptItems(&text, paths, each, "oracle pass");
        ASSERT_EQ(made.result, RESULT_OK) << what;
        std::vector<OracleItem> items;
        for (const std::string& container : made.containers) {
          std::uint32_t read_algorithm = 0;
          const std::vector<OracleItem> some = OracleRead(container, "oracle pass", &read_algorithm);
          EXPECT_EQ(read_algorithm, algorithm) << what;
          items.insert(items.end(), some.begin(), some.end());
          fs::remove(container);
        }
        ASSERT_EQ(items.size(), 1 + paths.size()) << what;
        EXPECT_EQ(items[0].plain, BytesOf(text)) << what;
        for (std::size_t i = 0; i < paths.size(); ++i) {
          EXPECT_EQ(items[1 + i].name, fs::path(paths[i]).filename().string()) << what;
          EXPECT_EQ(items[1 + i].plain, images[i]) << what << " " << paths[i];
        }
      }
    }
  }
}

TEST_F(ContainerOracleTest, TheOraclesContainersDecryptHere) {
  const Bytes small = BytesOf("twelve bytes"), large = MixedBytes((2u << 20) + 4321, 3);
  WriteFileBytes(Source("small"), small);
  WriteFileBytes(Source("large"), large);
  const std::vector<std::pair<std::string, Bytes>> files = {
      {"small.txt", ReadFileBytes(CompressedCopy(Source("small")))},
      {"large.bin", ReadFileBytes(CompressedCopy(Source("large")))}};
  for (std::uint32_t algorithm : {1u, 2u}) {
    const std::string container = Source("oracle" + std::to_string(algorithm) + ".vek");
    OracleWrite(container, "their pass", algorithm, "their text", files);
    for (int threads : {1, 2}) {
      ThreadsScope scope(threads);
      const DecryptResult back = DecryptContainer(container, "their pass", SELECTOR_EVERYTHING);
      ASSERT_EQ(back.result, RESULT_OK) << algorithm << " " << threads;
      EXPECT_EQ(back.text, "their text");
      ASSERT_EQ(back.files.size(), 2u);
      EXPECT_EQ(ReadFileBytes(back.files[0].path), small);
      EXPECT_EQ(ReadFileBytes(back.files[1].path), large);
      fs::remove_all(fs::path(back.files[0].path).parent_path());
    }
  }
}

}  // namespace

#endif  // QLX_HAVE_OPENSSL
