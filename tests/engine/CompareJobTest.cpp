// The compare job on its worker: phases and progress, pause and resume, cancel at every
// phase, the one-worker rule, input checks and error texts.

#include "engine/CompareJob.h"

#include "engine/CompareEngine.h"
#include "foundation/SoftCheck.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <thread>

using namespace testing_support;
using engine_test::flatten;
using engine_test::narrow;
using engine_test::runJob;
using engine_test::wide;

namespace {

// A tree big enough that every phase takes many checkpoints.
void makeTrees(const TempFolder& temp) {
  for (int folder = 0; folder < 8; ++folder) {
    for (int file = 0; file < 25; ++file) {
      const std::string name = "d" + std::to_string(folder) + "/f" + std::to_string(file) + ".txt";
      writeFileBytes(temp.path("a/" + name), "content " + name);
      writeFileBytes(temp.path("b/" + name), file % 7 == 0 ? "changed" : "content " + name);
    }
  }
}

bool startJob(CompareEngine& engine, const TempFolder& temp) {
  engine.options.path0 = temp.widePath("a");
  engine.options.path1 = temp.widePath("b");
  return engine.worker.startWorker(engine);
}

TEST(CompareJob, SucceedsWithCountersAndFullProgress) {
  TempFolder temp;
  makeTrees(temp);
  CompareEngine engine;
  EXPECT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u);
  EXPECT_EQ(engine.result.differing, 8 * 4);
  EXPECT_EQ(engine.result.missingFirst, 0);
  const JobState::Progress progress = engine.job.readProgress();
  EXPECT_EQ(progress.total, 8 + 8 * 25);
  EXPECT_EQ(progress.done, progress.total);
  EXPECT_EQ(engine.job.errorCode(), 0u);
  EXPECT_FALSE(engine.worker.isRunning());
}

// The result keeps the options it was made with: the user may change or reset the current
// ones (or load a project) before the next compare, and the rows must still describe the
// tree as it was compared.
TEST(CompareJob, TheResultKeepsTheOptionsItWasComparedWith) {
  TempFolder temp;
  makeTrees(temp);
  CompareEngine engine;
  engine.options.modifyTime = true;
  engine.options.textMode = false;
  engine.options.excludes = u"*.tmp";
  EXPECT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u);
  engine.options.reset();
  EXPECT_TRUE(engine.result.options.modifyTime);
  EXPECT_FALSE(engine.result.options.textMode);
  EXPECT_EQ(engine.result.options.excludes, u"*.tmp");
  EXPECT_EQ(engine.result.options.path0, temp.widePath("a"));
}

enum class Phase { prepare, compare, statistics };

// The changed event's hook runs on the worker: it lets a test act at an exact point of the
// job, without racing it. The phase is told from the progress counters (the scan has no
// total; the statistics restart the count).
void onPhase(CompareEngine& engine, Phase phase, int64_t afterDone, std::function<void()> action) {
  struct Tracker {
    Phase current = Phase::prepare;
    int64_t lastDone = 0;
    bool fired = false;
  };
  auto tracker = std::make_shared<Tracker>();
  engine.job.changed().setWakeHook([&engine, phase, afterDone, action, tracker] {
    const JobState::Progress progress = engine.job.readProgress();
    if (progress.total < 0) {
      tracker->current = Phase::prepare;
    } else if (tracker->current == Phase::prepare) {
      tracker->current = Phase::compare;
    } else if (tracker->current == Phase::compare && progress.done < tracker->lastDone) {
      tracker->current = Phase::statistics;
    }
    tracker->lastDone = progress.done;
    if (tracker->current == phase && progress.done >= afterDone && !tracker->fired) {
      tracker->fired = true;
      action();
    }
  });
}

TEST(CompareJob, CancelDuringScanOrCompareEndsWithCancelErrorAndEmptyTree) {
  TempFolder temp;
  makeTrees(temp);
  for (const Phase phase : {Phase::prepare, Phase::compare, Phase::statistics}) {
    SCOPED_TRACE(static_cast<int>(phase));
    CompareEngine engine;
    onPhase(engine, phase, 20, [&engine] { engine.worker.requestStop(); });
    EXPECT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 1u);
    olstring text;
    EXPECT_EQ(engine.job.getError(text, u": "), kErrorCancelled);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text, errorText(kErrorCancelled));
    // A cancel in the statistics phase keeps the complete tree.
    EXPECT_EQ(engine.result.root.children.empty(), phase != Phase::statistics);
  }
}

