// The machine as a test program sees it across the views of 64-bit Windows: the width
// of this program and of Windows, files in the native file-system view (the real
// system folder, also for a 32-bit program), keys and values in a chosen registry view,
// and a snapshot of drive C and of the registry in every view, to compare before and
// after an installation.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "tests/support/install_layout.h"

// This program's width and that of the Windows it runs on.
MachineWidths ThisMachine();

// The native file-system view for this thread while it lives: a 32-bit program on
// 64-bit Windows then sees the real system folder under "system32" (not SysWOW64).
// Keep file calls only inside: Windows would load 64-bit libraries meanwhile. Changes
// nothing for a 64-bit program or on 32-bit Windows.
class NativeFileSystemView {
 public:
  NativeFileSystemView();
  ~NativeFileSystemView();
  NativeFileSystemView(const NativeFileSystemView&) = delete;
  NativeFileSystemView& operator=(const NativeFileSystemView&) = delete;

 private:
  PVOID previous_ = nullptr;
  bool switched_ = false;
};

// The file's bytes as the native file-system view shows it ("" when it cannot be
// read), and whether it is there.
std::string NativeContent(const std::string& path);
bool NativeExists(const std::string& path);

// KEY_WOW64_64KEY or KEY_WOW64_32KEY (ignored by 32-bit Windows, which has one view).
REGSAM ViewAccess(bool view_64bit);
bool KeyInView(HKEY root, const std::string& path, bool view_64bit);
// A text value (nullptr: the default value) of a key in the view; "<missing>" when the
// key or the value is not there or is not text.
std::string TextInView(HKEY root, const std::string& path, const char* name, bool view_64bit);

// Every file and folder of drive C in the native view, and every key and value below
// HKLM and HKCU "Software" in each registry view of the machine, as lines.
struct MachineState {
  std::set<std::string> files, keys;
};
// skip_folders: full paths of folders left out with what is in them; skip_keys: key
// paths below a root ("Software\...") left out in every view.
MachineState TakeMachineState(const std::vector<std::string>& skip_folders, const std::vector<std::string>& skip_keys);
// The machine as an installation may change it: without the temporary folder (work
// files, the uninstaller's copy and its trace), the folders given (the test's own
// files), and the keys where Windows itself keeps what the user did (the file dialogs'
// recent folders, Explorer's view settings that the file dialog writes, the Wine
// configuration).
MachineState TakeInstallationState(const std::vector<std::string>& unchecked_folders = {});
// The lines of a that b has not.
std::vector<std::string> Difference(const std::set<std::string>& a, const std::set<std::string>& b);
