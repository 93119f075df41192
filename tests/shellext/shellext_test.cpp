// quillext.dll as Explorer uses it: registered with regsvr32 (and the keys checked),
// created by its class identifier through COM, initialised with a data object holding
// the selected files (CF_HDROP), its menu queried and each command invoked. A stand-in
// Quillnox.exe beside the test records its command line; the list file's bytes are read
// back from the temporary folder. Unregistration removes the keys again.
// The DLL under test is the build's own, of the test program's width: 32-bit Explorer
// (and 32-bit programs' shell dialogs) load the win32 build's; 64-bit Explorer on 64-bit
// Windows loads only a 64-bit one, the build this test drives in the win64 suite.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "shellext/rules.h"
#include "tests/support/win32/files.h"
#include "tests/support/win32/folders.h"
#include "tests/support/win32/processes.h"

namespace {

std::string DllPath() { return TestProgramFolder() + "quillext.dll"; }
std::string StandIn() { return TestProgramFolder() + "inst\\Quillnox.exe"; }
std::string Record() { return TestProgramFolder() + "inst\\started.txt"; }
std::string ListFile() { return TemporaryFolder() + "vekflist.tmp"; }
std::string WorkFolder() { return TemporaryFolder() + "qlxshx\\"; }

bool KeyExists(const char* key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

// A string value of HKCR\key (nullptr name: the default value); "<missing>" when absent.
std::string ClassesString(const char* key, const char* name) {
  char value[1024] = "";
  DWORD size = sizeof value;
  DWORD type = 0;
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return "<missing>";
  const LONG rc = RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(handle);
  if (rc != ERROR_SUCCESS || type != REG_SZ) return "<missing>";
  return value;
}

void SetOpenCommand(const std::string& command) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, SHELLEXT_OPEN_COMMAND_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                 static_cast<DWORD>(command.size() + 1));
  RegCloseKey(key);
}

// The stand-in's record of its command line, waited for; "<not started>" after 10 s.
std::string WaitForRecord(DWORD ms = 10000) {
  std::string record;
  for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(50))
    if (Exists(Record())) return Content(Record());
  return "<not started>";
}

// A data object that offers the selected paths as CF_HDROP, as Explorer's does.
class HdropData final : public IDataObject {
 public:
  explicit HdropData(std::vector<std::string> paths) : paths_(std::move(paths)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
      *out = static_cast<IDataObject*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }  // lives on the test's stack
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
    std::string names;
    for (const std::string& p : paths_) names += p + '\0';
    names += '\0';
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + names.size());
    if (block == nullptr) return E_OUTOFMEMORY;
    auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size());
    GlobalUnlock(block);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = block;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    return format != nullptr && format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL) != 0 ? S_OK
                                                                                                      : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

 private:
  std::vector<std::string> paths_;
  ULONG refs_ = 1;
};

CLSID ExtensionClass() {
  wchar_t text[64];
  MultiByteToWideChar(CP_ACP, 0, SHELLEXT_CLSID_TEXT, -1, text, 64);
  CLSID clsid = {};
  CLSIDFromString(text, &clsid);
  return clsid;
}

using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();

// The DLL's own DllCanUnloadNow, once COM has loaded it.
HRESULT AskCanUnload() {
  HMODULE module = GetModuleHandleA("quillext.dll");
  if (module == nullptr) return E_FAIL;
  auto can_unload = reinterpret_cast<CanUnloadNow>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
  return can_unload == nullptr ? E_FAIL : can_unload();
}

constexpr UINT kFirstId = 100;

