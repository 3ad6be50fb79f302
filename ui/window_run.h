// A conversion run seen from the main window: the run reads a copy of the window's choices
// taken when Convert is pressed, and each of its reports reaches the window as a task
// posted with the run's identity, which turns it into the window's bars, texts and boxes.
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

// The worker's view of the main window. Each report posts one task to the window's thread;
// the window runs it only while this run is still the current one. The view keeps what the
// bars are computed from (the scale, the current file), on the worker's thread.
class WindowRunView : public convert::RunView {
 public:
  WindowRunView(CRAROvavodizDlg& dialog, HWND window, std::uint32_t run,
                convert::CancelToken& token);

  void runStarted(const convert::RunStart& run) override;
  void fileStarted(const convert::FileStart& file) override;
  void mailsFound(int count) override;
  void mailDone(const convert::MailDone& mail) override;
  void fileFinished(const convert::FileReport& report) override;
  void message(convert::MessageKind kind, const std::string& text) override;
  // Returns when the box has been closed, or at once when the run is stopped.
  void waitForMessage() override;
  void runEnded(const convert::RunEnd& end) override;

 private:
  template <class Apply>
  void post(Apply apply);

  CRAROvavodizDlg& dialog_;
  HWND window_;
  std::uint32_t run_;
  convert::CancelToken& token_;
  std::future<void> messageClosed_;
  int scale_ = 100;
  convert::FileStart file_;
};

// What the worker thread of a run started from this window does.
RunSession::Body windowRunBody(CRAROvavodizDlg& dialog);

}  // namespace qm::ui
