#include "ui/win_handles.h"

#include "ui/resource_ids.h"

namespace qm::ui {

AppIcons loadAppIcons() {
  HINSTANCE module = GetModuleHandleW(nullptr);
  auto load = [&](int cx, int cy) {
    return IconHandle(static_cast<HICON>(
        LoadImageW(module, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, GetSystemMetrics(cx),
                   GetSystemMetrics(cy), 0)));
  };
  return AppIcons{load(SM_CXICON, SM_CYICON), load(SM_CXSMICON, SM_CYSMICON)};
}

void setWindowIcons(HWND hwnd, HICON large, HICON small) {
  SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
  SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

INT_PTR paintWhite(HDC dc) {
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(255, 255, 255));
  SetBkMode(dc, OPAQUE);
  return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
}

}  // namespace qm::ui
