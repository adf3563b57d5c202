// The main window run as the program runs it: placement and its keys in config.ini, the
// splitter, compares started from the panel, and a close while a compare runs.

#include "foundation/CommandIds.h"
#include "foundation/LanguageKeys.h"
#include "foundation/TextFile.h"
#include "tests/support/TestSupport.h"
#include "tests/toolkit/GuiTest.h"
#include "tests/window/WindowTestSupport.h"
#include "toolkit/App.h"
#include "toolkit/Theme.h"
#include "toolkit/WindowInternal.h"
#include "window/MirraneDlg.h"

#include <QTest>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>

using gui_test::later;
using gui_test::Reaper;
using gui_test::waitFor;
using testing_support::TempFolder;
using testing_support::writeFileBytes;
using window_test::MessageBoxAnswerer;
using window_test::SettingsSandbox;

namespace {

constexpr int kMargin = 294;

int panelWidth(CMirraneDlg& window) { return getWindowRect(window.comparePanel().hwnd()).width(); }

// Runs the window as the program does (its main window, in its own modal loop) while the
// action drives it; the action ends by closing it.
void runAsMainWindow(CMirraneDlg& window, std::function<void()> action) {
  olApp* app = olApp::instance();
  app->setMainWindow(&window);
  later(30, std::move(action));
  window.runModal();
  app->setMainWindow(nullptr);
}

void closeWindow(CMirraneDlg& window) { widgetOf(window.hwnd())->close(); }

// Folders with one of each kind of difference, deep below the roots.
void makeDifferentTrees(const TempFolder& temp) {
  for (const char* side : {"a", "b"}) {
    const std::string root = temp.path(side);
    writeFileBytes(root + "/same.txt", "same");
    writeFileBytes(root + "/deep/er/still/x.bin", std::string(side) == "a" ? "content A" : "content B");
  }
  writeFileBytes(temp.path("a/only-first.txt"), "1");
  writeFileBytes(temp.path("b/only-second.txt"), "2");
  writeFileBytes(temp.path("a/size.bin"), "short");
  writeFileBytes(temp.path("b/size.bin"), "much longer");
  writeFileBytes(temp.path("a/Case.txt"), "c");
  writeFileBytes(temp.path("b/case.txt"), "c");
  writeFileBytes(temp.path("a/thing"), "a file");
  testing_support::makeFolders(temp.path("b/thing"));
}

TEST(MainWindow, FirstPlacementStoredPlacementAndAHugePanel) {
  SettingsSandbox sandbox;
  CompareEngine engine;
  const RECT work = monitorWorkArea(nullptr);
  {
    CMirraneDlg window(engine, nullptr);
    ASSERT_TRUE(window.createModeless(nullptr));
    const RECT rect = getWindowRect(window.hwnd());
    EXPECT_GE(rect.width(), work.width() * 2 / 3);
    EXPECT_GE(rect.height(), work.height() * 3 / 4);
    EXPECT_NEAR((rect.left + rect.right) / 2, (work.left + work.right) / 2, 1) << "centred";
    EXPECT_NEAR((rect.top + rect.bottom) / 2, (work.top + work.bottom) / 2, 1);
    EXPECT_EQ(panelWidth(window), kMargin);
    destroyWindow(window.hwnd());
  }
  EXPECT_EQ(SettingsSandbox::value(u"window", u"panel_width"), u"294");

  // Beyond the right and bottom edges, with a panel wider than any screen.
  const int width = work.width() - 20;
  const int height = work.height() - 20;
  writeWindowPlacement(WindowPlacement{work.right - width / 2, work.right + width / 2, work.bottom - 10,
                                       work.bottom - 10 + height, false});
  writePanelWidth(100000);
  CMirraneDlg window(engine, nullptr);
  ASSERT_TRUE(window.createModeless(nullptr));
  const RECT rect = getWindowRect(window.hwnd());
  EXPECT_EQ(rect.right, work.right) << "moved left by the excess";
  EXPECT_EQ(rect.bottom, work.bottom) << "moved up by the excess";
  EXPECT_EQ(rect.width(), width) << "the size is kept";
  EXPECT_EQ(rect.height(), height);
  const RECT list = getWindowRect(window.listWindow());
  EXPECT_GE(list.width(), kMargin - 3) << "a stored panel width never hides the list";
  EXPECT_GE(panelWidth(window), kMargin);
  destroyWindow(window.hwnd());
}

TEST(MainWindow, TheSplitterStaysClearOfBothEdges) {
  SettingsSandbox sandbox;
  CompareEngine engine;
  CMirraneDlg window(engine, nullptr);
  ASSERT_TRUE(window.createModeless(nullptr));
  showWindow(window.hwnd(), SW_SHOW);
  QWidget* bar = widgetOf(window.splitterWindow());
  const int clientWidth = getClientRect(window.hwnd()).width();
  for (int target : {-5000, 5000}) {
    SCOPED_TRACE(target);
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, QPoint(1, 10));
    QTest::mouseMove(bar, QPoint(target, 10));
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, QPoint(target, 10));
    waitFor([] { return false; }, 30);
    const int x = screenToClient(window.hwnd(), POINT{getWindowRect(window.splitterWindow()).left, 0}).x;
    EXPECT_GE(x, kMargin);
    EXPECT_LE(x + 3, clientWidth - kMargin);
    EXPECT_EQ(panelWidth(window), x) << "the panel follows the bar";
  }
  window.unbind(olUnbind::destroyWindow);
}

