// The main dialog's window: creation, its messages, start-up and the reset to the ready
// state. The handlers live in the files named after the parts of the window.
#include "ui/main_dialog.h"

#include <memory>

#include "log/app_log.h"
#include "platform/text_win.h"
#include "ui/resource_ids.h"
#include "ui/run_session.h"
#include "ui/settings_file.h"
#include "ui/ui_post.h"

using qm::platform::fromWide;

namespace {

std::string executableStem() {
  wchar_t buf[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  std::wstring name(buf, n);
  const auto slash = name.find_last_of(L"\\/");
  if (slash != std::wstring::npos) name.erase(0, slash + 1);
  const auto dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos) name.erase(dot);
  return fromWide(name);
}

}  // namespace

CRAROvavodizDlg::CRAROvavodizDlg(qm::ui::UiServices& services, std::string programFolder)
    : appIcon(qm::ui::loadAppIcons()),
      services_(services),
      programFolder_(std::move(programFolder)),
      appName_(executableStem()) {}

CRAROvavodizDlg::~CRAROvavodizDlg() {
  if (run_) run_->stop();  // from here on the run posts nothing more
  if (window()) DestroyWindow(window());
  run_.reset();  // waits for the stopped run's thread to leave its file complete
}

HWND CRAROvavodizDlg::create(HWND parent, bool quitOnEnd, bool shown) {
  quitOnEnd_ = quitOnEnd;
  return createFrom(IDD_MAIN, parent, shown);
}

INT_PTR CRAROvavodizDlg::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      return handleCommand(LOWORD(wParam)) ? TRUE : FALSE;
    case WM_NOTIFY:
      return handleNotify(reinterpret_cast<const NMHDR*>(lParam));
    case WM_MOUSEMOVE:
      OnMouseMove(static_cast<UINT>(wParam), POINT{static_cast<short>(LOWORD(lParam)),
                                                   static_cast<short>(HIWORD(lParam))});
      return FALSE;  // default processing goes on
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == IDM_SYS_ABOUT) {
        OnAboutUs();
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      OnClose();
      return TRUE;
    case qm::ui::kRunTaskMessage: {
      auto task = qm::ui::takeRunTask(lParam);
      if (run_ && run_->isCurrent(static_cast<std::uint32_t>(wParam)) && *task) (*task)();
      return TRUE;
    }
    case WM_DESTROY:
      qm::ui::discardRunTasks(window());
      return FALSE;
    default:
      return FALSE;
  }
}

void CRAROvavodizDlg::onDestroyed() {
  addList = nullptr;
  if (quitOnEnd_) PostQuitMessage(0);
}

bool CRAROvavodizDlg::handleCommand(WORD id) {
  switch (id) {
    case IDB_ADD:
    case IDM_FILE_OPEN: OnAddbutton(); return true;
    case IDB_SEARCH:
    case IDM_FILE_SEARCH: OnSearchbutton(); return true;
    case IDB_BROWSE: OnBrowsebutton(); return true;
    case IDR_SAVE_EML: OnRadioEml(); return true;
    case IDR_SAVE_DBX: OnRadioDbx(); return true;
    case IDR_SAVE_PST: OnRadioPst(); return true;
    case IDR_SAVE_MSG: OnRadioMsg(); return true;
    case IDR_SAVE_RTF: OnRadioRtf(); return true;
    case IDB_CONVERT: OnRecoverbutton(); return true;
    case IDM_FILE_LOG: OnFileLog(); return true;
    case IDM_FILE_RECOVERY: OnFileRecovery(); return true;
    case IDM_FILE_CUSTOMIZE: OnFileCustomize(); return true;
    case IDM_FILE_EXIT: OnClose(); return true;
    case IDM_HELP_ABOUT: OnAboutUs(); return true;
    case IDM_HELP_CONTENTS: OnHelpContents(); return true;
    case IDOK:
    case IDCANCEL: return true;  // Enter and Escape never end the dialog
    default: return false;
  }
}

INT_PTR CRAROvavodizDlg::handleNotify(const NMHDR* header) {
  if (!header || header->idFrom != IDL_SOURCES) return FALSE;
  if (header->code == LVN_KEYDOWN) {
    LRESULT result = 0;
    OnKeydownAddlist(reinterpret_cast<const NMLVKEYDOWN*>(header), &result);
    SetWindowLongPtrW(window(), DWLP_MSGRESULT, result);
    return TRUE;
  }
  if (header->code == LVN_GETINFOTIPW) {
    OnGetInfoTipAddlist(reinterpret_cast<NMLVGETINFOTIPW*>(const_cast<NMHDR*>(header)));
    return TRUE;
  }
  return FALSE;
}

