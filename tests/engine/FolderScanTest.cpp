// The folder scan on real folders: roots, path adjustment, exclusions, pairing, links,
// special files and failures.

#include "engine/FolderScan.h"

#include "engine/CompareEngine.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace testing_support;
using engine_test::child;
using engine_test::flatten;
using engine_test::narrow;
using engine_test::runJob;
using engine_test::wide;
using engine_test::writeBoth;

namespace {

using namespace ItemFlags;

TEST(Excludes, ParsingKeepsQuotedSpacesAndFoldsCase) {
  ExcludeSet set;
  parseExcludes(u"*.obj \"my file\"  obj OBJ a\tb? \"\"", set);
  ASSERT_EQ(set.size(), 4u);
  EXPECT_TRUE(set.at(u"*.obj").isWildcard);
  EXPECT_FALSE(set.at(u"my file").isWildcard);
  EXPECT_FALSE(set.at(u"Obj").isWildcard);
  EXPECT_TRUE(set.at(u"a\tb?").isWildcard);
  parseExcludes(u"", set);
  EXPECT_TRUE(set.empty());
}

TEST(Excludes, Matching) {
  struct Case {
    const char16_t* name;
    const char16_t* pattern;
    bool wildcard;
    bool matches;
  };
  const Case cases[] = {
      {u"main.obj", u"*.obj", true, true},    {u"MAIN.OBJ", u"*.obj", true, true},
      {u"main.objx", u"*.obj", true, false},  {u"main.obj", u"obj", false, true},
      {u"object.txt", u"obj", false, true},   {u"Obj", u"obj", false, true},
      {u"abc", u"a?c", true, true},           {u"ABC", u"a?c", true, true},
      {u"ac", u"a?c", true, false},           {u"abcd", u"a?c", true, false},
      {u"abcbc", u"*bc", true, true},         {u"aXbXc", u"a*b*c", true, true},
      {u"ab", u"a*b*c", true, false},         {u"x", u"**", true, true},
      {u"", u"*", true, false},               {u"x", u"", false, true},
      {u"ÄBC", u"äbc", false, true},          {u"ÄBC", u"ä*", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(narrow(c.name) + " ~ " + narrow(c.pattern));
    EXPECT_EQ(matchesExclude(c.name, c.pattern, c.wildcard), c.matches);
  }
}

TEST(FolderScan, ExcludedEntriesAreNeitherRecordedNorListed) {
  TempFolder temp;
  writeFileBytes(temp.path("a/keep.txt"), "x");
  writeFileBytes(temp.path("a/main.OBJ"), "x");
  writeFileBytes(temp.path("a/skip dir/inner.txt"), "x");
  writeFileBytes(temp.path("b/keep.txt"), "x");
  writeFileBytes(temp.path("b/skip dir/other.txt"), "y");
  CompareEngine engine;
  engine.options.excludes = u"*.obj \"skip dir\"";
  EXPECT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u);
  EXPECT_EQ(flatten(engine.result.root), (std::map<std::string, uint32_t>{{"keep.txt", 0}}));
}

TEST(FolderScan, AdjustPathFollowsSingleEntryChains) {
  TempFolder temp;
  writeFileBytes(temp.path("x/rel-a/one.txt"), "1");
  writeFileBytes(temp.path("x/rel-a/two.txt"), "2");
  writeFileBytes(temp.path("y/rel-b/one.txt"), "1");
  writeFileBytes(temp.path("y/rel-b/two.txt"), "2");
  makeFolders(temp.path("empty-root/only-empty"));
  writeFileBytes(temp.path("file-chain/a/f.txt"), "1");
  makeFolders(temp.path("loop"));
  makeLink(".", temp.path("loop/self"));

  EXPECT_EQ(narrow(adjustSubPath(temp.widePath("x"))), "rel-a");
  EXPECT_EQ(narrow(adjustSubPath(temp.widePath("empty-root"))), "");
  EXPECT_EQ(narrow(adjustSubPath(temp.widePath("file-chain"))), "a");
  EXPECT_EQ(narrow(adjustSubPath(u"relative/path")), "");
  // A link back into the chain ends it instead of growing the path until it breaks.
  EXPECT_EQ(narrow(adjustSubPath(temp.widePath("loop"))), "");

  CompareEngine engine;
  EXPECT_EQ(runJob(engine, temp.path("x"), temp.path("y")), 0u);
  EXPECT_EQ(narrow(engine.result.root.side[0].name), temp.path("x/rel-a"));
  EXPECT_EQ(narrow(engine.result.root.side[1].name), temp.path("y/rel-b"));
  EXPECT_EQ(narrow(engine.result.displayRoot[1]), temp.path("y/rel-b"));
  EXPECT_EQ(narrow(engine.result.givenPath[1]), temp.path("y"));
  EXPECT_EQ(engine.result.root.children.size(), 2u);

  engine.options.adjustPath = false;
  EXPECT_EQ(runJob(engine, temp.path("x"), temp.path("y")), 0u);
  EXPECT_EQ(engine.result.differing, 2);
}

TEST(FolderScan, TwoFilesModeAndUnpackWithoutArchiveSupport) {
  TempFolder temp;
  writeFileBytes(temp.path("l/a.txt"), "same");
  writeFileBytes(temp.path("r/b.txt"), "same");
  CompareEngine engine;
  engine.options.forceFile = true;
  EXPECT_EQ(runJob(engine, temp.path("l/a.txt"), temp.path("r/b.txt")), 0u);
  ASSERT_EQ(engine.result.root.children.size(), 1u);
  const CompareItem& item = engine.result.root.children.begin()->second;
  EXPECT_EQ(narrow(item.side[0].name), "a.txt");
  EXPECT_EQ(narrow(item.side[1].name), "b.txt");
  EXPECT_EQ(item.flags, 0u) << "different names are no NameCase in the two-files mode";
  EXPECT_EQ(narrow(engine.result.givenPath[0]), temp.path("l"));

  engine.options.forceFile = false;
  EXPECT_EQ(runJob(engine, temp.path("l/a.txt"), temp.path("r/b.txt")), 1u);
  EXPECT_EQ(engine.job.errorCode(), kErrorNoArchiveFolder);
  EXPECT_EQ(narrow(engine.job.errorPath()), temp.path("l/a.txt"));
  EXPECT_TRUE(engine.result.root.children.empty());
  // A file against a folder fails the same way in both orders (nothing tries to open the
  // folder as a file).
  EXPECT_EQ(runJob(engine, temp.path("r"), temp.path("l/a.txt")), 1u);
  EXPECT_EQ(engine.job.errorCode(), kErrorNoArchiveFolder);
  EXPECT_EQ(narrow(engine.job.errorPath()), temp.path("l/a.txt"));
}

class FakeArchives : public ArchiveExtractor {
public:
  explicit FakeArchives(std::string folder) : m_folder(std::move(folder)) {}
  void clearWorkFolder() override { ++cleared; }
  olstring prepareArchive(olstring_view path, uint32_t*) override {
    unpacked = narrow(path);
    return wide(m_folder);
  }
  int cleared = 0;
  std::string unpacked;

private:
  std::string m_folder;
};

TEST(FolderScan, ArchiveSeamUnpacksIntoTheRootFolder) {
  TempFolder temp;
  writeFileBytes(temp.path("data.zip"), "not really an archive");
  writeFileBytes(temp.path("unpacked/top/f.txt"), "1");
  writeFileBytes(temp.path("unpacked/top/g.txt"), "2");
  writeFileBytes(temp.path("folder/f.txt"), "1");
  writeFileBytes(temp.path("folder/g.txt"), "2");
  // An archive against a folder works in both orders.
  for (const int archiveSide : {1, 0}) {
    SCOPED_TRACE(archiveSide);
    FakeArchives archives(temp.path("unpacked"));
    CompareEngine engine;
    engine.archives = &archives;
    const std::string archive = temp.path("data.zip");
    const std::string folder = temp.path("folder");
    EXPECT_EQ(runJob(engine, archiveSide == 1 ? folder : archive, archiveSide == 1 ? archive : folder), 0u);
    EXPECT_EQ(archives.cleared, 1);
    EXPECT_EQ(archives.unpacked, archive);
    EXPECT_EQ(narrow(engine.result.root.side[archiveSide].name), temp.path("unpacked/top"));
    EXPECT_EQ(narrow(engine.result.displayRoot[archiveSide]), temp.path("data.zip/top"));
    EXPECT_EQ(narrow(engine.result.givenPath[archiveSide]), archive);
    EXPECT_EQ(engine.result.root.children.size(), 2u);
    EXPECT_EQ(engine.result.differing, 0);
  }
}

TEST(FolderScan, MissingPathsFailWithCodeThreeAndThatPath) {
  TempFolder temp;
  makeFolders(temp.path("there"));
  CompareEngine engine;
  EXPECT_EQ(runJob(engine, temp.path("there"), temp.path("gone")), 1u);
  EXPECT_EQ(engine.job.errorCode(), 3u);
  EXPECT_EQ(narrow(engine.job.errorPath()), temp.path("gone"));
  EXPECT_EQ(runJob(engine, temp.path("gone"), temp.path("also-gone")), 1u);
  EXPECT_EQ(narrow(engine.job.errorPath()), temp.path("gone"));
  olstring text;
  engine.job.getError(text, u": ");
  EXPECT_NE(narrow(text).find(temp.path("gone")), std::string::npos);
  // Two empty folders: nothing to compare, a failure without an error.
  makeFolders(temp.path("empty"));
  EXPECT_EQ(runJob(engine, temp.path("there"), temp.path("empty")), 1u);
  EXPECT_EQ(engine.job.errorCode(), 0u);
}

TEST(FolderScan, FileAgainstFolderAndCaseOption) {
  TempFolder temp;
  writeFileBytes(temp.path("a/x"), "file");
  writeFileBytes(temp.path("b/X/inner.txt"), "in folder");
  writeFileBytes(temp.path("a/Readme.TXT"), "same");
  writeFileBytes(temp.path("b/readme.txt"), "same");
  for (const bool swapped : {false, true}) {
    SCOPED_TRACE(swapped);
    CompareEngine engine;
    runJob(engine, temp.path(swapped ? "b" : "a"), temp.path(swapped ? "a" : "b"));
    const CompareItem* item = child(engine.result.root, swapped ? "X" : "x");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->flags, kTypeDiffers | kNameCase);
    EXPECT_TRUE(item->children.empty()) << "a folder against a file is not listed";
    const CompareItem* readme = child(engine.result.root, swapped ? "readme.txt" : "Readme.TXT");
    ASSERT_NE(readme, nullptr);
    EXPECT_EQ(readme->flags, kNameCase);
    EXPECT_EQ(narrow(dataCategory(*readme, false)), "data_same_txt");
    EXPECT_EQ(engine.result.differing, 2);
  }
  CompareEngine engine;
  engine.options.compareCase = false;
  runJob(engine, temp.path("a"), temp.path("b"));
  EXPECT_EQ(child(engine.result.root, "Readme.TXT")->flags, 0u);
  EXPECT_EQ(child(engine.result.root, "x")->flags, kTypeDiffers);
}

