// What the window asks of the desktop: the modal common dialogs, message boxes, the About
// box and the shell. The application uses the real ones (Win32Services); tests put doubles
// in their place, since every one of these blocks until a person answers.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

class CRAROvavodizDlg;

namespace qm::ui {

// How the naming dialog shown before a run was left; the run starts either way.
enum class NamingChoice { Continue, Cancelled };

class UiServices {
 public:
  virtual ~UiServices() = default;
  // The file-open dialog for one .dbx file; nullopt when cancelled.
  virtual std::optional<std::string> chooseDbxFile(HWND owner) = 0;
  // The shell's folder browser; nullopt when cancelled or when the chosen item has no
  // file-system path.
  virtual std::optional<std::string> chooseFolder(HWND owner, const std::string& title) = 0;
  // A message box; returns the button pressed (IDOK, IDYES, IDNO).
  virtual int messageBox(HWND owner, const std::string& text, const std::string& caption,
                         UINT type) = 0;
  // Asks the shell to open a document; false when it could not.
  virtual bool openDocument(HWND owner, const std::string& path) = 0;
  virtual void runAboutBox(HWND owner) = 0;
  // The search dialog that adds found stores to the source list.
  virtual void runSearchDialog(CRAROvavodizDlg& dialog) = 0;
  // The naming dialog shown before a run when custom names are on.
  virtual NamingChoice runNamingDialog(CRAROvavodizDlg& dialog) = 0;
};

// The real dialogs and the shell.
class Win32Services : public UiServices {
 public:
  std::optional<std::string> chooseDbxFile(HWND owner) override;
  std::optional<std::string> chooseFolder(HWND owner, const std::string& title) override;
  int messageBox(HWND owner, const std::string& text, const std::string& caption,
                 UINT type) override;
  bool openDocument(HWND owner, const std::string& path) override;
  void runAboutBox(HWND owner) override;
  void runSearchDialog(CRAROvavodizDlg& dialog) override;
  NamingChoice runNamingDialog(CRAROvavodizDlg& dialog) override;
};

}  // namespace qm::ui
