// Where an installation lands (see install_layout.h).
#include "tests/support/install_layout.h"

namespace {

const char kClsidKey[] = "CLSID\\{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}";
const char kHandlerKey[] = "*\\shellex\\ContextMenuHandlers\\Quillnox";

}  // namespace

std::vector<ExtensionPlace> ExtensionPlaces(MachineWidths machine) {
  if (machine.program_64bit) return {{"shellext\\quillext.dll", "system32", true, 16, 17}};
  if (!machine.windows_64bit) return {{"shellext\\quillext.dll", "system32", false, 0, 9}};
  return {{"shellext\\quillext.dll", "syswow64", false, 0, 9}, {"shellext64\\quillext.dll", "system32", true, 16, 17}};
}

std::vector<bool> RegistryViews(MachineWidths machine) {
  if (!machine.windows_64bit) return {false};
  return {false, true};
}

std::vector<std::string> SystemFolders(MachineWidths machine) {
  if (!machine.windows_64bit) return {"system32"};
  return {"system32", "syswow64"};
}

bool MachineKeysRedirected(MachineWidths machine) { return machine.windows_64bit && !machine.program_64bit; }

std::vector<std::pair<int, std::string>> ExpectedInstallLog(MachineWidths machine, const InstallPlaces& places) {
  const std::string& d = places.dir;
  const std::string vek = "VekFile", clsid = kClsidKey;
  std::vector<std::pair<int, std::string>> log = {{64, std::string(2, '\0')}, {65, "Quillnox"}};
  for (const std::string& level : places.created) log.push_back({1, level});
  const std::vector<std::pair<int, std::string>> files = {
      {0, d + "\\Quillnox.exe"},
      {0, places.group + "\\Quillnox 4.10.lnk"},
      {0, places.desktop + "\\Quillnox.lnk"},
      {0, d + "\\Quillnox.cnt"},
      {0, d + "\\Quillnox.GID"},
      {0, d + "\\Quillnox.hlp"},
      {0, d + "\\Quillnox.htm"},
      {0, places.group + "\\Quillnox Help.lnk"},
      {0, d + "\\unins000.exe"},
      {0, places.group + "\\Uninstall Quillnox.lnk"},
      {1, places.group},
      {1, places.group.substr(0, places.group.rfind('\\'))},
      {0, d + "\\mail.txt"},
      {0, d + "\\notes.dll"}};
  log.insert(log.end(), files.begin(), files.end());
  const std::vector<ExtensionPlace> extensions = ExtensionPlaces(machine);
  for (const ExtensionPlace& e : extensions) log.push_back({e.file_code, places.system_folder + "\\quillext.dll"});
  for (const ExtensionPlace& e : extensions) {
    log.push_back({e.key_code, kHandlerKey});
    log.push_back({e.key_code, clsid + "\\InProcServer32"});
    log.push_back({e.key_code, clsid});
  }
  const std::vector<std::pair<int, std::string>> keys = {
      {9, ".vek"},
      {9, vek + "\\Shell\\Open\\Command"},
      {9, vek + "\\Shell\\Open"},
      {9, vek + "\\Shell"},
      {9, vek + "\\DefaultIcon"},
      {9, vek},
      {8, "Software\\Orvanel\\Quillnox\\4.10EN"},
      {8, "Software\\Orvanel\\Quillnox"},
      {8, "Software\\Orvanel"},
      {10, "Software\\Orvanel\\Quillnox\\4.10EN"},
      {10, "Software\\Orvanel\\Quillnox"},
      {10, "Software\\Orvanel"},
      {8, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillnox"}};
  log.insert(log.end(), keys.begin(), keys.end());
  return log;
}
