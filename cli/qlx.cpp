// qlx: the command-line front end on the portable core. It encrypts files and a text
// into containers, decrypts, lists and tests them, with the program's own messages on
// standard error and a progress bar when standard error is a terminal.
//
//   qlx encrypt [--des|--aes] [--each] [--text TEXT | --text-file FILE]
//               (--pass PASS | --pass-file FILE) -o OUTPUT [FILE...]
//   qlx decrypt (--pass PASS | --pass-file FILE | --session-key HEX32) [-C DIR] [--force] CONTAINER
//   qlx list CONTAINER
//   qlx check (--pass PASS | --pass-file FILE) CONTAINER
//
// Exit status: 0 success, 1 the operation failed (the message is on standard error),
// 2 the command line is wrong.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>


#include "cli/qlx_support.h"
#include "container/format.h"
#include "container/names.h"
#include "container/operation.h"
#include "base/progress.h"
#include "container/result.h"
#include "container/streams.h"
#include "crypto/random.h"
#include "platform/console.h"
#include "platform/fileio.h"
#include "platform/progress.h"
#include "platform/tempdir.h"
#include "platform/wipe.h"

namespace fs = std::filesystem;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr std::size_t kPassphraseMax = 31;  // the passphrase list's slots hold 31 bytes

const char kUsage[] =
    "usage: qlx encrypt [--des|--aes] [--each] [--text TEXT | --text-file FILE]\n"
    "                   (--pass PASS | --pass-file FILE) -o OUTPUT [FILE...]\n"
    "       qlx decrypt (--pass PASS | --pass-file FILE | --session-key HEX32) [-C DIR] [--force] CONTAINER\n"
    "       qlx list CONTAINER\n"
    "       qlx check (--pass PASS | --pass-file FILE) CONTAINER\n";

struct UsageError {
  std::string message;
};

struct Failure {
  std::string message;  // empty: the message has been shown already
};

// Command-line options of all commands.
struct Options {
  std::string command;
  std::string passphrase;
  bool have_passphrase = false;
  std::uint8_t session_key[16] = {};
  bool have_session_key = false;
  std::string text;
  bool have_text = false;
  std::string output;
  std::string directory = ".";
  bool each = false;
  bool force = false;
  int algorithm = 2;  // AES unless --des
  std::vector<std::string> files;
  ~Options() {
    SecureWipe(passphrase.data(), passphrase.size());
    SecureWipe(session_key, sizeof session_key);
  }
};

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Failure{"cannot read " + path};
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string FirstLine(const std::string& content) {
  const std::size_t end = content.find_first_of("\r\n");
  return end == std::string::npos ? content : content.substr(0, end);
}

void SetPassphrase(Options& o, std::string value) {
  if (o.have_passphrase || o.have_session_key) throw UsageError{"give one passphrase or session key"};
  if (value.size() > kPassphraseMax)
    throw UsageError{"the passphrase is " + std::to_string(value.size()) + " bytes long; at most " +
                     std::to_string(kPassphraseMax) + " are possible"};
  if (value.find('\0') != std::string::npos) throw UsageError{"the passphrase holds a zero byte"};
  o.passphrase = std::move(value);
  o.have_passphrase = true;
}

Options Parse(int argc, char** argv) {
  if (argc < 2) throw UsageError{""};
  Options o;
  o.command = argv[1];
  if (o.command != "encrypt" && o.command != "decrypt" && o.command != "list" && o.command != "check")
    throw UsageError{"unknown command " + o.command};
  std::vector<std::string> positional;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw UsageError{arg + " needs a value"};
      return argv[++i];
    };
    if (arg == "--pass") {
      SetPassphrase(o, value());
    } else if (arg == "--pass-file") {
      SetPassphrase(o, FirstLine(ReadWholeFile(value())));
    } else if (arg == "--session-key" && o.command == "decrypt") {
      if (o.have_passphrase || o.have_session_key) throw UsageError{"give one passphrase or session key"};
      if (!ParseSessionKey(value().c_str(), o.session_key)) throw UsageError{"--session-key takes 32 hex digits"};
      o.have_session_key = true;
    } else if ((arg == "--text" || arg == "--text-file") && o.command == "encrypt") {
      if (o.have_text) throw UsageError{"give one text"};
      o.text = arg == "--text" ? value() : ReadWholeFile(value());
      if (o.text.find('\0') != std::string::npos) throw UsageError{"the text holds a zero byte"};
      o.have_text = true;
    } else if (arg == "-o" && o.command == "encrypt") {
      o.output = value();
    } else if (arg == "-C" && o.command == "decrypt") {
      o.directory = value();
    } else if (arg == "--des" && o.command == "encrypt") {
      o.algorithm = 1;
    } else if (arg == "--aes" && o.command == "encrypt") {
      o.algorithm = 2;
    } else if (arg == "--each" && o.command == "encrypt") {
      o.each = true;
    } else if (arg == "--force" && (o.command == "encrypt" || o.command == "decrypt")) {
      o.force = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError{"unknown option " + arg + " for " + o.command};
    } else {
      positional.push_back(arg);
    }
  }
  if (o.command == "encrypt") {
    if (!o.have_passphrase) throw UsageError{"encrypt needs --pass or --pass-file"};
    if (o.output.empty()) throw UsageError{"encrypt needs -o OUTPUT"};
    o.files = positional;
  } else {
    if (positional.size() != 1) throw UsageError{o.command + " takes one container"};
    o.files = positional;
    if (o.command == "decrypt" && !o.have_passphrase && !o.have_session_key)
      throw UsageError{"decrypt needs --pass, --pass-file or --session-key"};
    if (o.command == "check" && !o.have_passphrase) throw UsageError{"check needs --pass or --pass-file"};
  }
  return o;
}

