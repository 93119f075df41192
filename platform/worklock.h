// The operations' work files carry fixed names in the temporary folder, and the main
// program and any self-extractor of the same user share that folder: two operations at
// once would write into each other's work files. A lock on the folder keeps them apart.
#pragma once

#include <cstdint>

// Taken on the folder (with or without its trailing separator) for as long as the object
// lives. busy() is true only when another operation holds it, in another program or on
// another thread; the operation must then leave the work files alone. Where no lock can
// be made at all (the folder is missing, say) it is not busy: the work files' own
// failures then speak.
class WorkFilesLock {
 public:
  explicit WorkFilesLock(const char* folder);
  ~WorkFilesLock();
  WorkFilesLock(const WorkFilesLock&) = delete;
  WorkFilesLock& operator=(const WorkFilesLock&) = delete;
  bool busy() const { return busy_; }

 private:
  std::intptr_t handle_ = -1;  // a mutex's handle on Windows, a descriptor on POSIX
  bool held_ = false;
  bool busy_ = false;
};
