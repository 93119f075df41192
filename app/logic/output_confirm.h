// The replace/rename/cancel question for an output whose name is taken, as a loop over
// the message boxes and a save dialog it is given: the program gives the real save
// dialog (ConfirmOutputName, app/dialogs/output_files.h), tests give their own.
#pragma once

#include "platform/msgbox.h"  // WindowHandle

// The save dialog shown after "Rename": proposal (260 bytes) is what it proposes and
// receives the choice; 1 when confirmed.
using OutputNameDialog = int (*)(WindowHandle owner, const char* title, char proposal[260]);

// Decides where an output goes when a file of its name exists already. path (260
// bytes) is the wanted target and receives the one to write. While the name is taken
// the user is asked "Replace" (1: the existing file goes to the Recycle Bin when the
// output is moved), "Rename" (the name with "(k)" before its extension is proposed in
// dialog, k = 1, 2, ...) or "Cancel" (0: skip this output); Escape asks again. On 1
// the target's folder is stored as the output folder ("dstdir").
int ConfirmOutputNameWith(WindowHandle owner, char path[260], OutputNameDialog dialog);
