// The self-extracting package builder of Quillnox.exe: the extractor program that the
// program carries as its resource "EXE" 502, with a container and its trailer behind
// it (container/package.h). Failures end in one modal message box owned by the main
// window, titled "Erreur" for the resource's messages and "Error" for the builder's.
#pragma once

// The resource type and id of the extractor program inside Quillnox.exe.
constexpr char EXTRACTOR_RESOURCE_TYPE[] = "EXE";
constexpr int EXTRACTOR_RESOURCE_ID = 502;

// Writes the resource of the program's own module, byte for byte, to destination.
// 1, or 0 after "Ressource introuvable..." or "Impossible d'ouvrir le fichier..." (a
// file that could not be written whole is removed again).
int ExtractResourceToFile(const char* type, int id, const char* destination);

// Builds the package for the container at container_path: the same folder and name
// with the extension ".exe" (appended when there is none). 1 with the package's path
// in out_path (260 bytes, may be container_path itself); 0 after a message, out_path
// unchanged and no package left behind. The container stays as it was.
int BuildSelfExtracting(const char* container_path, char* out_path);