TEST(FolderScan, SameSideCaseCollisionKeepsEveryEntry) {
  TempFolder temp;
  writeFileBytes(temp.path("a/Notes.txt"), "upper");
  writeBoth(temp, "notes.txt", "lower", "lower");
  writeFileBytes(temp.path("b/NOTES.txt"), "other");
  CompareEngine engine;
  EXPECT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u);
  const auto tree = flatten(engine.result.root);
  // Exact spellings pair; the two left over pair ignoring case with NameCase.
  ASSERT_EQ(tree.size(), 2u);
  EXPECT_EQ(tree.at("notes.txt"), 0u);
  EXPECT_EQ(tree.at("Notes.txt"), kNameCase | kContentDiffers);
}

TEST(FolderScan, DepthsAndOneSidedFoldersAreNotListed) {
  TempFolder temp;
  writeBoth(temp, "d1/d2/d3/deep.txt", "x", "x");
  writeFileBytes(temp.path("a/only/inner/f.txt"), "x");
  CompareEngine engine;
  engine.options.adjustPath = false;
  EXPECT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u);
  const CompareItem* d1 = child(engine.result.root, "d1");
  ASSERT_NE(d1, nullptr);
  ASSERT_NE(child(*d1, "d2"), nullptr);
  const CompareItem* d3 = child(*child(*d1, "d2"), "d3");
  ASSERT_NE(d3, nullptr);
  EXPECT_EQ(d3->depth, 2);
  EXPECT_EQ(child(*d3, "deep.txt")->depth, 3);
  const CompareItem* only = child(engine.result.root, "only");
  ASSERT_NE(only, nullptr);
  EXPECT_EQ(only->flags, kMissing | kMissingSecond);
  EXPECT_TRUE(only->children.empty());
  EXPECT_EQ(engine.result.differing, 1);
  EXPECT_EQ(engine.result.missingSecond, 1);
  EXPECT_EQ(engine.result.missingFirst, 0);
}

