// The document and the open dispatch of the command line.
#include "app/document.h"

#include <cstdio>
#include <cstring>

#include "app/command_line.h"
#include "app/file_list.h"
#include "app/keys_ui.h"
#include "app/command_rules.h"
#include "app/commands.h"
#include "app/output_files.h"
#include "app/progress_dialog.h"
#include "container/format.h"
#include "container/operation.h"
#include "keys/settings.h"
#include "platform/filetime.h"
#include "platform/msgbox.h"
#include "platform/wipe.h"
#include "resources/resource.h"

namespace {

Document g_document;
char g_command_line[COMMAND_LINE_SIZE];

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

// A copy of the text field's text; nullptr without a window or on failure.
char* TextFieldCopy(HWND window) {
  if (window == nullptr) return nullptr;
  HWND field = GetDlgItem(window, IDC_MAIN_TEXT);
  const int length = GetWindowTextLengthA(field);
  char* text = OperationTextAllocate(static_cast<std::size_t>(length) + 1);
  if (text) GetWindowTextA(field, text, length + 1);
  return text;
}

void SetDocumentFromContainer(Document* document, FileEntry* entries, std::uint32_t count, char* text,
                              const char* passphrase) {
  ClearDocument(document);
  document->mode = MODE_DECRYPT;
  document->files = entries;
  document->file_count = static_cast<std::int32_t>(count);
  document->text = text;
  std::snprintf(document->identified_passphrase, sizeof document->identified_passphrase, "%s", passphrase);
}

// Identifies and opens the container at path into the document. 1 or 0.
int OpenContainerDocument(HWND window, Document* document, const char* path) {
  char passphrase[32] = "";
  if (!KeyIdentify(window, path, passphrase)) {
    SecureWipe(passphrase, sizeof passphrase);
    return 0;
  }
  FileEntry* entries = nullptr;
  std::uint32_t count = 0;
  char* text = nullptr;
  std::uint32_t algorithm = ALGORITHM_UNREAD;
  const int opened = OpenContainer(window, path, passphrase, &entries, &count, &text, &algorithm);
  SettingsKeepAlgorithm(algorithm);  // the decryption's algorithm, also after a failure
  if (!opened) {
    SecureWipe(passphrase, sizeof passphrase);
    return 0;
  }
  if (count == 0 && text) {  // text only: the document still names its container
    entries = FileEntriesAllocate(1);
    if (entries == nullptr) {
      OperationTextFree(text);
      SecureWipe(passphrase, sizeof passphrase);
      return 0;
    }
    std::snprintf(entries[0].container, sizeof entries[0].container, "%s", path);
    count = 1;
  }
  SetDocumentFromContainer(document, entries, count, text, passphrase);
  SecureWipe(passphrase, sizeof passphrase);
  return 1;
}

}  // namespace

Document* TheDocument() { return &g_document; }

void ClearDocument(Document* document) {
  FileEntriesFree(document->files);
  OperationTextFree(document->text);
  SecureWipe(document->identified_passphrase, sizeof document->identified_passphrase);
  *document = Document{};
}

const char* ProcessCommandLine() { return g_command_line; }

int SetProcessCommandLine(const char* line) {
  if (!CommandLineFits(line)) return 0;
  std::snprintf(g_command_line, sizeof g_command_line, "%s", line);
  return 1;
}

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
    if (!replace) {
      OperationTextFree(document->text);
      document->text = TextFieldCopy(window);
      return AppendListedFiles(kind, line);
    }
  }
  const int result = NewDocumentFrom(window, kind, line);
  if (result == 1 && kind == KIND_LIST_DECRYPT && document->mode == MODE_DECRYPT &&
      document->file_count == 1 && !HasText(document)) {
    DecryptLocally(window, document);
    ClearDocument(document);
    return 0;
  }
  return result;
}

int NewDocumentFrom(HWND window, int kind, char* line) {
  Document* document = &g_document;
  switch (kind) {
    case KIND_EMPTY:
    case KIND_EXPORT_WINDOW:
      ClearDocument(document);
      document->mode = MODE_ENCRYPT;
      return 1;
    case KIND_MAIL_LIST: {
      ListedFiles list;
      if (!ReadFileList(&list.entries, &list.count)) return 0;
      ClearDocument(document);
      document->file_count = list.count;
      document->files = list.Release();
      document->mode = MODE_ENCRYPT;
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
        return OpenContainerDocument(window, document, path);
      }
      char* text = TextFieldCopy(window);
      ClearDocument(document);
      document->file_count = list.count;
      document->files = list.Release();
      document->text = text;
      document->mode = MODE_ENCRYPT;
      return 1;
    }
    case KIND_CONTAINER:
    case KIND_RECEIVED:
      if (!OpenContainerDocument(window, document, line)) return 0;
      if (kind == KIND_RECEIVED) document->reply = 1;
      return 1;
    default:
      return 0;
  }
}

int AppendListedFiles(int, const char*) {
  Document* document = &g_document;
  ListedFiles list;
  if (!ReadFileList(&list.entries, &list.count)) return 0;
  if (ListHasFolder(list.entries, list.count)) {
    WarnFolders(MainWindowHandle() ? static_cast<HWND>(MainWindowHandle()) : nullptr);
    return 0;
  }
  const int total = document->file_count + list.count;
  FileEntry* joined = FileEntriesAllocate(static_cast<std::uint32_t>(total));
  if (total > 0 && joined == nullptr) return 0;
  for (int i = 0; i < document->file_count; ++i) joined[i] = document->files[i];
  for (int i = 0; i < list.count; ++i) joined[document->file_count + i] = list.entries[i];
  FileEntriesFree(document->files);
  document->files = joined;
  document->file_count = total;
  return 1;
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
