// The entry of not_yet_built.h whose real function is not in the program yet. It does
// nothing and reports that nothing was done (0).
#include "app/not_yet_built.h"

int SendEncrypted(HWND, Document*) { return 0; }
