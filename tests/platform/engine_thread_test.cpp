// The engine thread: one run at a time, a worker never resumed dropped
// without running, a resumed one waited for.
#include "platform/engine_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

namespace platform {
namespace {

TEST(EngineThreadTest, AResumedRunRefusesANewStartAndIsWaitedFor) {
  std::atomic<int32_t> stop{0};
  std::atomic<bool> release{false};
  EngineThread thread(stop);
  EXPECT_TRUE(thread.Wait(0)) << "no worker yet";
  ASSERT_TRUE(thread.Prepare());
  ASSERT_TRUE(thread.Create([&] {
    while (!release) std::this_thread::yield();
  }));
  WorkerThread* const worker = thread.Get();
  thread.Resume();
  // Refused as soon as it is resumed, whether or not its body has begun.
  EXPECT_FALSE(thread.Prepare());
  EXPECT_EQ(thread.Get(), worker);
  EXPECT_FALSE(thread.Shutdown(0)) << "a resumed body is waited for, not dropped";
  EXPECT_EQ(thread.Get(), worker);
  release = true;
  EXPECT_TRUE(thread.Shutdown(60000));
  EXPECT_FALSE(worker->Running());
  EXPECT_EQ(stop.load(), 0) << "the owner stops its run; the thread only waits";
  // A finished run makes way for the next one.
  EXPECT_TRUE(thread.Prepare());
  EXPECT_EQ(thread.Get(), nullptr);
  int runs = 0;
  ASSERT_TRUE(thread.Create([&] { ++runs; }));
  thread.Resume();
  ASSERT_TRUE(thread.Wait(60000));
  EXPECT_EQ(runs, 1);
}

TEST(EngineThreadTest, AWorkerNeverResumedIsDroppedAndRaisesTheStopFlag) {
  const std::function<bool(EngineThread&)> drops[] = {
      [](EngineThread& t) { return t.Prepare(); },
      [](EngineThread& t) { return t.Shutdown(0); },
  };
  for (const auto& drop : drops) {
    std::atomic<int32_t> stop{0};
    std::atomic<bool> ran{false};
    EngineThread thread(stop);
    ASSERT_TRUE(thread.Create([&] { ran = true; }));
    EXPECT_TRUE(drop(thread));
    EXPECT_EQ(thread.Get(), nullptr);
    EXPECT_FALSE(ran);
    EXPECT_EQ(stop.load(), 1);
    thread.Resume();  // nothing left to resume
    EXPECT_TRUE(thread.Wait(0));
  }
}

}  // namespace
}  // namespace platform
