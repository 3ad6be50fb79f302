#include "ui/dialog_window.h"

#include "platform/text_win.h"
#include "ui/key_filter.h"
#include "ui/win_handles.h"

namespace qm::ui {

using platform::fromWide;
using platform::toWide;

DialogWindow::~DialogWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
}

HWND DialogWindow::createFrom(int templateId, HWND owner) {
  ended_ = false;
  result_ = 0;
  return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner,
                            dialogProc, reinterpret_cast<LPARAM>(this));
}

int DialogWindow::runModalFrom(int templateId, HWND owner) {
  const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  modal_ = true;
  HWND dialog = createFrom(templateId, owner);
  if (!dialog) return -1;
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  ShowWindow(dialog, SW_SHOW);
  MSG msg;
  while (!ended_ && IsWindow(dialog)) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // the outer loop must see it too
      break;
    }
    if (got < 0) break;
    filterDialogKeys(msg);
    if (IsDialogMessageW(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  // The owner comes back before the dialog goes, so that it takes the focus.
  if (ownerWasEnabled) EnableWindow(owner, TRUE);
  if (hwnd_) DestroyWindow(hwnd_);
  if (owner) SetActiveWindow(owner);
  return result_;
}

void DialogWindow::endDialog(int code) {
  result_ = code;
  ended_ = true;
  // A modal dialog is taken down by its loop, after the owner is enabled again.
  if (!modal_ && hwnd_) DestroyWindow(hwnd_);
}

INT_PTR CALLBACK DialogWindow::dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    if (msg == WM_INITDIALOG) {
      auto* self = reinterpret_cast<DialogWindow*>(lParam);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, lParam);
      self->hwnd_ = hwnd;
      return self->onInitDialog();
    }
    auto* self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return FALSE;
    if (msg == WM_NCDESTROY) {
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->hwnd_ = nullptr;
      return FALSE;
    }
    switch (msg) {
      case WM_CTLCOLORDLG:
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
        return paintWhite(reinterpret_cast<HDC>(wParam));  // painted like the main window
      default:
        return self->handleMessage(msg, wParam, lParam);
    }
  } catch (...) {
    return FALSE;
  }
}

void DialogWindow::setText(int id, const std::string& value) {
  SetDlgItemTextW(hwnd_, id, toWide(value).c_str());
}

std::string DialogWindow::text(int id) const {
  HWND h = item(id);
  const int n = h ? GetWindowTextLengthW(h) : 0;
  std::wstring buf(static_cast<std::size_t>(n) + 1, L'\0');
  if (n > 0) GetWindowTextW(h, buf.data(), n + 1);
  buf.resize(static_cast<std::size_t>(n));
  return fromWide(buf);
}

void DialogWindow::enable(int id, bool on) { EnableWindow(item(id), on ? TRUE : FALSE); }

void DialogWindow::check(int id, bool on) {
  SendMessageW(item(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool DialogWindow::isChecked(int id) const {
  return SendMessageW(item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

}  // namespace qm::ui
