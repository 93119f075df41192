// Helpers for tests of the container operations (see operation_support.h).
#include "tests/support/operation_support.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>

#include "compress/codec.h"
#include "container/format.h"
#include "container/operation.h"
#include "container/pipeline.h"
#include "container/result.h"
#include "crypto/aes.h"
#include "crypto/des.h"
#include "crypto/md5.h"
#include "crypto/random.h"
#include "keys/settings.h"
#include "platform/common/msgbox_double.h"
#include "platform/common/registry_memory.h"
#include "platform/fileio.h"
#include "platform/filetime.h"
#include "platform/tempdir.h"

namespace fs = std::filesystem;

namespace {

void AppendLe32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

Bytes Md5Of(const void* data, std::size_t n) {
  Bytes digest(16);
  Md5Buffer(data, static_cast<std::uint32_t>(n), digest.data());
  return digest;
}

// A scratch folder for the builders' own temporary files.
const std::string& Scratch() {
  static TempDir dir;
  return dir.path();
}

std::string ScratchFile(const std::string& name) { return (fs::path(Scratch()) / name).string(); }

// Runs a cipher stream function over bytes through two scratch files.
template <typename Run>
Bytes ThroughFiles(const Bytes& input, Run run) {
  const std::string in_path = ScratchFile("stream.in");
  const std::string out_path = ScratchFile("stream.out");
  WriteFileBytes(in_path, input);
  {
    FileHandle in = FileOpen(in_path.c_str(), "rb");
    FileHandle out = FileOpen(out_path.c_str(), "wb");
    EXPECT_TRUE(in && out);
    EXPECT_EQ(run(in.get(), out.get()), 0);
  }
  return ReadFileBytes(out_path);
}

Bytes StreamEncrypt(const Bytes& plain, const std::uint8_t* key, std::uint32_t key_length, std::uint32_t algorithm,
                    int padding_byte) {
  const auto length = static_cast<std::uint32_t>(plain.size());
  if (key_length == 8 && algorithm == 1)
    return ThroughFiles(plain, [&](std::FILE* in, std::FILE* out) { return DesStreamEncrypt(in, out, length, key); });
  if (algorithm != 1)
    return ThroughFiles(plain, [&](std::FILE* in, std::FILE* out) {
      return AesStreamEncrypt(in, out, length, key, key_length);
    });
  // Two-key triple DES of a 16-byte key: DES-encrypted head, then the padded text.
  std::uint8_t iv[8];
  RandomBytes(iv, 8);
  Bytes stream(iv, iv + 8);
  const std::uint8_t zero[8] = {};
  DesEncryptBlocks(stream.data(), 8, 0, key, zero);
  const std::size_t padding = 8 - plain.size() % 8;  // 1 to 8
  Bytes body = plain;
  body.insert(body.end(), padding, 0);
  body.back() = static_cast<std::uint8_t>(padding_byte >= 0 ? padding_byte : static_cast<int>(padding));
  TdesEncrypt(body.data(), static_cast<std::int32_t>(body.size()), key, iv);
  stream.insert(stream.end(), body.begin(), body.end());
  return stream;
}

Bytes Chunk(std::uint32_t type, const Bytes& data) {
  Bytes out;
  AppendLe32(out, static_cast<std::uint32_t>(data.size()));
  AppendLe32(out, type);
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

Bytes CompressBytes(const Bytes& plain) {
  const std::string in = ScratchFile("plain.bin");
  const std::string out = ScratchFile("plain.cmp");
  WriteFileBytes(in, plain);
  std::uint64_t size = 0;
  EXPECT_EQ(CompressFile(in.c_str(), out.c_str(), &size), 1);
  return ReadFileBytes(out);
}

Bytes FileChunkData(const std::string& name, const Bytes& image, const std::uint8_t* key, std::uint32_t key_length,
                    std::uint32_t algorithm, int padding_byte) {
  Bytes data(name.begin(), name.end());
  data.push_back(0);
  const std::uint8_t time[8] = {0x00, 0x80, 0x3E, 0xD5, 0xDE, 0xB1, 0x9D, 0x01};  // 2000-01-01
  data.insert(data.end(), time, time + 8);
  const Bytes digest = Md5Of(image.data(), image.size());
  data.insert(data.end(), digest.begin(), digest.end());
  const Bytes stream = StreamEncrypt(image, key, key_length, algorithm, padding_byte);
  data.insert(data.end(), stream.begin(), stream.end());
  return data;
}

Bytes TextChunkData(const std::string& text, const std::uint8_t* key, std::uint32_t key_length,
                    std::uint32_t algorithm, int padding_byte) {
  Bytes data = Md5Of(text.data(), text.size());
  const Bytes stream = StreamEncrypt(Bytes(text.begin(), text.end()), key, key_length, algorithm, padding_byte);
  data.insert(data.end(), stream.begin(), stream.end());
  return data;
}

// The hostile containers' session key (AES, 8 bytes).
const std::uint8_t kHostileKey[8] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};

class ScheduleHold {
 public:
  ScheduleHold() { DesScheduleAcquire(); }
  ~ScheduleHold() { DesScheduleRelease(); }
};

}  // namespace

