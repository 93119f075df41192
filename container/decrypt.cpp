// The decryption operation, the passphrase test and the opening of a container.
//
// A container comes from outside: every chunk is framed by the shared walk (64-bit
// sums, nothing past the end of the file), every length is checked against its kind
// before any byte of it is read, the stored file names are checked (plain names, none
// repeated) before anything is written, and decrypted files go into a folder made for
// this operation, so that a hostile name cannot reach any other file.
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "compress/codec.h"
#include "container/format.h"
#include "container/names.h"
#include "container/operation.h"
#include "container/pipeline.h"
#include "base/progress.h"
#include "container/result.h"
#include "container/streams.h"
#include "container/work_files.h"
#include "crypto/des.h"
#include "crypto/md5.h"
#include "platform/bytes.h"
#include "platform/fileio.h"
#include "platform/tempdir.h"
#include "platform/worklock.h"
#include "platform/wipe.h"

namespace {

bool Digest(const std::uint8_t* data, std::uint32_t length, const std::uint8_t expected[16]) {
  return Md5BufferMatches(data, length, expected) == 1;
}

// Where decrypted files go: a new folder inside the temporary folder, made when the
// first file is decrypted.
class PrivateFolder {
 public:
  ~PrivateFolder() {
    if (!keep_) Remove();
  }
  // The folder (with its separator), made on first use; empty when it cannot be made.
  const std::string& Path() {
    if (!path_.empty()) return path_;
    char made[260];
    if (MakePrivateFolder(TempFolder(), "vekdec", made)) path_ = made;
    return path_;
  }
  // The decrypted files stay for the caller.
  void Keep() { keep_ = true; }

