// Helpers of the mail tests under Wine: the test program's folder, files, the real
// registry, and the recorded boxes as text.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The folder of the running test program, with its trailing "\".
std::string Folder();
std::string ReadAll(const std::string& path);  // "<missing>" when it cannot be read
void WriteAll(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
std::vector<std::string> Lines(const std::string& text);

void SetKeyText(HKEY root, const char* path, const char* name, const std::string& text);
void CreateKey(HKEY root, const char* path);
void DeleteKeyTree(HKEY root, const char* path);

// The boxes recorded so far: "error: <text>" or "warning: <text>".
std::vector<std::string> BoxTexts();
