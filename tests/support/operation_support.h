// Helpers for tests of the container operations: a fixture with private source and work
// folders, encryption and decryption wrapped into plain results, test data, and
// builders of containers as other writers (or attackers) would make them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/types.h"
#include "tests/support/test_support.h"

struct EncryptResult {
  std::uint32_t result = 0;
  std::vector<std::string> containers;  // full paths, in the order of the output entries
  std::vector<std::string> names;       // the output entries' names
};

struct DecryptedFile {
  std::string name, path, container;
  std::uint32_t size = 0;
  FileTime time{};
};

struct DecryptResult {
  std::uint32_t result = 0;
  bool has_text = false;
  std::string text;
  std::vector<DecryptedFile> files;
  std::uint32_t algorithm = 0;  // as the operation reported it
};

struct ChunkHeader {
  std::uint32_t type;
  std::uint64_t length;
  bool operator==(const ChunkHeader& o) const { return type == o.type && length == o.length; }
  friend void PrintTo(const ChunkHeader& c, std::ostream* os) { *os << "{" << c.type << ", " << c.length << "}"; }
};

// Sources in <root>/src, the operations' temporary folder in <root>/work, containers
// kept aside in <root>/keep. Encryption requests algorithm 1 unless SetAlgorithm says
// otherwise; message boxes recorded.
class OperationFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  const std::string& Root() const { return root_.path(); }
  std::string Source(const std::string& name) const;
  std::string Work(const std::string& name) const;
  std::string WriteSource(const std::string& name, const Bytes& content) const;
  // Moves a container out of the temporary folder (the next operation reuses the names).
  std::string Keep(const std::string& container);
  void SetAlgorithm(int algorithm);
  // Files left in the temporary folder (recursively), relative names, sorted.
  std::vector<std::string> WorkFiles() const;

  EncryptResult EncryptItems(const std::string* text, const std::vector<std::string>& paths, bool each,
                             const char* passphrase, std::vector<FileEntry>* sources = nullptr);
  DecryptResult DecryptContainer(const std::string& path, const char* passphrase, std::uint32_t selector);
  DecryptResult DecryptWithSessionKey(const std::string& path, const std::uint8_t key[16], std::uint32_t selector);

 private:
  DecryptResult Decrypt(const std::string& path, const char* passphrase, const std::uint8_t* key,
                        std::uint32_t selector);
  TempDir root_;
  int kept_ = 0;
  std::uint32_t algorithm_ = 1;
};

// While it lives, the operations give large items this many threads (1 or 2).
class ThreadsScope {
 public:
  explicit ThreadsScope(int threads);
  ~ThreadsScope();
  ThreadsScope(const ThreadsScope&) = delete;
  ThreadsScope& operator=(const ThreadsScope&) = delete;
};

// n bytes of text-like runs, repeats and random stretches; the same for the same seed.
Bytes MixedBytes(std::size_t n, unsigned seed);
// The size of the large-file test: 100 MiB, less under the sanitizers.
std::uint64_t LargeFileSize();
std::string WriteLargeSource(const std::string& path, std::uint64_t size);
std::string FileMd5(const std::string& path);
FileTime FileTimeOf(const std::string& path);
std::vector<ChunkHeader> ReadChunkHeaders(const std::string& container);
// The compressed image of a file, in a file beside it.
std::string CompressedCopy(const std::string& path);
// Every file under a folder (recursively), sorted.
std::vector<std::string> AllFilesUnder(const std::string& folder);
Bytes Concat(const std::vector<Bytes>& parts);

// A container as another writer makes it, for the passphrase "their pass".
struct ForeignOptions {
  std::uint32_t algorithm = 1;
  std::uint32_t key_length = 8;  // 8 or 16
  std::uint8_t session_key[16] = {};
  bool tags = false;   // type fields as ASCII tags
  bool khsh = false;   // write KHSH
  bool khhk = true;    // write KHHK
  bool hdrs = false;   // write HDRS over KHKY, KHSH and ALGO
  bool spoil_hdrs = false;
  bool spoil_khhk = false;
  bool raw_file_image = false;  // the file bytes are stored as the compressed image
  int padding_byte = -1;        // triple-DES form: force this padding count
  std::string version = "4.10";
};
// Writes the container (text always; a file when file_name is not empty) and returns path.
std::string WriteForeignContainer(const std::string& path, const ForeignOptions& options, const std::string& text,
                                  const std::string& file_name, const Bytes& file);

// Pieces of hostile containers, under one fixed session key wrapped for a passphrase.
Bytes RawChunk(std::uint32_t type, const Bytes& data);
Bytes ChunkClaiming(std::uint32_t type, std::uint32_t length, const Bytes& data);
Bytes GoodFileChunkData(const std::string& name);
Bytes GoodFileChunk(const std::string& name);
Bytes HostileFileChunk(const std::string& name);  // like a good chunk, whatever the name
Bytes GoodTextChunk();
// Header "4.10", then (with_key) KHKY/KHHK/ALGO 2 for that key under passphrase, then chunks.
void WriteHostileContainer(const std::string& path, const Bytes& chunks, bool with_key, const char* passphrase);
