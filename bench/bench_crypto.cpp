// Speed of the cipher and digest primitives side by side with OpenSSL's, in MB/s, with
// the ratio of each pair printed after the run. OpenSSL runs with AES-NI and SSSE3
// turned off (OPENSSL_ia32cap), so that its AES too is table-driven; the program sets
// the variable and restarts itself when it is missing.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "crypto/aes.h"
#include "crypto/des.h"
#include "crypto/md5.h"
#include "platform/fileio.h"

#if defined(QLX_HAVE_OPENSSL)
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/des.h>
#include <openssl/evp.h>
#endif

#if defined(__linux__)
#include <unistd.h>
#endif

namespace {

constexpr std::size_t kMiB = 1024 * 1024;
constexpr std::uint32_t kStreamBytes = 64 * kMiB;

std::vector<std::uint8_t> Pattern(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  std::uint32_t x = 2463534242u;
  for (auto& b : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<std::uint8_t>(x);
  }
  return bytes;
}

const std::uint8_t kKey8[8] = {0x3a, 0x94, 0xc0, 0xd2, 0x17, 0x8b, 0xe6, 0x5f};
const std::uint8_t kKey16[16] = {0x3a, 0x94, 0xc0, 0xd2, 0x17, 0x8b, 0xe6, 0x5f,
                                 0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef};
const std::uint8_t kIv[16] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6};

// ---- Files for the streams ------------------------------------------------------------

std::string WorkPath(const char* name) {
  return (std::filesystem::temp_directory_path() / (std::string("qlx-bench-") + name)).string();
}

// The 64 MiB plain file and its two stored forms, made before any timing starts.
const std::string& PlainFile() {
  static const std::string path = WorkPath("plain.bin");
  return path;
}

void PrepareFiles() {
  const std::vector<std::uint8_t> data = Pattern(kStreamBytes);
  {
    FileHandle f = FileOpen(PlainFile().c_str(), "wb");
    if (!f || std::fwrite(data.data(), 1, data.size(), f.get()) != data.size() || !FileClose(f)) std::abort();
  }
  FileHandle in = FileOpen(PlainFile().c_str(), "rb");
  FileHandle aes = FileOpen(WorkPath("aes.enc").c_str(), "wb");
  if (AesStreamEncrypt(in.get(), aes.get(), kStreamBytes, kKey8, 8) != STREAM_OK || !FileClose(aes)) std::abort();
  std::rewind(in.get());
  FileHandle des = FileOpen(WorkPath("des.enc").c_str(), "wb");
  if (DesStreamEncrypt(in.get(), des.get(), kStreamBytes, kKey8) != STREAM_OK || !FileClose(des)) std::abort();
}

// One stream pass from the file at in_path to a new file at out_path; returns the call's result.
template <typename Call>
int StreamPass(benchmark::State& state, const std::string& in_path, const std::string& out_path, Call call) {
  state.PauseTiming();
  std::remove(out_path.c_str());  // a fresh file: rewriting one in place may flush it
  state.ResumeTiming();
  FileHandle in = FileOpen(in_path.c_str(), "rb");
  FileHandle out = FileOpen(out_path.c_str(), "wb");
  const int result = call(in.get(), out.get());
  FileClose(out);
  return result;
}

// ---- Quillnox --------------------------------------------------------------------------

