#include "ui/run_session.h"

#include <system_error>

namespace qm::ui {

namespace {

// Identities are unique in the process, so that no window can take another's run for its own.
std::uint32_t newRunIdentity() {
  static std::atomic<std::uint32_t> last{0};
  std::uint32_t run = ++last;
  while (run == 0) run = ++last;  // 0 is never a run
  return run;
}

}  // namespace

bool RunSession::start(Body body) {
  stop();
  const std::uint32_t run = newRunIdentity();
  try {
    threads_.start([body = std::move(body), run](convert::CancelToken& token) {
      try {
        body(run, token);
      } catch (...) {
      }
    });
  } catch (const std::system_error&) {
    return false;
  }
  current_ = run;
  return true;
}

void RunSession::stop() {
  threads_.stop();
  current_ = 0;
}

}  // namespace qm::ui
