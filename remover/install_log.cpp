// The install log's record writer and reader (see install_log.h).
#include "remover/install_log.h"

#include <cstring>

bool EncodeLogRecord(std::vector<std::uint8_t>& out, std::uint16_t code, const void* data,
                     std::size_t size) {
  if (size > 0xFFFF) return false;
  const std::uint8_t head[4] = {static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(code >> 8),
                                static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8)};
  out.insert(out.end(), head, head + 4);
  const auto* p = static_cast<const std::uint8_t*>(data);
  if (size) out.insert(out.end(), p, p + size);
  return true;
}

int LogRecord(std::FILE* log, int code, const char* data) {
  if (!log || !data || code < 0 || code > 0xFFFF) return 0;
  std::vector<std::uint8_t> record;
  const std::size_t size = code == LOG_LANGUAGE ? 2 : std::strlen(data);
  if (!EncodeLogRecord(record, static_cast<std::uint16_t>(code), data, size)) return 0;
  return std::fwrite(record.data(), 1, record.size(), log) == record.size() ? 1 : 0;
}

bool NextLogRecord(const std::uint8_t* bytes, std::size_t size, std::size_t* offset, LogEntry* entry) {
  std::memset(entry, 0, sizeof *entry);
  const std::size_t at = *offset;
  if (at > size || size - at < 4) return false;
  const std::uint16_t code = static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
  const std::uint16_t length = static_cast<std::uint16_t>(bytes[at + 2] | (bytes[at + 3] << 8));
  if (size - at - 4 < length) return false;
  entry->code = code;
  entry->length = length;
  entry->too_long = length > LOG_DATA_MAX;
  if (!entry->too_long && length) std::memcpy(entry->data, bytes + at + 4, length);
  *offset = at + 4 + length;
  return true;
}

std::size_t CountLogRecords(const std::uint8_t* bytes, std::size_t size) {
  std::size_t offset = 0, count = 0;
  LogEntry entry;
  while (NextLogRecord(bytes, size, &offset, &entry)) ++count;
  return count;
}
