// A stand-in for Quillnox.exe in the shell extension's test: it records the text of its
// command line behind the program's name (what the real program reads) into
// "started.txt" beside itself, written under another name first and then renamed, so
// that the test never reads half a record.
#include <windows.h>

#include <cstring>

int main() {
  const char* line = GetCommandLineA();
  if (*line == '"') {
    line = std::strchr(line + 1, '"');
    line = line == nullptr ? "" : line + 1;
  } else {
    while (*line != '\0' && *line != ' ' && *line != '\t') ++line;
  }
  while (*line == ' ' || *line == '\t') ++line;

  char folder[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  *(std::strrchr(folder, '\\') + 1) = '\0';
  char temporary[MAX_PATH + 16];
  char record[MAX_PATH + 16];
  lstrcpyA(temporary, folder);
  lstrcatA(temporary, "started.tmp");
  lstrcpyA(record, folder);
  lstrcatA(record, "started.txt");

  HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
  CloseHandle(file);
  return MoveFileExA(temporary, record, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
