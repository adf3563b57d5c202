// The compare panel and its information panel inside a real main window: the checks
// before a compare, the resets, drops, project files and the browse history.

#include "foundation/CommandIds.h"
#include "foundation/LanguageKeys.h"
#include "tests/support/TestSupport.h"
#include "tests/toolkit/GuiTest.h"
#include "tests/window/WindowTestSupport.h"
#include "toolkit/WindowInternal.h"
#include "window/MirraneDlg.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTest>

using gui_test::later;
using gui_test::Reaper;
using gui_test::waitFor;
using testing_support::TempFolder;
using testing_support::writeFileBytes;
using window_test::MessageBoxAnswerer;
using window_test::SettingsSandbox;

namespace {

// A main window on screen with its panel, for the panel's own operations.
class PanelTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(window.createModeless(nullptr));
    showWindow(window.hwnd(), SW_SHOW);
    setActiveWindow(window.hwnd());
  }
  void TearDown() override { window.unbind(olUnbind::destroyWindow); }

  CComparePanel& panel() { return window.comparePanel(); }
  CCompareInfoPanel& info() { return panel().infoPanel(); }
  void type(olstring_view first, olstring_view second, olstring_view excludes = {}) {
    info().pathBox(0).setText(first);
    info().pathBox(1).setText(second);
    info().excludeBox().setText(excludes);
  }
  // The panel's check, with every message box answered.
  bool check(int answer, std::vector<olstring>* shown = nullptr) {
    MessageBoxAnswerer answerer(answer);
    const bool passed = panel().collectOptions(true);
    if (shown) *shown = answerer.texts();
    return passed;
  }

  SettingsSandbox sandbox;
  CompareEngine engine;
  CMirraneDlg window{engine, nullptr};
  TempFolder temp;
};

TEST_F(PanelTest, ChecksBeforeACompare) {
  Reaper reaper(20000);
  testing_support::makeFolders(temp.path("Data"));
  testing_support::makeFolders(temp.path("data"));
  testing_support::makeLink(temp.path("Data"), temp.path("link"));
  writeFileBytes(temp.path("one.txt"), "one");
  writeFileBytes(temp.path("two.txt"), "two");
  writeFileBytes(temp.path("pack.zip"), "PK");
  writeFileBytes(temp.path("other.zip"), "PK");
  const olstring sameText = langText(lang::compare_options::kErrSame);
  std::vector<olstring> shown;

  {
    SCOPED_TRACE("an empty path is asked for without a message");
    type(u"", temp.widePath("data"));
    EXPECT_FALSE(check(IDOK, &shown));
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(waitFor([&] { return getFocus() == info().pathBox(0).hwnd(); }));
  }
  for (const auto& [first, second] : {std::pair{temp.widePath("Data"), temp.widePath("Data/")},
                                      std::pair{temp.widePath("Data"), temp.widePath("x/../Data")},
                                      std::pair{temp.widePath("Data"), temp.widePath("link")}}) {
    SCOPED_TRACE("the same place, however written: " + toUtf8(second));
    type(first, second);
    EXPECT_FALSE(check(IDOK, &shown));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], sameText);
  }
  {
    SCOPED_TRACE("letter case makes two folders on Linux");
    type(temp.widePath("Data"), temp.widePath("data"));
    EXPECT_TRUE(check(IDOK, &shown));
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(engine.options.path1, temp.widePath("data"));
  }
  {
    SCOPED_TRACE("a missing path names itself");
    type(temp.widePath("Data"), temp.widePath("gone"));
    EXPECT_FALSE(check(IDOK, &shown));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find(temp.widePath("gone")), olstring::npos);
  }
  {
    SCOPED_TRACE("force-file with a folder clears the box and frees the exclusions");
    type(temp.widePath("one.txt"), temp.widePath("Data"), u"*.tmp");
    info().forceFileBox().setChecked(true);
    info().followForceFile();
    EXPECT_FALSE(isWindowEnabled(info().excludeBox().hwnd()));
    EXPECT_FALSE(check(IDOK, &shown));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], langText(lang::compare_options::kErrForceFile));
    EXPECT_FALSE(info().forceFileBox().isChecked());
    EXPECT_TRUE(isWindowEnabled(info().excludeBox().hwnd()));
    EXPECT_EQ(info().excludeBox().text(), u"*.tmp");
  }
  {
    SCOPED_TRACE("two archives pass without a question");
    type(temp.widePath("pack.zip"), temp.widePath("other.zip"));
    EXPECT_TRUE(check(IDCANCEL, &shown));
    EXPECT_TRUE(shown.empty());
  }
  {
    SCOPED_TRACE("a listing, known by its first line whatever its name, stands for a tree as an archive does");
    writeFileBytes(temp.path("host.list"), "{\"type\":\"listing\",\"format\":1}\n");
    type(temp.widePath("host.list"), temp.widePath("pack.zip"));
    EXPECT_TRUE(check(IDCANCEL, &shown));
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(engine.options.forceFile);
  }
  {
    SCOPED_TRACE("an archive and a text file: the question names only the text file");
    type(temp.widePath("pack.zip"), temp.widePath("one.txt"));
    EXPECT_FALSE(check(IDCANCEL, &shown));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], langText(lang::compare_options::kSuggestForceFile, temp.widePath("one.txt")));
    EXPECT_FALSE(engine.options.forceFile);
  }
  {
    SCOPED_TRACE("No compares the files with force-file off");
    type(temp.widePath("one.txt"), temp.widePath("two.txt"));
    EXPECT_TRUE(check(IDNO, &shown));
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_FALSE(engine.options.forceFile);
    EXPECT_FALSE(info().forceFileBox().isChecked());
  }
  {
    SCOPED_TRACE("Yes turns force-file on, in the options and the box");
    EXPECT_TRUE(check(IDYES, &shown));
    EXPECT_TRUE(engine.options.forceFile);
    EXPECT_TRUE(info().forceFileBox().isChecked());
    EXPECT_FALSE(isWindowEnabled(info().excludeBox().hwnd()));
  }
}