TEST(FolderScan, TimesWithinOneSecondAreEqualAndAttributesCompare) {
  TempFolder temp;
  writeBoth(temp, "same-second.txt", "x", "x");
  setModifiedTime(temp.path("a/same-second.txt"), 1600000000, 100);
  setModifiedTime(temp.path("b/same-second.txt"), 1600000000, 999999999);
  writeBoth(temp, "later.txt", "x", "x");
  setModifiedTime(temp.path("a/later.txt"), 1600000000);
  setModifiedTime(temp.path("b/later.txt"), 1600000001);
  writeBoth(temp, "ro.txt", "x", "x");
  setMode(temp.path("b/ro.txt"), 0444);
  CompareEngine engine;
  engine.options.modifyTime = true;
  engine.options.attr = true;
  runJob(engine, temp.path("a"), temp.path("b"));
  const auto tree = flatten(engine.result.root);
  EXPECT_EQ(tree.at("same-second.txt"), 0u);
  EXPECT_EQ(tree.at("later.txt"), kTimeDiffers);
  EXPECT_EQ(tree.at("ro.txt"), kAttrDiffers);
  const CompareItem* ro = child(engine.result.root, "ro.txt");
  EXPECT_EQ(narrow(attrText(ro->side[1].attributes)), "R");
  EXPECT_EQ(ro->side[0].modified % 10000000, 0u);

  // Both options are off by default: then neither times nor attributes make a difference.
  CompareEngine byDefault;
  EXPECT_EQ(runJob(byDefault, temp.path("a"), temp.path("b")), 0u);
  EXPECT_EQ(byDefault.result.differing, 0);
}

