// The Search Files dialog: the start folder, Search and Stop, the found list with its check
// boxes, and Add To List and Finish, which copy the checked rows into the main window's list.
#include "ui/search_files_dialog.h"

#include <cstdio>
#include <cwchar>
#include <system_error>

#include "ui/list_view.h"
#include "ui/main_dialog.h"
#include "ui/search_files_ids.h"
#include "ui/win_handles.h"

using qm::ui::FoundStore;
using qm::ui::SearchFeed;
using qm::ui::SearchUpdate;

namespace {

// Columns of the found list; the full path is kept in the hidden last one.
enum FoundColumn { kName = 0, kSize = 1, kCreated = 2, kPath = 3 };

constexpr DWORD kListExtendedStyle = LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_INFOTIP;

const char kAlreadyPresent[] = "These files already present\n";

}  // namespace

CSearchFilesDlg::CSearchFilesDlg(CRAROvavodizDlg& mainDialog, qm::ui::UiServices& services)
    : main_(mainDialog), services_(services) {}

CSearchFilesDlg::~CSearchFilesDlg() {
  for (auto& t : threads_) t.feed->stop();
  for (auto& t : threads_)
    if (t.thread.joinable()) t.thread.join();
}

void CSearchFilesDlg::run() { runModalFrom(IDD_SEARCH_FILES, main_.window()); }

HWND CSearchFilesDlg::create() { return createFrom(IDD_SEARCH_FILES, main_.window()); }

BOOL CSearchFilesDlg::onInitDialog() {
  try {
    qm::ui::setWindowIcons(window(), main_.appIcon.large.get(), main_.appIcon.small.get());
    list_ = item(IDL_FOUND);
    setText(IDE_SEARCH_FOLDER, "");
    setText(IDT_SEARCH_STATUS, "0 files found");
    searchFolder = "NULL";
    foundCount = 0;
    searching = false;
    initColumns();
  } catch (...) {
  }
  return TRUE;
}

void CSearchFilesDlg::initColumns() {
  qm::ui::insertListColumns(list_,
                            {{L"File Name", LVCFMT_LEFT, 250},
                             {L"Size", LVCFMT_RIGHT, 100},
                             {L"Created On", LVCFMT_RIGHT, 195},
                             {L"File Path.", LVCFMT_LEFT, 0}},
                            kListExtendedStyle);
}

INT_PTR CSearchFilesDlg::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      return handleCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_NOTIFY:
      return handleNotify(reinterpret_cast<const NMHDR*>(lParam));
    case kSearchUpdateMessage:
      takeUpdates(static_cast<std::uint32_t>(wParam));
      return TRUE;
    case WM_CLOSE:
      OnClose();
      return TRUE;
    default:
      return FALSE;
  }
}

bool CSearchFilesDlg::handleCommand(WORD id, WORD code) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDB_SEARCH_BROWSE: OnBrowseFolder(); return true;
    case IDB_SEARCH_START: OnSearchbutton(); return true;
    case IDB_CHECK_ALL: OnCheckAll(); return true;
    case IDB_SEARCH_ADD: OnAddToList(); return true;
    case IDB_SEARCH_FINISH: OnFinish(); return true;
    case IDOK:
    case IDCANCEL: return true;  // Enter and Escape never end the dialog
    default: return false;
  }
}

INT_PTR CSearchFilesDlg::handleNotify(const NMHDR* header) {
  if (!header || header->idFrom != IDL_FOUND) return FALSE;
  if (header->code == LVN_ITEMCHANGING) {
    OnItemchangingFoundList(reinterpret_cast<const NMLISTVIEW*>(header));
    SetWindowLongPtrW(window(), DWLP_MSGRESULT, FALSE);  // the change goes ahead
    return TRUE;
  }
  if (header->code == LVN_GETINFOTIPW) {
    OnGetInfoTipFoundList(reinterpret_cast<NMLVGETINFOTIPW*>(const_cast<NMHDR*>(header)));
    return TRUE;
  }
  return FALSE;
}

