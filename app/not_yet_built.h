// Functions the main program calls that other parts of the program provide: the
// passphrase field, menu and identification, the access password and the About box,
// the main commands with their progress dialog and output helpers, and the mail
// library's release. Until each one lands, its entry in not_yet_built.cpp does nothing
// and reports that nothing was done.
#pragma once

#include <windows.h>

#include "container/operation.h"

struct Document;

// Passphrases and the access password.
int AccessPasswordGate();
int AccessPasswordActive();
int AccessPasswordDialog(HWND owner);
void AboutBox(HWND owner);
void KeyFieldRefresh(HWND window, const char* default_text);
int KeyMenu(HWND window, HWND key_button);
int KeyIdentify(HWND owner, const char* path, char passphrase[32]);
int KeyManagementExportDialog(HWND owner);

// Main commands, the progress dialog and the output helpers.
int NewDocument(HWND window);
int OpenFiles(HWND window);
int EncryptLocally(HWND window, Document* document);
int DecryptLocally(HWND window, Document* document);
int DecryptAndOpen(HWND window, Document* document);
int MakeReply(HWND window, Document* document);
int SendEncrypted(HWND window, Document* document);
int RunOperation(HWND owner, OperationRequest* request);
int ConfirmOutputName(HWND owner, char path[QLX_PATH_SIZE]);
int MoveOutput(const char* from, const char* to);
int OpenedFilesCleanup(HWND window);

