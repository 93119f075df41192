// The Notes mail library's decisions without automation (see notes_rules.h).
#include "notes/notes_rules.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

bool IsVersionChar(char c) { return (c >= '0' && c <= '9') || c == '.'; }

// The next dotted number of a token, from *p; moves *p behind it and its point.
unsigned long NextNumber(const char** p) {
  unsigned long value = 0;
  while (**p >= '0' && **p <= '9') {
    if (value < 100000000UL) value = value * 10 + static_cast<unsigned long>(**p - '0');
    ++*p;
  }
  while (**p != '\0' && **p != '.') ++*p;  // anything else up to the next point
  if (**p == '.') ++*p;
  return value;
}

}  // namespace

std::string NotesLogHeader(int year, int month, int day, int hour, int minute, int second) {
  return Format("Feldspire Quillnox Logfile --  %02d/%02d/%02d  %02d:%02d:%02d\n\n", year, month, day, hour,
                minute, second);
}

std::string NotesExceptionLine(const char* step, unsigned code, const char* description, const char* source) {
  return Format("%s created a Dispatch exception %x %s  Source: %s", step, code & 0xFFFFu,
                description ? description : "", source ? source : "");
}

std::string NotesPlainExceptionLine(const char* step) { return Format("%s created an exception", step); }

std::string NotesCallFailedLine(long dispid, unsigned long hresult) {
  return Format("Dispatch call %ld failed : %lx", dispid, hresult);
}

std::string NotesShellErrorLine(long result) {
  static const struct {
    long result;
    const char* text;
  } kLines[] = {
      {0, "The operating system is out of memory or resources."},
      {2, " The specified file was not found."},
      {3, "The specified path was not found."},
      {5, "The operating system denied access to the specified file."},
      {8, "There was not enough memory to complete the operation. "},
      {11, "The .exe file is invalid (non-Win32\xae .exe or error in .exe image). "},
      {26, "A sharing violation occurred."},
      {27, "The file name association is incomplete or invalid."},
      {28, "The DDE transaction could not be completed because the request timed out."},
      {29, "The DDE transaction failed. "},
      {30, "The DDE transaction could not be completed because other DDE transactions were being processed. "},
      {31, " There is no application associated with the given file name extension. "},
      {32, "The specified dynamic-link library was not found.  "},
  };
  for (const auto& line : kLines) {
    if (line.result == result) return std::string("ShowNotes ShellExecute Error : ") + line.text;
  }
  return Format("ShowNotes ShellExecute Error : Unknown Error Code : %lx", static_cast<unsigned long>(result));
}

std::string NotesShowPathLine(const char* exe_path, const char* folder) {
  return Format("ShowNotes Notes ExePath =%s  Path=%s", exe_path, folder);
}

std::string NotesVersionToken(const char* version) {
  if (version == nullptr) return {};
  const char* start = version;
  while (*start != '\0' && !IsVersionChar(*start)) ++start;
  const char* end = start;
  while (*end != '\0' && *end != ' ') ++end;
  return std::string(start, end);
}

int NotesVersionAcceptable(const char* version) {
  const std::string token = NotesVersionToken(version);
  if (token.empty()) return 0;
  static const unsigned long kLeast[] = {4, 6, 0};
  const char* p = token.c_str();
  for (unsigned long least : kLeast) {
    const unsigned long part = NextNumber(&p);
    if (part != least) return part > least ? 1 : 0;
  }
  return 1;
}

std::string NotesSenderTags(std::uint32_t flags) {
  static const char kLetters[] = "CPTFGJYQR";  // bits 5 to 13
  std::string tags;
  for (int bit = 0; bit < 9; ++bit) {
    if (flags & (0x20u << bit)) tags += kLetters[bit];
  }
  return tags;
}

int NotesComposeProgramPath(const char* path, const char* name, char* out, std::size_t size) {
  if (out == nullptr || size == 0) return 0;
  out[0] = '\0';
  if (path == nullptr || name == nullptr) return 0;
  const std::size_t a = std::strlen(path), b = std::strlen(name);
  if (a + b + 1 > size) return 0;
  std::memcpy(out, path, a);
  std::memcpy(out + a, name, b + 1);
  return 1;
}

int NotesMailtoProgramPath(const char* command, char* out, std::size_t size) {
  if (out == nullptr || size == 0) return 0;
  out[0] = '\0';
  if (command == nullptr) return 0;
  std::size_t length = std::strlen(command);
  if (const char* marker = std::strstr(command, "%1")) {
    length = static_cast<std::size_t>(marker - command);
    if (length > 0) --length;  // the character in front of "%1" goes too
  }
  if (length + 1 > size) return 0;
  std::memcpy(out, command, length);
  out[length] = '\0';
  return 1;
}

std::string NotesProgramFolder(const char* program_path) {
  if (program_path == nullptr) return {};
  const char* slash = std::strrchr(program_path, '\\');
  const char* colon = std::strchr(program_path, ':');
  const char* last = slash ? slash : (colon && colon == program_path + 1 ? colon : nullptr);
  if (last == nullptr) return {};
  return std::string(program_path, last + 1);
}

std::string NotesLogPath(const char* program_path) { return NotesProgramFolder(program_path) + NOTES_LOG_NAME; }
