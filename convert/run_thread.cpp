#include "convert/run_thread.h"

namespace qm::convert {

RunThread::~RunThread() {
  stop();
  join();
}

std::shared_ptr<CancelToken> RunThread::start(Work work) {
  auto token = std::make_shared<CancelToken>();
  std::lock_guard<std::mutex> lock(mutex_);
  std::thread previous = std::move(last_);
  last_ = std::thread([previous = std::move(previous), token, work = std::move(work)]() mutable {
    if (previous.joinable()) previous.join();
    work(*token);
  });
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
  std::thread last;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    last = std::move(last_);
  }
  if (last.joinable()) last.join();
}

}  // namespace qm::convert
