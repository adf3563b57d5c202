#include "foundation/Paths.h"
#include "platform/Error.h"
#include "platform/Text.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

using testing_support::TempFolder;

TEST(Paths, WritingCreatesMissingFoldersAndReplacesReadOnlyFiles) {
  TempFolder folder;
  const olstring target = folder.widePath("a/b/c.ini");
  platform::FileHandle handle = openFile(target, true);
  ASSERT_NE(handle, nullptr);
  ASSERT_TRUE(platform::writeFile(handle, "one", 3));
  ASSERT_TRUE(platform::closeFile(handle));
  EXPECT_EQ(testing_support::readFileBytes(folder.path("a/b/c.ini")), "one");

  testing_support::setMode(folder.path("a/b/c.ini"), 0444);
  handle = openFile(target, true);
  ASSERT_NE(handle, nullptr);
  ASSERT_TRUE(platform::writeFile(handle, "two", 3));
  ASSERT_TRUE(platform::closeFile(handle));
  EXPECT_EQ(testing_support::readFileBytes(folder.path("a/b/c.ini")), "two");
}

// Another process may make the same folders at the same moment (two instances preparing
// their work area): a folder that appears while it is being made is no failure.
TEST(Paths, CreateFoldersWhileOthersMakeTheSameFolders) {
  TempFolder folder;
  constexpr int kMakers = 8;
  for (int round = 0; round < 20; ++round) {
    const olstring path = folder.widePath("r" + std::to_string(round) + "/a/b/c/d/e/f");
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    std::atomic<int> failed{0};
    std::vector<std::thread> makers;
    for (int i = 0; i < kMakers; ++i) {
      makers.emplace_back([&] {
        ++ready;
        while (!go) std::this_thread::yield();
        if (!createFolders(path)) ++failed;
      });
    }
    while (ready < kMakers) std::this_thread::yield();
    go = true;
    for (std::thread& maker : makers) maker.join();
    EXPECT_EQ(failed.load(), 0) << "round " << round;
    EXPECT_EQ(pathType(path), PathType::folder);
  }
}

TEST(Paths, CreateFoldersAndPathType) {
  TempFolder folder;
  testing_support::writeFileBytes(folder.path("file"), "12345");
  EXPECT_TRUE(createFolders(folder.widePath("x/y/z")));
  EXPECT_EQ(platform::lastError(), 0u);
  EXPECT_EQ(pathType(folder.widePath("x/y/z")), PathType::folder);
  EXPECT_FALSE(createFolders(folder.widePath("file/sub")));
  EXPECT_FALSE(createFolders(u"no-separator-and-missing"));
  EXPECT_TRUE(createFolders(folder.widePath("x")));  // already there

  uint64_t size = 99;
  EXPECT_EQ(pathType(folder.widePath("file"), &size), PathType::file);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(pathType(folder.widePath("missing"), &size), PathType::none);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(pathType(u""), PathType::none);
  testing_support::makeLink("missing", folder.path("dangling"));
  EXPECT_EQ(pathType(folder.widePath("dangling"), &size), PathType::file);
}

TEST(Paths, ExpansionOfVariablesAndKnownFolders) {
  setenv("HOME", "/home/tester", 1);
  setenv("MRNDIR", "/data", 1);
  const olstring profile = u"%{5E6C858F-0E22-4760-9AFE-EA3317B67173}%";
  EXPECT_EQ(expandPath(u"%MRNDIR%/" + profile + u"/x"), u"/data//home/tester/x");
  EXPECT_EQ(expandPath(profile + u"/a"), u"/home/tester/a");
  // The first pair is too short to be a GUID, which ends the scan.
  EXPECT_EQ(expandPath(u"%NOSUCHVAR%" + profile), u"%NOSUCHVAR%" + profile);
  // A GUID whose first field is zero is no reference; the scan goes on after it.
  EXPECT_EQ(expandPath(u"%{00000000-0E22-4760-9AFE-EA3317B67173}%" + profile),
            u"%{00000000-0E22-4760-9AFE-EA3317B67173}%/home/tester");
  EXPECT_EQ(expandPath(u"plain/path"), u"plain/path");
  EXPECT_EQ(expandPath(u"~/x"), u"/home/tester/x");
  EXPECT_EQ(expandPath(u""), u"");
}

