// Files for the Windows test programs: whole files read and written, text lines,
// folder listings and removal, last-write times.
#pragma once

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

// True when a file or folder is at path.
bool Exists(const std::string& path);

// The whole file; "<missing>" when it cannot be read, so that an empty file and a
// missing one differ in a comparison.
std::string ReadAll(const std::string& path);
// The whole file; "" when it cannot be read.
std::string Content(const std::string& path);
// A text file with its carriage returns taken out (the programs write "\r\n").
std::string ReadText(const std::string& path);
// Writes the whole file; a file that cannot be written whole is a test failure.
void WriteAll(const std::string& path, const std::string& bytes);

// The lines of a text, without their line feeds.
std::vector<std::string> Lines(const std::string& text);

// The names in a folder (given with its trailing backslash), without "." and "..".
std::set<std::string> FolderNames(const std::string& folder);
// Deletes everything inside the folder (given with its trailing backslash), read-only
// files too; the folder stays.
void EmptyFolder(const std::string& folder);
// Deletes the folder (given with its trailing backslash) with everything inside.
void RemoveTree(const std::string& folder);

// The last-write time as a FILETIME number (100 ns since 1601); 0 when unknown.
std::uint64_t WriteTime(const std::string& path);
void SetWriteTime(const std::string& path, std::uint64_t time);