// One selection handed to a new extension object; its menu and commands.
class Selection {
 public:
  explicit Selection(const std::vector<std::string>& paths) : data_(paths) {
    created_ = CoCreateInstance(ExtensionClass(), nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                reinterpret_cast<void**>(&init_));
    if (SUCCEEDED(created_)) {
      initialised_ = init_->Initialize(nullptr, &data_, nullptr);
      init_->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu_));
    }
  }
  ~Selection() {
    if (menu_ != nullptr) menu_->Release();
    if (init_ != nullptr) init_->Release();
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

  bool ready() const { return SUCCEEDED(created_) && SUCCEEDED(initialised_) && menu_ != nullptr; }
  IContextMenu* menu() const { return menu_; }

  // The items the menu gets, as "offset:text" in menu order; the HRESULT's count too.
  std::vector<std::string> Items(UINT* reported = nullptr) {
    HMENU popup = CreatePopupMenu();
    const HRESULT hr = menu_->QueryContextMenu(popup, 0, kFirstId, kFirstId + 99, CMF_NORMAL);
    if (reported != nullptr) *reported = SUCCEEDED(hr) ? HRESULT_CODE(hr) : 0xFFFF;
    std::vector<std::string> items;
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
      char text[128] = "";
      GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
      items.push_back(std::to_string(GetMenuItemID(popup, i) - kFirstId) + ":" + text);
    }
    DestroyMenu(popup);
    return items;
  }

  HRESULT Invoke(UINT offset, DWORD mask = 0) {
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = mask;
    info.lpVerb = MAKEINTRESOURCEA(offset);
    info.nShow = SW_SHOWNORMAL;
    return menu_->InvokeCommand(&info);
  }
  HRESULT InvokeVerb(const char* verb) {
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof info;
    info.lpVerb = verb;
    info.nShow = SW_SHOWNORMAL;
    return menu_->InvokeCommand(&info);
  }
  HRESULT InvokeVerbW(const wchar_t* verb) {
    CMINVOKECOMMANDINFOEX info = {};
    info.cbSize = sizeof info;
    info.fMask = CMIC_MASK_UNICODE;
    info.lpVerb = "not this one";
    info.lpVerbW = verb;
    info.nShow = SW_SHOWNORMAL;
    return menu_->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info));
  }

 private:
  HdropData data_;
  IShellExtInit* init_ = nullptr;
  IContextMenu* menu_ = nullptr;
  HRESULT created_ = E_FAIL;
  HRESULT initialised_ = E_FAIL;
};

class ShellExtension : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    registered_ = RunCommand("regsvr32.exe /s \"" + DllPath() + "\"");
    SetOpenCommand(StandIn() + " %1");
    CreateDirectoryA(WorkFolder().c_str(), nullptr);
    const std::string header = std::string(CONTAINER_HEADER) + "4.10";
    WriteAll(Container1(), header + std::string(40, 'x'));
    WriteAll(Container2(), header);
    WriteAll(Plain(), "plain text, not a container\r\n");
    WriteAll(Short(), "VEK!(C)ORVANEL-05/9");  // one byte short of the signature
    CreateDirectoryA(Folder().c_str(), nullptr);
  }
  static void TearDownTestSuite() { CoUninitialize(); }

  void SetUp() override {
    DeleteFileA(Record().c_str());
    DeleteFileA(ListFile().c_str());
  }

  static std::string Container1() { return WorkFolder() + "letter.vek"; }
  static std::string Container2() { return WorkFolder() + "contract.vek"; }
  static std::string Plain() { return WorkFolder() + "notes.txt"; }
  static std::string Short() { return WorkFolder() + "short.vek"; }
  static std::string Folder() { return WorkFolder() + "folder"; }

  // Invokes a command and checks the stand-in's switch and the list file's bytes.
  static void ExpectStarted(HRESULT invoked, const std::string& program_switch, const std::string& list) {
    EXPECT_EQ(invoked, S_OK);
    EXPECT_EQ(WaitForRecord(), program_switch);
    EXPECT_EQ(ReadAll(ListFile()), list);
  }
  // Nothing written, nothing started.
  static void ExpectNothing() {
    EXPECT_FALSE(Exists(ListFile())) << Content(ListFile());
    EXPECT_EQ(WaitForRecord(500), "<not started>");
  }

  static constexpr const char* CONTAINER_HEADER = "VEK!(C)ORVANEL-05/99";
  static long registered_;
};

long ShellExtension::registered_ = -1;

const std::string kEncrypt = "0:Encrypt with Quillnox";
const std::string kDecrypt = "1:Decrypt with Quillnox";

TEST_F(ShellExtension, RegistersTheClassAndTheHandler) {
  ASSERT_EQ(registered_, 0) << "regsvr32 finds and calls DllRegisterServer";
  EXPECT_EQ(ClassesString(SHELLEXT_HANDLER_KEY, nullptr), SHELLEXT_CLSID_TEXT);
  EXPECT_EQ(ClassesString(SHELLEXT_CLASS_KEY, nullptr), "Quillnox Shell Extension");
  EXPECT_EQ(lstrcmpiA(ClassesString(SHELLEXT_SERVER_KEY, nullptr).c_str(), DllPath().c_str()), 0)
      << ClassesString(SHELLEXT_SERVER_KEY, nullptr);
  EXPECT_EQ(ClassesString(SHELLEXT_SERVER_KEY, "ThreadingModel"), "Apartment");
}

