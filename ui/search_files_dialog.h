// The Search Files dialog: finds message stores below a chosen folder in a thread of its own
// and adds the checked ones to the main window's source list.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "ui/dialog_window.h"
#include "ui/search_feed.h"
#include "ui/ui_services.h"

class CRAROvavodizDlg;

class CSearchFilesDlg : public qm::ui::DialogWindow {
 public:
  // Carries a search's updates to the dialog; WPARAM is the search's identity.
  static constexpr UINT kSearchUpdateMessage = WM_APP + 2;

  CSearchFilesDlg(CRAROvavodizDlg& mainDialog, qm::ui::UiServices& services);
  // Stops a search still going and waits for its thread, which is then at most one folder
  // listing away from its next stop check.
  ~CSearchFilesDlg() override;

  // Runs the dialog modally over the main window.
  void run();
  // Creates the dialog over the main window without showing it (for tests).
  HWND create();

  // Handlers.
  void OnBrowseFolder();
  void OnSearchbutton();
  void OnCheckAll();
  void OnItemchangingFoundList(const NMLISTVIEW* change);
  void OnGetInfoTipFoundList(NMLVGETINFOTIPW* tip);
  void OnAddToList();
  void OnFinish();
  void OnClose();

  // "NULL" until a start folder has been chosen.
  std::string searchFolder = "NULL";
  // Rows the searches of this dialog have inserted; never goes back.
  int foundCount = 0;
  // A search runs (cleared by Stop, by its end and by closing the dialog).
  bool searching = false;

  // What the search thread runs: the store walk. Tests hold it at chosen points.
  using SearchBody = std::function<void(const std::string& folder, qm::ui::SearchFeed& feed)>;
  SearchBody searchBody = qm::ui::DBX_Search_thread;

 private:
  BOOL onInitDialog() override;
  INT_PTR handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  bool handleCommand(WORD id, WORD code);
  INT_PTR handleNotify(const NMHDR* header);

  void initColumns();
  void startSearch();
  void stopSearch();
  void takeUpdates(std::uint32_t search);
  void insertFound(const qm::ui::FoundStore& store);
  void endSearch(bool completed);
  void enableResults(bool on);
  // Copies the checked rows into the main list; returns the paths already there and
  // whether any row was checked.
  bool addCheckedRows(std::string& alreadyPresent);
  void closeDialog();
  void reapThreads();

  int rowCount() const;
  bool rowChecked(int row) const;
  void setRowChecked(int row, bool on);
  std::string cell(int row, int column) const;
  int showMessage(const std::string& text);

  CRAROvavodizDlg& main_;
  qm::ui::UiServices& services_;
  HWND list_ = nullptr;
  int startCount_ = 0;
  std::unordered_set<std::string> listedPaths_;  // column 3 of every row of the list

  struct SearchThread {
    std::shared_ptr<qm::ui::SearchFeed> feed;
    std::thread thread;
  };
  std::uint32_t lastSearch_ = 0;
  std::uint32_t currentSearch_ = 0;  // 0: no search's updates are wanted
  std::shared_ptr<qm::ui::SearchFeed> feed_;
  std::vector<SearchThread> threads_;
};
