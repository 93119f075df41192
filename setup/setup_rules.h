// setup's decisions, apart from the machine: the product's names, the carried files,
// the order of the installation steps, the registry groups with their log records,
// the folder levels to create and log, the numbering of the log and the uninstaller,
// and how an older version is recognised, removed and its settings found.
// Standard C++ only.
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

// The older uninstaller's silent command line: folder + "\unins000.exe /SILENT".
bool OlderUninstallCommand(const char* open_command, char* command, std::size_t size);

// The first number from 0 that is free for both the log and the uninstaller: neither
// "<dir>\unins%03d.dat" nor "<dir>\unins%03d.exe" exists (exists() is asked for each).
// Both names are given, so an uninstaller always carries the number of its own log,
// whatever earlier installations left in the folder. false when no number below 1000
// is free or a path does not fit.
bool FirstFreeNumber(const char* dir, bool (*exists)(const char* path), char* log_path, char* uninstaller_path,
                     std::size_t size);
