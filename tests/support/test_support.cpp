// Shared unit-test helpers (see test_support.h).
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>

#include "base/progress.h"
#include "platform/progress.h"

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::random_device device;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate =
        fs::temp_directory_path() / ("qlx-test-" + std::to_string(device()) + std::to_string(attempt));
    std::error_code error;
    if (fs::create_directory(candidate, error)) {
      path_ = candidate.string();
      return;
    }
  }
  ADD_FAILURE() << "cannot create a temporary folder";
}

TempDir::~TempDir() {
  std::error_code error;
  if (!path_.empty()) fs::remove_all(path_, error);
}

std::string TempDir::File(const std::string& name) const { return (fs::path(path_) / name).string(); }

Bytes ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

ProgressRecorder::ProgressRecorder() { ProgressSetReceiver(&ProgressRecorder::Receive, this); }
ProgressRecorder::~ProgressRecorder() {
  ProgressClearReceiver();
  ProgressForgetCancel();  // a cancel it answered ends with it
}

int ProgressRecorder::Receive(void* self, std::uint32_t notification, std::uint32_t value) {
  auto* recorder = static_cast<ProgressRecorder*>(self);
  if (std::this_thread::get_id() != recorder->thread_) recorder->on_its_thread_ = false;
  recorder->events_.emplace_back(notification, value);
  return recorder->events_.size() - 1 == recorder->cancel_at_ ? RECEIVER_CANCEL : RECEIVER_GO_ON;
}

std::vector<std::uint32_t> ProgressRecorder::Values(std::uint32_t notification) const {
  std::vector<std::uint32_t> values;
  for (const auto& [n, v] : events_)
    if (n == notification) values.push_back(v);
  return values;
}

std::string TestName(const std::string& text) {
  std::string name;
  for (char c : text) name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
  return name.empty() ? "_" : name;
}

std::uint32_t TagNumber(const char* tag) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(tag[0])) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(tag[1])) << 8) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(tag[2])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(tag[3])) << 24);
}

namespace {
void AppendLe32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
}  // namespace

ContainerBytes::ContainerBytes(const char* version) {
  const std::string signature = "VEK!(C)ORVANEL-05/99";
  bytes_.assign(signature.begin(), signature.end());
  bytes_.insert(bytes_.end(), version, version + 4);
}

ContainerBytes& ContainerBytes::Chunk(std::uint32_t type, const Bytes& data) {
  return ChunkClaiming(static_cast<std::uint32_t>(data.size()), type, data);
}

ContainerBytes& ContainerBytes::ChunkClaiming(std::uint32_t length, std::uint32_t type, const Bytes& data) {
  AppendLe32(bytes_, length);
  AppendLe32(bytes_, type);
  bytes_.insert(bytes_.end(), data.begin(), data.end());
  return *this;
}

ContainerBytes& ContainerBytes::Raw(const Bytes& bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

Bytes FileChunkData(const std::string& name, std::size_t payload) {
  Bytes data(name.begin(), name.end());
  data.push_back(0);
  data.insert(data.end(), 8 + 16, 0xAB);
  data.insert(data.end(), payload, 0x5C);
  return data;
}
