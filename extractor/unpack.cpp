// ExtractorUnpack: the container comes out of the running program's own file into the
// chosen folder, whole or not at all; and the extractor's messages by code.
#include <cstdio>
#include <cstring>

#include "extractor/extractor.h"
#include "extractor/package.h"
#include "extractor/rules.h"
#include "platform/fileio.h"

void ExtractorMessage(HWND owner, int code) {
  const char* text = ExtractorMessageText(code);
  if (text[0] != '\0') MessageBoxA(owner, text, "Error", MB_OK | MB_ICONERROR);
}

bool WriteWholeFile(const char* path, const void* data, std::size_t size) {
  FileHandle file = FileOpen(path, "wb");
  if (!file) return false;
  const bool written = FileWriteAll(file.get(), data, size);
  const bool closed = FileClose(file);
  if (written && closed) return true;
  std::remove(path);
  return false;
}

int ExtractorUnpack(HWND owner, char folder[MAX_PATH]) {
  char own[MAX_PATH] = {};
  const DWORD own_length = GetModuleFileNameA(nullptr, own, sizeof own);
  if (own_length == 0 || own_length >= sizeof own) return EXTRACT_CANNOT_OPEN;
  SelfExtractTrailer trailer;
  int r = ExtractorReadTrailer(own, &trailer);
  if (r != EXTRACT_OK) return r;
  FileHandle package = FileOpen(own, "rb");
  if (!package) return EXTRACT_CANNOT_OPEN;

  char path[MAX_PATH];
  if (!JoinFolderAndName(folder, trailer.name, path, sizeof path)) return EXTRACT_CANNOT_WRITE;
  if (!ConfirmOverwrite(owner, path)) return EXTRACT_CANCELLED;
  FileHandle copy = FileOpen(path, "wb");
  if (!copy) return EXTRACT_CANNOT_WRITE;
  r = PayloadCopy(package.get(), trailer, copy.get());
  const bool closed = FileClose(copy);
  if (r == EXTRACT_OK && !closed) r = EXTRACT_CANNOT_WRITE;
  if (r != EXTRACT_OK) {
    std::remove(path);
    return r;
  }
  std::memcpy(folder, path, sizeof path);
  return EXTRACT_OK;
}
