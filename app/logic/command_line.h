// The command line of Quillnox.exe: its kinds, the container folders that mark a
// received attachment, the "/ks:" form, and the one buffer the whole line must fit.
#pragma once

#include <cstddef>
#include <cstdint>

// The process-wide copy of the command line holds this many characters, terminator
// included; a longer line is refused.
constexpr std::size_t COMMAND_LINE_SIZE = 1024;

// Kinds, in the order ClassifyCommandLine tests them.
constexpr int KIND_EMPTY = 0;           // ""             new empty document
constexpr int KIND_MAIL_LIST = 1;       // "/m..."        new document with the listed files
constexpr int KIND_LIST_DECRYPT = 2;    // "/l..."        as "/d", a one-file container decrypted at once
constexpr int KIND_SILENT = 3;          // "/s..."        nothing
constexpr int KIND_CONTAINER = 4;       // a container path
constexpr int KIND_RECEIVED = 5;        // a container path in the temporary or cache folder
constexpr int KIND_LIST = 6;            // "/d..."        the listed files opened, added or decrypted
constexpr int KIND_SESSION_KEY = 7;     // "... /ks:<32 hex digits>"
constexpr int KIND_EXPORT_WINDOW = 8;   // "/EXPORTWINDOW" anywhere

// The kind of a command line (the arguments as one string, quotes kept). Prefix and
// substring tests are case-sensitive. Kinds 4 and 5 ask InTempOrCache about the line's
// folder (the line cut behind its last backslash).
int ClassifyCommandLine(const char* line);

// 1 when folder is the temporary folder exactly, or begins with the browser cache
// folder or its short form; letters compared without case. The cache folder and its
// short form come from the settings store and the file system.
int InTempOrCache(const char* folder);
// The decision itself, on given folders (any of them may be nullptr or empty: such a
// folder matches nothing).
int FolderInTempOrCache(const char* folder, const char* temp_folder, const char* cache_folder,
                        const char* short_cache_folder);

// The "/ks:" form: "<container path><one separator>/ks:<32 hexadecimal digits>".
// "/ks:" must start at position 2 or later and be followed by exactly 32 characters;
// else 0 and line is unchanged. On 1 the digits are decoded pairwise into key (first
// digit of a pair the high nibble; a character below 'A' counts as its code - 48, any
// other, upper-cased, as its code - 55) and line is cut in front of the separator, so
// it holds the container path.
int ParseSessionKeyLine(char* line, std::uint8_t key[16]);

// 1 when line (with its terminator) fits the COMMAND_LINE_SIZE buffer.
int CommandLineFits(const char* line);

// The warning shown for a command line that does not fit.
extern const char* const COMMAND_LINE_TOO_LONG_TEXT;
