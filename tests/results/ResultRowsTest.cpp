// The rows of a real compare in each view, their highlights and descriptions, the
// difference colour and the stored view mode.
#include "foundation/Language.h"
#include "results/ResultRows.h"
#include "tests/results/ResultsTestSupport.h"
#include "toolkit/Theme.h"

#include <gtest/gtest.h>

using namespace ItemFlags;
using results_test::ComparedTrees;
using results_test::rowNames;
using Names = std::vector<std::string>;

namespace {

class ResultRowsTest : public results_test::SharedTreesTest {
protected:
  static ResultRows rowsOf(RowFilter filter, RowShape shape) {
    ResultRows rows;
    buildRows(trees->engine.result.root, rows, filter, shape);
    return rows;
  }
  static const CompareItem* find(const ResultRows& rows, const std::string& name) {
    for (size_t row = 0; row < rows.size(); ++row)
      if (results_test::itemName(*rows.item(row)) == name) return rows.item(row);
    return nullptr;
  }
};

}  // namespace

TEST_F(ResultRowsTest, DifferencesTreeKeepsThePathToADeepDifferenceAndDropsUnchangedFolders) {
  const ResultRows rows = rowsOf(RowFilter::differencesOnly, RowShape::tree);
  EXPECT_EQ(rowNames(rows, true),
            (Names{"deep@0", "one@1", "two@2", "changed.txt@3", "new.txt@3", "onlysecond@0", "thing@0", "Case.txt@0",
                   "onlyfirst.txt@0", "readonly.txt@0", "sizeonly.bin@0", "touched.txt@0"}));
  EXPECT_FALSE(rows.isFlat());
  // Connector lines: "deep" has later shown siblings; "two" is the last shown child of
  // "one", because the untouched file beside it is not shown; "new.txt" ends "two".
  EXPECT_FALSE(rows.isLastShownChild(0));
  EXPECT_TRUE(rows.isLastShownChild(2));
  EXPECT_FALSE(rows.isLastShownChild(3));
  EXPECT_TRUE(rows.isLastShownChild(4));
  EXPECT_EQ(rows.parentRow(4), 2);
  EXPECT_EQ(rows.parentRow(0), -1);
  EXPECT_TRUE(rows.isLastShownChild(11));
}

TEST_F(ResultRowsTest, DifferencesFlatShowsOnlyDifferingItemsAndDifferingFoldersAsRowsOfTheirOwn) {
  const ResultRows rows = rowsOf(RowFilter::differencesOnly, RowShape::flat);
  EXPECT_EQ(rowNames(rows), (Names{"changed.txt", "new.txt", "onlysecond", "thing", "Case.txt", "onlyfirst.txt",
                                   "readonly.txt", "sizeonly.bin", "touched.txt"}));
  EXPECT_TRUE(rows.isFlat());
  EXPECT_EQ(itemRelativePath(*rows.item(0), 0), u"deep/one/two/changed.txt");
  EXPECT_EQ(rows.parentRow(0), -1) << "flat rows have no connector lines";
  for (size_t row = 0; row < rows.size(); ++row) EXPECT_NE(rows.item(row)->flags, 0u);
}

TEST_F(ResultRowsTest, AllItemsShowEveryItemInTreeOrder) {
  const ResultRows rows = rowsOf(RowFilter::allItems, RowShape::flat);
  EXPECT_EQ(rowNames(rows), (Names{"deep", "one", "two", "changed.txt", "new.txt", "untouched.txt", "onlysecond",
                                   "same", "x.txt", "thing", "alpha.txt", "Beta.txt", "bravo.txt", "Case.txt",
                                   "onlyfirst.txt", "readonly.txt", "sizeonly.bin", "touched.txt"}));
  EXPECT_FALSE(rows.isFlat()) << "the flat setting only shapes the differences view";
  EXPECT_FALSE(rows.isLastShownChild(2));
  EXPECT_TRUE(rows.isLastShownChild(5));
  EXPECT_EQ(rows.parentRow(8), 7);
  EXPECT_TRUE(rows.isLastShownChild(17));
  EXPECT_EQ(rows.largestSize(0), 4096 + 5);
  EXPECT_EQ(rows.attributesSeen(0) & 0x1, 0x1u) << "the read-only file widens the attribute column";
  EXPECT_EQ(rows.attributesSeen(1) & 0x1, 0x0u);
}