// --- Fixture ----------------------------------------------------------------------------

void OperationFixture::SetUp() {
  for (const char* folder : {"src", "work", "keep"}) fs::create_directory(fs::path(Root()) / folder);
  SetTempFolder((fs::path(Root()) / "work").string().c_str());
  RegistryMemoryReset();
  SettingsCreateUserKey();
  SetAlgorithm(1);
  BoxDoubleReset();
}

void OperationFixture::TearDown() { SetTempFolder(nullptr); }

std::string OperationFixture::Source(const std::string& name) const { return (fs::path(Root()) / "src" / name).string(); }

std::string OperationFixture::Work(const std::string& name) const { return std::string(TempFolder()) + name; }

std::string OperationFixture::WriteSource(const std::string& name, const Bytes& content) const {
  const std::string path = Source(name);
  WriteFileBytes(path, content);
  return path;
}

std::string OperationFixture::Keep(const std::string& container) {
  const std::string path = (fs::path(Root()) / "keep" / ("kept" + std::to_string(kept_++) + ".vek")).string();
  fs::rename(container, path);
  return path;
}

void OperationFixture::SetAlgorithm(int algorithm) { algorithm_ = static_cast<std::uint32_t>(algorithm); }

std::vector<std::string> OperationFixture::WorkFiles() const {
  std::vector<std::string> files;
  const fs::path work = fs::path(Root()) / "work";
  for (const auto& item : fs::recursive_directory_iterator(work)) files.push_back(fs::relative(item.path(), work).string());
  std::sort(files.begin(), files.end());
  return files;
}

EncryptResult OperationFixture::EncryptItems(const std::string* text, const std::vector<std::string>& paths, bool each,
                                             const char* passphrase, std::vector<FileEntry>* sources) {
  std::vector<FileEntry> entries(paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    entries[i] = FileEntry{};
    if (!FileEntryFromPath(paths[i].c_str(), &entries[i]))  // a missing file keeps its path and name
    {
      std::snprintf(entries[i].path, sizeof entries[i].path, "%s", paths[i].c_str());
      std::snprintf(entries[i].name, sizeof entries[i].name, "%s", fs::path(paths[i]).filename().string().c_str());
    }
  }
  std::string text_copy = text ? *text : std::string();
  OperationRequest request{DIRECTION_ENCRYPT, text ? text_copy.data() : nullptr, passphrase, nullptr,
                           static_cast<std::uint32_t>(entries.size()), entries.empty() ? nullptr : entries.data(),
                           each ? 1u : 0u, algorithm_};
  EncryptResult made;
  made.result = EncryptOperation(&request);
  if (made.result == RESULT_OK) {
    if (request.count != 0) {
      EXPECT_NE(request.entries, entries.empty() ? nullptr : entries.data());
    }
    for (std::uint32_t i = 0; i < request.count; ++i) {
      made.containers.push_back(request.entries[i].container);
      made.names.push_back(request.entries[i].name);
    }
    FileEntriesFree(request.entries);
  } else {
    EXPECT_EQ(request.entries, entries.empty() ? nullptr : entries.data());  // unchanged on failure
  }
  if (sources) *sources = entries;
  return made;
}

DecryptResult OperationFixture::DecryptContainer(const std::string& path, const char* passphrase,
                                                 std::uint32_t selector) {
  return Decrypt(path, passphrase, nullptr, selector);
}

DecryptResult OperationFixture::DecryptWithSessionKey(const std::string& path, const std::uint8_t key[16],
                                                      std::uint32_t selector) {
  return Decrypt(path, "any passphrase", key, selector);
}

DecryptResult OperationFixture::Decrypt(const std::string& path, const char* passphrase, const std::uint8_t* key,
                                        std::uint32_t selector) {
  FileEntry container{};
  std::snprintf(container.path, sizeof container.path, "%s", path.c_str());
  std::snprintf(container.name, sizeof container.name, "%s", fs::path(path).filename().string().c_str());
  OperationRequest request{0, nullptr, passphrase, key, 1, &container, selector, 0};
  DecryptResult back;
  back.result = DecryptOperation(&request);
  back.algorithm = request.algorithm;
  if (back.result != RESULT_OK) {
    EXPECT_EQ(request.entries, &container);
    EXPECT_EQ(request.text, nullptr);
    return back;
  }
  if (request.text) {
    back.has_text = true;
    back.text = request.text;
    OperationTextFree(request.text);
  }
  for (std::uint32_t i = 0; i < request.count; ++i) {
    const FileEntry& e = request.entries[i];
    back.files.push_back({e.name, e.path, e.container, e.size, e.time});
  }
  FileEntriesFree(request.entries);
  return back;
}

