// The results list in a window over a real compare: selection by mouse and keys, next and
// previous difference, the view switch, the context menu's enabling, open and open-folder,
// copy, type-ahead, and Enter.
#include "results/ListView.h"
#include "tests/results/ResultsTestSupport.h"
#include "tests/toolkit/GuiTest.h"
#include "toolkit/App.h"
#include "toolkit/Hotkeys.h"
#include "toolkit/Shell.h"
#include "toolkit/WindowInternal.h"
#include "window/Menus.h"

#include <QApplication>
#include <QMenu>
#include <QTest>

using namespace list_command;
using results_test::ComparedTrees;
using results_test::ListHarness;
using results_test::rowOf;

namespace {

class ListViewTest : public results_test::ListTest {
protected:
  void SetUp() override {
    ListTest::SetUp();
    pumpMessages(10);
    harness.notifications.clear();
  }
  void TearDown() override { setShellRecorder({}); }

  QWidget* widget() { return widgetOf(harness.list.hwnd()); }
  QPoint pointOf(int row) {
    const RECT r = list().rowRect(row);
    return QPoint(r.left + 60, r.top + r.height() / 2);
  }
  void click(int row, Qt::KeyboardModifiers modifiers = {}, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(widget(), button, modifiers, pointOf(row));
    pumpMessages();
  }
  void key(Qt::Key k, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(widget(), k, modifiers);
    pumpMessages();
  }
  bool notified(UINT code) {
    return std::find(harness.notifications.begin(), harness.notifications.end(), code) != harness.notifications.end();
  }
};

using Rows = std::vector<int>;

}  // namespace

