// A main window opened modeless on the test's thread, with the desktop's modal dialogs,
// message boxes and the shell replaced by a recorder, and its program folder (config.ini,
// Help.chm, "Log Files") in a fresh temporary folder.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "ui/main_dialog.h"
#include "ui/resource_ids.h"
#include "ui/ui_services.h"

namespace qm::test {

class FakeServices : public ui::UiServices {
 public:
  struct Box {
    std::string text;
    std::string caption;
    UINT type = 0;
  };

  std::deque<std::optional<std::string>> files;    // answers of the file-open dialog
  std::deque<std::optional<std::string>> folders;  // answers of the folder browser
  std::vector<Box> boxes;
  int yesNoAnswer = IDNO;
  bool openSucceeds = true;
  std::vector<std::string> opened;
  int aboutBoxes = 0;
  int searchDialogs = 0;
  int namingDialogs = 0;
  std::function<void(CRAROvavodizDlg&)> onSearch;
  // Plays the naming dialog when set; otherwise it counts as cancelled.
  std::function<ui::NamingChoice(CRAROvavodizDlg&)> onNaming;

  std::optional<std::string> chooseDbxFile(HWND) override;
  std::optional<std::string> chooseFolder(HWND, const std::string& title) override;
  int messageBox(HWND, const std::string& text, const std::string& caption, UINT type) override;
  bool openDocument(HWND, const std::string& path) override;
  void runAboutBox(HWND) override { ++aboutBoxes; }
  void runSearchDialog(CRAROvavodizDlg& dialog) override;
  ui::NamingChoice runNamingDialog(CRAROvavodizDlg&) override;

  std::string lastFolderTitle;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // config.ini in the program folder before the window opens.
  void writeSettings(bool log, bool recovery, bool customize);
  void openWindow();
  void closeWindowObject();
  std::string programFolder() const { return dir.path() + "\\"; }

  HWND control(int id) const { return GetDlgItem(hwnd, id); }
  std::string text(int id) const;
  bool enabled(int id) const { return IsWindowEnabled(control(id)) != FALSE; }
  bool visible(int id) const { return (GetWindowLongW(control(id), GWL_STYLE) & WS_VISIBLE) != 0; }
  bool checked(int id) const;
  bool menuEnabled(UINT command) const;
  bool menuChecked(UINT command) const;
  void click(int id);
  // A click without running the messages that follow it (a run's updates stay queued).
  void press(int id);
  void menu(UINT command);
  void moveMouse(int x, int y);

  // Runs the thread's pending messages (a bounded number); pumpUntil runs them one by one
  // until done() holds, waiting for more when there are none.
  void pump();
  bool pumpUntil(const std::function<bool()>& done, int milliseconds = 30000);

  int rows() const;
  std::string cell(int row, int column) const;
  void selectRow(int row);
  void pressDelete();

  // Adds a file through Add with the file-open dialog answering path.
  void add(const std::string& path);
  // Chooses a destination through Browse with the folder browser answering folder.
  void browse(const std::string& folder);
  // A copy of a real message store in the test's folder under the given name.
  std::string storeCopy(const std::string& name) const;
  // Both log files' entry texts ("Code:0  Error:0  MSG:" taken off).
  std::vector<std::string> execLog() const;
  std::vector<std::string> errorLog() const;

  TempDir dir;
  FakeServices services;
  std::unique_ptr<CRAROvavodizDlg> dialog;
  HWND hwnd = nullptr;
};

// The sample store that the repository carries (a real one from the shared material when
// the checkout has none).
std::string sampleStore();

}  // namespace qm::test
