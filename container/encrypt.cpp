// The encryption operation: a text and files become containers in the temporary
// folder, one for everything or one per item. Each file passes once: read, compressed,
// digested, encrypted and written a piece at a time, with no work file between.
//
// Every write is checked: a container that could not be written completely (a full
// disk, a failing read of a source) ends the operation with a failure code, and the
// containers it began are deleted, so that no caller ever takes a truncated container
// for a finished one.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "compress/codec.h"
#include "container/format.h"
#include "container/operation.h"
#include "container/pipeline.h"
#include "base/progress.h"
#include "container/result.h"
#include "container/streams.h"
#include "container/work_files.h"
#include "crypto/des.h"
#include "crypto/md5.h"
#include "platform/fileio.h"
#include "platform/paths.h"
#include "platform/tempdir.h"
#include "platform/version.h"
#include "platform/wipe.h"
#include "platform/worklock.h"

namespace {

constexpr std::uint64_t kChunkLengthMax = 0xFFFFFFFFu;

bool CopyPath(char (&field)[QLX_PATH_SIZE], const std::string& value) {
  if (value.size() >= QLX_PATH_SIZE) return false;
  std::memcpy(field, value.c_str(), value.size() + 1);
  return true;
}

// A result as it stands, or 0xF007 once the progress receiver has cancelled.
std::uint32_t UnlessCancelled(std::uint32_t result) {
  return ProgressCancelled() ? RESULT_STAGE_FAILED : result;
}

// Forgets any cancellation when the operation begins and when it ends.
struct CancelScope {
  CancelScope() { ProgressForgetCancel(); }
  ~CancelScope() { ProgressForgetCancel(); }
};

// The largest compressed image of a file of n bytes: every 1024-byte block may grow by
// its 3-byte record head and the 4-byte head of an uncompressed block.
std::uint64_t CompressedWorstCase(std::uint64_t n) { return n + 7 * ((n + 1023) / 1024); }

// Refuses, before anything is written, an item whose chunk length would not fit 32 bits.
std::uint32_t CheckSizes(const OperationRequest* request) {
  if (request->text != nullptr &&
      DIGEST_SIZE + static_cast<std::uint64_t>(std::strlen(request->text)) + 16 > kChunkLengthMax)
    return RESULT_TOO_LARGE;
  for (std::uint32_t i = 0; i < request->count; ++i) {
    const FileEntry& entry = request->entries[i];
    std::int64_t size = FileSizeAt(entry.path);
    if (size < 0) {
      FileHandle file = FileOpen(entry.path, "rb");
      if (!file) continue;  // the compressor will say it cannot open it
      // It opens, yet its size cannot be read: refused, never left unchecked.
      size = FileSize(file.get());
      if (size < 0) return RESULT_CANNOT_OPEN;
    }
    const std::uint64_t chunk = strnlen(entry.name, QLX_PATH_SIZE) + 1 + FILE_TIME_SIZE + DIGEST_SIZE +
                                CompressedWorstCase(static_cast<std::uint64_t>(size)) + 16;
    if (chunk > kChunkLengthMax) return RESULT_TOO_LARGE;
  }
  return RESULT_OK;
}

// The TEXT chunk: digest, then the text's cipher stream. The text goes through the work
// file "~~txt.vek", which is written and reopened before the chunk begins, so that a
// failure there leaves no partial chunk.
std::uint32_t TextToChunk(std::FILE* container, const char* text, const std::uint8_t* session_key,
                          std::uint32_t algorithm) {
  const std::uint32_t length = static_cast<std::uint32_t>(std::strlen(text));
  std::uint8_t digest[DIGEST_SIZE];
  Md5Buffer(text, length, digest);

  const std::string work = WorkFilePath(WORK_TEXT_FILE);
  {
    FileHandle out = FileCreatePrivate(work.c_str());
    if (!out) return RESULT_TEMP_FILE;
    const bool written = FileWriteAll(out.get(), text, length);
    if (!FileClose(out) || !written) {
      std::remove(work.c_str());
      return RESULT_TEMP_FILE;
    }
  }
  FileHandle in = FileOpen(work.c_str(), "rb");
  std::uint32_t result = RESULT_OK;
  if (!in) {
    result = RESULT_TEMP_FILE;
  } else if (!ContainerWriteChunkHeader(container, DIGEST_SIZE + length + CipherStreamOverhead(algorithm),
                                        CHUNK_TEXT) ||
             !FileWriteAll(container, digest, DIGEST_SIZE)) {
    result = RESULT_TEMP_FILE;
  } else {
    // "~~txt.vek" is a temporary file: failing to read it back or to write the
    // container is the same failure here.
    const int stream = CipherStreamEncrypt(in.get(), container, length, session_key, algorithm);
    if (stream != STREAM_OK) result = stream == STREAM_CANCELLED ? RESULT_STAGE_FAILED : RESULT_TEMP_FILE;
  }
  in.reset();
  std::remove(work.c_str());
  return result;
}

// The progress row a failed per-item encryption marks: the codec row when the
// compressor failed, the cipher row otherwise.
void MarkFailed(std::uint32_t result) {
  if (result == RESULT_STAGE_FAILED)
    ProgressCodec(PROGRESS_FAILED);
  else
    ProgressCipher(PROGRESS_FAILED);
}

// --- A file into its FILE chunk in one pass ----------------------------------------
// The file is read and compressed a piece at a time (on the worker thread when there is
// one); each piece of records is digested, encrypted and written to the container on
// the caller's thread, which sends every notification. The chunk's length and the
// digest come before the data: their bytes are reserved and written once the data is
// done.

constexpr std::size_t kSourcePiece = 64 * LZRW1_BLOCK_MAX;            // source bytes per buffer
constexpr std::size_t kRecordsPerPiece = kSourcePiece / LZRW1_BLOCK_MAX;
constexpr std::size_t kRecordsBytes = kRecordsPerPiece * RECORD_MAX;  // the most a piece can become

// The working area of one pass, wiped when it ends.
struct PassArea {
  std::uint8_t source[kSourcePiece];
  std::uint8_t out[kRecordsBytes + CIPHER_PIECES_SLACK];
};

struct FilePass {
  // The producer's (the worker thread's when there is one).
  std::FILE* source;
  PassArea* area;
  bool read_failed;
  // The consumer's (always the caller's thread).
  std::FILE* container;
  CipherPieces cipher;
  Md5Context md5;
  ProgressUnits digest_units;
  ProgressUnits cipher_units;  // the DES stream reports its chunks
  bool des;
  std::uint64_t compressed;
  std::uint64_t limit;  // the most compressed bytes the chunk's length can count
  std::uint32_t result;  // why the consumer stopped
};

// Reads a piece of the source and makes its records; the compressed blocks' counts
// are left as notes for the caller to report.
bool ProduceRecords(void* context, PipelineBuffer* buffer) {
  auto* pass = static_cast<FilePass*>(context);
  std::uint8_t* source = pass->area->source;
  const std::size_t got = std::fread(source, 1, kSourcePiece, pass->source);
  if (got < kSourcePiece && std::ferror(pass->source)) {
    pass->read_failed = true;
    return false;
  }
  for (std::size_t at = 0; at < got; at += LZRW1_BLOCK_MAX) {
    const std::size_t n = got - at < LZRW1_BLOCK_MAX ? got - at : LZRW1_BLOCK_MAX;
    std::uint32_t reported = 0;
    buffer->size += CompressRecord(source + at, static_cast<std::uint32_t>(n), buffer->bytes + buffer->size, &reported);
    if (reported != 0) buffer->notes[buffer->note_count++] = static_cast<std::uint16_t>(reported);
  }
  buffer->last = got < kSourcePiece;
  return true;
}

// Reports a piece's progress, digests and encrypts it and writes it to the container.
bool ConsumeRecords(void* context, PipelineBuffer* buffer) {
  auto* pass = static_cast<FilePass*>(context);
  const std::size_t size = buffer->size;
  pass->result = RESULT_STAGE_FAILED;  // the progress receiver cancelled
  for (std::size_t i = 0; i < buffer->note_count; ++i)
    if (!ProgressCodec(buffer->notes[i])) return false;
  pass->compressed += size;
  if (pass->compressed > pass->limit) {
    pass->result = RESULT_TOO_LARGE;  // the source grew since it was checked
    return false;
  }
  if (!ProgressUnitsAdd(&pass->digest_units, size)) return false;
  Md5Update(&pass->md5, buffer->bytes, static_cast<std::uint32_t>(size));
  if (pass->des && !ProgressUnitsAdd(&pass->cipher_units, size)) return false;
  const std::size_t n = CipherPiecesEncrypt(&pass->cipher, buffer->bytes, size, pass->area->out);
  if (!FileWriteAll(pass->container, pass->area->out, n)) {
    pass->result = RESULT_TEMP_FILE;
    return false;
  }
  pass->result = RESULT_OK;
  return true;
}

// Writes the chunk's length and digest into the bytes reserved for them.
bool PatchChunk(std::FILE* container, std::uint64_t chunk_at, std::uint32_t chunk_length, std::uint64_t digest_at,
                const std::uint8_t digest[DIGEST_SIZE]) {
  const std::uint64_t end = chunk_at + CHUNK_HEADER_SIZE + chunk_length;
  return FileSeek(container, chunk_at) && ContainerWriteChunkHeader(container, chunk_length, CHUNK_FILE) &&
         FileSeek(container, digest_at) && FileWriteAll(container, digest, DIGEST_SIZE) && FileSeek(container, end);
}

// The FILE chunk of one entry: name, time, digest of the compressed image and its
// cipher stream. entry.size becomes the compressed size. codec_done: send the codec
// row's PROGRESS_DONE once the file is compressed.
std::uint32_t FileToChunk(std::FILE* container, FileEntry* entry, const std::uint8_t* session_key,
                          std::uint32_t algorithm, bool codec_done) {
  FileHandle source = FileOpen(entry->path, "rb");
  if (!source) {
    CodecShowFailure(true, CODEC_OPEN_SOURCE, entry->path);
    return RESULT_STAGE_FAILED;
  }
  const std::int64_t source_size = FileSize(source.get());
  const std::uint64_t work = source_size >= 0 ? static_cast<std::uint64_t>(source_size) : entry->size;
  // The bars follow the file's own size: its compressed size is known only at the end.
  ProgressWorkSize(work > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(work));

  const std::uint32_t name_length = static_cast<std::uint32_t>(strnlen(entry->name, QLX_PATH_SIZE - 1));
  const std::uint32_t overhead = name_length + 1 + FILE_TIME_SIZE + DIGEST_SIZE + CipherStreamOverhead(algorithm);
  const std::int64_t chunk_at = FileTell(container);
  std::uint8_t time[FILE_TIME_SIZE];
  ContainerStoreFileTime(entry->time, time);
  const std::uint8_t reserved[DIGEST_SIZE] = {};
  if (chunk_at < 0 || !ContainerWriteChunkHeader(container, 0, CHUNK_FILE) ||
      !FileWriteAll(container, entry->name, name_length) || !FileWriteAll(container, "", 1) ||
      !FileWriteAll(container, time, sizeof time) || !FileWriteAll(container, reserved, DIGEST_SIZE))
    return RESULT_TEMP_FILE;
  const std::uint64_t digest_at = static_cast<std::uint64_t>(chunk_at) + CHUNK_HEADER_SIZE + name_length + 1 +
                                  FILE_TIME_SIZE;

  const WipedBlock<PassArea> area = NewWipedBlock<PassArea>();
  if (!area) {
    CodecShowFailure(true, CODEC_NO_MEMORY, nullptr);
    return RESULT_STAGE_FAILED;
  }
  FilePass pass{};
  pass.source = source.get();
  pass.area = area.get();
  pass.container = container;
  pass.des = algorithm == 1;
  pass.digest_units = ProgressUnits{ProgressDigest, 0};
  pass.cipher_units = ProgressUnits{ProgressCipher, 0};
  pass.limit = kChunkLengthMax - overhead;
  Md5Init(&pass.md5);
  const std::size_t head = CipherPiecesEncryptBegin(&pass.cipher, session_key, algorithm, area->out);
  std::uint32_t result = FileWriteAll(container, area->out, head) ? RESULT_OK : RESULT_TEMP_FILE;

  if (result == RESULT_OK) {
    const PipelineStages stages{&pass, ProduceRecords, ConsumeRecords, nullptr};
    switch (PipelineRun(stages, PIPELINE_WORKER_PRODUCES, PipelineThreads(work), kRecordsBytes, kRecordsPerPiece)) {
      case PIPELINE_DONE: break;
      case PIPELINE_NO_MEMORY:
        CodecShowFailure(true, CODEC_NO_MEMORY, nullptr);
        result = RESULT_STAGE_FAILED;
        break;
      case PIPELINE_STOPPED:
        if (pass.read_failed) CodecShowFailure(true, CODEC_READ_SOURCE, entry->path);
        result = pass.read_failed ? RESULT_STAGE_FAILED : pass.result;
        break;
    }
  }
  std::uint8_t digest[DIGEST_SIZE] = {};
  if (result == RESULT_OK &&
      (!ProgressUnitsEnd(&pass.digest_units) || (pass.des && !ProgressUnitsEnd(&pass.cipher_units))))
    result = RESULT_STAGE_FAILED;
  if (result == RESULT_OK) {
    const std::size_t last = CipherPiecesEncryptEnd(&pass.cipher, area->out);
    Md5Final(digest, &pass.md5);
    entry->size = static_cast<std::uint32_t>(pass.compressed);
    const std::uint32_t chunk_length = static_cast<std::uint32_t>(overhead + pass.compressed);
    if (!FileWriteAll(container, area->out, last) ||
        !PatchChunk(container, static_cast<std::uint64_t>(chunk_at), chunk_length, digest_at, digest))
      result = RESULT_TEMP_FILE;
  }
  CipherPiecesWipe(&pass.cipher);
  SecureWipe(&pass.md5, sizeof pass.md5);
  if (result != RESULT_OK) return result;
  if (codec_done && !ProgressCodec(PROGRESS_DONE)) return RESULT_STAGE_FAILED;
  ProgressDigest(PROGRESS_DONE);
  return UnlessCancelled(RESULT_OK);
}

// Closes a container: 1, or 0xF002 when its last bytes could not be written.
std::uint32_t CloseContainer(FileHandle& container) {
  return FileClose(container) ? RESULT_OK : RESULT_TEMP_FILE;
}

}  // namespace

