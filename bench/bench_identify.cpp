// Identification over a full list: the 16 passphrase tests that identification makes
// against a 1 GiB container (a sparse file: its data chunk is never read), where only
// the last passphrase opens it. The figure is the time of all 16 tests together.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "container/format.h"
#include "container/operation.h"
#include "keys/settings.h"
#include "platform/fileio.h"
#include "platform/tempdir.h"

namespace {

constexpr std::uint64_t kDataBytes = 1ull << 30;
std::string g_container;

// Header and key chunks as the encryption writes them, then one file chunk of 1 GiB
// whose contents are left as a hole in the file.
bool MakeContainer(const std::string& path) {
  FileHandle file = FileOpen(path.c_str(), "wb");
  if (!file) return false;
  OperationRequest request{DIRECTION_ENCRYPT, nullptr, "passphrase 16", nullptr, 0, nullptr, 0, ALGORITHM_AES};
  std::uint8_t session_key[8];
  std::uint32_t algorithm = 0;
  if (ContainerWriteHeader(file.get(), &request, session_key, &algorithm) != 1) return false;
  const char name[] = "big.bin";
  const std::uint8_t fill[FILE_TIME_SIZE + DIGEST_SIZE] = {};
  const std::uint64_t chunk = sizeof name + sizeof fill + kDataBytes;
  if (!ContainerWriteChunkHeader(file.get(), static_cast<std::uint32_t>(chunk), CHUNK_FILE) ||
      std::fwrite(name, 1, sizeof name, file.get()) != sizeof name ||
      std::fwrite(fill, 1, sizeof fill, file.get()) != sizeof fill || !FileClose(file))
    return false;
  std::error_code error;
  std::filesystem::resize_file(path, std::filesystem::file_size(path) + kDataBytes, error);
  return !error;
}

void IdentifyFullList(benchmark::State& state) {
  for (auto _ : state) {
    int opened = 0;
    for (int i = 1; i <= 16; ++i) {
      const std::string passphrase = "passphrase " + std::to_string(i);
      opened += PassphraseOpensContainer(g_container.c_str(), passphrase.c_str()) == 1;
    }
    if (opened != 1) state.SkipWithError("only the last passphrase should open the container");
  }
}
BENCHMARK(IdentifyFullList)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "qlx_bench_identify";
  std::filesystem::create_directories(folder);
  SetTempFolder((folder.string() + "/").c_str());
  SettingsCreateUserKey();
  SettingsSetFlag(SETTING_ALGO, 2);
  g_container = (folder / "big.vek").string();
  if (!MakeContainer(g_container)) {
    std::fprintf(stderr, "cannot make %s\n", g_container.c_str());
    return 1;
  }
  std::printf("container: %llu bytes\n", static_cast<unsigned long long>(std::filesystem::file_size(g_container)));
  benchmark::RunSpecifiedBenchmarks();
  std::filesystem::remove_all(folder);
  return 0;
}