void Md5Quillnox(benchmark::State& state) {
  const auto data = Pattern(kMiB);
  std::uint8_t digest[16];
  for (auto _ : state) {
    Md5Buffer(data.data(), static_cast<std::uint32_t>(data.size()), digest);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}

void DesCbcQuillnox(benchmark::State& state) {
  auto data = Pattern(1024);
  DesScheduleAcquire();
  for (auto _ : state) {
    DesEncrypt(data.data(), 1024, kKey8, kIv);
    benchmark::ClobberMemory();
  }
  DesScheduleRelease();
  state.SetBytesProcessed(state.iterations() * 1024);
}

void TdesCbcQuillnox(benchmark::State& state) {
  auto data = Pattern(1024);
  DesScheduleAcquire();
  for (auto _ : state) {
    TdesEncrypt(data.data(), 1024, kKey16, kIv);
    benchmark::ClobberMemory();
  }
  DesScheduleRelease();
  state.SetBytesProcessed(state.iterations() * 1024);
}

// CBC over 1024 bytes through the public block operation.
void Aes128CbcQuillnox(benchmark::State& state) {
  auto data = Pattern(1024);
  AesContext context;
  AesSetEncryptKey(kKey16, 16, &context);
  for (auto _ : state) {
    std::uint8_t chain[16];
    std::memcpy(chain, kIv, 16);
    for (std::size_t at = 0; at < 1024; at += 16) {
      std::uint64_t c[2], p[2];
      std::memcpy(c, chain, 16);
      std::memcpy(p, &data[at], 16);
      c[0] ^= p[0];
      c[1] ^= p[1];
      std::memcpy(chain, c, 16);
      AesEncryptBlock(chain, chain, &context);
      std::memcpy(&data[at], chain, 16);
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * 1024);
}

void Aes128DecryptBlocksQuillnox(benchmark::State& state) {
  auto data = Pattern(1024);
  AesContext context;
  AesSetDecryptKey(kKey16, 16, &context);
  for (auto _ : state) {
    for (std::size_t at = 0; at < 1024; at += 16) AesDecryptBlock(&data[at], &data[at], &context);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * 1024);
}

// The AES streams with the tables alone (kHardware false) or with the processor's AES
// instructions where it has them.
template <bool kHardware>
void AesStreamEncryptRun(benchmark::State& state) {
  AesSelectHardwareForTesting(kHardware ? 1 : 0);
  if (kHardware && !AesHardwareInUse()) state.SkipWithError("no AES instructions");
  const std::string out = WorkPath("aes.out");
  for (auto _ : state) {
    const int r = StreamPass(state, PlainFile(), out, [](std::FILE* in, std::FILE* o) {
      return AesStreamEncrypt(in, o, kStreamBytes, kKey8, 8);
    });
    if (r != STREAM_OK) state.SkipWithError("stream failed");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kStreamBytes));
}

template <bool kHardware>
void AesStreamDecryptRun(benchmark::State& state) {
  AesSelectHardwareForTesting(kHardware ? 1 : 0);
  if (kHardware && !AesHardwareInUse()) state.SkipWithError("no AES instructions");
  const std::string stored = WorkPath("aes.enc"), out = WorkPath("aes.dec");
  for (auto _ : state) {
    const int r = StreamPass(state, stored, out, [](std::FILE* in, std::FILE* o) {
      std::uint32_t length = kStreamBytes + 16;
      return AesStreamDecrypt(in, o, &length, kKey8, 8);
    });
    if (r != STREAM_OK) state.SkipWithError("stream failed");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kStreamBytes));
}

void AesStreamEncryptQuillnox(benchmark::State& state) { AesStreamEncryptRun<false>(state); }
void AesStreamDecryptQuillnox(benchmark::State& state) { AesStreamDecryptRun<false>(state); }
void AesStreamEncryptInstructions(benchmark::State& state) { AesStreamEncryptRun<true>(state); }
void AesStreamDecryptInstructions(benchmark::State& state) { AesStreamDecryptRun<true>(state); }

void DesStreamEncryptQuillnox(benchmark::State& state) {
  const std::string out = WorkPath("des.out");
  for (auto _ : state) {
    const int r = StreamPass(state, PlainFile(), out, [](std::FILE* in, std::FILE* o) {
      return DesStreamEncrypt(in, o, kStreamBytes, kKey8);
    });
    if (r != STREAM_OK) state.SkipWithError("stream failed");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kStreamBytes));
}

void DesStreamDecryptQuillnox(benchmark::State& state) {
  const std::string stored = WorkPath("des.enc"), out = WorkPath("des.dec");
  for (auto _ : state) {
    const int r = StreamPass(state, stored, out, [](std::FILE* in, std::FILE* o) {
      std::uint32_t length = kStreamBytes + 8;
      return DesStreamDecrypt(in, o, &length, kKey8);
    });
    if (r != STREAM_OK) state.SkipWithError("stream failed");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kStreamBytes));
}

// ---- OpenSSL -----------------------------------------------------------------------------

#if defined(QLX_HAVE_OPENSSL)

