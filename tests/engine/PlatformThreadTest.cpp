// The platform's worker thread and events, which the job's pause, cancel and waiting rely on.

#include "platform/Event.h"
#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <atomic>

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