TEST(MainWindow, ClosingWritesTheWindowKeysAndKeepsTheOthers) {
  Reaper reaper(20000);
  SettingsSandbox sandbox;
  writeFileBytes(sandbox.configPath(), "[global]\r\ntheme=Dark\r\nfuture_key=kept\r\n[elsewhere]\r\nx=1\r\n");
  CompareEngine engine;
  CMirraneDlg window(engine, nullptr);
  RECT placed;
  bool maximized = true;
  runAsMainWindow(window, [&] {
    moveWindow(window.hwnd(), 20, 30, 780, 560);
    setWindowPos(window.comparePanel().hwnd(), HWND_TOP, 0, 0, 350, 100, SWP_NOMOVE | SWP_NOZORDER);
    waitFor([] { return false; }, 30);
    getWindowPlacement(window.hwnd(), placed, maximized);
    closeWindow(window);
  });
  EXPECT_NEAR(placed.left, 20, 4);
  EXPECT_EQ(placed.width(), 780);
  EXPECT_EQ(SettingsSandbox::value(u"window", u"left"), numberToText(placed.left));
  EXPECT_EQ(SettingsSandbox::value(u"window", u"top"), numberToText(placed.top));
  EXPECT_EQ(SettingsSandbox::value(u"window", u"right"), numberToText(placed.right));
  EXPECT_EQ(SettingsSandbox::value(u"window", u"bottom"), numberToText(placed.bottom));
  EXPECT_EQ(SettingsSandbox::value(u"window", u"max"), u"false");
  EXPECT_EQ(SettingsSandbox::value(u"window", u"panel_width"), u"350");
  EXPECT_EQ(SettingsSandbox::value(u"global", u"theme"), u"Dark");
  EXPECT_EQ(SettingsSandbox::value(u"global", u"future_key"), u"kept");
  EXPECT_EQ(SettingsSandbox::value(u"elsewhere", u"x"), u"1");
}

TEST(MainWindow, EnterInAPathBoxComparesFoldersAndTheViewModeIsKept) {
  Reaper reaper(30000);
  SettingsSandbox sandbox;
  TempFolder temp;
  makeDifferentTrees(temp);
  CompareEngine engine;
  bool sawProgress = false;
  SummaryBadge badge;
  olstring header[2];
  {
    CMirraneDlg window(engine, nullptr);
    runAsMainWindow(window, [&] {
      CCompareInfoPanel& info = window.comparePanel().infoPanel();
      info.pathBox(0).setText(temp.widePath("a"));
      info.pathBox(1).setText(temp.widePath("b"));
      EXPECT_TRUE(window.summaryBadge().text.empty()) << "no compare yet";
      EXPECT_EQ(window.statusText(), langText(lang::global::kReady));
      later(0, [&] { sawProgress = waitFor([&] { return !isWindowEnabled(window.hwnd()); }, 5000); });
      QTest::keyClick(widgetOf(info.pathBox(1).hwnd()), Qt::Key_Return);
      ASSERT_TRUE(waitFor([&] { return !engine.worker.isRunning() && isWindowEnabled(window.hwnd()); }, 20000));
      badge = window.summaryBadge();
      header[0] = window.comparedPath(0);
      header[1] = window.comparedPath(1);
      QTest::mouseClick(widgetOf(window.viewButton(1).hwnd()), Qt::LeftButton);
      closeWindow(window);
    });
  }
  EXPECT_TRUE(sawProgress) << "the window was disabled under the progress dialog";
  EXPECT_EQ(engine.result.missingSecond, 1);
  EXPECT_EQ(engine.result.missingFirst, 1);
  EXPECT_GE(engine.result.differing, 5) << "deep content, size, case, file against folder, two one-sided";
  EXPECT_EQ(badge.text, u"1 / " + numberToText(engine.result.differing) + u" / 1");
  EXPECT_EQ(badge.colour, RGB(0xCC, 0x66, 0x00));
  EXPECT_EQ(header[0], temp.widePath("a"));
  EXPECT_EQ(header[1], temp.widePath("b"));
  EXPECT_EQ(SettingsSandbox::value(u"global", u"viewmode"), u"1");

  CMirraneDlg reopened(engine, nullptr);
  ASSERT_TRUE(reopened.createModeless(nullptr));
  EXPECT_EQ(reopened.viewMode(), 1);
  EXPECT_TRUE(reopened.viewButton(1).isChecked());
  EXPECT_FALSE(reopened.viewButton(0).isChecked());
  EXPECT_EQ(getStyle(reopened.viewButton(1).hwnd()) & WS_TABSTOP, 0u) << "a checked view button is no tab stop";
  reopened.unbind(olUnbind::destroyWindow);
}

