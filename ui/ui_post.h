// Work for the window's thread, posted from any thread as a closure tagged with the run it
// belongs to. The window runs a task only while its run is still the current one; tasks of
// a stopped run are dropped unrun.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace qm::ui {

inline constexpr UINT kRunTaskMessage = WM_APP + 1;
using UiTask = std::function<void()>;

// Posts task to hwnd's thread; false (and the task dropped) when the window is gone.
bool postRunTask(HWND hwnd, std::uint32_t run, UiTask task);
// On the window's thread: takes ownership of the task carried by a kRunTaskMessage.
std::unique_ptr<UiTask> takeRunTask(LPARAM lParam);
// Frees the tasks still queued for hwnd (the window is going away).
void discardRunTasks(HWND hwnd);

}  // namespace qm::ui
