// A view that passes each call on under the run's gate: once the run is stopped, every
// later call is dropped, one by one, even in the middle of a group of updates.
#pragma once

#include "convert/cancel_token.h"
#include "convert/run_view.h"

namespace qm::convert {

class GuardedView : public RunView {
 public:
  GuardedView(RunView& view, CancelToken& token) : view_(view), token_(token) {}

  void setScanLine(const std::string& text) override { pass([&] { view_.setScanLine(text); }); }
  void setPercentLabel(const std::string& text) override { pass([&] { view_.setPercentLabel(text); }); }
  void setFileBar(int position) override { pass([&] { view_.setFileBar(position); }); }
  void setOverallBar(int position) override { pass([&] { view_.setOverallBar(position); }); }
  void setProgressLine(const std::string& text) override { pass([&] { view_.setProgressLine(text); }); }
  void enableInputs(bool enable) override { pass([&] { view_.enableInputs(enable); }); }
  void setConvertCaption(const std::string& caption) override {
    pass([&] { view_.setConvertCaption(caption); });
  }
  void enableConvert(bool enable) override { pass([&] { view_.enableConvert(enable); }); }
  void uncheckSaveOptions() override { pass([&] { view_.uncheckSaveOptions(); }); }
  void clearRunning() override { pass([&] { view_.clearRunning(); }); }
  void resetControls() override { pass([&] { view_.resetControls(); }); }
  // Shows the box under the gate, then waits for it outside: the wait may take the user's
  // time, and Stop must not wait for that.
  void showMessage(const std::string& text, MessageKind kind) override {
    if (token_.guard([&] { view_.showMessage(text, kind); })) view_.waitForMessage();
  }
  void fileStarted(const FileStart& file) override { pass([&] { view_.fileStarted(file); }); }
  void mailsFound(int count) override { pass([&] { view_.mailsFound(count); }); }
  void mailDone(int index, int count, bool saved) override {
    pass([&] { view_.mailDone(index, count, saved); });
  }
  void fileFinished(const FileReport& report) override { pass([&] { view_.fileFinished(report); }); }

 private:
  template <class Call>
  void pass(Call&& call) {
    token_.guard(call);
  }

  RunView& view_;
  CancelToken& token_;
};

}  // namespace qm::convert
