// The operation progress dialog (287): runs an encryption or decryption while showing
// its progress notifications on three rows, then reports its result.
#pragma once

#include <windows.h>

#include "container/operation.h"

// Runs the request's operation in the modal progress dialog owned by owner. 1 on
// success, with the operation's outputs copied into the request; otherwise the result
// has been reported once through ReportOperationError (nothing for 0xF007, which is
// also the answer to Cancel) and 0 is returned. A decryption's algorithm report is
// copied back whatever the result.
int RunOperation(HWND owner, OperationRequest* request);

// true while an operation runs inside the dialog: nothing may replace the document
// whose files it reads.
bool OperationRunning();
