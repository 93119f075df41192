// The decisions behind the main commands, as plain functions without windows: the
// quoted reply text, where each local output goes, and the list file the Open command
// writes from the open dialog's answer.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/types.h"

// Names of the outputs that are not named after a file.
inline constexpr const char kTextContainerName[] = "text.vek";      // an encrypted text
inline constexpr const char kTextOutputName[] = "text.txt";         // a received text-only container's text
inline constexpr const char kDecryptedTextName[] = "Quillnox.txt";  // the text beside decrypted files
inline constexpr const char kSessionKeyTextName[] = "qlx.txt";      // the text of a "/ks:" decryption

// The reply to a decrypted document: "\r\n", then "\r\n> [<name>]" for each file (the
// nameless entry of a text-only container is no file), then,
// when text is not empty, "\r\n> ----\r\n> " and the text with "> " written after every
// line feed. The bytes it needs with its terminator, counted from the real lengths.
std::size_t ReplyTextSize(const char* text, const FileEntry* files, int count);
// Writes the reply into out; 0 (out empty when size > 0) when it does not fit size bytes.
int BuildReplyText(const char* text, const FileEntry* files, int count, char* out, std::size_t size);

// folder (ending with its separator, or empty) + name into out; 0 (out empty) when the
// result would not fit QLX_PATH_SIZE - 1 characters.
int JoinOutputPath(const char* folder, const char* name, char out[QLX_PATH_SIZE]);
// The folder of path, cut after its last backslash (empty when there is none).
void OutputFolderOf(const char* path, char out[QLX_PATH_SIZE]);
// A file's container beside it: path + ".vek". 0 when that would not fit.
int EncryptedTargetOf(const char* path, char out[QLX_PATH_SIZE]);
// A folder as a dialog's initial folder: with a backslash at its end (empty stays empty).
void AsInitialFolder(const char* folder, char out[QLX_PATH_SIZE]);

// What the save dialog proposes for a received container: the output folder + the
// first file's name, or "text.txt" when the document holds text and no file.
int ReceivedProposal(const char* output_folder, bool text_only, const char* first_name, char out[QLX_PATH_SIZE]);

// The open dialog's answer (folder ending with a backslash, NUL, names each with its
// NUL, one more NUL) as full paths. 0 (paths empty) when the answer is malformed or a
// path would not fit a list-file line (QLX_PATH_SIZE - 1 characters).
int OpenResultPaths(const char* result, std::size_t size, std::vector<std::string>* paths);
