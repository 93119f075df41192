// The wizard's installation page (dialog 137): a first 150 ms timer runs InstallAll,
// then a 200 ms timer ticks the step boxes and the bar as InstallAll's done-marks allow
// (InstallationTick decides) and finally presses the frame's "Next".
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include "resources/resource.h"
#include "setup/setup.h"
#include "setup/wizard.h"
#include "setup/wizard_rules.h"

namespace {

constexpr UINT_PTR kFirstTimer = 1;
constexpr UINT_PTR kStepTimer = 2;
HBITMAP g_step_picture = nullptr;

void Tick(WizardState* w, HWND page) {
  const HWND bar = GetDlgItem(page, IDC_INSTALL_PROGRESS);
  const int position = static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0));
  const InstallTick tick = InstallationTick(w->install_step, w->step_done, position);
  if (tick.wait) return;
  if (tick.check_box) CheckDlgButton(page, tick.check_box, BST_CHECKED);
  if (tick.advance_bar) SendMessageA(bar, PBM_STEPIT, 0, 0);
  if (tick.fill_bar) SendMessageA(bar, PBM_SETPOS, 100, 0);
  w->install_step = tick.next_step;
  if (tick.finish) {
    KillTimer(page, kStepTimer);
    PostMessageA(w->frame, WM_COMMAND, MAKEWPARAM(IDC_WIZARD_NEXT, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(w->frame, IDC_WIZARD_NEXT)));
  }
}

void PaintStepPicture(HWND page) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(page, &paint);
  if (g_step_picture) {
    const HDC memory = CreateCompatibleDC(dc);
    const HGDIOBJ old = SelectObject(memory, g_step_picture);
    BitBlt(dc, 410, 80, 19, 19, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
  }
  EndPaint(page, &paint);
}

}  // namespace

INT_PTR CALLBACK InstallationPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  WizardState* w = message == WM_INITDIALOG ? KeepWizardState(page, lparam) : WizardStateOf(page);
  if (!w) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      SetUpPageHeader(page, w->heading_font, InstallationSubheading().c_str(), InstallationBody().c_str());
      SendDlgItemMessageA(page, IDC_INSTALL_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
      SendDlgItemMessageA(page, IDC_INSTALL_PROGRESS, PBM_SETSTEP, INSTALL_BAR_STEP, 0);
      g_step_picture = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr),
                                                       MAKEINTRESOURCEA(IDB_SETUP_STEP), IMAGE_BITMAP, 0, 0,
                                                       LR_DEFAULTCOLOR));
      SetTimer(page, kFirstTimer, INSTALL_FIRST_TIMER_MS, nullptr);
      return TRUE;
    case WM_TIMER:
      if (wparam == kFirstTimer) {
        KillTimer(page, kFirstTimer);
        SetupReport report{false, w->frame, INVALID_HANDLE_VALUE, SETUP_EXIT_INSTALLED};
        InstallAll(&report, w->install_folder, w->step_done);
        w->install_step = 0;
        SetTimer(page, kStepTimer, INSTALL_STEP_TIMER_MS, nullptr);
      } else if (wparam == kStepTimer) {
        Tick(w, page);
      }
      return TRUE;
    case WM_PAINT:
      PaintStepPicture(page);
      return TRUE;
    case WM_DESTROY:
      KillTimer(page, kFirstTimer);
      KillTimer(page, kStepTimer);
      if (g_step_picture) DeleteObject(g_step_picture);
      g_step_picture = nullptr;
      return FALSE;
  }
  return PageBandMessage(page, message, wparam, lparam);
}
