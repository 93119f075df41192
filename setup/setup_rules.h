// setup's decisions, apart from the machine: the product's names, the installation
// folder as it is accepted, the carried files, the order of the installation steps and
// where each writes, the registry groups with their log records, the folder levels to
// create and log, the numbering of the log and the uninstaller, how an older version
// is recognised, removed and its settings found and put back, and the unattended
// installation's exit codes and log lines. Standard C++ only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr std::size_t SETUP_PATH_SIZE = 260;

extern const char PRODUCT_TITLE[];            // "Quillnox"
extern const char PRODUCT_VERSIONED_TITLE[];  // "Quillnox 4.10"
extern const char PRODUCT_VERSION[];          // "4.10EN"
extern const char SHELLEXT_CLSID[];           // the shell extension's class identifier

// Formats into out (size bytes with the NUL); false, out emptied, when the result does
// not fit: a path is never used cut short.
bool FormatBounded(char* out, std::size_t size, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// ---- The installation folder ----
// The longest folder setup accepts: every path and registry value it builds from the
// folder must fit in SETUP_PATH_SIZE with its NUL; the longest is the quiet uninstall
// command, the quoted "<folder>\unins000.exe" followed by " /SILENT" (23 more).
constexpr std::size_t SETUP_FOLDER_MAX = SETUP_PATH_SIZE - 1 - 23;

enum class FolderProblem {
  None,
  Empty,      // nothing given
  Relative,   // not a full path ("Apps", "C:Apps", "\Apps")
  DriveRoot,  // "C:\"
  ShareRoot,  // "\\server\share"
  BadName,    // a character or name that Windows does not keep as it is written
  TooLong,    // longer than SETUP_FOLDER_MAX once normalised
};

// The folder as setup installs into it, from what the user or the INI file gave: blanks
// and one pair of quotes around it dropped, "/" read as "\", empty, "." and ".."
// components resolved, no trailing backslash. out (size bytes) gets the result, "" on
// a problem. A folder given with a trailing backslash or doubled backslashes gives the
// same folder as without them.
FolderProblem NormalizeInstallFolder(const char* input, char* out, std::size_t size);

// The message for a refused folder (the folder as given, shortened when long).
std::string FolderProblemText(FolderProblem problem, const char* folder);

// The levels of the installation folder path, shallowest first: the path up to each
// backslash and the whole path, leaving out a drive ("C:") and an empty start.
std::vector<std::string> FolderLevels(const char* folder);

// The created levels (shallowest first) as the log lists them: the deepest first, at
// most the 10 deepest.
std::vector<std::string> LevelsToLog(const std::vector<std::string>& created);
constexpr std::size_t SETUP_MAX_LEVELS = 10;

// One step of the installation, in the order setup runs them.
enum class StepKind {
  Resource,        // write a carried file, then its code 0 record
  LogOnly,         // a code 0 record for a file that appears later
  GroupShortcut,   // a program-group shortcut, then its code 0 record
  DesktopShortcut, // a desktop shortcut, then its code 0 record
  GroupFolders,    // code 1 records for the program group folder and its parent
  MarkDone,        // a step of the wizard's page is done
};

enum class StepTarget {
  InstallDir,      // file name in the installation folder
  Uninstaller,     // "unins%03d.exe" with the number of the install log
  SystemDir,       // file name in the Windows system folder
  NativeSystemDir, // file name in the native (64-bit) system folder, on 64-bit Windows
  Program,         // shortcut to the installed program
  HelpFile,        // shortcut to the help file
  UninstallerLink, // shortcut to the uninstaller
  None,
};

struct InstallStep {
  StepKind kind;
  const char* resource_type;  // Resource: the resource type
  int resource_id;            // Resource: its id; MarkDone: the step number 0..3
  StepTarget target;
  const char* name;           // file name, or the shortcut's name format ("%s" = title)
  bool versioned_title;       // shortcut named with the versioned title
};

// The files and shortcuts of the installation, in order.
const std::vector<InstallStep>& InstallSteps();

// Where the steps write.
struct InstallPlaces {
  const char* dir;           // the installation folder, normalised
  const char* uninstaller;   // the numbered uninstaller in it
  const char* system_dir;    // the Windows system folder (also the name of the native one)
  const char* programs_dir;  // the folder holding the program group ("" when unknown)
  const char* desktop_dir;   // the desktop folder ("" when unknown)
};

// The program group folder (programs + "\Feldspire\Quillnox") and its parent. false
// when programs is empty or the result does not fit.
bool ProgramGroupFolders(const char* programs, char* group, char* parent, std::size_t size);

// The file or shortcut a Resource, LogOnly or shortcut step writes: false (out "")
// for the other steps, when the folder it goes to is unknown, or when it does not fit.
bool StepPath(const InstallStep& step, const InstallPlaces& places, char* out, std::size_t size);

// Which builds of the shell extension go onto this machine. Explorer loads only
// extensions of its own width, so 64-bit Windows gets the 64-bit build as well,
// installed into the native system folder and registered in the 64-bit registry view
// (log codes 16 and 17). A 64-bit setup carries only the 64-bit build, so its
// native folder and view are its own.
struct ExtensionChoice {
  bool ordinary;  // resource 137 into the system folder, registered in setup's own view
  bool native;    // resource 139 into the native system folder, in the 64-bit view
};
ExtensionChoice ExtensionsToInstall(bool setup_is_64bit, bool windows_is_64bit);

// Registry groups: what setup creates and what it logs, in order. ClassesRootNative
// is HKEY_CLASSES_ROOT in the 64-bit registry view.
enum class RegRoot { LocalMachine, CurrentUser, ClassesRoot, ClassesRootNative };
enum class RegAction { CreateKey, SetValue, Log };
struct RegistryStep {
  RegAction action;
  RegRoot root;
  std::string key;              // the key (created, written to, or logged)
  std::string name;             // SetValue: value name, "" = the default value
  std::uint32_t type;           // SetValue: registry type
  std::vector<std::uint8_t> data;  // SetValue: the bytes (text with its NUL)
  int log_code;                 // Log: 8, 9 or 10
};

// The registry steps for installation folder dir, the shell extension's full path (""
// when it is not installed), the 64-bit extension's full path in the native system
// folder ("" when it is not installed), the uninstaller's full path and the installed
// size in KiB. vendor_key_new: HKLM
// "Software\Orvanel" does not exist yet, so creating the version key makes it, and it
// is logged too (removed when nothing else is left under it). false when a value would
// not fit its buffer.
bool RegistryPlan(const char* dir, const char* extension_path, const char* native_extension_path,
                  const char* uninstaller_path, std::uint32_t size_kib, bool vendor_key_new,
                  std::vector<RegistryStep>* plan);

// The installed version's key as the wizard and the unattended installation look for
// it: HKLM "Software\Orvanel\Vek" first, then "Software\Orvanel\Quillnox".
extern const char* const INSTALLED_VERSION_KEYS[2];

// Versions whose own uninstaller can be run silently ("3.13", "4.00", "4.01", and
// from "4.04" on); any other version is removed by hand.
bool RemovedByOwnUninstaller(const char* version);

// Where the settings of version sit: HKLM "Software\Orvanel\Vek\<v>" before "4.06",
// HKCU "Software\Orvanel\Quillnox\<v>" from "4.06" on. false when it does not fit.
bool OldSettingsKey(const char* version, bool* under_current_user, char* path, std::size_t size);

// The older installation folder from the "VekFile" open command (cut at its last
// backslash); false when there is none or it does not fit.
bool OlderInstallFolder(const char* open_command, char* folder, std::size_t size);

// The older uninstaller's silent command line: the quoted folder + "\unins000.exe",
// then " /SILENT"; or the uninstall entry's quiet command (quiet_uninstall, "" when
// there is none) when it is "\"<that folder>\unins%03d.exe\" /SILENT", as this
// version writes it.
bool OlderUninstallCommand(const char* open_command, const char* quiet_uninstall, char* command, std::size_t size);

// The keys RestoreOldSettings creates for version, in order; the saved values go into
// the last. Versions before "4.06" kept their settings in HKLM "SOFTWARE\Orvanel\Vek\<v>",
// made again only when something was saved. Later versions: HKLM
// "Software\Orvanel\Quillnox\<v>" always (the first start of the new program in any
// account looks for an older version there, and migrates that user's own settings),
// and HKCU "Software\Orvanel\Quillnox\<v>" only when this user had settings to keep.
struct OldSettingsTarget {
  bool current_user;  // HKEY_CURRENT_USER, else HKEY_LOCAL_MACHINE
  std::string path;
};
std::vector<OldSettingsTarget> OldSettingsTargets(const char* version, bool user_settings_saved);

// ---- The unattended installation ----
// Its exit codes (documented in the README). The first failure names the run; a
// warning only when nothing failed.
enum SetupExit {
  SETUP_EXIT_INSTALLED = 0,
  SETUP_EXIT_NO_FOLDER = 1,               // no INI file, or no "installdir": nothing done
  SETUP_EXIT_FOLDER_REFUSED = 2,          // the folder is refused: nothing done
  SETUP_EXIT_SETTINGS_UNREADABLE = 3,     // the installed version's settings cannot be read: nothing done
  SETUP_EXIT_OLDER_NOT_REMOVED = 4,       // its uninstaller could not be started; installed all the same
  SETUP_EXIT_NOT_INSTALLED = 5,           // InstallAll failed; what it wrote is removed
  SETUP_EXIT_SETTINGS_NOT_RESTORED = 6,   // installed, the older settings could not be put back
  SETUP_EXIT_WARNINGS = 7,                // installed, with a warning (a carried file missing or not written)
};
int CombineExit(int so_far, int next);

// One line of the unattended log ("setup.log" beside the INI file): the time, the step
// in brackets, the message on one line.
std::string SetupLogLine(const char* time, const char* step, const char* text);

// The INI file's path from setup's arguments: blanks and one pair of quotes dropped.
bool IniPathFromArguments(const char* arguments, char* out, std::size_t size);

// The first number from 0 that is free for both the log and the uninstaller: neither
// "<dir>\unins%03d.dat" nor "<dir>\unins%03d.exe" exists (exists() is asked for each).
// Both names are given, so an uninstaller always carries the number of its own log,
// whatever earlier installations left in the folder. false when no number below 1000
// is free or a path does not fit.
bool FirstFreeNumber(const char* dir, bool (*exists)(const char* path), char* log_path, char* uninstaller_path,
                     std::size_t size);
