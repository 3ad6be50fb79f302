#include "ui/run_session.h"

#include <system_error>

namespace qm::ui {

RunSession::~RunSession() {
  stop();
  for (Worker& w : workers_) {
    w.token->stop();
    if (w.thread.joinable()) w.thread.join();
  }
}

bool RunSession::start(Body body) {
  reapFinished();
  stop();
  Worker w;
  w.run = ++lastRun_ == 0 ? ++lastRun_ : lastRun_;
  w.token = std::make_shared<convert::CancelToken>();
  w.finished = std::make_shared<std::atomic<bool>>(false);
  try {
    w.thread = std::thread([body = std::move(body), run = w.run, token = w.token, done = w.finished] {
      try {
        body(run, *token);
      } catch (...) {
      }
      done->store(true);
    });
  } catch (const std::system_error&) {
    return false;
  }
  current_ = w.run;
  workers_.push_back(std::move(w));
  return true;
}

void RunSession::stop() {
  for (Worker& w : workers_)
    if (w.run == current_) w.token->stop();
  current_ = 0;
}

bool RunSession::busy() const {
  for (const Worker& w : workers_)
    if (w.run == current_ && !w.finished->load()) return true;
  return false;
}

// Threads that have ended are joined (at once: they have nothing left to do).
void RunSession::reapFinished() {
  for (auto it = workers_.begin(); it != workers_.end();) {
    if (it->finished->load()) {
      if (it->thread.joinable()) it->thread.join();
      it = workers_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace qm::ui
