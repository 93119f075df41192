// The decisions behind the main commands, as plain functions without windows: what a
// list of files does to the document, the quoted reply text, where each local output
// goes, and the list file the Open command writes from the open dialog's answer.
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

// What the files of a list ("/l", "/d": the shell extension, Open, a drop) do to the
// document, once folders and several containers have been refused. containers: how
// many of them are containers. encrypting: the document is in encryption mode.
// has_text: the document holds a text, or the text field does (what the user typed
// and has not sent is text too). Without a container the files are added to a
// document in encryption mode that has files, and replace it otherwise; with one, a
// document that is not in encryption mode, or holds neither files nor text, is
// replaced, and otherwise the user is asked (add the container as a file, or decrypt
// it over the text).
enum class ListOpening { Add, Replace, Ask };
ListOpening ChooseListOpening(int containers, bool encrypting, int file_count, bool has_text);

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
