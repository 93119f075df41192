// local_bench FOLDER QLX [ROUNDS]: times a local encryption and decryption of
// FOLDER\mixed.bin through Quillnox.exe's window (driven like the tests do: from the
// click on "Encrypt" or "Decrypt" to the program's end) and through qlx.exe, in one run,
// with the same passphrase and algorithm (AES). The window's time is also shown less the
// progress dialog's two fixed 500 ms timer waits. A benchmark run by hand
// (bench/local_commands.sh); it reports and asserts nothing but the round trip.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
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

struct WindowTimes {
  double total = -1;   // click -> the program's end
  double dialog = -1;  // the progress dialog seen -> gone (its two 500 ms waits included)
};

// Starts Quillnox.exe with args, clicks the local button, and times click -> end, and
// how long the progress dialog (dialog_title) was seen, polled every 10 ms.
WindowTimes TimeWindow(const std::vector<std::string>& args, const std::string& dialog_title) {
  WindowTimes times;
  Program quillnox("Quillnox.exe", args);
  HWND window = MainWindow(quillnox);
  if (window == nullptr) return times;
  const LARGE_INTEGER start = Now();
  Click(window, IDC_MAIN_LOCAL);
  LARGE_INTEGER seen = {}, gone = {};
  while (quillnox.WaitExit(10) != 0) {
    const bool shown = FindWindowA("#32770", dialog_title.c_str()) != nullptr;
    if (shown && seen.QuadPart == 0) seen = Now();
    if (!shown && seen.QuadPart != 0 && gone.QuadPart == 0) gone = Now();
    if (Seconds(start, Now()) * 1000 > kLong) return times;
  }
  times.total = Seconds(start, Now());
  if (seen.QuadPart != 0 && gone.QuadPart != 0) times.dialog = Seconds(seen, gone);
  return times;
}

double TimeProgram(const std::string& exe, const std::vector<std::string>& args) {
  const LARGE_INTEGER start = Now();
  Program program(exe, args);
  if (program.WaitExit(kLong) != 0) return -1;
  return Seconds(start, Now());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: local_bench FOLDER QLX [ROUNDS]\n");
    return 2;
  }
  const std::string folder = argv[1];
  const std::string qlx = argv[2];
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 1;
  const std::string mixed = folder + "mixed.bin";

  RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (key) RegCloseKey(key);
  const PassphraseList empty;
  if (!SettingsCreateUserKey() || !PassphraseListStore(empty.Label(0), empty.Value(0), 0) ||
      !SettingsSetFlag(SETTING_AUTHREQ, 0) || !PassphraseListAdd(nullptr, "bench", kPass) ||
      !PassphraseListSelect(1) || !SettingsSetFlag(SETTING_ALGO, 2)) {
    std::fprintf(stderr, "cannot store the passphrase\n");
    return 1;
  }

  const std::string window_dir = folder + "window\\";
  const std::string cli_dir = folder + "cli\\";
  CreateDirectoryA(window_dir.c_str(), nullptr);
  CreateDirectoryA(cli_dir.c_str(), nullptr);
  const std::string list = TemporaryFolder() + "vekflist.tmp";

  std::printf("%-30s %10s %10s\n", "seconds", "encrypt", "decrypt");
  for (int round = 1; round <= rounds; ++round) {
    const std::string source = window_dir + "mixed.bin";
    CopyFileA(mixed.c_str(), source.c_str(), FALSE);
    if (std::FILE* f = std::fopen(list.c_str(), "wb")) {
      std::fprintf(f, "%s\n", source.c_str());
      std::fclose(f);
    }
    const WindowTimes window_encrypt = TimeWindow({"/m"}, "Encrypt...");
    const WindowTimes window_decrypt = TimeWindow({source + ".vek"}, "Decrypt mixed.bin.vek");
    const bool window_ok = SameContent(source, mixed);
    DeleteFileA(source.c_str());

    const std::string container = cli_dir + "mixed.vek";
    const std::string out = cli_dir + "out\\";
    CreateDirectoryA(out.c_str(), nullptr);
    DeleteFileA(container.c_str());
    DeleteFileA((out + "mixed.bin").c_str());
    const double cli_encrypt = TimeProgram(qlx, {"encrypt", "--aes", "--pass", kPass, "-o", container, mixed});
    const double cli_decrypt = TimeProgram(qlx, {"decrypt", "--pass", kPass, "-C", out, container});
    const bool cli_ok = SameContent(out + "mixed.bin", mixed);
    DeleteFileA(container.c_str());
    DeleteFileA((out + "mixed.bin").c_str());

    std::printf("round %d%s\n", round, window_ok && cli_ok ? "" : "  (a round trip differs!)");
    std::printf("%-30s %10.2f %10.2f\n", "  window: click to end", window_encrypt.total, window_decrypt.total);
    std::printf("%-30s %10.2f %10.2f\n", "  window less 2 x 500 ms", window_encrypt.total - 1.0,
                window_decrypt.total - 1.0);
    std::printf("%-30s %10.2f %10.2f\n", "  progress dialog shown", window_encrypt.dialog, window_decrypt.dialog);
    std::printf("%-30s %10.2f %10.2f\n", "  qlx.exe (start to end)", cli_encrypt, cli_decrypt);
    std::printf("%-30s %10.2f %10.2f\n", "  ratio (window - 1 s) / qlx", (window_encrypt.total - 1.0) / cli_encrypt,
                (window_decrypt.total - 1.0) / cli_decrypt);
    std::fflush(stdout);
    if (!window_ok || !cli_ok) return 1;
  }
  RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
  return 0;
}
