// The common ground of the program's dialogs: a dialog procedure that keeps `this`, lets no
// exception reach user32 and paints every dialog white, the modal loop with the key filter,
// and small helpers over the controls. A dialog is either run modally (the Search Files and
// Save As dialogs in the application), run modeless by the thread's own loop (the main
// window) or created without being shown and driven with messages (the tests).
#pragma once

#include <windows.h>

#include <string>

namespace qm::ui {

class DialogWindow {
 public:
  DialogWindow() = default;
  virtual ~DialogWindow();
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;

  HWND window() const { return hwnd_; }
  // The code the dialog ended with (IDOK, IDCANCEL); 0 while it has not ended.
  int result() const { return result_; }

 protected:
  // Creates the dialog from its template, owned by owner; nullptr on failure. With shown
  // false it is not shown, even when its template says visible. The window goes away when
  // the dialog ends.
  HWND createFrom(int templateId, HWND owner, bool shown = false);
  // Shows the dialog and runs its messages until it ends, with owner disabled meanwhile and
  // Enter and Escape filtered out; returns the code it ended with.
  int runModalFrom(int templateId, HWND owner);
  // Ends the dialog with code.
  void endDialog(int code);

  virtual BOOL onInitDialog() = 0;
  // Messages other than WM_INITDIALOG; FALSE for default processing.
  virtual INT_PTR handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) = 0;
  // The window is gone (WM_NCDESTROY); window() is null from here on.
  virtual void onDestroyed() {}

  HWND item(int id) const { return GetDlgItem(hwnd_, id); }
  void setText(int id, const std::string& text);
  std::string text(int id) const;
  void enable(int id, bool on);
  void check(int id, bool on);
  bool isChecked(int id) const;
  void setBar(int id, int position);

 private:
  static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  bool modal_ = false;
  bool ended_ = false;
  int result_ = 0;
};

}  // namespace qm::ui
