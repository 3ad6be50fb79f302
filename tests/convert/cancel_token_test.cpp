#include "convert/cancel_token.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

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

}  // namespace
}  // namespace qm::convert