std::uint32_t ContainerWriteHeader(std::FILE* container, const OperationRequest* request,
                                   std::uint8_t session_key[8], std::uint32_t* algorithm) {
  char version[CONTAINER_VERSION_SIZE] = {};
  const char* product = ProductVersion();
  std::memcpy(version, product, strnlen(product, CONTAINER_VERSION_SIZE));
  if (!FileWriteAll(container, CONTAINER_SIGNATURE, CONTAINER_SIGNATURE_SIZE) ||
      !FileWriteAll(container, version, sizeof version))
    return RESULT_TEMP_FILE;

  std::uint8_t wrapped[8];
  std::uint32_t wrapped_length = 0;
  SessionKeyCreate(request->passphrase ? request->passphrase : "", session_key, wrapped, &wrapped_length);
  std::uint8_t check[DIGEST_SIZE];
  std::uint32_t check_length = 0;
  SessionKeyCheck(session_key, check, &check_length);

  *algorithm = request->algorithm;
  const std::uint8_t algo_byte = static_cast<std::uint8_t>(request->algorithm);
  if (!ContainerWriteChunk(container, wrapped_length, CHUNK_KHKY, wrapped) ||
      !ContainerWriteChunk(container, check_length, CHUNK_KHHK, check) ||
      !ContainerWriteChunk(container, 1, CHUNK_ALGO, &algo_byte))
    return RESULT_TEMP_FILE;
  return RESULT_OK;
}

