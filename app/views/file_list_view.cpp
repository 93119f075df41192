// The attached-file list view: the document's files with their icons.
#include "app/views/file_list_view.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/logic/document.h"
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
}

int SelectedFileIndex(HWND window) {
  return ListView_GetNextItem(GetDlgItem(window, IDC_MAIN_FILES), -1, LVNI_SELECTED);
}

void DeleteFileListItem(HWND window, int index) { ListView_DeleteItem(GetDlgItem(window, IDC_MAIN_FILES), index); }
