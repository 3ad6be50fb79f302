// The stop signal of one conversion run, shared by the worker, the engine host it supplies
// and the front end that presses Stop.
//
// Besides the flag, the token is the run's gate: every output action, log line and view
// update of the run is made through guard(), under the gate, and stop() takes the gate too
// before it returns. So once stop() has returned the run writes nothing more, logs nothing
// more and changes no control, even if its thread is still winding down.
#pragma once

#include <atomic>
#include <mutex>

namespace qm::convert {

class CancelToken {
 public:
  CancelToken() = default;
  CancelToken(const CancelToken&) = delete;
  CancelToken& operator=(const CancelToken&) = delete;

  // Marks the run stopped, then waits for the action under way, if any, to end. Actions that
  // have not started by then never run. Callable from any thread, also from inside an action
  // of the run itself; idempotent.
  void stop();

  // The stop check: true from the moment stop() is entered. Lock-free; the engine polls it
  // between the blocks of a mail.
  bool stopped() const noexcept { return stopped_.load(std::memory_order_acquire); }

  // Runs `action` under the gate unless the run is stopped; returns whether it ran. Actions
  // may nest (an engine log line written while a mail is being written).
  template <class Action>
  bool guard(Action&& action) {
    std::lock_guard<std::recursive_mutex> lock(gate_);
    if (stopped()) return false;
    action();
    return true;
  }

 private:
  std::atomic<bool> stopped_{false};
  std::recursive_mutex gate_;
};

}  // namespace qm::convert
