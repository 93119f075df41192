// qlx's command line as a plain record: what to do, with which passphrase source, on
// which files. Parsing reads no file and asks no one; the caller fetches a passphrase
// file, a text file or a prompted passphrase afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class QlxCommand { kEncrypt, kDecrypt, kList, kCheck, kHelp, kVersion };

// Where the passphrase comes from. kPrompt: none was given, so the command asks on the
// terminal (or is refused when there is none).
enum class PassphraseSource { kNone, kOption, kFile, kPrompt };

struct QlxArgs {
  QlxCommand command = QlxCommand::kHelp;
  PassphraseSource passphrase_from = PassphraseSource::kNone;
  std::string passphrase;  // --pass
  std::string pass_file;   // --pass-file
  bool have_session_key = false;
  std::uint8_t session_key[16] = {};
  bool have_text = false;
  std::string text;       // --text
  std::string text_file;  // --text-file
  std::string output;     // -o
  std::string directory = ".";
  bool each = false;
  bool force = false;
  int algorithm = 2;  // AES unless --des
  std::vector<std::string> files;

  QlxArgs() = default;
  QlxArgs(const QlxArgs&) = delete;
  QlxArgs& operator=(const QlxArgs&) = delete;
  ~QlxArgs();
};

// The passphrases the list can hold: at most this many bytes.
constexpr std::size_t kQlxPassphraseMax = 31;

extern const char kQlxUsage[];

// Fills args from argv[1..argc-1]. false with the reason in error (empty when no
// command was given at all) when the command line is wrong.
bool ParseQlxArgs(int argc, const char* const* argv, QlxArgs* args, std::string* error);

// Whether a passphrase can be used, whatever its source. false with the reason.
bool CheckPassphrase(const std::string& passphrase, std::string* error);
