// What setup does to the machine: the installation steps and the unattended upgrade.
// The decisions (order, names, registry groups, the folder, the exit codes) are in
// setup_rules.h; this is the Win32 side that carries them out.
#pragma once

#include <windows.h>

#include <cstddef>

// Where setup's messages go. The wizard shows each in a box owned by its frame. The
// unattended installation never shows a window: each message becomes a line of its
// log ("setup.log" beside the INI file), and the run ends with the exit code of its
// first failure (SetupExit).
struct SetupReport {
  bool unattended;
  HWND owner;        // the wizard: the boxes' owner
  HANDLE log;        // unattended: the log file (INVALID_HANDLE_VALUE: none could be made)
  int exit_code;     // unattended: the run's SetupExit so far
};

// One message of a step (its name as the log shows it): a box with title and icon, or
// a line of the log; exit_code is what it means for an unattended run. A note
// (SETUP_EXIT_INSTALLED) only goes to the log.
void SetupMessage(SetupReport* report, const char* step, const char* text, const char* title, UINT icon,
                  int exit_code);

// The installed version's name (at most 16 characters with the NUL) from the first of
// HKLM "Software\Orvanel\Vek" and "Software\Orvanel\Quillnox" that opens: 1 or 0.
int InstalledVersion(char* name);

// Installs into folder dir (normalised: NormalizeInstallFolder). 1, or 0 when nothing
// is installed: the install log cannot be created or written whole, or a carried
// file could not be written whole (what was written is then removed again; the
// registry is written only once the log is complete). step_done (4 marks, or
// none) gets the steps as they are done: files, shortcuts, registry keys, and the
// fourth marked with the registry step.
int InstallAll(SetupReport* report, const char* dir, int* step_done);

// Writes setup's resource (type, id) to path: 1, or 0 (with its message) when it is
// missing, the file cannot be created, or it could not be written whole (what was
// written is removed).
int ExtractResource(SetupReport* report, const char* type, int id, const char* path);

// A shell link at link_path to target: 1 or 0.
int CreateShortcut(const char* target, const char* link_path);

// A shortcut named link_name in the program group or on the desktop: 1 or 0. link_path
// (SETUP_PATH_SIZE bytes) gets the link's path, or "" when the folder is unknown.
int ProgramGroupShortcut(const char* link_name, const char* target, char* link_path);
int DesktopShortcut(const char* link_name, const char* target, char* link_path);

// 5 on the Windows NT family, else the platform's own number.
int WindowsFamily();

// The unattended installation from the "SETUP" section of the INI file: its exit code.
int UnattendedInstall(const char* ini_path);

// The replacement of an installed older version, each 1, or 0 on a failure (reported).
// SaveOldSettings finds nothing to keep when this user has no settings of that
// version: that is no failure.
int SaveOldSettings(SetupReport* report, const char* version);
int RemoveOlderVersion(SetupReport* report, const char* version);
int RestoreOldSettings(SetupReport* report, const char* version);
