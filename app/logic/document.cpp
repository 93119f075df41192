// The document's writers: clear, replace, append files, remove one file, release.
#include "app/logic/document.h"

#include <cstdio>

#include "container/operation.h"
#include "platform/wipe.h"

namespace {

bool HasText(const Document* document) { return document->text && document->text[0] != '\0'; }

// A decrypted text-only container from an ordinary folder is shown in encryption mode.
void SettleMode(Document* document) {
  if (HasText(document) && document->file_count == 0 && !document->reply) document->mode = MODE_ENCRYPT;
}

}  // namespace

void ClearDocument(Document* document) {
  FileEntriesFree(document->files);
  OperationTextFree(document->text);
  SecureWipe(document->identified_passphrase, sizeof document->identified_passphrase);
  *document = Document{};
}

void DocumentReplace(Document* document, const DocumentContent& content) {
  SecretBuffer<sizeof document->identified_passphrase> passphrase;
  if (content.identified_passphrase)
    std::snprintf(passphrase.value, sizeof passphrase.value, "%s", content.identified_passphrase);
  ClearDocument(document);
  document->mode = content.mode;
  document->files = content.files;
  document->file_count = content.file_count;
  document->text = content.text;
  document->reply = content.reply;
  document->algo = content.algo;
  std::snprintf(document->identified_passphrase, sizeof document->identified_passphrase, "%s", passphrase.value);
  SettleMode(document);
}

int DocumentAppendFiles(Document* document, char* text, FileEntry* files, std::int32_t count) {
  OperationTextFree(document->text);
  document->text = text;
  const std::int32_t total = document->file_count + count;
  FileEntry* joined = FileEntriesAllocate(static_cast<std::uint32_t>(total));
  if (total > 0 && joined == nullptr) {
    FileEntriesFree(files);
    return 0;
  }
  for (std::int32_t i = 0; i < document->file_count; ++i) joined[i] = document->files[i];
  for (std::int32_t i = 0; i < count; ++i) joined[document->file_count + i] = files[i];
  FileEntriesFree(files);
  FileEntriesFree(document->files);
  document->files = joined;
  document->file_count = total;
  SettleMode(document);
  return 1;
}

int DocumentRemoveFile(Document* document, std::int32_t index) {
  if (index >= 0 && index < document->file_count) {
    FileEntry* remaining = nullptr;
    if (document->file_count > 1) {
      remaining = FileEntriesAllocate(static_cast<std::uint32_t>(document->file_count - 1));
      if (remaining == nullptr) return 0;
      for (std::int32_t i = 0, k = 0; i < document->file_count; ++i) {
        if (i != index) remaining[k++] = document->files[i];
      }
    }
    FileEntriesFree(document->files);
    document->files = remaining;
    document->file_count -= 1;
  }
  if (document->file_count == 0) document->mode = MODE_ENCRYPT;
  SettleMode(document);
  return 1;
}

void DocumentRelease(Document* document) {
  FileEntriesFree(document->files);
  document->files = nullptr;
  document->file_count = 0;
  OperationTextFree(document->text);
  document->text = nullptr;
}
