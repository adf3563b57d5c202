// The verdict hook's contract, on its own: every item once, in the tree's order, with its
// final verdict, on the worker; after a cancel only a prefix, and never a verdict that the
// cancel cut short.

#include "engine/CompareEngine.h"
#include "engine/VerdictHook.h"
#include "platform/Thread.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

using namespace testing_support;
using engine_test::pathOf;
using engine_test::runJob;
using engine_test::writeBoth;

namespace {

struct Call {
  const CompareItem* item;
  std::string path;
  uint32_t flags;
  ContentMode contentMode;
  uint64_t thread;
};

class RecordingHook : public VerdictHook {
public:
  void itemJudged(const CompareItem& item) override {
    // A second call while one runs would be a broken contract; the lock would not hide it,
    // the flag tells.
    EXPECT_FALSE(m_inCall.exchange(true)) << "calls must not overlap";
    {
      std::lock_guard<std::mutex> lock(m_lock);
      m_calls.push_back({&item, pathOf(item), item.flags, item.contentMode, platform::currentThreadId()});
    }
    if (onCall) onCall(item);
    m_inCall = false;
  }

  std::vector<Call> calls() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_calls;
  }

  std::function<void(const CompareItem&)> onCall;

private:
  mutable std::mutex m_lock;
  std::vector<Call> m_calls;
  std::atomic<bool> m_inCall{false};
};

void preOrder(const CompareItem& item, std::vector<const CompareItem*>& out) {
  for (const auto& [key, child] : item.children) {
    out.push_back(&child);
    preOrder(child, out);
  }
}

// Folders on both sides, on one side with content, a file against a folder, names that
// differ in case, equal and differing files at several depths.
void makeTrees(const TempFolder& temp) {
  writeBoth(temp, "same.txt", "same", "same");
  writeBoth(temp, "changed.txt", "one", "two");
  writeBoth(temp, "Deep/er/est/leaf.bin", "leaf", "leaf");
  writeBoth(temp, "Deep/er/changed.bin", "aaaa", "bbbb");
  writeFileBytes(temp.path("a/Deep/er/Name.txt"), "case");
  writeFileBytes(temp.path("b/Deep/er/name.txt"), "case");
  writeFileBytes(temp.path("a/onlyFirst/inside/x.txt"), "x");
  writeFileBytes(temp.path("b/onlySecond.txt"), "y");
  writeFileBytes(temp.path("a/clash"), "a file");
  writeFileBytes(temp.path("b/clash/under.txt"), "below a folder");
  makeFolders(temp.path("a/empty"));
  makeFolders(temp.path("b/empty"));
}

TEST(VerdictHook, EveryItemOnceInTheTreesOrderWithItsFinalVerdictOnTheWorker) {
  TempFolder temp;
  makeTrees(temp);
  CompareEngine engine;
  RecordingHook hook;
  engine.verdictHook = &hook;
  ASSERT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u);

  std::vector<const CompareItem*> expected;
  preOrder(engine.result.root, expected);
  const std::vector<Call> calls = hook.calls();
  ASSERT_EQ(calls.size(), expected.size());
  for (size_t i = 0; i < calls.size(); ++i) {
    SCOPED_TRACE(calls[i].path);
    EXPECT_EQ(calls[i].item, expected[i]) << "expected " << pathOf(*expected[i]);
    EXPECT_EQ(calls[i].flags, expected[i]->flags) << "the verdict passed must be the final one";
    EXPECT_EQ(calls[i].contentMode, expected[i]->contentMode);
    EXPECT_NE(calls[i].thread, platform::currentThreadId()) << "called on the worker";
    EXPECT_EQ(calls[i].thread, calls[0].thread);
  }
  // The tree holds what the contract speaks of: a folder before what it holds, a one-sided
  // folder and a file against a folder without children.
  std::vector<std::string> paths;
  for (const Call& call : calls) paths.push_back(call.path);
  const std::vector<std::string> order = {"clash", "Deep", "Deep/er", "Deep/er/est",
                                          "Deep/er/est/leaf.bin", "Deep/er/changed.bin", "Deep/er/Name.txt",
                                          "empty", "onlyFirst", "changed.txt", "onlySecond.txt", "same.txt"};
  EXPECT_EQ(paths, order);
  EXPECT_EQ(engine.result.differing, 6);
}

TEST(VerdictHook, ACancelStopsTheCallsAfterAPrefixOfTheTreesOrder) {
  TempFolder temp;
  makeTrees(temp);
  std::vector<std::string> full;
  {
    CompareEngine engine;
    RecordingHook hook;
    engine.verdictHook = &hook;
    ASSERT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u);
    for (const Call& call : hook.calls()) full.push_back(call.path);
  }
  for (size_t stopAt : {size_t{1}, size_t{2}, size_t{5}, full.size() - 1}) {
    SCOPED_TRACE(stopAt);
    CompareEngine engine;
    RecordingHook hook;
    size_t seen = 0;
    hook.onCall = [&](const CompareItem&) {
      if (++seen == stopAt) engine.worker.requestStop();
    };
    engine.verdictHook = &hook;
    EXPECT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 1u);
    std::vector<std::string> passed;
    for (const Call& call : hook.calls()) passed.push_back(call.path);
    ASSERT_GE(passed.size(), stopAt);
    ASSERT_LT(passed.size(), full.size());
    EXPECT_TRUE(std::equal(passed.begin(), passed.end(), full.begin())) << "a prefix, in order, without gaps";
  }
}

TEST(VerdictHook, AVerdictThatACancelCutShortIsNeverPassed) {
  TempFolder temp;
  writeBoth(temp, "a-first.txt", "one", "two");
  // Identical sparse files: reading them takes seconds, making them nothing.
  for (const char* side : {"a", "b"}) {
    makeFolders(temp.path(side));
    ASSERT_EQ(runCommand("truncate -s 16G " + shellQuote(temp.path(std::string(side) + "/big.bin"))), 0);
  }
  writeBoth(temp, "z-last.txt", "one", "two");
  CompareEngine engine;
  RecordingHook hook;
  std::atomic<bool> firstSeen{false};
  hook.onCall = [&](const CompareItem&) { firstSeen = true; };
  engine.verdictHook = &hook;
  engine.options.path0 = temp.widePath("a");
  engine.options.path1 = temp.widePath("b");
  ASSERT_TRUE(engine.worker.startWorker(engine));
  while (!firstSeen && engine.worker.isRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  // Now well inside the big pair.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_TRUE(engine.worker.isRunning()) << "the big pair was read too fast for this test";
  engine.worker.requestStop();
  ASSERT_TRUE(engine.worker.waitFinished(30000));
  EXPECT_EQ(engine.worker.exitCode(), 1u);
  std::vector<std::string> passed;
  for (const Call& call : hook.calls()) passed.push_back(call.path);
  EXPECT_EQ(passed, std::vector<std::string>{"a-first.txt"});
}

}  // namespace