void CSearchFilesDlg::OnBrowseFolder() {
  try {
    const auto chosen = services_.chooseFolder(window(), " Please select the Destination folder ");
    if (chosen) {
      setText(IDE_SEARCH_FOLDER, *chosen);
      searchFolder = *chosen;
      enable(IDB_SEARCH_START, true);
      return;
    }
    showMessage("Please select proper path.");
    // While a search runs the button is its Stop button, which must stay within reach.
    if (!searching) enable(IDB_SEARCH_START, false);
  } catch (...) {
  }
}

void CSearchFilesDlg::OnSearchbutton() {
  try {
    const std::string caption = text(IDB_SEARCH_START);
    if (caption == "Search") {
      if (searchFolder == "NULL") {
        showMessage("Pls. Select the folder first");
        return;
      }
      setText(IDB_CHECK_ALL, "Check All");
      if (!searching) {
        searching = true;
        startSearch();
      }
      setText(IDB_SEARCH_START, "Stop");
    } else if (caption == "Stop") {
      setText(IDB_CHECK_ALL, "Check All");
      searching = false;
      if (feed_) feed_->stop();
      setText(IDT_SEARCH_STATUS, "Search Stopped");
      setText(IDB_SEARCH_START, "Search");
    }
  } catch (...) {
  }
}

// The search's first step, taken here on the dialog's thread so that the list is cleared
// before anything found can arrive; then the thread.
void CSearchFilesDlg::startSearch() {
  setText(IDB_SEARCH_START, "Stop");
  enableResults(false);
  startCount_ = foundCount;
  SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
  listedPaths_.clear();
  reapThreads();

  if (++lastSearch_ == 0) ++lastSearch_;  // 0 is never a search
  const std::uint32_t search = lastSearch_;
  HWND hwnd = window();
  auto feed = std::make_shared<SearchFeed>(
      [hwnd, search] { PostMessageW(hwnd, kSearchUpdateMessage, search, 0); });
  try {
    std::thread thread([feed, body = searchBody, folder = searchFolder] {
      try {
        body(folder, *feed);
      } catch (...) {
      }
      feed->markFinished();
    });
    threads_.push_back(SearchThread{feed, std::move(thread)});
  } catch (const std::system_error&) {
    currentSearch_ = 0;
    feed_.reset();
    endSearch(false);
    return;
  }
  currentSearch_ = search;
  feed_ = std::move(feed);
}

void CSearchFilesDlg::takeUpdates(std::uint32_t search) {
  if (search == 0 || search != currentSearch_ || !feed_) return;  // a search given up
  for (auto& update : feed_->take()) {
    switch (update.kind) {
      case SearchUpdate::Kind::Examining:
        setText(IDT_SEARCH_STATUS, update.examined);
        break;
      case SearchUpdate::Kind::Found:
        insertFound(update.store);
        break;
      case SearchUpdate::Kind::Ended:
        currentSearch_ = 0;
        feed_.reset();
        endSearch(update.completed);
        return;
    }
  }
}

void CSearchFilesDlg::insertFound(const FoundStore& store) {
  if (listedPaths_.count(store.path)) return;
  if (qm::ui::insertListRow(list_, foundCount, {store.name, store.size, store.created, store.path}) < 0)
    return;
  listedPaths_.insert(store.path);
  ++foundCount;
}

void CSearchFilesDlg::endSearch(bool completed) {
  enable(IDB_CHECK_ALL, true);
  enableResults(true);
  if (completed && searching) {
    char line[64];
    std::snprintf(line, sizeof line, "%d files found", foundCount - startCount_);
    setText(IDT_SEARCH_STATUS, line);
  } else {
    setText(IDT_SEARCH_STATUS, "Search Stopped");
  }
  setText(IDB_SEARCH_START, "Search");
  searching = false;
}

void CSearchFilesDlg::enableResults(bool on) {
  for (int id : {IDB_SEARCH_ADD, IDB_SEARCH_FINISH, IDL_FOUND, IDB_CHECK_ALL}) enable(id, on);
}

