// Pieces of qlx that do not parse its command line: the run's private work folder, session keys in hex, and file times as text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "container/listing.h"

// For one run: a private work folder inside the system's temporary folder (so that
// qlx never meets another program's work files). It goes when the object goes; qlx
// keeps no settings (the algorithm travels in each request).
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

// "YYYY-MM-DD HH:MM:SS" in UTC.
std::string FormatFileTime(const FileTime& time);
