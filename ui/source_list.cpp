// The source list: Add with its header test, the Delete key, Search, and the row texts.
#include "convert/store_signature.h"
#include "log/app_log.h"
#include "platform/files.h"
#include "ui/list_view.h"
#include "ui/main_dialog.h"
#include "ui/resource_ids.h"
#include "ui/row_text.h"


namespace {

// The message text that means there is nothing to report.
const char kNothingToReport[] = "This file already present\n";

constexpr DWORD kListExtendedStyle = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP;
static_assert(kListExtendedStyle == 0x421);

// The error log line for a file that fails the header test ("%s" is the path).
const char* rejectionLine(qm::convert::StoreCheck check) {
  switch (check) {
    case qm::convert::StoreCheck::NotDbx:
      return "%s File is not a valid dbx file Or File Header is corrupt.";
    case qm::convert::StoreCheck::OtherKind:
      return "%s File is not a valid Message.dbx File";
    default:
      return nullptr;
  }
}

std::string withPath(const char* pattern, const std::string& path) {
  std::string out = pattern;
  const auto at = out.find("%s");
  if (at != std::string::npos) out.replace(at, 2, path);
  return out;
}

}  // namespace

void CRAROvavodizDlg::initListColumns() {
  qm::ui::insertListColumns(addList,
                            {{L"File Path.", LVCFMT_LEFT, 0},
                             {L"File Name", LVCFMT_LEFT, 250},
                             {L"Size", LVCFMT_RIGHT, 100},
                             {L"Created On", LVCFMT_RIGHT, 205}},
                            kListExtendedStyle);
}

int CRAROvavodizDlg::listRowCount() const { return qm::ui::listRowCount(addList); }

std::vector<CRAROvavodizDlg::SourceRow> CRAROvavodizDlg::sourceRows() const {
  std::vector<SourceRow> rows;
  const int n = listRowCount();
  for (int i = 0; i < n; ++i)
    rows.push_back(SourceRow{qm::ui::listCellText(addList, i, 0), qm::ui::listCellText(addList, i, 1)});
  return rows;
}

int CRAROvavodizDlg::insertSourceRow(int row, const std::string& path) {
  const auto size = qm::platform::fileSize(path);
  const auto created = qm::platform::fileCreationTime(path);
  return qm::ui::insertListRow(addList, row,
                               {path, qm::ui::fileNameOf(path), qm::ui::sizeText(size.value_or(0)),
                                created ? qm::ui::creationText(*created) : std::string()});
}

void CRAROvavodizDlg::OnAddbutton() {
  try {
    log("In CRAROvavodizDlg::OnAddbutton()");
    log("initializing Browse Dialog");
    std::string message = kNothingToReport;
    setText(IDT_STATUS, " ");
    const auto chosen = services_.chooseDbxFile(window());
    log("Browse Dialog succeeded");
    if (chosen) {
      addChosenFile(*chosen, message);
      if (message != kNothingToReport) showMessage(message);
    }
    if (listRowCount() > 0) enable(IDB_BROWSE, true);
    setText(IDT_STATUS, "Ready");
    log("Succeeded CRAROvavodizDlg::OnAddbutton()");
  } catch (...) {
    logError("Exception in CRAROvavodizDlg::OnAddbutton()");
  }
}

// The duplicate test, the header test and the insertion; message receives what to report.
void CRAROvavodizDlg::addChosenFile(const std::string& path, std::string& message) {
  const int rows = listRowCount();
  for (int i = 0; i < rows; ++i) {
    if (qm::ui::listCellText(addList, i, 0) == path) {
      message += path + "\n";
      logError("Trying to Add Duplicate File " + path + " ");
      return;
    }
  }
  const qm::convert::StoreCheck check = qm::convert::checkStoreSignature(path);
  if (check == qm::convert::StoreCheck::Unopenable) {
    logError("Error Opening " + path +
             " File.(Probably file not present or used by another program)");
    message = qm::convert::storeCheckMessage(check);
    return;
  }
  // A file that fails the test is listed all the same, then reported.
  if (check != qm::convert::StoreCheck::MessageStore) {
    message = qm::convert::storeCheckMessage(check);
    if (const char* line = rejectionLine(check)) logError(withPath(line, path));
  }
  insertSourceRow(nextRow, path);
  setText(IDE_FILE, path);
  ++nextRow;
  log(path + " File added to list successfully");
}

void CRAROvavodizDlg::OnKeydownAddlist(const NMLVKEYDOWN* key, LRESULT* result) {
  try {
    if (key && key->wVKey == VK_DELETE) {
      const int selected = static_cast<int>(SendMessageW(addList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
      if (selected >= 0) SendMessageW(addList, LVM_DELETEITEM, selected, 0);
    }
    if (listRowCount() == 0) {
      enable(IDB_BROWSE, false);
      enableSaveOptions(false);
      setText(IDB_CONVERT, "&Convert");
      enable(IDB_CONVERT, false);
    }
  } catch (...) {
    logError("Exception in CRAROvavodizDlg::OnKeydownAddlist()");
  }
  if (result) *result = 0;
}

void CRAROvavodizDlg::OnSearchbutton() {
  try {
    log("In CRAROvavodizDlg::OnSearchbutton()");
    log("Initializing search dialog");
    services_.runSearchDialog(*this);
    log("Search Dialog Initialized");
    if (listRowCount() > 0) enable(IDB_BROWSE, true);
    log("Succeeded CRAROvavodizDlg::OnSearchbutton()");
  } catch (...) {
    logError("Exception In CRAROvavodizDlg::OnSearchbutton()");
  }
}
