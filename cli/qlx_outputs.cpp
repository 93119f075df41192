// Staging and placement of qlx's outputs (see qlx_outputs.h).
#include "cli/qlx_outputs.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "cli/qlx_system.h"
#include "platform/fileio.h"

namespace {

std::string FolderOf(const std::string& target) {
  const std::string parent = std::filesystem::path(target).parent_path().string();
  return parent.empty() ? "." : parent;
}

std::string CannotWrite(const std::string& target, int error) {
  return "cannot write " + target + ": " + SystemErrorText(error);
}

// Copies from into the open temporary file, then flushes and closes it.
bool CopyInto(const std::string& from, std::FILE* out, int* error) {
  FileHandle in = FileOpen(from.c_str(), "rb");
  if (!in) {
    *error = errno;
    std::fclose(out);
    return false;
  }
  static char buffer[1 << 16];
  bool ok = true;
  std::size_t got;
  while (ok && (got = std::fread(buffer, 1, sizeof buffer, in.get())) > 0) {
    if (!WriteAll(out, buffer, got)) {
      *error = errno;
      ok = false;
    }
  }
  if (ok && std::ferror(in.get())) {
    *error = errno != 0 ? errno : EIO;
    ok = false;
  }
  if (!ok) {
    std::fclose(out);
    return false;
  }
  if (!FlushAndClose(out)) {
    *error = errno;
    return false;
  }
  return true;
}

}  // namespace

StagedOutputs::~StagedOutputs() {
  for (const Staged& staged : staged_) RemoveFileQuietly(staged.temp);
}

bool StagedOutputs::AddFile(const std::string& from, const std::string& target, const FileTime* time,
                            std::string* error) {
  const std::string folder = FolderOf(target);
  std::string temp;
  std::FILE* reserved = CreateTempFileIn(folder, &temp);
  if (reserved == nullptr) {
    *error = CannotWrite(target, errno);
    return false;
  }
  std::fclose(reserved);
  // The same volume: the work file itself takes the reserved name.
  PlaceResult moved = PlaceFile(from, temp, true);
  if (moved == PlaceResult::kOtherVolume) {
    std::FILE* out = std::fopen(temp.c_str(), "wb");
    int reason = errno;
    if (out != nullptr && CopyInto(from, out, &reason)) moved = PlaceResult::kDone;
    errno = reason;
  }
  if (moved != PlaceResult::kDone) {
    const int reason = errno;
    RemoveFileQuietly(temp);
    *error = CannotWrite(target, reason);
    return false;
  }
  staged_.push_back({temp, target});
  if (!GiveUsualMode(temp) || (time != nullptr && !FileSetWriteTime(temp.c_str(), *time))) {
    *error = CannotWrite(target, errno);
    return false;
  }
  return true;
}

bool StagedOutputs::AddBytes(const char* data, std::size_t length, const std::string& target, std::string* error) {
  std::string temp;
  std::FILE* out = CreateTempFileIn(FolderOf(target), &temp);
  if (out == nullptr) {
    *error = CannotWrite(target, errno);
    return false;
  }
  staged_.push_back({temp, target});
  if (!WriteAll(out, data, length)) {
    *error = CannotWrite(target, errno);
    std::fclose(out);
    return false;
  }
  if (!FlushAndClose(out) || !GiveUsualMode(temp)) {
    *error = CannotWrite(target, errno);
    return false;
  }
  return true;
}

bool StagedOutputs::PlaceAll(std::string* error) {
  while (!staged_.empty()) {
    const Staged& staged = staged_.front();
    const PlaceResult placed = PlaceFile(staged.temp, staged.target, replace_);
    if (placed == PlaceResult::kExists) {
      *error = staged.target + " exists already; use --force to replace it";
      return false;
    }
    if (placed != PlaceResult::kDone) {
      *error = CannotWrite(staged.target, errno);
      return false;
    }
    staged_.erase(staged_.begin());
  }
  return true;
}
