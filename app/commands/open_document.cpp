// The open dispatch of the command line: the list file's files opened, added or
// decrypted, a container identified and opened, and the "/ks:" decryption.
#include "app/commands/open_document.h"

#include <cstdio>
#include <cstring>

#include "app/commands/local_commands.h"
#include "app/dialogs/keys_ui.h"
#include "app/dialogs/progress_dialog.h"
#include "app/logic/command_line.h"
#include "app/logic/command_rules.h"
#include "app/logic/document.h"
#include "app/logic/file_list.h"
#include "app/views/text_field.h"
#include "container/format.h"
#include "container/operation.h"
#include "keys/settings.h"
#include "platform/msgbox.h"
#include "platform/wipe.h"

namespace {

// The list file's entries while one step looks at them.
struct ListedFiles {
  FileEntry* entries = nullptr;
  int count = 0;
  ListedFiles() = default;
  ListedFiles(const ListedFiles&) = delete;
  ListedFiles& operator=(const ListedFiles&) = delete;
  ~ListedFiles() { FileEntriesFree(entries); }
  FileEntry* Release() {
    FileEntry* released = entries;
    entries = nullptr;
    return released;
  }
};

void WarnFolders(HWND window) {
  char text[256];
  std::snprintf(text, sizeof text, "%s doesn't encrypt directories in version %s", DisplayName(),
                ProductVersion());
  WarningBox(window, text);
}

bool HasText(const Document* document) { return document->text && document->text[0] != '\0'; }

// Identifies and opens the container at path into the document (reply: a received
// attachment). 1 or 0.
int OpenContainerDocument(HWND window, Document* document, const char* path, std::int32_t reply) {
  SecretBuffer<KEY_SLOT_SIZE> passphrase;
  if (!KeyIdentify(window, path, passphrase.value)) return 0;
  FileEntry* entries = nullptr;
  std::uint32_t count = 0;
  char* text = nullptr;
  std::uint32_t algorithm = ALGORITHM_UNREAD;
  const int opened = OpenContainer(window, path, passphrase.value, &entries, &count, &text, &algorithm);
  SettingsKeepAlgorithm(algorithm);  // the decryption's algorithm, also after a failure
  if (!opened) return 0;
  if (count == 0 && text) {  // text only: the document still names its container
    entries = FileEntriesAllocate(1);
    if (entries == nullptr) {
      OperationTextFree(text);
      return 0;
    }
    std::snprintf(entries[0].container, sizeof entries[0].container, "%s", path);
    count = 1;
  }
  DocumentContent content;
  content.mode = MODE_DECRYPT;
  content.files = entries;
  content.file_count = static_cast<std::int32_t>(count);
  content.text = text;
  content.identified_passphrase = passphrase.value;
  content.reply = reply;
  DocumentReplace(document, content);
  return 1;
}

}  // namespace

int ListHasFolder(const FileEntry* entries, int count) {
  for (int i = 0; i < count; ++i) {
    const DWORD attributes = GetFileAttributesA(entries[i].path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return 1;
  }
  return 0;
}

int OpenCommandLine(HWND window, Document* document, char* line) {
  const int kind = ClassifyCommandLine(line);
  if (kind == KIND_SESSION_KEY) {
    DecryptWithSessionKey(line);
    return 0;
  }
  if (kind == KIND_LIST_DECRYPT || kind == KIND_LIST) {
    bool replace = false;
    {
      ListedFiles list;
      if (!ReadFileList(&list.entries, &list.count)) return 0;
      const int containers = CountContainers(list.entries, static_cast<std::uint32_t>(list.count));
      if (containers < 0) return 0;
      if (ListHasFolder(list.entries, list.count)) {
        WarnFolders(window);
        return 0;
      }
      if (containers >= 2 && containers == list.count) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "Decrypting more than one encrypted file\nis not yet implemented in version %s",
                      ProductVersion());
        WarningBox(window, text);
        return 0;
      }
      const bool encrypting = document->mode == MODE_ENCRYPT;
      if (containers == 0) {
        replace = !(document->file_count > 0 && encrypting);
      } else if (!encrypting || (document->file_count == 0 && !HasText(document))) {
        replace = true;
      } else {
        const int answer = QuestionBox(
            window,
            "You may either add this file \"As Is\" to the list, or you may decrypt it. By decrypting, "
            "the contents of the text field will be overwritten.\n",
            "Add", "Decrypt", "Cancel");
        if (answer == 0 || answer == 3) return 0;
        replace = answer == 2;
      }
    }
    if (!replace) return AppendListedFiles(window, document, TextFieldCopy(window, EmptyText::Kept));
  }
  const int result = NewDocumentFrom(window, document, kind, line);
  if (result == 1 && kind == KIND_LIST_DECRYPT && document->mode == MODE_DECRYPT &&
      document->file_count == 1 && !HasText(document)) {
    DecryptLocally(window, document);
    ClearDocument(document);
    return 0;
  }
  return result;
}

