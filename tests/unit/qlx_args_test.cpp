// qlx's command line: the record each command line gives (or the reason it is refused),
// session keys in hex, and the dates of the listing, before 1970 and on leap days.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cli/qlx_args.h"
#include "cli/qlx_support.h"

namespace {

struct Parsed {
  bool ok;
  std::string error;
};

Parsed Parse(const std::vector<const char*>& words, QlxArgs* args) {
  std::vector<const char*> argv{"qlx"};
  argv.insert(argv.end(), words.begin(), words.end());
  Parsed parsed;
  parsed.ok = ParseQlxArgs(static_cast<int>(argv.size()), argv.data(), args, &parsed.error);
  return parsed;
}

// What a command line must give: a summary of the record's fields.
std::string Summary(const QlxArgs& a) {
  static const char* const kCommands[] = {"encrypt", "decrypt", "list", "check", "help", "version"};
  static const char* const kSources[] = {"none", "option", "file", "prompt"};
  std::string s = kCommands[static_cast<int>(a.command)];
  s += " pass=" + std::string(kSources[static_cast<int>(a.passphrase_from)]);
  if (a.passphrase_from == PassphraseSource::kOption) s += ":" + a.passphrase;
  if (a.passphrase_from == PassphraseSource::kFile) s += ":" + a.pass_file;
  if (a.have_session_key) s += " key";
  if (a.have_text) s += " text=" + (a.text_file.empty() ? a.text : "@" + a.text_file);
  if (!a.output.empty()) s += " o=" + a.output;
  if (a.directory != ".") s += " C=" + a.directory;
  if (a.each) s += " each";
  if (a.force) s += " force";
  if (a.algorithm != 2) s += " des";
  for (const std::string& f : a.files) s += " [" + f + "]";
  return s;
}

struct AcceptedCase {
  std::vector<const char*> words;
  const char* summary;
};

TEST(QlxArgs, CommandLinesGiveTheirRecord) {
  const AcceptedCase cases[] = {
      {{"--help"}, "help pass=none"},
      {{"-h"}, "help pass=none"},
      {{"--version"}, "version pass=none"},
      {{"decrypt", "--pass", "x", "-h", "c.vek"}, "help pass=option:x"},
      // A value that looks like an option is still the option's value.
      {{"check", "--pass", "-h", "c.vek"}, "check pass=option:-h [c.vek]"},
      {{"encrypt", "--pass", "correct horse", "-o", "out.vek", "a", "b c"},
       "encrypt pass=option:correct horse o=out.vek [a] [b c]"},
      {{"encrypt", "--des", "--each", "--force", "--text", "hi", "--pass-file", "pw", "-o", "dir"},
       "encrypt pass=file:pw text=hi o=dir each force des"},
      {{"encrypt", "--des", "--aes", "--text-file", "t.txt", "-o", "x.vek"}, "encrypt pass=prompt text=@t.txt o=x.vek"},
      {{"encrypt", "-o", "x.vek", "f"}, "encrypt pass=prompt o=x.vek [f]"},
      {{"decrypt", "c.vek"}, "decrypt pass=prompt [c.vek]"},
      {{"decrypt", "-C", "out dir", "--force", "--session-key", "00112233445566778899aabbccddeeff", "c.vek"},
       "decrypt pass=none key C=out dir force [c.vek]"},
      {{"check", "c.vek"}, "check pass=prompt [c.vek]"},
      {{"list", "c.vek"}, "list pass=none [c.vek]"},
      {{"list", "-"}, "list pass=none [-]"},
      {{"encrypt", "--pass", "0123456789abcdef0123456789abcde", "-o", "x"},
       "encrypt pass=option:0123456789abcdef0123456789abcde o=x"},
      {{"encrypt", "--pass", "", "-o", "x"}, "encrypt pass=option: o=x"},
  };
  for (const AcceptedCase& c : cases) {
    QlxArgs args;
    const Parsed parsed = Parse(c.words, &args);
    std::string line;
    for (const char* w : c.words) line += std::string(" ") + w;
    EXPECT_TRUE(parsed.ok) << line << ": " << parsed.error;
    EXPECT_EQ(Summary(args), c.summary) << line;
  }
}

struct RefusedCase {
  std::vector<const char*> words;
  const char* error;
};

TEST(QlxArgs, WrongCommandLinesAreRefusedWithTheirReason) {
  const RefusedCase cases[] = {
      {{}, ""},
      {{"frobnicate"}, "unknown command frobnicate"},
      {{"--pass", "x"}, "unknown command --pass"},
      {{"encrypt", "--pass", "x"}, "encrypt needs -o OUTPUT"},
      {{"encrypt", "--pass", "x", "-o"}, "-o needs a value"},
      {{"encrypt", "--pass", "x", "-o", ""}, "-o needs a value"},
      {{"encrypt", "-o", "x", "--pass"}, "--pass needs a value"},
      {{"encrypt", "--pass", "0123456789abcdef0123456789abcdef", "-o", "x"},
       "the passphrase is 32 bytes long; at most 31 are possible"},
      {{"encrypt", "--pass", "a", "--pass-file", "b", "-o", "x"}, "give one passphrase or session key"},
      {{"encrypt", "--session-key", "00112233445566778899aabbccddeeff", "-o", "x"},
       "unknown option --session-key for encrypt"},
      {{"encrypt", "--text", "a", "--text-file", "b", "-o", "x"}, "give one text"},
      {{"encrypt", "-C", "d", "-o", "x"}, "unknown option -C for encrypt"},
      {{"decrypt", "--pass", "a", "--session-key", "00112233445566778899aabbccddeeff", "c"},
       "give one passphrase or session key"},
      {{"decrypt", "--session-key", "1234", "c"}, "--session-key takes 32 hex digits"},
      {{"decrypt", "--pass", "a"}, "decrypt takes one container"},
      {{"decrypt", "--pass", "a", "c", "d"}, "decrypt takes one container"},
      {{"decrypt", "-o", "x", "c"}, "unknown option -o for decrypt"},
      {{"list", "--force", "c"}, "unknown option --force for list"},
      {{"list", "--pass", "a", "c"}, "unknown option --pass for list"},
      {{"check", "--text", "a", "c"}, "unknown option --text for check"},
      {{"check", "--each", "c"}, "unknown option --each for check"},
  };
  for (const RefusedCase& c : cases) {
    QlxArgs args;
    const Parsed parsed = Parse(c.words, &args);
    std::string line;
    for (const char* w : c.words) line += std::string(" ") + w;
    EXPECT_FALSE(parsed.ok) << line;
    EXPECT_EQ(parsed.error, c.error) << line;
  }
}

TEST(QlxArgs, PassphrasesAreHeldToTheListsLimit) {
  std::string error;
  EXPECT_TRUE(CheckPassphrase(std::string(31, 'p'), &error));
  EXPECT_FALSE(CheckPassphrase(std::string(32, 'p'), &error));
  EXPECT_EQ(error, "the passphrase is 32 bytes long; at most 31 are possible");
  EXPECT_FALSE(CheckPassphrase(std::string("a\0b", 3), &error));
  EXPECT_EQ(error, "the passphrase holds a zero byte");
}

struct KeyCase {
  const char* hex;
  bool ok;
  std::uint8_t first, last;
};

TEST(QlxArgs, SessionKeysAreExactly32HexDigits) {
  const KeyCase cases[] = {
      {"00112233445566778899aabbccddeeff", true, 0x00, 0xFF},
      {"F0E1D2C3B4A5968778695A4B3C2D1E0f", true, 0xF0, 0x0F},
      {"00112233445566778899aabbccddeef", false, 0, 0},    // 31 digits
      {"00112233445566778899aabbccddeeff0", false, 0, 0},  // 33 digits
      {"00112233445566778899aabbccddeefg", false, 0, 0},
      {"0x112233445566778899aabbccddeeff", false, 0, 0},
      {" 0112233445566778899aabbccddeeff", false, 0, 0},
      {"", false, 0, 0},
  };
  for (const KeyCase& c : cases) {
    std::uint8_t key[16];
    std::memset(key, 0xA5, sizeof key);
    EXPECT_EQ(ParseSessionKey(c.hex, key), c.ok) << c.hex;
    if (c.ok) {
      EXPECT_EQ(key[0], c.first) << c.hex;
      EXPECT_EQ(key[15], c.last) << c.hex;
      EXPECT_EQ(key[1], c.hex[0] == '0' ? 0x11 : 0xE1) << c.hex;
    }
  }
}

struct DateCase {
  std::uint64_t value;  // 100 ns units since 1601-01-01 00:00 UTC
  const char* text;
};

TEST(QlxArgs, DatesAreCivilDatesInUtc) {
  const DateCase cases[] = {
      {0ULL, "1601-01-01 00:00:00"},
      {94354847990000000ULL, "1899-12-31 23:59:59"},
      {94405392000000000ULL, "1900-02-28 12:00:00"},  // 1900 has no 29 February
      {94405824000000000ULL, "1900-03-01 00:00:00"},
      {113339826150000000ULL, "1960-02-29 08:30:15"},
      {116444735990000000ULL, "1969-12-31 23:59:59"},
      {116444735999999999ULL, "1969-12-31 23:59:59"},  // the fraction is dropped, not rounded
      {116444736000000000ULL, "1970-01-01 00:00:00"},
      {125963423990000000ULL, "2000-02-29 23:59:59"},
      {126256467060000000ULL, "2001-02-03 04:05:06"},
      {157520160010000000ULL, "2100-03-01 00:00:01"},
  };
  for (const DateCase& c : cases) EXPECT_EQ(FormatFileTime(FileTimeFromValue(c.value)), c.text) << c.value;
}

}  // namespace