ThreadsScope::ThreadsScope(int threads) { PipelineSetThreads(threads); }
ThreadsScope::~ThreadsScope() { PipelineSetThreads(0); }

// --- Data -------------------------------------------------------------------------------

Bytes MixedBytes(std::size_t n, unsigned seed) {
  std::mt19937 random(seed * 2654435761u + 1);
  static const char* const kWords[] = {"the ", "container ", "passphrase ", "of ", "and ", "mail ", "\r\n", "data "};
  Bytes out;
  out.reserve(n);
  while (out.size() < n) {
    const unsigned kind = random() % 4;
    const std::size_t len = 1 + random() % 200;
    for (std::size_t i = 0; i < len && out.size() < n; ++i) {
      switch (kind) {
        case 0: out.push_back(static_cast<std::uint8_t>(random())); break;  // random
        case 1: out.push_back(static_cast<std::uint8_t>('a' + kind)); break;  // a run
        default: {
          const char* word = kWords[random() % 8];
          for (const char* p = word; *p && out.size() < n; ++p) out.push_back(static_cast<std::uint8_t>(*p));
        }
      }
    }
  }
  return out;
}

std::uint64_t LargeFileSize() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return 16u << 20;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
  return 16u << 20;
#else
  return 100u << 20;
#endif
#else
  return 100u << 20;
#endif
}

std::string WriteLargeSource(const std::string& path, std::uint64_t size) {
  FileHandle out = FileOpen(path.c_str(), "wb");
  EXPECT_TRUE(out);
  std::uint64_t written = 0;
  unsigned seed = 1;
  while (out && written < size) {
    const Bytes piece = MixedBytes(static_cast<std::size_t>(std::min<std::uint64_t>(1 << 20, size - written)), seed++);
    EXPECT_EQ(std::fwrite(piece.data(), 1, piece.size(), out.get()), piece.size());
    written += piece.size();
  }
  EXPECT_TRUE(FileClose(out));
  return path;
}

std::string FileMd5(const std::string& path) {
  FileHandle in = FileOpen(path.c_str(), "rb");
  std::uint8_t digest[16] = {};
  EXPECT_TRUE(in && Md5Stream(in.get(), digest) == 1);
  char hex[33];
  for (int i = 0; i < 16; ++i) std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
  return hex;
}

FileTime FileTimeOf(const std::string& path) {
  FileTime time{};
  EXPECT_TRUE(FileGetWriteTime(path.c_str(), &time));
  return time;
}

