// The uninstaller's decisions, apart from any window: its command line, its texts in
// both languages, the progress step, the split of a key path, the log that belongs
// to an uninstaller started without argument, the limits of the timer passes, and
// which records of a log it is willing to act on. Standard C++ only.
#pragma once

#include <cstddef>
#include <cstdint>

// The timer: one pass every 50 ms; files are tried during the first 50 ticks, the
// whole work stops at tick 100 with the leftover report.
constexpr unsigned REMOVER_TICK_MS = 50;
constexpr int REMOVER_FILE_TICKS = 50;
constexpr int REMOVER_LAST_TICK = 100;

constexpr std::size_t REMOVER_PATH_SIZE = 260;

// What one timer tick does, tick counting from 0.
enum class TickAction { Report, FilePass, FolderPass, Complete };
TickAction NextTickAction(int tick, bool files_left, bool folders_left);

struct RemoverCommand {
  bool silent;                       // "/SILENT" anywhere on the command line
  char log_path[REMOVER_PATH_SIZE];  // what is left before it ("" when nothing was given)
  // Set only in the temporary copy that finishes a removal for the original
  // uninstaller: the original's own program file (" /ORIGIN:" followed by its path),
  // and the handles the copy inherited from it (" /HANDLES:" and three numbers, 0 for
  // none): the original process, the event that lets the original end, and the copy's
  // own program file opened to be deleted when the copy ends.
  char origin[REMOVER_PATH_SIZE];
  std::uint64_t origin_process, origin_done, own_file;
};

// Splits the command line: "/SILENT" switches silent mode on and the line is cut at
// the blank before it; " /ORIGIN:path" and then " /HANDLES:p,d,f" are taken off
// likewise. Leading and trailing blanks and one pair of surrounding quotes are dropped
// from the log path. false when a path does not fit or the handles are malformed.
bool ParseRemoverCommand(const char* command_line, RemoverCommand* command);

// The command line of the temporary copy: the log path, " /HANDLES:" with the three
// handle numbers, " /ORIGIN:" and the original program's path, then " /SILENT" in
// silent mode. false when it does not fit.
bool CopyCommandLine(const char* log_path, const char* origin, std::uint64_t origin_process,
                     std::uint64_t origin_done, std::uint64_t own_file, bool silent, char* out, std::size_t size);

enum RemoverText {
  TEXT_STATE_TITLE,      // trace heading of the leftover list
  TEXT_ERROR_TITLE,      // title of error boxes
  TEXT_WINDOW_TITLE,     // "%s Uninstall"
  TEXT_OPEN_FAILED,      // the log cannot be opened, "%s" = the log path
  TEXT_REMOVED,          // final message
  TEXT_PROGRESS_LINE,    // line above the progress bar
  TEXT_PLEASE_WAIT,      // explanation
  TEXT_CANCEL,           // button
  TEXT_LEFTOVER_HEAD,    // head of the leftover list
  TEXT_LEFTOVER_TITLE,   // title of the leftover box
  TEXT_CONFIRM,          // question before a removal started without argument
  TEXT_COUNT
};

// The text in language 0 (English) or 1 (French, Windows-1252); any other number is
// English.
const char* RemoverTextFor(int language, RemoverText text);

// Formats a text's single "%s" with argument into out (size bytes with the NUL);
// cut short, never overflowing, when it does not fit.
void FormatRemoverText(int language, RemoverText text, const char* argument, char* out, std::size_t size);

// The progress bar's step for a log of count records: 100 / count, 100 for none.
int ProgressStep(std::size_t count);

// Splits a key path at its last backslash into parent and name; without a backslash
// the parent is "" and the name is the whole path. false when a part does not fit.
bool SplitKeyPath(const char* path, char* parent, std::size_t parent_size, char* name, std::size_t name_size);

// The log that belongs to the uninstaller at program_path: "…\unins003.exe" gives
// "…\unins003.dat" (any case). false when the name is not of that form.
bool LogPathForProgram(const char* program_path, char* log_path, std::size_t size);

// A file name of the form "unins%03d.dat" (any case), as setup names its logs.
bool IsNumberedLogName(const char* name);

// The folder part of a path (without its last backslash); "" when it has none.
bool FolderOf(const char* path, char* folder, std::size_t size);

// What the uninstaller may touch. The installation folder is the log's own folder;
// the other places are those setup writes to outside it.
struct RemovalScope {
  const char* install_dir;    // the log's folder
  const char* system_dir;     // the Windows system folder ("" when unknown)
  const char* group_dir;      // the program group folder "…\Feldspire\Quillnox" ("" when unknown)
  const char* desktop_dir;    // the desktop folder holding the shortcut ("" when unknown)
  const char* product_title;  // the title of record 65 (names the uninstall entry)
};

// A path names only plain components: no "." or ".." component, no "/", no empty
// component after the first.
bool IsPlainPath(const char* path);

// True when path lies inside folder (folder itself excluded); case-insensitive.
bool IsInsideFolder(const char* path, const char* folder);

// A code 0 record: a file inside the installation folder, a ".lnk" directly in the
// program group or desktop folder, or "quillext.dll" of the system folder.
bool FileRecordAllowed(const RemovalScope& scope, const char* path);

// A code 16 record: "quillext.dll" of the system folder, which names the native
// (64-bit) system folder in the native file view.
bool NativeFileRecordAllowed(const RemovalScope& scope, const char* path);

// A code 1 record: the installation folder, a folder inside it or above it (never a
// drive's root), the program group folder or its parent. Folders are only ever
// removed when empty.
bool FolderRecordAllowed(const RemovalScope& scope, const char* path);

// A code 8, 9, 10 or 17 record: one of the product's own keys under that root (the
// vendor key "Software\Orvanel" included; the uninstaller never deletes a key that
// still has subkeys). Code 17, HKEY_CLASSES_ROOT in the 64-bit view, holds only the
// 64-bit shell extension's registration: its handler key and its class key.
bool KeyRecordAllowed(const RemovalScope& scope, int code, const char* path);
