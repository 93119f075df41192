// The local commands: Encrypt locally, Decrypt locally (also "Decrypt as..." and the
// immediate "/l" decryption) and Decrypt and Open, and the placing of a decryption's
// outputs.
#include "app/commands/local_commands.h"

#include <cstdio>
#include <cstring>

#include "app/dialogs/keys_ui.h"
#include "app/dialogs/output_files.h"
#include "app/dialogs/progress_dialog.h"
#include "app/logic/command_line.h"
#include "app/logic/command_rules.h"
#include "app/logic/document.h"
#include "app/logic/output_names.h"
#include "app/views/file_list_view.h"
#include "app/views/text_field.h"
#include "keys/settings.h"
#include "platform/msgbox.h"
#include "platform/wipe.h"

namespace {

using Passphrase = SecretBuffer<KEY_SLOT_SIZE>;

// The outputs an operation handed back (entries and text), freed when they go. The
// caller's own array is never freed here.
struct Outputs {
  OperationRequest request = {};
  const FileEntry* given = nullptr;
  Outputs() = default;
  Outputs(const Outputs&) = delete;
  Outputs& operator=(const Outputs&) = delete;
  ~Outputs() {
    if (request.entries != given) FileEntriesFree(request.entries);
    if (request.direction != DIRECTION_ENCRYPT) OperationTextFree(request.text);
  }
};

// Moves one output to target after the name question. 1 placed, 0 skipped or failed.
int PlaceOutput(HWND owner, const char* from, char target[QLX_PATH_SIZE]) {
  if (!ConfirmOutputName(owner, target)) return 0;
  return MoveOutput(from, target);
}

// The folder a decrypted file lies in, removed with whatever was not placed.
void RemoveDecryptionFolderOf(const OperationRequest& outputs) {
  for (std::uint32_t i = 0; i < outputs.count; ++i) {
    if (outputs.entries[i].path[0] != '\0') {
      RemoveDecryptionFolder(outputs.entries[i].path);
      return;
    }
  }
}

void StoreOutputFolderOf(const char* path) {
  char folder[QLX_PATH_SIZE];
  OutputFolderOf(path, folder);
  SettingsSetDir(SETTINGS_DIR_OUTPUT, folder);
}

// A decryption request for the document's container.
bool DecryptionRequest(const Document* document, const char* passphrase, std::uint32_t selector,
                       FileEntry** container, OperationRequest* request) {
  if (document->file_count < 1 || document->files == nullptr || document->files[0].container[0] == '\0') return false;
  *container = FileEntriesAllocate(1);
  if (*container == nullptr) return false;
  if (!FileEntryFromPath(document->files[0].container, *container)) {
    std::snprintf((*container)->path, sizeof (*container)->path, "%s", document->files[0].container);
  }
  std::snprintf((*container)->container, sizeof (*container)->container, "%s", document->files[0].container);
  *request = OperationRequest{};
  request->direction = 0;
  request->passphrase = passphrase;
  request->count = 1;
  request->entries = *container;
  request->selector = selector;
  return true;
}

}  // namespace

int WriteOutputText(HWND owner, const char* path, const char* text) {
  std::FILE* out = std::fopen(path, "wb");
  bool written = out != nullptr;
  if (out) {
    const std::size_t length = std::strlen(text);
    written = std::fwrite(text, 1, length, out) == length;
    written = std::fclose(out) == 0 && written;
    if (!written) std::remove(path);
  }
  if (written) return 1;
  char message[QLX_PATH_SIZE + 160];
  std::snprintf(message, sizeof message,
                "Unable to write the text in :\n   %s\nCheck the space left on the disk or\n"
                "check if the file is not used by another application.",
                path);
  WarningBox(owner, message);
  return 0;
}

int PlaceDecryptedOutputs(HWND owner, const char* folder, const char* text_name, const OperationRequest& outputs) {
  bool all_placed = true;
  char target[QLX_PATH_SIZE];
  if (outputs.text && outputs.text[0] != '\0') {
    if (!JoinOutputPath(folder, text_name, target) || !ConfirmOutputName(owner, target) ||
        !WriteOutputText(owner, target, outputs.text)) {
      all_placed = false;
    }
  }
  for (std::uint32_t i = 0; i < outputs.count; ++i) {
    const FileEntry& entry = outputs.entries[i];
    if (entry.path[0] == '\0') continue;  // not decrypted by this operation
    if (JoinOutputPath(folder, entry.name, target) && PlaceOutput(owner, entry.path, target)) {
      FileSetWriteTime(target, entry.time);
    } else {
      all_placed = false;
    }
  }
  RemoveDecryptionFolderOf(outputs);
  return all_placed ? 1 : 0;
}

