#include "convert/run_thread.h"

namespace qm::convert {

RunThread::RunThread(Launcher launcher) : launcher_(std::move(launcher)) {
  if (!launcher_) launcher_ = [](std::function<void()> body) { return std::thread(std::move(body)); };
}

RunThread::~RunThread() {
  stop();
  join();
}

std::shared_ptr<CancelToken> RunThread::start(Work work) {
  auto token = std::make_shared<CancelToken>();
  std::lock_guard<std::mutex> lock(mutex_);
  // The new thread joins the previous one before it begins; the previous one stays held
  // here until the new thread exists, so that a failed start leaves it joinable by join().
  std::shared_ptr<std::thread> previous = last_;
  auto next = std::make_shared<std::thread>(launcher_([previous, token, work = std::move(work)] {
    if (previous && previous->joinable()) previous->join();
    work(*token);
  }));
  last_ = std::move(next);
  token_ = token;
  return token;
}

void RunThread::stop() {
  std::shared_ptr<CancelToken> token;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    token = token_;
  }
  if (token) token->stop();
}

void RunThread::join() {
  std::shared_ptr<std::thread> last;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    last = std::move(last_);
  }
  if (last && last->joinable()) last->join();
}

}  // namespace qm::convert
