// BuildSelfExtracting and ExtractResourceToFile: the extractor program written out
// of the program's own resources, then the container and the trailer appended
// (container/package.h). Each failure shows its one message box and leaves no part
// of a package behind.
#include "app/send/self_extracting.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "container/package.h"
#include "platform/fileio.h"
#include "platform/msgbox.h"

namespace {

void Message(const char* text, const char* title) {
  MessageBoxA(static_cast<HWND>(MainWindowHandle()), text, title, MB_OK | MB_ICONERROR);
}

}  // namespace

int ExtractResourceToFile(const char* type, int id, const char* destination) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const DWORD size = found ? SizeofResource(module, found) : 0;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) {
    char text[128];
    std::snprintf(text, sizeof text, "Ressource introuvable\nResType=%s, Erreur=%04lXH", type,
                  static_cast<unsigned long>(GetLastError()));
    Message(text, "Erreur");
    return 0;
  }
  char text[400];
  FileHandle out = FileOpen(destination, "wb");
  if (!out) {
    std::snprintf(text, sizeof text, "Impossible d'ouvrir le fichier:\n%s", destination);
    Message(text, "Erreur");
    return 0;
  }
  const bool written = FileWriteAll(out.get(), bytes, size);
  if (!FileClose(out) || !written) {
    std::remove(destination);
    std::snprintf(text, sizeof text, "Impossible d'\xE9" "crire le fichier:\n%s", destination);
    Message(text, "Erreur");
    return 0;
  }
  return 1;
}

int BuildSelfExtracting(const char* container_path, char* out_path) {
  char package[QLX_PATH_SIZE];
  if (!PackagePath(container_path, package)) {
    Message("cannot open output file", "Error");
    return 0;
  }
  if (!ExtractResourceToFile(EXTRACTOR_RESOURCE_TYPE, EXTRACTOR_RESOURCE_ID, package)) return 0;
  const char* failure = nullptr;
  switch (AppendPackagePayload(package, container_path)) {
    case PackageStatus::Done: break;
    case PackageStatus::OutputUnopenable: failure = "cannot open output file"; break;
    case PackageStatus::InputUnopenable: failure = "cannot open input file"; break;
    case PackageStatus::TooLarge: failure = "input file too large"; break;
    case PackageStatus::WriteFailed: failure = "cannot write output file"; break;
  }
  if (failure != nullptr) {
    // A package cut short would run as an extractor that finds no container.
    std::remove(package);
    Message(failure, "Error");
    return 0;
  }
  std::memcpy(out_path, package, std::strlen(package) + 1);
  return 1;
}
