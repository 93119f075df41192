// A program that links the container reader alone (no writer, no settings, no registry),
// as the extractor does, and decrypts a container: it shows that the decryption side
// stands on its own. Usage: qlx_reader_only CONTAINER PASSPHRASE EXPECTED_FILES
// Prints the text and each file's name and size; exit 0 when the decryption succeeds
// with the expected number of files, 1 otherwise.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "container/operation.h"
#include "container/result.h"
#include "platform/tempdir.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: qlx_reader_only CONTAINER PASSPHRASE EXPECTED_FILES\n");
    return 1;
  }
  // Its work files go to a private folder of its own: two of these may run at once, and
  // the work files' names are fixed.
  char work[260];
  if (!MakePrivateFolder(TempFolder(), "qlx-reader-", work) || !SetTempFolder(work)) {
    std::fprintf(stderr, "no private work folder\n");
    return 1;
  }
  FileEntry container{};
  std::snprintf(container.path, sizeof container.path, "%s", argv[1]);
  std::snprintf(container.name, sizeof container.name, "in.vek");
  OperationRequest request{0, nullptr, argv[2], nullptr, 1, &container, SELECTOR_EVERYTHING, ALGORITHM_UNREAD};
  const std::uint32_t result = DecryptOperation(&request);
  if (result != RESULT_OK) {
    std::fprintf(stderr, "decryption failed: %s\n", OperationErrorText(result, argv[1]).c_str());
    SetTempFolder(nullptr);
    RemovePrivateFolder(work);
    return 1;
  }
  std::printf("algorithm %u\ntext: %s\n", request.algorithm, request.text ? request.text : "(none)");
  for (std::uint32_t i = 0; i < request.count; ++i) {
    std::printf("file: %s, %u bytes\n", request.entries[i].name, request.entries[i].size);
    std::remove(request.entries[i].path);
  }
  const bool expected = request.count == static_cast<std::uint32_t>(std::atoi(argv[3]));
  if (request.count != 0) {
    // The decrypted files' folder goes with them.
    std::string folder = request.entries[0].path;
    folder.resize(folder.size() - std::string(request.entries[0].name).size());
    RemovePrivateFolder(folder.c_str());
  }
  FileEntriesFree(request.entries);
  OperationTextFree(request.text);
  SetTempFolder(nullptr);
  RemovePrivateFolder(work);
  return expected ? 0 : 1;
}