TEST(Paths, AbsoluteAndFullPaths) {
  EXPECT_EQ(absolutePathKind(u"/etc"), PathRoot::absolute);
  EXPECT_EQ(absolutePathKind(u"etc"), PathRoot::relative);
  EXPECT_EQ(absolutePathKind(u""), PathRoot::relative);
  EXPECT_EQ(absolutePathKind(u"C:\\x"), PathRoot::relative);
  EXPECT_EQ(fullPath(u"/a/../b"), u"/a/../b") << "an absolute path comes back unchanged";
  const olstring full = fullPath(u"a/./b/../c");
  ASSERT_FALSE(full.empty());
  EXPECT_EQ(full[0], u'/');
  EXPECT_EQ(full.substr(full.size() - 4), u"/a/c");
}

TEST(Paths, DeleteFolderTreeRemovesLinksButNeverWhatTheyPointTo) {
  TempFolder outside;
  testing_support::writeFileBytes(outside.path("keep/precious.txt"), "mine");
  TempFolder folder;
  testing_support::writeFileBytes(folder.path("tree/a/b/file"), "x");
  testing_support::writeFileBytes(folder.path("tree/ro"), "x");
  testing_support::setMode(folder.path("tree/ro"), 0444);
  testing_support::setMode(folder.path("tree/a/b"), 0555);
  testing_support::makeLink(outside.path("keep"), folder.path("tree/a/link-out"));
  testing_support::makeLink(outside.path("keep/precious.txt"), folder.path("tree/file-link"));
  EXPECT_TRUE(deleteFolderTree(folder.widePath("tree")));
  EXPECT_FALSE(testing_support::exists(folder.path("tree")));
  EXPECT_EQ(testing_support::readFileBytes(outside.path("keep/precious.txt")), "mine");

  // Through a link the folder behind it is not deleted.
  testing_support::makeLink(outside.path("keep"), folder.path("link"));
  EXPECT_FALSE(deleteFolder(folder.widePath("link/")));
  EXPECT_TRUE(testing_support::exists(outside.path("keep/precious.txt")));
  EXPECT_FALSE(deleteFolder(u""));
  EXPECT_FALSE(deleteFolder(folder.widePath("missing")));
  testing_support::makeFolders(folder.path("gone/x"));
  EXPECT_TRUE(deleteFolder(folder.widePath("gone///")));
  EXPECT_FALSE(testing_support::exists(folder.path("gone")));
}

// Splitting and joining follow one rule: separators at the end do not count, the root stays
// the root, and a folder part joined with its name gives the path back.
TEST(Paths, SplittingAndJoiningFollowOneRule) {
  struct Split {
    olstring_view path;
    olstring_view name;
    olstring_view folder;
    olstring_view extension;
  };
  // One theme a line: plain paths; separators at the end or doubled; the root; no folder;
  // extensions; a backslash, which is an ordinary character here.
  const Split splits[] = {
      {u"/a/b/c.txt", u"c.txt", u"/a/b", u".txt"}, {u"a.d/b", u"b", u"a.d", u""},
      {u"/a/b/", u"b", u"/a", u""}, {u"/a/b///", u"b", u"/a", u""}, {u"a//c", u"c", u"a", u""},
      {u"/c", u"c", u"/", u""}, {u"//c", u"c", u"/", u""}, {u"/", u"", u"/", u""},
      {u"c", u"c", u"", u""}, {u"", u"", u"", u""},
      {u"a/data.tar.gz", u"data.tar.gz", u"a", u".gz"}, {u"a/.ini", u".ini", u"a", u".ini"}, {u"a/name.", u"name.", u"a", u"."},
      {u"a\\b/c", u"c", u"a\\b", u""},
  };
  for (const Split& split : splits) {
    SCOPED_TRACE(platform::utf16ToUtf8(split.path));
    EXPECT_EQ(fileNamePart(split.path), split.name);
    EXPECT_EQ(folderPart(split.path), split.folder);
    EXPECT_EQ(extensionPart(split.path), split.extension);
    if (split.path.size() > 1 && split.path.back() != u'/' && split.path.find(u"//") == olstring_view::npos) {
      EXPECT_EQ(joinPath(folderPart(split.path), fileNamePart(split.path)), split.path);
    }
  }

  struct Join {
    olstring_view folder;
    olstring_view name;
    olstring_view joined;
  };
  const Join joins[] = {
      {u"/a", u"b", u"/a/b"}, {u"/a/", u"b", u"/a/b"}, {u"/a", u"/b", u"/a/b"}, {u"/", u"b", u"/b"},
      {u"", u"b", u"b"},      {u"/a", u"", u"/a"},     {u"", u"", u""},         {u"a", u"b/c", u"a/b/c"},
  };
  for (const Join& join : joins) {
    SCOPED_TRACE(platform::utf16ToUtf8(join.folder) + " + " + platform::utf16ToUtf8(join.name));
    EXPECT_EQ(joinPath(join.folder, join.name), join.joined);
  }
}