TEST(FolderScan, LinkLoopsOnBothSidesEnd) {
  TempFolder temp;
  for (const char* side : {"a", "b"}) {
    const std::string root = temp.path(side);
    writeFileBytes(root + "/sub/f.txt", "x");
    makeLink("..", root + "/sub/up");
    makeLink(".", root + "/self");
    makeLink("missing-target", root + "/dangling");
    makeLink("sub", root + "/to-sub");
  }
  CompareEngine engine;
  EXPECT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u);
  const auto tree = flatten(engine.result.root);
  // The loops are recorded as folders but never entered; a link to a plain folder is.
  EXPECT_EQ(tree.count("self"), 1u);
  EXPECT_EQ(tree.count("sub/up"), 1u);
  EXPECT_EQ(tree.count("sub/up/sub"), 0u);
  EXPECT_EQ(tree.count("to-sub/f.txt"), 1u);
  EXPECT_EQ(tree.count("dangling"), 1u);
}

TEST(FolderScan, ALinkLoopOnOneSideIsEmptyThereWhateverTheOtherSideHolds) {
  for (const int loopSide : {0, 1}) {
    SCOPED_TRACE(loopSide);
    TempFolder temp;
    const std::string looping = temp.path(loopSide == 0 ? "a" : "b");
    const std::string real = temp.path(loopSide == 0 ? "b" : "a");
    writeFileBytes(looping + "/d/f.txt", "x");
    makeLink("..", looping + "/d/up");
    writeFileBytes(real + "/d/f.txt", "x");
    writeFileBytes(real + "/d/up/secret.txt", "only here");
    writeFileBytes(real + "/d/up/more/deep.txt", "and here");
    CompareEngine engine;
    engine.options.adjustPath = false;
    ASSERT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u);
    const auto tree = flatten(engine.result.root);
    const uint32_t onlyReal = loopSide == 0 ? kMissing : kMissing | kMissingSecond;
    EXPECT_EQ(tree.at("d/up"), 0u);
    EXPECT_EQ(tree.at("d/up/secret.txt"), onlyReal);
    EXPECT_EQ(tree.at("d/up/more"), onlyReal);
    EXPECT_EQ(tree.count("d/up/more/deep.txt"), 0u) << "a one-sided folder is not listed";
    EXPECT_EQ(engine.result.differing, 2);
  }
}