std::uint32_t EncryptOperation(OperationRequest* request) {
  if (request->count != 0 && request->entries == nullptr) return RESULT_INTERNAL;
  CancelScope scope;
  const std::uint32_t checked = CheckSizes(request);
  if (checked != RESULT_OK) {
    ProgressCipher(PROGRESS_FAILED);
    return checked;
  }
  // The work files and the containers are made under fixed names in the temporary
  // folder: while another operation uses them, this one leaves them alone.
  WorkFilesLock lock(TempFolder());
  if (lock.busy()) {
    ProgressCipher(PROGRESS_FAILED);
    return RESULT_TEMP_FILE;
  }
  return request->selector == SELECTOR_EACH ? EncryptEach(request) : EncryptIntoOne(request);
}

std::uint32_t EncryptIntoOne(OperationRequest* request) {
  const std::string path = WorkFilePath("multfile.vek");
  FileHandle container = FileCreatePrivate(path.c_str());
  if (!container) {
    ProgressCipher(PROGRESS_FAILED);
    return RESULT_TEMP_FILE;
  }
  DesScheduleAcquire();
  std::uint8_t session_key[8];
  std::uint32_t algorithm = 1;
  std::uint32_t result = ContainerWriteHeader(container.get(), request, session_key, &algorithm);
  if (result == RESULT_OK && request->text != nullptr)
    result = UnlessCancelled(TextToChunk(container.get(), request->text, session_key, algorithm));
  if (result == RESULT_OK && request->count == 0) {
    ProgressDigest(PROGRESS_DONE);
    ProgressCodec(PROGRESS_DONE);
  }
  for (std::uint32_t i = 0; result == RESULT_OK && i < request->count; ++i)
    result = FileToChunk(container.get(), &request->entries[i], session_key, algorithm, false);
  if (result == RESULT_OK) result = UnlessCancelled(CloseContainer(container));
  SecureWipe(session_key, sizeof session_key);
  DesScheduleRelease();

  FileEntry* out = result == RESULT_OK ? FileEntriesAllocate(1) : nullptr;
  if (result == RESULT_OK && (out == nullptr || !CopyPath(out[0].container, path))) result = RESULT_TEMP_FILE;
  if (result != RESULT_OK) {
    container.reset();
    std::remove(path.c_str());
    FileEntriesFree(out);
    ProgressCipher(PROGRESS_FAILED);
    return result;
  }
  ProgressCodec(PROGRESS_DONE);
  ProgressCipher(PROGRESS_DONE);
  std::strcpy(out[0].name, "multfile.vek");
  request->entries = out;
  request->count = 1;
  return RESULT_OK;
}

