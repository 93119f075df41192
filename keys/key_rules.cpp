// Decisions of the passphrase and access-password dialogs (see key_rules.h).
#include "keys/key_rules.h"

#include <cstdio>
#include <cstring>

#include "keys/access_password.h"

ProtectionState ProtectionOpeningState(int password_set, int authreq, int stored) {
  ProtectionState state{false, true, false, false, true, ProtectionFocus::Checkbox};
  if (password_set) {
    state.modify_enabled = true;
    state.checked = true;
    if (authreq && stored > 0) state.check_enabled = false;  // protection cannot be switched off
  } else if (authreq && stored == 0) {
    state.new_enabled = true;
  } else if (authreq) {
    state.new_enabled = true;  // a password must be set
    state.checked = true;
    state.check_enabled = false;
    state.cancel_enabled = false;
  }
  state.focus = state.new_enabled      ? ProtectionFocus::NewPassword
                : state.modify_enabled ? ProtectionFocus::Modify
                                       : ProtectionFocus::Checkbox;
  return state;
}

int ProtectionOk(WindowHandle owner, bool checked, bool current_enabled, const char* current,
                 const char* new_password, const char* confirm, ProtectionFocus* focus) {
  if (!checked) return 0;
  if (current_enabled) {
    if (current == nullptr || current[0] == '\0') {
      WarningBox(owner, "To modify the password,\nplease, first enter the old one");
      *focus = ProtectionFocus::CurrentPassword;
      return 0;
    }
    if (!AccessPasswordCheck(current)) {
      WarningBox(owner, "Wrong old password\nPlease, retry.");
      *focus = ProtectionFocus::CurrentPassword;
      return 0;
    }
  }
  if (new_password == nullptr || confirm == nullptr || new_password[0] == '\0' || confirm[0] == '\0') {
    WarningBox(owner, "To modify the password\nplease, enter the new one");
    *focus = ProtectionFocus::NewPassword;
    return 0;
  }
  if (std::strcmp(new_password, confirm) != 0) {
    WarningBox(owner, "The password is different from the confirmation\nRetry a new password.");
    *focus = ProtectionFocus::NewPassword;
    return 0;
  }
  if (!AccessPasswordSet(new_password)) {
    ErrorBox(owner, "The password cannot be recorded: the registry refused it.\nThe protection is as it was.");
    *focus = ProtectionFocus::NewPassword;
    return 0;
  }
  return current_enabled ? 2 : 1;
}

int ProtectionReport(WindowHandle owner, int end_value) {
  if (end_value == 1) {
    char text[160];
    std::snprintf(text, sizeof text, "Your password is correctly recorded\nOpening %s is protected", DisplayName());
    WarningBox(owner, text);
  } else if (end_value == 2) {
    WarningBox(owner, "Password correctly modified");
  }
  return end_value == 0 ? 0 : 1;
}

int KeyManagementOk(WindowHandle owner, int count_at_opening, int count_now) {
  if (count_at_opening != 0 || count_now <= 0 || AccessPasswordActive()) return 1;
  const char* plural = count_now > 1 ? "s" : "";
  char text[320];
  if (AccessPasswordAuthreq() == 1) {
    std::snprintf(text, sizeof text,
                  "You have specified %d Passphrase%s.\n\nPlease, activate the Password protection of %s.\n",
                  count_now, plural, DisplayName());
    WarningBox(owner, text);
    return 2;
  }
  std::snprintf(text, sizeof text,
                "You entered %d new key%s.\n\nIt is highly recommended that you activate the Password protection "
                "for %s.\n\nDo you want to set a password ?",
                count_now, plural, DisplayName());
  return QuestionBox(owner, text, "Yes", "No", "Cancel") == 1 ? 2 : 1;
}