std::vector<ChunkHeader> ReadChunkHeaders(const std::string& container) {
  const Bytes bytes = ReadFileBytes(container);
  std::vector<ChunkHeader> chunks;
  std::size_t at = 24;
  while (at + 8 <= bytes.size()) {
    const std::uint32_t length = bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
                                 (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
    const std::uint32_t type = bytes[at + 4] | (bytes[at + 5] << 8) | (bytes[at + 6] << 16) |
                               (static_cast<std::uint32_t>(bytes[at + 7]) << 24);
    chunks.push_back({type, length});
    at += 8 + static_cast<std::size_t>(length);
  }
  EXPECT_EQ(at, bytes.size()) << "the chunks must end at the end of the file";
  return chunks;
}

std::string CompressedCopy(const std::string& path) {
  const std::string out = path + ".cmp";
  std::uint64_t size = 0;
  EXPECT_EQ(CompressFile(path.c_str(), out.c_str(), &size), 1);
  return out;
}

std::vector<std::string> AllFilesUnder(const std::string& folder) {
  std::vector<std::string> files;
  for (const auto& item : fs::recursive_directory_iterator(folder)) files.push_back(item.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

Bytes Concat(const std::vector<Bytes>& parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// --- Containers of other writers --------------------------------------------------------

std::string WriteForeignContainer(const std::string& path, const ForeignOptions& o, const std::string& text,
                                  const std::string& file_name, const Bytes& file) {
  ScheduleHold hold;
  const char* passphrase = "their pass";
  std::uint8_t m[16];
  Md5Buffer(passphrase, static_cast<std::uint32_t>(std::strlen(passphrase)), m);
  const std::uint8_t zero[8] = {};
  auto type = [&](std::uint32_t number, const char* tag) { return o.tags ? TagNumber(tag) : number; };

  Bytes wrapped(o.session_key, o.session_key + o.key_length);
  if (o.key_length == 8)
    DesEncrypt(wrapped.data(), 8, m, zero);
  else
    TdesEncrypt(wrapped.data(), 16, m, zero);
  Bytes khsh(m, m + 16);
  if (o.key_length == 8)
    DesEncrypt(khsh.data(), 16, o.session_key, zero);
  else
    TdesEncrypt(khsh.data(), 16, o.session_key, zero);
  const Bytes algo = {static_cast<std::uint8_t>(o.algorithm)};

  Bytes out = BytesOf(std::string(CONTAINER_SIGNATURE, CONTAINER_SIGNATURE_SIZE));
  out.insert(out.end(), o.version.begin(), o.version.begin() + 4);
  Bytes header_data = wrapped;
  const Bytes khky_chunk = Chunk(type(1, "KHKY"), wrapped);
  out.insert(out.end(), khky_chunk.begin(), khky_chunk.end());
  if (o.khsh) {
    const Bytes c = Chunk(type(2, "KHSH"), khsh);
    out.insert(out.end(), c.begin(), c.end());
    header_data.insert(header_data.end(), khsh.begin(), khsh.end());
  }
  const Bytes algo_chunk = Chunk(type(4, "ALGO"), algo);
  out.insert(out.end(), algo_chunk.begin(), algo_chunk.end());
  header_data.insert(header_data.end(), algo.begin(), algo.end());
  if (o.hdrs) {
    Bytes digest = Md5Of(header_data.data(), header_data.size());
    if (o.spoil_hdrs) digest[5] ^= 1;
    const Bytes c = Chunk(type(7, "HDRS"), digest);
    out.insert(out.end(), c.begin(), c.end());
  }
  if (o.khhk) {
    Bytes check = Md5Of(o.session_key, 8);
    if (o.spoil_khhk) check[0] ^= 0x80;
    const Bytes c = Chunk(type(10, "KHHK"), check);
    out.insert(out.end(), c.begin(), c.end());
  }
  const Bytes text_chunk = Chunk(type(5, "TEXT"), TextChunkData(text, o.session_key, o.key_length, o.algorithm,
                                                                 o.padding_byte));
  out.insert(out.end(), text_chunk.begin(), text_chunk.end());
  if (!file_name.empty()) {
    const Bytes image = o.raw_file_image ? file : CompressBytes(file);
    const Bytes c = Chunk(type(6, "FILE"), FileChunkData(file_name, image, o.session_key, o.key_length, o.algorithm,
                                                         o.padding_byte));
    out.insert(out.end(), c.begin(), c.end());
  }
  WriteFileBytes(path, out);
  return path;
}

// --- Hostile containers -------------------------------------------------------------------

Bytes RawChunk(std::uint32_t type, const Bytes& data) { return Chunk(type, data); }

Bytes ChunkClaiming(std::uint32_t type, std::uint32_t length, const Bytes& data) {
  Bytes out;
  AppendLe32(out, length);
  AppendLe32(out, type);
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

Bytes GoodFileChunkData(const std::string& name) {
  ScheduleHold hold;
  return FileChunkData(name, CompressBytes(BytesOf("hostile payload")), kHostileKey, 8, 2, -1);
}

Bytes GoodFileChunk(const std::string& name) { return Chunk(CHUNK_FILE, GoodFileChunkData(name)); }

Bytes HostileFileChunk(const std::string& name) { return GoodFileChunk(name); }

Bytes GoodTextChunk() {
  ScheduleHold hold;
  return Chunk(CHUNK_TEXT, TextChunkData("hostile text", kHostileKey, 8, 2, -1));
}

void WriteHostileContainer(const std::string& path, const Bytes& chunks, bool with_key, const char* passphrase) {
  Bytes out = BytesOf(std::string(CONTAINER_SIGNATURE, CONTAINER_SIGNATURE_SIZE));
  out.insert(out.end(), {'4', '.', '1', '0'});
  if (with_key) {
    ScheduleHold hold;
    std::uint8_t m[16];
    Md5Buffer(passphrase, static_cast<std::uint32_t>(std::strlen(passphrase)), m);
    const std::uint8_t zero[8] = {};
    Bytes wrapped(kHostileKey, kHostileKey + 8);
    DesEncrypt(wrapped.data(), 8, m, zero);
    const Bytes parts = Concat({Chunk(CHUNK_KHKY, wrapped), Chunk(CHUNK_KHHK, Md5Of(kHostileKey, 8)),
                                Chunk(CHUNK_ALGO, Bytes{2})});
    out.insert(out.end(), parts.begin(), parts.end());
  }
  out.insert(out.end(), chunks.begin(), chunks.end());
  WriteFileBytes(path, out);
}
