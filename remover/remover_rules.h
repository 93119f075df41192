// The uninstaller's decisions, apart from any window: its command line, its texts in
// both languages, the progress step, the split of a key path, the log that belongs
// to an uninstaller started without argument, the limits of the timer passes, which
// records of a log it is willing to act on, and what the handles opened along a
// record's path must show before anything is deleted. Standard C++ only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// The arguments after the program's own path on the command line as Windows passes
// it (GetCommandLineA). A quoted program path ends at its closing quote. Windows
// passes an unquoted one as it was written, blanks included
// ("C:\Program Files\Orvanel\Quillnox\unins000.exe /SILENT"): it is recognised by the
// program's own file name (module_path, any case, with or without ".exe"); any other
// unquoted start is a name without blanks and ends at the first blank.
const char* ArgumentsAfterProgram(const char* line, const char* module_path);

// Splits the arguments: "/SILENT" switches silent mode on and the line is cut at
// the blank before it; " /ORIGIN:path" and then " /HANDLES:p,d,f" are taken off
// likewise. Leading and trailing blanks and one pair of surrounding quotes are dropped
// from the log path. false when a path does not fit or the handles are malformed.
bool ParseRemoverCommand(const char* command_line, RemoverCommand* command);

// The arguments of the temporary copy: the quoted log path, " /HANDLES:" with the three
// handle numbers, " /ORIGIN:" and the quoted original program's path, then " /SILENT"
// in silent mode. ParseRemoverCommand gives back exactly what was given. false when it
// does not fit, or a path is empty, holds a quote or a slash (neither is possible in a
// full Windows path) or begins or ends with a blank.
bool CopyCommandLine(const char* log_path, const char* origin, std::uint64_t origin_process,
                     std::uint64_t origin_done, std::uint64_t own_file, bool silent, char* out, std::size_t size);

// A log longer than this is refused rather than read in part (setup's logs are a few
// KiB).
constexpr std::uint64_t REMOVER_LOG_MAX = 16u << 20;
bool LogSizeAcceptable(std::uint64_t size);

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
  TEXT_RESTART,          // added to the final message when a file goes at the next restart
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
};

// The shortcuts setup makes, the only ".lnk" files the uninstaller deletes outside the
// installation folder: in the program group, and on the desktop.
extern const char* const REMOVER_GROUP_SHORTCUTS[3];
extern const char REMOVER_DESKTOP_SHORTCUT[];
// The uninstall entry setup makes (under HKEY_LOCAL_MACHINE), whatever title the log
// names.
extern const char REMOVER_UNINSTALL_KEY[];

// A path names only plain components: no "." or ".." component, no "/", no empty
// component after the first.
bool IsPlainPath(const char* path);

// True when path lies inside folder (folder itself excluded); case-insensitive.
bool IsInsideFolder(const char* path, const char* folder);

// A folder that can hold an installation: a full path with at least one folder below
// a drive ("C:\Apps") or below a network share ("\\server\share\Apps"). A log at the
// root of a drive or of a share puts nothing of that folder in scope.
bool UsableInstallFolder(const char* folder);

// A code 0 record: a file inside the installation folder, one of setup's shortcuts
// in the program group or on the desktop, or "quillext.dll" of the system folder.
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

// The original uninstaller that a temporary copy deletes once the original has ended
// (" /ORIGIN:" on the copy's command line): only a file inside the installation
// folder, the only place from which an uninstaller hands its work to a copy.
bool CopyOriginAllowed(const RemovalScope& scope, const char* origin);

// A file that the system may hold loaded (the shell extension "quillext.dll" of the
// system folder, held by Explorer): when it cannot be deleted now it is deleted at the
// next start of Windows, and the final message says so.
bool RestartDeletes(const RemovalScope& scope, const char* path);

// ---- Links ----
// A record is deleted only through handles opened along its path without following a
// link, from the folder that put it in scope (the base) down to the record itself. A
// folder below the base that is a link (a junction, a symbolic link) would take the
// deletion out of scope: the record is refused. The record itself may be a link: it
// is then removed as a link, never its target's content.

// The folder that puts path in scope, whose components below it are checked: the
// installation folder for what lies inside it, else the program group, the desktop or
// the system folder holding it; for a folder record at or above the installation
// folder (or the group folder and its parent), its own parent, so that only the record
// itself is checked. false when path is not in scope.
bool ScopeBase(const RemovalScope& scope, const char* path, bool folder_record, char* base, std::size_t size);

// The paths from below base down to path ("C:\D" and "C:\D\a\f" give "C:\D\a" and
// "C:\D\a\f"). false when path does not lie inside base.
bool ComponentsBelow(const char* base, const char* path, std::vector<std::string>* components);

// A final path as the system gives it ("\\?\C:\x", "\\?\UNC\srv\share\x") in the
// ordinary form ("C:\x", "\\srv\share\x"). false when it does not fit.
bool PlainFinalPath(const char* final_path, char* out, std::size_t size);

// What one handle, opened without following a link, shows.
struct OpenedComponent {
  bool reparse_point;      // it is a link (junction, symbolic link)
  const char* final_path;  // where it really is, in the ordinary form ("" when unknown)
};

enum class LinkVerdict {
  Plain,       // no link anywhere: delete
  LastIsLink,  // the record itself is a link: delete the link itself
  Refuse,      // a folder on the way is a link, or a handle is elsewhere than its path says
};

// Judges the handles opened for components (as ComponentsBelow gives them), the base
// being where base_final says. Each folder on the way must be no link and lie directly
// inside the one before it (a system that follows links when asked not to shows the
// link's target elsewhere); the record itself may be a link, but must lie directly in
// its folder.
LinkVerdict JudgeComponents(const char* base_final, const OpenedComponent* parts, std::size_t count);
