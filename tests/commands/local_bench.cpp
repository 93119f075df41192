// local_bench FOLDER QLX [ROUNDS [FILE...]]: times local encryptions and decryptions of
// the files FOLDER\FILE (default mixed.bin) through Quillnox.exe's window (driven like
// the tests do: from the click on "Encrypt" or "Decrypt" to the program's end) and
// through qlx.exe, in one run, with the same passphrase: AES and DES, one thread
// (QLX_THREADS=1) and two, ROUNDS rounds (default 1), medians. The window's time is also
// shown less the progress dialog's two fixed 500 ms timer waits, and its ratio to
// qlx.exe's; the peak working set of each program is shown as Wine reports it. A
// benchmark run by hand (bench/local_commands.sh); it reports and asserts nothing but
// the round trips.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "keys/passphrase_list.h"
#include "keys/settings.h"
#include "resources/resource.h"
#include "tests/support/win32/files.h"
#include "tests/support/win32/folders.h"
#include "tests/support/win32/processes.h"
#include "tests/support/win32/window_driver.h"

namespace {

constexpr char kKey[] = "Software\\Orvanel\\Quillnox\\4.10EN";
constexpr char kPass[] = "bench passphrase";
constexpr DWORD kLong = 600000;

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t;
}

bool SameContent(const std::string& a, const std::string& b) {
  std::FILE* fa = std::fopen(a.c_str(), "rb");
  std::FILE* fb = std::fopen(b.c_str(), "rb");
  bool same = fa && fb;
  static char ba[1 << 20], bb[1 << 20];
  while (same) {
    const std::size_t na = std::fread(ba, 1, sizeof ba, fa);
    const std::size_t nb = std::fread(bb, 1, sizeof bb, fb);
    if (na != nb || std::memcmp(ba, bb, na) != 0) same = false;
    if (na == 0) break;
  }
  if (fa) std::fclose(fa);
  if (fb) std::fclose(fb);
  return same;
}

HWND MainWindow(Program& program) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < kLong; Sleep(20)) {
    HWND window = WaitForWindow("Quillnox", program.pid(), 50);
    if (window && GetDlgItem(window, IDC_MAIN_FILES)) {
      Sync(window);
      return window;
    }
  }
  return nullptr;
}

// The peak working set of a process that has ended, in KiB, or -1 when it cannot be read.
double PeakKiB(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (process == nullptr || !K32GetProcessMemoryInfo(process, &counters, sizeof counters)) return -1;
  return static_cast<double>(counters.PeakWorkingSetSize) / 1024.0;
}

struct Times {
  double total = -1;   // click (or start) -> the program's end
  double dialog = -1;  // the progress dialog seen -> gone (its two 500 ms waits included)
  double peak = -1;    // KiB
};

// Starts Quillnox.exe with args, clicks the local button, and times click -> end, and
// how long the progress dialog (dialog_title) was seen, polled every 10 ms.
Times TimeWindow(const std::vector<std::string>& args, const std::string& dialog_title) {
  Times times;
  Program quillnox("Quillnox.exe", args);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, quillnox.pid());
  HWND window = MainWindow(quillnox);
  if (window == nullptr) {
    if (process) CloseHandle(process);
    return times;
  }
  const LARGE_INTEGER start = Now();
  Click(window, IDC_MAIN_LOCAL);
  LARGE_INTEGER seen = {}, gone = {};
  while (quillnox.WaitExit(10) != 0) {
    const bool shown = FindWindowA("#32770", dialog_title.c_str()) != nullptr;
    if (shown && seen.QuadPart == 0) seen = Now();
    if (!shown && seen.QuadPart != 0 && gone.QuadPart == 0) gone = Now();
    if (Seconds(start, Now()) * 1000 > kLong) {
      if (process) CloseHandle(process);
      return times;
    }
  }
  times.total = Seconds(start, Now());
  if (seen.QuadPart != 0 && gone.QuadPart != 0) times.dialog = Seconds(seen, gone);
  times.peak = PeakKiB(process);
  if (process) CloseHandle(process);
  return times;
}

Times TimeProgram(const std::string& exe, const std::vector<std::string>& args) {
  Times times;
  const LARGE_INTEGER start = Now();
  Program program(exe, args);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, program.pid());
  if (program.WaitExit(kLong) == 0) {
    times.total = Seconds(start, Now());
    times.peak = PeakKiB(process);
  }
  if (process) CloseHandle(process);
  return times;
}

