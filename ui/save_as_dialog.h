// The Save As dialog shown before a run when custom names are on: the parts of each output
// folder's name, a preview of it, and on Next the choices stored in the main window.
#pragma once

#include <windows.h>

#include <string>

#include "ui/dialog_window.h"
#include "ui/naming_rules.h"
#include "ui/ui_services.h"

class CRAROvavodizDlg;

class CSaveAsDlg : public qm::ui::DialogWindow {
 public:
  CSaveAsDlg(CRAROvavodizDlg& mainDialog, qm::ui::UiServices& services);

  // Takes the preview prefix from the main window's destination and runs the dialog
  // modally; true when it was left with Next.
  bool Open();
  // The same start, created over the main window without being shown (for tests).
  HWND create();

  // Handlers.
  void OnCounterBox();
  void OnFolderTagBox();
  void OnTypeTagBox();
  void OnChangeCounter();
  void OnChangeFolderTag();
  void OnKillfocusName();
  void OnNext();
  void OnCancel();

  // The main window's destination and a backslash, taken when the dialog opens.
  std::string previewPrefix;

 private:
  BOOL onInitDialog() override;
  INT_PTR handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  bool handleCommand(WORD id, WORD code);

  void flipSwitch(bool& on, int label, int edit);
  void showPreview();
  // Puts the last accepted text back into an edit, with the caret at its end.
  void restoreText(int id, const std::string& accepted);
  void showMessage(const std::string& text);

  CRAROvavodizDlg& main_;
  qm::ui::UiServices& services_;
  // The switches and the texts as last accepted.
  qm::ui::NamingParts parts_;
};
