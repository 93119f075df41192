// The commands that shape the document: New document, Open, Reply and the removal of a
// file from the list.
#include "app/commands/document_commands.h"

#include <commctrl.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/commands/open_document.h"
#include "app/dialogs/output_files.h"
#include "app/logic/command_line.h"
#include "app/logic/command_rules.h"
#include "app/logic/document.h"
#include "app/logic/file_list.h"
#include "app/views/file_list_view.h"
#include "app/views/main_view.h"
#include "app/views/text_field.h"
#include "container/operation.h"
#include "keys/settings.h"
#include "platform/msgbox.h"
#include "resources/resource.h"

namespace {

constexpr std::size_t kOpenResultSize = 26260;

void FocusText(HWND window) { SetFocus(GetDlgItem(window, IDC_MAIN_TEXT)); }

}  // namespace

int NewDocument(HWND window, Document* document) {
  const int items = static_cast<int>(SendDlgItemMessageA(window, IDC_MAIN_FILES, LVM_GETITEMCOUNT, 0, 0));
  if (items <= 0 && TextFieldEmpty(window)) {
    FocusText(window);
    return 1;
  }
  const int answer = QuestionBox(window,
                                 "Encrypting a new document will reset the main window. Do you really want to "
                                 "encrypt a new document ?\n",
                                 "", "Yes", "No");
  if (answer == 3) return 0;
  DocumentContent content;
  content.mode = MODE_ENCRYPT;
  content.algo = static_cast<std::int32_t>(SettingsAlgorithm());
  DocumentReplace(document, content);
  ShowDocument(window, document);
  FocusText(window);
  return 1;
}

int OpenFiles(HWND window, Document* document) {
  std::unique_ptr<char[]> result(new (std::nothrow) char[kOpenResultSize]());
  if (!result) return 0;
  char stored[QLX_PATH_SIZE] = "";
  SettingsGetDir(SETTINGS_DIR_SOURCE, stored);
  char initial[QLX_PATH_SIZE];
  AsInitialFolder(stored, initial);
  if (!FileDialog(window, 1, "Open a file...", initial, result.get(), kOpenResultSize)) return 0;
  std::vector<std::string> paths;
  if (!OpenResultPaths(result.get(), kOpenResultSize, &paths)) return 0;
  SettingsSetDir(SETTINGS_DIR_SOURCE, result.get());  // the chosen folder

  std::vector<const char*> lines;
  for (const std::string& path : paths) lines.push_back(path.c_str());
  if (!WriteFileList(lines.data(), static_cast<int>(lines.size()))) return 0;
  char list_path[QLX_PATH_SIZE];
  if (!FileListPath(list_path)) return 0;
  char line[COMMAND_LINE_SIZE];
  if (!JoinOutputPath("/d ", list_path, line)) return 0;
  if (OpenCommandLine(window, document, line) == 1) ShowDocument(window, document);
  return 1;
}

int MakeReply(HWND window, Document* document) {
  char* text = TextFieldCopy(window, EmptyText::Kept);
  if (text == nullptr) return 0;

  const std::size_t size = ReplyTextSize(text, document->files, document->file_count);
  char* reply = OperationTextAllocate(size);
  if (reply == nullptr || !BuildReplyText(text, document->files, document->file_count, reply, size)) {
    OperationTextFree(reply);
    OperationTextFree(text);
    return 0;
  }
  OperationTextFree(text);
  DocumentContent content;
  content.mode = MODE_ENCRYPT;
  content.text = reply;
  content.identified_passphrase = document->identified_passphrase;
  content.algo = document->algo;
  DocumentReplace(document, content);
  ShowDocument(window, document);
  DocumentRelease(document);  // the reply now lives in the text field
  FocusText(window);
  return 1;
}

int RemoveSelectedFile(HWND window, Document* document) {
  const int selected = SelectedFileIndex(window);
  if (selected < 0) return 0;
  DeleteFileListItem(window, selected);
  if (!DocumentRemoveFile(document, selected)) return 0;
  ShowDocument(window, document);
  return 1;
}
