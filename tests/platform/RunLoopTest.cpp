#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/RunLoop.h"

using namespace qv;

TEST(RunLoop, WorkFromAnotherThreadRunsOnTheMainThreadAndIsWaitedFor) {
  ASSERT_TRUE(RunLoop::isMainThread());
  std::atomic<bool> ranOnMain{false}, returned{false};
  std::thread worker([&] {
    EXPECT_FALSE(RunLoop::isMainThread());
    RunLoop::performOnMainThread([&] { ranOnMain = RunLoop::isMainThread(); }, true);
    EXPECT_TRUE(ranOnMain.load());
    returned = true;
  });
  EXPECT_TRUE(RunLoop::runMainUntil([&] { return returned.load(); }, std::chrono::seconds(10)));
  worker.join();
  EXPECT_TRUE(ranOnMain);
}

TEST(RunLoop, OnTheMainThreadWorkRunsAtOnce) {
  bool ran = false;
  RunLoop::performOnMainThread([&] { ran = true; }, true);
  EXPECT_TRUE(ran);
}

TEST(RunLoop, StopEndsTheLoop) {
  std::thread stopper([] { RunLoop::performOnMainThread([] { RunLoop::stopMain(); }, false); });
  RunLoop::runMain();
  stopper.join();
}
