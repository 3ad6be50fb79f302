// Drives a dialog opened over the test window with window messages: its controls' texts
// and states, clicks, typing into edits and the rows of a list view.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/ui/window_fixture.h"

namespace qm::test {

class DialogDriver {
 public:
  void attach(HWND dialog) { hwnd_ = dialog; }
  HWND window() const { return hwnd_; }
  bool open() const { return hwnd_ && IsWindow(hwnd_); }

  HWND control(int id) const { return GetDlgItem(hwnd_, id); }
  std::string text(int id) const;
  bool enabled(int id) const { return IsWindowEnabled(control(id)) != FALSE; }
  bool checked(int id) const { return SendMessageW(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  // A button click as the mouse makes it; nothing happens on a disabled button.
  void click(int id) const { SendMessageW(control(id), BM_CLICK, 0, 0); }
  // Replaces an edit's text the way typing or pasting does: the dialog hears of the change.
  void type(int id, const std::string& text) const;
  void close() const { SendMessageW(hwnd_, WM_CLOSE, 0, 0); }

  // List view rows.
  int rows(int listId) const;
  std::string cell(int listId, int row, int column) const;
  bool rowChecked(int listId, int row) const;
  void checkRow(int listId, int row, bool on) const;

 private:
  HWND hwnd_ = nullptr;
};

// The texts of the message boxes shown so far, oldest first.
std::vector<std::string> boxTexts(const FakeServices& services);

// What happened to a modal dialog that playModal answered.
struct ModalPlay {
  HWND seen = nullptr;         // the dialog, while it was up
  bool ownerDisabled = false;  // its owner was disabled meanwhile
  int ticks = 0;               // timer ticks that found it
};

// Calls run, which shows a modal dialog captioned `caption`, and answers it from a timer of
// the test's thread: first a key-down of `key` posted to the dialog's control `keyTarget`,
// then the close box.
ModalPlay playModal(const wchar_t* caption, int keyTarget, WPARAM key,
                    const std::function<void()>& run);

}  // namespace qm::test
