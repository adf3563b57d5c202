// The one door of the toolkit list's state: each kind of caret move, from a given selection,
// caret and anchor, gives the selection, caret and anchor it promises, and tells the parent
// exactly when the selection changed.
#include "tests/toolkit/GuiTest.h"
#include "toolkit/App.h"
#include "toolkit/ListView.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Rows = std::vector<int>;

// A dialog holding a list of ten rows that records the list's notification codes.
class ListOwner : public gui_test::SimpleDialog {
public:
  olListView list;
  std::vector<UINT> codes;

  void attachControls() override { list.create(m_hwnd, kListId); }
  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND && LOWORD(wParam) == kListId) codes.push_back(HIWORD(wParam));
    return gui_test::SimpleDialog::windowProc(message, wParam, lParam);
  }
  static constexpr int kListId = 300;
};

Rows selectedRows(const olListView& list) {
  Rows rows;
  list.selection().forEachSelected(list.rowCount(), [&](int row) {
    rows.push_back(row);
    return true;
  });
  return rows;
}

TEST(ListViewCursor, EachMoveGivesTheSelectionCaretAndAnchorItPromises) {
  struct Case {
    const char* name;
    Rows selected;
    int current;
    int anchor;
    int row;
    olCursorMove how;
    Rows wantSelected;
    int wantCurrent;
    int wantAnchor;
  };
  const Case cases[] = {
      {"alone", {1, 2}, 2, 1, 5, olCursorMove::alone, {5}, 5, 5},
      {"extend from the anchor", {1}, 1, 1, 4, olCursorMove::extend, {1, 2, 3, 4}, 4, 1},
      {"extend upward", {6}, 6, 6, 3, olCursorMove::extend, {3, 4, 5, 6}, 3, 6},
      {"extend without an anchor starts at the caret", {}, 3, -1, 6, olCursorMove::extend, {3, 4, 5, 6}, 6, 3},
      {"extend without anchor or caret", {}, -1, -1, 6, olCursorMove::extend, {6}, 6, 6},
      {"toggle a selected row off", {2, 3}, 2, 2, 3, olCursorMove::toggle, {2}, 3, 3},
      {"toggle an unselected row on", {2}, 2, 2, 7, olCursorMove::toggle, {2, 7}, 7, 7},
      {"caret only", {2}, 2, 2, 7, olCursorMove::caretOnly, {2}, 7, 2},
      {"keep if selected, on a selected row", {2, 3, 4}, 2, 2, 3, olCursorMove::keepIfSelected, {2, 3, 4}, 3, 3},
      {"keep if selected, elsewhere", {2, 3, 4}, 2, 2, 8, olCursorMove::keepIfSelected, {8}, 8, 8},
      {"no such row", {2}, 2, 2, 10, olCursorMove::alone, {2}, 2, 2},
      {"no row at all", {2}, 2, 2, -1, olCursorMove::toggle, {2}, 2, 2},
  };
  ListOwner owner;
  ASSERT_TRUE(owner.createModeless(nullptr));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    olRowSelection start;
    start.assign(c.selected, false);
    owner.list.resetRows(10, start, c.current, c.anchor);
    pumpMessages(0);
    owner.codes.clear();
    owner.list.setCursor(c.row, c.how, olScrollAlign::none);
    pumpMessages(0);
    EXPECT_EQ(selectedRows(owner.list), c.wantSelected);
    EXPECT_EQ(owner.list.currentRow(), c.wantCurrent);
    EXPECT_EQ(owner.list.anchorRow(), c.wantAnchor);
    const bool changed = c.wantSelected != c.selected;
    EXPECT_EQ(owner.codes, changed ? std::vector<UINT>{kListSelectionChanged} : std::vector<UINT>{})
        << "the parent hears of a change of the selection, and only of one";
  }
  owner.unbind(olUnbind::destroyWindow);
}

TEST(ListViewCursor, ARebuildPutsBackOnlyWhatFitsAndTellsNobody) {
  ListOwner owner;
  ASSERT_TRUE(owner.createModeless(nullptr));
  olRowSelection start;
  start.assign({1, 2}, false);
  owner.list.resetRows(10, start, 9, 8);
  pumpMessages(0);
  owner.codes.clear();
  // Fewer rows than before: a caret or an anchor past the end is gone, not clamped onto
  // another row.
  olRowSelection kept;
  kept.assign({1}, true);
  owner.list.resetRows(5, kept, 7, 4);
  pumpMessages(0);
  EXPECT_EQ(owner.list.rowCount(), 5);
  EXPECT_EQ(selectedRows(owner.list), (Rows{0, 2, 3, 4}));
  EXPECT_EQ(owner.list.currentRow(), -1);
  EXPECT_EQ(owner.list.anchorRow(), 4);
  EXPECT_TRUE(owner.codes.empty());
  owner.unbind(olUnbind::destroyWindow);
}

}  // namespace
