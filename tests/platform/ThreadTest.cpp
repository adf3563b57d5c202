// The platform's worker thread and events, which the job's pause, cancel and waiting rely on.

#include "platform/Event.h"
#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

TEST(PlatformThread, ReportsExitCodeIdAndEnd) {
  platform::Thread thread;
  EXPECT_EQ(thread.exitCode(), platform::kStillActive);
  platform::Event go(platform::Event::Reset::manual, false);
  std::atomic<uint64_t> seenId{0};
  std::atomic<bool> hookRan{false};
  ASSERT_TRUE(thread.start(
      [&] {
        seenId = platform::currentThreadId();
        go.wait();
        return 7u;
      },
      [&] { hookRan = true; }));
  EXPECT_FALSE(thread.start([] { return 0u; })) << "one thread per object";
  EXPECT_FALSE(thread.waitFinished(20));
  EXPECT_EQ(thread.exitCode(), platform::kStillActive);
  go.set();
  ASSERT_TRUE(thread.waitFinished(10000));
  EXPECT_EQ(thread.exitCode(), 7u);
  EXPECT_EQ(seenId.load(), thread.id());
  EXPECT_NE(thread.id(), platform::currentThreadId());
  EXPECT_NE(platform::currentThreadId(), 0u);
  while (!hookRan) std::this_thread::yield();
}

TEST(PlatformThread, DestroyingARunningThreadWaitsForItsEnd) {
  std::atomic<bool> ended{false};
  {
    platform::Thread thread;
    ASSERT_TRUE(thread.start([&ended] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      ended = true;
      return 0u;
    }));
  }
  EXPECT_TRUE(ended.load()) << "the thread outlived its owner";

  // Destroyed on its own thread, which cannot wait for itself, the thread goes on alone.
  auto* self = new platform::Thread;
  platform::Event started(platform::Event::Reset::manual, false);
  std::atomic<bool> deleted{false};
  ASSERT_TRUE(self->start([&] {
    started.wait();
    delete self;
    deleted = true;
    return 0u;
  }));
  started.set();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!deleted && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  EXPECT_TRUE(deleted.load());
}

TEST(PlatformEvent, AutoResetIsConsumedManualResetStaysAndHookIsCalled) {
  platform::Event pulse(platform::Event::Reset::automatic, false);
  int hooks = 0;
  pulse.setWakeHook([&hooks] { ++hooks; });
  EXPECT_FALSE(pulse.wait(0));
  pulse.set();
  EXPECT_TRUE(pulse.wait(0));
  EXPECT_FALSE(pulse.wait(0));
  EXPECT_EQ(hooks, 1);

  platform::Event gate(platform::Event::Reset::manual, true);
  EXPECT_TRUE(gate.wait(0));
  EXPECT_TRUE(gate.wait(0));
  gate.reset();
  EXPECT_FALSE(gate.wait(10));
}

}  // namespace