TEST(FolderScan, FifosOnBothSidesDoNotHangAndDiffer) {
  TempFolder temp;
  for (const char* side : {"a", "b"}) {
    makeFolders(temp.path(side));
    makeFifo(temp.path(std::string(side) + "/pipe"));
    writeFileBytes(temp.path(std::string(side) + "/plain.txt"), "x");
  }
  CompareEngine engine;
  EXPECT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u);
  const CompareItem* pipe = child(engine.result.root, "pipe");
  ASSERT_NE(pipe, nullptr);
  EXPECT_EQ(pipe->flags, kContentDiffers) << "a FIFO cannot be read, so it is no empty file";
  EXPECT_EQ(narrow(attrText(pipe->side[0].attributes)), "S");
  EXPECT_EQ(engine.result.differing, 1);
}

TEST(FolderScan, NonUtf8NamesRoundTrip) {
  TempFolder temp;
  const std::string odd = "caf\xe9-\xff.txt";
  writeFileBytes(temp.path("a/" + odd), "same");
  writeFileBytes(temp.path("b/" + odd), "same");
  writeBoth(temp, "%HOME%.txt", "same", "same");
  CompareEngine engine;
  EXPECT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u);
  const auto tree = flatten(engine.result.root);
  EXPECT_EQ(tree.at(odd), 0u) << "the name must reach the disk unchanged to be read";
  EXPECT_EQ(tree.at("%HOME%.txt"), 0u);
}

// Runs as an unprivileged user, so that permissions are enforced even when the tests run
// as root.
TEST(FolderScan, UnlistableSubFolderFailsTheWholeCompare) {
  TempFolder temp;
  writeBoth(temp, "ok.txt", "x", "x");
  writeBoth(temp, "locked/f.txt", "x", "x");
  setMode(temp.path("b/locked"), 0000);
  const int status = runInChild(
      [&] {
        CompareEngine engine;
        const uint32_t exitCode = runJob(engine, temp.path("a"), temp.path("b"));
        return exitCode == 1 && engine.job.errorCode() == 5 &&
               narrow(engine.job.errorPath()) == temp.path("b/locked") && engine.result.root.children.empty();
      },
      true);
  EXPECT_EQ(status, 0);
}

TEST(FolderScan, PathAdjustmentNeverTakesAFolderItCannotListForEmpty) {
  // Without search permission the names can be read, but nothing about them.
  for (const unsigned mode : {0000u, 0644u}) {
    SCOPED_TRACE(mode);
    TempFolder temp;
    writeBoth(temp, "top/f1.txt", "1", "1");
    writeBoth(temp, "top/f2.txt", "2", "2");
    setMode(temp.path("a/top"), mode);
    for (const bool adjust : {true, false}) {
      SCOPED_TRACE(adjust);
      const int status = runInChild(
          [&] {
            CompareEngine engine;
            engine.options.adjustPath = adjust;
            const uint32_t exitCode = runJob(engine, temp.path("a"), temp.path("b"));
            return exitCode == 1 && engine.job.errorCode() == 5 &&
                   narrow(engine.job.errorPath()) == temp.path("a/top") && engine.result.root.children.empty();
          },
          true);
      EXPECT_EQ(status, 0);
    }
  }
  // A root that cannot be listed at all fails the same way.
  TempFolder temp;
  writeBoth(temp, "f.txt", "1", "1");
  setMode(temp.path("b"), 0000);
  const int status = runInChild(
      [&] {
        CompareEngine engine;
        return runJob(engine, temp.path("a"), temp.path("b")) == 1 && engine.job.errorCode() == 5 &&
               narrow(engine.job.errorPath()) == temp.path("b");
      },
      true);
  EXPECT_EQ(status, 0);
}

TEST(FolderScan, TwoFilesModeNeedsNoListingOfTheirFolder) {
  TempFolder temp;
  writeFileBytes(temp.path("d/x.txt"), "same");
  writeFileBytes(temp.path("d/y.txt"), "same!");
  setModifiedTime(temp.path("d/x.txt"), 1600000000, 500);
  setModifiedTime(temp.path("d/y.txt"), 1600000007);
  setMode(temp.path("d/y.txt"), 0444);
  // Others may enter the folder but not list it.
  setMode(temp.path("d"), 0711);
  const int status = runInChild(
      [&] {
        CompareEngine engine;
        engine.options.forceFile = true;
        engine.options.modifyTime = true;
        engine.options.attr = true;
        if (runJob(engine, temp.path("d/x.txt"), temp.path("d/y.txt")) != 0) return false;
        if (engine.result.root.children.size() != 1) return false;
        const CompareItem& item = engine.result.root.children.begin()->second;
        const uint64_t second = 10000000;
        return item.side[0].size == 4 && item.side[1].size == 5 &&
               item.side[0].modified == (1600000000ULL + 11644473600ULL) * second &&
               item.side[1].modified == (1600000007ULL + 11644473600ULL) * second && item.side[0].attributes == 0 &&
               item.side[1].attributes == platform::kAttributeReadOnly &&
               item.flags == (kContentDiffers | kTimeDiffers | kAttrDiffers);
      },
      true);
  EXPECT_EQ(status, 0);
}

