// The output helpers shared by the main window's commands: the open/save dialog, the
// question for an output whose name is taken, moving a finished temporary output to
// its place, deletion to the Recycle Bin, and decrypted files opened with their
// application and tracked until they can be deleted (opened_files).
//
// Functions return 1 for success and 0 otherwise; the routine that meets a failure
// shows its message itself.
#pragma once

#include <cstddef>

#include "app/logic/output_confirm.h"
#include "platform/msgbox.h"  // WindowHandle

// The common open (open 1) or save (open 0) dialog. initial: a folder ending with a
// backslash, or a path whose name part is proposed (initial may be result itself).
// Save: result gets the chosen full path. Open: result always gets the same shape,
// for one file or many: the folder ending with a backslash and its NUL, each name
// with its NUL, then one more NUL. 0 when cancelled or when the answer does not fit
// size bytes.
int FileDialog(WindowHandle owner, int open, const char* title, const char* initial, char* result,
               std::size_t size);

// The replace/rename/cancel question (app/logic/output_confirm.h) with the real save
// dialog, titled "Decrypt File in...".
int ConfirmOutputName(WindowHandle owner, char path[260]);

// Moves a finished output (a file in the temporary folder) to its place, also onto
// another volume. A file already at `to` goes to the Recycle Bin first; if it cannot,
// it is never overwritten and the move fails. Across volumes the copy is written
// through to the disk and complete before the temporary file is deleted; a copy cut
// short (a full disk) is removed again and the temporary file stays. On failure: the
// warning "Unable to rename ..." and a debug line, 0.
int MoveOutput(const char* from, const char* to);

// Sends a file to the Recycle Bin without a question (a relative path is made full
// first, so the file is never deleted outright). The outcome is not reported.
void RecycleFile(WindowHandle owner, const char* path);

// --- Opened decrypted files (the main window's hidden list box 12345) -------------
// The main window creates the list at start.
int OpenedFilesCreate(WindowHandle window);
// Opens a decrypted temporary file with the application of its extension. 1: the
// path joins opened_files and timer 1 (1000 ms) of window runs. No application
// (warning "There is no application associated with the given file name extension")
// or another failure: 0, and a decrypted file in a private decryption folder is
// deleted at once with its folder, since nobody holds it.
int OpenWithShell(WindowHandle window, const char* path);
int OpenedFilesAdd(WindowHandle window, const char* path);
int OpenedFilesCount(WindowHandle window);
// The work of each tick of timer 1: every listed file that can be deleted is deleted
// and leaves the list, and its private decryption folder goes once no listed file is
// left in it; a file still in use stays for the next tick. 1 when the list is empty
// afterwards (the main window then stops timer 1).
int OpenedFilesCleanUp(WindowHandle window);
