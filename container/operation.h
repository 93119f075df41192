// The encryption and decryption operations, the passphrase test and the opening of a
// container for display.
//
// Ownership: the caller owns an OperationRequest and the entry array it passes in. An
// operation that succeeds stores a new entry array (and, when decrypting, a new text)
// in the request; the caller frees those with FileEntriesFree and OperationTextFree,
// and still frees its own array. An operation that fails leaves entries and count as
// they were and allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "base/types.h"
#include "platform/msgbox.h"

struct OperationRequest {
  std::uint32_t direction;          // 1 encryption, any other value decryption
  char* text;                       // encryption: the text or nullptr; decryption out: new text or nullptr
  const char* passphrase;           // zero-terminated
  const std::uint8_t* session_key;  // decryption: 16 bytes that are the session key itself, or nullptr
  std::uint32_t count;              // entries in `entries`
  FileEntry* entries;
  std::uint32_t selector;           // encryption: 1 = one container per item; decryption: below
  std::uint32_t algorithm;          // encryption: the code written as ALGO (1 DES, else AES);
                                    // decryption out: the ALGO chunk's code, whatever the result
};

// Decryption: the container had no ALGO chunk, or the walk stopped before it.
constexpr std::uint32_t ALGORITHM_DES = 1;
constexpr std::uint32_t ALGORITHM_AES = 2;
constexpr std::uint32_t ALGORITHM_UNREAD = 0xFFFFFFFF;

constexpr std::uint32_t DIRECTION_ENCRYPT = 1;
constexpr std::uint32_t SELECTOR_EACH = 1;               // encryption: one container per item
constexpr std::uint32_t SELECTOR_LIST = 0xFFFFFFFF;      // decryption: the text, files listed only
constexpr std::uint32_t SELECTOR_EVERYTHING = 0xFFFFFFFE;  // decryption: the text and every file
// Decryption also takes a file index (that file only, no text) or the number of files
// (the text and every file).

// A zeroed array of count entries (nullptr for 0); freed with FileEntriesFree.
FileEntry* FileEntriesAllocate(std::uint32_t count);
void FileEntriesFree(FileEntry* entries);
// A zeroed text buffer of capacity bytes, and its release (which wipes it first).
char* OperationTextAllocate(std::size_t capacity);
void OperationTextFree(char* text);

// Fills a zeroed entry for the file at path as callers make them: name without
// folder, full path, size and last-write time from the file system. 0 when the path
// does not fit or the file cannot be examined.
int FileEntryFromPath(const char* path, FileEntry* entry);

// --- Encryption: a text and files become containers in the temporary folder ---------
// 1, or 0xF002 (a temporary file or container cannot be written), 0xF003 (a file cannot
// be read), 0xF007 (the compressor failed and has shown why), 0xF009 (an item too large
// for a container). A failed encryption leaves no container behind.
std::uint32_t EncryptOperation(OperationRequest* request);
std::uint32_t EncryptIntoOne(OperationRequest* request);
std::uint32_t EncryptEach(OperationRequest* request);
// Writes the header and the KHKY, KHHK and ALGO chunks with a new session key (ALGO
// holds the low byte of the request's algorithm); gives back the session key and the
// algorithm code. 1 or 0xF002. The DES schedule area must be held.
std::uint32_t ContainerWriteHeader(std::FILE* container, const OperationRequest* request,
                                   std::uint8_t session_key[8], std::uint32_t* algorithm);

// --- Decryption: a container's text and files come back -----------------------------
// Reads the container at entries[0].path and reports the algorithm of its ALGO chunk in
// request->algorithm (ALGORITHM_UNREAD when none was read), also when it fails: the
// caller keeps it as the algorithm of the next encryption. Decrypted files land in a folder made for
// the operation inside the temporary folder, under their stored names; the entries'
// path names them. 1, or 0xF001 (a digest differs: wrong passphrase or damage),
// 0xF002, 0xF003, 0xF004, 0xF005 (wrong format), 0xF006, 0xF007. A failed decryption
// removes whatever it had decrypted.
std::uint32_t DecryptOperation(OperationRequest* request);

// 1 when the passphrase opens the container, 0xF001 when it does not, else 0xF003,
// 0xF004 or 0xF005.
std::uint32_t PassphraseOpensContainer(const char* path, const char* passphrase);

// Decrypts the text and lists the files, without the progress dialog. 1 with the new
// entries, their number and the text (caller frees them); 0 after the error message has
// been shown. algorithm (when not nullptr) receives the decryption's algorithm report,
// also on failure.
int OpenContainer(WindowHandle owner, const char* path, const char* passphrase, FileEntry** entries,
                  std::uint32_t* count, char** text, std::uint32_t* algorithm = nullptr);
