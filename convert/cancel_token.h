// The stop signal of one conversion run, shared by the worker, the engine host it supplies
// and the front end that presses Stop.
//
// Besides the flag, the token is the run's gate: every output action, log line and view
// update of the run is made through guard(), under the gate, and stop() takes the gate too
// before it returns. So once stop() has returned the run writes nothing more, logs nothing
// more and changes no control, even if its thread is still winding down.
#pragma once

#include <atomic>
#include <functional>
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
    {
      Depth depth(*this);
      action();
    }
    if (depth_ == 0 && stopped()) runStopAction();
    return true;
  }

  // The last output action of a stopped run: it runs under the gate once, when Stop is
  // handled, before stop() returns (or, when Stop came from inside an action, as soon as
  // that action has ended). Used to leave a file the run was writing complete. Replaces
  // the action set before; an empty one clears it. The action must not throw.
  void setStopAction(std::function<void()> action);

 private:
  struct Depth {
    explicit Depth(CancelToken& t) : token(t) { ++token.depth_; }
    ~Depth() { --token.depth_; }
    CancelToken& token;
  };
  void runStopAction() noexcept;

  std::atomic<bool> stopped_{false};
  std::recursive_mutex gate_;
  int depth_ = 0;  // actions under way; read and written under the gate only
  std::function<void()> stopAction_;
};

}  // namespace qm::convert
