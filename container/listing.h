// The listing of a container without its passphrase: header version, summary and, per
// file, its stored name, the size of its stored (compressed) image and its time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "container/format.h"

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
