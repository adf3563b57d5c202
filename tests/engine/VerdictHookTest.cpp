// The verdict hook's contract, on its own: every item once, in the tree's order, with its
// final verdict, on the worker, as soon as it is ready; after a cancel only a prefix, and
// never a verdict that the cancel cut short.

#include "engine/CompareEngine.h"
#include "engine/ReadersProbe.h"
#include "engine/VerdictHook.h"
#include "platform/Thread.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
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

// Holds the readers so that a helper reads the first pair and the worker the big one, and
// the first verdict is ready before the worker starts on the big pair.
class BigPairOnTheWorker : public ReadersProbe {
public:
  void reached(Point point, const CompareItem& item) override {
    const std::string name = pathOf(item);
    if (point == Point::added) {
      if (workerThread == 0) workerThread = platform::currentThreadId();
      // The walk goes on only once a helper has taken the first pair.
      if (name == "b-big.bin") milestones.await("reading a-first.txt");
    } else if (point == Point::reading) {
      if (name == "a-first.txt") {
        firstReader = platform::currentThreadId();
        milestones.reach("reading a-first.txt");
        // The helper stays busy until the worker has taken the big pair.
        milestones.await("reading b-big.bin");
      } else if (name == "b-big.bin") {
        bigReader = platform::currentThreadId();
        milestones.reach("reading b-big.bin");
        milestones.await("judged a-first.txt");
      }
    } else {
      milestones.reach("judged " + name);
    }
  }

  Milestones milestones;
  std::atomic<uint64_t> workerThread{0};
  std::atomic<uint64_t> firstReader{0};
  std::atomic<uint64_t> bigReader{0};
};

TEST(VerdictHook, AReadyVerdictPassesWhileTheWorkerReadsABigPairAndACancelThereCutsThatPairShort) {
  TempFolder temp;
  writeBoth(temp, "a-first.txt", "one", "two");
  // Eight blocks, equal but for the last byte: its verdict is final only once read to the end.
  std::string big(8 * AdvancedSettings::kMinTextModeMaxSize, 'x');
  writeBoth(temp, "b-big.bin", big, big.substr(0, big.size() - 1) + "y");
  writeBoth(temp, "c-last.txt", "one", "two");
  CompareEngine engine;
  engine.contentReaders = 2;
  engine.settings.textModeMaxSize = AdvancedSettings::kMinTextModeMaxSize;
  BigPairOnTheWorker probe;
  engine.readersProbe = &probe;
  RecordingHook hook;
  bool bigJudgedFirst = true;
  hook.onCall = [&](const CompareItem& item) {
    if (pathOf(item) != "a-first.txt") return;
    bigJudgedFirst = probe.milestones.reached("judged b-big.bin");
    engine.worker.requestStop();
  };
  engine.verdictHook = &hook;
  EXPECT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 1u);
  EXPECT_EQ(engine.job.errorCode(), kErrorCancelled);
  EXPECT_NE(probe.firstReader.load(), probe.workerThread.load()) << "a helper read the first pair";
  EXPECT_EQ(probe.bigReader.load(), probe.workerThread.load()) << "the worker read the big pair";
  EXPECT_FALSE(bigJudgedFirst) << "the first verdict waited until the worker had read the big pair";
  std::vector<std::string> passed;
  for (const Call& call : hook.calls()) passed.push_back(call.path);
  EXPECT_EQ(passed, std::vector<std::string>{"a-first.txt"}) << "the big pair's verdict was cut short by the cancel";
}

}  // namespace
