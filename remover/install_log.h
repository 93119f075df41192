// The install log "unins%03d.dat": written by setup while it installs, read by the
// uninstaller to undo the installation. A file made only of records, one after the
// other: code (2 bytes), data length (2 bytes), both little-endian, then the data
// (text without its NUL). Standard C++ only, shared by both programs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

// Record kinds.
constexpr std::uint16_t LOG_FILE = 0;        // a file or shortcut to delete
constexpr std::uint16_t LOG_FOLDER = 1;      // a folder to remove, deepest first
constexpr std::uint16_t LOG_KEY_HKLM = 8;    // a key under HKEY_LOCAL_MACHINE
constexpr std::uint16_t LOG_KEY_HKCR = 9;    // a key under HKEY_CLASSES_ROOT
constexpr std::uint16_t LOG_KEY_HKCU = 10;   // a key under HKEY_CURRENT_USER
// The 64-bit shell extension that a 32-bit setup adds on 64-bit Windows. Uninstallers
// that predate these codes skip them (they skip every code they do not know), so they
// never act on a path or key in the wrong view.
constexpr std::uint16_t LOG_FILE_NATIVE = 16;     // a file in the native (64-bit) system folder
constexpr std::uint16_t LOG_KEY_HKCR_NATIVE = 17; // a key under HKEY_CLASSES_ROOT, 64-bit view
constexpr std::uint16_t LOG_LANGUAGE = 64;   // 2 bytes; the first is the language number
constexpr std::uint16_t LOG_TITLE = 65;      // the product title

// The reader holds a record's data in a zeroed 260-byte buffer: data of at most 259
// bytes is usable, longer data is skipped.
constexpr std::size_t LOG_DATA_MAX = 259;

// Appends one record of size data bytes to out. false (out unchanged) when the data
// does not fit in the length field.
bool EncodeLogRecord(std::vector<std::uint8_t>& out, std::uint16_t code, const void* data,
                     std::size_t size);

// Writes one record to an open log: LOG_LANGUAGE takes its 2 bytes from data, every
// other code the text data without its NUL. 1 when written, else 0.
int LogRecord(std::FILE* log, int code, const char* data);

struct LogEntry {
  std::uint16_t code;
  std::uint16_t length;         // as stored
  bool too_long;                // length > LOG_DATA_MAX: data left empty, record to skip
  char data[LOG_DATA_MAX + 1];  // the data, NUL-terminated (zeroed beyond length)
};

// Reads the record at *offset of the log's bytes into entry and moves *offset past
// it. false at the end of the bytes or when the record is cut short (the log ends
// there; *offset is left unchanged).
bool NextLogRecord(const std::uint8_t* bytes, std::size_t size, std::size_t* offset, LogEntry* entry);

// The number of whole records, as the reader will see them.
std::size_t CountLogRecords(const std::uint8_t* bytes, std::size_t size);
