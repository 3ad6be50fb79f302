#include "ui/key_filter.h"

namespace qm::ui {

void filterDialogKeys(MSG& msg) {
  if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE))
    msg.wParam = 0;
}

int runDialogLoop(HWND dialog) {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    filterDialogKeys(msg);
    if (IsWindow(dialog) && IsDialogMessageW(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace qm::ui
