// "Encrypt and Mail", the main window's send command (button 1112, caption 1120).
#pragma once

#include <windows.h>

struct Document;

// Encrypts the text field and the document's files into one container, moves it to
// "file.vek" in the temporary folder, wraps it into "file.exe" when self_extracting
// (the main window's toggle) is on, and hands that attachment to the mail program; the
// attachment and the container are deleted afterwards. The result of the mail
// hand-over, or 0 when nothing was sent (no passphrase, nothing to encrypt, or a
// failure that has shown its message). The document's files and text are freed only
// once the mail system is ready.
int SendEncrypted(HWND window, Document* document, bool self_extracting);
