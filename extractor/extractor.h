// The self-extractor's steps on Windows: copying the container out of its own file,
// asking before a file is replaced, moving decrypted files into place and decrypting
// everything into the chosen folder.
#pragma once

#include <windows.h>

// Shows the message of an extractor result code (package.h) in a box titled "Error";
// nothing for a code without a message.
void ExtractorMessage(HWND owner, int code);

// Copies the container out of the running program's own file into folder (a buffer of
// 260 characters), which then holds the copy's path. 1, or -1, -2, -3, -4 (the trailer),
// -5 (the copy cannot be written whole; nothing is left of it), -8 (the user cancelled).
int ExtractorUnpack(HWND owner, char folder[MAX_PATH]);

// While a file exists at path, asks whether to replace it, to rename (a save dialog on
// the proposed name) or to cancel; while a folder is there, only whether to rename or
// to cancel. 1 when path (possibly changed) may be written, 0 to leave this file out.
int ConfirmOverwrite(HWND owner, char path[MAX_PATH]);

// Sends an existing destination file to the Recycle Bin (never a folder) and renames
// the decrypted file to it. 1, or 0 after a message.
int MoveIntoPlace(const char* from, const char* to);

// Decrypts the container with the progress dialog and writes its text as "Quillnox.txt"
// and its files, with their stored times, beside it. 1, or 0 after a message. The
// container (the extractor's copy) and the operation's private folder are gone
// afterwards, whatever happened.
int ExtractorDecryptAll(HWND owner, const char* passphrase, const char* container_path);

// Writes size bytes as the whole file at path; on a short write or a failed close the
// partial file is removed and false returned.
bool WriteWholeFile(const char* path, const void* data, std::size_t size);
