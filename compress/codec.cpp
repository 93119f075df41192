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
  std::uint8_t record[RECORD_MAX];
  char source_stream[kStreamBufferSize];
  char destination_stream[kStreamBufferSize];
};

// The working area of DecompressFile: one piece of the source, the record decoder and
// the two stream buffers.
constexpr std::size_t kDecompressPiece = 16 * 1024;
struct DecompressArea {
  std::uint8_t piece[kDecompressPiece];
  RecordDecoder decoder;
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

// Restores one whole record through the sink.
int RestoreRecord(RecordDecoder* decoder, std::uint8_t kind, const std::uint8_t* data, std::uint32_t length,
                  RecordSink sink, void* context) {
  if (kind != RECORD_COMPRESSED) return sink(context, data, length, 0) ? RECORDS_OK : RECORDS_STOPPED;
  std::uint32_t restored = 0;
  if (!Lzrw1Decompress(data, length, decoder->block, &restored)) return RECORDS_FORMAT_ERROR;
  return sink(context, decoder->block, restored, length) ? RECORDS_OK : RECORDS_STOPPED;
}

// DecompressFile's sink: each compressed record's stored length is reported, then the
// restored bytes are written.
struct FileSink {
  std::FILE* destination;
  bool cancelled;
  bool write_failed;
};

bool WriteRestored(void* context, const std::uint8_t* bytes, std::uint32_t size, std::uint32_t reported) {
  auto* sink = static_cast<FileSink*>(context);
  if (reported != 0 && !ProgressCodec(reported)) {
    sink->cancelled = true;
    return false;
  }
  if (!FileWriteAll(sink->destination, bytes, size)) {
    sink->write_failed = true;
    return false;
  }
  return true;
}

}  // namespace

std::uint32_t CompressRecord(const std::uint8_t* block, std::uint32_t size, std::uint8_t* record,
                             std::uint32_t* reported) {
  std::uint32_t length = size;
  if (size >= RECORD_COMPRESS_MIN) {
    Lzrw1Compress(block, size, record + RECORD_HEADER_SIZE, &length);
    StoreRecordHeader(record, RECORD_COMPRESSED, length);
    *reported = size;
  } else {
    StoreRecordHeader(record, RECORD_STORED, size);
    std::memcpy(record + RECORD_HEADER_SIZE, block, size);
    *reported = 0;
  }
  return RECORD_HEADER_SIZE + length;
}

void RecordDecoderBegin(RecordDecoder* decoder) { decoder->have = 0; }

int RecordDecoderFeed(RecordDecoder* decoder, const std::uint8_t* data, std::size_t size, RecordSink sink,
                      void* context) {
  while (size != 0) {
    if (decoder->have == 0 && size >= RECORD_HEADER_SIZE) {  // a whole record in this piece: no copy
      const std::uint32_t length = LoadLe16(data + 1);
      if (length > RECORD_DATA_MAX) return RECORDS_FORMAT_ERROR;
      if (size >= RECORD_HEADER_SIZE + length) {
        const int r = RestoreRecord(decoder, data[0], data + RECORD_HEADER_SIZE, length, sink, context);
        if (r != RECORDS_OK) return r;
        data += RECORD_HEADER_SIZE + length;
        size -= RECORD_HEADER_SIZE + length;
        continue;
      }
    }
    // A record that continues in the next piece: gathered.
    std::uint32_t need = RECORD_HEADER_SIZE;
    if (decoder->have >= RECORD_HEADER_SIZE) need += LoadLe16(decoder->record + 1);
    const std::size_t take = size < need - decoder->have ? size : need - decoder->have;
    std::memcpy(decoder->record + decoder->have, data, take);
    decoder->have += static_cast<std::uint32_t>(take);
    data += take;
    size -= take;
    if (decoder->have == RECORD_HEADER_SIZE) {
      const std::uint32_t length = LoadLe16(decoder->record + 1);
      if (length > RECORD_DATA_MAX) return RECORDS_FORMAT_ERROR;
      if (length != 0) continue;
    }
    if (decoder->have < RECORD_HEADER_SIZE || decoder->have < RECORD_HEADER_SIZE + LoadLe16(decoder->record + 1))
      continue;
    decoder->have = 0;
    const int r = RestoreRecord(decoder, decoder->record[0], decoder->record + RECORD_HEADER_SIZE,
                                LoadLe16(decoder->record + 1), sink, context);
    if (r != RECORDS_OK) return r;
  }
  return RECORDS_OK;
}

int RecordDecoderEnd(RecordDecoder* decoder) {
  const bool between_records = decoder->have == 0;
  SecureWipe(decoder, sizeof *decoder);
  return between_records ? RECORDS_OK : RECORDS_FORMAT_ERROR;
}

void CodecShowFailure(bool compressing, CodecFailure failure, const char* path) {
  const CodecTexts& texts = compressing ? kCompressTexts : kDecompressTexts;
  switch (failure) {
    case CODEC_OPEN_SOURCE: ShowPathError(texts.open_source, path); break;
    case CODEC_OPEN_DESTINATION: ShowPathError(texts.open_destination, path); break;
    case CODEC_READ_SOURCE: ShowPathError(texts.read_source, path); break;
    case CODEC_WRITE_DESTINATION: ShowPathError(texts.write_destination, path); break;
    case CODEC_FORMAT: ErrorBox(MainWindowHandle(), kFormatError); break;
    case CODEC_NO_MEMORY: ErrorBox(MainWindowHandle(), texts.no_memory); break;
  }
}

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
    std::uint32_t reported = 0;
    const std::uint32_t length = CompressRecord(buffers.block, static_cast<std::uint32_t>(count), buffers.record,
                                                &reported);
    if (reported != 0 && !ProgressCodec(reported)) return files.Cancelled();
    if (!FileWriteAll(files.destination.get(), buffers.record, length)) return files.WriteFailed();
    std::memset(buffers.block, 0, sizeof buffers.block);
    std::memset(buffers.record, 0, length);
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
  FileSink sink{files.destination.get(), false, false};
  RecordDecoderBegin(&buffers.decoder);
  for (;;) {
    const std::size_t got = std::fread(buffers.piece, 1, sizeof buffers.piece, source);
    if (got < sizeof buffers.piece && std::ferror(source)) return files.ReadFailed();
    if (got == 0) break;
    const int r = RecordDecoderFeed(&buffers.decoder, buffers.piece, got, WriteRestored, &sink);
    if (sink.cancelled) return files.Cancelled();
    if (sink.write_failed) return files.WriteFailed();
    if (r != RECORDS_OK) return files.FormatError();
  }
  if (RecordDecoderEnd(&buffers.decoder) != RECORDS_OK) return files.FormatError();  // the end falls in a record

  files.source.reset();
  if (!FileClose(files.destination)) return files.WriteFailed();
  return 1;
}
