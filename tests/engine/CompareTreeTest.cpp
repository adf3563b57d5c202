// The compare tree: key order, pairing of names, re-keying, texts, paths and categories.

#include "engine/CompareTree.h"

#include "tests/engine/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using engine_test::narrow;

namespace {

constexpr uint32_t kFolder = kFolderAttribute;

std::vector<std::string> childNames(const CompareItem& item, int side) {
  std::vector<std::string> names;
  for (const auto& [key, child] : item.children) names.push_back(narrow(child.side[side].name));
  return names;
}

TEST(CompareTree, ChildrenAreFoldersFirstThenNamesIgnoringCase) {
  CompareItem root;
  for (const char16_t* name : {u"c.txt", u"B.txt", u"a.txt"}) addEntry(root, 0, name, 1, 0, 0);
  addEntry(root, 0, u"b", 0, 0, kFolder);
  addEntry(root, 0, u"Z", 0, 0, kFolder);
  EXPECT_EQ(childNames(root, 0), (std::vector<std::string>{"b", "Z", "a.txt", "B.txt", "c.txt"}));
  EXPECT_EQ(addEntry(root, 0, u"", 1, 0, 0), nullptr);
}

TEST(CompareTree, NamesDifferingInCaseAcrossSidesPairIntoOneItem) {
  CompareItem root;
  CompareItem* first = addEntry(root, 0, u"Readme.TXT", 5, 0, 0);
  CompareItem* second = addEntry(root, 1, u"readme.txt", 5, 0, 0);
  EXPECT_EQ(first, second);
  ASSERT_EQ(root.children.size(), 1u);
  EXPECT_EQ(narrow(first->side[0].name), "Readme.TXT");
  EXPECT_EQ(narrow(first->side[1].name), "readme.txt");
}

TEST(CompareTree, SameSideCaseCollisionKeepsEveryEntryAndPrefersExactPartner) {
  // A case-sensitive folder holds both spellings on each side, listed in opposite orders.
  CompareItem root;
  addEntry(root, 0, u"a.txt", 1, 0, 0);
  addEntry(root, 0, u"A.txt", 2, 0, 0);
  addEntryExact(root, 1, u"A.txt", 3, 0, 0);
  addEntryExact(root, 1, u"a.txt", 4, 0, 0);
  ASSERT_EQ(root.children.size(), 2u);
  for (const auto& [key, item] : root.children) {
    EXPECT_EQ(item.side[0].name, item.side[1].name);
  }
  // A third spelling on side 1 finds no free partner and gets an item of its own.
  addEntry(root, 1, u"A.TXT", 5, 0, 0);
  EXPECT_EQ(root.children.size(), 3u);
  // Without an exact partner the entry pairs with a free item ignoring case.
  CompareItem other;
  addEntry(other, 0, u"x.txt", 1, 0, 0);
  EXPECT_EQ(addEntryExact(other, 1, u"X.TXT", 1, 0, 0), nullptr);
  EXPECT_EQ(addEntry(other, 1, u"X.TXT", 1, 0, 0), &other.children.begin()->second);
}

TEST(CompareTree, FileAgainstFolderIsKeyedAsFolderInBothScanOrders) {
  for (const bool fileFirst : {true, false}) {
    SCOPED_TRACE(fileFirst);
    CompareItem root;
    CompareItem* grandchild = nullptr;
    if (fileFirst) {
      addEntry(root, 0, u"x", 7, 0, 0);
      CompareItem* folder = addEntry(root, 1, u"X", 0, 0, kFolder);
      grandchild = addEntry(*folder, 1, u"inner", 1, 0, 0);
    } else {
      CompareItem* folder = addEntry(root, 1, u"X", 0, 0, kFolder);
      grandchild = addEntry(*folder, 1, u"inner", 1, 0, 0);
      addEntry(root, 0, u"x", 7, 0, 0);
    }
    ASSERT_EQ(root.children.size(), 1u);
    const auto& [key, item] = *root.children.begin();
    EXPECT_TRUE(key.isFolder);
    EXPECT_FALSE(item.side[0].isFolder());
    EXPECT_EQ(item.side[0].size, 7);
    EXPECT_TRUE(item.side[1].isFolder());
    ASSERT_EQ(item.children.size(), 1u);
    EXPECT_EQ(grandchild->parent, &item);
  }
}

TEST(CompareTree, SizeAndAttributeTexts) {
  const std::vector<std::pair<int64_t, std::string>> sizes = {
      {0, "0"}, {999, "999"}, {1000, "1 000"}, {1234567, "1 234 567"}, {-1234, "-1 234"},
      {INT64_MIN, "-9 223 372 036 854 775 808"}};
  for (const auto& [size, text] : sizes) EXPECT_EQ(narrow(sizeText(size)), text);
  EXPECT_EQ(narrow(attrText(0x1 | 0x2)), "RH");
  EXPECT_EQ(narrow(attrText(0x7 | 0x10)), "RHS");
  EXPECT_EQ(narrow(attrText(0)), "");
  CompareItem root;
  CompareItem* item = addEntry(root, 0, u"f", 1, 0, 0x20 | 0x1);
  EXPECT_EQ(item->side[0].attributes, 0x1u);
}

TEST(CompareTree, TimeTextHasDateAndMinutesButNoSeconds) {
  // 2021-03-04 05:06:07 UTC; whatever the local zone, the text has no seconds.
  const uint64_t time = (1614834367ULL + 11644473600ULL) * 10000000ULL;
  const std::string text = narrow(timeText(time));
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.find(":07"), std::string::npos) << text;
  EXPECT_NE(text.find(':'), std::string::npos) << text;
}

