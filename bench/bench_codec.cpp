// Throughput of the LZRW1 codec (block functions in memory and the file layer) against
// zlib level 1 and LZ4, on three 64 MiB corpora made here: text-like, random and mixed.
// Counters: MB/s (10^6 bytes of uncompressed data per second) and ratio (compressed size
// / uncompressed size, record headers included for LZRW1).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "compress/codec.h"

#if QLX_HAVE_ZLIB
#include <zlib.h>
#endif
#if QLX_HAVE_LZ4
#include <lz4.h>
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kCorpusSize = 64u << 20;

enum Corpus { CORPUS_TEXT = 0, CORPUS_RANDOM = 1, CORPUS_MIXED = 2, CORPUS_COUNT = 3 };
const char* const kCorpusNames[CORPUS_COUNT] = {"text", "random", "mixed"};

// Prose-like text: 4000 made-up words with Zipf frequencies and English-like lengths,
// in capitalised sentences with commas, numbers now and then, and paragraphs.
void AppendText(Bytes& out, std::size_t size, std::mt19937_64& rng) {
  static std::vector<std::string> words;
  static std::vector<double> cdf;
  if (words.empty()) {
    std::mt19937_64 word_rng(42);
    const char* letters = "etaoinshrdlcumwfgypbvkjxqz";  // by frequency
    double total = 0;
    for (int i = 0; i < 4000; ++i) {
      const int length = 1 + static_cast<int>(std::min<std::uint64_t>(11, (word_rng() % 4) + (word_rng() % 5)));
      std::string w;
      for (int k = 0; k < length; ++k) w.push_back(letters[std::min(word_rng() % 26, word_rng() % 26)]);
      words.push_back(w);
      total += 1.0 / (i + 1);
      cdf.push_back(total);
    }
    for (double& c : cdf) c /= total;
  }
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  const std::size_t end = out.size() + size;
  int in_sentence = 0;
  while (out.size() < end) {
    const std::size_t w = std::lower_bound(cdf.begin(), cdf.end(), uniform(rng)) - cdf.begin();
    std::string word = words[std::min(w, words.size() - 1)];
    if (in_sentence == 0) word[0] = static_cast<char>(word[0] - 'a' + 'A');
    if (rng() % 50 == 0) word = std::to_string(rng() % 10000);
    out.insert(out.end(), word.begin(), word.end());
    ++in_sentence;
    if (in_sentence > 4 && rng() % 12 == 0) {
      out.push_back('.');
      out.push_back(rng() % 6 == 0 ? '\n' : ' ');
      in_sentence = 0;
    } else {
      if (rng() % 15 == 0) out.push_back(',');
      out.push_back(' ');
    }
  }
  out.resize(end);
}

void AppendRandom(Bytes& out, std::size_t size, std::mt19937_64& rng) {
  for (std::size_t i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(rng()));
}

// Table-like binary data: 16-byte records of a running id, a small value and a short
// name out of a few.
void AppendRecords(Bytes& out, std::size_t size, std::mt19937_64& rng) {
  static const char* const names[] = {"alpha\0\0\0", "beta\0\0\0\0", "gamma\0\0\0", "delta\0\0\0", "omega\0\0\0"};
  const std::size_t end = out.size() + size;
  static std::uint32_t id = 1000;
  while (out.size() < end) {
    std::uint8_t record[16];
    const std::uint32_t value = static_cast<std::uint32_t>(rng() % 300);
    ++id;
    std::memcpy(record, &id, 4);
    std::memcpy(record + 4, &value, 4);
    std::memcpy(record + 8, names[rng() % 5], 8);
    out.insert(out.end(), record, record + 16);
  }
  out.resize(end);
}

// Mostly zeros with scattered bytes and runs, as in sparse or padded files.
void AppendSparse(Bytes& out, std::size_t size, std::mt19937_64& rng) {
  const std::size_t end = out.size() + size;
  while (out.size() < end) {
    out.insert(out.end(), rng() % 200, 0);
    out.insert(out.end(), 1 + rng() % 12, static_cast<std::uint8_t>(rng()));
  }
  out.resize(end);
}

const Bytes& CorpusBytes(int corpus) {
  static Bytes made[CORPUS_COUNT];
  Bytes& out = made[corpus];
  if (!out.empty()) return out;
  out.reserve(kCorpusSize + 4096);
  std::mt19937_64 rng(1234 + corpus);
  switch (corpus) {
    case CORPUS_TEXT: AppendText(out, kCorpusSize, rng); break;
    case CORPUS_RANDOM: AppendRandom(out, kCorpusSize, rng); break;
    default:
      // Pieces of 8 to 64 KiB: 40% text, 25% records, 20% random (already compressed
      // data), 15% sparse.
      while (out.size() < kCorpusSize) {
        const std::size_t piece = std::min<std::size_t>(kCorpusSize - out.size(), (8 + rng() % 57) << 10);
        const std::uint64_t pick = rng() % 100;
        if (pick < 40) AppendText(out, piece, rng);
        else if (pick < 65) AppendRecords(out, piece, rng);
        else if (pick < 85) AppendRandom(out, piece, rng);
        else AppendSparse(out, piece, rng);
      }
      break;
  }
  return out;
}

