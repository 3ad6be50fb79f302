#include "ui/window_run.h"

#include <ole2.h>

#include <chrono>

#include "convert/conversion_worker.h"
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

void WindowRunView::setScanLine(const std::string& text) {
  post([text](CRAROvavodizDlg& d) { d.setText(IDT_SCAN, text); });
}

void WindowRunView::setPercentLabel(const std::string& text) {
  post([text](CRAROvavodizDlg& d) { d.setText(IDT_PERCENT, text); });
}

void WindowRunView::setFileBar(int position) {
  post([position](CRAROvavodizDlg& d) { d.setBar(IDP_FILE, position); });
}

void WindowRunView::setOverallBar(int position) {
  post([position](CRAROvavodizDlg& d) { d.setBar(IDP_OVERALL, position); });
}

void WindowRunView::setProgressLine(const std::string& text) {
  post([text](CRAROvavodizDlg& d) { d.setText(IDT_PROGRESS, text); });
}

void WindowRunView::enableInputs(bool enable) {
  post([enable](CRAROvavodizDlg& d) { d.enableInputs(enable); });
}

void WindowRunView::setConvertCaption(const std::string& caption) {
  post([caption](CRAROvavodizDlg& d) { d.setText(IDB_CONVERT, caption); });
}

void WindowRunView::enableConvert(bool enable) {
  post([enable](CRAROvavodizDlg& d) { d.enable(IDB_CONVERT, enable); });
}

void WindowRunView::uncheckSaveOptions() {
  post([](CRAROvavodizDlg& d) {
    for (int id : {IDR_SAVE_DBX, IDR_SAVE_EML, IDR_SAVE_PST, IDR_SAVE_MSG, IDR_SAVE_RTF})
      d.check(id, false);
  });
}

void WindowRunView::clearRunning() {
  post([](CRAROvavodizDlg& d) { d.running = false; });
}

void WindowRunView::resetControls() {
  post([](CRAROvavodizDlg& d) { d.resetControls(); });
}

void WindowRunView::showMessage(const std::string& text, convert::MessageKind kind) {
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
  return [&dialog, window, settings](std::uint32_t run, convert::CancelToken& token) {
    if (FAILED(OleInitialize(nullptr))) return;
    {
      convert::SettingsInput input(*settings);
      WindowRunView view(dialog, window, run, token);
      convert::ConversionWorker(input, view, token).run();
    }
    OleUninitialize();
  };
}

}  // namespace qm::ui