TEST(CompareTree, PathsDepthsAndClearing) {
  CompareResult result;
  resetResult(result);
  result.root.side[0].name = u"/left";
  result.root.side[1].name = u"/right";
  CompareItem* folder = addEntry(result.root, 0, u"sub", 0, 0, kFolder);
  addEntry(result.root, 1, u"SUB", 0, 0, kFolder);
  CompareItem* file = addEntry(*folder, 0, u"f.txt", 1, 0, 0);
  CompareItem* deeper = addEntry(*addEntry(*folder, 0, u"d", 0, 0, kFolder), 0, u"g", 1, 0, 0);
  EXPECT_EQ(folder->depth, 0);
  EXPECT_EQ(file->depth, 1);
  EXPECT_EQ(deeper->depth, 2);
  EXPECT_EQ(narrow(itemPath(*file, 0)), "/left/sub/f.txt");
  EXPECT_EQ(narrow(itemPath(*file, 1)), "");
  EXPECT_EQ(narrow(itemPath(*folder, 1)), "/right/SUB");
  EXPECT_EQ(narrow(itemRelativePath(*folder, 0)), "sub");
  EXPECT_EQ(narrow(itemRelativePath(*file, 0)), "sub/f.txt");
  EXPECT_EQ(narrow(itemRelativePath(result.root, 0)), "");
  EXPECT_EQ(narrow(itemPath(result.root, 0)), "/left");
  result.root.side[0].name = u"/";
  EXPECT_EQ(narrow(itemPath(*file, 0)), "/sub/f.txt");

  result.differing = 3;
  resetResult(result);
  EXPECT_TRUE(result.root.children.empty());
  EXPECT_EQ(result.root.side[0].attributes, kFolder);
  EXPECT_FALSE(result.root.side[0].present());
  EXPECT_EQ(result.differing, 0);
}

TEST(CompareTree, VerdictKeysAndDataCategories) {
  CompareItem item;
  item.side[0].name = u"a";
  item.side[1].name = u"a";
  struct Case {
    uint32_t flags;
    ContentMode mode;
    bool autoSkip;
    const char* verdict;
    const char* category;
  };
  using namespace ItemFlags;
  const Case cases[] = {
      {0, ContentMode::binary, false, "no_diff", "data_same_bin"},
      {0, ContentMode::text, false, "no_diff", "data_same_txt"},
      {0, ContentMode::sampled, false, "no_diff", "data_same_binpart"},
      {kContentDiffers, ContentMode::text, false, "diff", "data_diff"},
      {kContentDiffers | kContentSkipped, ContentMode::binary, true, "diff", "data_ignore"},
      {kTimeDiffers, ContentMode::binary, true, "diff", "data_ignore"},
      {kTimeDiffers, ContentMode::text, false, "diff", "data_same_txt"},
      {kNameCase, ContentMode::binary, true, "diff", "data_ignore"},
      {kTypeDiffers, ContentMode::binary, false, "diff", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    item.flags = c.flags;
    item.contentMode = c.mode;
    EXPECT_EQ(narrow(verdictKey(item)), c.verdict);
    EXPECT_EQ(narrow(dataCategory(item, c.autoSkip)), c.category);
  }
  item.side[1].clear();
  item.flags = kMissing | kMissingSecond;
  EXPECT_EQ(narrow(verdictKey(item)), "second_missing");
  EXPECT_EQ(narrow(dataCategory(item, false)), "");
  item.flags = kMissing;
  EXPECT_EQ(narrow(verdictKey(item)), "first_missing");
}

TEST(CompareTree, JoinPath) {
  EXPECT_EQ(narrow(joinPath(u"/a", u"b")), "/a/b");
  EXPECT_EQ(narrow(joinPath(u"/a/", u"b")), "/a/b");
  EXPECT_EQ(narrow(joinPath(u"/a", u"/b")), "/a/b");
  EXPECT_EQ(narrow(joinPath(u"", u"b")), "b");
  EXPECT_EQ(narrow(joinPath(u"/a", u"")), "/a");
}

}  // namespace

namespace {

// Names sit in the item up to a length and on the heap beyond it; every operation must keep
// the text on both sides of that line, also when a name is given a part of itself.
TEST(CompareTree, ItemNamesKeepTheirTextOnBothSidesOfTheInlineLength) {
  for (const olstring& text : {olstring(), olstring(u"a"), olstring(u"d\u00e9j\u00e0-vu.txt"),
                               olstring(u"d\u00e9j\u00e0-vu.text"), olstring(40, u'\u00df')}) {
    SCOPED_TRACE(narrow(text));
    ItemName copy(text);
    ItemName moved = std::move(copy);
    EXPECT_TRUE(copy.empty());
    copy = moved;
    moved = u"longer than any name kept in place";
    EXPECT_EQ(copy.view(), text);
    EXPECT_EQ(copy.size(), text.size());
    // A tail of itself, as the key of an item may view its own name.
    copy = copy.view().substr(text.empty() ? 0 : 1);
    EXPECT_EQ(copy.view(), olstring_view(text).substr(text.empty() ? 0 : 1));
    copy.clear();
    EXPECT_TRUE(copy.empty());
  }
}

}  // namespace
