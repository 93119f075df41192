// The local commands on the document, and the placing of a decryption's outputs that
// they share with the "/ks:" command line.
//
// Each command returns 1 when it did its work and 0 otherwise; the routine that meets
// a failure shows its message itself.
#pragma once

#include <windows.h>

#include "container/operation.h"

struct Document;

// Encrypts each file into "<file>.vek" beside it and deletes the file once its
// container is in place; the text goes to "text.vek". 1 when the window may close.
int EncryptLocally(HWND window, Document* document);
// Decrypts the document's container beside it (a received one into a chosen folder),
// the text as "Quillnox.txt", and sends the container to the Recycle Bin when every
// output is in place. window may be nullptr (the immediate "/l" decryption).
int DecryptLocally(HWND window, Document* document);
// Decrypts the selected file into the temporary folder and opens it with its
// application; it is deleted once the application lets it go.
int DecryptAndOpen(HWND window, Document* document);

// Writes a decrypted text (binary, without its terminator) to path. A write or close
// that fails is reported and leaves no partial file: 0.
int WriteOutputText(HWND owner, const char* path, const char* text);

// Places a decryption's outputs into folder: the text (when not empty) as folder +
// text_name, each decrypted file as folder + its name with its stored time; every target
// goes through the name question. Then removes the operation's private folder with
// whatever was not placed. 1 when every output is in place; 0 when one was skipped or
// failed (the failure has been reported).
int PlaceDecryptedOutputs(HWND owner, const char* folder, const char* text_name, const OperationRequest& outputs);
