// The listing of a container: what it tells without its passphrase.
#include "container/listing.h"

#include <utility>

#include "container/result.h"
#include "container/streams.h"
#include "platform/bytes.h"
#include "platform/fileio.h"

std::uint32_t ContainerList(const char* path, ContainerListing* listing) {
  *listing = ContainerListing{};
  std::uint32_t r = ContainerReadInfo(path, &listing->info);
  if (r != RESULT_OK) return r;
  FileHandle file = FileOpen(path, "rb");
  if (!file) return RESULT_CANNOT_OPEN;
  char version[CONTAINER_VERSION_SIZE];
  r = ContainerReadHeader(file.get(), version);
  if (r != RESULT_OK) return r;
  listing->version.assign(version, CONTAINER_VERSION_SIZE);
  if (listing->info.version_class != VERSION_CURRENT) return RESULT_OK;

  ContainerWalk walk;
  r = ContainerWalkBegin(&walk, file.get());
  std::uint32_t algorithm = 1;
  while (r == RESULT_OK) {
    r = ContainerWalkNext(&walk);
    if (r == WALK_END) return RESULT_OK;
    if (r != WALK_CHUNK) return r;
    r = ContainerCheckChunkLength(walk.kind, walk.length);
    if (r != RESULT_OK) return r;
    if (walk.kind == CHUNK_ALGO) {
      std::uint8_t bytes[ALGO_DATA_MAX] = {};
      r = ContainerWalkRead(&walk, bytes, walk.length);
      algorithm = LoadLe32(bytes);
    } else if (walk.kind == CHUNK_FILE) {
      char name[QLX_PATH_SIZE];
      std::uint32_t name_length = 0;
      std::uint8_t time[FILE_TIME_SIZE];
      r = ContainerReadFileName(&walk, name, &name_length);
      if (r == RESULT_OK) r = ContainerWalkRead(&walk, time, sizeof time);
      if (r != RESULT_OK) return r;
      const std::uint64_t stream = walk.length - name_length - 1 - FILE_TIME_SIZE - DIGEST_SIZE;
      const std::uint64_t head = CipherStreamOverhead(algorithm);
      ContainerListedFile item;
      item.name = name;
      item.stored_size = stream > head ? stream - head : 0;
      item.time = ContainerLoadFileTime(time);
      listing->files.push_back(std::move(item));
    }
  }
  return r;
}

std::uint64_t ContainerStoredBytes(const char* path) {
  ContainerListing listing;
  if (ContainerList(path, &listing) != RESULT_OK) return 0;
  std::uint64_t total = 0;
  for (const ContainerListedFile& file : listing.files) total += file.stored_size;
  return total;
}
