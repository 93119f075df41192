// Where an installation by setup lands, as a test program built with setup (so of the
// same width) sees it, on 32-bit or 64-bit Windows: which builds of the shell extension
// go into which system folder and registry view, whether the machine-wide keys are
// redirected for 32-bit programs, and the install log that results. Standard C++ only:
// the choices are tested natively, and the Windows tests ask them for the machine they
// run on.
#pragma once

#include <string>
#include <utility>
#include <vector>

// The width of the programs under test (setup and the test program, one build) and of
// Windows. A 64-bit program on 32-bit Windows does not exist.
struct MachineWidths {
  bool program_64bit;
  bool windows_64bit;
};

// One build of the shell extension as it is installed.
struct ExtensionPlace {
  const char* build_file;     // the build's file, below the build folder
  const char* system_folder;  // the folder below the Windows folder that holds it
  bool view_64bit;            // registered in the 64-bit registry view (else the 32-bit one)
  int file_code;              // the install log's code for the file: 0, or 16 (native)
  int key_code;               // and for its keys: 9, or 17 (64-bit view)
};

// The extension's builds in the order setup installs them. Explorer loads only
// extensions of its own width: 32-bit Windows gets the 32-bit build; on 64-bit Windows
// a 32-bit setup installs its 32-bit build (for 32-bit programs' shell dialogs, in
// SysWOW64) and the 64-bit build it carries (for Explorer, in the native system folder,
// 64-bit view); a 64-bit setup installs only its own build, the native way.
std::vector<ExtensionPlace> ExtensionPlaces(MachineWidths machine);

// The registry views of the machine (false: 32-bit, true: 64-bit) and the folders below
// the Windows folder that hold system files.
std::vector<bool> RegistryViews(MachineWidths machine);
std::vector<std::string> SystemFolders(MachineWidths machine);

// True when the keys setup makes under HKLM "Software" land below
// "Software\Wow6432Node" of the 64-bit view: a 32-bit program on 64-bit Windows.
bool MachineKeysRedirected(MachineWidths machine);

// The place of an installation, as setup (of the test program's width) names it.
struct InstallPlaces {
  std::string dir;                  // the installation folder
  std::vector<std::string> created; // the levels of dir that setup creates, deepest first
  std::string system_folder;        // the system folder as setup names it (GetSystemDirectory)
  std::string group;                // the program group's folder
  std::string desktop;              // the common desktop
};

// The install log of a fresh installation (no older version, the vendor key new), as
// (code, data) records in order.
std::vector<std::pair<int, std::string>> ExpectedInstallLog(MachineWidths machine, const InstallPlaces& places);
