// The main dialog's window: creation, the dialog procedure, start-up and the reset to the
// ready state. The handlers live in the files named after the parts of the window.
#include "ui/main_dialog.h"

#include <memory>

#include "log/app_log.h"
#include "platform/bytes.h"
#include "platform/text_win.h"
#include "ui/resource_ids.h"
#include "ui/run_session.h"
#include "ui/settings_file.h"
#include "ui/ui_post.h"

using qm::platform::fromWide;
using qm::platform::toWide;

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
  if (hwnd_) DestroyWindow(hwnd_);
  run_.reset();  // waits for the stopped run's thread to wind down
}

HWND CRAROvavodizDlg::create(HWND parent, bool quitOnEnd, bool shown) {
  quitOnEnd_ = quitOnEnd;
  HINSTANCE module = GetModuleHandleW(nullptr);
  const LPARAM self = reinterpret_cast<LPARAM>(this);
  if (shown) return CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_MAIN), parent, dialogProc, self);
  // The extended template with its visible style taken off.
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDD_MAIN), RT_DIALOG);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const auto* bytes = loaded ? static_cast<const std::uint8_t*>(LockResource(loaded)) : nullptr;
  const DWORD size = found ? SizeofResource(module, found) : 0;
  constexpr std::size_t kStyleOffset = 12;  // dlgVer, signature, helpID, exStyle, style
  if (!bytes || size < kStyleOffset + 4) return nullptr;
  std::vector<std::uint8_t> copy(bytes, bytes + size);
  const DWORD style = qm::loadLe32(copy.data() + kStyleOffset) & ~static_cast<DWORD>(WS_VISIBLE);
  for (int i = 0; i < 4; ++i) copy[kStyleOffset + i] = static_cast<std::uint8_t>(style >> (8 * i));
  return CreateDialogIndirectParamW(module, reinterpret_cast<LPCDLGTEMPLATEW>(copy.data()), parent,
                                    dialogProc, self);
}

// Stores the dialog object at WM_INITDIALOG; nothing thrown inside a handler reaches user32.
INT_PTR CALLBACK CRAROvavodizDlg::dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    if (msg == WM_INITDIALOG) {
      auto* self = reinterpret_cast<CRAROvavodizDlg*>(lParam);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, lParam);
      self->hwnd_ = hwnd;
      return self->OnInitDialog();
    }
    auto* self = reinterpret_cast<CRAROvavodizDlg*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return FALSE;
    return self->handleMessage(msg, wParam, lParam);
  } catch (...) {
    return FALSE;
  }
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
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      return qm::ui::paintWhite(reinterpret_cast<HDC>(wParam));
    case qm::ui::kRunTaskMessage: {
      auto task = qm::ui::takeRunTask(lParam);
      if (run_ && run_->isCurrent(static_cast<std::uint32_t>(wParam)) && *task) (*task)();
      return TRUE;
    }
    case WM_DESTROY:
      qm::ui::discardRunTasks(hwnd_);
      return FALSE;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      addList = nullptr;
      if (quitOnEnd_) PostQuitMessage(0);
      return FALSE;
    default:
      return FALSE;
  }
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
    SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
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
    HMENU sys = GetSystemMenu(hwnd_, FALSE);
    wchar_t about[64] = {};
    if (sys && LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, about, 64) > 0) {
      AppendMenuW(sys, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(sys, MF_STRING, IDM_SYS_ABOUT, about);
    }
    qm::ui::setWindowIcons(hwnd_, appIcon.large.get(), appIcon.small.get());
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

void CRAROvavodizDlg::endDialog() {
  if (run_) run_->stop();
  running = false;
  if (hwnd_) DestroyWindow(hwnd_);
}

// Helpers over the controls.

void CRAROvavodizDlg::setText(int id, const std::string& value) {
  SetDlgItemTextW(hwnd_, id, toWide(value).c_str());
}

std::string CRAROvavodizDlg::text(int id) const {
  HWND h = item(id);
  const int n = h ? GetWindowTextLengthW(h) : 0;
  std::wstring buf(static_cast<std::size_t>(n) + 1, L'\0');
  if (n > 0) GetWindowTextW(h, buf.data(), n + 1);
  buf.resize(static_cast<std::size_t>(n));
  return fromWide(buf);
}

void CRAROvavodizDlg::enable(int id, bool on) { EnableWindow(item(id), on ? TRUE : FALSE); }

void CRAROvavodizDlg::check(int id, bool on) {
  SendMessageW(item(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CRAROvavodizDlg::setBar(int id, int position) { SendMessageW(item(id), PBM_SETPOS, position, 0); }

void CRAROvavodizDlg::enableMenuItem(UINT command, bool on) {
  EnableMenuItem(GetMenu(hwnd_), command, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
}

void CRAROvavodizDlg::checkMenuItem(UINT command, bool on) {
  CheckMenuItem(GetMenu(hwnd_), command, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

bool CRAROvavodizDlg::menuItemChecked(UINT command) const {
  return (GetMenuState(GetMenu(hwnd_), command, MF_BYCOMMAND) & MF_CHECKED) != 0;
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
  return services_.messageBox(hwnd_, message, appName_, type);
}

void CRAROvavodizDlg::log(const std::string& line) const {
  if (logEnabled) AppLog::write(0, 0, line, false);
}

void CRAROvavodizDlg::logError(const std::string& line) const {
  if (logEnabled) AppLog::write(0, 0, line, true);
}

std::string CRAROvavodizDlg::settingsPath() const { return programFolder_ + "config.ini"; }
