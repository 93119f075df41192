// The main commands that shape the document: New document, Open and Reply.
#include "app/commands.h"

#include <commctrl.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/command_rules.h"
#include "app/document.h"
#include "app/file_list.h"
#include "app/main_window.h"
#include "app/output_files.h"
#include "keys/settings.h"
#include "platform/msgbox.h"
#include "resources/resource.h"

namespace {

constexpr std::size_t kOpenResultSize = 26260;

void FocusText(HWND window) { SetFocus(GetDlgItem(window, IDC_MAIN_TEXT)); }

}  // namespace

int NewDocument(HWND window) {
  const int items = static_cast<int>(SendDlgItemMessageA(window, IDC_MAIN_FILES, LVM_GETITEMCOUNT, 0, 0));
  if (items <= 0 && GetWindowTextLengthA(GetDlgItem(window, IDC_MAIN_TEXT)) == 0) {
    FocusText(window);
    return 1;
  }
  const int answer = QuestionBox(window,
                                 "Encrypting a new document will reset the main window. Do you really want to "
                                 "encrypt a new document ?\n",
                                 "", "Yes", "No");
  if (answer == 3) return 0;
  Document* document = TheDocument();
  ClearDocument(document);
  document->mode = MODE_ENCRYPT;
  document->algo = static_cast<std::int32_t>(SettingsAlgorithm());
  ShowDocument(window, document);
  FocusText(window);
  return 1;
}

int OpenFiles(HWND window) {
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
  if (OpenCommandLine(window, TheDocument(), line) == 1) ShowDocument(window, TheDocument());
  return 1;
}

int MakeReply(HWND window, Document* document) {
  HWND field = GetDlgItem(window, IDC_MAIN_TEXT);
  const int length = GetWindowTextLengthA(field);
  char* text = OperationTextAllocate(static_cast<std::size_t>(length) + 1);
  if (text == nullptr) return 0;
  GetWindowTextA(field, text, length + 1);

  const std::size_t size = ReplyTextSize(text, document->files, document->file_count);
  char* reply = OperationTextAllocate(size);
  if (reply == nullptr || !BuildReplyText(text, document->files, document->file_count, reply, size)) {
    OperationTextFree(reply);
    OperationTextFree(text);
    return 0;
  }
  OperationTextFree(text);
  FileEntriesFree(document->files);
  OperationTextFree(document->text);
  document->files = nullptr;
  document->file_count = 0;
  document->text = reply;
  document->mode = MODE_ENCRYPT;
  document->reply = 0;
  ShowDocument(window, document);
  OperationTextFree(document->text);
  document->text = nullptr;
  FocusText(window);
  return 1;
}
