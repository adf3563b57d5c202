// The ignore files as the scan reads them: each side's rules for that side, an item kept
// when one side keeps it, and ignore files that cannot be read failing the compare.

#include "engine/IgnoreFiles.h"

#include "engine/CompareEngine.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace testing_support;
using engine_test::flatten;
using engine_test::narrow;
using engine_test::runJob;

namespace {

using namespace ItemFlags;

TEST(IgnoreFiles, EachSideLeavesOutWhatItsOwnRulesIgnore) {
  TempFolder temp;
  writeFileBytes(temp.path("a/.gitignore"), "*.log\n*.bak\nbuild/\n!build/only-a.txt\nlnk/\n");
  writeFileBytes(temp.path("b/.gitignore"), "*.tmp\n*.bak\nlnk/\n");
  for (const char* side : {"a/", "b/"}) {
    for (const char* file : {"both.log", "both.tmp", "both.bak", "keep.txt", "build/x.txt", "real/f"}) {
      writeFileBytes(temp.path(std::string(side) + file), "x");
    }
    makeLink("real", temp.path(std::string(side) + "lnk"));
  }
  for (const char* file :
       {"a/only-a.log", "a/build/only-a.txt", "b/only-b.log", "b/only-b.tmp", "b/build/only-b.txt"}) {
    writeFileBytes(temp.path(file), "x");
  }
  const std::map<std::string, uint32_t> honoured = {
      {".gitignore", kContentDiffers},  // compared like any file
      {"both.log", 0},                  // one side keeps it: both sides stay
      {"both.tmp", 0},
      {"keep.txt", 0},
      {"only-b.log", kMissing},
      {"build", 0},                    // left out on the first side only
      {"build/x.txt", 0},              // below a folder a side leaves out...
      {"build/only-b.txt", kMissing},  // ...that side's rules cannot take anything back
      {"lnk", 0},                      // a link is no folder to the rules
      {"lnk/f", 0},
      {"real", 0},
      {"real/f", 0},
  };
  struct Case {
    bool option;
    std::map<std::string, uint32_t> alsoKept;
  };
  const Case cases[] = {
      {true, {}},
      {false,
       {{"both.bak", 0},
        {"only-a.log", kMissing | kMissingSecond},
        {"only-b.tmp", kMissing},
        {"build/only-a.txt", kMissing | kMissingSecond}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.option);
    CompareEngine engine;
    engine.options.ignoreFiles = c.option;
    EXPECT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u);
    std::map<std::string, uint32_t> expected = honoured;
    expected.insert(c.alsoKept.begin(), c.alsoKept.end());
    const auto tree = flatten(engine.result.root);
    EXPECT_EQ(tree, expected);
  }
}

TEST(IgnoreFiles, AnIgnoreFileThatCannotBeReadFailsTheCompare) {
  struct Case {
    const char* title;
    std::function<void(const TempFolder&)> prepare;
    uint32_t code;
    const char* errorPath;  // below the temporary folder
  };
  const Case cases[] = {
      {"unreadable", [](const TempFolder& t) { setMode(t.path("a/sub/.gitignore"), 0000); }, 5, "a/sub/.gitignore"},
      {"unreadable exclude file",
       [](const TempFolder& t) {
         writeFileBytes(t.path("b/.git/info/exclude"), "x\n");
         setMode(t.path("b/.git/info/exclude"), 0000);
       },
       5, "b/.git/info/exclude"},
      {"a link", [](const TempFolder& t) { makeLink("sub/.gitignore", t.path("b/.gitignore")); },
       kErrorIgnoreFileIsLink, "b/.gitignore"},
      {"a FIFO", [](const TempFolder& t) { makeFifo(t.path("b/.gitignore")); }, 5, "b/.gitignore"},
      {"a folder holds no rules", [](const TempFolder& t) { makeFolders(t.path("b/.gitignore")); }, 0, ""},
      {"nothing is read in a folder its side leaves out",
       [](const TempFolder& t) {
         writeFileBytes(t.path("a/.gitignore"), "sub/\n");
         setMode(t.path("a/sub/.gitignore"), 0000);
       },
       0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    TempFolder temp;
    for (const char* side : {"a/", "b/"}) writeFileBytes(temp.path(std::string(side) + "sub/.gitignore"), "*.o\n");
    c.prepare(temp);
    const int status = runInChild(
        [&] {
          CompareEngine engine;
          engine.options.ignoreFiles = true;
          const uint32_t exitCode = runJob(engine, temp.path("a"), temp.path("b"));
          if (c.code == 0) return exitCode == 0;
          return exitCode == 1 && engine.job.errorCode() == c.code &&
                 narrow(engine.job.errorPath()) == temp.path(c.errorPath) && engine.result.root.children.empty();
        },
        /*dropPrivileges=*/true);
    EXPECT_EQ(status, 0);
  }
}

}  // namespace
