// The native (64-bit) side of 64-bit Windows, for setup and the uninstaller. A 32-bit
// program there sees "SysWOW64" under the name of the system folder; while a
// NativeFileView lives, the calling thread sees the real 64-bit system folder instead.
// Keep it around single file calls only: with the view switched, Windows would load
// 64-bit libraries into the program. For a 64-bit program, or on 32-bit Windows, the
// view is already native and nothing changes.
#pragma once

#include <windows.h>

class NativeFileView {
 public:
  // wanted false: no change at all (for code that serves both views).
  explicit NativeFileView(bool wanted = true) {
    if (wanted) switched_ = Wow64DisableWow64FsRedirection(&previous_) != 0;
  }
  ~NativeFileView() {
    if (switched_) Wow64RevertWow64FsRedirection(previous_);
  }
  NativeFileView(const NativeFileView&) = delete;
  NativeFileView& operator=(const NativeFileView&) = delete;

 private:
  PVOID previous_ = nullptr;
  bool switched_ = false;
};

// True on 64-bit Windows, whether this program is a 32-bit or a 64-bit one.
inline bool WindowsIs64Bit() {
#if defined(_WIN64)
  return true;
#else
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
#endif
}