TEST_F(PanelTest, ResetsKeepOrEmptyTheBoxes) {
  type(u"/typed/first", u"/typed/second", u"*.bak");
  for (int id : {control_id::kCase, control_id::kTextMode, control_id::kAdjustPath})
    info().checkBox(id).setChecked(false);
  for (int id : {control_id::kModifyTime, control_id::kAttributes, control_id::kAutoSkip})
    info().checkBox(id).setChecked(true);

  panel().reset(CComparePanel::ResetScope::switchesOnly);
  const CompareOptions defaults;
  for (const SwitchBox& entry : CCompareInfoPanel::switchBoxes()) {
    EXPECT_EQ(info().checkBox(entry.controlId).isChecked(), defaults.*entry.option) << entry.controlId;
    EXPECT_EQ(engine.options.*entry.option, defaults.*entry.option) << entry.controlId;
  }
  EXPECT_EQ(info().pathBox(0).text(), u"/typed/first") << "typed but never compared, and still kept";
  EXPECT_EQ(info().pathBox(1).text(), u"/typed/second");
  EXPECT_EQ(info().excludeBox().text(), u"*.bak");

  info().checkBox(control_id::kModifyTime).setChecked(true);
  panel().reset(CComparePanel::ResetScope::switchesAndBoxes);
  EXPECT_FALSE(info().checkBox(control_id::kModifyTime).isChecked());
  EXPECT_EQ(info().pathBox(0).text(), u"");
  EXPECT_EQ(info().pathBox(1).text(), u"");
  EXPECT_EQ(info().excludeBox().text(), u"");
  EXPECT_TRUE(waitFor([&] { return getFocus() == info().pathBox(0).hwnd(); }));
}

