// The ignore files as the scan reads them: each side's rules for that side, an item kept
// when one side keeps it, and ignore files that cannot be read failing the compare.

#include "engine/IgnoreFiles.h"

#include "engine/CompareEngine.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace testing_support;
using engine_test::flatten;
using engine_test::runJob;

namespace {

using namespace ItemFlags;

TEST(IgnoreFiles, EachSideLeavesOutWhatItsOwnRulesIgnore) {
  TempFolder temp;
  writeFileBytes(temp.path("a/.gitignore"), "*.log\n*.bak\nbuild/\n!build/only-a.txt\nlnk/\n");
  writeFileBytes(temp.path("b/.gitignore"), "*.tmp\n*.bak\nlnk/\n");
  for (const std::string side : {"a/", "b/"}) {
    for (const char* file : {"both.log", "both.tmp", "both.bak", "keep.txt", "build/x.txt", "real/f"}) {
      writeFileBytes(temp.path(side + file), "x");
    }
    makeLink("real", temp.path(side + "lnk"));
  }
  for (const char* file :
       {"a/only-a.log", "a/build/only-a.txt", "b/only-b.log", "b/only-b.tmp", "b/build/only-b.txt"}) {
    writeFileBytes(temp.path(file), "x");
  }
  CompareEngine engine;
  engine.options.ignoreFiles = true;
  engine.options.excludes = u".git";
  EXPECT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u);
  // The rules of an excluded ignore file count; an item one side keeps stays on both sides;
  // below a folder one side leaves out, that side's rules take nothing back; a link is no
  // folder to the rules.
  const std::map<std::string, uint32_t> expected = {
      {"both.log", 0}, {"both.tmp", 0}, {"keep.txt", 0}, {"only-b.log", kMissing},
      {"build", 0}, {"build/x.txt", 0}, {"build/only-b.txt", kMissing}, {"lnk", 0}, {"lnk/f", 0}, {"real", 0},
      {"real/f", 0}};
  EXPECT_EQ(flatten(engine.result.root), expected);
}

TEST(IgnoreFiles, PatternsThatWouldTakeAMatchForeverAreDecidedAtOnce) {
  // Matched step by step, each "**/" multiplies the tries (git itself takes minutes).
  std::string deep = "a";
  for (int level = 0; level < 40; ++level) deep += "/ddd";
  std::string rules = "a/";
  for (int star = 0; star < 10; ++star) rules += "**/d*/";
  rules += "[!d]qx\na/**/**/**/**/**/**/**/**/**/**/**/**/**/[!d]qx\n";
  TempFolder temp;
  for (const std::string side : {"a/", "b/"}) {
    writeFileBytes(temp.path(side + ".gitignore"), rules);
    writeFileBytes(temp.path(side + deep + "/dqx"), "x");
  }
  CompareEngine engine;
  engine.options.ignoreFiles = true;
  EXPECT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u);
  EXPECT_EQ(flatten(engine.result.root).count(deep + "/dqx"), 1u);
}

TEST(IgnoreFiles, AnIgnoreFileThatCannotBeReadFailsTheCompare) {
  enum class Make { unreadable, link, fifo, folder };
  struct Case {
    const char* file;
    Make make;
    const char* firstRootRules;
    uint32_t code;
  };
  const Case cases[] = {
      {"a/sub/.gitignore", Make::unreadable, "", 5},
      {"b/.git/info/exclude", Make::unreadable, "", 5},
      {"b/.gitignore", Make::link, "", kErrorIgnoreFileIsLink},
      {"b/.gitignore", Make::fifo, "", 5},
      // A folder of that name holds no rules; nothing is read in a folder its side leaves out.
      {"b/.gitignore", Make::folder, "", 0},
      {"a/sub/.gitignore", Make::unreadable, "sub/\n", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + std::to_string(static_cast<int>(c.make)));
    TempFolder temp;
    for (const std::string side : {"a/", "b/"}) writeFileBytes(temp.path(side + "sub/.gitignore"), "*.o\n");
    writeFileBytes(temp.path("a/.gitignore"), c.firstRootRules);
    const std::string file = temp.path(c.file);
    switch (c.make) {
      case Make::unreadable:
        writeFileBytes(file, "x\n");
        setMode(file, 0000);
        break;
      case Make::link: makeLink("sub/.gitignore", file); break;
      case Make::fifo: makeFifo(file); break;
      case Make::folder: makeFolders(file); break;
    }
    const int status = runInChild(
        [&] {
          CompareEngine engine;
          engine.options.ignoreFiles = true;
          engine.options.adjustPath = false;
          const uint32_t exitCode = runJob(engine, temp.path("a"), temp.path("b"));
          if (c.code == 0) return exitCode == 0;
          return exitCode == 1 && engine.job.errorCode() == c.code &&
                 engine_test::narrow(engine.job.errorPath()) == file && engine.result.root.children.empty();
        },
        /*dropPrivileges=*/true);
    EXPECT_EQ(status, 0);
  }
}

}  // namespace
