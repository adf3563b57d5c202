// Reading several pairs at once must change nothing a caller can see: on random trees the
// verdicts, their order at the verdict hook and the progress are those of one reader alone,
// also when the job is paused, resumed or cancelled half-way, and when one pair cannot be
// read.

#include "engine/CompareEngine.h"
#include "engine/ContentReaders.h"
#include "engine/ReadersProbe.h"
#include "engine/VerdictHook.h"
#include "platform/FolderListing.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace testing_support;
using engine_test::pathOf;

namespace {

struct Verdict {
  std::string path;
  uint32_t flags = 0;
  ContentMode mode = ContentMode::binary;
  bool operator==(const Verdict&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Verdict& verdict) {
  return out << verdict.path << " flags " << verdict.flags << " mode " << static_cast<int>(verdict.mode);
}

class RecordingHook : public VerdictHook {
public:
  void itemJudged(const CompareItem& item) override {
    {
      std::lock_guard<std::mutex> lock(m_lock);
      m_calls.push_back({pathOf(item), item.flags, item.contentMode});
    }
    if (onCall) onCall(m_calls.size());
  }
  std::vector<Verdict> calls() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_calls;
  }
  // Called on the worker with the number of calls so far.
  std::function<void(size_t)> onCall;

private:
  mutable std::mutex m_lock;
  std::vector<Verdict> m_calls;
};

void preOrder(const CompareItem& item, std::vector<Verdict>& out) {
  for (const auto& [key, child] : item.children) {
    out.push_back({pathOf(child), child.flags, child.contentMode});
    preOrder(child, out);
  }
}

std::string randomBytes(std::mt19937& rng, size_t size, bool text) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) {
    if (text) {
      bytes[i] = i % 40 == 39 ? '\n' : static_cast<char>('a' + rng() % 26);
    } else {
      bytes[i] = static_cast<char>(rng() % 4 == 0 ? 0 : rng() % 256);
    }
  }
  return bytes;
}

// Two trees of about 200 items: equal pairs and pairs changed in one byte at any place,
// line ends that differ, sizes that differ, items on one side, a file against a folder,
// empty files, and pairs of more than two blocks (the tests use 1 MiB blocks).
void makeRandomTrees(const TempFolder& temp, uint32_t seed) {
  std::mt19937 rng(seed);
  const std::vector<std::string> folders = {"", "d1/", "d1/e/", "d1/e/f/", "d2/", "D3/", "d2/g/"};
  for (int i = 0; i < 170; ++i) {
    const std::string relative = folders[rng() % folders.size()] + "file" + std::to_string(i) + ".dat";
    const unsigned sizeKind = rng() % 100;
    size_t size = sizeKind < 6 ? 0 : sizeKind < 60 ? rng() % 5000 : sizeKind < 97 ? 60000 + rng() % 140000 : 2200000 + rng() % 900000;
    const bool text = rng() % 2 == 0;
    std::string first = randomBytes(rng, size, text);
    std::string second = first;
    const unsigned change = rng() % 100;
    if (change < 15 && size > 0) {
      second[rng() % size] ^= 0x20;
    } else if (change < 25 && text && size > 80) {
      // Line ends spelled differently: equal as text, not as bytes.
      second.insert(39, "\r");
    } else if (change < 30) {
      second += "x";
    } else if (change < 36) {
      writeFileBytes(temp.path((rng() % 2 == 0 ? "a/" : "b/") + relative), first);
      continue;
    }
    engine_test::writeBoth(temp, relative, first, second);
  }
  makeFolders(temp.path("a/clash"));
  writeFileBytes(temp.path("b/clash"), "a file against a folder");
  makeFolders(temp.path("a/lonely/inner"));
  writeFileBytes(temp.path("a/lonely/inner/x.txt"), "only here");
}

struct JobRun {
  uint32_t exitCode = 99;
  std::vector<Verdict> calls;
  std::vector<Verdict> tree;
  JobState::Progress progress;
};

void setUpEngine(CompareEngine& engine, int readers, bool textMode, bool autoSkip) {
  engine.contentReaders = readers;
  engine.options.textMode = textMode;
  engine.options.autoSkip = autoSkip;
  engine.options.adjustPath = false;
  engine.settings.textModeMaxSize = AdvancedSettings::kMinTextModeMaxSize;
}

JobRun finishRun(CompareEngine& engine, const RecordingHook& hook) {
  JobRun run;
  run.exitCode = engine.worker.exitCode();
  run.calls = hook.calls();
  preOrder(engine.result.root, run.tree);
  run.progress = engine.job.readProgress();
  return run;
}

