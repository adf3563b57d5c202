// The selection set of the toolkit's list: ranges, the inverted flag and the complement rule.
#include "toolkit/RowSelection.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> selected(const olRowSelection& selection, int rowCount) {
  std::vector<int> rows;
  selection.forEachSelected(rowCount, [&](int row) {
    rows.push_back(row);
    return true;
  });
  return rows;
}

}  // namespace

TEST(RowSelection, SelectAllThenInvertLeavesNothing) {
  olRowSelection selection;
  selection.selectAll();
  EXPECT_EQ(selection.selectedCount(1000000), 1000000);
  EXPECT_EQ(selection.setSize(), 0);
  selection.invert();
  EXPECT_EQ(selection.selectedCount(1000000), 0);
  EXPECT_EQ(selection.firstSelected(1000000), -1);
  EXPECT_EQ(selection.lastSelected(1000000), -1);
}

TEST(RowSelection, TheComplementRuleKeepsTheSetSmallAt200Rows) {
  olRowSelection selection;
  // 149 rows selected one by one: the set holds them all (149 < 150 = 3/4 of 200).
  for (int row = 0; row < 149; ++row) selection.setSelected(row, true, 200);
  EXPECT_FALSE(selection.inverted());
  EXPECT_EQ(selection.setSize(), 149);
  // The 150th turns the set into its complement: the 50 unselected rows, inverted.
  selection.setSelected(199, true, 200);
  EXPECT_TRUE(selection.inverted());
  EXPECT_EQ(selection.setSize(), 50);
  EXPECT_EQ(selection.selectedCount(200), 150);
  EXPECT_TRUE(selection.isSelected(199));
  EXPECT_FALSE(selection.isSelected(149));
  EXPECT_EQ(selection.firstSelected(200), 0);
  EXPECT_EQ(selection.lastSelected(200), 199);
  // Removing a row now adds it to the set.
  selection.setSelected(0, false, 200);
  EXPECT_EQ(selection.setSize(), 51);
  EXPECT_EQ(selection.firstSelected(200), 1);
  // Small lists never switch.
  olRowSelection small;
  for (int row = 0; row < 99; ++row) small.setSelected(row, true, 99);
  EXPECT_FALSE(small.inverted());
}

TEST(RowSelection, RangesJoinSplitAndListInOrder) {
  olRowSelection selection;
  selection.selectOnlyRange(9, 3);
  EXPECT_EQ(selection.ranges().size(), 1u);
  selection.setSelected(6, false, 1000);
  EXPECT_EQ(selected(selection, 1000), (std::vector<int>{3, 4, 5, 7, 8, 9}));
  selection.setSelected(6, true, 1000);
  selection.setSelected(10, true, 1000);
  EXPECT_EQ(selection.ranges().size(), 1u);
  EXPECT_EQ(selection.setSize(), 8);
  selection.invert();
  EXPECT_EQ(selected(selection, 14), (std::vector<int>{0, 1, 2, 11, 12, 13}));
  EXPECT_EQ(selection.lastSelected(11), 2) << "the rows past the list's end are not counted";
  selection.assign({1, 2, 2, 5}, false);
  EXPECT_EQ(selected(selection, 10), (std::vector<int>{1, 2, 5}));
}

TEST(RowSelection, DifferingRowsAreThoseOneSelectionHoldsAndTheOtherNot) {
  constexpr int kTooMany = -1;
  struct Case {
    const char* name;
    std::vector<int> a;
    bool aInverted;
    std::vector<int> b;
    bool bInverted;
    int limit;
    std::vector<int> want;  // {kTooMany}: more than the limit
  };
  const Case cases[] = {
      {"the same rows", {2, 3, 7}, false, {2, 3, 7}, false, 8, {}},
      {"the caret's row moves down", {3}, false, {4}, false, 8, {3, 4}},
      {"a run grows at its end", {3, 4, 5}, false, {3, 4, 5, 6}, false, 8, {6}},
      {"a run shrinks at its start", {3, 4, 5}, false, {4, 5}, false, 8, {3}},
      {"runs that touch", {1, 2}, false, {3, 4}, false, 8, {1, 2, 3, 4}},
      {"all but two, against one of those two", {4, 5}, true, {5}, false, 20, {0, 1, 2, 3, 5, 6, 7, 8, 9}},
      {"everything, inverted to nothing", {}, true, {}, false, 9, {kTooMany}},
      {"one row out of everything", {}, true, {6}, true, 1, {6}},
      {"rows past the list's end count for nothing", {12, 13}, false, {}, false, 8, {}},
      {"exactly the limit", {0, 1, 2}, false, {}, false, 3, {0, 1, 2}},
      {"one more than the limit", {0, 1, 2, 3}, false, {}, false, 3, {kTooMany}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    olRowSelection a, b;
    a.assign(c.a, c.aInverted);
    b.assign(c.b, c.bInverted);
    std::vector<int> rows{99};
    const bool fits = differingRows(a, b, 10, c.limit, rows);
    if (c.want == std::vector<int>{kTooMany}) {
      EXPECT_FALSE(fits);
      EXPECT_TRUE(rows.empty());
    } else {
      EXPECT_TRUE(fits);
      EXPECT_EQ(rows, c.want);
    }
  }
}