TEST(FolderScan, UnreadableFileDiffersAndTheCompareGoesOn) {
  TempFolder temp;
  writeBoth(temp, "secret.txt", "same", "same");
  writeBoth(temp, "z.txt", "same", "same");
  setMode(temp.path("b/secret.txt"), 0000);
  const int status = runInChild(
      [&] {
        CompareEngine engine;
        const uint32_t exitCode = runJob(engine, temp.path("a"), temp.path("b"));
        const auto tree = flatten(engine.result.root);
        return exitCode == 0 && tree.at("secret.txt") == kContentDiffers && tree.at("z.txt") == 0 &&
               engine.result.differing == 1;
      },
      true);
  EXPECT_EQ(status, 0);
}

}  // namespace

namespace {

// Sixty folders of 100 bytes each: the files at the bottom lie 6,000 bytes below the roots,
// beyond the system's limit for one path.
constexpr int kDeepLevels = 60;
const std::string kDeepName(99, 'd');

TEST(FolderScan, ATreeDeeperThanThePathLimitGetsItsTrueVerdicts) {
  TempFolder temp;
  const std::vector<std::string> chain(kDeepLevels, kDeepName);
  makeDeepFiles(temp.path("a"), chain, {{"equal.txt", "same"}, {"differs.txt", "one"}, {"only-first.txt", "only"}});
  makeDeepFiles(temp.path("b"), chain, {{"equal.txt", "same"}, {"differs.txt", "two"}});
  std::string bottom;
  for (int level = 0; level < kDeepLevels; ++level) bottom += kDeepName + "/";
  for (const bool adjustPath : {false, true}) {
    SCOPED_TRACE(adjustPath);
    CompareEngine engine;
    engine.options.adjustPath = adjustPath;
    ASSERT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u) << engine.job.errorCode();
    // Moved down the chain of single folders, the roots themselves lie at the bottom.
    const std::string below = adjustPath ? "" : bottom;
    if (adjustPath) {
      EXPECT_EQ(narrow(engine.result.displayRoot[0]), temp.path("a") + "/" + bottom.substr(0, bottom.size() - 1));
    }
    const auto tree = flatten(engine.result.root);
    EXPECT_EQ(tree.at(below + "equal.txt"), 0u);
    EXPECT_EQ(tree.at(below + "differs.txt"), kContentDiffers);
    EXPECT_EQ(tree.at(below + "only-first.txt"), kMissing | kMissingSecond);
    EXPECT_EQ(engine.result.differing, 2);
  }
}

}  // namespace

namespace {

// A listing that breaks off part-way, as one on a failing disk does, fails the compare with
// its error and that folder: no silently partial tree.
TEST(FolderScan, AListingThatBreaksOffFailsTheCompare) {
  TempFolder temp;
  // Six entries at the top, ten in the folder below.
  for (int i = 0; i < 10; ++i) {
    writeBoth(temp, "sub/" + std::to_string(i), "x", "x");
    if (i < 5) writeBoth(temp, "top" + std::to_string(i), "x", "x");
  }
  struct Case {
    size_t breaksAfter;
    std::string folder;
  };
  const Case cases[] = {{2, "a"}, {8, "a/sub"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    CompareEngine engine;
    engine.options.adjustPath = false;
    platform::simulateListingFailure(c.breaksAfter);
    const uint32_t exitCode = runJob(engine, temp.path("a"), temp.path("b"));
    platform::simulateListingFailure(platform::kNoListingFailure);
    EXPECT_EQ(exitCode, 1u);
    EXPECT_EQ(engine.job.errorCode(), 1117u);
    EXPECT_EQ(narrow(engine.job.errorPath()), temp.path(c.folder));
    EXPECT_TRUE(engine.result.root.children.empty());
  }
}

}  // namespace
