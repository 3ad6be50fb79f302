#include "ui/run_session.h"

#include <system_error>

namespace qm::ui {

bool RunSession::start(Body body) {
  stop();
  if (++lastRun_ == 0) ++lastRun_;  // 0 is never a run
  const std::uint32_t run = lastRun_;
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
