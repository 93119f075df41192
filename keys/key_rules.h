// The decisions of the passphrase and access-password dialogs, without windows: the
// protection dialog's opening state and its "OK", the management dialog's "Ok", and
// the messages their callers show. The dialogs only translate messages into these.
#pragma once

#include "platform/msgbox.h"

// Which control of the protection dialog gets the focus.
enum class ProtectionFocus { NewPassword, Modify, Checkbox, CurrentPassword };

// Opening state of the protection dialog. The three edits start disabled except as
// said here; "current :" is enabled only by "Modify".
struct ProtectionState {
  bool checked;          // 1223 "Activate user authentication"
  bool check_enabled;    // 1223
  bool modify_enabled;   // "Modify"
  bool new_enabled;      // "new :" and "Confirm :"
  bool cancel_enabled;   // "Cancel"
  ProtectionFocus focus;
};

// password_set: AccessPasswordActive; authreq: "authreq"; stored: number of stored
// passphrases.
ProtectionState ProtectionOpeningState(int password_set, int authreq, int stored);

// "OK" of the protection dialog with the texts of its edits. Returns 0 when the
// dialog stays open (after its warning, or after the error when the password cannot be
// stored; *focus says where the focus goes), else the end value: 2 when the password
// was changed with the old one, 1 when a first one was set. Nothing happens (0, focus
// unchanged) while the box is unchecked.
int ProtectionOk(WindowHandle owner, bool checked, bool current_enabled, const char* current,
                 const char* new_password, const char* confirm, ProtectionFocus* focus);

// The message the caller of the protection dialog shows for its end value (1: first
// password recorded, 2: password modified, 0 and 3: none); returns AccessPasswordDialog's
// result (1 for 1, 2 and 3; 0 for 0).
int ProtectionReport(WindowHandle owner, int end_value);

// "Ok" of the management dialog: 1, or 2 when the access password is to be set now
// (the list was empty at opening, holds entries now, and no password is active:
// with "authreq" a warning, else the recommending question answered "Yes").
int KeyManagementOk(WindowHandle owner, int count_at_opening, int count_now);