void Report(benchmark::State& state, std::size_t uncompressed, std::size_t compressed) {
  state.counters["MB/s"] = benchmark::Counter(static_cast<double>(uncompressed), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["ratio"] = static_cast<double>(compressed) / static_cast<double>(uncompressed);
}

// --- LZRW1 in memory: the record format built in a buffer ---------------------------

std::size_t Lzrw1CompressAll(const Bytes& in, Bytes& out) {
  std::size_t q = 0;
  for (std::size_t at = 0; at < in.size(); at += LZRW1_BLOCK_MAX) {
    const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::size_t>(LZRW1_BLOCK_MAX, in.size() - at));
    std::uint32_t length = n;
    if (n >= RECORD_COMPRESS_MIN) {
      Lzrw1Compress(in.data() + at, n, out.data() + q + RECORD_HEADER_SIZE, &length);
      out[q] = RECORD_COMPRESSED;
    } else {
      std::memcpy(out.data() + q + RECORD_HEADER_SIZE, in.data() + at, n);
      out[q] = RECORD_STORED;
    }
    out[q + 1] = static_cast<std::uint8_t>(length);
    out[q + 2] = static_cast<std::uint8_t>(length >> 8);
    q += RECORD_HEADER_SIZE + length;
  }
  return q;
}

std::size_t Lzrw1DecompressAll(const Bytes& in, std::size_t size, Bytes& out) {
  std::size_t at = 0;
  std::size_t written = 0;
  while (at < size) {
    const std::uint32_t length = in[at + 1] | (in[at + 2] << 8);
    const std::uint8_t* data = in.data() + at + RECORD_HEADER_SIZE;
    if (in[at] == RECORD_COMPRESSED) {
      std::uint32_t restored = 0;
      if (!Lzrw1Decompress(data, length, out.data() + written, &restored)) return 0;
      written += restored;
    } else {
      std::memcpy(out.data() + written, data, length);
      written += length;
    }
    at += RECORD_HEADER_SIZE + length;
  }
  return written;
}

Bytes RecordArea(const Bytes& in) { return Bytes(in.size() + in.size() / 128 + 2048); }

void BM_Lzrw1Compress(benchmark::State& state) {
  const Bytes& in = CorpusBytes(static_cast<int>(state.range(0)));
  Bytes out = RecordArea(in);
  std::size_t size = 0;
  for (auto _ : state) {
    size = Lzrw1CompressAll(in, out);
    benchmark::DoNotOptimize(out.data());
  }
  Report(state, in.size(), size);
}

void BM_Lzrw1Decompress(benchmark::State& state) {
  const Bytes& in = CorpusBytes(static_cast<int>(state.range(0)));
  Bytes packed = RecordArea(in);
  const std::size_t size = Lzrw1CompressAll(in, packed);
  Bytes out(in.size());
  for (auto _ : state) {
    if (Lzrw1DecompressAll(packed, size, out) != in.size()) state.SkipWithError("decompression failed");
    benchmark::DoNotOptimize(out.data());
  }
  if (out != in) state.SkipWithError("round trip differs");
  Report(state, in.size(), size);
}

// --- LZRW1 through the files -----------------------------------------------------------

// The files live in memory (/dev/shm) where the system offers it, so that the figures
// are those of the file layer and not of the disk; else in the temporary folder.
std::string BenchPath(const std::string& name) {
  std::error_code error;
  const std::filesystem::path folder =
      std::filesystem::is_directory("/dev/shm", error) ? std::filesystem::path("/dev/shm")
                                                       : std::filesystem::temp_directory_path();
  return (folder / ("qlx-bench-codec-" + name)).string();
}

const std::string& CorpusFile(int corpus) {
  static std::string paths[CORPUS_COUNT];
  std::string& path = paths[corpus];
  if (path.empty()) {
    path = BenchPath(kCorpusNames[corpus]);
    const Bytes& bytes = CorpusBytes(corpus);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0)
      path.clear();
  }
  return path;
}

void BM_CompressFile(benchmark::State& state) {
  const int corpus = static_cast<int>(state.range(0));
  const std::string& source = CorpusFile(corpus);
  const std::string packed = BenchPath(std::string(kCorpusNames[corpus]) + ".cmp");
  std::uint64_t size = 0;
  for (auto _ : state) {
    if (source.empty() || CompressFile(source.c_str(), packed.c_str(), &size) != 1)
      state.SkipWithError("CompressFile failed");
  }
  std::remove(packed.c_str());
  Report(state, CorpusBytes(corpus).size(), static_cast<std::size_t>(size));
}