TEST_F(ListViewTest, MouseSelectsAloneTogglesWithCtrlExtendsWithShiftAndDrags) {
  ASSERT_EQ(list().rowCount(), 18);
  EXPECT_EQ(list().rowHeight() % 2, 0);
  EXPECT_GE(list().rowHeight(), list().indentWidth() + 4);

  click(2);
  EXPECT_EQ(selectedRows(), (Rows{2}));
  EXPECT_EQ(list().currentRow(), 2);
  EXPECT_TRUE(notified(kListSelectionChanged));
  click(4, Qt::ControlModifier);
  EXPECT_EQ(selectedRows(), (Rows{2, 4}));
  EXPECT_EQ(list().anchorRow(), 4);
  click(6, Qt::ShiftModifier);
  EXPECT_EQ(selectedRows(), (Rows{4, 5, 6}));
  EXPECT_EQ(list().currentRow(), 6);

  // A right click on a selected row keeps the selection for the menu; on another row it
  // selects that row alone; with Ctrl it changes nothing. Its release is reported.
  harness.notifications.clear();
  click(5, {}, Qt::RightButton);
  EXPECT_EQ(selectedRows(), (Rows{4, 5, 6}));
  EXPECT_EQ(list().currentRow(), 5);
  EXPECT_TRUE(notified(kListRightButtonUp));
  click(8, Qt::ControlModifier, Qt::RightButton);
  EXPECT_EQ(selectedRows(), (Rows{4, 5, 6}));
  click(8, {}, Qt::RightButton);
  EXPECT_EQ(selectedRows(), (Rows{8}));

  // Dragging with the button held selects from where it went down.
  QTest::mousePress(widget(), Qt::LeftButton, {}, pointOf(1));
  EXPECT_EQ(getCapture(), list().hwnd());
  QMouseEvent move(QEvent::MouseMove, pointOf(4), widget()->mapToGlobal(pointOf(4)), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(widget(), &move);
  QTest::mouseRelease(widget(), Qt::LeftButton, {}, pointOf(4));
  pumpMessages();
  EXPECT_EQ(selectedRows(), (Rows{1, 2, 3, 4}));
  EXPECT_EQ(list().currentRow(), 4);

  // Below the last row nothing stays selected.
  QTest::mouseClick(widget(), Qt::LeftButton, {}, QPoint(60, list().rowCount() * list().rowHeight() + 5));
  EXPECT_TRUE(selectedRows().empty());
}

TEST_F(ListViewTest, HoverFollowsTheMouseAndLeavesWithIt) {
  QMouseEvent move(QEvent::MouseMove, pointOf(3), widget()->mapToGlobal(pointOf(3)), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(widget(), &move);
  EXPECT_EQ(list().hoverRow(), 3);
  sendMessage(list().hwnd(), WM_MOUSELEAVE);
  EXPECT_EQ(list().hoverRow(), -1);
}

TEST_F(ListViewTest, NavigationKeysMoveSelectAndExtend) {
  key(Qt::Key_Down);
  EXPECT_EQ(selectedRows(), (Rows{0})) << "without a current row the first row is the start";
  key(Qt::Key_Down);
  key(Qt::Key_Down, Qt::ShiftModifier);
  key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(selectedRows(), (Rows{1, 2, 3}));
  EXPECT_EQ(list().currentRow(), 3);
  key(Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(list().currentRow(), 4);
  EXPECT_EQ(selectedRows(), (Rows{1, 2, 3})) << "Ctrl moves only the caret";
  key(Qt::Key_Space, Qt::ControlModifier);
  EXPECT_EQ(selectedRows(), (Rows{1, 2, 3, 4}));
  key(Qt::Key_End);
  EXPECT_EQ(selectedRows(), (Rows{17}));
  key(Qt::Key_PageUp);
  const int page = std::max(1, list().wholeVisibleRows() - 1);
  EXPECT_EQ(list().currentRow(), std::max(0, 17 - page));
  EXPECT_GE(list().firstVisibleRow(), 0);
  key(Qt::Key_Home);
  EXPECT_EQ(selectedRows(), (Rows{0}));
  key(Qt::Key_Up);
  EXPECT_EQ(list().currentRow(), 0) << "clamped to the rows";

  // A list so short that not one whole row fits still pages by one row.
  moveWindow(list().hwnd(), 0, 0, 400, list().rowHeight() / 2);
  key(Qt::Key_PageDown);
  EXPECT_EQ(list().currentRow(), 1);
}

TEST_F(ListViewTest, NextAndPreviousDifferenceStopAtTheEnds) {
  key(Qt::Key_F4);
  EXPECT_EQ(selectedRows(), (Rows{row("changed.txt")})) << "without a current row F4 finds the first difference";
  EXPECT_TRUE(notified(kListCaretMoved));
  const int last = row("touched.txt");
  for (int i = 0; i < 20; ++i) key(Qt::Key_F4);
  EXPECT_EQ(list().currentRow(), last);
  harness.notifications.clear();
  key(Qt::Key_F4);
  EXPECT_EQ(list().currentRow(), last) << "no wrap-around";
  EXPECT_FALSE(notified(kListSelectionChanged));
  key(Qt::Key_F4, Qt::ShiftModifier);
  EXPECT_EQ(list().currentRow(), row("sizeonly.bin"));
  list().selectRowAlone(row("alpha.txt"));
  key(Qt::Key_F4, Qt::ShiftModifier);
  EXPECT_EQ(list().currentRow(), row("thing")) << "back over the equal files";

  // The main window hands F4 to the list through its hotkey table.
  olHotkeyTable table;
  list().addHotkeys(table);
  EXPECT_EQ(table.size(), 6u);
  MSG f4;
  f4.hwnd = harness.edit.hwnd();
  f4.message = WM_KEYDOWN;
  f4.wParam = VK_F4;
  EXPECT_TRUE(table.translate(f4));
  EXPECT_EQ(list().currentRow(), row("Case.txt"));
}

TEST_F(ListViewTest, SelectAllThenInvertLeavesNothingAndTheMenuSaysSo) {
  buildMenus(false);
  olMenu& menu = listViewMenu();
  key(Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(list().selectedCount(), 18);
  EXPECT_TRUE(list().selection().inverted());
  EXPECT_EQ(list().selection().setSize(), 0);
  list().updateContextMenu(menu);
  EXPECT_FALSE(menu.isEnabled(kSelectAll));
  list().runCommand(kInvertSelection);
  EXPECT_EQ(list().selectedCount(), 0);
  list().updateContextMenu(menu);
  EXPECT_FALSE(menu.isEnabled(kDeselectAll));
  EXPECT_TRUE(menu.isEnabled(kSelectAll));
  EXPECT_FALSE(menu.isEnabled(kDetails));
}

TEST_F(ListViewTest, ViewSwitchKeepsSelectedItemsTheCurrentRowAndTheAnchor) {
  click(row("alpha.txt"));
  click(row("sizeonly.bin"), Qt::ControlModifier);
  click(row("changed.txt"), Qt::ControlModifier);
  ASSERT_EQ(list().currentRow(), row("changed.txt"));
  setViewMode(kViewDifferences);
  list().rebuildRows(FindText::keep);
  EXPECT_EQ(list().rowCount(), 12);
  EXPECT_EQ(selectedRows(), (Rows{row("changed.txt"), row("sizeonly.bin")})) << "alpha.txt is no longer shown";
  EXPECT_EQ(list().currentRow(), row("changed.txt")) << "the caret stays on its item, not on its old index";
  EXPECT_EQ(list().anchorRow(), row("changed.txt"));

  list().selectRowAlone(row("Case.txt"));
  setViewMode(kViewAllItems);
  list().rebuildRows(FindText::keep);
  EXPECT_EQ(selectedRows(), (Rows{row("Case.txt")}));
  // A caret whose item is no longer shown is gone rather than pointing at another item.
  list().selectRowAlone(row("same"));
  setViewMode(kViewDifferences);
  list().rebuildRows(FindText::keep);
  EXPECT_EQ(list().currentRow(), -1);
  EXPECT_EQ(list().anchorRow(), -1);
}

TEST_F(ListViewTest, InvertedSelectionAlsoSelectsRowsNewlyShownInTheAllItemsView) {
  setViewMode(kViewDifferences);
  list().rebuildRows(FindText::keep);
  list().selectRowAlone(row("changed.txt"));
  list().invertSelection();
  EXPECT_EQ(list().selectedCount(), 11);
  setViewMode(kViewAllItems);
  list().rebuildRows(FindText::keep);
  EXPECT_TRUE(list().selection().inverted());
  EXPECT_FALSE(list().isSelected(row("changed.txt")));
  EXPECT_TRUE(list().isSelected(row("alpha.txt"))) << "a row the differences view did not show";
  EXPECT_EQ(list().selectedCount(), 17);
}

TEST_F(ListViewTest, ContextMenuEnablingFollowsTheSelection) {
  buildMenus(false);
  olMenu& menu = listViewMenu();
  auto openSubmenus = [&] {
    std::vector<bool> enabled;
    for (olMenu* submenu : menu.submenus()) enabled.push_back(submenu->isSubmenuEnabled());
    return enabled;
  };
  struct Case {
    const char* name;
    std::vector<const char*> rows;
    bool details, first, second;
  };
  const Case cases[] = {
      {"both sides", {"changed.txt"}, true, true, true},
      {"first side only", {"onlyfirst.txt"}, true, true, false},
      {"second side only", {"onlysecond"}, true, false, true},
      {"two rows", {"alpha.txt", "Beta.txt"}, false, false, false},
      {"no row", {}, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    list().deselectAll();
    for (const char* name : c.rows) click(row(name), Qt::ControlModifier);
    list().updateContextMenu(menu);
    EXPECT_EQ(menu.isEnabled(kDetails), c.details);
    EXPECT_EQ(menu.isEnabled(kOpenFirst), c.first);
    EXPECT_EQ(menu.isEnabled(kOpenFolderFirst), c.first);
    EXPECT_EQ(menu.isEnabled(kOpenSecond), c.second);
    EXPECT_EQ(menu.isEnabled(kOpenFolderSecond), c.second);
    EXPECT_EQ(openSubmenus(), (std::vector<bool>{c.first || c.second, c.first || c.second}));
    EXPECT_TRUE(menu.isEnabled(kNextDifference));
    EXPECT_TRUE(menu.isEnabled(kFindAll));
    EXPECT_EQ(menu.isEnabled(kDeselectAll), !c.rows.empty());
  }

  // Asked for from the keyboard, the menu opens just below the current row.
  list().selectRowAlone(3);
  int shownAt = -1;
  gui_test::Reaper reaper;
  gui_test::later(50, [&] {
    if (QWidget* popup = QApplication::activePopupWidget()) {
      shownAt = popup->geometry().top();
      popup->close();
    }
  });
  list().setContextMenu(&menu);
  sendMessage(list().hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list().hwnd()), MAKELPARAM(-1, -1));
  const RECT current = list().rowRect(3);
  EXPECT_EQ(shownAt, clientToScreen(list().hwnd(), POINT{0, current.bottom}).y);
}

TEST_F(ListViewTest, OpenAndOpenFolderHandTheDesktopTheItemOrTheGivenPath) {
  std::vector<std::pair<ShellRequest, std::string>> requests;
  setShellRecorder([&](ShellRequest request, const std::string& url) {
    requests.emplace_back(request, url);
    return true;
  });
  list().selectRowAlone(row("onlyfirst.txt"));
  list().runCommand(kOpenFirst);
  list().runCommand(kOpenSecond);  // the second side has no such item
  list().runCommand(kOpenFolderFirst);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0], std::make_pair(ShellRequest::openItem, fileUrl(fromUtf8(trees->first() + "/onlyfirst.txt"))));
  EXPECT_EQ(requests[1],
            std::make_pair(ShellRequest::showInFolder, fileUrl(fromUtf8(trees->first() + "/onlyfirst.txt"))));

  // An item gone from the shown root falls back to the path the user gave.
  requests.clear();
  list().selectRowAlone(row("new.txt"));
  const std::string added = trees->second() + "/deep/one/two/new.txt";
  const std::string saved = testing_support::readFileBytes(added);
  ASSERT_EQ(std::remove(added.c_str()), 0);
  list().runCommand(kOpenSecond);
  testing_support::writeFileBytes(added, saved);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].second, fileUrl(fromUtf8(trees->second())));

  // With two rows selected nothing opens.
  requests.clear();
  click(row("alpha.txt"), Qt::ControlModifier);
  list().runCommand(kOpenFirst);
  EXPECT_TRUE(requests.empty());
}

