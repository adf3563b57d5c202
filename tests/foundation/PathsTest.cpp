#include "foundation/Paths.h"
#include "platform/Error.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

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
  EXPECT_EQ(absolutePathKind(u"/etc"), 1);
  EXPECT_EQ(absolutePathKind(u"etc"), 0);
  EXPECT_EQ(absolutePathKind(u""), 0);
  EXPECT_EQ(absolutePathKind(u"C:\\x"), 0);
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
