// The conversion runs started from the main window. Each run has an identity and a stop
// token of its own; the worker reaches the window only through tasks posted with that
// identity, so once a run is stopped nothing it does shows any more, even while its thread
// winds down. The window's thread never waits for a worker, except when the window object
// itself goes away.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "convert/cancel_token.h"

namespace qm::ui {

class RunSession {
 public:
  // What a worker thread runs: the run's identity and its stop token.
  using Body = std::function<void(std::uint32_t run, convert::CancelToken& token)>;

  RunSession() = default;
  // Stops the current run and waits for every thread started here to end.
  ~RunSession();
  RunSession(const RunSession&) = delete;
  RunSession& operator=(const RunSession&) = delete;

  // Starts body on a new thread as the current run; false when no thread could be started.
  bool start(Body body);
  // Ends the current run at once: its stop token is set and its posted tasks are dropped.
  void stop();
  // True for the identity of the current, unstopped run.
  bool isCurrent(std::uint32_t run) const { return run != 0 && run == current_; }
  // True while the thread of the current run has not finished.
  bool busy() const;

 private:
  struct Worker {
    std::uint32_t run = 0;
    std::shared_ptr<convert::CancelToken> token;
    std::shared_ptr<std::atomic<bool>> finished;
    std::thread thread;
  };
  void reapFinished();

  std::uint32_t current_ = 0;
  std::uint32_t lastRun_ = 0;
  std::vector<Worker> workers_;
};

}  // namespace qm::ui