double Median(std::vector<double> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Most(const std::vector<double>& values) {
  return values.empty() ? -1 : *std::max_element(values.begin(), values.end());
}

// The runs of one file, algorithm and thread count.
struct Runs {
  std::vector<double> window[2], dialog[2], qlx[2];  // [0] encrypt, [1] decrypt
  std::vector<double> window_peak, qlx_peak;
  bool same = true;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: local_bench FOLDER QLX [ROUNDS [FILE...]]\n");
    return 2;
  }
  const std::string folder = argv[1];
  const std::string qlx = argv[2];
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 1;
  std::vector<std::string> files;
  for (int i = 4; i < argc; ++i) files.push_back(argv[i]);
  if (files.empty()) files.push_back("mixed.bin");

  RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (key) RegCloseKey(key);
  const PassphraseList empty;
  if (!SettingsCreateUserKey() || !PassphraseListStore(empty.Label(0), empty.Value(0), 0) ||
      !SettingsSetFlag(SETTING_AUTHREQ, 0) || !PassphraseListAdd(nullptr, "bench", kPass) ||
      !PassphraseListSelect(1)) {
    std::fprintf(stderr, "cannot store the passphrase\n");
    return 1;
  }

  const std::string window_dir = folder + "window\\";
  const std::string cli_dir = folder + "cli\\";
  const std::string out = cli_dir + "out\\";
  CreateDirectoryA(window_dir.c_str(), nullptr);
  CreateDirectoryA(cli_dir.c_str(), nullptr);
  CreateDirectoryA(out.c_str(), nullptr);
  const std::string list = TemporaryFolder() + "vekflist.tmp";

  const char* const kAlgorithms[] = {"AES", "DES"};
  std::vector<Runs> runs(files.size() * 4);
  for (int round = 1; round <= rounds; ++round) {
    for (std::size_t f = 0; f < files.size(); ++f) {
      const std::string original = folder + files[f];
      for (int a = 0; a < 2; ++a) {
        for (int threads = 1; threads <= 2; ++threads) {
          Runs& r = runs[f * 4 + a * 2 + (threads - 1)];
          SetEnvironmentVariableA("QLX_THREADS", threads == 1 ? "1" : "2");
          SettingsSetFlag(SETTING_ALGO, a == 0 ? 2 : 1);

          const std::string source = window_dir + files[f];
          CopyFileA(original.c_str(), source.c_str(), FALSE);
          if (std::FILE* l = std::fopen(list.c_str(), "wb")) {
            std::fprintf(l, "%s\n", source.c_str());
            std::fclose(l);
          }
          const Times encrypt = TimeWindow({"/m"}, "Encrypt...");
          const Times decrypt = TimeWindow({source + ".vek"}, "Decrypt " + files[f] + ".vek");
          r.same = r.same && SameContent(source, original);
          DeleteFileA(source.c_str());
          DeleteFileA((source + ".vek").c_str());

          const std::string container = cli_dir + files[f] + ".vek";
          const std::string restored = out + files[f];
          DeleteFileA(container.c_str());
          DeleteFileA(restored.c_str());
          const Times cli_encrypt =
              TimeProgram(qlx, {"encrypt", a == 0 ? "--aes" : "--des", "--pass", kPass, "-o", container, original});
          const Times cli_decrypt = TimeProgram(qlx, {"decrypt", "--pass", kPass, "-C", out, container});
          r.same = r.same && SameContent(restored, original);
          DeleteFileA(container.c_str());
          DeleteFileA(restored.c_str());

          r.window[0].push_back(encrypt.total);
          r.window[1].push_back(decrypt.total);
          r.dialog[0].push_back(encrypt.dialog);
          r.dialog[1].push_back(decrypt.dialog);
          r.qlx[0].push_back(cli_encrypt.total);
          r.qlx[1].push_back(cli_decrypt.total);
          for (double peak : {encrypt.peak, decrypt.peak}) r.window_peak.push_back(peak);
          for (double peak : {cli_encrypt.peak, cli_decrypt.peak}) r.qlx_peak.push_back(peak);
          std::fprintf(stderr, "round %d: %s %s, %d thread(s) done\n", round, files[f].c_str(), kAlgorithms[a],
                       threads);
        }
      }
    }
  }

  std::printf("median seconds of %d round(s); peak working set as Wine reports it\n", rounds);
  std::printf("%-32s %9s %9s %9s %9s %8s %11s\n", "", "window", "less 1 s", "dialog", "qlx.exe", "ratio",
              "peak KiB");
  bool all_same = true;
  for (std::size_t f = 0; f < files.size(); ++f) {
    for (int a = 0; a < 2; ++a) {
      for (int threads = 1; threads <= 2; ++threads) {
        const Runs& r = runs[f * 4 + a * 2 + (threads - 1)];
        all_same = all_same && r.same;
        std::printf("%s, %s, %d thread(s)%s\n", files[f].c_str(), kAlgorithms[a], threads,
                    r.same ? "" : "  (a round trip differs!)");
        for (int op = 0; op < 2; ++op) {
          const double window = Median(r.window[op]), cli = Median(r.qlx[op]);
          std::printf("  %-30s %9.2f %9.2f %9.2f %9.2f %7.2fx %5.0f/%5.0f\n", op == 0 ? "encrypt" : "decrypt", window,
                      window - 1.0, Median(r.dialog[op]), cli, cli > 0 ? (window - 1.0) / cli : 0.0,
                      Most(r.window_peak), Most(r.qlx_peak));
        }
      }
    }
  }
  std::printf("ratio: (window - 1 s) / qlx.exe, goal at most 1.10; peak: window / qlx.exe\n");
  RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
  return all_same ? 0 : 1;
}