TEST_F(ResultRowsTest, HighlightsAndDescriptionsOfEachKindOfDifference) {
  const ResultRows rows = rowsOf(RowFilter::allItems, RowShape::tree);
  struct Case {
    const char* name;
    uint32_t flags;
    bool name_, size, attributes, time;
    const char16_t* description;
    const char16_t* spoken;  // what a screen reader says of the row
  };
  const Case cases[] = {
      {"changed.txt", kContentDiffers, true, false, false, false, u"Content", u"content differs"},
      {"new.txt", kMissing, true, false, false, false, u"Missing in first", u"only in the second folder"},
      {"sizeonly.bin", kContentDiffers | kContentSkipped, false, true, false, false, u"Size", u"size differs"},
      {"onlyfirst.txt", kMissing | kMissingSecond, true, false, false, false, u"Missing in second",
       u"only in the first folder"},
      {"onlysecond", kMissing, true, false, false, false, u"Missing in first", u"only in the second folder"},
      {"Case.txt", kNameCase, true, false, false, false, u"Name case", u"name differs in letter case"},
      {"thing", kTypeDiffers, true, false, false, false, u"Folder vs. file", u"folder against file"},
      {"touched.txt", kTimeDiffers, false, false, false, true, u"Modified time", u"modification time differs"},
      {"readonly.txt", kAttrDiffers, false, false, true, false, u"Attributes", u"attributes differ"},
      {"alpha.txt", 0, false, false, false, false, u"No differences", u"no difference"},
      {"deep", 0, false, false, false, false, u"No differences", u"no difference"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CompareItem* item = find(rows, c.name);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->flags, c.flags);
    const RowHighlights h = highlightsOf(*item);
    EXPECT_EQ(h.name, c.name_);
    EXPECT_EQ(h.size, c.size);
    EXPECT_EQ(h.attributes, c.attributes);
    EXPECT_EQ(h.time, c.time);
    EXPECT_EQ(describeDifferences(item->flags), c.description);
    EXPECT_EQ(describeVerdict(item->flags), c.spoken);
  }
}

TEST(DescribeDifferences, FixedOrderJoinedByCommas) {
  EXPECT_EQ(describeDifferences(kContentDiffers | kContentSkipped | kTimeDiffers), u"Size, Modified time");
  EXPECT_EQ(describeDifferences(kAttrDiffers | kTimeDiffers | kContentDiffers | kNameCase | kTypeDiffers),
            u"Folder vs. file, Name case, Content, Modified time, Attributes");
  EXPECT_EQ(describeDifferences(kMissing | kMissingSecond | kAttrDiffers), u"Missing in second, Attributes");
  EXPECT_EQ(describeDifferences(kNameForm | kNameCase | kTimeDiffers), u"Name case, Name form, Modified time");
  EXPECT_EQ(describeVerdict(kNameForm | kNameCase), u"name differs in letter case, name differs in Unicode form");
  EXPECT_EQ(describeVerdict(kContentDiffers | kTimeDiffers | kAttrDiffers),
            u"content differs, modification time differs, attributes differ");
  // Bits without a text of their own describe nothing (and leave no stray comma).
  EXPECT_EQ(describeDifferences(kContentSkipped), u"");
}

TEST(DifferenceColour, KeepsItsDistanceFromTheBackground) {
  EXPECT_EQ(differenceColour(RGB(255, 255, 255)), RGB(204, 102, 0)) << "0.6 away from white: unchanged";
  // The Dark theme's window (lightness 0.118) gets the orange at lightness 0.518.
  const COLORREF onDark = differenceColour(RGB(0x1E, 0x1E, 0x1E));
  EXPECT_EQ(onDark, RGB(255, 132, 9));
  // Lightness 0.5 exactly counts as dark: 0.9.
  EXPECT_EQ(differenceColour(RGB(255, 0, 0)), RGB(255, 230, 204));
  // A light background near the orange's own lightness pushes it darker.
  const COLORREF onSelection = differenceColour(RGB(0x93, 0xC5, 0xEE));
  EXPECT_LT(redOf(onSelection), 204u);
  EXPECT_EQ(blueOf(onSelection), 0u);
  EXPECT_EQ(differenceColour(RGB(0x1E, 0x1E, 0x1E)), onDark) << "cached";
  for (COLORREF background : {RGB(0x1E, 0x1E, 0x1E), RGB(0x00, 0x2D, 0x4F), RGB(0x09, 0x42, 0x09), RGB(0xFF, 0xFF, 0xFF)})
    EXPECT_GE(contrastRatio(differenceColour(background), background), 3.0);
}

TEST(ViewMode, ReadOnceAndStoredAtOnceAnythingButOneIsDifferences) {
  results_test::PrivateSettings settings;
  testing_support::writeFileBytes(settings.configPath(), "[global]\nviewmode = 7\n");
  EXPECT_EQ(viewMode(), kViewDifferences);
  testing_support::writeFileBytes(settings.configPath(), "[global]\nviewmode = 1\n");
  EXPECT_EQ(viewMode(), kViewDifferences) << "kept in memory once read";
  forgetViewMode();
  EXPECT_EQ(viewMode(), kViewAllItems);
  setViewMode(2);
  EXPECT_EQ(viewMode(), kViewDifferences);
  EXPECT_NE(settings.configText().find("viewmode = 0"), std::string::npos) << settings.configText();
  setViewMode(kViewAllItems);
  EXPECT_NE(settings.configText().find("viewmode = 1"), std::string::npos);
}
