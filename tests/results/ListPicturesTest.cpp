// Pictures of the results list in every theme: the differences view and the all-items
// view with a selection, the mouse over a row and a find in progress, saved as
// screenshots/results-<view>-<theme>.png; one more at device pixel ratio 2. The checks
// read pixels where the rules say what must be there.
#include "results/FindDlg.h"
#include "tests/results/ResultsTestSupport.h"
#include "tests/toolkit/GuiTest.h"
#include "toolkit/App.h"
#include "toolkit/Theme.h"
#include "toolkit/WindowInternal.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

using results_test::ComparedTrees;
using results_test::ListHarness;
using results_test::rowOf;

namespace {

std::string fileNameOf(olstring_view theme) {
  std::string name;
  for (char16_t c : theme) name += c == u' ' ? '-' : static_cast<char>(c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c);
  return name;
}

class ListPicturesTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(trees.compare()); }
  void TearDown() override { applyTheme(currentTheme); }

  // Shows the list in the theme and view with two rows selected, the mouse over a third,
  // the focus in the list; with the find dialog open over it when find is set.
  QImage picture(int theme, int view, bool find) {
    applyTheme(theme);
    setViewMode(view);
    ListHarness harness;
    EXPECT_TRUE(harness.open(&trees.engine.result, 760, 380));
    mrnListView& list = harness.list;
    list.rebuildRows(FindText::clear);
    list.selectRowAlone(rowOf(list, "changed.txt"));
    QTest::mouseClick(widgetOf(list.hwnd()), Qt::LeftButton, Qt::ControlModifier,
                      QPoint(80, list.rowRect(rowOf(list, "sizeonly.bin")).top + 4));
    const RECT hot = list.rowRect(rowOf(list, view == kViewAllItems ? "Beta.txt" : "onlyfirst.txt"));
    QMouseEvent move(QEvent::MouseMove, QPoint(200, hot.top + 4), QPoint(240, hot.top + 44), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widgetOf(list.hwnd()), &move);
    setFocus(list.hwnd());
    pumpMessages(20);
    QImage image = widgetOf(harness.hwnd())->grab().toImage();
    if (find) {
      gui_test::Reaper reaper;
      gui_test::later(50, [&] {
        HWND dialog = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
          if (top->isVisible() && top->windowTitle() == QStringLiteral("Find")) dialog = handleOf(top);
        ASSERT_NE(dialog, nullptr);
        QTest::keyClicks(widgetOf(getDlgItem(dialog, control_id::kFindEdit)), "txt");
        pumpMessages(20);
        // The dialog drawn where it stands over the list.
        QPainter painter(&image);
        QWidget* window = widgetOf(dialog);
        const QPoint at = window->mapToGlobal(QPoint(0, 0)) - widgetOf(harness.hwnd())->mapToGlobal(QPoint(0, 0));
        painter.drawImage(at, window->grab().toImage());
        sendMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED));
      });
      list.runFindDialog(FindDirection::next);
    }
    return image;
  }

  ComparedTrees trees;
  results_test::PrivateSettings settings;
  int currentTheme = currentThemeIndex();
};

}  // namespace

TEST_F(ListPicturesTest, EveryThemeAndBothViews) {
  const auto& themes = themeTable();
  for (int theme = 0; theme < static_cast<int>(themes.size()); ++theme) {
    for (int view : {kViewDifferences, kViewAllItems}) {
      SCOPED_TRACE(toUtf8(themes[size_t(theme)].name) + (view ? " all items" : " differences"));
      const QImage image = picture(theme, view, view == kViewAllItems);
      ASSERT_FALSE(image.isNull());
      const std::string name = std::string("results-") + (view ? "all-" : "differences-") +
                               fileNameOf(themes[size_t(theme)].name);
      EXPECT_TRUE(image.save(QString::fromStdString(gui_test::screenshotFolder() + "/" + name + ".png")));
      if (view == kViewDifferences) {
        // Below the rows the list is its window colour.
        const QColor below = image.pixelColor(20, image.height() - 50);
        EXPECT_EQ(RGB(below.red(), below.green(), below.blue()), themeColour(olThemeSlot::window));
      }
    }
  }
}

TEST_F(ListPicturesTest, TheSelectedRowIsDrawnInTheSelectionColourAndTheMiddleLineInTheFrameColour) {
  applyTheme(0);  // Light
  setViewMode(kViewAllItems);
  ListHarness harness;
  ASSERT_TRUE(harness.open(&trees.engine.result, 760, 380));
  mrnListView& list = harness.list;
  list.rebuildRows(FindText::clear);
  const int row = rowOf(list, "alpha.txt");
  list.selectRowAlone(row);
  setFocus(list.hwnd());
  pumpMessages(20);
  const RECT rect = list.rowRect(row);
  const RECT client = getClientRect(list.hwnd());
  EXPECT_EQ(gui_test::pixelOf(list.hwnd(), client.width() / 4, rect.top + 2), themeColour(olThemeSlot::selection));
  EXPECT_EQ(gui_test::pixelOf(list.hwnd(), client.width() / 2, rect.top + 2), themeColour(olThemeSlot::frame));
  // A differing row in the all-items view carries the difference frame on its top edge.
  const RECT changed = list.rowRect(rowOf(list, "changed.txt"));
  EXPECT_EQ(gui_test::pixelOf(list.hwnd(), client.width() / 4, changed.top),
            differenceColour(themeColour(olThemeSlot::window)));
}

TEST_F(ListPicturesTest, AtDevicePixelRatioTwo) {
  applyTheme(0);
  setViewMode(kViewAllItems);
  ListHarness harness;
  ASSERT_TRUE(harness.open(&trees.engine.result, 760, 380));
  harness.list.rebuildRows(FindText::clear);
  harness.list.selectRowAlone(rowOf(harness.list, "readonly.txt"));
  pumpMessages(20);
  QWidget* window = widgetOf(harness.hwnd());
  QImage image(window->size() * 2, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(2);
  image.fill(Qt::white);
  window->render(&image);
  EXPECT_TRUE(image.save(QString::fromStdString(gui_test::screenshotFolder() + "/results-all-light-dpr2.png")));
}

TEST_F(ListPicturesTest, AnEmptyListShowsItsHint) {
  applyTheme(2);  // Dark
  ListHarness harness;
  ASSERT_TRUE(harness.open(nullptr, 600, 200));
  harness.list.rebuildRows(FindText::clear);
  EXPECT_EQ(harness.list.rowCount(), 0);
  pumpMessages(20);
  EXPECT_TRUE(gui_test::saveScreenshot(harness.hwnd(), "results-empty-dark"));
}
