// Parsing of qlx's command line into QlxArgs, and the passphrase rule shared by every
// passphrase source.
#include "cli/qlx_args.h"

#include "cli/qlx_support.h"
#include "platform/wipe.h"

const char kQlxUsage[] =
    "usage: qlx encrypt [--des|--aes] [--each] [--text TEXT | --text-file FILE]\n"
    "                   [--pass PASS | --pass-file FILE] -o OUTPUT [FILE...]\n"
    "       qlx decrypt [--pass PASS | --pass-file FILE | --session-key HEX32] [-C DIR] [--force] CONTAINER\n"
    "       qlx list CONTAINER\n"
    "       qlx check [--pass PASS | --pass-file FILE] CONTAINER\n"
    "       qlx --help | --version\n"
    "Without --pass, --pass-file or --session-key the passphrase is asked on the terminal.\n";

QlxArgs::~QlxArgs() {
  SecureWipe(passphrase.data(), passphrase.size());
  SecureWipe(text.data(), text.size());
  SecureWipe(session_key, sizeof session_key);
}

bool CheckPassphrase(const std::string& passphrase, std::string* error) {
  if (passphrase.size() > kQlxPassphraseMax) {
    *error = "the passphrase is " + std::to_string(passphrase.size()) + " bytes long; at most " +
             std::to_string(kQlxPassphraseMax) + " are possible";
    return false;
  }
  if (passphrase.find('\0') != std::string::npos) {
    *error = "the passphrase holds a zero byte";
    return false;
  }
  return true;
}

namespace {

bool Fail(std::string* error, std::string reason) {
  *error = std::move(reason);
  return false;
}

}  // namespace

bool ParseQlxArgs(int argc, const char* const* argv, QlxArgs* args, std::string* error) {
  QlxArgs& o = *args;
  error->clear();
  if (argc < 2) return false;
  const std::string command = argv[1];
  if (command == "--help" || command == "-h") {
    o.command = QlxCommand::kHelp;
    return true;
  }
  if (command == "--version") {
    o.command = QlxCommand::kVersion;
    return true;
  }
  if (command == "encrypt")
    o.command = QlxCommand::kEncrypt;
  else if (command == "decrypt")
    o.command = QlxCommand::kDecrypt;
  else if (command == "list")
    o.command = QlxCommand::kList;
  else if (command == "check")
    o.command = QlxCommand::kCheck;
  else
    return Fail(error, "unknown command " + command);
  const bool encrypt = o.command == QlxCommand::kEncrypt;
  const bool decrypt = o.command == QlxCommand::kDecrypt;
  const bool check = o.command == QlxCommand::kCheck;

  std::vector<std::string> positional;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = nullptr;
    auto takes_value = [&]() {
      if (i + 1 >= argc) return false;
      value = argv[++i];
      return true;
    };
    const bool names_secret = arg == "--pass" || arg == "--pass-file" || arg == "--session-key";
    if (arg == "--help" || arg == "-h") {
      o.command = QlxCommand::kHelp;
      return true;
    } else if (names_secret && (encrypt || decrypt || check) && (arg != "--session-key" || decrypt)) {
      if (!takes_value()) return Fail(error, arg + " needs a value");
      if (o.passphrase_from != PassphraseSource::kNone || o.have_session_key)
        return Fail(error, "give one passphrase or session key");
      if (arg == "--pass") {
        if (!CheckPassphrase(value, error)) return false;
        o.passphrase = value;
        o.passphrase_from = PassphraseSource::kOption;
      } else if (arg == "--pass-file") {
        o.pass_file = value;
        o.passphrase_from = PassphraseSource::kFile;
      } else {
        if (!ParseSessionKey(value, o.session_key)) return Fail(error, "--session-key takes 32 hex digits");
        o.have_session_key = true;
      }
    } else if ((arg == "--text" || arg == "--text-file") && encrypt) {
      if (!takes_value()) return Fail(error, arg + " needs a value");
      if (o.have_text) return Fail(error, "give one text");
      o.have_text = true;
      (arg == "--text" ? o.text : o.text_file) = value;
    } else if ((arg == "-o" && encrypt) || (arg == "-C" && decrypt)) {
      if (!takes_value()) return Fail(error, arg + " needs a value");
      (encrypt ? o.output : o.directory) = value;
      if (*value == '\0') return Fail(error, arg + " needs a value");
    } else if ((arg == "--des" || arg == "--aes") && encrypt) {
      o.algorithm = arg == "--des" ? 1 : 2;
    } else if (arg == "--each" && encrypt) {
      o.each = true;
    } else if (arg == "--force" && (encrypt || decrypt)) {
      o.force = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Fail(error, "unknown option " + arg + " for " + command);
    } else {
      positional.push_back(arg);
    }
  }
  if (encrypt) {
    if (o.output.empty()) return Fail(error, "encrypt needs -o OUTPUT");
  } else if (positional.size() != 1) {
    return Fail(error, command + " takes one container");
  }
  o.files = std::move(positional);
  if ((encrypt || decrypt || check) && o.passphrase_from == PassphraseSource::kNone && !o.have_session_key)
    o.passphrase_from = PassphraseSource::kPrompt;
  return true;
}