// --- Progress bar on a terminal -------------------------------------------------------

struct Bar {
  const char* label;
  std::uint64_t total;
  std::uint64_t done = 0;
  int shown = -1;
};

int DrawBar(void* context, std::uint32_t notification, std::uint32_t value) {
  auto* bar = static_cast<Bar*>(context);
  if (notification != NOTIFY_CODEC || value == PROGRESS_DONE || value == PROGRESS_FAILED) return RECEIVER_GO_ON;
  bar->done += value;
  const int percent = bar->total == 0 ? 100 : static_cast<int>(bar->done * 100 / bar->total);
  if (percent == bar->shown) return RECEIVER_GO_ON;
  bar->shown = percent > 100 ? 100 : percent;
  char line[64];
  const int filled = bar->shown * 30 / 100;
  std::snprintf(line, sizeof line, "\r%s [%-30.*s] %3d%%", bar->label, filled,
                "##############################", bar->shown);
  std::fputs(line, stderr);
  std::fflush(stderr);
  return RECEIVER_GO_ON;
}

class ProgressBar {
 public:
  ProgressBar(const char* label, std::uint64_t total) : bar_{label, total} {
    active_ = StreamIsTerminal(stderr);
    if (active_) ProgressSetReceiver(DrawBar, &bar_);
  }
  ~ProgressBar() {
    if (!active_) return;
    ProgressClearReceiver();
    if (bar_.shown >= 0) std::fputs("\n", stderr);
  }

 private:
  Bar bar_;
  bool active_;
};

// --- Files ------------------------------------------------------------------------------

void MoveFile(const std::string& from, const std::string& to) {
  std::error_code error;
  fs::rename(from, to, error);
  if (!error) return;
  // Another volume: copy, then remove the original.
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
  if (error) throw Failure{"cannot write " + to + ": " + error.message()};
  fs::remove(from, error);
}

void RefuseExisting(const std::vector<std::string>& targets, bool force) {
  if (force) return;
  for (const std::string& target : targets) {
    std::error_code error;
    if (fs::exists(target, error))
      throw Failure{target + " exists already; use --force to replace it"};
  }
}

std::string Join(const std::string& folder, const std::string& name) { return (fs::path(folder) / name).string(); }

FileEntry EntryFor(const std::string& path) {
  FileEntry entry{};
  if (!FileEntryFromPath(path.c_str(), &entry)) {
    ReportOperationError(nullptr, RESULT_CANNOT_OPEN, path.c_str());
    throw Failure{};
  }
  return entry;
}

// --- Commands ---------------------------------------------------------------------------

int Encrypt(const Options& o) {
  std::vector<FileEntry> entries;
  std::uint64_t total = 0;
  for (const std::string& file : o.files) {
    entries.push_back(EntryFor(file));
    total += entries.back().size;
  }
  for (std::size_t i = 0; i < entries.size(); ++i)
    for (std::size_t j = 0; j < i; ++j)
      if (FileNamesEqual(entries[i].name, entries[j].name))
        throw UsageError{std::string("two files are named ") + entries[i].name + "; a container holds one of each name"};

  // Where the containers go, checked before anything is made.
  std::vector<std::string> targets;
  if (o.each) {
    if (o.have_text) targets.push_back(Join(o.output, "text.vek"));
    for (std::size_t i = 0; i < entries.size(); ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "%03u.vek", static_cast<unsigned>(i));
      targets.push_back(Join(o.output, name));
    }
  } else {
    targets.push_back(o.output);
  }
  RefuseExisting(targets, o.force);

  std::string text = o.text;
  OperationRequest request{DIRECTION_ENCRYPT,
                           o.have_text ? text.data() : nullptr,
                           o.passphrase.c_str(),
                           nullptr,
                           static_cast<std::uint32_t>(entries.size()),
                           entries.empty() ? nullptr : entries.data(),
                           o.each ? SELECTOR_EACH : 0,
                           static_cast<std::uint32_t>(o.algorithm)};
  std::uint32_t result;
  {
    ProgressBar bar("encrypting", total);
    result = EncryptOperation(&request);
  }
  SecureWipe(text.data(), text.size());
  if (result != RESULT_OK) {
    ReportOperationError(nullptr, result, o.files.empty() ? "text" : o.files[0].c_str());
    throw Failure{};
  }
  std::unique_ptr<FileEntry, void (*)(FileEntry*)> made(request.entries, FileEntriesFree);
  if (o.each) {
    std::error_code error;
    fs::create_directories(o.output, error);
  }
  for (std::uint32_t i = 0; i < request.count; ++i) MoveFile(made.get()[i].container, targets[i]);
  for (const std::string& target : targets) std::printf("%s\n", target.c_str());
  return kExitOk;
}

