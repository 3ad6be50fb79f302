// The main window: the source list, the destination, the save options, Convert and Stop,
// the settings menu, hints, Help, About and Exit. The dialog keeps the program's shared
// state as plain members; runs are started and stopped here and report back through tasks
// posted to the window's thread.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "convert/run_thread.h"
#include "convert/save_option.h"
#include "ui/dialog_window.h"
#include "ui/ui_services.h"
#include "ui/win_handles.h"

namespace qm::ui {
class RunSession;
class WindowRunView;
}

class CRAROvavodizDlg : public qm::ui::DialogWindow {
 public:
  // programFolder: where config.ini, Help.chm and "Log Files" live, with its trailing
  // separator (the executable's folder in the application).
  CRAROvavodizDlg(qm::ui::UiServices& services, std::string programFolder);
  ~CRAROvavodizDlg() override;
  CRAROvavodizDlg(const CRAROvavodizDlg&) = delete;
  CRAROvavodizDlg& operator=(const CRAROvavodizDlg&) = delete;

  // Creates the window from its template, modeless; nullptr on failure. When the dialog
  // ends (Exit answered Yes) the window is destroyed, and with quitOnEnd the thread's
  // message loop is told to quit. With shown false the window is made without being shown
  // (for tests: hiding a shown window costs seconds on a display without a window manager).
  HWND create(HWND parent, bool quitOnEnd, bool shown = true);
  // The caption of message boxes: the executable's file name without its extension.
  const std::string& appName() const { return appName_; }

  // Handlers.
  BOOL OnInitDialog();
  void OnAddbutton();
  void OnKeydownAddlist(const NMLVKEYDOWN* key, LRESULT* result);
  void OnSearchbutton();
  virtual bool GetDirectory(HWND owner, std::string& path);
  void OnBrowsebutton();
  void OnRadioEml();
  void OnRadioDbx();
  void OnRadioPst();
  void OnRadioMsg();
  void OnRadioRtf();
  void OnRecoverbutton();
  void OnFileLog();
  void OnFileRecovery();
  void OnFileCustomize();
  void OnMouseMove(UINT flags, POINT point);
  void OnGetInfoTipAddlist(NMLVGETINFOTIPW* tip);
  void OnHelpContents();
  void OnAboutUs();
  void OnClose();
  // Returns every control to its ready state after a stopped or failed run; always -1.
  int resetControls();

  // Rows of the source list: column 0 (full path) and column 1 (file name).
  struct SourceRow {
    std::string path;
    std::string name;
  };
  std::vector<SourceRow> sourceRows() const;
  // Inserts a row with the four column texts of a source file at index row; returns the
  // index the list gave it, -1 on failure. Used by Add and by the search dialog.
  int insertSourceRow(int row, const std::string& path);

  // The program's shared state.
  HWND addList = nullptr;
  std::string destinationFolder;
  // No option until one is chosen; Convert stays disabled until then.
  qm::convert::SaveOption saveOption = static_cast<qm::convert::SaveOption>(0);
  bool running = false;
  bool logEnabled = false;
  bool recoveryMode = false;
  bool customizeNames = false;
  std::int32_t nextRow = 0;
  std::int32_t fileCounterStart = 1;
  std::string folderTag = "Converted";
  std::int32_t useFileCounter = 1;
  std::int32_t useFolderTag = 1;
  std::int32_t useFileName = 1;
  std::int32_t useTypeTag = 1;
  qm::ui::AppIcons appIcon;

  // How a run's thread is started, and how it joins COM; tests put failing ones in.
  qm::convert::RunThread::Launcher launchRunThread;
  std::function<bool()> initializeRunOle = [] { return SUCCEEDED(OleInitialize(nullptr)); };

 private:
  BOOL onInitDialog() override { return OnInitDialog(); }
  INT_PTR handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void onDestroyed() override;
  bool handleCommand(WORD id);
  INT_PTR handleNotify(const NMHDR* header);
  // Exit: the run is stopped and the window goes at once.
  void exitDialog();

  void enableMenuItem(UINT command, bool on);
  void checkMenuItem(UINT command, bool on);
  bool menuItemChecked(UINT command) const;
  void enableSaveOptions(bool on);
  // Add, Search, Browse, the save options and the list, with the File menu's Open, Search
  // and the three settings.
  void enableInputs(bool on);
  void showReadyProgress();
  int listRowCount() const;
  int showMessage(const std::string& text, UINT type = MB_OK);

  // Log lines: the settings-dependent ones are written only while Log is on.
  void log(const std::string& line) const;
  void logError(const std::string& line) const;
  std::string settingsPath() const;

  // The steps of the handlers.
  void initListColumns();
  void applySettings();
  void addChosenFile(const std::string& path, std::string& message);
  bool makeDestination(const std::string& path);
  void selectSaveOption(qm::convert::SaveOption option, const char* logLine);
  void toggleSetting(UINT command, bool& member, const char* onLine, const char* offLine);
  void startRun();
  void stopRun();

  qm::ui::UiServices& services_;
  std::string programFolder_;
  std::string appName_;
  bool quitOnEnd_ = false;
  std::unique_ptr<qm::ui::RunSession> run_;

  friend class qm::ui::WindowRunView;
};
