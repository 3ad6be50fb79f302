// Hints in the status line, the list's info tip, Help, About and Exit.
#include <cwchar>

#include "log/app_log.h"
#include "platform/text_win.h"
#include "ui/hints.h"
#include "ui/main_dialog.h"
#include "ui/resource_ids.h"

void CRAROvavodizDlg::OnMouseMove(UINT, POINT point) {
  setText(IDT_STATUS, qm::ui::hintAt(point.x, point.y, text(IDB_CONVERT)));
}

void CRAROvavodizDlg::OnGetInfoTipAddlist(NMLVGETINFOTIPW* tip) {
  if (!tip || !tip->pszText || tip->cchTextMax <= 0) return;
  std::wcsncpy(tip->pszText, L"Press Delete to remove item from list",
               static_cast<std::size_t>(tip->cchTextMax) - 1);
  tip->pszText[tip->cchTextMax - 1] = L'\0';
}

void CRAROvavodizDlg::OnHelpContents() {
  const std::string path = programFolder_ + "Help.chm";
  try {
    if (!services_.openDocument(window(), path)) logError("Error opening help file from " + path);
  } catch (...) {
    logError("Error opening help file from " + path);
  }
}

void CRAROvavodizDlg::OnAboutUs() {
  try {
    services_.runAboutBox(window());
  } catch (...) {
  }
}

void CRAROvavodizDlg::OnClose() {
  try {
    if (showMessage("Are you sure, you want to exit ?    ", MB_YESNO) != IDYES) return;
    exitDialog();
  } catch (...) {
  }
}