void CSearchFilesDlg::reapThreads() {
  for (auto it = threads_.begin(); it != threads_.end();) {
    if (it->feed->finished()) {
      if (it->thread.joinable()) it->thread.join();
      it = threads_.erase(it);
    } else {
      ++it;
    }
  }
}

void CSearchFilesDlg::OnCheckAll() {
  try {
    const bool checkAll = text(IDB_CHECK_ALL) == "Check All";
    const int rows = rowCount();
    for (int i = 0; i < rows; ++i) setRowChecked(i, checkAll);
    setText(IDB_CHECK_ALL, checkAll ? "Uncheck All" : "Check All");
  } catch (...) {
  }
}

void CSearchFilesDlg::OnItemchangingFoundList(const NMLISTVIEW* change) {
  try {
    if (!change || searching) return;
    if (change->iItem >= 0 && rowChecked(change->iItem)) {
      setText(IDB_CHECK_ALL, "Check All");
      return;
    }
    const int rows = rowCount();
    for (int i = 0; i < rows; ++i)
      if (i != change->iItem && !rowChecked(i)) return;
    setText(IDB_CHECK_ALL, "Uncheck All");
  } catch (...) {
  }
}

void CSearchFilesDlg::OnGetInfoTipFoundList(NMLVGETINFOTIPW* tip) {
  if (!tip || !tip->pszText || tip->cchTextMax <= 0) return;
  const wchar_t* hint = rowChecked(tip->iItem) ? L"" : L"Check file to add to the list";
  std::wcsncpy(tip->pszText, hint, static_cast<std::size_t>(tip->cchTextMax) - 1);
  tip->pszText[tip->cchTextMax - 1] = L'\0';
}

bool CSearchFilesDlg::addCheckedRows(std::string& alreadyPresent) {
  bool anyChecked = false;
  std::unordered_set<std::string> inMainList;  // column 0 of the main list, exact texts
  for (const auto& row : main_.sourceRows()) inMainList.insert(row.path);
  const int rows = rowCount();
  for (int i = 0; i < rows; ++i) {
    if (!rowChecked(i)) continue;
    anyChecked = true;
    const std::string path = cell(i, kPath);
    if (inMainList.count(path)) {
      alreadyPresent += path + "\n";
      continue;
    }
    if (qm::ui::insertListRow(main_.addList, foundCount + i, {path, cell(i, kName), cell(i, kSize), cell(i, kCreated)}) >= 0)
      inMainList.insert(path);
  }
  return anyChecked;
}

void CSearchFilesDlg::OnAddToList() {
  try {
    std::string message = kAlreadyPresent;
    if (!addCheckedRows(message)) return;
    if (message != kAlreadyPresent)
      showMessage(message);
    else
      setText(IDT_SEARCH_STATUS, "Files Added successfully");
  } catch (...) {
  }
}

void CSearchFilesDlg::OnFinish() {
  try {
    std::string ignored;
    addCheckedRows(ignored);
  } catch (...) {
  }
  closeDialog();
}

void CSearchFilesDlg::OnClose() {
  if (searching) return;
  closeDialog();
}

void CSearchFilesDlg::closeDialog() {
  searching = false;
  if (feed_) feed_->stop();
  currentSearch_ = 0;
  endDialog(IDOK);
}

int CSearchFilesDlg::rowCount() const { return qm::ui::listRowCount(list_); }

bool CSearchFilesDlg::rowChecked(int row) const {
  const auto state = SendMessageW(list_, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK);
  return ((static_cast<UINT>(state) & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void CSearchFilesDlg::setRowChecked(int row, bool on) {
  LVITEMW it{};
  it.stateMask = LVIS_STATEIMAGEMASK;
  it.state = INDEXTOSTATEIMAGEMASK(on ? 2 : 1);
  SendMessageW(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&it));
}

std::string CSearchFilesDlg::cell(int row, int column) const { return qm::ui::listCellText(list_, row, column); }

int CSearchFilesDlg::showMessage(const std::string& message) {
  return services_.messageBox(window(), message, main_.appName(), MB_OK);
}