TEST(MainWindow, FilesAndArchivesAskBeforeTheyCompare) {
  Reaper reaper(30000);
  SettingsSandbox sandbox;
  TempFolder temp;
  writeFileBytes(temp.path("left.txt"), "one\r\ntwo\r\n");
  writeFileBytes(temp.path("right.txt"), "one\ntwo\n");
  writeFileBytes(temp.path("inside/note.txt"), "note");
  testing_support::packWithSevenZip(temp.path("pack.zip"), temp.path("inside"));
  CompareEngine engine;
  CMirraneDlg window(engine, nullptr);
  std::vector<olstring> asked;
  bool cancelRanNothing = false;
  bool compared = false;
  runAsMainWindow(window, [&] {
    CCompareInfoPanel& info = window.comparePanel().infoPanel();
    {
      MessageBoxAnswerer answerer(IDCANCEL);
      info.pathBox(0).setText(temp.widePath("pack.zip"));
      info.pathBox(1).setText(temp.widePath("left.txt"));
      sendMessage(window.hwnd(), WM_COMMAND, MAKEWPARAM(control_id::kCompare, 0));
      asked = answerer.texts();
      cancelRanNothing = engine.result.root.children.empty() && engine.result.givenPath[0].empty();
    }
    {
      MessageBoxAnswerer answerer(IDYES);
      info.pathBox(0).setText(temp.widePath("left.txt"));
      info.pathBox(1).setText(temp.widePath("right.txt"));
      sendMessage(window.hwnd(), WM_COMMAND, MAKEWPARAM(control_id::kCompare, 0));
      compared = answerer.texts().size() == 1;
    }
    closeWindow(window);
  });
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], langText(lang::compare_options::kSuggestForceFile, temp.widePath("left.txt")));
  EXPECT_TRUE(cancelRanNothing);
  EXPECT_TRUE(compared);
  EXPECT_TRUE(engine.result.options.forceFile);
  EXPECT_EQ(window.comparedPath(0), temp.widePath("left.txt")) << "the header names the files";
  EXPECT_EQ(window.comparedPath(1), temp.widePath("right.txt"));
  EXPECT_EQ(window.summaryBadge().text, langText(lang::diff::kNoDiff)) << "text mode ignores the line ends";
}

TEST(MainWindow, TwoEmptyFoldersSayWhyNothingWasCompared) {
  Reaper reaper(20000);
  SettingsSandbox sandbox;
  TempFolder temp;
  testing_support::makeFolders(temp.path("a"));
  testing_support::makeFolders(temp.path("b"));
  CompareEngine engine;
  engine.options.path0 = temp.widePath("a");
  engine.options.path1 = temp.widePath("b");
  CMirraneDlg window(engine, nullptr);
  std::vector<olstring> shown;
  bool result = true;
  runAsMainWindow(window, [&] {
    MessageBoxAnswerer answerer(IDOK);
    result = window.startCompare();
    shown = answerer.texts();
    closeWindow(window);
  });
  EXPECT_FALSE(result);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], nothingToCompareText());
  EXPECT_FALSE(shown[0].empty());
}

// Holds the worker in its first progress signal until released (ten seconds at most).
class FirstSignalGate {
public:
  WorkerProgressHook hook() {
    return [this](const JobState::Progress&) {
      std::unique_lock<std::mutex> lock(m_mutex);
      if (m_passed) return;
      m_held = true;
      m_wake.wait_for(lock, std::chrono::seconds(10), [this] { return m_released; });
      m_passed = true;
    };
  }
  bool held() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_held;
  }
  void release() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_released = true;
    }
    m_wake.notify_all();
  }
  ~FirstSignalGate() { release(); }