TEST_F(ListViewTest, OpenKeepsEveryByteOfANameThatIsNotUtf8) {
  testing_support::TempFolder temp;
  testing_support::writeFileBytes(temp.path("a/caf\xe9.txt"), "latin-1 name");
  testing_support::makeFolders(temp.path("b"));
  CompareEngine engine;
  engine.options.path0 = fromUtf8(temp.path("a"));
  engine.options.path1 = fromUtf8(temp.path("b"));
  ASSERT_TRUE(engine.worker.startWorker(engine));
  engine.worker.waitFinished();
  list().setResult(&engine.result);
  list().rebuildRows(FindText::clear);
  ASSERT_EQ(list().rowCount(), 1);
  std::string url;
  setShellRecorder([&](ShellRequest, const std::string& address) {
    url = address;
    return true;
  });
  list().selectRowAlone(0);
  EXPECT_TRUE(list().openItem(0));
  EXPECT_NE(url.find("caf%E9.txt"), std::string::npos) << url;
  list().clearRows();
  list().setResult(&trees->engine.result);
}

TEST_F(ListViewTest, CopyPutsOneLinePerSelectedRowAndAFolderShowsOnlyItsNames) {
  click(row("deep"));
  click(row("new.txt"), Qt::ControlModifier);
  click(row("readonly.txt"), Qt::ControlModifier);
  harness.notifications.clear();
  key(Qt::Key_C, Qt::ControlModifier);
  const CompareItem& added = *list().rowItem(row("new.txt"));
  const CompareItem& readonly = *list().rowItem(row("readonly.txt"));
  const olstring expected =
      u"deep : deep\n"
      u">>>  : new.txt | " + timeText(added.side[1].modified) + u" |  | 3\n"
      u"readonly.txt | " + timeText(readonly.side[0].modified) + u" | R | 12 : readonly.txt | " +
      timeText(readonly.side[1].modified) + u" |  | 12\n";
  EXPECT_EQ(clipboardText(), expected);
  EXPECT_TRUE(notified(kListCaretMoved));
}

