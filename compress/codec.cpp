// CompressFile and DecompressFile: the record format over buffered files (see codec.h).
#include "compress/codec.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "base/progress.h"
#include "base/types.h"
#include "platform/bytes.h"
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
  StoreLe16(at + 1, static_cast<std::uint16_t>(length));
}

// The texts that one of the two functions shows for each failure.
struct CodecTexts {
  const char* open_source;
  const char* open_destination;
  const char* read_source;
  const char* write_destination;
  const char* no_memory;
};
constexpr CodecTexts kCompressTexts{kOpenToCompress, kOpenToReceiveCompression, kReadToCompress,
                                    kWriteToReceiveCompression, kNoMemoryToCompress};
constexpr CodecTexts kDecompressTexts{kOpenToDecompress, kOpenToReceiveDecompression, kReadToDecompress,
                                      kWriteToReceiveDecompression, kNoMemoryToDecompress};

// The files of one call with their working area. Every failure closes both files
// before its message is shown, and answers 0.
template <typename Area>
struct CodecFiles {
  const CodecTexts& texts;
  const char* source_path;
  const char* destination_path;
  AreaHandle<Area> area;  // declared before the streams, which use its buffers
  FileHandle source;
  FileHandle destination;

  int Close() {
    source.reset();
    destination.reset();
    return 0;
  }
  int ReadFailed() {
    Close();
    ShowPathError(texts.read_source, source_path);
    return 0;
  }
  int WriteFailed() {
    Close();
    ShowPathError(texts.write_destination, destination_path);
    return 0;
  }
  int FormatError() {
    Close();
    ErrorBox(MainWindowHandle(), kFormatError);
    return 0;
  }
  // The progress receiver answered "cancel": no message, the caller removes the rest.
  int Cancelled() { return Close(); }
};

// The one open sequence of both functions: the source, then the destination, then the
// working area whose buffers the two streams use. false after the failure was shown.
template <typename Area>
bool CodecOpen(CodecFiles<Area>& files) {
  files.source = FileOpen(files.source_path, "rb");
  if (!files.source) {
    ShowPathError(files.texts.open_source, files.source_path);
    return false;
  }
  files.destination = FileCreatePrivate(files.destination_path);
  if (!files.destination) {
    files.Close();
    ShowPathError(files.texts.open_destination, files.destination_path);
    return false;
  }
  files.area = NewArea<Area>();
  if (!files.area) {
    files.Close();
    ErrorBox(MainWindowHandle(), files.texts.no_memory);
    return false;
  }
  std::setvbuf(files.source.get(), files.area->source_stream, _IOFBF, sizeof files.area->source_stream);
  std::setvbuf(files.destination.get(), files.area->destination_stream, _IOFBF,
               sizeof files.area->destination_stream);
  return true;
}

}  // namespace

int CompressFile(const char* source_path, const char* destination_path, std::uint64_t* compressed_size) {
  *compressed_size = 0;
  CodecFiles<CompressArea> files{kCompressTexts, source_path, destination_path, {}, {}, {}};
  if (!CodecOpen(files)) return 0;
  std::FILE* source = files.source.get();
  CompressArea& buffers = *files.area;
  for (;;) {
    const std::size_t count = std::fread(buffers.block, 1, LZRW1_BLOCK_MAX, source);
    if (count < LZRW1_BLOCK_MAX && std::ferror(source)) return files.ReadFailed();
    if (count == 0) break;
    const std::uint32_t n = static_cast<std::uint32_t>(count);
    std::uint32_t length = n;
    if (n >= RECORD_COMPRESS_MIN) {
      Lzrw1Compress(buffers.block, n, buffers.record + RECORD_HEADER_SIZE, &length);
      StoreRecordHeader(buffers.record, RECORD_COMPRESSED, length);
      if (!ProgressCodec(n)) return files.Cancelled();
    } else {
      StoreRecordHeader(buffers.record, RECORD_STORED, n);
      std::memcpy(buffers.record + RECORD_HEADER_SIZE, buffers.block, n);
    }
    if (!FileWriteAll(files.destination.get(), buffers.record, RECORD_HEADER_SIZE + length))
      return files.WriteFailed();
    std::memset(buffers.block, 0, sizeof buffers.block);
    std::memset(buffers.record, 0, RECORD_HEADER_SIZE + length);
  }

  files.source.reset();
  const std::int64_t size = FileSize(files.destination.get());  // flushes what is buffered
  if (size < 0 || !FileClose(files.destination)) return files.WriteFailed();
  *compressed_size = static_cast<std::uint64_t>(size);
  return 1;
}

int DecompressFile(const char* source_path, const char* destination_path) {
  CodecFiles<DecompressArea> files{kDecompressTexts, source_path, destination_path, {}, {}, {}};
  if (!CodecOpen(files)) return 0;
  std::FILE* source = files.source.get();
  DecompressArea& buffers = *files.area;
  for (;;) {
    std::uint8_t header[RECORD_HEADER_SIZE];
    const std::size_t got = std::fread(header, 1, sizeof header, source);
    if (got < sizeof header && std::ferror(source)) return files.ReadFailed();
    if (got == 0) break;                                    // a clean end, between records
    if (got < sizeof header) return files.FormatError();  // the length is missing
    const std::uint32_t length = LoadLe16(header + 1);
    if (length > RECORD_DATA_MAX) return files.FormatError();
    if (length != 0 && std::fread(buffers.data, 1, length, source) != length) {
      if (std::ferror(source)) return files.ReadFailed();
      return files.FormatError();  // the record is cut short
    }
    if (header[0] == RECORD_COMPRESSED) {
      std::uint32_t restored = 0;
      if (!Lzrw1Decompress(buffers.data, length, buffers.block, &restored)) return files.FormatError();
      if (!ProgressCodec(length)) return files.Cancelled();
      if (!FileWriteAll(files.destination.get(), buffers.block, restored)) return files.WriteFailed();
    } else if (!FileWriteAll(files.destination.get(), buffers.data, length)) {
      return files.WriteFailed();
    }
    std::memset(buffers.data, 0, length);
    std::memset(buffers.block, 0, sizeof buffers.block);
  }

  files.source.reset();
  if (!FileClose(files.destination)) return files.WriteFailed();
  return 1;
}