void BM_DecompressFile(benchmark::State& state) {
  const int corpus = static_cast<int>(state.range(0));
  const std::string& source = CorpusFile(corpus);
  const std::string packed = BenchPath(std::string(kCorpusNames[corpus]) + ".cmp");
  const std::string restored = BenchPath(std::string(kCorpusNames[corpus]) + ".out");
  std::uint64_t size = 0;
  if (source.empty() || CompressFile(source.c_str(), packed.c_str(), &size) != 1) {
    state.SkipWithError("CompressFile failed");
    return;
  }
  for (auto _ : state) {
    if (DecompressFile(packed.c_str(), restored.c_str()) != 1) state.SkipWithError("DecompressFile failed");
  }
  std::remove(packed.c_str());
  std::remove(restored.c_str());
  Report(state, CorpusBytes(corpus).size(), static_cast<std::size_t>(size));
}

// --- The references ---------------------------------------------------------------------

#if QLX_HAVE_ZLIB
std::size_t ZlibCompress(const Bytes& in, Bytes& out) {
  uLongf length = static_cast<uLongf>(out.size());
  if (compress2(out.data(), &length, in.data(), static_cast<uLong>(in.size()), 1) != Z_OK) return 0;
  return length;
}

void BM_ZlibCompress(benchmark::State& state) {
  const Bytes& in = CorpusBytes(static_cast<int>(state.range(0)));
  Bytes out(compressBound(static_cast<uLong>(in.size())));
  std::size_t size = 0;
  for (auto _ : state) {
    size = ZlibCompress(in, out);
    if (size == 0) state.SkipWithError("compress2 failed");
  }
  Report(state, in.size(), size);
}

void BM_ZlibDecompress(benchmark::State& state) {
  const Bytes& in = CorpusBytes(static_cast<int>(state.range(0)));
  Bytes packed(compressBound(static_cast<uLong>(in.size())));
  const std::size_t size = ZlibCompress(in, packed);
  Bytes out(in.size());
  for (auto _ : state) {
    uLongf length = static_cast<uLongf>(out.size());
    if (uncompress(out.data(), &length, packed.data(), static_cast<uLong>(size)) != Z_OK || length != in.size())
      state.SkipWithError("uncompress failed");
  }
  Report(state, in.size(), size);
}
#endif

#if QLX_HAVE_LZ4
void BM_Lz4Compress(benchmark::State& state) {
  const Bytes& in = CorpusBytes(static_cast<int>(state.range(0)));
  Bytes out(LZ4_compressBound(static_cast<int>(in.size())));
  int size = 0;
  for (auto _ : state) {
    size = LZ4_compress_default(reinterpret_cast<const char*>(in.data()), reinterpret_cast<char*>(out.data()),
                                static_cast<int>(in.size()), static_cast<int>(out.size()));
    if (size <= 0) state.SkipWithError("LZ4_compress_default failed");
  }
  Report(state, in.size(), static_cast<std::size_t>(size));
}

void BM_Lz4Decompress(benchmark::State& state) {
  const Bytes& in = CorpusBytes(static_cast<int>(state.range(0)));
  Bytes packed(LZ4_compressBound(static_cast<int>(in.size())));
  const int size = LZ4_compress_default(reinterpret_cast<const char*>(in.data()), reinterpret_cast<char*>(packed.data()),
                                        static_cast<int>(in.size()), static_cast<int>(packed.size()));
  Bytes out(in.size());
  for (auto _ : state) {
    if (LZ4_decompress_safe(reinterpret_cast<const char*>(packed.data()), reinterpret_cast<char*>(out.data()), size,
                            static_cast<int>(out.size())) != static_cast<int>(in.size()))
      state.SkipWithError("LZ4_decompress_safe failed");
  }
  Report(state, in.size(), static_cast<std::size_t>(size));
}
#endif

// Corpus files made for the file-layer runs, removed when the program ends.
struct CorpusFileCleanup {
  ~CorpusFileCleanup() {
    for (const char* name : kCorpusNames) std::remove(BenchPath(name).c_str());
  }
} g_cleanup;

void Register(const char* name, void (*function)(benchmark::State&)) {
  for (int corpus = 0; corpus < CORPUS_COUNT; ++corpus)
    benchmark::RegisterBenchmark((std::string(name) + "/" + kCorpusNames[corpus]).c_str(), function)
        ->Arg(corpus)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(1.0)
        ->UseRealTime();
}

}  // namespace

int main(int argc, char** argv) {
  Register("Lzrw1Compress", BM_Lzrw1Compress);
  Register("Lzrw1Decompress", BM_Lzrw1Decompress);
  Register("CompressFile", BM_CompressFile);
  Register("DecompressFile", BM_DecompressFile);
#if QLX_HAVE_ZLIB
  Register("Zlib1Compress", BM_ZlibCompress);
  Register("ZlibDecompress", BM_ZlibDecompress);
#endif
#if QLX_HAVE_LZ4
  Register("Lz4Compress", BM_Lz4Compress);
  Register("Lz4Decompress", BM_Lz4Decompress);
#endif
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
