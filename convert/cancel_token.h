// The stop signal of one conversion run, shared by the worker, the engine host it supplies
// and the front end that presses Stop.
//
// Besides the flag, the token is the run's gate. Short output actions, log lines and
// reports of the run are made through guard(), under the gate; stop() takes the gate before
// it returns, so once it has returned none of them happens any more. Output that takes long
// and cannot be cut (a mail imported into a store, a store flushed) goes through
// guardLong(), outside the gate: Stop does not wait for it, and once begun it runs to its
// end on the run's thread, which then stops. Either way stop() returns at once, or as soon
// as a short action under way has ended.
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

  // Marks the run stopped, then waits for the short action under way, if any, to end. No
  // action starts after that. Callable from any thread, also from inside an action of the
  // run itself; idempotent.
  void stop();

  // The stop check: true from the moment stop() is entered. Lock-free; the engine polls it
  // between the blocks of a mail.
  bool stopped() const noexcept { return stopped_.load(std::memory_order_acquire); }

  // Runs a short `action` under the gate unless the run is stopped; returns whether it ran.
  // Actions may nest (an engine log line written while a mail is being written).
  template <class Action>
  bool guard(Action&& action) {
    bool ran = false;
    {
      std::lock_guard<std::recursive_mutex> lock(gate_);
      if (!stopped()) {
        Depth depth(*this);
        action();
        ran = true;
      }
    }
    settle();
    return ran;
  }

  // Runs a long `action` outside the gate unless the run is stopped; returns whether it ran.
  // Stop does not wait for it; the run stops once it has ended.
  template <class Action>
  bool guardLong(Action&& action) {
    if (stopped()) {
      settle();
      return false;
    }
    {
      Depth depth(*this);
      action();
    }
    settle();
    return true;
  }

  // The last output action of a stopped run, which leaves a file it was writing complete.
  // It runs once, on the run's own thread: when the run, stopped, next tries an action or
  // ends an action it was in (never inside another action). Replaces the action set before;
  // an empty one clears it. Called on the run's thread; the action must not throw.
  void setStopAction(std::function<void()> action);
  // Runs the stop action now if the run is stopped and in no action (the end of a run).
  void settle() noexcept;

 private:
  struct Depth {
    explicit Depth(CancelToken& t) : token(t) { ++token.depth_; }
    ~Depth() { --token.depth_; }
    CancelToken& token;
  };

  std::atomic<bool> stopped_{false};
  std::recursive_mutex gate_;
  int depth_ = 0;  // actions under way; the run's thread alone reads and writes it
  std::function<void()> stopAction_;  // the run's thread alone touches it
};

}  // namespace qm::convert
