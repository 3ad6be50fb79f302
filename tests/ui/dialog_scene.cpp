// Puts one of the main window's dialogs on the screen over the window, filled in the way a
// user would see it, for scripts/screenshot.sh: dialog_scene search | saveas.
// "search" makes a small tree of stores in the temporary folder, searches it and checks two
// rows; "saveas" opens the naming dialog for a PST run. The program ends after a minute.
#include <windows.h>
#include <commctrl.h>

#include <cwchar>
#include <memory>

#include "platform/files.h"
#include "platform/text_win.h"
#include "ui/main_dialog.h"
#include "ui/save_as_dialog.h"
#include "ui/search_files_dialog.h"
#include "ui/search_files_ids.h"

namespace {

// Answers the folder browser with the prepared tree; everything else as the application.
class SceneServices : public qm::ui::Win32Services {
 public:
  std::string folder;
  std::optional<std::string> chooseFolder(HWND, const std::string&) override { return folder; }
};

void writeBytes(const std::string& path, std::size_t size) {
  if (std::FILE* f = qm::platform::openFile(path, "wb")) {
    const std::string bytes(size, '\0');
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

std::string makeStores() {
  const std::string root = qm::platform::tempFolder() + "Quillmend scene";
  const std::string stores = root + "\\Outlook Express";
  for (const std::string& dir : {root, stores, root + "\\Archive 2007", root + "\\RECYCLER"})
    qm::platform::createDirectory(dir);
  writeBytes(stores + "\\Inbox.dbx", 2'483'712);
  writeBytes(stores + "\\Sent Items.dbx", 911'360);
  writeBytes(stores + "\\Deleted Items.dbx", 143'360);
  writeBytes(stores + "\\Folders.dbx", 20'480);
  writeBytes(root + "\\Archive 2007\\Inbox.dbx", 5'120'000);
  writeBytes(root + "\\RECYCLER\\Old.dbx", 4'096);
  return root;
}

void pumpFor(DWORD milliseconds) {
  const DWORD until = GetTickCount() + milliseconds;
  MSG msg;
  while (GetTickCount() < until) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

void checkRow(HWND list, int row) {
  LVITEMW it{};
  it.stateMask = LVIS_STATEIMAGEMASK;
  it.state = INDEXTOSTATEIMAGEMASK(2);
  SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&it));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring scene = argv[1];
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  SceneServices services;
  CRAROvavodizDlg main(services, qm::platform::executableFolder());
  if (!main.create(nullptr, false)) return 1;
  pumpFor(500);

  std::unique_ptr<qm::ui::DialogWindow> shown;
  if (scene == L"search") {
    services.folder = makeStores();
    auto search = std::make_unique<CSearchFilesDlg>(main, services);
    HWND dlg = search->create();
    ShowWindow(dlg, SW_SHOW);
    SendMessageW(GetDlgItem(dlg, IDB_SEARCH_BROWSE), BM_CLICK, 0, 0);
    SendMessageW(GetDlgItem(dlg, IDB_SEARCH_START), BM_CLICK, 0, 0);
    for (int i = 0; i < 100 && !IsWindowEnabled(GetDlgItem(dlg, IDB_SEARCH_FINISH)); ++i) pumpFor(50);
    checkRow(GetDlgItem(dlg, IDL_FOUND), 0);
    checkRow(GetDlgItem(dlg, IDL_FOUND), 2);
    shown = std::move(search);
  } else if (scene == L"saveas") {
    main.destinationFolder = "C:\\Mail\\Tarnwick_Converted_DBX_(DATE=3-7-2010)_(TIME=14hr.5m.9s)";
    main.saveOption = qm::convert::SAVEASPST;
    auto naming = std::make_unique<CSaveAsDlg>(main, services);
    ShowWindow(naming->create(), SW_SHOW);
    shown = std::move(naming);
  } else {
    return 2;
  }
  pumpFor(60'000);
  return 0;
}
