// The conversion runs started from the main window. Each run has an identity of its own;
// the worker reaches the window only through tasks posted with that identity, and the
// window drops the tasks of any run but the current one, so once a run is stopped nothing
// it does shows any more, even while its thread winds down. The window's thread never
// waits for a worker, except when the window object itself goes away.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "convert/cancel_token.h"
#include "convert/run_thread.h"

namespace qm::ui {

class RunSession {
 public:
  // What a worker thread runs: the run's identity and its stop token.
  using Body = std::function<void(std::uint32_t run, convert::CancelToken& token)>;

  // An empty launcher starts plain threads.
  explicit RunSession(convert::RunThread::Launcher launcher = {}) : threads_(std::move(launcher)) {}

  // Starts body on a new thread as the current run (after any stopped run's thread has
  // wound down, on that new thread); false when no thread could be started, and the
  // runs before are left as they were.
  bool start(Body body);
  // Ends the current run at once: once this returns, the run shows nothing more; its thread
  // winds down on its own, completing the file it was writing.
  void stop();
  // True for the identity of the current, unstopped run.
  bool isCurrent(std::uint32_t run) const { return run != 0 && run == current_; }

 private:
  std::uint32_t current_ = 0;
  convert::RunThread threads_;  // last member: stops and joins the run first when destroyed
};

}  // namespace qm::ui
