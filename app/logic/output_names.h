// The decisions behind the output helpers, as plain functions without windows: the
// "(k)" name proposed when an output's name is taken, the one shape of the open
// dialog's result, the debug line of a failed move, the information box's layout, the
// help file's place, and which folders hold decrypted work files.
#pragma once

#include <cstddef>
#include <cstdint>

// Paths live in buffers of this many characters (terminator included).
constexpr std::size_t OUTPUT_PATH_SIZE = 260;

// The folder prefix the decryption operation gives the private folder it decrypts
// into, inside the temporary folder.
inline constexpr const char kDecryptionFolderPrefix[] = "vekdec";

// The name proposed after the k-th "Rename": current's folder, then original_name with
// "(k)" put before its extension (from its last dot, or at its end): report.doc ->
// report(1).doc, notes -> notes(1). 1 with the proposal in out; 0 when it would not
// fit 259 characters (out then holds current unchanged).
int RenameProposal(const char* current, const char* original_name, int k, char out[OUTPUT_PATH_SIZE]);

// Splits a dialog's initial path: with a trailing backslash it is all folder;
// otherwise its file-name part is the proposed name and the rest the folder. folder and
// name hold OUTPUT_PATH_SIZE bytes each; a longer part is refused (0).
int SplitInitialPath(const char* initial, char folder[OUTPUT_PATH_SIZE], char name[OUTPUT_PATH_SIZE]);

// The open dialog's answer (dialog: one full path, or a folder and names, each with
// its NUL, ending with an empty string) in the one shape every caller reads: a folder
// ending with a backslash and its NUL, each file name with its NUL, one more NUL.
// 1 when it all fits in size bytes of result; 0 (result empty) when it does not, or
// when the answer holds no name.
int ShapeOpenResult(const char* dialog, char* result, std::size_t size);

// The debug line of a failed move, by the system's error number: "rename: ENOENT",
// "rename: EACCES", "rename: EEXIST", "rename: EINVAL", else "rename: error=<n>".
void MoveErrorLine(unsigned long error, char* out, std::size_t size);

// The text of the warning shown when a move fails (at most size bytes, cut to fit).
void MoveWarningText(const char* from, const char* to, char* out, std::size_t size);

// The folder (with its separator) that holds file_path when that folder is a private
// decryption folder directly inside temp_folder: its name starts with
// kDecryptionFolderPrefix and the file lies directly in it. 1 and out filled, else 0
// and out empty. Only such folders may be removed with what is in them.
int DecryptionFolderOf(const char* file_path, const char* temp_folder, char out[OUTPUT_PATH_SIZE]);

// Removes the private decryption folder holding a decrypted file (and everything
// still in it) once its outputs have been moved or deleted. Anything that is not such
// a folder inside the temporary folder is left alone. 1 when it was removed.
int RemoveDecryptionFolder(const char* decrypted_file);

// A file opened with its application is not deleted during its first
// kOpenedFileGraceMs milliseconds: an application that takes a while to start would
// otherwise find its file already gone. opened_at and now are tick counts (they wrap
// after 49.7 days, which the difference survives).
inline constexpr std::uint32_t kOpenedFileGraceMs = 10000;
bool OpenedFileMayGo(std::uint32_t opened_at, std::uint32_t now);

// Places of the information box's controls in its client area (pixels).
struct InfoBoxLayout {
  int lines;          // text lines the box is sized for
  int window_height;  // the box's new height; its width stays
  int text_x, text_y, text_width, text_height;
  int link_x, link_y, link_width, link_height;
  int ok_x, ok_y, ok_width, ok_height;
  int separator_x, separator_y, separator_width, separator_height;
};
// Lines = text_extent / text_control_width + line_feeds, at least 2, and at least
// wrapped_lines (the lines the text really takes at that width, so nothing is cut off);
// text height = the larger of 11 x lines and wrapped_height; window height = text
// height + 144. The control places follow from the client size after resizing.
InfoBoxLayout InfoBoxLines(int text_extent, int text_control_width, int line_feeds, int wrapped_lines,
                           int wrapped_height);
// The link is 120 x 16 at (CW - 160, CH - 60), widened to link_text_width (and moved
// left, keeping 12 pixels to the right edge) when its text is longer, so it is never cut.
void InfoBoxPlace(InfoBoxLayout* layout, int client_width, int client_height, int link_text_width);

// The help file: the program's folder (module_path cut after its last backslash) +
// "Quillnox.hlp". 0 when it does not fit OUTPUT_PATH_SIZE.
int HelpFilePath(const char* module_path, char out[OUTPUT_PATH_SIZE]);

// What the information box's web link opens: the maker's address (VENDOR_WEB_ADDRESS),
// with "http://" in front when it names no scheme.
void VendorOpenAddress(char* out, std::size_t size);