void Md5OpenSsl(benchmark::State& state) {
  const auto data = Pattern(kMiB);
  unsigned char digest[16];
  unsigned int size = 0;
  for (auto _ : state) {
    EVP_Digest(data.data(), data.size(), digest, &size, EVP_md5(), nullptr);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}

void DesCbcOpenSsl(benchmark::State& state) {
  auto data = Pattern(1024);
  DES_key_schedule schedule;
  DES_cblock key;
  std::memcpy(key, kKey8, 8);
  DES_set_key_unchecked(&key, &schedule);
  for (auto _ : state) {
    DES_cblock iv;
    std::memcpy(iv, kIv, 8);
    DES_ncbc_encrypt(data.data(), data.data(), 1024, &schedule, &iv, DES_ENCRYPT);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * 1024);
}

void TdesCbcOpenSsl(benchmark::State& state) {
  auto data = Pattern(1024);
  DES_key_schedule k1, k2;
  DES_cblock a, b;
  std::memcpy(a, kKey16, 8);
  std::memcpy(b, kKey16 + 8, 8);
  DES_set_key_unchecked(&a, &k1);
  DES_set_key_unchecked(&b, &k2);
  for (auto _ : state) {
    DES_cblock iv;
    std::memcpy(iv, kIv, 8);
    DES_ede3_cbc_encrypt(data.data(), data.data(), 1024, &k1, &k2, &k1, &iv, DES_ENCRYPT);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * 1024);
}

template <bool kEncrypt>
void Aes128CbcOpenSslRun(benchmark::State& state) {
  auto data = Pattern(1024);
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_CipherInit_ex(ctx, EVP_aes_128_cbc(), nullptr, kKey16, kIv, kEncrypt ? 1 : 0);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  int n = 0;
  for (auto _ : state) {
    EVP_CipherUpdate(ctx, data.data(), &n, data.data(), 1024);
    benchmark::ClobberMemory();
  }
  EVP_CIPHER_CTX_free(ctx);
  state.SetBytesProcessed(state.iterations() * 1024);
}
void Aes128CbcOpenSsl(benchmark::State& state) { Aes128CbcOpenSslRun<true>(state); }
void Aes128DecryptBlocksOpenSsl(benchmark::State& state) { Aes128CbcOpenSslRun<false>(state); }

// The same file work with OpenSSL's CBC: 16 KiB runs read, encrypted, written.
template <bool kEncrypt>
void AesStreamOpenSslRun(benchmark::State& state) {
  const std::string in_path = kEncrypt ? PlainFile() : WorkPath("aes.enc");
  const std::string out = WorkPath("aes.ossl");
  for (auto _ : state) {
    StreamPass(state, in_path, out, [](std::FILE* in, std::FILE* o) {
      EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
      EVP_CipherInit_ex(ctx, EVP_aes_128_cbc(), nullptr, kKey16, kIv, kEncrypt ? 1 : 0);
      EVP_CIPHER_CTX_set_padding(ctx, 0);
      std::vector<std::uint8_t> run(16384);
      std::size_t got = 0;
      int n = 0;
      while ((got = std::fread(run.data(), 1, run.size(), in)) > 0) {
        EVP_CipherUpdate(ctx, run.data(), &n, run.data(), static_cast<int>(got & ~std::size_t{15}));
        std::fwrite(run.data(), 1, static_cast<std::size_t>(n), o);
      }
      EVP_CIPHER_CTX_free(ctx);
      return 0;
    });
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kStreamBytes));
}
void AesStreamEncryptOpenSsl(benchmark::State& state) { AesStreamOpenSslRun<true>(state); }
void AesStreamDecryptOpenSsl(benchmark::State& state) { AesStreamOpenSslRun<false>(state); }

// 1024-byte chunks, each a CBC chain from the same IV, as the DES stream stores them.
template <bool kEncrypt>
void DesStreamOpenSslRun(benchmark::State& state) {
  const std::string in_path = kEncrypt ? PlainFile() : WorkPath("des.enc");
  const std::string out = WorkPath("des.ossl");
  for (auto _ : state) {
    StreamPass(state, in_path, out, [](std::FILE* in, std::FILE* o) {
      DES_key_schedule schedule;
      DES_cblock key;
      std::memcpy(key, kKey8, 8);
      DES_set_key_unchecked(&key, &schedule);
      std::uint8_t chunk[1024];
      std::size_t got = 0;
      while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0) {
        DES_cblock iv;
        std::memcpy(iv, kIv, 8);
        DES_ncbc_encrypt(chunk, chunk, static_cast<long>(got & ~std::size_t{7}), &schedule, &iv,
                         kEncrypt ? DES_ENCRYPT : DES_DECRYPT);
        std::fwrite(chunk, 1, got, o);
      }
      return 0;
    });
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kStreamBytes));
}
void DesStreamEncryptOpenSsl(benchmark::State& state) { DesStreamOpenSslRun<true>(state); }
void DesStreamDecryptOpenSsl(benchmark::State& state) { DesStreamOpenSslRun<false>(state); }

#endif

// ---- Registration and the ratio table --------------------------------------------------

struct Pair {
  const char* name;
  void (*ours)(benchmark::State&);
  void (*theirs)(benchmark::State&);
  bool files;
};

#if defined(QLX_HAVE_OPENSSL)
#define QLX_THEIRS(f) f
#else
#define QLX_THEIRS(f) nullptr
#endif

