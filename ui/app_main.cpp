// The application: OLE for the window's thread, the common controls, the main window and
// its message loop. The process ends when the main window ends.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "mailstore/standard_components.h"
#include "platform/files.h"
#include "ui/key_filter.h"
#include "ui/main_dialog.h"
#include "ui/ui_services.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  if (FAILED(OleInitialize(nullptr))) return 1;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  qm::mail::useStandardComponents();
  int code = 0;
  {
    qm::ui::Win32Services services;
    CRAROvavodizDlg dialog(services, qm::platform::executableFolder());
    HWND window = dialog.create(nullptr, true);
    if (window) code = qm::ui::runDialogLoop(window);
    // Leaving this block stops a run still going and waits for its thread to wind down,
    // which it does at its next stop check.
  }
  OleUninitialize();
  return code;
}
