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
