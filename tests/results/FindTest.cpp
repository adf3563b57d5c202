// Find in the results list: the dialog, the start rules, wrap-around, find all, and how
// long the find text lives.
#include "results/FindDlg.h"
#include "results/ListView.h"
#include "tests/results/ResultsTestSupport.h"
#include "tests/toolkit/GuiTest.h"
#include "toolkit/App.h"
#include "toolkit/WindowInternal.h"

#include <QApplication>
#include <QTest>

using results_test::ComparedTrees;
using results_test::ListHarness;
using results_test::rowOf;

namespace {

// The open find dialog, or nullptr.
HWND openFindDialog() {
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window->isVisible() && window->windowTitle() == QStringLiteral("Find")) return handleOf(window);
  return nullptr;
}

class FindTest : public results_test::ListTest {
protected:
  // Runs the action while the find dialog is open, with its window.
  void whileDialogOpen(std::function<void(HWND)> action) {
    gui_test::later(50, [action] {
      const HWND dialog = openFindDialog();
      ASSERT_NE(dialog, nullptr) << "the find dialog is open";
      action(dialog);
    });
  }
};

using Rows = std::vector<int>;

}  // namespace

TEST_F(FindTest, FindNextWrapsAroundToTheCurrentRowWhenItIsTheOnlyMatch) {
  list().selectRowAlone(row("changed.txt"));
  list().setFindText(u"CHANGED");
  list().findAgain(FindDirection::next);
  EXPECT_EQ(list().currentRow(), row("changed.txt"));
  EXPECT_EQ(selectedRows(), (Rows{row("changed.txt")}));
  list().findAgain(FindDirection::previous);
  EXPECT_EQ(list().currentRow(), row("changed.txt"));
}

TEST_F(FindTest, FindAllSelectsEveryMatchIgnoringCaseAndEndsOnTheLast) {
  moveWindow(list().hwnd(), 0, 0, 800, 5 * list().rowHeight());
  list().setFindText(u"TXT");
  list().findAgain(FindDirection::all);
  std::vector<int> expected;
  for (const char* name : {"changed.txt", "new.txt", "untouched.txt", "x.txt", "alpha.txt", "Beta.txt", "bravo.txt",
                           "Case.txt", "onlyfirst.txt", "readonly.txt", "touched.txt"})
    expected.push_back(row(name));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(selectedRows(), expected);
  EXPECT_EQ(list().currentRow(), row("touched.txt"));
  const RECT current = list().rowRect(list().currentRow());
  EXPECT_GE(current.top, 0);
  EXPECT_LE(current.bottom, getClientRect(list().hwnd()).bottom) << "the last match is scrolled into view";
}

TEST_F(FindTest, SecondNamesCountAndNoMatchChangesNothing) {
  list().setFindText(u"NEW");
  list().findAgain(FindDirection::next);
  EXPECT_EQ(selectedRows(), (Rows{row("new.txt")})) << "an item only on the second side";
  pumpMessages();
  harness.notifications.clear();
  list().setFindText(u"no such name");
  list().findAgain(FindDirection::all);
  EXPECT_EQ(selectedRows(), (Rows{row("new.txt")}));
  EXPECT_EQ(list().currentRow(), row("new.txt"));
  pumpMessages();
  EXPECT_EQ(harness.notifications, (std::vector<UINT>{kListCaretMoved})) << "searched, but no selection change";
}

TEST_F(FindTest, StartRulesCountAnInvertedSelectionRight) {
  // Everything but the first two rows selected, the caret on an unselected row: the
  // search starts after the first selected row (2), so it finds untouched.txt (5), not
  // "one" (1) or "two" (2).
  list().selectAll();
  QTest::mouseClick(widgetOf(list().hwnd()), Qt::LeftButton, Qt::ControlModifier, QPoint(60, list().rowHeight() / 2));
  QTest::mouseClick(widgetOf(list().hwnd()), Qt::LeftButton, Qt::ControlModifier,
                    QPoint(60, list().rowHeight() + list().rowHeight() / 2));
  ASSERT_TRUE(list().selection().inverted());
  ASSERT_EQ(list().currentRow(), 1);
  list().setFindText(u"o");
  list().findAgain(FindDirection::next);
  EXPECT_EQ(list().currentRow(), row("untouched.txt"));

  // Backward: the last row unselected and the caret on it; the search starts before the
  // last selected row (16), so it finds readonly.txt (15), not sizeonly.bin (16).
  list().selectAll();
  const int last = list().rowCount() - 1;
  list().ensureVisible(last);
  QTest::mouseClick(widgetOf(list().hwnd()), Qt::LeftButton, Qt::ControlModifier, QPoint(60, list().rowRect(last).top + 3));
  ASSERT_FALSE(list().isSelected(last));
  ASSERT_EQ(list().currentRow(), last);
  list().setFindText(u"y");
  list().findAgain(FindDirection::previous);
  EXPECT_EQ(list().currentRow(), row("readonly.txt"));
}

