#include "engine/TimeRule.h"

#include "engine/CompareEngine.h"
#include "platform/FileSystem.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace testing_support;
using engine_test::flatten;
using engine_test::runJob;

namespace {

constexpr uint64_t kTicksPerSecond = 10000000;
constexpr uint32_t kSecond = 1000000000;
constexpr int64_t kBase = 1600000000;  // seconds since 1970, far from any edge

}  // namespace

TEST(TimeRule, WhichTimesCountAsEqual) {
  // Times are kBase + seconds + nanoseconds, as the scan records them.
  const struct {
    const char* what;
    int64_t seconds[2];
    uint32_t nanos[2];
    uint32_t steps[2];
    uint32_t tolerance;
    bool hourShift;
    bool equal;
  } cases[] = {
      {"same second, 1 s step", {0, 0}, {100, 999999999}, {kSecond, kSecond}, 0, false, true},
      {"next second, however close, 1 s step", {0, 1}, {999999999, 0}, {kSecond, kSecond}, 0, false, false},
      {"FAT rounded up, 1.5 s apart", {0, 2}, {500000000, 0}, {2 * kSecond, kSecond}, 0, false, true},
      {"two seconds apart on FAT", {0, 2}, {0, 0}, {kSecond, 2 * kSecond}, 0, false, false},
      {"tolerance replaces the step", {0, 2}, {0, 999999999}, {kSecond, kSecond}, 3, false, true},
      {"an hour later, shift ignored", {0, 3600}, {0, 0}, {kSecond, kSecond}, 0, true, true},
      {"an hour, shift not ignored", {0, 3600}, {0, 0}, {kSecond, kSecond}, 0, false, false},
      {"an hour and a second, 1 s step", {0, 3601}, {0, 0}, {kSecond, kSecond}, 0, true, false},
      {"an hour and a second, FAT", {0, 3601}, {0, 0}, {2 * kSecond, kSecond}, 0, true, true},
      {"centuries apart", {-kBase - 11644473600LL, 0}, {0, 0}, {kSecond, kSecond}, 0, true, false},
  };
  for (const auto& entry : cases) {
    SCOPED_TRACE(entry.what);
    CompareOptions options;
    options.timeTolerance = entry.tolerance;
    options.ignoreHourShift = entry.hourShift;
    const TimeRule rule = timeRule(options, entry.steps);
    SideInfo sides[2];
    for (int i = 0; i < 2; ++i) {
      sides[i].name = u"f";
      sides[i].modified = static_cast<uint64_t>(kBase + entry.seconds[i] + 11644473600LL) * kTicksPerSecond;
      sides[i].modifiedNanoseconds = entry.nanos[i];
    }
    EXPECT_EQ(sameModifiedTime(sides[0], sides[1], rule), entry.equal);
    EXPECT_EQ(sameModifiedTime(sides[1], sides[0], rule), entry.equal);
  }
}

// A folder and its copy with times rounded to even seconds, and one shifted by an hour.
TEST(TimeRule, ACopyRoundedToEvenSecondsAndShiftedByAnHourShowsNoDifferenceWhenAsked) {
  TempFolder temp;
  writeTimedCopies(temp.path("a"), temp.path("b"),
                   {
                       {"odd.txt", kBase + 1, 300000000, kBase + 2},       // rounded up
                       {"odd-down.txt", kBase + 3, 900000000, kBase + 2},  // rounded down
                       {"even.txt", kBase + 4, 0, kBase + 4},
                       {"dst.txt", kBase + 7, 0, kBase + 7 + 3600 + 1},    // shifted, and rounded up
                   });
  const struct {
    const char* what;
    uint32_t tolerance;
    bool hourShift;
    int differing;
  } settings[] = {
      {"automatic step of these folders' file system", 0, false, 3},
      {"two seconds", 2, false, 1},
      {"two seconds and the hour", 2, true, 0},
  };
  // These folders lie on a file system that keeps fine times; FAT is tested where it can
  // be mounted (below).
  ASSERT_EQ(platform::fileSystemTimeStep(temp.widePath()), kSecond);
  for (const auto& setting : settings) {
    SCOPED_TRACE(setting.what);
    CompareEngine engine;
    engine.options.modifyTime = true;
    engine.options.timeTolerance = setting.tolerance;
    engine.options.ignoreHourShift = setting.hourShift;
    ASSERT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u);
    EXPECT_EQ(engine.result.timeStep[0], kSecond);
    EXPECT_EQ(engine.result.timeStep[1], kSecond);
    EXPECT_EQ(engine.result.differing, setting.differing);
  }
}

// FAT keeps even seconds; where a FAT image can be loop-mounted (as root), its own step
// makes a copy written there equal without any tolerance set.
TEST(TimeRule, ACopyOnARealFatDriveIsEqualWithTheAutomaticStep) {
  TempFolder temp;
  const std::string image = temp.path("fat.img");
  const std::string mountPoint = temp.path("fat");
  makeFolders(mountPoint);
  std::string output;
  if (!runningAsRoot()) GTEST_SKIP() << "mounting a FAT image needs root";
  if (runCommand("truncate -s 8M " + shellQuote(image) + " && mkfs.vfat " + shellQuote(image) + " 2>&1", &output) != 0) {
    GTEST_SKIP() << "mkfs.vfat is not available: " << output;
  }
  if (runCommand("mount -o loop " + shellQuote(image) + " " + shellQuote(mountPoint) + " 2>&1", &output) != 0) {
    GTEST_SKIP() << "this machine refuses to mount a FAT image: " << output;
  }
  struct Unmount {
    std::string path;
    ~Unmount() { runCommand("umount " + shellQuote(path)); }
  } unmount{mountPoint};
  const std::string copy = mountPoint + "/copy";
  for (int i = 0; i < 6; ++i) {
    const std::string name = "f" + std::to_string(i) + ".txt";
    writeFileBytes(temp.path("a/" + name), "content");
    setModifiedTime(temp.path("a/" + name), kBase + i, 100000000L * i);
    writeFileBytes(copy + "/" + name, "content");
    setModifiedTime(copy + "/" + name, kBase + i, 100000000L * i);
  }
  CompareEngine engine;
  engine.options.modifyTime = true;
  ASSERT_EQ(runJob(engine, temp.path("a"), copy), 0u);
  EXPECT_EQ(engine.result.timeStep[1], 2 * kSecond);
  EXPECT_EQ(engine.result.differing, 0);
}
