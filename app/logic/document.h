// The document the main window shows, and the only functions that change it.
//
// The program has one document for its whole life: main.cpp owns it and hands it to
// the main window, whose procedure passes it on; every other function works on the
// Document it is given.
#pragma once

#include <cstdint>

#include "base/types.h"

constexpr std::int32_t MODE_NONE = 0;
constexpr std::int32_t MODE_ENCRYPT = 2;
constexpr std::int32_t MODE_DECRYPT = 3;

struct Document {
  std::int32_t mode;                  // MODE_*
  char identified_passphrase[32];     // found by identification; empty in encryption mode
  std::int32_t algo;                  // the "algo" setting when the document was started
  char* text;                         // owned (OperationTextAllocate) or nullptr
  std::int32_t file_count;
  FileEntry* files;                   // owned (FileEntriesAllocate) or nullptr
  std::int32_t reply;                 // opened from the temporary or the cache folder
};

// What a new document is made of. files and text are handed over: from the call on
// the document owns them.
struct DocumentContent {
  std::int32_t mode = MODE_ENCRYPT;
  FileEntry* files = nullptr;
  std::int32_t file_count = 0;
  char* text = nullptr;
  const char* identified_passphrase = nullptr;  // copied (at most 31 characters); nullptr: none
  std::int32_t reply = 0;
  std::int32_t algo = 0;
};

// Every writer below keeps one rule: a document with text, no file and no reply flag
// (a decrypted text-only container from an ordinary folder) is in encryption mode.

// Frees files and text and zeroes every field (the passphrase wiped): MODE_NONE.
void ClearDocument(Document* document);

// The document becomes content: the old files and text are freed, every field is set
// from content (identified_passphrase may point into the document itself).
void DocumentReplace(Document* document, const DocumentContent& content);

// Files added to the document: text (handed over, may be nullptr) replaces the
// document's text, and count entries of files are appended behind its files (files is
// handed over and freed). The mode stays. 0 when memory fails: the files are then not
// added.
int DocumentAppendFiles(Document* document, char* text, FileEntry* files, std::int32_t count);

// Removes file index; the others keep their order. When no file is left the document
// is in encryption mode. An index that names no file removes nothing. 0 when memory
// fails (nothing removed).
int DocumentRemoveFile(Document* document, std::int32_t index);

// After the document was sent, encrypted, or its text moved into the text field: its
// files and text are freed; mode, passphrase and reply flag stay.
void DocumentRelease(Document* document);
