// Deleting an install log's records without following links (see no_follow.h).
#include "remover/no_follow.h"

#include <memory>
#include <string>
#include <vector>

#include "remover/remover_rules.h"

namespace {

struct HandleCloser {
  void operator()(HANDLE handle) const {
    if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};
using Handle = std::unique_ptr<void, HandleCloser>;

bool NotThere(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

bool IsFolder(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

HANDLE OpenWithoutFollowing(const char* path, DWORD access, DWORD share) {
  return CreateFileA(path, access, share, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                     nullptr);
}

bool HandleIsLink(HANDLE handle) {
  // A reparse point that names another place (a junction, a symbolic link: the tag's
  // name-surrogate bit), not one that only keeps the file elsewhere (a cloud
  // placeholder, a deduplicated file).
  FILE_ATTRIBUTE_TAG_INFO tag;
  if (GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag))
    return (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(tag.ReparseTag) != 0;
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool HandleFinalPath(HANDLE handle, char* out, std::size_t size) {
  char raw[2 * MAX_PATH];
  const DWORD n = GetFinalPathNameByHandleA(handle, raw, sizeof raw, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (!n || n >= sizeof raw || !PlainFinalPath(raw, out, size)) {
    if (size) out[0] = '\0';
    return false;
  }
  return true;
}

RemoveOutcome RemoveWithoutFollowing(const char* base, const char* path, bool folder) {
  std::vector<std::string> parts;
  if (!ComponentsBelow(base, path, &parts) || parts.empty()) return RemoveOutcome::Refused;
  // The base and every folder on the way stay open without FILE_SHARE_DELETE: none of
  // them can be renamed or replaced until the record is gone.
  constexpr DWORD kKeep = FILE_SHARE_READ | FILE_SHARE_WRITE;
  Handle base_handle(OpenWithoutFollowing(base, FILE_READ_ATTRIBUTES, kKeep));
  if (base_handle.get() == INVALID_HANDLE_VALUE) {
    base_handle.release();
    return NotThere(GetLastError()) ? RemoveOutcome::Gone : RemoveOutcome::Failed;
  }
  if (HandleIsLink(base_handle.get())) return RemoveOutcome::Refused;
  char base_final[2 * MAX_PATH];
  HandleFinalPath(base_handle.get(), base_final, sizeof base_final);

  std::vector<Handle> handles;
  std::vector<std::string> finals(parts.size());
  std::vector<OpenedComponent> seen(parts.size());
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    HANDLE h = OpenWithoutFollowing(parts[i].c_str(), last ? DELETE | FILE_READ_ATTRIBUTES : FILE_READ_ATTRIBUTES,
                                    last ? kKeep | FILE_SHARE_DELETE : kKeep);
    if (h == INVALID_HANDLE_VALUE) return NotThere(GetLastError()) ? RemoveOutcome::Gone : RemoveOutcome::Failed;
    handles.emplace_back(h);
    char final_path[2 * MAX_PATH];
    HandleFinalPath(h, final_path, sizeof final_path);
    finals[i] = final_path;
    seen[i] = OpenedComponent{HandleIsLink(h), nullptr};
  }
  for (std::size_t i = 0; i < parts.size(); ++i) seen[i].final_path = finals[i].c_str();
  const LinkVerdict verdict = JudgeComponents(base_final, seen.data(), seen.size());
  if (verdict == LinkVerdict::Refuse) return RemoveOutcome::Refused;
  HANDLE target = handles.back().get();
  // A file record never removes a folder, a folder record never a file; a link goes
  // as a link, whichever it points to.
  if (verdict == LinkVerdict::Plain && IsFolder(target) != folder) return RemoveOutcome::Failed;
  FILE_DISPOSITION_INFO dispose{TRUE};
  if (!SetFileInformationByHandle(target, FileDispositionInfo, &dispose, sizeof dispose)) return RemoveOutcome::Failed;
  handles.clear();  // closing the record's handle deletes it
  // Some systems accept the request and then keep a folder that is not empty.
  if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return RemoveOutcome::Failed;
  return RemoveOutcome::Removed;
}
