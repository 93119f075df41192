// SendEncrypted: the road of one "Encrypt and Mail" click, from the passphrase field
// to the mail program's compose window.
#include "app/send_encrypted.h"

#include <cstdio>
#include <cstring>

#include "app/document.h"
#include "app/file_list_view.h"
#include "app/keys_ui.h"
#include "app/mail.h"
#include "app/output_files.h"
#include "app/progress_dialog.h"
#include "app/self_extracting.h"
#include "container/operation.h"
#include "container/work_files.h"
#include "keys/settings.h"
#include "platform/wipe.h"
#include "resources/resource.h"

namespace {

constexpr char ATTACHMENT_NAME[] = "file.vek";

// The text field's text in a buffer of the operations' own (OperationTextFree), or
// nullptr when the field is empty.
char* TextFieldCopy(HWND window) {
  HWND field = GetDlgItem(window, IDC_MAIN_TEXT);
  const int length = GetWindowTextLengthA(field);
  if (length <= 0) return nullptr;
  char* text = OperationTextAllocate(static_cast<std::size_t>(length) + 1);
  if (text == nullptr) return nullptr;
  GetWindowTextA(field, text, length + 1);
  if (text[0] == '\0') {
    OperationTextFree(text);
    return nullptr;
  }
  return text;
}

// Wipes the passphrase when the command ends, however it ends.
struct PassphraseSlot {
  char value[32] = {};
  ~PassphraseSlot() { SecureWipe(value, sizeof value); }
};

}  // namespace

int SendEncrypted(HWND window, Document* document) {
  PassphraseSlot passphrase;
  if (!KeyFieldGetPassphrase(window, 1, passphrase.value)) return 0;
  char* text = TextFieldCopy(window);
  if (text == nullptr && document->file_count == 0) return 0;

  OperationRequest request = {};
  request.direction = DIRECTION_ENCRYPT;
  request.text = text;
  request.passphrase = passphrase.value;
  request.count = static_cast<std::uint32_t>(document->file_count);
  request.entries = document->files;
  request.selector = 0;  // one container for everything
  request.algorithm = SettingsAlgorithm();
  if (!RunOperation(window, &request)) {
    OperationTextFree(text);
    return 0;
  }
  SecureWipe(passphrase.value, sizeof passphrase.value);
  OperationTextFree(text);

  // From here on every way out removes what the operation made, unless it was sent.
  char made[QLX_PATH_SIZE] = "";
  if (request.count >= 1 && request.entries != nullptr)
    std::snprintf(made, sizeof made, "%s", request.entries[0].container);
  FileEntriesFree(request.entries);
  if (made[0] == '\0') return 0;

  char container[QLX_PATH_SIZE];
  const int fits = std::snprintf(container, sizeof container, "%s%s", TempFolder(), ATTACHMENT_NAME);
  if (fits <= 0 || fits >= QLX_PATH_SIZE || !MoveOutput(made, container)) {
    std::remove(made);
    return 0;
  }
  char attachment[QLX_PATH_SIZE];
  std::memcpy(attachment, container, sizeof attachment);
  if (self_extract_enabled && !BuildSelfExtracting(container, attachment)) {
    std::remove(container);
    return 0;
  }
  if (!MailInit()) {
    MapiUnavailableMessage(window);
    std::remove(attachment);
    if (std::strcmp(attachment, container) != 0) std::remove(container);
    return 0;
  }

  // The mail system is ready: the document has been sent and leaves the window.
  FileEntriesFree(document->files);
  document->files = nullptr;
  document->file_count = 0;
  OperationTextFree(document->text);
  document->text = nullptr;
  FillFileList(window, document);

  const int result = SendMail(window, attachment);
  std::remove(attachment);
  // The package carries the container: the container itself is not kept either.
  if (std::strcmp(attachment, container) != 0) std::remove(container);
  return result;
}
