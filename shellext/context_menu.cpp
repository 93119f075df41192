// The context-menu object Explorer creates for a selection of files: it reads the
// selection from the data object (CF_HDROP), offers its items, and on a command writes
// the list file and starts Quillnox.exe with the command's switch, without waiting for
// it. All it keeps is its own selection; rules.cpp makes the decisions.
#include <windows.h>
#include <shlobj.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "shellext/rules.h"
#include "shellext/server.h"

namespace {

// A block from malloc, freed when it goes.
class HeapText {
 public:
  HeapText() = default;
  ~HeapText() { std::free(data_); }
  HeapText(const HeapText&) = delete;
  HeapText& operator=(const HeapText&) = delete;
  bool Allocate(std::size_t size) {
    std::free(data_);
    data_ = static_cast<char*>(std::malloc(size));
    return data_ != nullptr;
  }
  void Reset() {
    std::free(data_);
    data_ = nullptr;
  }
  char* get() const { return data_; }

 private:
  char* data_ = nullptr;
};

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (valid()) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

bool IsFolder(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool StartsWithSignature(const char* path) {
  FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  char bytes[32];
  DWORD read = 0;
  if (!ReadFile(file.get(), bytes, sizeof bytes, &read, nullptr)) return false;
  return IsContainerSignature(bytes, read);
}

// A message box for a failed command, unless the caller asked for no UI. text may hold
// one %s.
void CommandMessage(HWND owner, bool quiet, const char* format, const char* a, const char* b = nullptr) {
  if (quiet) return;
  char text[1024];
  wnsprintfA(text, sizeof text, format, a, b);
  MessageBoxA(owner, text, SHELLEXT_TITLE, MB_OK | MB_ICONWARNING);
}

// The program's path from the open command of the container file type.
bool FindProgram(char* program, std::size_t size) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, SHELLEXT_OPEN_COMMAND_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  char command[1024] = "";
  DWORD type = 0;
  DWORD bytes = sizeof command - 1;
  const LONG rc = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(command), &bytes);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  command[bytes < sizeof command ? bytes : sizeof command - 1] = '\0';
  return ProgramFromOpenCommand(command, program, size) == 1;
}

// The temporary folder (which ends with a backslash) and the list file's name.
bool ListFilePath(char* path, std::size_t size) {
  const DWORD folder = GetTempPathA(static_cast<DWORD>(size), path);
  if (folder == 0 || folder + sizeof SHELLEXT_LIST_FILE_NAME > size) {
    lstrcpynA(path, SHELLEXT_LIST_FILE_NAME, static_cast<int>(size));
    return false;
  }
  std::memcpy(path + folder, SHELLEXT_LIST_FILE_NAME, sizeof SHELLEXT_LIST_FILE_NAME);
  return true;
}

