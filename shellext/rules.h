// The shell extension's decisions, kept apart from COM and the Win32 calls so that they
// are tested natively: which menu items a selection gets, the help strings and verbs,
// the bytes of the list file, where the program lives and the command line that starts
// it, and the registry entries of the extension's class.
#pragma once

#include <cstddef>
#include <cstdint>

// The class identifier under which the extension registers, in its registry form.
constexpr char SHELLEXT_CLSID_TEXT[] = "{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}";
constexpr char SHELLEXT_CLASS_NAME[] = "Quillnox Shell Extension";
constexpr char SHELLEXT_HANDLER_KEY[] = "*\\shellex\\ContextMenuHandlers\\Quillnox";
constexpr char SHELLEXT_CLASS_KEY[] = "CLSID\\{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}";
constexpr char SHELLEXT_SERVER_KEY[] =
    "CLSID\\{5B0E2C47-3D19-4A6F-8E21-7C94D0A3F6B8}\\InProcServer32";
constexpr char SHELLEXT_THREADING_MODEL[] = "Apartment";

// Where setup records the program: the open command of the container file type.
constexpr char SHELLEXT_OPEN_COMMAND_KEY[] = "VekFile\\Shell\\Open\\Command";
constexpr char SHELLEXT_PROGRAM_NAME[] = "Quillnox.exe";
constexpr char SHELLEXT_LIST_FILE_NAME[] = "vekflist.tmp";

// A line of the list file holds at most 259 characters, its line feed included: the
// program reads it back in reads of at most 260 characters (the terminator among them),
// so a longer line would be split in two. A path takes at most 258 characters.
constexpr std::size_t SHELLEXT_LINE_MAX = 259;
constexpr std::size_t SHELLEXT_LISTED_PATH_MAX = SHELLEXT_LINE_MAX - 1;
// Path buffers (terminator included).
constexpr std::size_t SHELLEXT_PATH_SIZE = 260;

// Menu commands by their offset from the first command identifier Explorer gives.
enum ShellCommand : std::uint32_t {
  SHELL_COMMAND_ENCRYPT = 0,
  SHELL_COMMAND_DECRYPT = 1,
  SHELL_COMMAND_COUNT = 2,
};

// Bits of MenuItemsFor.
constexpr std::uint32_t MENU_ENCRYPT = 1u << SHELL_COMMAND_ENCRYPT;
constexpr std::uint32_t MENU_DECRYPT = 1u << SHELL_COMMAND_DECRYPT;

// What the extension learnt about the selection when it was initialised.
struct SelectionFacts {
  std::uint32_t files;        // selected items
  std::uint32_t folders;      // of them, folders
  bool single_container;      // exactly one item, and it begins with the container signature
};

// The items the selection gets: "Encrypt with Quillnox" for one or more files, and
// "Decrypt with Quillnox" too when the selection is exactly one container. An empty
// selection, or one holding a folder, gets none (the program refuses folders).
std::uint32_t MenuItemsFor(const SelectionFacts& facts);

// True when the first bytes of a file are the container signature (size: how many
// bytes were read; fewer than the signature's 20 never match).
bool IsContainerSignature(const void* bytes, std::size_t size);

// Texts and verbs of a command; nullptr for an offset that is no command.
const char* CommandMenuText(std::uint32_t command);
const char* CommandHelpText(std::uint32_t command);
const char* CommandVerb(std::uint32_t command);
// The command a verb names (compared without regard to case), or SHELL_COMMAND_COUNT.
std::uint32_t CommandFromVerb(const char* verb);
// The program's switch: "/m" to encrypt the listed files, "/l" to decrypt one container.
const char* CommandSwitch(std::uint32_t command);

// Bytes of the list file for count paths stored one after another, each ended by its
// zero byte: every path followed by a line feed ("\n"), nothing else. 1 with *size set
// when everything fits in capacity bytes; 0 with *bad set to the index of the first path
// that is empty or longer than 258 characters (nothing usable is written then), or with
// *bad = count when capacity is too small.
int ListFileBytes(const char* paths, std::uint32_t count, char* out, std::size_t capacity,
                  std::size_t* size, std::uint32_t* bad);

// The program's full path from the open command setup writes ("D\Quillnox.exe %1",
// possibly quoted): the command is cut after its last backslash, which leaves the
// installation folder, and the program's name is put behind it. 1, or 0 when there is
// no backslash or the result would not fit out_size bytes.
int ProgramFromOpenCommand(const char* open_command, char* out, std::size_t out_size);

// The command line that starts the program: its path in quotes, a blank, the switch.
// 1, or 0 when it would not fit out_size bytes.
int LaunchCommandLine(const char* program, std::uint32_t command, char* out, std::size_t out_size);

// A path as a message shows it: unchanged up to 60 characters; a longer one keeps its
// first 28 and last 29 characters with "..." between them, so that a box stays narrower
// than the screen. out_size must hold 61 bytes; a smaller buffer gets an empty string.
constexpr std::size_t SHELLEXT_SHOWN_PATH_MAX = 60;
void ShownPath(const char* path, char* out, std::size_t out_size);

// Messages of the extension (printf formats).
constexpr char SHELLEXT_TITLE[] = "Quillnox";
// %s: the path as ShownPath gives it.
constexpr char SHELLEXT_PATH_TOO_LONG[] =
    "The path of this file is longer than 258 characters:\n%s\n\n"
    "Quillnox cannot take it. Move the file to a shorter path and try again.";
// %s\%s: "HKCR" and the open command's key.
constexpr char SHELLEXT_NO_INSTALL_DIR[] = "Error while opening in registry the key:\n%s\\%s";
// %s: the list file's path.
constexpr char SHELLEXT_LIST_NOT_WRITTEN[] = "Unable to write the file list:\n%s";
// %s: the program's path.
constexpr char SHELLEXT_NOT_STARTED[] = "Unable to start %s";
