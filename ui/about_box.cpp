#include "ui/about_box.h"

#include "ui/resource_ids.h"
#include "ui/win_handles.h"

namespace qm::ui {

void AboutBox::run(HWND owner) {
  DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUTBOX), owner, dialogProc, 0);
}

INT_PTR CALLBACK AboutBox::dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) {
  try {
    switch (msg) {
      case WM_INITDIALOG:
        // The owner's application icon, which outlives the box.
        setWindowIcons(hwnd,
                       reinterpret_cast<HICON>(SendMessageW(GetParent(hwnd), WM_GETICON, ICON_BIG, 0)),
                       reinterpret_cast<HICON>(SendMessageW(GetParent(hwnd), WM_GETICON, ICON_SMALL, 0)));
        return TRUE;
      case WM_CTLCOLORDLG:
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN:
        return paintWhite(reinterpret_cast<HDC>(wParam));
      case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
          EndDialog(hwnd, LOWORD(wParam));
          return TRUE;
        }
        return FALSE;
      default:
        return FALSE;
    }
  } catch (...) {
    return FALSE;
  }
}

}  // namespace qm::ui
