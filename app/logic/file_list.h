// The list file "vekflist.tmp" in the temporary folder: one full path per line, each
// ended by a line feed. The shell extension, the Open command and file drops write it;
// the command-line kinds "/m", "/l" and "/d" read it.
#pragma once

#include <cstdint>

#include "base/types.h"

// Temporary folder + "vekflist.tmp" into path (QLX_PATH_SIZE bytes); 0 when it does not fit.
int FileListPath(char* path);

// Deletes the list file, then writes every path followed by a line feed. 1 when the
// whole list was written.
int WriteFileList(const char* const* paths, int count);

// Reads the list file into a new zeroed array (FileEntriesFree) of one entry per
// non-empty line: name = the file-name part, path = the line, size and last-write time
// from the file system (0 when the file cannot be examined). A line may end with a
// line feed, a carriage return and line feed, or the end of the file.
// 1 with the entries (nullptr and 0 for an empty list); 0 when the file cannot be
// opened (no message), or when a line holds more than QLX_PATH_SIZE - 1 characters:
// then nothing is listed and the warning box names the line.
int ReadFileList(FileEntry** entries, int* count);
int ReadFileListFrom(const char* path, FileEntry** entries, int* count);
