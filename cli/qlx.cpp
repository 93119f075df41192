// qlx: the command-line front end on the portable core. It encrypts files and a text
// into containers, decrypts, lists and tests them, with the program's own messages on
// standard error and a progress bar when standard error is a terminal.
//
// The command line is in cli/qlx_args.h (usage: qlx --help). Without a passphrase
// option the passphrase is asked on the terminal. Outputs appear whole or not at all
// (cli/qlx_outputs.h).
//
// Exit status: 0 success, 1 the operation failed (the message is on standard error),
// 2 the command line is wrong (or a typed passphrase was refused).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/qlx_args.h"
#include "cli/qlx_outputs.h"
#include "cli/qlx_support.h"
#include "cli/qlx_system.h"
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
#include "platform/version.h"
#include "platform/wipe.h"

namespace fs = std::filesystem;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct UsageError {
  std::string message;
  bool show_usage = true;
};

struct Failure {
  std::string message;  // empty: the message has been shown already
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

// One passphrase typed on the terminal without echo, held to the list's limit.
std::string AskPassphrase(const char* prompt) {
  char line[256];
  bool too_long = false;
  const bool read = ReadHiddenLine(prompt, line, sizeof line, &too_long);
  std::string typed = line;
  const std::size_t length = too_long ? sizeof line : typed.size();
  SecureWipe(line, sizeof line);
  if (!read) throw UsageError{"no passphrase was typed", false};
  std::string error;
  if (too_long || !CheckPassphrase(typed, &error)) {
    SecureWipe(typed.data(), typed.size());
    if (too_long)
      error = "the passphrase is more than " + std::to_string(length - 1) + " bytes long; at most " +
              std::to_string(kQlxPassphraseMax) + " are possible";
    throw UsageError{error, false};
  }
  return typed;
}

// Fetches what the command line only names: the passphrase file's first line, the
// text file, or a passphrase asked on the terminal.
void CompleteArgs(QlxArgs& o) {
  std::string error;
  if (o.passphrase_from == PassphraseSource::kFile) {
    std::string content = ReadWholeFile(o.pass_file);
    o.passphrase = FirstLine(content);
    SecureWipe(content.data(), content.size());
    if (!CheckPassphrase(o.passphrase, &error)) throw UsageError{error};
  } else if (o.passphrase_from == PassphraseSource::kPrompt) {
    if (!PassphraseTerminalAvailable()) {
      if (o.command == QlxCommand::kEncrypt) throw UsageError{"encrypt needs --pass or --pass-file"};
      if (o.command == QlxCommand::kDecrypt) throw UsageError{"decrypt needs --pass, --pass-file or --session-key"};
      throw UsageError{"check needs --pass or --pass-file"};
    }
    o.passphrase = AskPassphrase("passphrase: ");
    if (o.command == QlxCommand::kEncrypt) {
      std::string again = AskPassphrase("passphrase again: ");
      const bool same = again == o.passphrase;
      SecureWipe(again.data(), again.size());
      if (!same) throw UsageError{"the two passphrases differ; nothing was done", false};
    }
  }
  if (!o.text_file.empty()) {
    o.text = ReadWholeFile(o.text_file);
  }
  if (o.have_text && o.text.find('\0') != std::string::npos) throw UsageError{"the text holds a zero byte"};
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

void RefuseExisting(const std::vector<std::string>& targets, bool force) {
  if (force) return;
  for (const std::string& target : targets) {
    std::error_code error;
    if (fs::exists(fs::symlink_status(target, error)))
      throw Failure{target + " exists already; use --force to replace it"};
  }
}

std::string Join(const std::string& folder, const std::string& name) { return (fs::path(folder) / name).string(); }

void MakeFolder(const std::string& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) throw Failure{"cannot make the folder " + folder + ": " + error.message()};
}

FileEntry EntryFor(const std::string& path) {
  FileEntry entry{};
  if (!FileEntryFromPath(path.c_str(), &entry)) {
    ReportOperationError(nullptr, RESULT_CANNOT_OPEN, path.c_str());
    throw Failure{};
  }
  return entry;
}

// --- Commands ---------------------------------------------------------------------------

int Encrypt(const QlxArgs& o) {
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
    PrivateFileModes private_modes;  // the work files are for this user alone
    ProgressBar bar("encrypting", total);
    result = EncryptOperation(&request);
  }
  SecureWipe(text.data(), text.size());
  if (result != RESULT_OK) {
    ReportOperationError(nullptr, result, o.files.empty() ? "text" : o.files[0].c_str());
    throw Failure{};
  }
  std::unique_ptr<FileEntry, void (*)(FileEntry*)> made(request.entries, FileEntriesFree);
  if (request.count != targets.size()) throw Failure{"the operation made an unexpected number of containers"};
  if (o.each) MakeFolder(o.output);
  StagedOutputs outputs(o.force);
  std::string error;
  for (std::uint32_t i = 0; i < request.count; ++i)
    if (!outputs.AddFile(made.get()[i].container, targets[i], nullptr, &error)) throw Failure{error};
  if (!outputs.PlaceAll(&error)) throw Failure{error};
  for (const std::string& target : targets) std::printf("%s\n", target.c_str());
  return kExitOk;
}

