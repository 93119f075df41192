// Fuzz target: the uninstaller's command line. Arbitrary bytes as the line Windows
// passes (the program's own path, quoted or not, then the arguments) and as the
// arguments alone: the parser must stay inside its buffers and give a NUL-terminated
// log path. And the temporary copy's round trip: whatever CopyCommandLine accepts, the
// copy's parser gives back exactly (paths, handles, silent mode), also after a line
// that was itself parsed from the bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "remover/remover_rules.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void RoundTrip(const char* log_path, const char* origin, std::uint64_t process, std::uint64_t done,
               std::uint64_t file, bool silent) {
  char line[1024];
  if (!CopyCommandLine(log_path, origin, process, done, file, silent, line, sizeof line)) return;
  RemoverCommand back;
  Check(ParseRemoverCommand(line, &back));
  Check(std::strcmp(back.log_path, log_path) == 0);
  Check(std::strcmp(back.origin, origin) == 0);
  Check(back.origin_process == process && back.origin_done == done && back.own_file == file);
  Check(back.silent == silent);
}

std::uint64_t Number(const std::uint8_t* data, std::size_t size, std::size_t at) {
  std::uint64_t n = 0;
  for (std::size_t i = 0; i < 8 && at + i < size; ++i) n |= static_cast<std::uint64_t>(data[at + i]) << (8 * i);
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string line = text.substr(0, text.find('\0'));  // a command line holds no NUL

  // The raw line: the program's own path skipped however it was written.
  const char* module = "C:\\Program Files\\Orvanel\\Quillnox\\unins000.exe";
  const char* arguments = ArgumentsAfterProgram(line.c_str(), module);
  Check(arguments >= line.c_str() && arguments <= line.c_str() + line.size());
  RemoverCommand command;
  for (const char* args : {arguments, line.c_str()}) {
    if (!ParseRemoverCommand(args, &command)) continue;
    Check(std::strlen(command.log_path) < sizeof command.log_path);
    Check(std::strlen(command.origin) < sizeof command.origin);
    // What the original hands on to its copy comes back unchanged.
    RoundTrip(command.log_path, command.origin[0] ? command.origin : module, command.origin_process,
              command.origin_done, command.own_file, command.silent);
  }

  // Paths made of the bytes: split at the first two 0x01 bytes, handles from the tail.
  const std::size_t a = text.find('\1'), b = a == std::string::npos ? a : text.find('\1', a + 1);
  if (b != std::string::npos) {
    const std::string log_path = text.substr(0, a), origin = text.substr(a + 1, b - a - 1);
    if (log_path.find('\0') == std::string::npos && origin.find('\0') == std::string::npos)
      RoundTrip(log_path.c_str(), origin.c_str(), Number(data, size, b + 1), Number(data, size, b + 9),
                Number(data, size, b + 17), size % 2 == 1);
  }
  return 0;
}
