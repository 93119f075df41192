// Pieces of qlx that do not parse its command line: the run's private work folder and
// in-memory settings, session keys in hex, and the listing of a container.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "container/format.h"

// For one run: a private work folder inside the system's temporary folder (so that
// qlx never meets another program's work files) and settings that live in memory
// only (qlx keeps none). Both go when the object goes.
class QlxWorkspace {
 public:
  QlxWorkspace();
  ~QlxWorkspace();
  QlxWorkspace(const QlxWorkspace&) = delete;
  QlxWorkspace& operator=(const QlxWorkspace&) = delete;
  bool ready() const { return !folder_.empty(); }
  const std::string& folder() const { return folder_; }

 private:
  std::string folder_;
};

// 32 hexadecimal digits into 16 bytes; false for anything else.
bool ParseSessionKey(const char* hex, std::uint8_t key[16]);

struct ContainerListedFile {
  std::string name;
  std::uint64_t stored_size;  // the compressed image's size
  FileTime time;
};

struct ContainerListing {
  std::string version;  // the header's four characters
  ContainerInfo info;
  std::vector<ContainerListedFile> files;
};

// Reads what a container tells without its passphrase. 1, or the result code of
// ContainerReadInfo or of the walk.
std::uint32_t ContainerList(const char* path, ContainerListing* listing);
// The sum of the stored sizes of a container's files (0 when it cannot be read).
std::uint64_t ContainerStoredBytes(const char* path);
// "YYYY-MM-DD HH:MM:SS" in UTC.
std::string FormatFileTime(const FileTime& time);
