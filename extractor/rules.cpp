// The extractor's texts and names: messages by code, folder joining, the replace prompt
// and the failed move.
#include "extractor/rules.h"

#include <cstdio>
#include <cstring>

#include "extractor/package.h"

const char* ExtractorMessageText(int code) {
  switch (code) {
    case EXTRACT_OK:
    case EXTRACT_CANCELLED: return "";
    case EXTRACT_CANNOT_OPEN: return "The source file cannot be open";
    case EXTRACT_NO_SIGNATURE: return "The file has not an auto-extractible signature";
    case EXTRACT_WRONG_VERSION: return "The version of the file to be extracted is incompatible with the extractor";
    case EXTRACT_NO_FILE: return "There's no file to be extracted";
    case EXTRACT_CANNOT_WRITE: return "Unable to open the destination file";
    case EXTRACT_NO_PASSPHRASE: return "Please, enter a password to decrypt the file";
    case EXTRACT_NO_FOLDER: return "Please, enter a destination directory where to decrypt the file";
    case EXTRACT_PASSPHRASE_TOO_LONG:
      return "The password is too long.\nPlease, enter a password of at most 127 characters.";
    default: return "Default";
  }
}

bool JoinFolderAndName(const char* folder, const char* name, char* out, std::size_t size) {
  const std::size_t length = std::strlen(folder);
  const bool separator = length > 0 && folder[length - 1] == '\\';
  const int written = std::snprintf(out, size, "%s%s%s", folder, separator ? "" : "\\", name);
  if (written < 0 || static_cast<std::size_t>(written) >= size) {
    if (size > 0) out[0] = '\0';
    return false;
  }
  return true;
}

std::string ReplacePromptText(const char* file_name) {
  return std::string("The file \"") + file_name + "\" already exists.\n\nWhat do you wish to do ?";
}

std::string FolderInTheWayPromptText(const char* name) {
  return std::string("A folder named \"") + name +
         "\" is in the way: the file cannot take its place.\n\nRename the file, or cancel ?";
}

std::string MoveErrorText(const char* from, const char* to, int error_number, const char* system_text) {
  std::string text = std::string("Unable to rename :\n   ") + from + "\nto " + to + "\n";
  switch (error_number) {
    case 2: return text + "\nCannot find the file to be renamed.";
    case 13: return text + "\nThe new filename si an already existing file\nor a file that cannot be created (wrong path).";
    case 17: return text + "\n" + system_text;
    case 22: return text + "\nWrong characters in the new filename.";
    default: return text + "\nerror=" + std::to_string(error_number) + ", " + system_text;
  }
}
