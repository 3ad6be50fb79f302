#include "convert/cancel_token.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "convert/run_thread.h"

namespace qm::convert {
namespace {

using namespace std::chrono_literals;

TEST(CancelToken, ActionsRunUntilStoppedAndNeverAfter) {
  CancelToken token;
  int runs = 0;
  EXPECT_TRUE(token.guard([&] { ++runs; }));
  EXPECT_FALSE(token.stopped());
  token.stop();
  EXPECT_TRUE(token.stopped());
  EXPECT_FALSE(token.guard([&] { ++runs; }));
  token.stop();
  EXPECT_EQ(runs, 1);
}

TEST(CancelToken, StopFromInsideAnActionOfTheRunDropsTheRestWithoutDeadlock) {
  CancelToken token;
  int inner = 0;
  token.guard([&] {
    token.stop();
    EXPECT_FALSE(token.guard([&] { ++inner; }));
  });
  EXPECT_EQ(inner, 0);
}

TEST(CancelToken, StopWaitsForTheActionUnderWayToFinish) {
  CancelToken token;
  std::atomic<bool> entered{false}, finished{false};
  std::thread worker([&] {
    token.guard([&] {
      entered = true;
      std::this_thread::sleep_for(30ms);
      finished = true;
    });
  });
  while (!entered) std::this_thread::yield();
  token.stop();
  EXPECT_TRUE(finished) << "stop returned while an action of the run was still going";
  worker.join();
}

TEST(CancelToken, StopNeverWaitsForALongActionWhichRunsToItsEnd) {
  CancelToken token;
  std::atomic<bool> entered{false}, finished{false};
  bool laterRan = false;
  std::thread worker([&] {
    token.guardLong([&] {
      entered = true;
      std::this_thread::sleep_for(400ms);
      finished = true;
    });
    laterRan = token.guard([] {}) || token.guardLong([] {});
  });
  while (!entered) std::this_thread::yield();
  const auto before = std::chrono::steady_clock::now();
  token.stop();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 100ms);
  EXPECT_FALSE(finished);
  worker.join();
  EXPECT_TRUE(finished) << "a long action begun runs to its end";
  EXPECT_FALSE(laterRan);
}

TEST(CancelToken, TheStopActionRunsOnceOnTheRunsThreadAfterTheActionUnderWay) {
  CancelToken token;
  std::vector<std::string> order;
  std::mutex orderMutex;
  const auto note = [&](const char* what) {
    std::lock_guard<std::mutex> lock(orderMutex);
    order.push_back(what);
  };
  std::thread::id ranOn;
  std::atomic<bool> entered{false};
  std::thread worker([&] {
    token.setStopAction([&] {
      ranOn = std::this_thread::get_id();
      note("stop action");
    });
    token.guardLong([&] {
      entered = true;
      std::this_thread::sleep_for(100ms);
      note("action");
    });
    token.settle();
  });
  while (!entered) std::this_thread::yield();
  token.stop();
  note("stop returned");
  const auto workerId = worker.get_id();
  worker.join();
  EXPECT_EQ(order, (std::vector<std::string>{"stop returned", "action", "stop action"}));
  EXPECT_EQ(ranOn, workerId);
}

TEST(CancelToken, AStopFromInsideAnActionRunsTheStopActionWhenTheOutermostActionEnds) {
  CancelToken token;
  std::vector<std::string> order;
  token.setStopAction([&] { order.push_back("stop action"); });
  token.guard([&] {
    token.guard([&] {
      token.stop();
      order.push_back("inner ends");
    });
    order.push_back("outer ends");
  });
  EXPECT_EQ(order, (std::vector<std::string>{"inner ends", "outer ends", "stop action"}));
}

TEST(CancelToken, AClearedStopActionNeverRunsAndAThrowingOneIsContained) {
  CancelToken cleared;
  int runs = 0;
  cleared.setStopAction([&] { ++runs; });
  cleared.setStopAction({});
  cleared.stop();
  EXPECT_EQ(runs, 0);

  CancelToken throwing;
  throwing.setStopAction([] { throw std::runtime_error("disk full"); });
  throwing.stop();
  EXPECT_NO_THROW(throwing.settle());
}

TEST(RunThread, ARunStartedRightAfterAStopWaitsForTheStoppedOneOnItsOwnThread) {
  RunThread runs;
  std::atomic<int> active{0};
  std::atomic<bool> overlapped{false};
  std::atomic<int> finished{0};
  const auto work = [&](CancelToken& token) {
    if (++active > 1) overlapped = true;
    while (!token.stopped()) std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(200ms);  // winds down after Stop
    --active;
    ++finished;
  };
  auto first = runs.start(work);
  std::this_thread::sleep_for(5ms);
  const auto before = std::chrono::steady_clock::now();
  runs.stop();
  auto second = runs.start(work);
  EXPECT_LT(std::chrono::steady_clock::now() - before, 100ms) << "the caller never waits for a run";
  EXPECT_TRUE(first->stopped());
  EXPECT_FALSE(second->stopped());
  runs.stop();
  runs.join();
  EXPECT_EQ(finished, 2);
  EXPECT_FALSE(overlapped);
}

TEST(RunThread, AThreadThatCannotBeStartedLeavesTheRunsBeforeItAsTheyWere) {
  bool failing = false;
  RunThread runs([&failing](std::function<void()> body) {
    if (failing) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    return std::thread(std::move(body));
  });
  std::atomic<bool> release{false};
  std::atomic<int> finished{0};
  auto first = runs.start([&](CancelToken&) {
    while (!release) std::this_thread::sleep_for(1ms);
    ++finished;
  });
  failing = true;
  EXPECT_THROW(runs.start([&](CancelToken&) { ++finished; }), std::system_error);
  failing = false;
  release = true;
  auto third = runs.start([&](CancelToken&) { ++finished; });
  runs.join();
  EXPECT_EQ(finished, 2);
}

}  // namespace
}  // namespace qm::convert
