#include "ui/window_run.h"

#include <ole2.h>

#include <chrono>

#include "convert/conversion_worker.h"
#include "convert/output_names.h"
#include "convert/progress.h"
#include "convert/save_option.h"
#include "ui/main_dialog.h"
#include "ui/resource_ids.h"
#include "ui/ui_post.h"

namespace qm::ui {

convert::RunSettings runSettingsOf(const CRAROvavodizDlg& d) {
  convert::RunSettings s;
  for (const auto& row : d.sourceRows()) s.sources.push_back(convert::SourceRow{row.path, row.name});
  s.destinationFolder = d.destinationFolder;
  s.saveOption = d.saveOption;
  s.logEnabled = d.logEnabled;
  s.recoveryMode = d.recoveryMode;
  s.naming.useFileCounter = d.useFileCounter != 0;
  s.naming.fileCounterStart = d.fileCounterStart;
  s.naming.useFolderTag = d.useFolderTag != 0;
  s.naming.folderTag = d.folderTag;
  s.naming.useTypeTag = d.useTypeTag != 0;
  return s;
}

WindowRunView::WindowRunView(CRAROvavodizDlg& dialog, HWND window, std::uint32_t run,
                             convert::CancelToken& token)
    : dialog_(dialog), window_(window), run_(run), token_(token) {}

// The dialog outlives every task that runs: tasks run inside its own window procedure.
template <class Apply>
void WindowRunView::post(Apply apply) {
  CRAROvavodizDlg* d = &dialog_;
  postRunTask(window_, run_, [d, apply = std::move(apply)] { apply(*d); });
}

// The worker's reports as the window shows them.

void WindowRunView::runStarted(const convert::RunStart& run) {
  scale_ = convert::progressScale(run.saveOption);
  post([](CRAROvavodizDlg& d) {
    d.enableInputs(false);
    d.setBar(IDP_FILE, 0);
    d.setBar(IDP_OVERALL, 0);
    d.setText(IDT_PROGRESS, "Progress Report : 0%");
  });
}

void WindowRunView::fileStarted(const convert::FileStart& file) {
  file_ = file;
  const std::string line = convert::cutForScanLine("Preparing to Scan File : " + file.fileName);
  post([line](CRAROvavodizDlg& d) {
    d.setBar(IDP_FILE, 0);
    d.setText(IDT_SCAN, line);
  });
}

void WindowRunView::mailsFound(int) {
  const std::string line = convert::cutForScanLine("Scanning File : " + file_.baseName + ".dbx");
  post([line](CRAROvavodizDlg& d) { d.setText(IDT_SCAN, line); });
}

void WindowRunView::mailDone(const convert::MailDone& mail) {
  // A mail the mode could not take up leaves the bars where the one before put them.
  if (mail.result == convert::MailResult::Skipped) return;
  const int file = convert::filePercent(mail.index, mail.count, scale_);
  const int overall = convert::overallPercent(mail.index, mail.count, scale_, file_.index, file_.count);
  post([file, overall](CRAROvavodizDlg& d) {
    d.setBar(IDP_FILE, file);
    d.setText(IDT_PERCENT, std::to_string(file) + " %");
    d.setBar(IDP_OVERALL, overall);
    d.setText(IDT_PROGRESS, "Progress Report : " + std::to_string(overall) + "%");
  });
}

void WindowRunView::fileFinished(const convert::FileReport& report) {
  const int overall = convert::filesDonePercent(report.index, file_.count);
  post([overall](CRAROvavodizDlg& d) {
    d.setBar(IDP_FILE, 100);
    d.setText(IDT_PERCENT, " ");
    d.setBar(IDP_OVERALL, overall);
    d.setText(IDT_PROGRESS, "Progress Report : " + std::to_string(overall) + "%");
  });
}

void WindowRunView::message(convert::MessageKind kind, const std::string& text) {
  // A task that is dropped (its run stopped, the window gone) breaks the promise, which
  // also ends the wait.
  auto closed = std::make_shared<std::promise<void>>();
  messageClosed_ = closed->get_future();
  const UINT type = kind == convert::MessageKind::Notice ? MB_OK | MB_ICONINFORMATION : MB_OK;
  post([text, type, closed](CRAROvavodizDlg& d) {
    d.showMessage(text, type);
    closed->set_value();
  });
}

void WindowRunView::runEnded(const convert::RunEnd& end) {
  if (end.outcome != convert::RunEnd::Outcome::Completed) {
    post([](CRAROvavodizDlg& d) { d.resetControls(); });
    return;
  }
  // The window is usable again before the completion box; after it, a new output kind
  // must be chosen before the next run.
  post([text = end.completionMessage()](CRAROvavodizDlg& d) {
    d.setText(IDT_SCAN, "Scan Complete");
    d.setText(IDT_PROGRESS, "Progress Report : 100%");
    d.setBar(IDP_FILE, 100);
    d.setBar(IDP_OVERALL, 100);
    d.enableInputs(true);
    d.setText(IDB_CONVERT, "&Convert");
    d.running = false;
    d.showMessage(text, MB_OK);
    for (int id : {IDR_SAVE_DBX, IDR_SAVE_EML, IDR_SAVE_PST, IDR_SAVE_MSG, IDR_SAVE_RTF}) d.check(id, false);
    d.enable(IDB_CONVERT, false);
    d.showReadyProgress();
  });
}

void WindowRunView::waitForMessage() {
  using namespace std::chrono_literals;
  if (!messageClosed_.valid()) return;
  while (messageClosed_.wait_for(20ms) != std::future_status::ready)
    if (token_.stopped()) return;
  messageClosed_ = {};
}

RunSession::Body windowRunBody(CRAROvavodizDlg& dialog) {
  auto settings = std::make_shared<convert::RunSettings>(runSettingsOf(dialog));
  HWND window = dialog.window();
  std::function<bool()> initializeOle = dialog.initializeRunOle;
  return [&dialog, window, settings, initializeOle](std::uint32_t run, convert::CancelToken& token) {
    WindowRunView view(dialog, window, run, token);
    if (!initializeOle || !initializeOle()) {
      // No run without COM: the window goes back to its ready state.
      token.guard([&] { view.runEnded({convert::RunEnd::Outcome::Failed, {}, "OleInitialize failed"}); });
      return;
    }
    {
      convert::SettingsInput input(*settings);
      convert::ConversionWorker(input, view, token).run();
    }
    OleUninitialize();
  };
}

}  // namespace qm::ui