const Pair kPairs[] = {
    {"Md5/1MiB", Md5Quillnox, QLX_THEIRS(Md5OpenSsl), false},
    {"DesCbc/1KiB", DesCbcQuillnox, QLX_THEIRS(DesCbcOpenSsl), false},
    {"TdesCbc/1KiB", TdesCbcQuillnox, QLX_THEIRS(TdesCbcOpenSsl), false},
    {"Aes128CbcEncrypt/1KiB", Aes128CbcQuillnox, QLX_THEIRS(Aes128CbcOpenSsl), false},
    {"Aes128Decrypt/1KiB", Aes128DecryptBlocksQuillnox, QLX_THEIRS(Aes128DecryptBlocksOpenSsl), false},
    {"AesStreamEncrypt/64MiB", AesStreamEncryptQuillnox, QLX_THEIRS(AesStreamEncryptOpenSsl), true},
    {"AesStreamDecrypt/64MiB", AesStreamDecryptQuillnox, QLX_THEIRS(AesStreamDecryptOpenSsl), true},
    // Ours with the processor's AES instructions, against OpenSSL's tables all the same.
    {"AesStreamEncryptAesNi/64MiB", AesStreamEncryptInstructions, QLX_THEIRS(AesStreamEncryptOpenSsl), true},
    {"AesStreamDecryptAesNi/64MiB", AesStreamDecryptInstructions, QLX_THEIRS(AesStreamDecryptOpenSsl), true},
    {"DesStreamEncrypt/64MiB", DesStreamEncryptQuillnox, QLX_THEIRS(DesStreamEncryptOpenSsl), true},
    {"DesStreamDecrypt/64MiB", DesStreamDecryptQuillnox, QLX_THEIRS(DesStreamDecryptOpenSsl), true},
};

// Collects each benchmark's rate (the median when repetitions are asked for) and prints
// the pairs side by side at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto it = run.counters.find("bytes_per_second");
      if (it == run.counters.end() || run.error_occurred) continue;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
        medians_[run.run_name.str()] = it->second.value;
      else if (run.run_type == Run::RT_Iteration)
        rates_[run.run_name.str()] = it->second.value;
    }
  }
  void PrintRatios() const {
    std::printf("\n%-28s %14s %14s %7s\n", "primitive (MB = 10^6 bytes)", "Quillnox MB/s", "OpenSSL MB/s", "ratio");
    for (const Pair& pair : kPairs) {
      const double ours = Find(std::string(pair.name) + "/Quillnox");
      const double theirs = Find(std::string(pair.name) + "/OpenSSL");
      if (ours <= 0) continue;
      if (theirs > 0)
        std::printf("%-28s %14.1f %14.1f %7.2f\n", pair.name, ours / 1e6, theirs / 1e6, ours / theirs);
      else
        std::printf("%-28s %14.1f %14s %7s\n", pair.name, ours / 1e6, "-", "-");
    }
  }

 private:
  double Find(const std::string& prefix) const {
    for (const auto* table : {&medians_, &rates_})
      for (const auto& [name, rate] : *table)
        if (name.rfind(prefix, 0) == 0) return rate;
    return 0;
  }
  std::map<std::string, double> rates_, medians_;
};

}  // namespace

int main(int argc, char** argv) {
#if defined(QLX_HAVE_OPENSSL) && defined(__linux__)
  if (std::getenv("OPENSSL_ia32cap") == nullptr) {
    setenv("OPENSSL_ia32cap", "~0x200020200000000", 1);  // no AES-NI, no SSSE3: OpenSSL's table AES
    execv("/proc/self/exe", argv);
  }
#endif
  for (const Pair& pair : kPairs) {
    // Rates are per second of process CPU time, which includes the file system calls:
    // steadier than wall time on a shared machine, and the same measure on both sides.
    auto* ours = benchmark::RegisterBenchmark((std::string(pair.name) + "/Quillnox").c_str(), pair.ours);
    if (pair.files) ours->Unit(benchmark::kMillisecond);
    if (pair.theirs) {
      auto* theirs = benchmark::RegisterBenchmark((std::string(pair.name) + "/OpenSSL").c_str(), pair.theirs);
      if (pair.files) theirs->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::Initialize(&argc, argv);
  PrepareFiles();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  for (const char* name : {"plain.bin", "aes.enc", "aes.out", "aes.dec", "aes.ossl", "des.enc", "des.out", "des.dec",
                           "des.ossl"})
    std::remove(WorkPath(name).c_str());
  benchmark::Shutdown();
  return 0;
}