JobRun compareOnce(const TempFolder& temp, int readers, bool textMode, bool autoSkip,
                const std::function<void(CompareEngine&, size_t)>& onCall = {}) {
  CompareEngine engine;
  setUpEngine(engine, readers, textMode, autoSkip);
  RecordingHook hook;
  if (onCall) hook.onCall = [&engine, &onCall](size_t calls) { onCall(engine, calls); };
  engine.verdictHook = &hook;
  engine_test::runJob(engine, temp.path("a"), temp.path("b"));
  return finishRun(engine, hook);
}

void expectSameVerdicts(const JobRun& run, const JobRun& reference) {
  EXPECT_EQ(run.exitCode, reference.exitCode);
  EXPECT_EQ(run.tree, reference.tree) << "the same per-item verdicts";
  EXPECT_EQ(run.calls, reference.calls) << "the same calls of the hook, in the same order";
  EXPECT_EQ(run.calls, run.tree) << "every final verdict passed, in the tree's order";
  EXPECT_EQ(run.progress.done, reference.progress.done);
  EXPECT_EQ(run.progress.total, reference.progress.total);
}

TEST(ContentReaders, RandomTreesGiveTheVerdictsOfOneReader) {
  for (const uint32_t seed : {1u, 2u, 3u}) {
    TempFolder temp;
    makeRandomTrees(temp, seed);
    for (const bool textMode : {true, false}) {
      for (const bool autoSkip : {false, true}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << " text " << textMode << " fast " << autoSkip);
        const JobRun reference = compareOnce(temp, 1, textMode, autoSkip);
        ASSERT_EQ(reference.exitCode, 0u);
        ASSERT_GT(reference.calls.size(), 150u);
        for (const int readers : {2, kMaxContentReaders, 64}) {
          SCOPED_TRACE(readers);
          expectSameVerdicts(compareOnce(temp, readers, textMode, autoSkip), reference);
        }
      }
    }
  }
}

TEST(ContentReaders, PausedJobStandsStillAndResumesToTheSameVerdicts) {
  TempFolder temp;
  makeRandomTrees(temp, 7);
  const JobRun reference = compareOnce(temp, 1, true, false);
  ASSERT_EQ(reference.exitCode, 0u);

  CompareEngine engine;
  setUpEngine(engine, kMaxContentReaders, true, false);
  RecordingHook hook;
  const std::vector<size_t> pauseAt = {1, 40, reference.calls.size() / 2, reference.calls.size() - 1};
  std::atomic<int> pauses{0};
  hook.onCall = [&](size_t calls) {
    for (const size_t at : pauseAt) {
      if (calls != at) continue;
      // The worker stands still at its next checkpoint, the helpers at theirs.
      engine.worker.pause();
      ++pauses;
    }
  };
  engine.verdictHook = &hook;
  engine.options.path0 = temp.widePath("a");
  engine.options.path1 = temp.widePath("b");
  ASSERT_TRUE(engine.worker.startWorker(engine));
  for (int seen = 0; seen < static_cast<int>(pauseAt.size());) {
    if (engine.worker.waitFinished(1)) break;
    if (pauses.load() <= seen || !engine.worker.isPaused()) continue;
    // The call that paused the job still counts its own step; after it nothing moves.
    const auto pausedAt = static_cast<int64_t>(pauseAt[static_cast<size_t>(seen)]);
    // Seen once is enough: a helper may still end a pair it began before the pause, which
    // wakes the worker for a moment on its way to its own checkpoint, before the pair passes.
    bool stoodStill = false;
    const auto failsafe = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!(stoodStill = engine.worker.isStandingStill()) && std::chrono::steady_clock::now() < failsafe) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(stoodStill) << "also while it waits for a paused helper";
    const size_t callsBefore = hook.calls().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(engine.job.readProgress().done, pausedAt) << "a paused job stands still";
    EXPECT_EQ(hook.calls().size(), callsBefore);
    EXPECT_FALSE(engine.worker.waitFinished(0));
    seen = pauses.load();
    engine.worker.resume();
  }
  ASSERT_TRUE(engine.worker.waitFinished(30000));
  EXPECT_EQ(pauses.load(), static_cast<int>(pauseAt.size()));
  expectSameVerdicts(finishRun(engine, hook), reference);
}

TEST(ContentReaders, ACancelLeavesAPrefixOfTheVerdictsOfOneReader) {
  TempFolder temp;
  makeRandomTrees(temp, 11);
  const JobRun reference = compareOnce(temp, 1, true, false);
  ASSERT_EQ(reference.exitCode, 0u);
  for (const size_t stopAt : {size_t{1}, size_t{25}, reference.calls.size() / 2, reference.calls.size() - 1}) {
    SCOPED_TRACE(stopAt);
    const JobRun run = compareOnce(temp, kMaxContentReaders, true, false, [stopAt](CompareEngine& engine, size_t calls) {
      if (calls == stopAt) engine.worker.requestStop();
    });
    EXPECT_EQ(run.exitCode, 1u);
    ASSERT_GE(run.calls.size(), stopAt);
    ASSERT_LT(run.calls.size(), reference.calls.size());
    EXPECT_TRUE(std::equal(run.calls.begin(), run.calls.end(), reference.calls.begin()))
        << "a prefix of the one reader's verdicts, without gaps";
    EXPECT_TRUE(run.tree.empty()) << "a cancelled compare leaves no tree";
  }
}

