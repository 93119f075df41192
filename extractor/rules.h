// The extractor's decisions that need no window: its messages by code, the joining of
// folder and name, the replace prompt's text, the text of a failed move and the
// passphrase's limit. (The name that Rename proposes is the main program's:
// RenameProposal of app/logic/output_names.h, built into the extractor too.)
#pragma once

#include <cstddef>
#include <string>

// The passphrase is taken up to this many characters; a longer one is refused.
constexpr std::size_t EXTRACT_PASSPHRASE_MAX = 127;

// The message of an extractor result code (package.h); empty for -8 (the user
// cancelled) and for 1; "Default" for a code without a message.
const char* ExtractorMessageText(int code);

// The text of the success box (titled "Quillnox").
constexpr char EXTRACT_DONE_TEXT[] = "The file has been extracted and decrypted successfully.";

// folder + "\" (unless it ends with one) + name into out (size bytes); false when it
// does not fit.
bool JoinFolderAndName(const char* folder, const char* name, char* out, std::size_t size);

// The replace prompt's text for the file name.
std::string ReplacePromptText(const char* file_name);

// The text shown when a decrypted file cannot be renamed into place, for the C
// library's error number and its text.
std::string MoveErrorText(const char* from, const char* to, int error_number, const char* system_text);
