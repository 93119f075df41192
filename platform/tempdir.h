// The folder that holds the operations' work files: the system's temporary folder
// (GetTempPathA on Windows, $TMPDIR or /tmp elsewhere) unless the program chose
// another one (a command-line tool keeps its work apart in a private folder).
#pragma once

// The folder with a trailing separator, at most 259 characters.
const char* TempFolder();
// folder nullptr: back to the system's temporary folder. A separator is appended when
// missing. false (and nothing changed) when the folder does not fit 259 characters.
bool SetTempFolder(const char* folder);
// The separator of paths on this platform.
char PathSeparator();

// A new folder "<parent><prefix>XXXXXX" that only this user can enter (mode 0700 on
// POSIX; on Windows the user's own temporary folder already keeps others out). The name
// is new: an existing file, folder or symbolic link of that name is never reused or
// followed. The path, with its trailing separator, goes to out. false when no such
// folder could be made (out is then empty).
bool MakePrivateFolder(const char* parent, const char* prefix, char out[260]);
// Removes a folder and everything inside it. A symbolic link or junction inside is
// removed itself, never followed. true when the folder is gone.
bool RemovePrivateFolder(const char* folder);
