// The uninstaller's window (dialog 101): reads the log, deletes the keys at once,
// then removes the files and folders on a 50 ms timer and ends with the final message
// or the leftover report.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "remover/install_log.h"
#include "remover/native_view.h"
#include "remover/no_follow.h"
#include "remover/remover.h"
#include "resources/resource.h"

namespace {

constexpr UINT_PTR kTimer = 1;

struct Window {
  RemoverState* state;
  RemovalScope scope;
  int tick;
  HFONT bold;
};

Window g_window;

void Step(HWND dialog) { SendDlgItemMessageA(dialog, IDC_REMOVER_PROGRESS, PBM_STEPIT, 0, 0); }

HKEY RootOf(int code) {
  return code == LOG_KEY_HKLM                                  ? HKEY_LOCAL_MACHINE
         : code == LOG_KEY_HKCR || code == LOG_KEY_HKCR_NATIVE ? HKEY_CLASSES_ROOT
                                                               : HKEY_CURRENT_USER;
}

void RemoveKey(int code, const char* path) {
  char parent[REMOVER_PATH_SIZE], name[REMOVER_PATH_SIZE];
  if (!SplitKeyPath(path, parent, sizeof parent, name, sizeof name)) return;
  // Code 17 names the 64-bit view, which a 32-bit uninstaller reaches only on request.
  const REGSAM view = code == LOG_KEY_HKCR_NATIVE ? KEY_WOW64_64KEY : 0;
  HKEY key = nullptr;
  const LONG opened = RegOpenKeyExA(RootOf(code), parent, 0, KEY_ALL_ACCESS | view, &key);
  if (opened == ERROR_SUCCESS) {
    // Only a key without subkeys goes, on every system (some delete whole trees).
    HKEY child = nullptr;
    DWORD subkeys = 1;
    if (RegOpenKeyExA(key, name, 0, KEY_READ | view, &child) == ERROR_SUCCESS) {
      RegQueryInfoKeyA(child, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr);
      RegCloseKey(child);
    }
    if (subkeys == 0 && view) RegDeleteKeyExA(key, name, view, 0);
    else if (subkeys == 0) RegDeleteKeyA(key, name);
    RegCloseKey(key);
  }
  Trace("RegRemove %s\\%s ==> ret=%d", parent, name, static_cast<int>(opened));
}

// Removes one record's file or folder through handles that do not follow links.
RemoveOutcome RemoveRecord(const char* path, bool folder) {
  char base[REMOVER_PATH_SIZE];
  if (!ScopeBase(g_window.scope, path, folder, base, sizeof base)) return RemoveOutcome::Refused;
  return RemoveWithoutFollowing(base, path, folder);
}

// A file that cannot go now but may go at the next start of Windows (the shell
// extension that Explorer holds loaded).
bool DeleteAtRestart(RemoverState& s, const char* path) {
  if (!RestartDeletes(g_window.scope, path) || !MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return false;
  s.restart_needed = true;
  Trace("PathRemove, at restart");
  return true;
}

// The 64-bit shell extension in the native system folder, deleted at once. Explorer
// may hold it loaded; it then goes at the next start of Windows.
void RemoveNativeFile(RemoverState& s, const char* path) {
  Trace("PathRemove, native path=%s", path);
  NativeFileView view;  // only around the file calls
  switch (RemoveRecord(path, false)) {
    case RemoveOutcome::Removed:
    case RemoveOutcome::Gone: Trace("PathRemove, OK"); break;
    case RemoveOutcome::Refused:
      Trace("PathRemove, refused path=%s", path);
      s.refused.push_back(path);
      break;
    case RemoveOutcome::Failed:
      if (!DeleteAtRestart(s, path)) Trace("PathRemove, KO");
      break;
  }
}

// The one file and the folders the temporary copy leaves to the end.
bool HeldBack(const RemoverState& s, const char* path, bool folder) {
  if (!*s.origin) return false;
  if (!folder) return lstrcmpiA(path, s.origin) == 0;
  char origin_dir[REMOVER_PATH_SIZE];
  FolderOf(s.origin, origin_dir, sizeof origin_dir);
  return lstrcmpiA(path, origin_dir) == 0 || IsInsideFolder(origin_dir, path);
}

// Reads the log's records: keys go at once, files and folders onto the lists.
void ReadLog(HWND dialog, RemoverState& s) {
  const std::size_t count = CountLogRecords(s.log.data(), s.log.size());
  SendDlgItemMessageA(dialog, IDC_REMOVER_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  SendDlgItemMessageA(dialog, IDC_REMOVER_PROGRESS, PBM_SETPOS, 0, 0);
  SendDlgItemMessageA(dialog, IDC_REMOVER_PROGRESS, PBM_SETSTEP, ProgressStep(count), 0);
  std::size_t offset = 0;
  LogEntry e;
  while (NextLogRecord(s.log.data(), s.log.size(), &offset, &e)) {
    if (e.too_long) continue;
    switch (e.code) {
      case LOG_LANGUAGE: s.language = static_cast<unsigned char>(e.data[0]); break;
      case LOG_TITLE: lstrcpynA(s.title, e.data, sizeof s.title); break;
      case LOG_FILE:
        if (!FileRecordAllowed(g_window.scope, e.data)) {
          Trace("PathListAdd, refused path=%s", e.data);
          s.refused.push_back(e.data);
        } else if (HeldBack(s, e.data, false)) {
          Trace("PathListAdd, held path=%s", e.data);
        } else {
          s.files.push_back(e.data);
          Trace("PathListAdd, path=%s", e.data);
        }
        break;
      case LOG_FOLDER:
        if (!FolderRecordAllowed(g_window.scope, e.data)) {
          Trace("DirListAdd, refused path=%s", e.data);
          s.refused.push_back(e.data);
        } else if (HeldBack(s, e.data, true)) {
          s.held_folders.push_back(e.data);
          Trace("DirListAdd, held path=%s", e.data);
        } else {
          s.folders.push_back(e.data);
          Trace("DirListAdd, path=%s", e.data);
        }
        break;
      case LOG_FILE_NATIVE:
        if (NativeFileRecordAllowed(g_window.scope, e.data)) {
          RemoveNativeFile(s, e.data);
          Step(dialog);
        } else {
          Trace("PathListAdd, refused path=%s", e.data);
          s.refused.push_back(e.data);
        }
        break;
      case LOG_KEY_HKLM:
      case LOG_KEY_HKCR:
      case LOG_KEY_HKCR_NATIVE:
      case LOG_KEY_HKCU:
        if (KeyRecordAllowed(g_window.scope, e.code, e.data)) {
          RemoveKey(e.code, e.data);
          Step(dialog);
        } else {
          Trace("RegRemove, refused key=%s", e.data);
        }
        break;
      default: break;
    }
  }
}

void FilePass(HWND dialog, RemoverState& s) {
  Trace("PathRemove, n=%d", static_cast<int>(s.files.size()));
  for (std::size_t i = 0; i < s.files.size();) {
    const std::string path = s.files[i];
    const int n = static_cast<int>(s.files.size());
    Trace("PathRemove, path=%s", path.c_str());
    switch (RemoveRecord(path.c_str(), false)) {
      case RemoveOutcome::Removed: Trace("PathRemove, OK (i,n)=(%d,%d)", static_cast<int>(i), n); break;
      case RemoveOutcome::Gone:
        Trace("PathRemove, KO (i,n)=(%d,%d)", static_cast<int>(i), n);
        Trace("PathRemove, KO");
        break;
      case RemoveOutcome::Refused:
        Trace("PathRemove, refused path=%s", path.c_str());
        s.refused.push_back(path);
        break;
      case RemoveOutcome::Failed:
        if (DeleteAtRestart(s, path.c_str())) break;
        Trace("PathRemove, KO");
        ++i;
        continue;
    }
    s.files.erase(s.files.begin() + static_cast<std::ptrdiff_t>(i));
    Step(dialog);
  }
}

void FolderPass(HWND dialog, RemoverState& s) {
  Trace("DirRemove, n=%d", static_cast<int>(s.folders.size()));
  for (std::size_t i = 0; i < s.folders.size();) {
    const std::string path = s.folders[i];
    Trace("DirRemove, path=%s", path.c_str());
    const RemoveOutcome outcome = RemoveRecord(path.c_str(), true);
    if (outcome == RemoveOutcome::Failed) {
      Trace("DirRemove, KO (i,n)=(%d,%d)", 0, static_cast<int>(s.folders.size()));
      ++i;
      continue;
    }
    if (outcome == RemoveOutcome::Refused) {
      Trace("DirRemove, refused path=%s", path.c_str());
      s.refused.push_back(path);
    }
    s.folders.erase(s.folders.begin() + static_cast<std::ptrdiff_t>(i));
    Step(dialog);
  }
}

void ReportLeftovers(HWND dialog, RemoverState& s) {
  std::string text = RemoverTextFor(s.language, TEXT_LEFTOVER_HEAD);
  for (const std::string& f : s.files) text += "\n" + f;
  for (const std::string& f : s.folders) text += "\n" + f;
  for (const std::string& f : s.refused) text += "\n" + f;
  if (s.silent) Trace("%s", RemoverTextFor(s.language, TEXT_STATE_TITLE));
  RemoverBox(s, dialog, text.c_str(), RemoverTextFor(s.language, TEXT_LEFTOVER_TITLE), MB_OK | MB_ICONWARNING);
}

void SetTexts(HWND dialog, const RemoverState& s) {
  char text[512];
  FormatRemoverText(s.language, TEXT_WINDOW_TITLE, s.title, text, sizeof text);
  SetWindowTextA(dialog, text);
  HWND heading = GetDlgItem(dialog, IDC_REMOVER_HEADING);
  SetWindowTextA(heading, RemoverTextFor(s.language, TEXT_STATE_TITLE));
  // Bold, and as wide as its text.
  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
  font.lfWeight = FW_BOLD;
  g_window.bold = CreateFontIndirectA(&font);
  SendMessageA(heading, WM_SETFONT, reinterpret_cast<WPARAM>(g_window.bold), TRUE);
  if (HDC dc = GetDC(heading)) {
    HGDIOBJ old = SelectObject(dc, g_window.bold);
    SIZE size{};
    const char* h = RemoverTextFor(s.language, TEXT_STATE_TITLE);
    GetTextExtentPoint32A(dc, h, lstrlenA(h), &size);
    SelectObject(dc, old);
    ReleaseDC(heading, dc);
    RECT r;
    GetWindowRect(heading, &r);
    SetWindowPos(heading, nullptr, 0, 0, size.cx + 2, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
  }
  FormatRemoverText(s.language, TEXT_PROGRESS_LINE, s.title, text, sizeof text);
  SetDlgItemTextA(dialog, IDC_REMOVER_LINE, text);
  FormatRemoverText(s.language, TEXT_PLEASE_WAIT, s.title, text, sizeof text);
  SetDlgItemTextA(dialog, IDC_REMOVER_EXPLAIN, text);
  SetDlgItemTextA(dialog, IDCANCEL, RemoverTextFor(s.language, TEXT_CANCEL));
}

void OnTick(HWND dialog) {
  RemoverState& s = *g_window.state;
  switch (NextTickAction(g_window.tick, !s.files.empty(), !s.folders.empty())) {
    case TickAction::Report:
      KillTimer(dialog, kTimer);
      ReportLeftovers(dialog, s);
      EndDialog(dialog, 0);
      return;
    case TickAction::FilePass: FilePass(dialog, s); break;
    case TickAction::FolderPass: FolderPass(dialog, s); break;
    case TickAction::Complete:
      KillTimer(dialog, kTimer);
      if (!s.refused.empty()) {  // what was refused is still there
        ReportLeftovers(dialog, s);
        EndDialog(dialog, 0);
        return;
      }
      s.complete = true;
      SendDlgItemMessageA(dialog, IDC_REMOVER_PROGRESS, PBM_SETPOS, 100, 0);
      EndDialog(dialog, 1);
      return;
  }
  ++g_window.tick;
}

INT_PTR CALLBACK RemoverProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      RemoverState& s = *g_window.state;
      ReadLog(dialog, s);
      DeleteFileA(s.log_path);
      SetTexts(dialog, s);
      g_window.tick = 0;
      SetTimer(dialog, kTimer, REMOVER_TICK_MS, nullptr);
      return TRUE;
    }
    case WM_WINDOWPOSCHANGING:
      // Silent mode: the window never shows.
      if (g_window.state->silent) reinterpret_cast<WINDOWPOS*>(lparam)->flags &= ~SWP_SHOWWINDOW;
      return FALSE;
    case WM_TIMER:
      if (wparam == kTimer) OnTick(dialog);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDCANCEL) {
        KillTimer(dialog, kTimer);
        g_window.state->cancelled = true;
        EndDialog(dialog, 0);
      }
      return TRUE;
    default: return FALSE;
  }
}

}  // namespace

int RunRemoverWindow(HINSTANCE instance, RemoverState& state) {
  g_window = Window{&state, {}, 0, nullptr};
  g_window.scope = ScopeOf(state);
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_REMOVER), nullptr, RemoverProc, 0);
  if (g_window.bold) DeleteObject(g_window.bold);
  return state.complete ? 1 : 0;
}