BOOL CRAROvavodizDlg::OnInitDialog() {
  try {
    addList = item(IDL_SOURCES);
    HMENU sys = GetSystemMenu(window(), FALSE);
    wchar_t about[64] = {};
    if (sys && LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, about, 64) > 0) {
      AppendMenuW(sys, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(sys, MF_STRING, IDM_SYS_ABOUT, about);
    }
    qm::ui::setWindowIcons(window(), appIcon.large.get(), appIcon.small.get());
    applySettings();
    if (logEnabled) {
      AppLog::startIn(programFolder_);
      log("In CRAROvavodizDlg::OnInitDialog()");
    }
    nextRow = 0;
    running = false;
    fileCounterStart = 1;
    folderTag = "Converted";
    useFileCounter = useFolderTag = useFileName = useTypeTag = 1;
    log("Initializing Parent Dialog List");
    initListColumns();
    log("Parent Dialog List Initialized");
    log("............preparing..........");
    log("............prepared..........");
    log("Initializing labels n buttons");
    setText(IDE_FILE, "");
    setText(IDE_DESTINATION, "");
    enable(IDB_BROWSE, false);
    enable(IDB_CONVERT, false);
    log("Succeeded CRAROvavodizDlg::OnInitDialog()");
    return TRUE;
  } catch (...) {
    AppLog::write(0, 0, "Exception in CRAROvavodizDlg::OnInitDialog()", true);
    return FALSE;
  }
}

void CRAROvavodizDlg::applySettings() {
  const qm::ui::Settings s = qm::ui::readSettings(settingsPath());
  logEnabled = s.log;
  recoveryMode = s.recovery;
  customizeNames = s.customize;
  checkMenuItem(IDM_FILE_LOG, logEnabled);
  checkMenuItem(IDM_FILE_RECOVERY, recoveryMode);
  checkMenuItem(IDM_FILE_CUSTOMIZE, customizeNames);
}

int CRAROvavodizDlg::resetControls() {
  enableInputs(true);
  setText(IDB_CONVERT, "&Convert");
  running = false;
  showReadyProgress();
  return -1;
}

void CRAROvavodizDlg::exitDialog() {
  if (run_) run_->stop();
  running = false;
  endDialog(IDOK);
}

// Helpers over the controls.

void CRAROvavodizDlg::enableMenuItem(UINT command, bool on) {
  EnableMenuItem(GetMenu(window()), command, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
}

void CRAROvavodizDlg::checkMenuItem(UINT command, bool on) {
  CheckMenuItem(GetMenu(window()), command, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

bool CRAROvavodizDlg::menuItemChecked(UINT command) const {
  return (GetMenuState(GetMenu(window()), command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void CRAROvavodizDlg::enableSaveOptions(bool on) {
  for (int id : {IDR_SAVE_DBX, IDR_SAVE_EML, IDR_SAVE_PST, IDR_SAVE_MSG, IDR_SAVE_RTF})
    enable(id, on);
}

void CRAROvavodizDlg::enableInputs(bool on) {
  for (int id : {IDB_ADD, IDB_SEARCH, IDB_BROWSE, IDL_SOURCES}) enable(id, on);
  enableSaveOptions(on);
  for (UINT cmd : {IDM_FILE_OPEN, IDM_FILE_SEARCH, IDM_FILE_LOG, IDM_FILE_RECOVERY,
                   IDM_FILE_CUSTOMIZE})
    enableMenuItem(cmd, on);
}

void CRAROvavodizDlg::showReadyProgress() {
  setBar(IDP_FILE, 0);
  setBar(IDP_OVERALL, 0);
  setText(IDT_PROGRESS, "Progress Report : Ready");
  setText(IDT_SCAN, "Ready to Scan");
  setText(IDT_PERCENT, " ");
}

int CRAROvavodizDlg::showMessage(const std::string& message, UINT type) {
  return services_.messageBox(window(), message, appName_, type);
}

void CRAROvavodizDlg::log(const std::string& line) const {
  if (logEnabled) AppLog::write(0, 0, line, false);
}

void CRAROvavodizDlg::logError(const std::string& line) const {
  if (logEnabled) AppLog::write(0, 0, line, true);
}

std::string CRAROvavodizDlg::settingsPath() const { return programFolder_ + "config.ini"; }