// Deletes the list file, creates it anew and writes the bytes.
bool WriteListFile(const char* path, const char* bytes, std::size_t size) {
  DeleteFileA(path);
  FileHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

class ContextMenu final : public IShellExtInit, public IContextMenu, public HeapObject {
 public:
  ContextMenu() { ServerObjectCreated(); }
  ~ContextMenu() { ServerObjectDestroyed(); }
  ContextMenu(const ContextMenu&) = delete;
  ContextMenu& operator=(const ContextMenu&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(riid, __uuidof(IUnknown)) || IsEqualIID(riid, __uuidof(IShellExtInit))) {
      *out = static_cast<IShellExtInit*>(this);
    } else if (IsEqualIID(riid, __uuidof(IContextMenu))) {
      *out = static_cast<IContextMenu*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IShellExtInit: keeps the selected paths and what they are.
  HRESULT STDMETHODCALLTYPE Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY) override {
    paths_.Reset();
    count_ = 0;
    bytes_ = 0;
    items_ = 0;
    if (data == nullptr) return E_INVALIDARG;
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (FAILED(data->GetData(&format, &medium))) return E_INVALIDARG;
    HRESULT hr = E_INVALIDARG;
    if (HDROP drop = static_cast<HDROP>(GlobalLock(medium.hGlobal))) {
      hr = ReadSelection(drop);
      GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return hr;
  }

  // IContextMenu
  HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT index, UINT first, UINT last, UINT flags) override {
    if ((flags & CMF_DEFAULTONLY) != 0 || items_ == 0) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    UINT used = 0;
    for (UINT command = 0; command < SHELL_COMMAND_COUNT; ++command) {
      if ((items_ & (1u << command)) == 0 || first + command > last) continue;
      if (!InsertMenuA(menu, index++, MF_STRING | MF_BYPOSITION, first + command, CommandMenuText(command)))
        return HRESULT_FROM_WIN32(GetLastError());
      used = command + 1;
    }
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, used);
  }

  HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override {
    if (info == nullptr) return E_INVALIDARG;
    UINT command = SHELL_COMMAND_COUNT;
    const auto* ex = reinterpret_cast<const CMINVOKECOMMANDINFOEX*>(info);
    if (info->cbSize >= sizeof(CMINVOKECOMMANDINFOEX) && (info->fMask & CMIC_MASK_UNICODE) != 0 &&
        !IS_INTRESOURCE(ex->lpVerbW)) {
      char verb[64];
      if (WideCharToMultiByte(CP_ACP, 0, ex->lpVerbW, -1, verb, sizeof verb, nullptr, nullptr) > 0)
        command = CommandFromVerb(verb);
    } else if (!IS_INTRESOURCE(info->lpVerb)) {
      command = CommandFromVerb(info->lpVerb);
    } else {
      command = LOWORD(reinterpret_cast<ULONG_PTR>(info->lpVerb));
    }
    if (!Offers(command)) return E_INVALIDARG;
    return Run(command, info->hwnd, (info->fMask & CMIC_MASK_FLAG_NO_UI) != 0);
  }

  HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR id, UINT type, UINT*, CHAR* name, UINT size) override {
    const UINT command = static_cast<UINT>(id);
    const UINT kind = type & ~GCS_UNICODE;
    if (kind == GCS_VALIDATEA) return Offers(command) ? S_OK : S_FALSE;
    if (!Offers(command)) return E_INVALIDARG;
    const char* text = kind == GCS_VERBA ? CommandVerb(command) : kind == GCS_HELPTEXTA ? CommandHelpText(command) : nullptr;
    if (text == nullptr) return E_INVALIDARG;
    if (name == nullptr || size == 0) return E_INVALIDARG;
    if ((type & GCS_UNICODE) != 0) {
      if (MultiByteToWideChar(CP_ACP, 0, text, -1, reinterpret_cast<WCHAR*>(name), static_cast<int>(size)) == 0)
        return E_INVALIDARG;
    } else {
      if (std::strlen(text) >= size) return E_INVALIDARG;
      std::memcpy(name, text, std::strlen(text) + 1);
    }
    return S_OK;
  }

 private:
  bool Offers(UINT command) const { return command < SHELL_COMMAND_COUNT && (items_ & (1u << command)) != 0; }

  // Copies every path of the drop into one block (each ended by its zero byte) and
  // learns what the selection holds.
  HRESULT ReadSelection(HDROP drop) {
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    std::size_t total = 0;
    for (UINT i = 0; i < count; ++i) total += DragQueryFileA(drop, i, nullptr, 0) + 1;
    if (count == 0 || !paths_.Allocate(total)) return E_INVALIDARG;
    SelectionFacts facts = {count, 0, false};
    char* path = paths_.get();
    for (UINT i = 0; i < count; ++i) {
      const UINT room = static_cast<UINT>(total - static_cast<std::size_t>(path - paths_.get()));
      const UINT length = DragQueryFileA(drop, i, path, room);
      if (length >= room) return E_INVALIDARG;  // changed under us
      path[length] = '\0';
      if (IsFolder(path)) ++facts.folders;
      path += length + 1;
    }
    if (count == 1 && facts.folders == 0) facts.single_container = StartsWithSignature(paths_.get());
    count_ = count;
    bytes_ = static_cast<std::size_t>(path - paths_.get());
    items_ = MenuItemsFor(facts);
    return S_OK;
  }

  // Writes the list file and starts the program with the command's switch.
  HRESULT Run(UINT command, HWND owner, bool quiet) {
    HeapText list;
    if (!list.Allocate(bytes_)) return E_OUTOFMEMORY;
    std::size_t size = 0;
    std::uint32_t bad = 0;
    if (!ListFileBytes(paths_.get(), count_, list.get(), bytes_, &size, &bad)) {
      const char* path = paths_.get();
      for (std::uint32_t i = 0; i < bad && i < count_; ++i) path += std::strlen(path) + 1;
      char shown[SHELLEXT_SHOWN_PATH_MAX + 1];
      ShownPath(bad < count_ ? path : "", shown, sizeof shown);
      CommandMessage(owner, quiet, SHELLEXT_PATH_TOO_LONG, shown);
      return E_FAIL;
    }

    char program[SHELLEXT_PATH_SIZE];
    if (!FindProgram(program, sizeof program)) {
      CommandMessage(owner, quiet, SHELLEXT_NO_INSTALL_DIR, "HKCR", SHELLEXT_OPEN_COMMAND_KEY);
      return E_FAIL;
    }

    char list_path[SHELLEXT_PATH_SIZE];
    if (!ListFilePath(list_path, sizeof list_path) || !WriteListFile(list_path, list.get(), size)) {
      CommandMessage(owner, quiet, SHELLEXT_LIST_NOT_WRITTEN, list_path);
      return E_FAIL;
    }

    char command_line[SHELLEXT_PATH_SIZE + 16];
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!LaunchCommandLine(program, command, command_line, sizeof command_line) ||
        !CreateProcessA(program, command_line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
      CommandMessage(owner, quiet, SHELLEXT_NOT_STARTED, program);
      return E_FAIL;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return S_OK;
  }

  LONG refs_ = 1;
  HeapText paths_;        // the selected paths, each ended by its zero byte
  std::uint32_t count_ = 0;
  std::size_t bytes_ = 0;  // size of paths_
  std::uint32_t items_ = 0;  // MENU_ENCRYPT / MENU_DECRYPT
};

}  // namespace

IUnknown* ContextMenuCreate() {
  ContextMenu* menu = new (std::nothrow) ContextMenu();
  return menu == nullptr ? nullptr : static_cast<IShellExtInit*>(menu);
}
