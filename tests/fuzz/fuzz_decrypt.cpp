// Fuzz target: DecryptOperation (text and every file) on arbitrary container bytes,
// once with a passphrase and once with a session key given directly, in a private
// temporary folder. Whatever the input, nothing may be written outside that folder, a
// failure must leave it empty, and a success may leave only the files it lists.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "container/operation.h"
#include "container/result.h"
#include "platform/tempdir.h"
#include "tests/fuzz/fuzz_files.h"

namespace fs = std::filesystem;

namespace {

const fs::path& Root() {
  static const fs::path root = [] {
    fs::path r = fs::temp_directory_path() / ("qlx-fuzz-decrypt-" + std::to_string(getpid()));
    fs::remove_all(r);
    fs::create_directories(r / "work");
    SetTempFolder((r / "work").string().c_str());
    return r;
  }();
  return root;
}

std::size_t CountUnder(const fs::path& folder) {
  std::size_t n = 0;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) ++n;
  return n;
}

void RunOnce(const std::string& container, const std::uint8_t* session_key) {
  FileEntry entry{};
  std::snprintf(entry.path, sizeof entry.path, "%s", container.c_str());
  std::snprintf(entry.name, sizeof entry.name, "in.vek");
  OperationRequest request{0, nullptr, "fuzz passphrase", session_key, 1, &entry, SELECTOR_EVERYTHING, ALGORITHM_UNREAD};
  const std::uint32_t result = DecryptOperation(&request);
  const fs::path work = Root() / "work";
  if (result != RESULT_OK) {
    if (request.entries != &entry || request.text != nullptr) std::abort();
    if (CountUnder(work) != 0) std::abort();  // a failure leaves nothing behind
  } else {
    std::size_t files = 0;
    for (std::uint32_t i = 0; i < request.count; ++i) {
      const fs::path path = request.entries[i].path;
      if (path.parent_path().parent_path() != work) std::abort();  // inside the operation's folder
      if (!fs::is_regular_file(path)) std::abort();
      ++files;
    }
    FileEntriesFree(request.entries);
    OperationTextFree(request.text);
    const std::size_t folders = request.count != 0 ? 1 : 0;
    if (CountUnder(work) != files + folders) std::abort();  // nothing but the listed files
    fs::remove_all(work);
    fs::create_directory(work);
  }
  // Nothing beside the input and the work folder.
  if (CountUnder(Root()) != 1 + CountUnder(work) + 1) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string container = (Root() / "in.vek").string();
  FuzzWriteFile(container, data, size);
  static const std::uint8_t kKey[16] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88,
                                        0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xF0, 0x01};
  RunOnce(container, nullptr);
  RunOnce(container, kKey);
  return 0;
}