TEST_F(ShellExtension, OneContainerGetsBothItems) {
  Selection s({Container1()});
  ASSERT_TRUE(s.ready());
  UINT reported = 0;
  EXPECT_EQ(s.Items(&reported), (std::vector<std::string>{kEncrypt, kDecrypt}));
  EXPECT_EQ(reported, 2u) << "the highest offset used plus one";
  ExpectStarted(s.Invoke(SHELL_COMMAND_DECRYPT), "/l", Container1() + "\n");
  SetUp();
  ExpectStarted(s.Invoke(SHELL_COMMAND_ENCRYPT), "/m", Container1() + "\n");
}

TEST_F(ShellExtension, TwoContainersAreEncryptedOnly) {
  Selection s({Container1(), Container2()});
  ASSERT_TRUE(s.ready());
  EXPECT_EQ(s.Items(), (std::vector<std::string>{kEncrypt}));
  EXPECT_EQ(s.Invoke(SHELL_COMMAND_DECRYPT), E_INVALIDARG);
  ExpectNothing();
  ExpectStarted(s.Invoke(SHELL_COMMAND_ENCRYPT), "/m", Container1() + "\n" + Container2() + "\n");
}

TEST_F(ShellExtension, MixedSelectionIsEncryptedOnly) {
  Selection s({Plain(), Container1(), Short()});
  ASSERT_TRUE(s.ready());
  EXPECT_EQ(s.Items(), (std::vector<std::string>{kEncrypt}));
  ExpectStarted(s.Invoke(SHELL_COMMAND_ENCRYPT), "/m", Plain() + "\n" + Container1() + "\n" + Short() + "\n");
}

TEST_F(ShellExtension, OnePlainFileOrAShortOneIsNoContainer) {
  for (const std::string& path : {Plain(), Short()}) {
    Selection s({path});
    ASSERT_TRUE(s.ready());
    EXPECT_EQ(s.Items(), (std::vector<std::string>{kEncrypt})) << path;
  }
}

TEST_F(ShellExtension, SelectionWithAFolderGetsNoItem) {
  for (const std::vector<std::string>& paths :
       {std::vector<std::string>{Folder()}, std::vector<std::string>{Plain(), Folder(), Container1()}}) {
    Selection s(paths);
    ASSERT_TRUE(s.ready());
    UINT reported = 99;
    EXPECT_TRUE(s.Items(&reported).empty());
    EXPECT_EQ(reported, 0u);
    EXPECT_EQ(s.Invoke(SHELL_COMMAND_ENCRYPT), E_INVALIDARG);
    ExpectNothing();
  }
}

TEST_F(ShellExtension, PathOf260CharactersIsRefusedWithAMessage) {
  std::string long_path = WorkFolder();
  long_path += std::string(260 - long_path.size() - 4, 'n') + ".txt";
  ASSERT_EQ(long_path.size(), 260u);
  Selection s({Plain(), long_path});
  ASSERT_TRUE(s.ready());
  EXPECT_EQ(s.Items(), (std::vector<std::string>{kEncrypt}));

  // The box opens in this thread's InvokeCommand; a second thread reads and closes it.
  std::atomic<bool> done{false};
  std::string box_text;
  RECT box_rect = {};
  std::thread closer([&] {
    for (DWORD start = GetTickCount(); !done && GetTickCount() - start < 10000; Sleep(50)) {
      HWND box = FindWindowA("#32770", SHELLEXT_TITLE);
      DWORD pid = 0;
      if (box == nullptr || (GetWindowThreadProcessId(box, &pid), pid != GetCurrentProcessId())) continue;
      GetWindowRect(box, &box_rect);
      for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char text[1024] = "";
        GetWindowTextA(child, text, sizeof text);
        if (std::strlen(text) > box_text.size()) box_text = text;
      }
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      return;
    }
  });
  const HRESULT invoked = s.Invoke(SHELL_COMMAND_ENCRYPT);
  done = true;
  closer.join();
  EXPECT_TRUE(FAILED(invoked));
  EXPECT_NE(box_text.find("longer than 258 characters"), std::string::npos) << box_text;
  EXPECT_NE(box_text.find(long_path.substr(0, 28) + "..."), std::string::npos) << "the box names the path";
  EXPECT_NE(box_text.find("nnnn.txt\n"), std::string::npos) << "with its end";
  EXPECT_GT(box_rect.right - box_rect.left, 0);
  EXPECT_LE(box_rect.right - box_rect.left, GetSystemMetrics(SM_CXSCREEN)) << "the box fits on the screen";
  ExpectNothing();

  // Without UI the command is refused all the same, and no box blocks the caller.
  EXPECT_TRUE(FAILED(s.Invoke(SHELL_COMMAND_ENCRYPT, CMIC_MASK_FLAG_NO_UI)));
  ExpectNothing();

  // 258 characters are still taken (259 with the line feed).
  const std::string fits = long_path.substr(0, 254) + ".txt";
  Selection ok({fits});
  ASSERT_TRUE(ok.ready());
  ExpectStarted(ok.Invoke(SHELL_COMMAND_ENCRYPT), "/m", fits + "\n");
}