// Drops a list of files at a point of a widget, as the file manager does.
void dropOn(QWidget* widget, QPoint at, const QByteArray& uriList) {
  QMimeData data;
  data.setData(QStringLiteral("text/uri-list"), uriList);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &enter);
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &drop);
}

TEST_F(PanelTest, DroppedFilesFindTheirBox) {
  const olstring rawName = olstring(u"/tmp/raw") + char16_t(0xDCFF) + u"name";
  QWidget* first = widgetOf(info().pathBox(0).hwnd());
  QWidget* second = widgetOf(info().pathBox(1).hwnd());
  // Below the column, where no box is.
  QWidget* panelWidget = widgetOf(panel().hwnd());
  const QPoint empty(5, panelWidget->height() - 5);
  ASSERT_EQ(panelWidget->childAt(empty), nullptr);

  dropOn(second, QPoint(3, 3), "file:///tmp/raw%FFname\r\nfile:///tmp/ignored\r\n");
  EXPECT_EQ(info().pathBox(1).text(), rawName) << "on a box: that box, every byte kept, the first item only";
  EXPECT_EQ(info().pathBox(0).text(), u"");

  dropOn(panelWidget, empty, "file:///tmp/a\r\n");
  EXPECT_EQ(info().pathBox(0).text(), u"/tmp/a") << "elsewhere: the first empty box";
  type(u"/tmp/a", u"");
  dropOn(panelWidget, empty, "file:///tmp/b\r\n");
  EXPECT_EQ(info().pathBox(1).text(), u"/tmp/b") << "then the second empty one";
  dropOn(panelWidget, empty, "file:///tmp/c\r\n");
  EXPECT_EQ(info().pathBox(0).text(), u"/tmp/c") << "both full, neither focused: the first";
  waitFor([] { return false; }, 30);  // the focus the last drop posted arrives first
  setFocus(info().pathBox(1).hwnd());
  ASSERT_TRUE(waitFor([&] { return getFocus() == info().pathBox(1).hwnd(); }));
  dropOn(panelWidget, empty, "file:///tmp/d\r\n");
  EXPECT_EQ(info().pathBox(1).text(), u"/tmp/d") << "both full: the focused second";
  dropOn(first, QPoint(2, 2), "file:///tmp/e\r\n");
  EXPECT_EQ(info().pathBox(0).text(), u"/tmp/e");
}

TEST_F(PanelTest, ProjectsRoundTripAndFailuresKeepWhatWasTyped) {
  Reaper reaper(20000);
  const olstring project = temp.widePath("set-up.mirrane");
  type(u"/data/first", u"/data/second", u"*.tmp \"a b\"");
  info().checkBox(control_id::kModifyTime).setChecked(true);
  info().checkBox(control_id::kTextMode).setChecked(false);
  ASSERT_TRUE(panel().saveProjectTo(project));

  panel().reset(CComparePanel::ResetScope::switchesAndBoxes);
  ASSERT_TRUE(panel().loadProjectFrom(project));
  EXPECT_EQ(info().pathBox(0).text(), u"/data/first");
  EXPECT_EQ(info().pathBox(1).text(), u"/data/second");
  EXPECT_EQ(info().excludeBox().text(), u"*.tmp \"a b\"");
  EXPECT_TRUE(info().checkBox(control_id::kModifyTime).isChecked());
  EXPECT_FALSE(info().checkBox(control_id::kTextMode).isChecked());

  type(u"/typed/now", u"/typed/too");
  writeFileBytes(temp.path("broken.mirrane"), "\x01\x02 not a project at all");
  testing_support::makeFolders(temp.path("folder.mirrane"));
  for (const std::string name : {"broken.mirrane", "missing.mirrane", "folder.mirrane"}) {
    SCOPED_TRACE(name);
    MessageBoxAnswerer answerer(IDOK);
    EXPECT_FALSE(panel().loadProjectFrom(temp.widePath(name)));
    ASSERT_EQ(answerer.texts().size(), 1u);
    EXPECT_NE(answerer.texts()[0].find(temp.widePath(name)), olstring::npos);
    EXPECT_EQ(info().pathBox(0).text(), u"/typed/now") << "nothing typed is lost";
    EXPECT_TRUE(info().checkBox(control_id::kModifyTime).isChecked());
  }
  {
    SCOPED_TRACE("a save that cannot be written says so");
    writeFileBytes(temp.path("plain-file"), "x");
    MessageBoxAnswerer answerer(IDOK);
    EXPECT_FALSE(panel().saveProjectTo(temp.widePath("plain-file/below.mirrane")));
    ASSERT_EQ(answerer.texts().size(), 1u);
    EXPECT_NE(answerer.texts()[0].find(u"below.mirrane"), olstring::npos);
  }
}

