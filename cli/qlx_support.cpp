// qlx's work folder, session-key parsing and file times.
#include "cli/qlx_support.h"

#include <cstdio>

#include "platform/tempdir.h"


QlxWorkspace::QlxWorkspace() {
  SetTempFolder(nullptr);
  char made[260];
  if (MakePrivateFolder(TempFolder(), "qlx-", made) && SetTempFolder(made)) {
    folder_ = made;
    folder_.pop_back();  // without its separator
  }
}

QlxWorkspace::~QlxWorkspace() {
  SetTempFolder(nullptr);
  if (!folder_.empty()) RemovePrivateFolder(folder_.c_str());
}

bool ParseSessionKey(const char* hex, std::uint8_t key[16]) {
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (int i = 0; i < 32; ++i)
    if (digit(hex[i]) < 0) return false;
  if (hex[32] != '\0') return false;
  for (int i = 0; i < 16; ++i) key[i] = static_cast<std::uint8_t>(digit(hex[2 * i]) * 16 + digit(hex[2 * i + 1]));
  return true;
}

std::string FormatFileTime(const FileTime& time) {
  constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600LL;
  const std::int64_t seconds = static_cast<std::int64_t>(FileTimeValue(time) / 10000000) - kSecondsFrom1601To1970;
  // Days since 1970-01-01 to a civil date (proleptic Gregorian calendar).
  std::int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  const std::int64_t rest = seconds - days * 86400;
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t doe = days - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  char text[80];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", static_cast<long long>(year),
                static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(rest / 3600),
                static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
  return text;
}
