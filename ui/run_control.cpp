// Convert and Stop: one button whose caption is the run state the user sees.
#include "log/app_log.h"
#include "ui/main_dialog.h"
#include "ui/resource_ids.h"
#include "ui/run_session.h"
#include "ui/window_run.h"

void CRAROvavodizDlg::OnRecoverbutton() {
  try {
    log("In CRAROvavodizDlg::OnRecoverbutton()");
    const std::string caption = text(IDB_CONVERT);
    if (caption == "&Convert") {
      if (customizeNames) services_.runNamingDialog(*this);
      if (!running) {
        running = true;
        // Nothing the run reads may change from here on, also while its thread still waits
        // for a stopped run to wind down.
        enableInputs(false);
        startRun();
      }
      running = true;
      setText(IDB_CONVERT, "&Stop");
    } else if (caption == "&Stop") {
      running = false;
      setText(IDB_CONVERT, "&Convert");
      stopRun();
      resetControls();
      log("Thread stopped successfully by user");
    }
    log("Succeeded CRAROvavodizDlg::OnRecoverbutton()");
  } catch (...) {
    log("Exception in CRAROvavodizDlg::OnRecoverbutton()");
  }
}

void CRAROvavodizDlg::startRun() {
  if (!run_) run_ = std::make_unique<qm::ui::RunSession>(launchRunThread);
  if (run_->start(qm::ui::windowRunBody(*this))) {
    log("Thread created successfully");
    return;
  }
  // The window stays in the running state with its controls usable; Stop leaves it.
  logError("Error Creating thread");
  enableInputs(true);
}

void CRAROvavodizDlg::stopRun() {
  if (run_) run_->stop();
}