int NewDocumentFrom(HWND window, Document* document, int kind, char* line) {
  switch (kind) {
    case KIND_EMPTY:
    case KIND_EXPORT_WINDOW:
      DocumentReplace(document, DocumentContent{});
      return 1;
    case KIND_MAIL_LIST: {
      ListedFiles list;
      if (!ReadFileList(&list.entries, &list.count)) return 0;
      DocumentContent content;
      content.file_count = list.count;
      content.files = list.Release();
      DocumentReplace(document, content);
      return 1;
    }
    case KIND_LIST_DECRYPT:
    case KIND_LIST: {
      ListedFiles list;
      if (!ReadFileList(&list.entries, &list.count)) return 0;
      const int containers = CountContainers(list.entries, static_cast<std::uint32_t>(list.count));
      if (containers < 0) return 0;
      if (list.count == 1 && containers == 1) {
        char path[QLX_PATH_SIZE];
        std::memcpy(path, list.entries[0].path, sizeof path);
        return OpenContainerDocument(window, document, path, 0);
      }
      DocumentContent content;
      content.text = TextFieldCopy(window, EmptyText::Kept);
      content.file_count = list.count;
      content.files = list.Release();
      DocumentReplace(document, content);
      return 1;
    }
    case KIND_CONTAINER:
    case KIND_RECEIVED:
      return OpenContainerDocument(window, document, line, kind == KIND_RECEIVED ? 1 : 0);
    default:
      return 0;
  }
}

int AppendListedFiles(HWND window, Document* document, char* text) {
  ListedFiles list;
  if (!ReadFileList(&list.entries, &list.count)) {
    OperationTextFree(text);
    return 0;
  }
  if (ListHasFolder(list.entries, list.count)) {
    WarnFolders(window);
    OperationTextFree(text);
    return 0;
  }
  const int count = list.count;
  return DocumentAppendFiles(document, text, list.Release(), count);
}

int DecryptWithSessionKey(char* line) {
  std::uint8_t key[16];
  if (!ParseSessionKeyLine(line, key)) return 0;
  FileEntry* container = FileEntriesAllocate(1);
  if (container == nullptr) return 0;
  std::snprintf(container[0].path, sizeof container[0].path, "%s", line);
  std::snprintf(container[0].container, sizeof container[0].container, "%s", line);
  OperationRequest request = {};
  request.direction = 0;
  request.passphrase = "";
  request.session_key = key;
  request.count = 1;
  request.entries = container;
  request.selector = SELECTOR_EVERYTHING;
  const int ran = RunOperation(nullptr, &request);
  SecureWipe(key, sizeof key);
  if (!ran) {
    FileEntriesFree(container);
    return 0;
  }

  char folder[QLX_PATH_SIZE];
  OutputFolderOf(line, folder);
  PlaceDecryptedOutputs(nullptr, folder, kSessionKeyTextName, request);
  if (request.entries != container) FileEntriesFree(request.entries);
  OperationTextFree(request.text);
  FileEntriesFree(container);
  return 1;
}