// The walk runs ahead of the verdicts by the window at most: a pair that takes long to read
// holds it there, however large the tree.
class SlowFirstPair : public ReadersProbe {
public:
  void reached(Point point, const CompareItem& item) override {
    const bool slowPair = pathOf(item) == "a-slow.bin";
    if (point == Point::added) {
      // The walk goes on once a helper has taken the slow pair, the only one to read.
      if (++added == 2) milestones.await("reading");
    } else if (point == Point::reading && slowPair) {
      milestones.reach("reading");
      milestones.await("waiting");
    } else if (point == Point::waiting) {
      if (addedWhenWaiting == 0) addedWhenWaiting = added.load();
      milestones.reach("waiting");
    }
  }

  Milestones milestones;
  std::atomic<size_t> added{0};
  std::atomic<size_t> addedWhenWaiting{0};
};

TEST(ContentReaders, TheWalkStopsAWindowAheadOfAVerdictThatIsBeingRead) {
  TempFolder temp;
  engine_test::writeBoth(temp, "a-slow.bin", "one", "two");
  // Items whose verdicts need no reading, after the slow pair in the tree's order.
  const size_t items = kVerdictWindow + 1500;
  for (size_t i = 0; i < items; ++i) writeFileBytes(temp.path("a/b" + std::to_string(100000 + i)), "x");
  CompareEngine engine;
  engine.contentReaders = 2;
  SlowFirstPair probe;
  engine.readersProbe = &probe;
  ASSERT_EQ(engine_test::runJob(engine, temp.path("a"), temp.path("b")), 0u);
  EXPECT_EQ(probe.addedWhenWaiting.load(), kVerdictWindow) << "the walk ran that far ahead of the first verdict";
  EXPECT_EQ(probe.added.load(), items + 1);
  EXPECT_EQ(engine.result.differing, static_cast<int64_t>(items + 1));
}

TEST(ContentReaders, APairThatCannotBeReadDiffersAndChangesNothingElse) {
  // A kernel file that lists as 4096 bytes but yields a few: its read breaks off short.
  const std::string shortFile = "/sys/kernel/profiling";
  if (!exists(shortFile) || readFileBytes(shortFile).size() >= 4096) GTEST_SKIP() << "no short kernel file";
  TempFolder temp;
  makeRandomTrees(temp, 5);
  makeFolders(temp.path("a/d1/e"));
  makeLink(shortFile, temp.path("a/d1/e/short.txt"));
  writeFileBytes(temp.path("b/d1/e/short.txt"), std::string(4096, 'a'));
  for (const bool textMode : {true, false}) {
    SCOPED_TRACE(textMode);
    const JobRun reference = compareOnce(temp, 1, textMode, false);
    const JobRun run = compareOnce(temp, kMaxContentReaders, textMode, false);
    expectSameVerdicts(run, reference);
    bool found = false;
    for (const Verdict& verdict : run.tree) {
      if (verdict.path != "d1/e/short.txt") continue;
      found = true;
      EXPECT_NE(verdict.flags & ItemFlags::kContentDiffers, 0u) << "a pair that cannot be read is no equal pair";
    }
    EXPECT_TRUE(found);
  }
}

}  // namespace

// Pairs are read while the scan lists on; a scan that fails part-way resets the tree, which
// must wait for those reads (a sanitizer run sees a read of a freed item otherwise).
TEST(ContentReaders, AScanThatBreaksOffWhilePairsAreReadLeavesNoTree) {
  TempFolder temp;
  makeRandomTrees(temp, 11);
  for (const size_t breaksAfter : {size_t{3}, size_t{12}, size_t{20}}) {
    SCOPED_TRACE(breaksAfter);
    CompareEngine engine;
    setUpEngine(engine, kMaxContentReaders, true, false);
    platform::simulateListingFailure(breaksAfter);
    const uint32_t exitCode = engine_test::runJob(engine, temp.path("a"), temp.path("b"));
    platform::simulateListingFailure(platform::kNoListingFailure);
    EXPECT_EQ(exitCode, 1u);
    EXPECT_EQ(engine.job.errorCode(), 1117u);
    EXPECT_TRUE(engine.result.root.children.empty());
  }
}
