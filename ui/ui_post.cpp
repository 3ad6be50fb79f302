#include "ui/ui_post.h"

namespace qm::ui {

bool postRunTask(HWND hwnd, std::uint32_t run, UiTask task) {
  auto boxed = std::make_unique<UiTask>(std::move(task));
  if (!PostMessageW(hwnd, kRunTaskMessage, static_cast<WPARAM>(run),
                    reinterpret_cast<LPARAM>(boxed.get())))
    return false;
  boxed.release();  // the window's thread owns it now
  return true;
}

std::unique_ptr<UiTask> takeRunTask(LPARAM lParam) {
  return std::unique_ptr<UiTask>(reinterpret_cast<UiTask*>(lParam));
}

void discardRunTasks(HWND hwnd) {
  MSG msg;
  while (PeekMessageW(&msg, hwnd, kRunTaskMessage, kRunTaskMessage, PM_REMOVE))
    takeRunTask(msg.lParam);
}

}  // namespace qm::ui