TEST_F(FindTest, F3BeforeAnySearchOpensTheDialogAndCtrlF3FindsAll) {
  gui_test::Reaper reaper;
  bool okWasDisabled = false;
  whileDialogOpen([&](HWND dialog) {
    okWasDisabled = !isWindowEnabled(getDlgItem(dialog, IDOK));
    sendMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED));
  });
  QTest::keyClick(widgetOf(list().hwnd()), Qt::Key_F3);
  EXPECT_TRUE(okWasDisabled) << "OK needs a text";
  EXPECT_TRUE(list().findText().empty());

  whileDialogOpen([&](HWND dialog) {
    QWidget* edit = widgetOf(getDlgItem(dialog, control_id::kFindEdit));
    QTest::keyClicks(edit, "bRaVo");
    EXPECT_TRUE(isWindowEnabled(getDlgItem(dialog, IDOK)));
    QTest::keyClick(edit, Qt::Key_Return);
  });
  QTest::keyClick(widgetOf(list().hwnd()), Qt::Key_F3, Qt::ControlModifier);
  EXPECT_EQ(list().findText(), u"bRaVo");
  EXPECT_EQ(list().findDirection(), FindDirection::all);
  EXPECT_EQ(selectedRows(), (Rows{row("bravo.txt")}));
}

TEST_F(FindTest, TheFKeyOpensTheDialogWithTheLastTextAndAnEmptyOkSearchesNothing) {
  gui_test::Reaper reaper;
  list().setFindText(u"alpha");
  list().selectRowAlone(row("Beta.txt"));
  olstring shown;
  RECT editRect{}, okRect{}, cancelRect{}, client{};
  whileDialogOpen([&](HWND dialog) {
    shown = getWindowText(getDlgItem(dialog, control_id::kFindEdit));
    editRect = getWindowRect(getDlgItem(dialog, control_id::kFindEdit));
    okRect = getWindowRect(getDlgItem(dialog, IDOK));
    cancelRect = getWindowRect(getDlgItem(dialog, IDCANCEL));
    client = getWindowRect(dialog);
    gui_test::saveScreenshot(dialog, "find-dialog");
    setWindowText(getDlgItem(dialog, control_id::kFindEdit), u"");
    // OK however it arrives: with an empty text the dialog ends and nothing is searched.
    sendMessage(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED));
  });
  QTest::keyClick(widgetOf(list().hwnd()), Qt::Key_F, Qt::ShiftModifier);
  EXPECT_EQ(shown, u"alpha");
  EXPECT_EQ(list().findText(), u"alpha");
  EXPECT_EQ(list().currentRow(), row("Beta.txt"));
  // The edit spans the dialog above the buttons; Cancel is right of OK, both inside.
  EXPECT_LT(editRect.bottom, okRect.top);
  EXPECT_EQ(okRect.top, cancelRect.top);
  EXPECT_LT(okRect.right, cancelRect.left);
  EXPECT_EQ(editRect.right, cancelRect.right);
  EXPECT_LT(cancelRect.right, client.right);
  EXPECT_LT(cancelRect.bottom, client.bottom);
}

TEST_F(FindTest, TheFindTextLivesUntilTheResultsAreRebuiltAfterACompare) {
  list().setFindText(u"txt");
  list().rebuildRows(FindText::keep);
  EXPECT_EQ(list().findText(), u"txt") << "a view switch keeps it";
  list().rebuildRows(FindText::clear);
  EXPECT_TRUE(list().findText().empty());
  list().setFindText(u"txt");
  list().clearRows();
  EXPECT_TRUE(list().findText().empty());
  EXPECT_EQ(list().rowCount(), 0);
  gui_test::Reaper reaper(2000);
  list().runCommand(list_command::kFind);  // no rows: no dialog
  EXPECT_FALSE(reaper.fired());
}
