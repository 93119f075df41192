// What setup does to the machine: the installation steps and the unattended upgrade.
// The decisions (order, names, registry groups) are in setup_rules.h; this is the
// Win32 side that carries them out.
#pragma once

#include <windows.h>

#include <cstddef>

// The four steps of the wizard's installation page (files, shortcuts, registry keys,
// and the fourth marked with the registry step): set by InstallAll as it goes.
extern int g_step_done[4];

// The installed version's name (at most 16 characters with the NUL) from the first of
// HKLM "Software\Orvanel\Vek" and "Software\Orvanel\Quillnox" that opens: 1 or 0.
int InstalledVersion(char* name);

// Installs into folder dir: 1, or 0 when the install log cannot be created.
int InstallAll(HWND owner, const char* dir);

// Writes setup's resource (type, id) to path: 1 or 0 (with its message).
int ExtractResource(const char* type, int id, const char* path);

// A shell link at link_path to target: 1 or 0.
int CreateShortcut(const char* target, const char* link_path);

// A shortcut named link_name in the program group or on the desktop: 1 or 0. link_path
// (SETUP_PATH_SIZE bytes) gets the link's path, or "" when the folder is unknown.
int ProgramGroupShortcut(const char* link_name, const char* target, char* link_path);
int DesktopShortcut(const char* link_name, const char* target, char* link_path);

// 5 on the Windows NT family, else the platform's own number.
int WindowsFamily();

// The unattended installation from the "SETUP" section of the INI file.
void UnattendedInstall(const char* ini_path);

void RemoveOlderVersion(const char* version);
void SaveOldSettings(const char* version);
void RestoreOldSettings(const char* version);
