// Helpers shared by the unit tests: a private temporary folder per test, whole-file
// reads and writes, a recorder of progress notifications, and a builder of container
// bytes (well-formed or not).
#pragma once

#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// A fresh folder under the system's temporary folder, removed with everything in it
// when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // path() joined with name by the platform's separator.
  std::string File(const std::string& name) const;

 private:
  std::string path_;
};

Bytes ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const Bytes& bytes);
Bytes BytesOf(const std::string& text);

// Records every progress notification while it lives (and restores "no receiver").
class ProgressRecorder {
 public:
  ProgressRecorder();
  ~ProgressRecorder();
  ProgressRecorder(const ProgressRecorder&) = delete;
  ProgressRecorder& operator=(const ProgressRecorder&) = delete;
  // (notification, value) in the order sent.
  const std::vector<std::pair<std::uint32_t, std::uint32_t>>& events() const { return events_; }
  // The values sent with one notification number.
  std::vector<std::uint32_t> Values(std::uint32_t notification) const;
  // Answers RECEIVER_CANCEL to the notification with this index (0 = the first), as the
  // progress dialog's Cancel button does.
  void CancelAt(std::size_t index) { cancel_at_ = index; }
  // false once a notification arrived on another thread than the one that made the
  // recorder (the progress dialog must get every notification on its own thread).
  bool OnItsThread() const { return on_its_thread_; }

 private:
  static int Receive(void* self, std::uint32_t notification, std::uint32_t value);
  std::vector<std::pair<std::uint32_t, std::uint32_t>> events_;
  std::size_t cancel_at_ = static_cast<std::size_t>(-1);
  std::thread::id thread_ = std::this_thread::get_id();
  bool on_its_thread_ = true;
};

// A test-name suffix made of text: letters and digits kept, anything else "_".
std::string TestName(const std::string& text);

// Little-endian number of a four-letter tag ("TEXT" read as a type field).
std::uint32_t TagNumber(const char* tag);

// Container bytes built piece by piece.
class ContainerBytes {
 public:
  // Signature and a 4-character version.
  explicit ContainerBytes(const char* version = "4.10");
  // A chunk whose length field matches its data.
  ContainerBytes& Chunk(std::uint32_t type, const Bytes& data);
  // A chunk with any length field (the data may be shorter or longer than it says).
  ContainerBytes& ChunkClaiming(std::uint32_t length, std::uint32_t type, const Bytes& data);
  ContainerBytes& Raw(const Bytes& bytes);
  const Bytes& bytes() const { return bytes_; }
  void WriteTo(const std::string& path) const { WriteFileBytes(path, bytes_); }

 private:
  Bytes bytes_;
};

// FILE chunk data: name, zero byte, 8-byte time, 16-byte digest, then payload bytes.
Bytes FileChunkData(const std::string& name, std::size_t payload);
