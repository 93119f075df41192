// The one document of the main window, the process's copy of its command line, and
// the open dispatch that start-up, a second start's hand-over, the Open command and
// file drops share.
#pragma once

#include <windows.h>

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

// The process-wide document.
Document* TheDocument();

// Frees files and text and zeroes every field (the passphrase wiped).
void ClearDocument(Document* document);

// The process's command line, as start-up copied it ("" before).
const char* ProcessCommandLine();
// Copies line into the process's buffer; 0 (nothing copied) when it does not fit.
int SetProcessCommandLine(const char* line);

// 1 when the document was replaced or extended and must be shown, 0 when nothing is
// to be shown. window: the main window, or nullptr at start. line is worked on in place
// (COMMAND_LINE_SIZE bytes).
int OpenCommandLine(HWND window, Document* document, char* line);
int NewDocumentFrom(HWND window, int kind, char* line);
int AppendListedFiles(int kind, const char* line);
int DecryptWithSessionKey(char* line);

// 1 when any entry's path is a folder.
int ListHasFolder(const FileEntry* entries, int count);
