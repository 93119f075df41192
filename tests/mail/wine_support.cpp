// Helpers of the mail tests under Wine (see wine_support.h).
#include "tests/mail/wine_support.h"

#include <cstring>

#include "platform/common/msgbox_double.h"

void SetKeyText(HKEY root, const char* path, const char* name, const std::string& text) {
  HKEY key;
  if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) return;
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
}

void CreateKey(HKEY root, const char* path) {
  HKEY key;
  if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS)
    RegCloseKey(key);
}

void DeleteKeyTree(HKEY root, const char* path) { RegDeleteTreeA(root, path); RegDeleteKeyA(root, path); }

std::vector<std::string> BoxTexts() {
  std::vector<std::string> texts;
  for (const RecordedBox& box : BoxDoubleLog())
    texts.push_back(std::string(box.kind == BoxKind::Error ? "error: " : "warning: ") + box.text);
  return texts;
}

const std::vector<std::string>& SimpleMapiOrder() {
  static const std::vector<std::string> order = {
      "MAPILogon",    "MAPILogoff",     "MAPISendMail",   "MAPISendDocuments", "MAPIFindNext", "MAPIReadMail",
      "MAPISaveMail", "MAPIDeleteMail", "MAPIFreeBuffer", "MAPIAddress",       "MAPIDetails",  "MAPIResolveName"};
  return order;
}

namespace {

using GetProcAddressFunction = FARPROC(WINAPI*)(HMODULE, LPCSTR);
GetProcAddressFunction g_real_get_proc_address = nullptr;
std::vector<std::string> g_mapi_lookups;
std::string g_mapi_missing;

bool IsMapiLibrary(HMODULE module) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(module, path, sizeof path);
  if (length == 0 || length >= sizeof path) return false;
  const char* name = std::strrchr(path, '\\');
  return lstrcmpiA(name ? name + 1 : path, "MAPI32.DLL") == 0;
}

FARPROC WINAPI WatchedGetProcAddress(HMODULE module, LPCSTR name) {
  if ((reinterpret_cast<ULONG_PTR>(name) >> 16) != 0 && IsMapiLibrary(module)) {
    g_mapi_lookups.push_back(name);
    if (g_mapi_missing == name) {
      SetLastError(ERROR_PROC_NOT_FOUND);
      return nullptr;
    }
  }
  return g_real_get_proc_address(module, name);
}

// Points this program's import of kernel32's GetProcAddress at WatchedGetProcAddress.
bool HookGetProcAddress() {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); library->Name;
       ++library) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + library->Name), "KERNEL32.dll") != 0) continue;
    auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
    const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(
        base + (library->OriginalFirstThunk ? library->OriginalFirstThunk : library->FirstThunk));
    for (; names->u1.AddressOfData != 0; ++names, ++slot) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* by_name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(by_name->Name), "GetProcAddress") != 0) continue;
      DWORD protection = 0;
      if (!VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection)) return false;
      g_real_get_proc_address = reinterpret_cast<GetProcAddressFunction>(slot->u1.Function);
      slot->u1.Function = reinterpret_cast<ULONG_PTR>(&WatchedGetProcAddress);
      VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
      return true;
    }
  }
  return false;
}

}  // namespace

void WatchMapiLookups(const char* missing) {
  static const bool hooked = HookGetProcAddress();
  g_mapi_lookups.clear();
  g_mapi_missing = missing ? missing : "";
  if (!hooked) g_mapi_lookups.push_back("<GetProcAddress is not imported by name>");
}

std::vector<std::string> MapiLookups() { return g_mapi_lookups; }