int Decrypt(const Options& o) {
  FileEntry container = EntryFor(o.files[0]);
  OperationRequest request{0, nullptr, o.passphrase.c_str(), o.have_session_key ? o.session_key : nullptr, 1,
                           &container, SELECTOR_EVERYTHING, ALGORITHM_UNREAD};
  std::uint32_t result;
  {
    ProgressBar bar("decrypting", ContainerStoredBytes(o.files[0].c_str()));
    result = DecryptOperation(&request);
  }
  if (result != RESULT_OK) {
    ReportOperationError(nullptr, result, o.files[0].c_str());
    throw Failure{};
  }
  std::unique_ptr<FileEntry, void (*)(FileEntry*)> files(request.entries, FileEntriesFree);
  std::unique_ptr<char, void (*)(char*)> text(request.text, OperationTextFree);

  std::vector<std::string> targets;
  if (text) targets.push_back(Join(o.directory, "qlx.txt"));
  for (std::uint32_t i = 0; i < request.count; ++i) targets.push_back(Join(o.directory, files.get()[i].name));
  RefuseExisting(targets, o.force);

  std::error_code error;
  fs::create_directories(o.directory, error);
  std::size_t t = 0;
  if (text) {
    const std::string& path = targets[t++];
    FileHandle out = FileOpen(path.c_str(), "wb");
    const std::size_t length = std::strlen(text.get());
    const bool written = out && std::fwrite(text.get(), 1, length, out.get()) == length;
    if (!FileClose(out) || !written) throw Failure{"cannot write " + path};
    std::printf("%s\n", path.c_str());
  }
  for (std::uint32_t i = 0; i < request.count; ++i) {
    const FileEntry& entry = files.get()[i];
    const std::string& path = targets[t++];
    MoveFile(entry.path, path);
    FileSetWriteTime(path.c_str(), entry.time);
    std::printf("%s\n", path.c_str());
  }
  return kExitOk;
}

int List(const Options& o) {
  const char* path = o.files[0].c_str();
  ContainerListing listing;
  const std::uint32_t result = ContainerList(path, &listing);
  if (result != RESULT_OK) {
    ReportOperationError(nullptr, result, path);
    throw Failure{};
  }
  std::printf("version:     %s\n", listing.version.c_str());
  std::printf("algorithm:   %u (%s)\n", listing.info.algorithm, listing.info.algorithm == 1 ? "DES" : "AES");
  std::printf("key length:  %u\n", listing.info.key_length);
  // The summary counts the text's stored stream; its plain length is that less the head.
  const std::uint32_t head = listing.info.key_length == 8 ? CipherStreamOverhead(listing.info.algorithm) : 0;
  if (listing.info.text_length >= head && head != 0)
    std::printf("text length: %u (stored %u)\n", listing.info.text_length - head, listing.info.text_length);
  else
    std::printf("text length: stored %u\n", listing.info.text_length);
  std::printf("files:       %u\n", listing.info.file_count);
  for (const ContainerListedFile& file : listing.files)
    std::printf("%12llu  %s  %s\n", static_cast<unsigned long long>(file.stored_size),
                FormatFileTime(file.time).c_str(), file.name.c_str());
  return kExitOk;
}

int Check(const Options& o) {
  const char* path = o.files[0].c_str();
  const std::uint32_t result = PassphraseOpensContainer(path, o.passphrase.c_str());
  if (result == RESULT_OK) {
    std::printf("the passphrase opens %s\n", path);
    return kExitOk;
  }
  if (result == RESULT_WRONG_SIGNATURE)
    std::fprintf(stderr, "qlx: the passphrase does not open %s\n", path);
  else
    ReportOperationError(nullptr, result, path);
  return kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
  int status = kExitOk;
  try {
    Options options = Parse(argc, argv);
    QlxWorkspace workspace;  // private work folder for this run
    if (!workspace.ready()) throw Failure{"cannot make a work folder in the temporary folder"};
    if (options.command == "encrypt")
      status = Encrypt(options);
    else if (options.command == "decrypt")
      status = Decrypt(options);
    else if (options.command == "list")
      status = List(options);
    else
      status = Check(options);
  } catch (const UsageError& e) {
    if (!e.message.empty()) std::fprintf(stderr, "qlx: %s\n", e.message.c_str());
    std::fputs(kUsage, stderr);
    status = kExitUsage;
  } catch (const Failure& e) {
    if (!e.message.empty()) std::fprintf(stderr, "qlx: %s\n", e.message.c_str());
    status = kExitFailed;
  }
  return status;
}
