// The attached-file list view and the removal of a file from the document.
#include "app/file_list_view.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/document.h"
#include "app/main_window.h"
#include "container/operation.h"
#include "resources/resource.h"

namespace {

HIMAGELIST g_images = nullptr;

// Index of the name's small icon in the image list (made for the first item).
int FileIcon(HWND list, const char* name) {
  if (g_images == nullptr) {
    g_images = ImageList_Create(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), ILC_MASK | ILC_COLOR32,
                                1, 1);
    ListView_SetImageList(list, g_images, LVSIL_SMALL);
  }
  SHFILEINFOA info = {};
  if (!SHGetFileInfoA(name, 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON | SHGFI_OPENICON | SHGFI_USEFILEATTRIBUTES) ||
      info.hIcon == nullptr) {
    OutputDebugStringA("[GetFileIcon] SHGetFileInfo failed\n");
    return 0;
  }
  const int index = ImageList_ReplaceIcon(g_images, -1, info.hIcon);
  DestroyIcon(info.hIcon);
  return index < 0 ? 0 : index;
}

}  // namespace

void ClearFileList(HWND window) {
  HWND list = GetDlgItem(window, IDC_MAIN_FILES);
  if (g_images) {
    ListView_SetImageList(list, nullptr, LVSIL_SMALL);
    ImageList_Remove(g_images, -1);
    ImageList_Destroy(g_images);
    g_images = nullptr;
  }
  ListView_DeleteAllItems(list);
}

void FillFileList(HWND window, const Document* document) {
  HWND list = GetDlgItem(window, IDC_MAIN_FILES);
  ClearFileList(window);
  if (document->file_count > 0 && document->files) {
    ListView_SetItemCount(list, document->file_count);
    for (int i = 0; i < document->file_count; ++i) {
      LVITEMA item = {};
      item.mask = LVIF_TEXT | LVIF_IMAGE;
      item.iItem = i;
      item.pszText = const_cast<char*>(document->files[i].name);
      item.iImage = FileIcon(list, document->files[i].name);
      if (SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)) < 0) {
        OutputDebugStringA("[ListViewFromList] cannot insert item\n");
      }
    }
    ListView_SetItemState(list, 0, LVIS_SELECTED, 0xFFFFFFFF);
  }
  RECT client = {};
  GetClientRect(window, &client);
  LayoutMainWindow(window, client.right, client.bottom);
}

int SelectedFileIndex(HWND window) {
  return ListView_GetNextItem(GetDlgItem(window, IDC_MAIN_FILES), -1, LVNI_SELECTED);
}

int RemoveSelectedFile(HWND window) {
  const int selected = SelectedFileIndex(window);
  if (selected < 0) return 0;
  ListView_DeleteItem(GetDlgItem(window, IDC_MAIN_FILES), selected);
  Document* document = TheDocument();
  FileEntry* remaining = nullptr;
  if (document->file_count > 1) {
    remaining = FileEntriesAllocate(static_cast<std::uint32_t>(document->file_count - 1));
    if (remaining == nullptr) return 0;
    for (int i = 0, k = 0; i < document->file_count; ++i) {
      if (i != selected) remaining[k++] = document->files[i];
    }
  }
  if (selected < document->file_count) {
    FileEntriesFree(document->files);
    document->files = remaining;
    document->file_count -= 1;
  } else {
    FileEntriesFree(remaining);
  }
  if (document->file_count == 0) document->mode = MODE_ENCRYPT;
  ShowDocument(window, document);
  return 1;
}
