// qlx's outputs appear whole or not at all: each is first finished under a temporary
// name in its destination folder (flushed to the disk, every result checked), and only
// then renamed to its own name. A failure removes the temporary files and leaves
// whatever was already in place untouched.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/filetime.h"

class StagedOutputs {
 public:
  // replace: an existing file of an output's name is replaced (--force); otherwise it
  // stays and the placement fails.
  explicit StagedOutputs(bool replace) : replace_(replace) {}
  ~StagedOutputs();
  StagedOutputs(const StagedOutputs&) = delete;
  StagedOutputs& operator=(const StagedOutputs&) = delete;

  // The finished file at from (a work file, which is moved or copied) is to become
  // target, with the last-write time *time when time is not null. false with the
  // reason in error.
  bool AddFile(const std::string& from, const std::string& target, const FileTime* time, std::string* error);
  // length bytes of data are to become target.
  bool AddBytes(const char* data, std::size_t length, const std::string& target, std::string* error);
  // Renames every staged file to its target, in the order added. false with the reason
  // at the first that fails; the rest are then removed.
  bool PlaceAll(std::string* error);

 private:
  struct Staged {
    std::string temp;
    std::string target;
  };
  std::vector<Staged> staged_;
  bool replace_;
};
