#include "convert/cancel_token.h"

namespace qm::convert {

void CancelToken::stop() {
  stopped_.store(true, std::memory_order_release);
  // An action that took the gate before the flag was set finishes first; every later one
  // sees the flag under the gate and does nothing.
  std::lock_guard<std::recursive_mutex> lock(gate_);
  if (depth_ == 0) runStopAction();
}

void CancelToken::setStopAction(std::function<void()> action) {
  std::lock_guard<std::recursive_mutex> lock(gate_);
  stopAction_ = std::move(action);
  if (stopAction_ && stopped() && depth_ == 0) runStopAction();
}

void CancelToken::runStopAction() noexcept {
  std::function<void()> action = std::move(stopAction_);
  stopAction_ = nullptr;
  if (!action) return;
  try {
    action();
  } catch (...) {
    // Nothing may be reported once the run is stopped; the file keeps its last state.
  }
}

}  // namespace qm::convert
