#include "tests/ui/window_fixture.h"

#include "platform/files.h"
#include "platform/text_win.h"
#include "tests/support/files.h"

namespace qm::test {

std::optional<std::string> FakeServices::chooseDbxFile(HWND) {
  if (files.empty()) return std::nullopt;
  auto answer = files.front();
  files.pop_front();
  return answer;
}

std::optional<std::string> FakeServices::chooseFolder(HWND, const std::string& title) {
  lastFolderTitle = title;
  if (folders.empty()) return std::nullopt;
  auto answer = folders.front();
  folders.pop_front();
  return answer;
}

int FakeServices::messageBox(HWND, const std::string& text, const std::string& caption, UINT type) {
  boxes.push_back(Box{text, caption, type});
  return (type & MB_TYPEMASK) == MB_YESNO ? yesNoAnswer : IDOK;
}

bool FakeServices::openDocument(HWND, const std::string& path) {
  opened.push_back(path);
  return openSucceeds;
}

void FakeServices::runSearchDialog(CRAROvavodizDlg& dialog) {
  ++searchDialogs;
  if (onSearch) onSearch(dialog);
}

ui::NamingChoice FakeServices::runNamingDialog(CRAROvavodizDlg& dialog) {
  ++namingDialogs;
  if (onNaming) return onNaming(dialog);
  return ui::NamingChoice::Cancelled;
}

std::string sampleStore() {
  const std::string bundled = std::string(QM_SOURCE_DIR) + "/samples/Sample.dbx";
  if (platform::fileExists(bundled)) return bundled;
  return sharedFile("samples/real/Posteingang.dbx");
}

void WindowTest::SetUp() {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
}

void WindowTest::TearDown() { closeWindowObject(); }

void WindowTest::closeWindowObject() {
  dialog.reset();  // waits for any run's thread
  pump();
  hwnd = nullptr;
}

void WindowTest::writeSettings(bool log, bool recovery, bool customize) {
  writeFile(dir.file("config.ini"), std::string("Log = ") + (log ? "1" : "0") + "\r\nRecovery = " +
                                        (recovery ? "1" : "0") + "\r\nCustomize = " +
                                        (customize ? "1" : "0") + "\r\n");
}

void WindowTest::openWindow() {
  dialog = std::make_unique<CRAROvavodizDlg>(services, programFolder());
  hwnd = dialog->create(nullptr, false, false);
  ASSERT_NE(hwnd, nullptr);
  pump();
}

std::string WindowTest::text(int id) const {
  wchar_t buf[1024] = {};
  GetWindowTextW(control(id), buf, 1024);
  return platform::fromWide(buf);
}

bool WindowTest::checked(int id) const {
  return SendMessageW(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool WindowTest::menuEnabled(UINT command) const {
  return (GetMenuState(GetMenu(hwnd), command, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
}

bool WindowTest::menuChecked(UINT command) const {
  return (GetMenuState(GetMenu(hwnd), command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void WindowTest::click(int id) {
  press(id);
  pump();
}

void WindowTest::press(int id) { SendMessageW(control(id), BM_CLICK, 0, 0); }

void WindowTest::menu(UINT command) {
  SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(command, 0), 0);
  pump();
}

void WindowTest::moveMouse(int x, int y) { SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }

namespace {
bool dispatchOne() {
  MSG msg;
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  return true;
}
}  // namespace

// Bounded: a running worker posts as fast as the window takes its tasks.
void WindowTest::pump() {
  for (int i = 0; i < 1000 && dispatchOne(); ++i) {
  }
}

bool WindowTest::pumpUntil(const std::function<bool()>& done, int milliseconds) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > static_cast<DWORD>(milliseconds)) return false;
    if (!dispatchOne()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

int WindowTest::rows() const {
  return static_cast<int>(SendMessageW(control(IDL_SOURCES), LVM_GETITEMCOUNT, 0, 0));
}

std::string WindowTest::cell(int row, int column) const {
  wchar_t buf[1024] = {};
  LVITEMW it{};
  it.iSubItem = column;
  it.pszText = buf;
  it.cchTextMax = 1024;
  SendMessageW(control(IDL_SOURCES), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&it));
  return platform::fromWide(buf);
}

void WindowTest::selectRow(int row) {
  LVITEMW it{};
  it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  it.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(control(IDL_SOURCES), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&it));
}

void WindowTest::pressDelete() {
  SendMessageW(control(IDL_SOURCES), WM_KEYDOWN, VK_DELETE, 0);
  pump();
}

void WindowTest::add(const std::string& path) {
  services.files.push_back(path);
  click(IDB_ADD);
}

void WindowTest::browse(const std::string& folder) {
  services.folders.push_back(folder);
  click(IDB_BROWSE);
}

std::string WindowTest::storeCopy(const std::string& name) const {
  const std::string path = dir.file(name);
  writeFile(path, readFile(sampleStore()));
  return path;
}

namespace {
std::vector<std::string> entries(const std::string& path) {
  std::vector<std::string> out;
  const std::string prefix = "Code:0  Error:0  MSG:";
  for (const auto& line : readLines(path))
    if (line.rfind(prefix, 0) == 0) out.push_back(line.substr(prefix.size()));
  return out;
}
}  // namespace

std::vector<std::string> WindowTest::execLog() const {
  return entries(dir.file("Log Files\\ExecLog.log"));
}

std::vector<std::string> WindowTest::errorLog() const {
  return entries(dir.file("Log Files\\ErrorLog.log"));
}

}  // namespace qm::test
