// Fuzz target: the install log reader over arbitrary bytes, and the uninstaller's
// record rules over whatever paths the records hold. The reader must stay inside the
// bytes, agree with a small model of the format, and re-encoding what it read must
// give the same bytes back. A record in scope always lies below the folder whose
// components the uninstaller checks for links.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "remover/install_log.h"
#include "remover/remover_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::size_t count = CountLogRecords(data, size);
  std::size_t offset = 0, seen = 0, model = 0;
  // Model: walk heads and lengths directly.
  while (size - model >= 4) {
    const std::size_t length = data[model + 2] | (data[model + 3] << 8);
    if (size - model - 4 < length) break;
    model += 4 + length;
  }
  std::vector<std::uint8_t> again;
  const RemovalScope scope = {"C:\\P\\Q", "C:\\W\\S", "C:\\G\\F\\Q", "C:\\D"};
  LogEntry entry;
  while (NextLogRecord(data, size, &offset, &entry)) {
    ++seen;
    if (entry.data[LOG_DATA_MAX] != '\0') std::abort();
    if (entry.too_long != (entry.length > LOG_DATA_MAX)) std::abort();
    if (!entry.too_long) {
      if (std::memcmp(entry.data, data + offset - entry.length, entry.length) != 0) std::abort();
      (void)FileRecordAllowed(scope, entry.data);
      (void)FolderRecordAllowed(scope, entry.data);
      (void)KeyRecordAllowed(scope, entry.code, entry.data);
      for (const bool folder : {false, true}) {
        char base[REMOVER_PATH_SIZE];
        std::vector<std::string> parts;
        if (ScopeBase(scope, entry.data, folder, base, sizeof base) &&
            (!ComponentsBelow(base, entry.data, &parts) || parts.empty() || parts.back() != entry.data))
          std::abort();
      }
      char parent[REMOVER_PATH_SIZE], name[REMOVER_PATH_SIZE];
      (void)SplitKeyPath(entry.data, parent, sizeof parent, name, sizeof name);
    }
    if (!EncodeLogRecord(again, entry.code, data + offset - entry.length, entry.length)) std::abort();
  }
  if (seen != count || offset != model) std::abort();
  if (again.size() != offset || (offset && std::memcmp(again.data(), data, offset) != 0)) std::abort();
  return 0;
}
