// quillext.dll: the in-process COM server behind "Encrypt with Quillnox" and "Decrypt
// with Quillnox" in Explorer's menu for files. This file holds the exports, the class
// factory and the registration; the menu object is in context_menu.cpp.
#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include <new>

#include "shellext/rules.h"
#include "shellext/server.h"

namespace {

// {5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}, the same as SHELLEXT_CLSID_TEXT.
constexpr CLSID kClsid = {0x5B0E2C47, 0x3D19, 0x4A6F, {0x8E, 0x21, 0x7C, 0x94, 0xD0, 0xA3, 0xF6, 0xB8}};

LONG g_objects = 0;
LONG g_locks = 0;

class ClassFactory final : public IClassFactory, public HeapObject {
 public:
  ClassFactory() { ServerObjectCreated(); }
  ~ClassFactory() { ServerObjectDestroyed(); }
  ClassFactory(const ClassFactory&) = delete;
  ClassFactory& operator=(const ClassFactory&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(riid, __uuidof(IUnknown)) || IsEqualIID(riid, __uuidof(IClassFactory))) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    IUnknown* object = ContextMenuCreate();
    if (object == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = object->QueryInterface(riid, out);
    object->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    ServerLock(lock);
    return S_OK;
  }

 private:
  LONG refs_ = 1;
};

// The full path of this DLL, found from one of its own functions.
bool OwnPath(char* path, DWORD size) {
  HMODULE self = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&OwnPath), &self))
    return false;
  const DWORD length = GetModuleFileNameA(self, path, size);
  return length != 0 && length < size;
}

// Creates HKCR\key and sets one string value (nullptr name: the default value).
bool SetClassesString(const char* key, const char* name, const char* value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) !=
      ERROR_SUCCESS)
    return false;
  const LONG rc = RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                 static_cast<DWORD>(lstrlenA(value) + 1));
  RegCloseKey(handle);
  return rc == ERROR_SUCCESS;
}

bool DeleteClassesKey(const char* key) {
  const LONG rc = RegDeleteKeyA(HKEY_CLASSES_ROOT, key);
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

}  // namespace

void ServerObjectCreated() { InterlockedIncrement(&g_objects); }
void ServerObjectDestroyed() { InterlockedDecrement(&g_objects); }
void ServerLock(BOOL lock) {
  if (lock)
    InterlockedIncrement(&g_locks);
  else
    InterlockedDecrement(&g_locks);
}

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(rclsid, kClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  ClassFactory* factory = new (std::nothrow) ClassFactory();
  if (factory == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = factory->QueryInterface(riid, out);
  factory->Release();
  return hr;
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return (InterlockedCompareExchange(&g_objects, 0, 0) == 0 && InterlockedCompareExchange(&g_locks, 0, 0) == 0)
             ? S_OK
             : S_FALSE;
}

// The class, its server and the handler for all files, as setup writes them.
HRESULT STDAPICALLTYPE DllRegisterServer() {
  char path[MAX_PATH];
  if (!OwnPath(path, sizeof path)) return SELFREG_E_CLASS;
  const bool ok = SetClassesString(SHELLEXT_HANDLER_KEY, nullptr, SHELLEXT_CLSID_TEXT) &&
                  SetClassesString(SHELLEXT_CLASS_KEY, nullptr, SHELLEXT_CLASS_NAME) &&
                  SetClassesString(SHELLEXT_SERVER_KEY, nullptr, path) &&
                  SetClassesString(SHELLEXT_SERVER_KEY, "ThreadingModel", SHELLEXT_THREADING_MODEL);
  return ok ? S_OK : SELFREG_E_CLASS;
}

// Removes the keys DllRegisterServer wrote, the deepest first; absent keys are fine.
HRESULT STDAPICALLTYPE DllUnregisterServer() {
  const bool ok = DeleteClassesKey(SHELLEXT_HANDLER_KEY) & DeleteClassesKey(SHELLEXT_SERVER_KEY) &
                  DeleteClassesKey(SHELLEXT_CLASS_KEY);
  return ok ? S_OK : SELFREG_E_CLASS;
}

}  // extern "C"
