// Container header, chunk framing, summary reader and the shared chunk walk.
#include "container/format.h"

#include <cstring>

#include "container/result.h"
#include "platform/bytes.h"
#include "platform/fileio.h"
#include "platform/msgbox.h"

namespace {

constexpr std::uint32_t Tag(const char (&tag)[5]) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(tag[0])) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(tag[1])) << 8) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(tag[2])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(tag[3])) << 24);
}

// Kinds in the order a type field is tested, each with its tag read as a
// little-endian number.
struct KindTag {
  std::uint32_t kind;
  std::uint32_t tag;
};

#ifdef QLX_EXTRACTOR_READER
// The self-extractor's reading: chunk kinds by number only (a tag is an unknown kind,
// skipped), and containers from 4.07 on (older ones are refused as too old).
constexpr bool kReadTagKinds = false;
constexpr char kOldestReadVersion[] = "4.07";
#else
constexpr bool kReadTagKinds = true;
constexpr char kOldestReadVersion[] = "2.41";
#endif

constexpr KindTag kKindTags[] = {
    {CHUNK_KHKY, Tag("KHKY")}, {CHUNK_KHSH, Tag("KHSH")}, {CHUNK_KRCV, Tag("KRCV")},
    {CHUNK_HDRS, Tag("HDRS")}, {CHUNK_ALGO, Tag("ALGO")}, {CHUNK_TEXT, Tag("TEXT")},
    {CHUNK_FILE, Tag("FILE")}, {CHUNK_KRID, Tag("KRID")}, {CHUNK_KNEP, Tag("KNEP")},
    {CHUNK_KHHK, Tag("KHHK")},
};

// Reads a 4-byte field that the file's size says is there: 1 with the value, 0xF005
// when fewer bytes arrive (the read failed).
std::uint32_t ReadField(std::FILE* file, std::uint32_t* value) {
  std::uint8_t bytes[4];
  if (std::fread(bytes, 1, sizeof bytes, file) != sizeof bytes) return RESULT_WRONG_FORMAT;
  *value = LoadLe32(bytes);
  return 1;
}

}  // namespace

FileTime ContainerLoadFileTime(const std::uint8_t bytes[FILE_TIME_SIZE]) {
  return FileTime{LoadLe32(bytes), LoadLe32(bytes + 4)};
}

void ContainerStoreFileTime(const FileTime& time, std::uint8_t bytes[FILE_TIME_SIZE]) {
  StoreLe32(bytes, time.low);
  StoreLe32(bytes + 4, time.high);
}

bool ContainerWriteChunkHeader(std::FILE* file, std::uint32_t length, std::uint32_t type) {
  std::uint8_t header[CHUNK_HEADER_SIZE];
  StoreLe32(header, length);
  StoreLe32(header + 4, type);
  return std::fwrite(header, 1, sizeof header, file) == sizeof header;
}

bool ContainerWriteChunk(std::FILE* file, std::uint32_t length, std::uint32_t type, const void* data) {
  if (!ContainerWriteChunkHeader(file, length, type)) return false;
  if (length == 0) return true;
  return data != nullptr && std::fwrite(data, 1, length, file) == length;
}

std::uint32_t ContainerChunkKind(std::uint32_t type_field) {
  for (const KindTag& entry : kKindTags)
    if (type_field == entry.kind || (kReadTagKinds && type_field == entry.tag)) return entry.kind;
  return CHUNK_UNKNOWN;
}

std::uint32_t ContainerVersionClass(const char version[4]) {
  if (std::memcmp(version, kOldestReadVersion, 4) < 0) return VERSION_BEFORE_241;
  if (std::memcmp(version, "2.46", 4) <= 0) return VERSION_241_246;
  if (std::memcmp(version, "3.10", 4) < 0) return VERSION_247_309;
  if (std::memcmp(version, "4.00", 4) < 0) return VERSION_310_399;
  return VERSION_CURRENT;
}

std::uint32_t ContainerReadHeader(std::FILE* file, char version[4]) {
  char signature[CONTAINER_SIGNATURE_SIZE];
  if (std::fread(signature, 1, sizeof signature, file) != sizeof signature ||
      std::memcmp(signature, CONTAINER_SIGNATURE, CONTAINER_SIGNATURE_SIZE) != 0)
    return RESULT_WRONG_FORMAT;
  if (std::fread(version, 1, CONTAINER_VERSION_SIZE, file) != CONTAINER_VERSION_SIZE)
    return RESULT_WRONG_FORMAT;
  return RESULT_OK;
}

