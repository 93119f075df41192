// The document's writers: clear, replace, append files, remove one file, release.
#include "app/logic/document.h"

#include <cstdio>
#include <new>

#include "container/operation.h"
#include "platform/wipe.h"

namespace {

bool HasText(const Document* document) { return document->text && document->text[0] != '\0'; }

// A decrypted text-only container from an ordinary folder is shown in encryption mode.
void SettleMode(Document* document) {
  if (HasText(document) && document->file_count == 0 && !document->reply) document->mode = MODE_ENCRYPT;
}

void DropNumbers(Document* document) {
  delete[] document->numbers;
  document->numbers = nullptr;
}

}  // namespace

void ClearDocument(Document* document) {
  DropNumbers(document);
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
  DropNumbers(document);
  document->files = joined;
  document->file_count = total;
  SettleMode(document);
  return 1;
}

int DocumentRemoveFile(Document* document, std::int32_t index) {
  if (index >= 0 && index < document->file_count) {
    FileEntry* remaining = nullptr;
    std::uint32_t* numbers = nullptr;
    if (document->file_count > 1) {
      const auto left = static_cast<std::uint32_t>(document->file_count - 1);
      remaining = FileEntriesAllocate(left);
      numbers = new (std::nothrow) std::uint32_t[left];
      if (remaining == nullptr || numbers == nullptr) {
        FileEntriesFree(remaining);
        delete[] numbers;
        return 0;
      }
      for (std::int32_t i = 0, k = 0; i < document->file_count; ++i) {
        if (i == index) continue;
        remaining[k] = document->files[i];
        numbers[k++] = document->numbers ? document->numbers[i] : static_cast<std::uint32_t>(i);
      }
    }
    FileEntriesFree(document->files);
    DropNumbers(document);
    document->files = remaining;
    document->numbers = numbers;
    document->file_count -= 1;
  }
  if (document->file_count == 0) document->mode = MODE_ENCRYPT;
  SettleMode(document);
  return 1;
}

void DocumentRelease(Document* document) {
  DropNumbers(document);
  FileEntriesFree(document->files);
  document->files = nullptr;
  document->file_count = 0;
  OperationTextFree(document->text);
  document->text = nullptr;
}

namespace {

bool Shown(const FileEntry& entry) { return entry.name[0] != '\0'; }

}  // namespace

int DocumentRowCount(const Document* document) {
  int rows = 0;
  for (std::int32_t i = 0; document->files && i < document->file_count; ++i)
    if (Shown(document->files[i])) ++rows;
  return rows;
}

int DocumentEntryOfRow(const Document* document, int row) {
  if (row < 0) return -1;
  for (std::int32_t i = 0; document->files && i < document->file_count; ++i) {
    if (!Shown(document->files[i])) continue;
    if (row-- == 0) return i;
  }
  return -1;
}

int DocumentFileNumberOfRow(const Document* document, int row) {
  const int entry = DocumentEntryOfRow(document, row);
  if (entry < 0) return -1;
  return document->numbers ? static_cast<int>(document->numbers[entry]) : entry;
}
