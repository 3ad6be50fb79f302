// Runs conversions on a worker thread, one at a time, so that a front end never waits for
// one: Stop returns as soon as the run can change nothing more, and a run started right
// after it waits, on its own thread, for the stopped one to wind down first (the engine's
// block table serves one run at a time).
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "convert/cancel_token.h"

namespace qm::convert {

class RunThread {
 public:
  using Work = std::function<void(CancelToken& token)>;
  // Starts a thread running `body`; throws std::system_error when none can be started.
  using Launcher = std::function<std::thread(std::function<void()> body)>;

  // An empty launcher starts plain std::threads; tests hand in one that fails.
  explicit RunThread(Launcher launcher = {});
  // Stops the current run and waits for every thread started here to end.
  ~RunThread();
  RunThread(const RunThread&) = delete;
  RunThread& operator=(const RunThread&) = delete;

  // Starts `work` on a new thread with a new token and returns that token; the front end
  // keeps it to drop updates that arrive after it has stopped the run. Throws
  // std::system_error when no thread can be started; the runs started before are then
  // left as they were.
  std::shared_ptr<CancelToken> start(Work work);
  // Stops the current run (CancelToken::stop); returns without waiting for its thread.
  void stop();
  // Waits until the last started run has ended (the command line and tests).
  void join();

 private:
  Launcher launcher_;
  std::mutex mutex_;
  std::shared_ptr<std::thread> last_;
  std::shared_ptr<CancelToken> token_;
};

}  // namespace qm::convert
