// The passphrase and access-password windows of Quillnox.exe: the main window's key
// field and key menu, the key management dialog, the automatic identification of a
// container's passphrase, the start-up password, the protection dialog and the About
// box. All dialogs are modal.
#pragma once

#include <windows.h>

// Makes the key field (1056 of main) agree with the list: the selected entry's label,
// disabled; or, in manual mode, what was typed (default_text, or "Password", when it is
// empty), enabled.
void KeyFieldRefresh(HWND main, const char* default_text);

// The passphrase for an operation into out (32 bytes): the selected entry's value, or
// the key field's text. purpose 1 = encrypting, other = decrypting (for the warning
// when nothing was typed). 1 or 0.
int KeyFieldGetPassphrase(HWND main, int purpose, char* out);

// The key button's pop-up menu (stored entries, "List...", "Manual"). 0 = nothing
// chosen, else the entry number chosen, or 1 for "List..." and "Manual".
int KeyMenu(HWND main, HWND key_button);

// Called after the key menu opened the protection dialog, so the main window can show
// the new access-password state. nullptr: nothing is called.
void SetKeysStateChanged(void (*changed)(HWND main));

// Dialog 352. export_mode: perform "Export" 500 ms after opening. 0 = cancelled, 1 =
// "Ok", 2 = "Ok" and the access password is to be set now.
int KeyManagementDialog(HWND main, int export_mode);

// "Export" and "Import" of the key management dialog (its list box gives the selected
// entries). Export: 1 when the key-exchange file was written. Import: 1 when entries
// were added (the caller refills its list).
int ExportKeys(HWND dialog);
int ImportKeys(HWND dialog);

// Finds the stored passphrase that opens the container at path, or asks for one.
// 1 with the passphrase in out (32 bytes); 0 when cancelled or after an error message.
int KeyIdentify(HWND owner, const char* path, char* out);

// Start-up: asks for the access password when one is set. 1 = go on, 0 = end.
int AccessPasswordGate();

// Dialog 404 and its caller's message. 1 for a password set, changed or removed, 0 for
// "Cancel".
int AccessPasswordDialog(HWND owner);

// Dialog 131.
void AboutBox(HWND owner);