TEST_F(ListViewTest, TypeAheadJumpsToTheNextNameStartingWithTheLetter) {
  list().selectRowAlone(row("alpha.txt"));
  key(Qt::Key_B);
  EXPECT_EQ(list().currentRow(), row("Beta.txt"));
  key(Qt::Key_B);
  EXPECT_EQ(list().currentRow(), row("bravo.txt"));
  key(Qt::Key_B);
  EXPECT_EQ(list().currentRow(), row("Beta.txt")) << "wraps around once";
  key(Qt::Key_T);
  EXPECT_EQ(list().currentRow(), row("touched.txt"));
  key(Qt::Key_T);
  EXPECT_EQ(list().currentRow(), row("two")) << "on from the top";
  key(Qt::Key_Q);
  EXPECT_EQ(list().currentRow(), row("two")) << "no row starts with Q";
}

TEST_F(ListViewTest, EnterOnTheListAsksForDetailsAndNeverStartsACompare) {
  list().selectRowAlone(2);
  setFocus(list().hwnd());
  harness.notifications.clear();
  key(Qt::Key_Return);
  EXPECT_EQ(harness.compareCommands, 0);
  EXPECT_TRUE(notified(kListDetailsByKey));
  // The same key in the edit presses the default button: the check above can fail.
  setFocus(harness.edit.hwnd());
  QTest::keyClick(widgetOf(harness.edit.hwnd()), Qt::Key_Return);
  pumpMessages();
  EXPECT_EQ(harness.compareCommands, 1);
}

TEST_F(ListViewTest, DetailsUseTheSelectedRowAndMakeItCurrent) {
  click(2);
  click(5, Qt::ControlModifier);
  click(5, Qt::ControlModifier);  // deselected again, but it stays the caret
  ASSERT_EQ(selectedRows(), (Rows{2}));
  ASSERT_EQ(list().currentRow(), 5);
  harness.notifications.clear();
  key(Qt::Key_Space);
  EXPECT_EQ(list().currentRow(), 2);
  EXPECT_EQ(list().detailsItem(), list().rowItem(2));
  EXPECT_TRUE(notified(kListDetailsByKey));

  harness.notifications.clear();
  QTest::mouseDClick(widget(), Qt::LeftButton, {}, pointOf(7));
  pumpMessages();
  EXPECT_TRUE(notified(kListDetailsByMouse));
  EXPECT_EQ(list().detailsItem(), list().rowItem(7));
}