std::uint32_t ContainerWalkBegin(ContainerWalk* walk, std::FILE* file) {
  *walk = ContainerWalk{};
  walk->file = file;
  const std::int64_t size = FileSize(file);
  if (size < static_cast<std::int64_t>(CONTAINER_HEADER_SIZE)) return RESULT_WRONG_FORMAT;
  walk->file_size = static_cast<std::uint64_t>(size);
  walk->next = CONTAINER_HEADER_SIZE;
  return RESULT_OK;
}

std::uint32_t ContainerWalkNext(ContainerWalk* walk) {
  walk->length = walk->type = walk->kind = 0;
  // The end is decided by the size, not by a short read, so that a read that fails is
  // never taken for the end of the container.
  const std::uint64_t left = walk->file_size - walk->next;  // next never passes the size
  if (left == 0) return WALK_END;                 // no length byte left
  if (left < 4) return RESULT_WRONG_FORMAT;       // length cut short
  if (left == 4) return WALK_END;                 // a length with no type byte after it
  if (left < CHUNK_HEADER_SIZE) return RESULT_WRONG_FORMAT;  // type cut short
  if (!FileSeek(walk->file, walk->next)) return RESULT_WRONG_FORMAT;
  std::uint32_t length = 0;
  std::uint32_t type = 0;
  if (ReadField(walk->file, &length) != 1 || ReadField(walk->file, &type) != 1) return RESULT_WRONG_FORMAT;
  const std::uint64_t data_start = walk->next + CHUNK_HEADER_SIZE;
  const std::uint64_t end = data_start + length;  // cannot wrap: both terms are far below 2^63
  if (end > walk->file_size) return RESULT_WRONG_FORMAT;
  walk->data_start = data_start;
  walk->next = end;
  walk->length = length;
  walk->type = type;
  walk->kind = ContainerChunkKind(type);
  return WALK_CHUNK;
}

std::uint32_t ContainerWalkRead(ContainerWalk* walk, void* buffer, std::uint32_t size) {
  const std::int64_t position = FileTell(walk->file);
  if (position < 0 || static_cast<std::uint64_t>(position) < walk->data_start ||
      static_cast<std::uint64_t>(position) + size > walk->data_start + walk->length)
    return RESULT_WRONG_FORMAT;
  if (size != 0 && std::fread(buffer, 1, size, walk->file) != size) return RESULT_WRONG_FORMAT;
  return RESULT_OK;
}

std::uint32_t ContainerCheckChunkLength(std::uint32_t kind, std::uint32_t length) {
  bool fits = true;
  switch (kind) {
    case CHUNK_KHKY: fits = length == 8 || length == 16; break;
    case CHUNK_KHSH:
    case CHUNK_KHHK: fits = length == DIGEST_SIZE; break;
    case CHUNK_ALGO: fits = length <= ALGO_DATA_MAX; break;
    case CHUNK_HDRS:
    case CHUNK_TEXT: fits = length >= DIGEST_SIZE; break;
    case CHUNK_FILE: fits = length >= 1 + FILE_TIME_SIZE + DIGEST_SIZE; break;
    default: break;
  }
  return fits ? RESULT_OK : RESULT_WRONG_FORMAT;
}

std::uint32_t ContainerReadFileName(ContainerWalk* walk, char name[QLX_PATH_SIZE],
                                    std::uint32_t* name_length) {
  std::memset(name, 0, QLX_PATH_SIZE);
  *name_length = 0;
  const std::uint32_t window = walk->length < QLX_PATH_SIZE ? walk->length : QLX_PATH_SIZE;
  if (!FileSeek(walk->file, walk->data_start)) return RESULT_WRONG_FORMAT;
  std::uint32_t r = ContainerWalkRead(walk, name, window);
  if (r != RESULT_OK) return r;
  const void* zero = std::memchr(name, '\0', window);
  if (zero == nullptr) {
    std::memset(name, 0, QLX_PATH_SIZE);
    return RESULT_WRONG_FORMAT;
  }
  const std::uint32_t n = static_cast<std::uint32_t>(static_cast<const char*>(zero) - name);
  std::memset(name + n, 0, QLX_PATH_SIZE - n);
  if (static_cast<std::uint64_t>(n) + 1 + FILE_TIME_SIZE + DIGEST_SIZE > walk->length)
    return RESULT_WRONG_FORMAT;
  if (!FileSeek(walk->file, walk->data_start + n + 1)) return RESULT_WRONG_FORMAT;
  *name_length = n;
  return RESULT_OK;
}

