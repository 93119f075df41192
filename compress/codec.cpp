// CompressFile and DecompressFile: the record format over buffered files (see codec.h).
#include "compress/codec.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "container/progress.h"
#include "container/types.h"
#include "platform/fileio.h"
#include "platform/msgbox.h"
#include "platform/wipe.h"

namespace {

// Texts shown to the user. The French one is in the Windows-1252 code page, as every
// text of the program ("compressé erroné").
constexpr char kOpenToCompress[] = "Unable to open\n%s\n to compress";
constexpr char kOpenToReceiveCompression[] = "Unable to open\n%s\n to receive compression";
constexpr char kReadToCompress[] = "Unable to read\n%s\n to compress";
constexpr char kWriteToReceiveCompression[] = "Unable to write\n%s\n to receive compression";
constexpr char kOpenToDecompress[] = "Unable to open\n%s\n to decompress";
constexpr char kOpenToReceiveDecompression[] = "Unable to open\n%s\n to receive decompression";
constexpr char kReadToDecompress[] = "Unable to read\n%s\n to decompress";
constexpr char kWriteToReceiveDecompression[] = "Unable to write\n%s\n to receive decompression";
constexpr char kFormatError[] = "Format du fichier compress\xE9 erron\xE9";
constexpr char kNoMemoryToCompress[] = "Memory allocation problem\nwith compression";
constexpr char kNoMemoryToDecompress[] = "Memory allocation problem\nwith decompression";

// Shows an error box, owned by the main window, with path put into format's "%s".
void ShowPathError(const char* format, const char* path) {
  char text[QLX_PATH_SIZE + 64];
  std::snprintf(text, sizeof text, format, path ? path : "");
  ErrorBox(MainWindowHandle(), text);
}

// Both files are read and written through stream buffers of this size, which belong to
// the working area so that what passed through them is wiped with it.
constexpr std::size_t kStreamBufferSize = 64 * 1024;

// The working area of CompressFile: one read of the source, one whole record (header
// and LZRW1 block) and the two stream buffers.
struct CompressArea {
  std::uint8_t block[LZRW1_BLOCK_MAX];
  std::uint8_t record[RECORD_HEADER_SIZE + RECORD_DATA_MAX];
  char source_stream[kStreamBufferSize];
  char destination_stream[kStreamBufferSize];
};

// The working area of DecompressFile: one record's data, one restored block and the
// two stream buffers.
struct DecompressArea {
  std::uint8_t data[RECORD_DATA_MAX];
  std::uint8_t block[LZRW1_BLOCK_MAX];
  char source_stream[kStreamBufferSize];
  char destination_stream[kStreamBufferSize];
};

// Owns a working area on the heap; wipes it before freeing it. An area must outlive
// the streams that use its buffers: declare it before their FileHandles.
template <typename Area>
struct WipeAndDelete {
  void operator()(Area* area) const {
    SecureWipe(area, sizeof *area);
    delete area;
  }
};
template <typename Area>
using AreaHandle = std::unique_ptr<Area, WipeAndDelete<Area>>;

// A zeroed area, or an empty handle when there is no memory for it.
template <typename Area>
AreaHandle<Area> NewArea() {
  return AreaHandle<Area>(new (std::nothrow) Area{});
}

void StoreRecordHeader(std::uint8_t* at, std::uint8_t kind, std::uint32_t length) {
  at[0] = kind;
  at[1] = static_cast<std::uint8_t>(length);
  at[2] = static_cast<std::uint8_t>(length >> 8);
}

bool WriteAll(std::FILE* file, const void* data, std::size_t size) {
  return size == 0 || std::fwrite(data, 1, size, file) == size;
}

}  // namespace