private:
  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_held = false;
  bool m_released = false;
  bool m_passed = false;
};

TEST(MainWindow, ACloseDuringACompareCancelsItAndClosesWhenItEnds) {
  Reaper reaper(30000);
  SettingsSandbox sandbox;
  TempFolder temp;
  for (const char* side : {"a", "b"})
    for (int i = 0; i < 200; ++i) writeFileBytes(temp.path(std::string(side) + "/f" + std::to_string(i)), "x");
  CompareEngine engine;
  engine.options.path0 = temp.widePath("a");
  engine.options.path1 = temp.widePath("b");
  CMirraneDlg window(engine, nullptr);
  FirstSignalGate gate;
  window.setWorkerProgressHook(gate.hook());
  bool refusedWhileRunning = false;
  bool statusShowedProgress = false;
  bool noBadgeWhileRunning = false;
  MessageBoxAnswerer answerer(IDOK);
  runAsMainWindow(window, [&] {
    later(0, [&] {
      ASSERT_TRUE(waitFor([&] { return gate.held(); }, 10000));
      statusShowedProgress = window.statusText() == langText(lang::progress::kTitle);
      noBadgeWhileRunning = window.summaryBadge().text.empty();
      closeWindow(window);
      refusedWhileRunning = isWindow(window.hwnd()) && window.closePending();
      gate.release();
    });
    window.startCompare();
  });
  EXPECT_TRUE(statusShowedProgress);
  EXPECT_TRUE(noBadgeWhileRunning);
  EXPECT_TRUE(refusedWhileRunning) << "the window stays until the worker has ended";
  EXPECT_FALSE(window.isBound()) << "and then closes";
  EXPECT_FALSE(engine.worker.isRunning());
  EXPECT_EQ(engine.job.errorCode(), kErrorCancelled);
  EXPECT_TRUE(answerer.texts().empty()) << "the cancel the user asked for is no error to show";
  EXPECT_FALSE(SettingsSandbox::value(u"window", u"right").empty()) << "closed the usual way";

  // Nothing of the close outlives it: a second window in the same process compares to the end.
  CMirraneDlg second(engine, nullptr);
  ASSERT_TRUE(second.createModeless(nullptr));
  showWindow(second.hwnd(), SW_SHOW);
  EXPECT_TRUE(second.startCompare());
  EXPECT_EQ(second.summaryBadge().text, langText(lang::diff::kNoDiff));
  EXPECT_TRUE(answerer.texts().empty());
  second.unbind(olUnbind::destroyWindow);
}

}  // namespace

namespace {

// The README's picture (scripts/readme-screenshot.sh) and the window in every theme: the
// sample folders compared, one row selected so that the status bar shows its badge.
TEST(MainWindow, ReadmeScreenshotAndEveryTheme) {
  Reaper reaper(30000);
  SettingsSandbox sandbox;
  CompareEngine engine;
  engine.options.path0 = fromUtf8(MIRRANE_SOURCE_DIR "/examples/left");
  engine.options.path1 = fromUtf8(MIRRANE_SOURCE_DIR "/examples/right");
  CMirraneDlg window(engine, nullptr);
  ASSERT_TRUE(window.createModeless(nullptr));
  moveWindow(window.hwnd(), 0, 0, 960, 600);
  showWindow(window.hwnd(), SW_SHOW);
  ASSERT_TRUE(window.startCompare());
  ASSERT_GT(window.list().rowCount(), 3);
  window.list().selectRowAlone(2);
  waitFor([] { return false; }, 50);
  EXPECT_FALSE(window.statusText().empty());
  EXPECT_FALSE(window.statusBadge().empty()) << "a differing row's badge";
  EXPECT_TRUE(gui_test::saveScreenshot(window.hwnd(), "readme-main-window"));
  const int previous = currentThemeIndex();
  for (int theme = 0; theme < static_cast<int>(themeTable().size()); ++theme) {
    ASSERT_TRUE(applyTheme(theme));
    waitFor([] { return false; }, 50);
    olstring name = themeTable()[theme].name;
    std::replace(name.begin(), name.end(), u' ', u'-');
    EXPECT_TRUE(gui_test::saveScreenshot(window.hwnd(), "main-window-" + toUtf8(name)));
  }
  applyTheme(previous);
  destroyWindow(window.hwnd());
}

}  // namespace
