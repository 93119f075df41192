// The entries of not_yet_built.h whose real functions are not in the program yet. Each
// does nothing and reports that nothing was done (0).
#include "app/not_yet_built.h"

int NewDocument(HWND) { return 0; }
int OpenFiles(HWND) { return 0; }
int EncryptLocally(HWND, Document*) { return 0; }
int DecryptLocally(HWND, Document*) { return 0; }
int DecryptAndOpen(HWND, Document*) { return 0; }
int MakeReply(HWND, Document*) { return 0; }

