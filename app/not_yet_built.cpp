// The entries of not_yet_built.h whose real functions are not in the program yet. Each
// does nothing: the gate lets start-up go on, everything else reports that nothing
// was done (0), and the clean-up of opened files reports its list empty.
#include "app/not_yet_built.h"

int AccessPasswordGate() { return 1; }
int AccessPasswordActive() { return 0; }
int AccessPasswordDialog(HWND) { return 1; }
void AboutBox(HWND) {}
void KeyFieldRefresh(HWND, const char*) {}
int KeyMenu(HWND, HWND) { return 0; }
int KeyIdentify(HWND, const char*, char passphrase[32]) {
  passphrase[0] = '\0';
  return 0;
}
int KeyManagementExportDialog(HWND) { return 0; }

int NewDocument(HWND) { return 0; }
int OpenFiles(HWND) { return 0; }
int EncryptLocally(HWND, Document*) { return 0; }
int DecryptLocally(HWND, Document*) { return 0; }
int DecryptAndOpen(HWND, Document*) { return 0; }
int MakeReply(HWND, Document*) { return 0; }
int SendEncrypted(HWND, Document*) { return 0; }
int RunOperation(HWND, OperationRequest*) { return 0; }
int ConfirmOutputName(HWND, char*) { return 0; }
int MoveOutput(const char*, const char*) { return 0; }
int OpenedFilesCleanup(HWND) { return 1; }

