// Files for the portable core: C streams in binary mode with 64-bit positions, and
// an owning handle that closes them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

struct FileCloser {
  void operator()(std::FILE* file) const {
    if (file) std::fclose(file);
  }
};
// Owns an open stream; closes it when it goes out of scope.
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// fopen with the ANSI path as given; mode as for fopen (always use "b").
FileHandle FileOpen(const char* path, const char* mode);

// A new or emptied file at path, opened "wb", that only this user can read (mode 0600
// on POSIX, whatever the umask; an existing regular file is closed to others too).
// Work files and the operations' outputs in the temporary folder are made with it;
// the folders that hold them are private (tempdir.h). Windows: the user's own
// temporary folder already keeps others out.
FileHandle FileCreatePrivate(const char* path);

// Absolute position from the start; false when the stream refuses it.
bool FileSeek(std::FILE* file, std::uint64_t position);
// Current position, or -1.
std::int64_t FileTell(std::FILE* file);
// Size of the open file in bytes, or -1. Leaves the position unchanged.
std::int64_t FileSize(std::FILE* file);
// Size of the file at path, or -1 when it cannot be examined.
std::int64_t FileSizeAt(const char* path);

// What lies at path: nothing (or nothing that can be examined), a file, or a folder.
enum class PathKind { None, File, Folder };
PathKind PathKindAt(const char* path);

// Writes all size bytes, or reports false (nothing to write is no failure).
bool FileWriteAll(std::FILE* file, const void* data, std::size_t size);

// Closes the stream and reports whether everything written reached the file.
// The handle is empty afterwards.
bool FileClose(FileHandle& file);
