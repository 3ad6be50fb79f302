// A conversion run seen from the main window: the run reads a copy of the window's choices
// taken when Convert is pressed, and every update it makes reaches the window as a task
// posted with the run's identity.
#pragma once

#include <windows.h>

#include <cstdint>
#include <future>
#include <memory>
#include <string>

#include "convert/cancel_token.h"
#include "convert/run_input.h"
#include "convert/run_view.h"
#include "ui/run_session.h"

class CRAROvavodizDlg;

namespace qm::ui {

// The window's choices for a run: source rows, destination, output kind, Log and Recovery,
// and the output naming.
convert::RunSettings runSettingsOf(const CRAROvavodizDlg& dialog);

// The worker's view of the main window. Each call posts a task to the window's thread;
// the window runs it only while this run is still the current one.
class WindowRunView : public convert::RunView {
 public:
  WindowRunView(CRAROvavodizDlg& dialog, HWND window, std::uint32_t run,
                convert::CancelToken& token);

  void setScanLine(const std::string& text) override;
  void setPercentLabel(const std::string& text) override;
  void setFileBar(int position) override;
  void setOverallBar(int position) override;
  void setProgressLine(const std::string& text) override;
  void enableInputs(bool enable) override;
  void setConvertCaption(const std::string& caption) override;
  void enableConvert(bool enable) override;
  void uncheckSaveOptions() override;
  void clearRunning() override;
  void resetControls() override;
  void showMessage(const std::string& text, convert::MessageKind kind) override;
  // Returns when the box has been closed, or at once when the run is stopped.
  void waitForMessage() override;

 private:
  template <class Apply>
  void post(Apply apply);

  CRAROvavodizDlg& dialog_;
  HWND window_;
  std::uint32_t run_;
  convert::CancelToken& token_;
  std::future<void> messageClosed_;
};

// What the worker thread of a run started from this window does.
RunSession::Body windowRunBody(CRAROvavodizDlg& dialog);

}  // namespace qm::ui
