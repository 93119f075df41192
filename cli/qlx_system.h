// What qlx needs from the system beyond the core's seam: the terminal for a prompted
// passphrase, file modes, and files that appear in their place whole or not at all.
// One implementation for POSIX (qlx_system_posix.cpp), one for Windows
// (qlx_system_win32.cpp).
#pragma once

#include <cstdio>
#include <string>

// Whether standard input is a terminal (console) the passphrase can be asked on.
bool PassphraseTerminalAvailable();
// Shows prompt on standard error and reads one line from the terminal on standard
// input without echo. The line goes to line without its end; at most size - 1 bytes
// are kept, and *too_long tells that more were typed. false when nothing could be read.
bool ReadHiddenLine(const char* prompt, char* line, std::size_t size, bool* too_long);

// While one lives, files and folders are made for this user alone (POSIX: umask 077).
class PrivateFileModes {
 public:
  PrivateFileModes();
  ~PrivateFileModes();
  PrivateFileModes(const PrivateFileModes&) = delete;
  PrivateFileModes& operator=(const PrivateFileModes&) = delete;

 private:
  unsigned previous_;
};

// A new file "<folder>/.qlx-XXXXXX.tmp" that did not exist before (never an existing
// name or link), open for writing, readable by this user alone. Its path goes to path.
// nullptr with errno set on failure.
std::FILE* CreateTempFileIn(const std::string& folder, std::string* path);
// Writes all of data to a file made by CreateTempFileIn; false with errno set (ENOSPC
// for a full disk) when any of it could not be written.
bool WriteAll(std::FILE* file, const void* data, std::size_t length);
// Flushes the file to the disk and closes it; false, with errno set, when anything
// failed. The stream is closed either way.
bool FlushAndClose(std::FILE* file);
// Gives a finished output the mode a new file of this user gets (0666 less the umask).
bool GiveUsualMode(const std::string& path);

enum class PlaceResult { kDone, kExists, kOtherVolume, kFailed };
// Renames from into to in one step. Without replace an existing to is left alone
// (kExists). kOtherVolume: the two are on different volumes. kFailed: errno is set.
PlaceResult PlaceFile(const std::string& from, const std::string& to, bool replace);

// Removes a file; a missing file is no error.
void RemoveFileQuietly(const std::string& path);
// The system's text for an errno value ("No space left on device").
std::string SystemErrorText(int error);