TEST_F(PanelTest, BrowseKindsRememberTheirOwnPlaces) {
  Reaper reaper(20000);
  testing_support::makeFolders(temp.path("projects"));
  const std::string project = temp.path("projects/kept.mirrane");
  CCompareInfoPanel::setBrowseHistory(BrowseKind::project, fromUtf8(project));
  // Each kind keeps its own remembered place.
  CCompareInfoPanel::setBrowseHistory(BrowseKind::file, temp.widePath("files/one.txt"));
  CCompareInfoPanel::setBrowseHistory(BrowseKind::folder, u"");
  EXPECT_EQ(SettingsSandbox::value(u"browsehistory", u"type_2"), temp.widePath("files/one.txt"));
  EXPECT_EQ(SettingsSandbox::value(u"browsehistory", u"type_1"), u"") << "an empty path is not stored";
  EXPECT_EQ(SettingsSandbox::value(u"browsehistory", u"type_0"), fromUtf8(project));
  EXPECT_EQ(CCompareInfoPanel::browseHistory(BrowseKind::project), fromUtf8(project));
}

TEST_F(PanelTest, TheTimeToleranceGoesBetweenOptionsButtonAndReset) {
  const struct {
    uint32_t seconds;
    const char16_t* caption;
  } cases[] = {
      {0, u"Time tolerance: Automatic"},
      {2, u"Time tolerance: 2 s"},
      // From a project file, not one the menu offers: shown as it is.
      {7, u"Time tolerance: 7 s"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seconds);
    engine.options.timeTolerance = c.seconds;
    panel().loadOptionsIntoControls();
    EXPECT_EQ(getWindowText(info().timeToleranceButton()), c.caption);
    engine.options.timeTolerance = 99;
    ASSERT_TRUE(panel().collectOptions(false));
    EXPECT_EQ(engine.options.timeTolerance, c.seconds);
  }
  // It sits below the boxes of what is compared and inside the column.
  const RECT button = getWindowRect(info().timeToleranceButton());
  const RECT hourShift = getWindowRect(info().checkBox(control_id::kIgnoreHourShift).hwnd());
  const RECT column = getWindowRect(info().hwnd());
  EXPECT_GE(button.top, hourShift.bottom);
  EXPECT_LE(button.right, column.right);
  EXPECT_GT(button.width(), 0);
  const std::string picture = std::string(MIRRANE_BUILD_DIR) + "/compare-panel-time-tolerance.png";
  EXPECT_TRUE(widgetOf(info().hwnd())->grab().save(QString::fromStdString(picture)));

  panel().reset(CComparePanel::ResetScope::switchesOnly);
  EXPECT_EQ(engine.options.timeTolerance, 0u);
  EXPECT_EQ(info().timeTolerance(), 0u);
}

TEST_F(PanelTest, ALowPanelShowsItsScrollBar) {
  CCompareInfoPanel& column = info();
  const RECT place = getWindowRect(column.hwnd());
  const POINT origin = screenToClient(panel().hwnd(), POINT{place.left, place.top});
  moveWindow(column.hwnd(), origin.x, origin.y, place.width(), 120);
  column.layoutInfoPanel();
  ASSERT_TRUE(column.isScrollBarVisible()) << "the column is higher than the panel";
}

}  // namespace