std::uint32_t EncryptEach(OperationRequest* request) {
  const std::uint32_t has_text = request->text != nullptr ? 1 : 0;
  const std::uint32_t total = request->count + has_text;
  FileEntry* out = FileEntriesAllocate(total);
  if (total != 0 && out == nullptr) {
    ProgressCipher(PROGRESS_FAILED);
    return RESULT_NO_MEMORY;
  }
  std::vector<std::string> made;  // containers written so far, deleted again on failure
  std::uint32_t result = RESULT_OK;
  std::uint8_t session_key[8];
  std::uint32_t algorithm = 1;
  DesScheduleAcquire();

  if (has_text) {
    const std::string path = WorkFilePath("text.vek");
    FileHandle container = FileCreatePrivate(path.c_str());
    if (!container) {
      result = RESULT_TEMP_FILE;
    } else {
      made.push_back(path);
      result = ContainerWriteHeader(container.get(), request, session_key, &algorithm);
      if (result == RESULT_OK) result = TextToChunk(container.get(), request->text, session_key, algorithm);
      if (result == RESULT_OK) result = UnlessCancelled(CloseContainer(container));
    }
    if (result == RESULT_OK && !CopyPath(out[0].container, path)) result = RESULT_TEMP_FILE;
    if (result == RESULT_OK) std::strcpy(out[0].name, "text.vek");
  }
  if (result == RESULT_OK && request->count == 0) {
    ProgressDigest(PROGRESS_DONE);
    ProgressCodec(PROGRESS_DONE);
  }
  for (std::uint32_t i = 0; result == RESULT_OK && i < request->count; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "%03u.vek", static_cast<unsigned>(i));
    const std::string path = WorkFilePath(name);
    FileHandle container = FileCreatePrivate(path.c_str());
    if (!container) {
      result = RESULT_TEMP_FILE;
      break;
    }
    made.push_back(path);
    FileEntry& item = out[has_text + i];
    result = ContainerWriteHeader(container.get(), request, session_key, &algorithm);
    if (result == RESULT_OK) result = FileToChunk(container.get(), &request->entries[i], session_key, algorithm, true);
    if (result == RESULT_OK) result = UnlessCancelled(CloseContainer(container));
    if (result == RESULT_OK && (!CopyPath(item.container, path) || !CopyPath(item.path, request->entries[i].path)))
      result = RESULT_TEMP_FILE;
    if (result == RESULT_OK) std::strcpy(item.name, name);
  }
  SecureWipe(session_key, sizeof session_key);
  DesScheduleRelease();

  if (result != RESULT_OK) {
    for (const std::string& path : made) std::remove(path.c_str());
    FileEntriesFree(out);
    MarkFailed(result);
    return result;
  }
  ProgressCipher(PROGRESS_DONE);
  request->entries = out;
  request->count = total;
  return RESULT_OK;
}