TEST(CompareJob, PauseThenResumeGivesTheSameResultAndCancelWakesAPausedJob) {
  TempFolder temp;
  makeTrees(temp);
  CompareEngine plain;
  ASSERT_EQ(runJob(plain, temp.path("a"), temp.path("b")), 0u);
  const auto expected = flatten(plain.result.root);

  for (const bool cancel : {false, true}) {
    SCOPED_TRACE(cancel);
    CompareEngine engine;
    onPhase(engine, Phase::compare, 50, [&engine] { engine.worker.pause(); });
    ASSERT_TRUE(startJob(engine, temp));
    while (!engine.worker.isStandingStill() && engine.worker.isRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(engine.worker.isPaused());
    const int64_t doneWhilePaused = engine.job.readProgress().done;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(engine.job.readProgress().done, doneWhilePaused) << "a paused job stands still";
    EXPECT_TRUE(engine.worker.isRunning());
    if (cancel) {
      engine.worker.requestStop();
    } else {
      engine.worker.resume();
    }
    ASSERT_TRUE(engine.worker.waitFinished(60000));
    if (cancel) {
      EXPECT_EQ(engine.worker.exitCode(), 1u);
      EXPECT_EQ(engine.job.errorCode(), kErrorCancelled);
      EXPECT_TRUE(engine.result.root.children.empty());
    } else {
      EXPECT_EQ(engine.worker.exitCode(), 0u);
      EXPECT_EQ(flatten(engine.result.root), expected);
      EXPECT_EQ(engine.result.differing, plain.result.differing);
    }
  }
}

TEST(CompareJob, OnlyOneWorkerAtATime) {
  TempFolder temp;
  makeTrees(temp);
  CompareEngine engine;
  std::atomic<bool> secondStart{true};
  Milestones milestones;
  onPhase(engine, Phase::compare, 1, [&engine, &secondStart, &milestones] {
    // On the worker itself a start is refused too.
    secondStart = engine.worker.startWorker(engine);
    // The worker stays here, in the middle of its job, until the test has looked.
    milestones.reach("held");
    milestones.await("released");
  });
  ASSERT_TRUE(startJob(engine, temp));
  ASSERT_TRUE(milestones.await("held"));
  EXPECT_FALSE(secondStart.load());
  EXPECT_FALSE(engine.worker.startWorker(engine));
  EXPECT_FALSE(engine.worker.requestStop()) << "the worker cannot have ended yet: it is held";
  milestones.reach("released");
  ASSERT_TRUE(engine.worker.waitFinished(60000));
  EXPECT_EQ(engine.job.errorCode(), kErrorCancelled);
  EXPECT_TRUE(engine.worker.requestStop());
  // After the end a new job may start, and it runs to completion.
  engine.job.changed().setWakeHook({});
  EXPECT_TRUE(startJob(engine, temp));
  ASSERT_TRUE(engine.worker.waitFinished(60000));
  EXPECT_EQ(engine.worker.exitCode(), 0u);
}

TEST(CompareJob, TheArchiveWorkAreaIsLeftAloneWhileAWorkerRuns) {
  TempFolder temp;
  makeTrees(temp);
  CompareEngine engine;
  engine.prepareArchives();
  ArchiveExtractor* const extractor = engine.archives;
  const unsigned failedChecks = soft_check::failures.load();
  // The job's own progress hook is a caller that surely acts while the compare runs.
  onPhase(engine, Phase::compare, 1, [&engine] {
    engine.prepareArchives();
    engine.removeArchiveWorkFolder();
  });
  EXPECT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u);
  EXPECT_EQ(soft_check::failures.load(), failedChecks + 2) << "a caller's mistake is logged";
  EXPECT_EQ(engine.archives, extractor) << "the worker's extractor stays";
}

