// The services a run offers its stages and its output modes. Everything that leaves the
// run (a log line, a view update, a message box, a file written or deleted) goes through
// the run's gate, so none of it happens once Stop has been handled.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "convert/cancel_token.h"
#include "convert/guarded_view.h"
#include "convert/run_environment.h"
#include "convert/run_view.h"
#include "engine/engine_host.h"

namespace qm::convert {

class RunContext {
 public:
  RunContext(RunView& view, CancelToken& token, bool logEnabled, const RunEnvironment& env);
  RunContext(const RunContext&) = delete;
  RunContext& operator=(const RunContext&) = delete;

  // The stop check.
  bool stopped() const { return token_.stopped(); }
  bool logEnabled() const { return logEnabled_; }
  const RunEnvironment& environment() const { return env_; }

  // A line for the execution log or the error log, written only while logging is on.
  void log(const std::string& text);
  void logError(const std::string& text);
  // The last line the run wrote to the error log, or would have with logging on.
  const std::string& lastError() const { return lastError_; }

  // Reports to the run's view: `report(view)`, each call on the view made under the gate
  // on its own.
  template <class Report>
  void show(Report&& report) {
    report(view_);
  }
  // Tells the user something (a message box in the window) and waits until it was read.
  void showMessage(const std::string& text, MessageKind kind) { view_.message(kind, text); }

  // Runs a short output action (a file written, copied or deleted) under the gate; false
  // when the run is stopped and the action did not run.
  template <class Action>
  bool output(Action&& action) {
    return token_.guard(std::forward<Action>(action));
  }
  // Runs an output action that may take long and cannot be cut (a mail imported into a
  // store, a store flushed): Stop does not wait for it, and once begun it runs to its end
  // on the run's thread. False when the run is stopped and the action did not run.
  template <class Action>
  bool longOutput(Action&& action) {
    return token_.guardLong(std::forward<Action>(action));
  }

  // Deletes the temporary .eml file mail `index` went through, once the mode has taken it
  // in; a file that cannot be deleted is logged and left. False when the run is stopped.
  bool dropTemporaryMail(const std::string& emlPath, int index);

  // The action that completes what the run is writing when it is stopped; it runs on the
  // run's thread once the action under way has ended (see CancelToken::setStopAction). An
  // empty one clears it.
  void atStop(std::function<void()> action) { token_.setStopAction(std::move(action)); }

  // The host the run's engine reports through: its lines and boxes go the run's way, and
  // it ends a mail between two blocks when the run is stopped.
  EngineHost& engineHost() { return engineHost_; }

 private:
  class Host : public EngineHost {
   public:
    explicit Host(RunContext& run) : run_(run) {}
    void showMessage(const std::string& text) override;
    void writeLog(const std::string& text, bool toErrorLog) override;
    bool stopRequested() override { return run_.stopped(); }

   private:
    RunContext& run_;
  };

  void write(const std::string& text, bool toErrorLog);

  CancelToken& token_;
  GuardedView view_;
  bool logEnabled_;
  std::string lastError_;
  RunEnvironment env_;
  Host engineHost_{*this};
};

}  // namespace qm::convert