TEST_F(ShellExtension, VerbsAndHelpStrings) {
  Selection s({Container1()});
  ASSERT_TRUE(s.ready());
  s.Items();
  char text[128] = "";
  ASSERT_EQ(s.menu()->GetCommandString(SHELL_COMMAND_ENCRYPT, GCS_VERBA, nullptr, text, sizeof text), S_OK);
  EXPECT_STREQ(text, "QuillnoxEncrypt");
  wchar_t wide[128] = L"";
  ASSERT_EQ(s.menu()->GetCommandString(SHELL_COMMAND_DECRYPT, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(wide),
                                       128),
            S_OK);
  EXPECT_STREQ(wide, L"Decrypts this Quillnox container.");
  EXPECT_EQ(s.menu()->GetCommandString(SHELL_COMMAND_DECRYPT, GCS_VALIDATEA, nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(s.menu()->GetCommandString(5, GCS_VALIDATEA, nullptr, nullptr, 0), S_FALSE);
  EXPECT_NE(s.menu()->GetCommandString(SHELL_COMMAND_ENCRYPT, GCS_VERBA, nullptr, text, 5), S_OK)
      << "a buffer too small for the verb";

  ExpectStarted(s.InvokeVerb("QuillnoxDecrypt"), "/l", Container1() + "\n");
  SetUp();
  ExpectStarted(s.InvokeVerbW(L"QuillnoxEncrypt"), "/m", Container1() + "\n");
  SetUp();
  EXPECT_EQ(s.InvokeVerb("open"), E_INVALIDARG);
  ExpectNothing();

  Selection plain({Plain()});
  ASSERT_TRUE(plain.ready());
  EXPECT_EQ(plain.menu()->GetCommandString(SHELL_COMMAND_DECRYPT, GCS_VALIDATEA, nullptr, nullptr, 0), S_FALSE);
  EXPECT_EQ(plain.InvokeVerb("QuillnoxDecrypt"), E_INVALIDARG);
  ExpectNothing();
}

TEST_F(ShellExtension, NoInstallationFolderStartsNothing) {
  ASSERT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, SHELLEXT_OPEN_COMMAND_KEY), ERROR_SUCCESS);
  {
    Selection s({Plain()});
    ASSERT_TRUE(s.ready());
    EXPECT_TRUE(FAILED(s.Invoke(SHELL_COMMAND_ENCRYPT, CMIC_MASK_FLAG_NO_UI)));
    ExpectNothing();
  }
  SetOpenCommand(StandIn() + " %1");
}

TEST_F(ShellExtension, UnloadsOnlyWithoutObjectsAndLocks) {
  {
    Selection s({Plain()});
    ASSERT_TRUE(s.ready());
    EXPECT_EQ(AskCanUnload(), S_FALSE) << "an object lives";
  }
  EXPECT_EQ(AskCanUnload(), S_OK);

  IClassFactory* factory = nullptr;
  ASSERT_EQ(CoGetClassObject(ExtensionClass(), CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)),
            S_OK);
  EXPECT_EQ(AskCanUnload(), S_FALSE) << "a class factory lives";
  factory->LockServer(TRUE);
  factory->Release();
  EXPECT_EQ(AskCanUnload(), S_FALSE) << "the server is locked";
  ASSERT_EQ(CoGetClassObject(ExtensionClass(), CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)),
            S_OK);
  factory->LockServer(FALSE);
  IUnknown* object = nullptr;
  EXPECT_EQ(factory->CreateInstance(factory, IID_IUnknown, reinterpret_cast<void**>(&object)), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDataObject, reinterpret_cast<void**>(&object)), E_NOINTERFACE);
  factory->Release();
  EXPECT_EQ(AskCanUnload(), S_OK);
}

TEST(ShellExtensionLast, UnregistersLeavingNoKeys) {
  ASSERT_EQ(RunCommand("regsvr32.exe /u /s \"" + DllPath() + "\""), 0);
  EXPECT_FALSE(KeyExists(SHELLEXT_HANDLER_KEY));
  EXPECT_FALSE(KeyExists(SHELLEXT_SERVER_KEY));
  EXPECT_FALSE(KeyExists(SHELLEXT_CLASS_KEY));
  EXPECT_TRUE(KeyExists("*\\shellex\\ContextMenuHandlers")) << "only the extension's own keys go";
}

}  // namespace