int Decrypt(const QlxArgs& o) {
  FileEntry container = EntryFor(o.files[0]);
  OperationRequest request{0, nullptr, o.passphrase.c_str(), o.have_session_key ? o.session_key : nullptr, 1,
                           &container, SELECTOR_EVERYTHING, ALGORITHM_UNREAD};
  std::uint32_t result;
  {
    PrivateFileModes private_modes;  // the decrypted work files are for this user alone
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

  MakeFolder(o.directory);
  StagedOutputs outputs(o.force);
  std::string error;
  std::size_t t = 0;
  if (text && !outputs.AddBytes(text.get(), std::strlen(text.get()), targets[t++], &error)) throw Failure{error};
  for (std::uint32_t i = 0; i < request.count; ++i) {
    const FileEntry& entry = files.get()[i];
    if (!outputs.AddFile(entry.path, targets[t++], &entry.time, &error)) throw Failure{error};
  }
  if (!outputs.PlaceAll(&error)) throw Failure{error};
  for (const std::string& target : targets) std::printf("%s\n", target.c_str());
  return kExitOk;
}

int List(const QlxArgs& o) {
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
  if (!listing.files.empty()) {
    // The size is what the file takes inside the container, compressed: not its own size.
    std::printf("%12s  %-19s  %s\n", "stored size", "written (UTC)", "name");
    for (const ContainerListedFile& file : listing.files)
      std::printf("%12llu  %s  %s\n", static_cast<unsigned long long>(file.stored_size),
                  FormatFileTime(file.time).c_str(), file.name.c_str());
    std::printf("(stored size: compressed, as kept in the container)\n");
  }
  return kExitOk;
}

int Check(const QlxArgs& o) {
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

int Version() {
  char version[32];
  if (!ModuleProductVersion(version, sizeof version)) throw Failure{"the program carries no version"};
  std::printf("qlx %s\n", version);
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  int status = kExitOk;
  try {
    QlxArgs options;
    std::string error;
    if (!ParseQlxArgs(argc, argv, &options, &error)) throw UsageError{error};
    if (options.command == QlxCommand::kHelp) {
      std::fputs(kQlxUsage, stdout);
      return kExitOk;
    }
    if (options.command == QlxCommand::kVersion) return Version();
    CompleteArgs(options);
    QlxWorkspace workspace;  // private work folder for this run
    if (!workspace.ready()) throw Failure{"cannot make a work folder in the temporary folder"};
    if (options.command == QlxCommand::kEncrypt)
      status = Encrypt(options);
    else if (options.command == QlxCommand::kDecrypt)
      status = Decrypt(options);
    else if (options.command == QlxCommand::kList)
      status = List(options);
    else
      status = Check(options);
  } catch (const UsageError& e) {
    if (!e.message.empty()) std::fprintf(stderr, "qlx: %s\n", e.message.c_str());
    if (e.show_usage) std::fputs(kQlxUsage, stderr);
    status = kExitUsage;
  } catch (const Failure& e) {
    if (!e.message.empty()) std::fprintf(stderr, "qlx: %s\n", e.message.c_str());
    status = kExitFailed;
  }
  return status;
}
