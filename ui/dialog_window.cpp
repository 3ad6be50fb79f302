#include "ui/dialog_window.h"

#include <commctrl.h>

#include <cstdint>
#include <vector>

#include "platform/bytes.h"

#include "platform/text_win.h"
#include "ui/key_filter.h"
#include "ui/win_handles.h"

namespace qm::ui {

using qm::loadLe16;
using qm::loadLe32;
using platform::fromWide;
using platform::toWide;

DialogWindow::~DialogWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
}

HWND DialogWindow::createFrom(int templateId, HWND owner, bool shown) {
  ended_ = false;
  result_ = 0;
  HINSTANCE module = GetModuleHandleW(nullptr);
  const LPARAM self = reinterpret_cast<LPARAM>(this);
  // A template that says visible is copied with that style taken off when the dialog is
  // not to be shown (hiding a shown window costs seconds on a display without a window
  // manager). The templates here are extended ones: dlgVer, signature, helpID, exStyle, style.
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(templateId), RT_DIALOG);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const auto* bytes = loaded ? static_cast<const std::uint8_t*>(LockResource(loaded)) : nullptr;
  const DWORD size = found ? SizeofResource(module, found) : 0;
  constexpr std::size_t kStyleOffset = 12;
  const bool extended = bytes && size >= kStyleOffset + 4 && loadLe16(bytes + 2) == 0xFFFF;
  if (shown || !extended || (loadLe32(bytes + kStyleOffset) & WS_VISIBLE) == 0)
    return CreateDialogParamW(module, MAKEINTRESOURCEW(templateId), owner, dialogProc, self);
  std::vector<std::uint8_t> copy(bytes, bytes + size);
  const DWORD style = loadLe32(copy.data() + kStyleOffset) & ~static_cast<DWORD>(WS_VISIBLE);
  for (int i = 0; i < 4; ++i) copy[kStyleOffset + i] = static_cast<std::uint8_t>(style >> (8 * i));
  return CreateDialogIndirectParamW(module, reinterpret_cast<LPCDLGTEMPLATEW>(copy.data()), owner,
                                    dialogProc, self);
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
      self->onDestroyed();
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

void DialogWindow::setBar(int id, int position) { SendMessageW(item(id), PBM_SETPOS, position, 0); }

bool DialogWindow::isChecked(int id) const {
  return SendMessageW(item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

}  // namespace qm::ui
