// Deleting what an install log names without following links (Win32). The uninstaller
// usually runs as administrator, and an installation folder chosen by the user may be
// writable by others: a folder on the way that someone turned into a junction or a
// symbolic link would lead a deletion out of the folder. Every deletion therefore goes
// through handles opened along the path with FILE_FLAG_OPEN_REPARSE_POINT, from the
// folder that put the record in scope; the folders on the way stay open (and so in
// place) until the record itself has been deleted through its own handle. The
// decision on what the handles show is JudgeComponents (remover_rules.h).
#pragma once

#include <windows.h>

#include <cstddef>

enum class RemoveOutcome {
  Removed,  // deleted (a link: the link itself)
  Gone,     // not there (any more)
  Failed,   // still there: in use, not empty, or not allowed
  Refused,  // a folder on the way is a link, or the path leads elsewhere
};

// Deletes the file (folder false) or the empty folder at path, which lies inside base.
RemoveOutcome RemoveWithoutFollowing(const char* base, const char* path, bool folder);

// The handle is a link (a reparse point naming another place), read from the handle
// itself.
bool HandleIsLink(HANDLE handle);

// Where an open handle really is, in the ordinary form ("C:\x"); false ("") when the
// system cannot say.
bool HandleFinalPath(HANDLE handle, char* out, std::size_t size);

// Opens path without following a link at its end (folders too).
HANDLE OpenWithoutFollowing(const char* path, DWORD access, DWORD share);