int EncryptLocally(HWND window, Document* document) {
  Passphrase passphrase;
  if (!KeyFieldGetPassphrase(window, 1, passphrase.value)) return 0;
  char* text = TextFieldCopy(window, EmptyText::Absent);
  if (text == nullptr && document->file_count == 0) return 0;

  Outputs outputs;
  OperationRequest& request = outputs.request;
  request.direction = DIRECTION_ENCRYPT;
  request.text = text;
  request.passphrase = passphrase.value;
  request.count = static_cast<std::uint32_t>(document->file_count);
  request.entries = document->files;
  request.selector = SELECTOR_EACH;
  request.algorithm = SettingsAlgorithm();
  outputs.given = document->files;
  if (!RunOperation(window, &request)) {
    OperationTextFree(text);
    return 0;
  }

  for (std::uint32_t i = 0; i < request.count; ++i) {
    const FileEntry& entry = request.entries[i];
    char target[QLX_PATH_SIZE];
    if (entry.path[0] != '\0') {
      // The source goes only once its container is safely in place.
      if (EncryptedTargetOf(entry.path, target) && PlaceOutput(window, entry.container, target)) {
        DeleteFileA(entry.path);
      }
    } else if (document->file_count > 0) {
      char folder[QLX_PATH_SIZE];
      OutputFolderOf(document->files[0].path, folder);
      if (JoinOutputPath(folder, kTextContainerName, target)) PlaceOutput(window, entry.container, target);
    } else {
      char folder[QLX_PATH_SIZE] = "";
      SettingsGetDir(SETTINGS_DIR_OUTPUT, folder);
      char initial[QLX_PATH_SIZE];
      AsInitialFolder(folder, initial);
      if (!JoinOutputPath(initial, kTextContainerName, target) ||
          !FileDialog(window, 0, "Encrypt the text in...", target, target, QLX_PATH_SIZE)) {
        DeleteFileA(entry.container);
      } else {
        PlaceOutput(window, entry.container, target);
      }
    }
  }
  OperationTextFree(text);
  request.text = nullptr;
  DocumentRelease(document);
  return 1;
}

int DecryptLocally(HWND window, Document* document) {
  Passphrase passphrase;
  if (!KeyFieldGetPassphrase(window, 0, passphrase.value)) {
    if (document->identified_passphrase[0] == '\0') return 0;
    std::memcpy(passphrase.value, document->identified_passphrase, sizeof passphrase.value);
  }
  if (document->file_count < 1 || document->files == nullptr) return 0;
  const char* container_path = document->files[0].container;
  char folder[QLX_PATH_SIZE];
  OutputFolderOf(container_path, folder);

  if (InTempOrCache(folder)) {  // a received attachment: the user chooses where
    const bool has_text = document->text && document->text[0] != '\0';
    const bool text_only = has_text && document->files[0].name[0] == '\0';
    char stored[QLX_PATH_SIZE] = "";
    SettingsGetDir(SETTINGS_DIR_OUTPUT, stored);
    char initial[QLX_PATH_SIZE];
    AsInitialFolder(stored, initial);
    char chosen[QLX_PATH_SIZE];
    if (!ReceivedProposal(initial, text_only, document->files[0].name, chosen)) return 0;
    if (!FileDialog(window, 0, "Decrypt File in...", chosen, chosen, QLX_PATH_SIZE)) return 0;
    if (!ConfirmOutputName(window, chosen)) return 0;
    if (text_only) {
      if (!WriteOutputText(window, chosen, document->text)) return 0;
      StoreOutputFolderOf(chosen);
      return 1;  // the container stays
    }
    OutputFolderOf(chosen, folder);
    SettingsSetDir(SETTINGS_DIR_OUTPUT, folder);
  }

  FileEntry* container = nullptr;
  Outputs outputs;
  OperationRequest& request = outputs.request;
  if (!DecryptionRequest(document, passphrase.value, SELECTOR_EVERYTHING, &container, &request)) return 0;
  outputs.given = container;
  const int ran = RunOperation(window, &request);
  SettingsKeepAlgorithm(request.algorithm);
  if (!ran) {
    FileEntriesFree(container);
    return 0;
  }
  char recycled[QLX_PATH_SIZE];
  std::snprintf(recycled, sizeof recycled, "%s", container->path);
  FileEntriesFree(container);
  // Recycled only when every output (the text too) is safely in place.
  if (PlaceDecryptedOutputs(window, folder, kDecryptedTextName, request)) RecycleFile(window, recycled);
  return 1;
}

int DecryptAndOpen(HWND window, Document* document) {
  Passphrase passphrase;
  if (!KeyFieldGetPassphrase(window, 0, passphrase.value)) return 0;
  const int selected = SelectedFileIndex(window);
  if (selected < 0 || selected >= document->file_count) return 0;

  FileEntry* container = nullptr;
  Outputs outputs;
  OperationRequest& request = outputs.request;
  if (!DecryptionRequest(document, passphrase.value, static_cast<std::uint32_t>(selected), &container, &request))
    return 0;
  outputs.given = container;
  const int ran = RunOperation(window, &request);
  FileEntriesFree(container);
  if (!ran) return 0;
  if (static_cast<std::uint32_t>(selected) >= request.count || request.entries[selected].path[0] == '\0') {
    RemoveDecryptionFolderOf(request);
    return 0;
  }
  // Tracked until its application lets it go; deleted at once when it cannot be opened.
  OpenWithShell(window, request.entries[selected].path);
  return 1;
}
