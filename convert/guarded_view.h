// A view that passes each report on under the run's gate: once the run is stopped, every
// later report is dropped.
#pragma once

#include "convert/cancel_token.h"
#include "convert/run_view.h"

namespace qm::convert {

class GuardedView : public RunView {
 public:
  GuardedView(RunView& view, CancelToken& token) : view_(view), token_(token) {}

  void runStarted(const RunStart& run) override { pass([&] { view_.runStarted(run); }); }
  void fileStarted(const FileStart& file) override { pass([&] { view_.fileStarted(file); }); }
  void mailsFound(int count) override { pass([&] { view_.mailsFound(count); }); }
  void mailDone(const MailDone& mail) override { pass([&] { view_.mailDone(mail); }); }
  void fileFinished(const FileReport& report) override { pass([&] { view_.fileFinished(report); }); }
  // Shows the message under the gate, then waits outside it: the wait may take the user's
  // time, and Stop must not wait for that.
  void message(MessageKind kind, const std::string& text) override {
    if (token_.guard([&] { view_.message(kind, text); })) view_.waitForMessage();
  }
  void runEnded(const RunEnd& end) override { pass([&] { view_.runEnded(end); }); }

 private:
  template <class Call>
  void pass(Call&& call) {
    token_.guard(call);
  }

  RunView& view_;
  CancelToken& token_;
};

}  // namespace qm::convert