 private:
  void Remove() {
    if (!path_.empty()) RemovePrivateFolder(path_.c_str());
  }
  std::string path_;
  bool keep_ = false;
};

// State of one decryption walk.
struct Decryption {
  OperationRequest* request = nullptr;
  const char* container_path = nullptr;
  ContainerInfo info{};
  ContainerWalk walk{};
  HeaderDigest header{};
  std::uint8_t session_key[16] = {};
  std::uint32_t key_length = 0;  // 0 until a KHKY chunk has been read
  std::uint32_t algorithm = 1;
  FileEntry* entries = nullptr;
  std::uint32_t file_index = 0;
  char* text = nullptr;
  PrivateFolder folder;
};

bool AsksForText(const Decryption& d) {
  const std::uint32_t s = d.request->selector;
  return s == d.info.file_count || s == SELECTOR_LIST || s == SELECTOR_EVERYTHING;
}

bool AsksForFile(const Decryption& d, std::uint32_t index) {
  const std::uint32_t s = d.request->selector;
  return s == index || s == d.info.file_count || s == SELECTOR_EVERYTHING;
}

// Stream result while decrypting into a temporary file.
std::uint32_t DecryptFailure(int stream) {
  switch (stream) {
    case STREAM_BAD_PADDING: return RESULT_WRONG_SIGNATURE;  // a wrong key gives impossible padding
    case STREAM_SHORT_READ: return RESULT_WRONG_FORMAT;      // fewer bytes than the chunk holds
    case STREAM_CANCELLED: return RESULT_STAGE_FAILED;
    case STREAM_SHORT_WRITE: return RESULT_TEMP_FILE;
    default: return RESULT_INTERNAL;  // a stream called wrongly: no user's fault
  }
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

// Decrypts the current chunk's cipher stream into a new file at path. On any failure
// the file is removed; a file that cannot be created answers cannot_create.
std::uint32_t DecryptStreamInto(Decryption& d, const std::string& path, std::uint32_t stream_length,
                                std::uint32_t cannot_create, std::uint32_t* plain) {
  FileHandle out = FileCreatePrivate(path.c_str());
  if (!out) return cannot_create;
  const int stream = CipherStreamDecrypt(d.walk.file, out.get(), stream_length, d.session_key, d.key_length,
                                         d.algorithm, plain);
  const bool closed = FileClose(out);
  if (stream == STREAM_OK && closed) return RESULT_OK;
  std::remove(path.c_str());
  return stream != STREAM_OK ? DecryptFailure(stream) : RESULT_TEMP_FILE;
}

std::uint32_t OnKey(Decryption& d) {
  std::uint8_t* data = HeaderDigestReserve(&d.header, d.walk.length);
  std::uint8_t local[16];
  if (data == nullptr) data = local;  // no HDRS may follow now; the key is still needed
  std::uint32_t r = ContainerWalkRead(&d.walk, data, d.walk.length);
  if (r != RESULT_OK) return r;
  // A session key given directly is 16 bytes; a container whose KHKY is 8 bytes long
  // has an 8-byte session key, the first 8 of them.
  if (d.request->session_key != nullptr)
    std::memcpy(d.session_key, d.request->session_key, 16);
  else
    SessionKeyUnwrap(data, d.walk.length, d.request->passphrase ? d.request->passphrase : "", d.session_key);
  d.key_length = d.walk.length == 8 ? 8 : 16;
  SecureWipe(local, sizeof local);
  return RESULT_OK;
}

std::uint32_t OnHeaderData(Decryption& d) {
  std::uint8_t* data = HeaderDigestReserve(&d.header, d.walk.length);
  if (data == nullptr) return RESULT_OK;  // too much for the digest: an HDRS chunk now refuses
  return ContainerWalkRead(&d.walk, data, d.walk.length);
}

std::uint32_t OnAlgorithm(Decryption& d) {
  std::uint8_t bytes[ALGO_DATA_MAX] = {};
  const std::uint32_t r = ContainerWalkRead(&d.walk, bytes, d.walk.length);
  if (r != RESULT_OK) return r;
  d.algorithm = LoadLe32(bytes);  // the unread bytes stay zero
  // Reported to the caller: the next encryption uses the algorithm of the last
  // container opened.
  d.request->algorithm = d.algorithm;
  if (std::uint8_t* room = HeaderDigestReserve(&d.header, d.walk.length)) std::memcpy(room, bytes, d.walk.length);
  return RESULT_OK;
}

std::uint32_t OnHeaderDigest(Decryption& d) {
  std::uint8_t stored[DIGEST_SIZE];
  const std::uint32_t r = ContainerWalkRead(&d.walk, stored, DIGEST_SIZE);
  if (r != RESULT_OK) return r;
  if (d.header.overflowed) return RESULT_WRONG_FORMAT;
  return Digest(d.header.data, d.header.used, stored) ? RESULT_OK : RESULT_WRONG_SIGNATURE;
}

std::uint32_t OnText(Decryption& d) {
  if (d.key_length == 0) return RESULT_WRONG_FORMAT;  // nothing to decrypt it with
  const std::uint32_t stream_length = d.walk.length - DIGEST_SIZE;
  if (stream_length < CipherStreamMinimum(d.algorithm, d.key_length)) return RESULT_WRONG_FORMAT;
  if (!AsksForText(d)) return RESULT_OK;

  std::uint8_t expected[DIGEST_SIZE];
  std::uint32_t r = ContainerWalkRead(&d.walk, expected, DIGEST_SIZE);
  if (r != RESULT_OK) return r;
  const std::string work = WorkFilePath(WORK_TEXT_FILE);
  std::uint32_t plain = 0;
  r = DecryptStreamInto(d, work, stream_length, RESULT_CANNOT_OPEN, &plain);
  if (r != RESULT_OK) return r;
  char* text = OperationTextAllocate(static_cast<std::size_t>(plain) + 1);
  if (text == nullptr) {
    std::remove(work.c_str());
    return RESULT_NO_MEMORY;
  }
  {
    FileHandle in = FileOpen(work.c_str(), "rb");
    const bool read = in && (plain == 0 || std::fread(text, 1, plain, in.get()) == plain);
    in.reset();
    std::remove(work.c_str());
    if (!read) {
      OperationTextFree(text);
      return RESULT_TEMP_FILE;
    }
  }
  OperationTextFree(d.text);  // a later TEXT chunk replaces an earlier one
  d.text = text;
  if (d.info.file_count == 0) {
    // The text's digest is checked only in a container without files.
    ProgressCipher(PROGRESS_DONE);
    if (!Digest(reinterpret_cast<const std::uint8_t*>(text), plain, expected)) return RESULT_WRONG_SIGNATURE;
    ProgressDigest(PROGRESS_DONE);
    ProgressCodec(PROGRESS_DONE);
  }
  return RESULT_OK;
}

// --- A file out of its FILE chunk in one pass ---------------------------------------
// The chunk's stream is read, decrypted and digested a piece at a time on the caller's
// thread, which sends every notification; the pieces are restored and written into
// "vek_compr.tmp" (on the worker thread when there is one). Only when the whole stream
// is read and its digest matches does the restored file take its place: a digest that
// differs answers as it always has, before anything the decompression met (damaged
// records after a wrong passphrase, a full disk) is shown.

constexpr std::size_t kStoredPiece = 64 * 1024;                          // stored bytes read at a time
constexpr std::size_t kPlainBytes = kStoredPiece + CIPHER_PIECES_SLACK;  // room for a piece's plain bytes
// A compressed record is at least 7 bytes long: the most that can end in one piece.
constexpr std::size_t kNotesPerPiece = kPlainBytes / 7 + 2;
constexpr std::size_t kOutputStream = 64 * 1024;

struct RestorePass {
  // The producer's (always the caller's thread).
  ContainerWalk* walk;
  std::uint8_t* stored;
  std::uint32_t remaining;  // stored bytes still to read
  bool first;
  CipherPieces cipher;
  Md5Context md5;
  ProgressUnits digest_units;
  ProgressUnits cipher_units;  // the DES stream reports its chunks
  bool des;
  std::uint64_t plain;
  std::uint32_t result;  // why the producer stopped
  // The consumer's (the worker thread's when there is one).
  std::FILE* output;
  RecordDecoder decoder;
  PipelineBuffer* current;
  bool failed;  // the decompression met a failure, shown only once the digest matches
  CodecFailure failure;
};

// The working area of one pass, wiped when it ends.
struct RestoreArea {
  std::uint8_t stored[kStoredPiece];
  char output_stream[kOutputStream];
  RestorePass pass;
};

// Reads, decrypts and digests a piece of the stream; the last piece ends the stream.
bool ProduceRestored(void* context, PipelineBuffer* buffer) {
  auto* pass = static_cast<RestorePass*>(context);
  pass->result = RESULT_STAGE_FAILED;  // the progress receiver cancelled
  if (ProgressCancelled()) return false;
  const std::uint32_t want = pass->remaining < kStoredPiece ? pass->remaining : static_cast<std::uint32_t>(kStoredPiece);
  if (want != 0) {
    pass->result = ContainerWalkRead(pass->walk, pass->stored, want);
    if (pass->result != RESULT_OK) return false;
    pass->remaining -= want;
    // The DES stream reports the chunks behind its 8-byte head.
    const std::uint32_t chunks = pass->first ? want - 8 : want;
    pass->first = false;
    pass->result = RESULT_STAGE_FAILED;
    if (pass->des && !ProgressUnitsAdd(&pass->cipher_units, chunks)) return false;
    buffer->size = CipherPiecesDecrypt(&pass->cipher, pass->stored, want, buffer->bytes);
  }
  if (pass->remaining == 0) {
    std::size_t last = 0;
    const int stream = CipherPiecesDecryptEnd(&pass->cipher, buffer->bytes + buffer->size, &last);
    if (stream != STREAM_OK) {
      pass->result = DecryptFailure(stream);
      return false;
    }
    buffer->size += last;
    buffer->last = true;
  }
  pass->result = RESULT_STAGE_FAILED;
  if (!ProgressUnitsAdd(&pass->digest_units, buffer->size)) return false;
  Md5Update(&pass->md5, buffer->bytes, static_cast<std::uint32_t>(buffer->size));
  pass->plain += buffer->size;
  pass->result = RESULT_OK;
  return true;
}

// Writes one restored block; a compressed record's stored length is left as a note.
bool WriteRestored(void* context, const std::uint8_t* bytes, std::uint32_t size, std::uint32_t reported) {
  auto* pass = static_cast<RestorePass*>(context);
  PipelineBuffer* buffer = pass->current;
  if (reported != 0 && buffer->note_count < buffer->note_capacity)
    buffer->notes[buffer->note_count++] = static_cast<std::uint16_t>(reported);
  if (!FileWriteAll(pass->output, bytes, size)) {
    pass->failed = true;
    pass->failure = CODEC_WRITE_DESTINATION;
    return false;
  }
  return true;
}

// Restores a piece's records. After a failure the rest passes unread: the caller still
// needs the whole stream for its digest.
bool ConsumeRestored(void* context, PipelineBuffer* buffer) {
  auto* pass = static_cast<RestorePass*>(context);
  if (pass->failed) return true;
  pass->current = buffer;
  const int r = RecordDecoderFeed(&pass->decoder, buffer->bytes, buffer->size, WriteRestored, pass);
  if (r == RECORDS_FORMAT_ERROR || (r == RECORDS_OK && buffer->last && RecordDecoderEnd(&pass->decoder) != RECORDS_OK)) {
    pass->failed = true;
    pass->failure = CODEC_FORMAT;
  }
  return true;
}

// On the caller's thread: the codec row's counts of the records a piece held.
void ReportRestored(void*, PipelineBuffer* buffer) {
  for (std::size_t i = 0; i < buffer->note_count; ++i)
    if (!ProgressCodec(buffer->notes[i])) return;
}

bool SameDigest(const std::uint8_t a[DIGEST_SIZE], const std::uint8_t b[DIGEST_SIZE]) {
  std::uint8_t differ = 0;
  for (std::uint32_t i = 0; i < DIGEST_SIZE; ++i) differ |= static_cast<std::uint8_t>(a[i] ^ b[i]);
  return differ == 0;
}

// Runs the pass over the chunk's stream and checks its digest: 1, or the code to end
// with. What the restoring met is left in pass for the caller.
std::uint32_t RestoreStream(Decryption& d, RestorePass& pass, std::uint32_t stream_length,
                            const std::uint8_t expected[DIGEST_SIZE]) {
  const int begun = CipherPiecesDecryptBegin(&pass.cipher, d.session_key, d.key_length, d.algorithm, stream_length);
  if (begun != STREAM_OK) return DecryptFailure(begun);
  Md5Init(&pass.md5);
  RecordDecoderBegin(&pass.decoder);
  const PipelineStages stages{&pass, ProduceRestored, ConsumeRestored, ReportRestored};
  switch (PipelineRun(stages, PIPELINE_WORKER_CONSUMES, PipelineThreads(stream_length), kPlainBytes, kNotesPerPiece)) {
    case PIPELINE_DONE: break;
    case PIPELINE_NO_MEMORY:
      CodecShowFailure(false, CODEC_NO_MEMORY, nullptr);
      return RESULT_STAGE_FAILED;
    case PIPELINE_STOPPED: return pass.result != RESULT_OK ? pass.result : RESULT_STAGE_FAILED;
  }
  if (pass.des && !ProgressUnitsEnd(&pass.cipher_units)) return RESULT_STAGE_FAILED;
  if (!ProgressCipher(PROGRESS_DONE)) return RESULT_STAGE_FAILED;
  if (!ProgressUnitsEnd(&pass.digest_units)) return RESULT_STAGE_FAILED;
  std::uint8_t digest[DIGEST_SIZE];
  Md5Final(digest, &pass.md5);
  const bool matches = SameDigest(digest, expected);
  SecureWipe(digest, sizeof digest);
  if (!matches) return UnlessCancelled(RESULT_WRONG_SIGNATURE);
  if (!ProgressDigest(PROGRESS_DONE)) return RESULT_STAGE_FAILED;
  return RESULT_OK;
}

std::uint32_t DecryptFile(Decryption& d, FileEntry& entry, std::uint32_t stream_length) {
  std::uint8_t time[FILE_TIME_SIZE];
  std::uint8_t expected[DIGEST_SIZE];
  std::uint32_t r = ContainerWalkRead(&d.walk, time, sizeof time);
  if (r == RESULT_OK) r = ContainerWalkRead(&d.walk, expected, sizeof expected);
  if (r != RESULT_OK) return r;
  entry.time = ContainerLoadFileTime(time);

  const std::string& folder = d.folder.Path();
  if (folder.empty()) return RESULT_TEMP_FILE;
  const std::string path = folder + entry.name;
  if (path.size() >= QLX_PATH_SIZE) return RESULT_TEMP_FILE;
  const WipedBlock<RestoreArea> area = NewWipedBlock<RestoreArea>();
  if (!area) {
    CodecShowFailure(false, CODEC_NO_MEMORY, nullptr);
    return RESULT_STAGE_FAILED;
  }

  const std::string restored = WorkFilePath(WORK_COMPRESSED_FILE);
  FileHandle output = FileCreatePrivate(restored.c_str());
  const bool made = static_cast<bool>(output);
  RestorePass& pass = area->pass;
  pass = RestorePass{};
  pass.walk = &d.walk;
  pass.stored = area->stored;
  pass.remaining = stream_length;
  pass.first = true;
  pass.digest_units = ProgressUnits{ProgressDigest, 0};
  pass.cipher_units = ProgressUnits{ProgressCipher, 0};
  pass.des = d.algorithm == 1 && d.key_length == 8;
  pass.output = output.get();
  if (made) {
    std::setvbuf(output.get(), area->output_stream, _IOFBF, sizeof area->output_stream);
  } else {
    pass.failed = true;
    pass.failure = CODEC_OPEN_DESTINATION;
  }
  r = RestoreStream(d, pass, stream_length, expected);
  if (made && !FileClose(output) && !pass.failed) {
    pass.failed = true;
    pass.failure = CODEC_WRITE_DESTINATION;
  }
  if (r == RESULT_OK && pass.failed) {
    CodecShowFailure(false, pass.failure, restored.c_str());
    r = RESULT_STAGE_FAILED;
  }
  if (r == RESULT_OK && std::rename(restored.c_str(), path.c_str()) != 0) r = RESULT_TEMP_FILE;
  if (r != RESULT_OK) {
    if (made) std::remove(restored.c_str());
    return r;
  }
  ProgressCodec(PROGRESS_DONE);
  std::memcpy(entry.path, path.c_str(), path.size() + 1);
  entry.size = static_cast<std::uint32_t>(pass.plain);
  return RESULT_OK;
}

std::uint32_t OnFile(Decryption& d) {
  if (d.key_length == 0 || d.file_index >= d.info.file_count) return RESULT_WRONG_FORMAT;
  FileEntry& entry = d.entries[d.file_index];
  std::uint32_t name_length = 0;
  std::uint32_t r = ContainerReadFileName(&d.walk, entry.name, &name_length);
  if (r != RESULT_OK) return r;
  if (!FileNameIsPlain(entry.name)) return RESULT_WRONG_FORMAT;
  std::snprintf(entry.container, sizeof entry.container, "%s", d.container_path);
  const std::uint32_t stream_length = d.walk.length - name_length - 1 - FILE_TIME_SIZE - DIGEST_SIZE;
  if (stream_length < CipherStreamMinimum(d.algorithm, d.key_length)) return RESULT_WRONG_FORMAT;
  if (AsksForFile(d, d.file_index)) {
    r = DecryptFile(d, entry, stream_length);
    if (r != RESULT_OK) return r;
  } else {
    ProgressCipher(PROGRESS_DONE);
    ProgressDigest(PROGRESS_DONE);
    ProgressCodec(PROGRESS_DONE);
  }
  ++d.file_index;
  return RESULT_OK;
}

std::uint32_t WalkChunks(Decryption& d) {
  for (;;) {
    std::uint32_t r = ContainerWalkNext(&d.walk);
    if (r == WALK_END) return d.file_index == d.info.file_count ? RESULT_OK : RESULT_WRONG_FORMAT;
    if (r != WALK_CHUNK) return r;
    r = ContainerCheckChunkLength(d.walk.kind, d.walk.length);
    if (r != RESULT_OK) return r;
    switch (d.walk.kind) {
      case CHUNK_KHKY: r = OnKey(d); break;
      case CHUNK_KHSH:
      case CHUNK_KRCV: r = OnHeaderData(d); break;
      case CHUNK_ALGO: r = OnAlgorithm(d); break;
      case CHUNK_HDRS: r = OnHeaderDigest(d); break;
      case CHUNK_TEXT: r = OnText(d); break;
      case CHUNK_FILE: r = OnFile(d); break;
      default: break;  // KHHK, KNEP, KRID and unknown kinds are skipped
    }
    if (r != RESULT_OK) return r;
    if (ProgressCancelled()) return RESULT_STAGE_FAILED;
  }
}

// The progress row a failed decryption marks.
void MarkFailed(std::uint32_t result) {
  switch (result) {
    case RESULT_WRONG_SIGNATURE: ProgressDigest(PROGRESS_FAILED); break;
    case RESULT_STAGE_FAILED: ProgressCodec(PROGRESS_FAILED); break;
    case RESULT_CANNOT_OPEN: break;  // only "~~txt.vek" fails this way once the container is open
    default: ProgressCipher(PROGRESS_FAILED); break;
  }
}

}  // namespace

std::uint32_t DecryptOperation(OperationRequest* request) {
  if (request->count < 1 || request->entries == nullptr) return RESULT_INTERNAL;
  request->algorithm = ALGORITHM_UNREAD;
  CancelScope scope;
  Decryption d;
  d.request = request;
  d.container_path = request->entries[0].path;

  std::uint32_t r = ContainerReadInfo(d.container_path, &d.info);
  if (r != RESULT_OK) {
    ProgressCipher(PROGRESS_FAILED);
    return r;
  }
  if (d.info.version_class != VERSION_CURRENT) return RESULT_WRONG_FORMAT;
  r = ContainerCheckFileNames(d.container_path);
  if (r != RESULT_OK) {
    ProgressCipher(PROGRESS_FAILED);
    return r;
  }
  FileHandle container = FileOpen(d.container_path, "rb");
  if (!container) {
    ProgressCipher(PROGRESS_FAILED);
    return RESULT_CANNOT_OPEN;
  }
  // The work files are the temporary folder's: another operation using them now (a
  // self-extractor beside the main program, say) leaves them alone for this one.
  WorkFilesLock lock(TempFolder());
  if (lock.busy()) {
    ProgressCipher(PROGRESS_FAILED);
    return RESULT_TEMP_FILE;
  }
  if (d.info.file_count != 0) {
    d.entries = FileEntriesAllocate(d.info.file_count);
    if (d.entries == nullptr) {
      ProgressCipher(PROGRESS_FAILED);
      return RESULT_NO_MEMORY;
    }
  }
  HeaderDigestReset(&d.header);
  DesScheduleAcquire();
  char version[CONTAINER_VERSION_SIZE];
  r = ContainerReadHeader(container.get(), version);
  if (r == RESULT_OK) r = ContainerWalkBegin(&d.walk, container.get());
  if (r == RESULT_OK) r = WalkChunks(d);
  if (r == RESULT_OK) r = UnlessCancelled(r);
  DesScheduleRelease();
  SecureWipe(d.session_key, sizeof d.session_key);
  SecureWipe(&d.header, sizeof d.header);

  if (r != RESULT_OK) {
    FileEntriesFree(d.entries);
    OperationTextFree(d.text);
    MarkFailed(r);
    return r;  // the private folder goes with d
  }
  d.folder.Keep();
  request->text = d.text;
  request->entries = d.entries;
  request->count = d.info.file_count;
  return RESULT_OK;
}

std::uint32_t PassphraseOpensContainer(const char* path, const char* passphrase) {
  ContainerInfo info;
  std::uint32_t r = ContainerReadInfo(path, &info);
  if (r != RESULT_OK) return r;
  if (info.version_class != VERSION_CURRENT) return RESULT_WRONG_FORMAT;
  FileHandle file = FileOpen(path, "rb");
  if (!file) return RESULT_CANNOT_OPEN;
  char version[CONTAINER_VERSION_SIZE];
  ContainerWalk walk;
  r = ContainerReadHeader(file.get(), version);
  if (r == RESULT_OK) r = ContainerWalkBegin(&walk, file.get());
  if (r != RESULT_OK) return r;

  std::uint8_t wrapped[16] = {}, khsh[16] = {}, khhk[16] = {};
  std::uint32_t wrapped_length = 0;
  bool have_khsh = false, have_khhk = false;
  for (;;) {
    r = ContainerWalkNext(&walk);
    if (r == WALK_END) break;
    if (r != WALK_CHUNK) return r;
    if (walk.kind != CHUNK_KHKY && walk.kind != CHUNK_KHSH && walk.kind != CHUNK_KHHK) continue;
    r = ContainerCheckChunkLength(walk.kind, walk.length);  // never more than 16 bytes
    if (r != RESULT_OK) return r;
    std::uint8_t* target = walk.kind == CHUNK_KHKY ? wrapped : walk.kind == CHUNK_KHSH ? khsh : khhk;
    r = ContainerWalkRead(&walk, target, walk.length);
    if (r != RESULT_OK) return r;
    if (walk.kind == CHUNK_KHKY) wrapped_length = walk.length;
    if (walk.kind == CHUNK_KHSH) have_khsh = true;
    if (walk.kind == CHUNK_KHHK) have_khhk = true;
  }
  if (wrapped_length == 0 || (!have_khsh && !have_khhk)) return RESULT_WRONG_FORMAT;

  const char* phrase = passphrase ? passphrase : "";
  std::uint8_t key[16] = {};
  bool opens = false;
  DesScheduleAcquire();
  SessionKeyUnwrap(wrapped, wrapped_length, phrase, key);
  if (have_khsh) {
    // The passphrase's digest stored under the session key.
    const std::uint8_t zero[8] = {};
    if (wrapped_length == 8)
      DesDecrypt(khsh, 16, key, zero);
    else
      TdesDecrypt(khsh, 16, key, zero);
    // Compared in constant time; the comparison wipes the passphrase's digest it makes.
    opens = Md5BufferMatches(phrase, static_cast<std::uint32_t>(std::strlen(phrase)), khsh) == 1;
  } else {
    opens = Md5BufferMatches(key, 8, khhk) == 1;
  }
  DesScheduleRelease();
  SecureWipe(key, sizeof key);
  SecureWipe(khsh, sizeof khsh);
  return opens ? RESULT_OK : RESULT_WRONG_SIGNATURE;
}

int OpenContainer(WindowHandle owner, const char* path, const char* passphrase, FileEntry** entries,
                  std::uint32_t* count, char** text, std::uint32_t* algorithm) {
  FileEntry container{};
  if (!FileEntryFromPath(path, &container)) {
    ReportOperationError(owner, RESULT_CANNOT_OPEN, path);
    return 0;
  }
  OperationRequest request{0, nullptr, passphrase, nullptr, 1, &container, SELECTOR_LIST, ALGORITHM_UNREAD};
  const std::uint32_t result = DecryptOperation(&request);
  if (algorithm) *algorithm = request.algorithm;
  if (result != RESULT_OK) {
    ReportOperationError(owner, result, path);
    return 0;
  }
  *entries = request.entries;
  *count = request.count;
  *text = request.text;
  return 1;
}
