// Start-up time of Quillnox.exe beside a minimal dialog program (box_demo showing one
// box), under the same conditions: from CreateProcess to the window being shown and
// its thread idle. Also a second start that hands a list over to the running window,
// until that process has ended and the window shows the file. Prints medians of a few
// runs; asserts nothing (run by hand: tools/wine-run.sh quillnox_startup_bench.exe).
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/win32/folders.h"

namespace {

double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Started {
  PROCESS_INFORMATION info{};
  bool ok = false;
};

Started Start(const std::string& exe, const std::string& args) {
  Started started;
  std::string command = "\"" + TestProgramFolder() + exe + "\" " + args;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  started.ok = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &started.info) != FALSE;
  return started;
}

struct Find {
  DWORD pid;
  const char* title;
  HWND found;
};

BOOL CALLBACK FindTop(HWND window, LPARAM lparam) {
  auto* find = reinterpret_cast<Find*>(lparam);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char title[128];
  if (pid == find->pid && IsWindowVisible(window) && GetWindowTextA(window, title, sizeof title) &&
      std::string(title) == find->title) {
    find->found = window;
    return FALSE;
  }
  return TRUE;
}

// Milliseconds until the process shows a window of that title and is idle.
double TimeToWindow(const Started& started, const char* title, double start, HWND* window) {
  for (;;) {
    Find find = {started.info.dwProcessId, title, nullptr};
    EnumWindows(FindTop, reinterpret_cast<LPARAM>(&find));
    if (find.found) {
      WaitForInputIdle(started.info.hProcess, 5000);
      *window = find.found;
      return Now() - start;
    }
    if (Now() - start > 20000) return -1;
    Sleep(1);
  }
}

void End(Started& started) {
  TerminateProcess(started.info.hProcess, 0);
  WaitForSingleObject(started.info.hProcess, 5000);
  CloseHandle(started.info.hProcess);
  CloseHandle(started.info.hThread);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? -1 : values[values.size() / 2];
}

}  // namespace

int main() {
  const char* key = "Software\\Orvanel\\Quillnox\\4.10EN";
  HKEY machine = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &machine, nullptr);
  if (machine) RegCloseKey(machine);

  const std::string file = TemporaryFolder() + "bench.txt";
  const std::string list = TemporaryFolder() + "vekflist.tmp";

  std::vector<double> minimal, first, second;
  for (int run = 0; run < 7; ++run) {
    HWND window = nullptr;
    double start = Now();
    Started demo = Start("box_demo.exe", "warning \"Ready.\"");
    if (demo.ok) minimal.push_back(TimeToWindow(demo, "Quillnox Warning", start, &window));
    End(demo);

    RegSetKeyValueA(HKEY_CURRENT_USER, key, "ClassName", REG_SZ, "", 1);
    start = Now();
    Started quillnox = Start("Quillnox.exe", "");
    if (!quillnox.ok) continue;
    first.push_back(TimeToWindow(quillnox, "Quillnox", start, &window));

    if (FILE* f = std::fopen(file.c_str(), "wb")) std::fclose(f);
    if (FILE* f = std::fopen(list.c_str(), "wb")) {
      std::fprintf(f, "%s\n", file.c_str());
      std::fclose(f);
    }
    HWND files = GetDlgItem(window, IDC_MAIN_FILES);
    start = Now();
    Started again = Start("Quillnox.exe", "/d " + list);
    if (again.ok) {
      WaitForSingleObject(again.info.hProcess, 20000);
      while (SendMessageA(files, LVM_GETITEMCOUNT, 0, 0) < 1 && Now() - start < 20000) Sleep(1);
      second.push_back(Now() - start);
      End(again);
    }
    End(quillnox);
  }
  std::printf("minimal dialog program: %.1f ms\n", Median(minimal));
  std::printf("Quillnox.exe first start: %.1f ms (%.2f x)\n", Median(first), Median(first) / Median(minimal));
  std::printf("Quillnox.exe second start, hand-over included: %.1f ms (%.2f x)\n", Median(second),
              Median(second) / Median(minimal));
  return 0;
}
