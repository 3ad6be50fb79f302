#include "convert/cancel_token.h"

namespace qm::convert {

void CancelToken::stop() {
  stopped_.store(true, std::memory_order_release);
  // A short action that took the gate before the flag was set finishes first; every later
  // one sees the flag under the gate and does nothing. A long action is not waited for.
  std::lock_guard<std::recursive_mutex> lock(gate_);
}

void CancelToken::setStopAction(std::function<void()> action) {
  stopAction_ = std::move(action);
  settle();
}

void CancelToken::settle() noexcept {
  if (depth_ != 0 || !stopped() || !stopAction_) return;
  std::function<void()> action = std::move(stopAction_);
  stopAction_ = nullptr;
  try {
    action();
  } catch (...) {
    // Nothing may be reported once the run is stopped; the file keeps its last state.
  }
}

}  // namespace qm::convert
