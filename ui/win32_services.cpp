// The real desktop services: common dialogs, the shell folder browser, message boxes.
#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>
#include <shellapi.h>

#include "platform/text_win.h"
#include "ui/about_box.h"
#include "ui/save_as_dialog.h"
#include "ui/search_files_dialog.h"
#include "ui/ui_services.h"

namespace qm::ui {

using platform::fromWide;
using platform::toWide;

std::optional<std::string> Win32Services::chooseDbxFile(HWND owner) {
  wchar_t path[MAX_PATH] = {};
  static const wchar_t filter[] = L"Outlook Express Files (*.dbx)\0*.dbx\0\0";
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter;
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING;
  if (!GetOpenFileNameW(&ofn)) return std::nullopt;
  return fromWide(path);
}

std::optional<std::string> Win32Services::chooseFolder(HWND owner, const std::string& title) {
  const std::wstring wtitle = toWide(title);
  BROWSEINFOW bi{};
  bi.hwndOwner = owner;
  bi.lpszTitle = wtitle.c_str();
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&bi);
  if (!item) return std::nullopt;
  wchar_t path[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListW(item, path) != FALSE;
  CoTaskMemFree(item);
  if (!ok) return std::nullopt;
  return fromWide(path);
}

int Win32Services::messageBox(HWND owner, const std::string& text, const std::string& caption,
                              UINT type) {
  return MessageBoxW(owner, toWide(text).c_str(), toWide(caption).c_str(), type);
}

bool Win32Services::openDocument(HWND owner, const std::string& path) {
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(owner, L"open", toWide(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

void Win32Services::runAboutBox(HWND owner) { AboutBox().run(owner); }

void Win32Services::runSearchDialog(CRAROvavodizDlg& dialog) {
  CSearchFilesDlg(dialog, *this).run();
}

NamingChoice Win32Services::runNamingDialog(CRAROvavodizDlg& dialog) {
  return CSaveAsDlg(dialog, *this).Open() ? NamingChoice::Continue : NamingChoice::Cancelled;
}

}  // namespace qm::ui
