// SendEncrypted: the road of one "Encrypt and Mail" click, from the passphrase field
// to the mail program's compose window.
#include "app/commands/send_encrypted.h"

#include <cstdio>
#include <cstring>

#include "app/dialogs/keys_ui.h"
#include "app/dialogs/output_files.h"
#include "app/dialogs/progress_dialog.h"
#include "app/logic/document.h"
#include "app/send/mail.h"
#include "app/send/self_extracting.h"
#include "app/views/main_view.h"
#include "app/views/text_field.h"
#include "container/operation.h"
#include "container/work_files.h"
#include "keys/settings.h"
#include "platform/wipe.h"

namespace {

constexpr char ATTACHMENT_NAME[] = "file.vek";

}  // namespace

int SendEncrypted(HWND window, Document* document, bool self_extracting) {
  SecretBuffer<KEY_SLOT_SIZE> passphrase;
  if (!KeyFieldGetPassphrase(window, 1, passphrase.value)) return 0;
  char* text = TextFieldCopy(window, EmptyText::Absent);
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
  if (self_extracting && !BuildSelfExtracting(container, attachment)) {
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
  DocumentRelease(document);
  ShowFileList(window, document);

  const int result = SendMail(window, attachment, self_extracting);
  std::remove(attachment);
  // The package carries the container: the container itself is not kept either.
  if (std::strcmp(attachment, container) != 0) std::remove(container);
  return result;
}
