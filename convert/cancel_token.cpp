#include "convert/cancel_token.h"

namespace qm::convert {

void CancelToken::stop() {
  stopped_.store(true, std::memory_order_release);
  // An action that took the gate before the flag was set finishes first; every later one
  // sees the flag under the gate and does nothing.
  std::lock_guard<std::recursive_mutex> lock(gate_);
}

}  // namespace qm::convert