std::uint32_t ContainerReadInfo(const char* path, ContainerInfo* info) {
  *info = ContainerInfo{};
  FileHandle file = FileOpen(path, "rb");
  if (!file) return RESULT_CANNOT_OPEN;

  char version[CONTAINER_VERSION_SIZE];
  std::uint32_t r = ContainerReadHeader(file.get(), version);
  if (r != RESULT_OK) return r;
  info->version_class = ContainerVersionClass(version);
  switch (info->version_class) {
    case VERSION_BEFORE_241: return RESULT_OLD_VERSION;
    case VERSION_241_246: info->file_count = 1; return RESULT_OK;
    case VERSION_247_309:
    case VERSION_310_399: return RESULT_OK;
    default: break;
  }

  ContainerWalk walk;
  r = ContainerWalkBegin(&walk, file.get());
  if (r != RESULT_OK) return r;
  std::uint64_t key_bytes = 0;  // key-chunk data so far, for the HDRS limit
  for (;;) {
    r = ContainerWalkNext(&walk);
    if (r == WALK_END) return RESULT_OK;
    if (r != WALK_CHUNK) return r;
    r = ContainerCheckChunkLength(walk.kind, walk.length);
    if (r != RESULT_OK) return r;
    if (HeaderDigestTakes(walk.kind)) key_bytes += walk.length;
    switch (walk.kind) {
      case CHUNK_KHKY:
        info->key_length = walk.length;
        break;
      case CHUNK_ALGO: {
        std::uint8_t bytes[ALGO_DATA_MAX] = {};
        r = ContainerWalkRead(&walk, bytes, walk.length);
        if (r != RESULT_OK) return r;
        info->algorithm = LoadLe32(bytes);
        break;
      }
      case CHUNK_TEXT:
        info->text_length = walk.length - DIGEST_SIZE;
        break;
      case CHUNK_FILE: {
        char name[QLX_PATH_SIZE];
        std::uint32_t name_length = 0;
        r = ContainerReadFileName(&walk, name, &name_length);
        if (r != RESULT_OK) return r;
        ++info->file_count;
        break;
      }
      case CHUNK_HDRS:
        if (key_bytes > HEADER_DIGEST_BUFFER) return RESULT_WRONG_FORMAT;
        break;
      default:
        break;
    }
  }
}

int CountContainers(const FileEntry* entries, std::uint32_t count) {
  int containers = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    FileHandle file = FileOpen(entries[i].path, "rb");
    if (!file) {
      WarningBox(MainWindowHandle(), OperationErrorText(RESULT_CANNOT_OPEN, entries[i].path).c_str());
      return -1;
    }
    char signature[CONTAINER_SIGNATURE_SIZE];
    if (std::fread(signature, 1, sizeof signature, file.get()) == sizeof signature &&
        std::memcmp(signature, CONTAINER_SIGNATURE, CONTAINER_SIGNATURE_SIZE) == 0)
      ++containers;
  }
  return containers;
}

void HeaderDigestReset(HeaderDigest* digest) {
  digest->used = 0;
  digest->overflowed = false;
}

std::uint8_t* HeaderDigestReserve(HeaderDigest* digest, std::uint32_t length) {
  if (digest->overflowed || length > HEADER_DIGEST_BUFFER - digest->used) {
    digest->overflowed = true;
    return nullptr;
  }
  std::uint8_t* room = digest->data + digest->used;
  digest->used += length;
  return room;
}

bool HeaderDigestTakes(std::uint32_t kind) {
  return kind == CHUNK_KHKY || kind == CHUNK_KHSH || kind == CHUNK_KRCV || kind == CHUNK_ALGO;
}
