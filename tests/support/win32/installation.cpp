// The product as the shipped setup installs it (see installation.h).
#include "tests/support/win32/installation.h"

#include <windows.h>
// after windows.h
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/install_layout.h"
#include "tests/support/win32/files.h"
#include "tests/support/win32/folders.h"
#include "tests/support/win32/machine.h"

const char kProgramGroup[] = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Feldspire\\Quillnox";
const char kCommonDesktop[] = "C:\\users\\Public\\Desktop";

namespace {

const char kClsid[] = "{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}";
const char kVersionKey[] = "Software\\Orvanel\\Quillnox\\4.10EN";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillnox";

// The records of an install log: each its code and length (16 bits, little-endian) and
// its data; a record cut short ends the list with code -1.
std::vector<std::pair<int, std::string>> LogRecords(const std::string& bytes) {
  std::vector<std::pair<int, std::string>> records;
  for (std::size_t at = 0; at < bytes.size();) {
    auto number = [&](std::size_t i) {
      return static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8;
    };
    if (at + 4 > bytes.size() || at + 4 + number(at + 2) > bytes.size()) {
      records.push_back({-1, bytes.substr(at)});
      break;
    }
    records.push_back({number(at), bytes.substr(at + 4, number(at + 2))});
    at += 4 + number(at + 2);
  }
  return records;
}

// "Software\..." as the 64-bit view shows a key that a 32-bit program wrote there.
std::string Redirected(const std::string& software_path) {
  return software_path.substr(0, software_path.find('\\')) + "\\Wow6432Node" +
         software_path.substr(software_path.find('\\'));
}

void ExpectExtensionBuilds(const std::string& build_folder) {
  const MachineWidths machine = ThisMachine();
  const std::vector<ExtensionPlace> places = ExtensionPlaces(machine);
  const std::string clsid_key = std::string("CLSID\\") + kClsid;
  for (const std::string& folder : SystemFolders(machine)) {
    const std::string path = WindowsFolder() + "\\" + folder + "\\quillext.dll";
    const auto place = std::find_if(places.begin(), places.end(),
                                    [&](const ExtensionPlace& p) { return folder == p.system_folder; });
    if (place == places.end()) {
      EXPECT_FALSE(NativeExists(path)) << path << " holds no build of the extension";
      continue;
    }
    const std::string built = Content(build_folder + place->build_file);
    EXPECT_FALSE(built.empty()) << "no " << place->build_file << " in the build";
    EXPECT_TRUE(NativeContent(path) == built) << path << " is not the build's " << place->build_file;
  }
  for (bool view_64bit : RegistryViews(machine)) {
    const char* view = view_64bit ? "the 64-bit view" : "the 32-bit view";
    const bool registered = std::any_of(places.begin(), places.end(),
                                        [&](const ExtensionPlace& p) { return view_64bit == p.view_64bit; });
    if (!registered) {
      EXPECT_FALSE(KeyInView(HKEY_CLASSES_ROOT, clsid_key, view_64bit)) << "the class in " << view;
      continue;
    }
    // Each view names the library by the same path: each width's Explorer reads it in
    // its own view of the system folder.
    EXPECT_EQ(TextInView(HKEY_CLASSES_ROOT, clsid_key + "\\InProcServer32", nullptr, view_64bit),
              SystemFolder() + "\\quillext.dll")
        << view;
    EXPECT_EQ(TextInView(HKEY_CLASSES_ROOT, clsid_key + "\\InProcServer32", "ThreadingModel", view_64bit),
              "Apartment")
        << view;
    EXPECT_EQ(TextInView(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\Quillnox", nullptr, view_64bit), kClsid)
        << view;
  }
}

// The version key and the uninstall entry where programs of setup's width find them; a
// 32-bit setup's land below "Wow6432Node" of the 64-bit view on 64-bit Windows.
void ExpectMachineKeys(const std::string& dir) {
  const MachineWidths machine = ThisMachine();
  const bool own_view = machine.program_64bit;
  EXPECT_TRUE(KeyInView(HKEY_LOCAL_MACHINE, kVersionKey, own_view));
  EXPECT_EQ(TextInView(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", own_view), "Quillnox 4.10");
  EXPECT_EQ(TextInView(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", own_view), "\"" + dir + "\\unins000.exe\"");
  if (!machine.windows_64bit) return;
  if (MachineKeysRedirected(machine)) {
    EXPECT_FALSE(KeyInView(HKEY_LOCAL_MACHINE, "Software\\Orvanel", true)) << "outside Wow6432Node";
    EXPECT_TRUE(KeyInView(HKEY_LOCAL_MACHINE, Redirected(kVersionKey), true));
    EXPECT_FALSE(KeyInView(HKEY_LOCAL_MACHINE, kUninstallKey, true)) << "outside Wow6432Node";
    EXPECT_EQ(TextInView(HKEY_LOCAL_MACHINE, Redirected(kUninstallKey), "UninstallString", true),
              dir + "\\unins000.exe");
  } else {
    EXPECT_FALSE(KeyInView(HKEY_LOCAL_MACHINE, "Software\\Orvanel", false)) << "in the 32-bit view";
    EXPECT_FALSE(KeyInView(HKEY_LOCAL_MACHINE, kUninstallKey, false)) << "in the 32-bit view";
  }
}

}  // namespace

std::string ProposedInstallFolder() { return ShellFolder(CSIDL_PROGRAM_FILES) + "\\Orvanel\\Quillnox"; }

std::string LinkTarget(const std::string& link_path) {
  const HRESULT initialised = CoInitialize(nullptr);
  std::string target;
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t wide[MAX_PATH];
      MultiByteToWideChar(CP_ACP, 0, link_path.c_str(), -1, wide, MAX_PATH);
      char path[MAX_PATH] = "";
      if (SUCCEEDED(file->Load(wide, STGM_READ)) && SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0)))
        target = path;
      file->Release();
    }
    link->Release();
  }
  if (SUCCEEDED(initialised)) CoUninitialize();
  return target;
}

void ExpectShippedInstallation(const std::string& build_folder, const std::string& dir,
                               const std::vector<std::string>& created) {
  for (const char* built : {"app\\Quillnox.exe", "notes\\notes.dll", "help\\Quillnox.hlp", "help\\Quillnox.cnt",
                            "help\\Quillnox.htm"}) {
    const std::string name = std::string(built).substr(std::string(built).find('\\') + 1);
    EXPECT_TRUE(Content(dir + "\\" + name) == Content(build_folder + built)) << name;
  }
  EXPECT_TRUE(Content(dir + "\\unins000.exe") == Content(build_folder + "remover\\remover.exe"));
  EXPECT_EQ(Content(dir + "\\mail.txt").rfind("The attached file is encrypted.", 0), 0u);
  ExpectExtensionBuilds(build_folder);
  ExpectMachineKeys(dir);
  EXPECT_EQ(LinkTarget(std::string(kCommonDesktop) + "\\Quillnox.lnk"), dir + "\\Quillnox.exe");
  EXPECT_EQ(LinkTarget(std::string(kProgramGroup) + "\\Quillnox 4.10.lnk"), dir + "\\Quillnox.exe");
  EXPECT_EQ(LinkTarget(std::string(kProgramGroup) + "\\Uninstall Quillnox.lnk"), dir + "\\unins000.exe");
  const InstallPlaces places = {dir, created, SystemFolder(), kProgramGroup, kCommonDesktop};
  EXPECT_EQ(LogRecords(Content(dir + "\\unins000.dat")), ExpectedInstallLog(ThisMachine(), places));
}