TEST(CompareJob, ChangedEventWakesAWaiterAfterTheWorkerEnded) {
  TempFolder temp;
  makeTrees(temp);
  CompareEngine engine;
  ASSERT_TRUE(startJob(engine, temp));
  // A waiting loop as the window runs it: wake on changed, stop once the worker has ended.
  // It waits at least once, however soon the worker ends: the signals nobody took are
  // still there then.
  do {
    ASSERT_TRUE(engine.job.changed().wait(60000)) << "the waiter was left sleeping";
  } while (engine.worker.isRunning());
  EXPECT_EQ(engine.worker.exitCode(), 0u);
}

// Counts the marked threads that have ended: a thread-local object is destroyed as its
// thread exits, after everything the thread ran.
std::atomic<int> g_markedThreadsEnded{0};

struct ThreadEndMarker {
  bool armed = false;
  ~ThreadEndMarker() {
    if (armed) g_markedThreadsEnded.fetch_add(1);
  }
};

thread_local ThreadEndMarker t_threadEndMarker;

TEST(CompareJob, DestroyingTheEngineMidCompareWaitsUntilTheWorkerHasEnded) {
  TempFolder temp;
  makeTrees(temp);
  // Large files, equal on both sides, so that their content is read block by block.
  std::string big(8u << 20, '\0');
  std::mt19937 random(13);
  for (char& byte : big) byte = static_cast<char>(random());
  for (const char* name : {"big/0.bin", "big/1.bin", "big/2.bin"}) engine_test::writeBoth(temp, name, big, big);

  g_markedThreadsEnded = 0;
  auto engine = std::make_unique<CompareEngine>();
  platform::Event reached(platform::Event::Reset::manual, false);
  std::atomic<bool> destroying{false};
  onPhase(*engine, Phase::compare, 2, [&reached, &destroying] {
    t_threadEndMarker.armed = true;
    reached.set();
    // The worker stays in the middle of the compare until the destruction has begun.
    while (!destroying) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  ASSERT_TRUE(startJob(*engine, temp));
  ASSERT_TRUE(reached.wait(60000));
  destroying = true;
  // On the heap, so that the sanitizers see any use of the engine once it is gone.
  engine.reset();
  EXPECT_EQ(g_markedThreadsEnded.load(), 1) << "the engine was destroyed before its worker had ended";
}

TEST(CompareJob, CheckInputPath) {
  TempFolder temp;
  writeFileBytes(temp.path("file.txt"), "x");
  makeFolders(temp.path("folder"));
  makeFifo(temp.path("fifo"));
  CompareEngine engine;
  olstring text;
  EXPECT_EQ(checkInputPath(engine, temp.widePath("file.txt"), &text), PathType::file);
  EXPECT_EQ(engine.job.errorCode(), 0u);
  EXPECT_EQ(checkInputPath(engine, temp.widePath("folder"), &text), PathType::folder);
  EXPECT_EQ(checkInputPath(engine, temp.widePath("gone"), &text), PathType::none);
  EXPECT_EQ(engine.job.errorCode(), 3u);
  EXPECT_EQ(narrow(text), "The system cannot find the path specified:\r\n\r\n" + temp.path("gone"));
  EXPECT_EQ(checkInputPath(engine, temp.widePath("fifo"), nullptr), PathType::none) << "a FIFO is never opened";
  EXPECT_EQ(engine.job.errorCode(), 5u);
}

TEST(CompareJob, ErrorTexts) {
  EXPECT_EQ(narrow(errorText(0)), "");
  EXPECT_EQ(narrow(errorText(3)), "The system cannot find the path specified");
  EXPECT_EQ(narrow(errorText(5)), "Access is denied");
  // The program's own codes take their texts from the language table, without the dot.
  EXPECT_EQ(narrow(errorText(kErrorCancelled)), "The compare was cancelled");
  EXPECT_EQ(narrow(errorText(kErrorNoArchiveFolder)),
            "The archive gave no folder to compare. It may be damaged or not an archive");
  EXPECT_EQ(narrow(errorText(kErrorNoRoomToUnpack)),
            "There is not enough free space in the temporary folder to unpack the archive");
  EXPECT_EQ(narrow(nothingToCompareText()), "Nothing to compare: both sides are empty, or everything is excluded");
}

}  // namespace
