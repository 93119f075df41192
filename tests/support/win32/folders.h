// Folders for the Windows test programs: the temporary, system and shell folders as
// this program sees them, the test program's own folder, a Unix path as Wine shows it,
// and a scratch folder that goes with its contents.
#pragma once

#include <windows.h>

#include <string>

// The temporary folder (GetTempPathA), with its trailing backslash.
std::string TemporaryFolder();
// The folder of the running test program, with its trailing backslash.
std::string TestProgramFolder();
// The system and Windows folders as this program sees them, without a trailing
// backslash. A 32-bit program on 64-bit Windows is shown "...\system32" for the
// 32-bit system folder (SysWOW64) too.
std::string SystemFolder();
std::string WindowsFolder();
// A shell folder (CSIDL_PERSONAL, CSIDL_PROGRAM_FILES, ...) as this program sees it.
std::string ShellFolder(int csidl);
// A host path as Wine shows it: drive Z: is the root.
std::string UnixToWindows(std::string path);

// A new empty folder in the temporary folder, removed with everything in it when the
// object goes.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  // With its trailing backslash.
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};
