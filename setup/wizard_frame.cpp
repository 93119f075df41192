// The setup wizard's frame (dialog 105): the confirmation and the refusal before it
// opens, the page area where one page at a time is created, the frame's buttons as
// each page wants them, the folder accepted by "&Install", and Cancel with its
// question. The decisions are in wizard_rules.h and setup_rules.h.
#include <windows.h>

#include "resources/resource.h"
#include "setup/setup.h"
#include "setup/wizard.h"
#include "setup/wizard_rules.h"

WizardState* WizardStateOf(HWND window) {
  return reinterpret_cast<WizardState*>(GetWindowLongPtrA(window, DWLP_USER));
}

WizardState* KeepWizardState(HWND window, LPARAM lparam) {
  SetWindowLongPtrA(window, DWLP_USER, lparam);
  return reinterpret_cast<WizardState*>(lparam);
}

namespace {

// The page's bitmap, freed with the page.
void FreePagePicture(HWND page) {
  const HGDIOBJ bitmap = reinterpret_cast<HGDIOBJ>(
      SendDlgItemMessageA(page, IDC_PAGE_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, 0));
  if (bitmap) DeleteObject(bitmap);
}

void DestroyPage(WizardState* w) {
  if (!w->page_window) return;
  FreePagePicture(w->page_window);
  DestroyWindow(w->page_window);  // the page takes its choices over here
  w->page_window = nullptr;
}

DLGPROC PageProcedure(int page) {
  switch (page) {
    case WIZARD_PAGE_FOLDER: return FolderPageProc;
    case WIZARD_PAGE_INSTALLATION: return InstallationPageProc;
    default: return FinishPageProc;
  }
}

void ShowButton(HWND frame, int id, bool visible, const char* text) {
  const HWND button = GetDlgItem(frame, id);
  if (text && *text) SetWindowTextA(button, text);
  ShowWindow(button, visible ? SW_SHOW : SW_HIDE);
}

void ShowPage(WizardState* w, HWND frame, int page) {
  DestroyPage(w);
  w->page = page;
  const WizardButtons buttons = ButtonsForPage(page);
  ShowButton(frame, IDC_WIZARD_BACK, buttons.back_visible, "");
  ShowButton(frame, IDC_WIZARD_NEXT, buttons.next_visible, buttons.next_text);
  ShowButton(frame, IDCANCEL, buttons.cancel_visible, buttons.cancel_text);
  w->page_window = CreateDialogParamA(w->instance, MAKEINTRESOURCEA(WizardPageResource(page)), frame,
                                      PageProcedure(page), reinterpret_cast<LPARAM>(w));
  if (!w->page_window) return;
  SetWindowPos(w->page_window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  if (buttons.next_visible) SetFocus(GetDlgItem(frame, IDC_WIZARD_NEXT));
}

void MakeHeadingFont(WizardState* w, HWND frame) {
  LOGFONTA font{};
  const HFONT frame_font = reinterpret_cast<HFONT>(SendMessageA(frame, WM_GETFONT, 0, 0));
  if (!GetObjectA(frame_font ? static_cast<HGDIOBJ>(frame_font) : GetStockObject(DEFAULT_GUI_FONT),
                  sizeof font, &font))
    return;
  font.lfWeight = FW_BOLD;
  w->heading_font = CreateFontIndirectA(&font);
}

void Quit(WizardState* w, HWND frame, INT_PTR result) {
  DestroyPage(w);
  EndDialog(frame, result);
}

// "&Install": the folder shown, normalised, is where the installation goes; a folder
// setup refuses keeps the page, with a message saying why (none for an empty one).
bool AcceptFolder(WizardState* w, HWND frame) {
  char shown[SETUP_PATH_SIZE] = "", folder[SETUP_PATH_SIZE];
  GetDlgItemTextA(w->page_window, IDC_FOLDER_PATH, shown, sizeof shown);
  const FolderProblem problem = NormalizeInstallFolder(shown, folder, sizeof folder);
  if (problem == FolderProblem::Empty) {
    MessageBeep(MB_ICONWARNING);
    return false;
  }
  if (problem != FolderProblem::None) {
    MessageBoxA(frame, FolderProblemText(problem, shown).c_str(), WizardTitle().c_str(), MB_OK | MB_ICONWARNING);
    return false;
  }
  SetDlgItemTextA(w->page_window, IDC_FOLDER_PATH, folder);  // the page takes it over when it closes
  return true;
}

INT_PTR CALLBACK FrameProc(HWND frame, UINT message, WPARAM wparam, LPARAM lparam) {
  WizardState* w = message == WM_INITDIALOG ? KeepWizardState(frame, lparam) : WizardStateOf(frame);
  if (!w) return FALSE;
  switch (message) {
    case WM_INITDIALOG: {
      w->frame = frame;
      const HICON big = static_cast<HICON>(LoadImageA(w->instance, MAKEINTRESOURCEA(IDI_SETUP), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
      const HICON small = static_cast<HICON>(LoadImageA(w->instance, MAKEINTRESOURCEA(IDI_SETUP), IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), 0));
      SendMessageA(frame, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
      SendMessageA(frame, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
      SetWindowTextA(frame, WizardTitle().c_str());
      MakeHeadingFont(w, frame);
      ShowPage(w, frame, WIZARD_PAGE_FOLDER);
      return FALSE;  // the focus is set
    }
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_WIZARD_NEXT: {
          if (w->page == WIZARD_PAGE_FOLDER && !AcceptFolder(w, frame)) return TRUE;
          const int next = NextWizardPage(w->page);
          if (next)
            ShowPage(w, frame, next);
          else
            Quit(w, frame, 1);
          return TRUE;
        }
        case IDC_WIZARD_BACK:
          return TRUE;  // never visible in this flow
        case IDCANCEL:
          if (!IsWindowVisible(GetDlgItem(frame, IDCANCEL))) return TRUE;
          if (CancelAsks(w->page) &&
              MessageBoxA(frame, WIZARD_QUIT_TEXT, WIZARD_QUIT_TITLE, MB_YESNO | MB_ICONINFORMATION) != IDYES)
            return TRUE;
          Quit(w, frame, 0);
          return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      Quit(w, frame, 0);
      return TRUE;
    case WM_DESTROY: {
      for (const WPARAM kind : {ICON_BIG, ICON_SMALL}) {
        const HICON icon = reinterpret_cast<HICON>(SendMessageA(frame, WM_SETICON, kind, 0));
        if (icon) DestroyIcon(icon);
      }
      w->frame = nullptr;
      return FALSE;
    }
  }
  return FALSE;
}

}  // namespace

void SetUpPageHeader(HWND page, HFONT heading_font, const char* subheading, const char* body) {
  const HWND heading = GetDlgItem(page, IDC_PAGE_HEADING);
  if (heading_font) {
    SendMessageA(heading, WM_SETFONT, reinterpret_cast<WPARAM>(heading_font), FALSE);
    // The heading's control fits its text in the bold font.
    char text[128];
    GetWindowTextA(heading, text, sizeof text);
    const HDC dc = GetDC(heading);
    const HGDIOBJ old = SelectObject(dc, heading_font);
    SIZE size{};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
    SelectObject(dc, old);
    ReleaseDC(heading, dc);
    SetWindowPos(heading, nullptr, 0, 0, size.cx + 2, size.cy, SWP_NOMOVE | SWP_NOZORDER);
  }
  SetDlgItemTextA(page, IDC_PAGE_SUBHEADING, subheading);
  SetDlgItemTextA(page, IDC_PAGE_BODY, body);
  const HANDLE picture = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SETUP_HEADER), IMAGE_BITMAP,
                                    0, 0, LR_DEFAULTCOLOR);
  SendDlgItemMessageA(page, IDC_PAGE_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
}

INT_PTR PageBandMessage(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_ERASEBKGND) {
    const HDC dc = reinterpret_cast<HDC>(wparam);
    RECT client, line;
    GetClientRect(page, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    GetWindowRect(GetDlgItem(page, IDC_PAGE_BAND_LINE), &line);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&line), 2);
    RECT band{0, 0, client.right, line.top};
    FillRect(dc, &band, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
    SetWindowLongPtrA(page, DWLP_MSGRESULT, 1);
    return TRUE;
  }
  if (message == WM_CTLCOLORSTATIC) {
    const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lparam));
    if (id == IDC_PAGE_HEADING || id == IDC_PAGE_SUBHEADING || id == IDC_PAGE_PICTURE) {
      SetBkColor(reinterpret_cast<HDC>(wparam), GetSysColor(COLOR_BTNHIGHLIGHT));
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNHIGHLIGHT));
    }
  }
  return 0;
}

int RunSetupWizard(HINSTANCE instance) {
  const std::string title = WizardTitle();
  if (MessageBoxA(nullptr, WizardConfirmText().c_str(), title.c_str(), MB_YESNO | MB_ICONINFORMATION) != IDYES)
    return 0;
  char installed[16];
  if (InstalledVersion(installed)) {
    MessageBoxA(nullptr, WizardRefusalText(installed).c_str(), title.c_str(), MB_OK | MB_ICONWARNING);
    return 0;
  }
  WizardState state{};
  state.instance = instance;
  const INT_PTR result =
      DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_WIZARD), nullptr, FrameProc, reinterpret_cast<LPARAM>(&state));
  if (state.heading_font) DeleteObject(state.heading_font);
  return result == 1 ? 1 : 0;
}