int CompressFile(const char* source_path, const char* destination_path, std::uint64_t* compressed_size) {
  *compressed_size = 0;
  AreaHandle<CompressArea> area;  // outlives the streams, which use its buffers
  FileHandle source = FileOpen(source_path, "rb");
  if (!source) {
    ShowPathError(kOpenToCompress, source_path);
    return 0;
  }
  FileHandle destination = FileOpen(destination_path, "wb");
  if (!destination) {
    source.reset();
    ShowPathError(kOpenToReceiveCompression, destination_path);
    return 0;
  }
  // Both files are closed before any failure is shown.
  auto fail = [&](const char* format, const char* path) {
    source.reset();
    destination.reset();
    ShowPathError(format, path);
    return 0;
  };

  area = NewArea<CompressArea>();
  if (!area) {
    source.reset();
    destination.reset();
    ErrorBox(MainWindowHandle(), kNoMemoryToCompress);
    return 0;
  }
  std::setvbuf(source.get(), area->source_stream, _IOFBF, sizeof area->source_stream);
  std::setvbuf(destination.get(), area->destination_stream, _IOFBF, sizeof area->destination_stream);

  CompressArea& buffers = *area;
  for (;;) {
    const std::size_t count = std::fread(buffers.block, 1, LZRW1_BLOCK_MAX, source.get());
    if (count < LZRW1_BLOCK_MAX && std::ferror(source.get())) return fail(kReadToCompress, source_path);
    if (count == 0) break;
    const std::uint32_t n = static_cast<std::uint32_t>(count);
    std::uint32_t length = n;
    if (n >= RECORD_COMPRESS_MIN) {
      Lzrw1Compress(buffers.block, n, buffers.record + RECORD_HEADER_SIZE, &length);
      StoreRecordHeader(buffers.record, RECORD_COMPRESSED, length);
      ProgressCodec(n);
    } else {
      StoreRecordHeader(buffers.record, RECORD_STORED, n);
      std::memcpy(buffers.record + RECORD_HEADER_SIZE, buffers.block, n);
    }
    if (!WriteAll(destination.get(), buffers.record, RECORD_HEADER_SIZE + length))
      return fail(kWriteToReceiveCompression, destination_path);
    std::memset(buffers.block, 0, sizeof buffers.block);
    std::memset(buffers.record, 0, RECORD_HEADER_SIZE + length);
  }

  source.reset();
  const std::int64_t size = FileSize(destination.get());  // flushes what is buffered
  if (size < 0 || !FileClose(destination)) return fail(kWriteToReceiveCompression, destination_path);
  *compressed_size = static_cast<std::uint64_t>(size);
  return 1;
}

int DecompressFile(const char* source_path, const char* destination_path) {
  AreaHandle<DecompressArea> area;  // outlives the streams, which use its buffers
  FileHandle source = FileOpen(source_path, "rb");
  if (!source) {
    ShowPathError(kOpenToDecompress, source_path);
    return 0;
  }
  FileHandle destination = FileOpen(destination_path, "wb");
  if (!destination) {
    source.reset();
    ShowPathError(kOpenToReceiveDecompression, destination_path);
    return 0;
  }
  auto fail = [&](const char* format, const char* path) {
    source.reset();
    destination.reset();
    ShowPathError(format, path);
    return 0;
  };
  auto format_error = [&]() {
    source.reset();
    destination.reset();
    ErrorBox(MainWindowHandle(), kFormatError);
    return 0;
  };

  area = NewArea<DecompressArea>();
  if (!area) {
    source.reset();
    destination.reset();
    ErrorBox(MainWindowHandle(), kNoMemoryToDecompress);
    return 0;
  }
  std::setvbuf(source.get(), area->source_stream, _IOFBF, sizeof area->source_stream);
  std::setvbuf(destination.get(), area->destination_stream, _IOFBF, sizeof area->destination_stream);

  DecompressArea& buffers = *area;
  for (;;) {
    std::uint8_t header[RECORD_HEADER_SIZE];
    const std::size_t got = std::fread(header, 1, sizeof header, source.get());
    if (got < sizeof header && std::ferror(source.get())) return fail(kReadToDecompress, source_path);
    if (got == 0) break;  // a clean end, between records
    if (got < sizeof header) return format_error();  // the length is missing
    const std::uint32_t length = header[1] | (static_cast<std::uint32_t>(header[2]) << 8);
    if (length > RECORD_DATA_MAX) return format_error();
    if (length != 0 && std::fread(buffers.data, 1, length, source.get()) != length) {
      if (std::ferror(source.get())) return fail(kReadToDecompress, source_path);
      return format_error();  // the record is cut short
    }
    if (header[0] == RECORD_COMPRESSED) {
      std::uint32_t restored = 0;
      if (!Lzrw1Decompress(buffers.data, length, buffers.block, &restored)) return format_error();
      ProgressCodec(length);
      if (!WriteAll(destination.get(), buffers.block, restored))
        return fail(kWriteToReceiveDecompression, destination_path);
    } else if (!WriteAll(destination.get(), buffers.data, length)) {
      return fail(kWriteToReceiveDecompression, destination_path);
    }
    std::memset(buffers.data, 0, length);
    std::memset(buffers.block, 0, sizeof buffers.block);
  }

  source.reset();
  if (!FileClose(destination)) return fail(kWriteToReceiveDecompression, destination_path);
  return 1;
}
