// The main window run as the program runs it: placement and its keys in config.ini, the
// splitter, compares started from the panel, and a close while a compare runs.

#include "app/CommandLine.h"
#include "foundation/CommandIds.h"
#include "foundation/Language.h"
#include "foundation/LanguageKeys.h"
#include "results/FindDlg.h"
#include "toolkit/Geometry.h"
#include "toolkit/MessageBox.h"
#include "toolkit/ToolTip.h"
#include "foundation/TextFile.h"
#include "platform/Path.h"
#include "tests/support/TestSupport.h"
#include "tests/toolkit/GuiTest.h"
#include "tests/window/WindowTestSupport.h"
#include "toolkit/AccessibleInternal.h"
#include "toolkit/App.h"
#include "toolkit/Theme.h"
#include "toolkit/WindowInternal.h"
#include "window/Appearance.h"
#include "window/Menus.h"
#include "window/MirraneDlg.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <future>
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
  // The main window's end posts a quit; left in the queue it would end the next test's
  // first loop (and cancel its compare).
  QCoreApplication::sendPostedEvents();
  olApp::clearQuit();
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

TEST(MainWindow, TheSplitterIsATabStopThatKeysMoveAndReadersRead) {
  Reaper reaper(20000);
  SettingsSandbox sandbox;
  enum Base { least, greatest };
  // Each key from where the one before left the bar, in steps from one of its ends.
  const struct {
    const char* name;
    Qt::Key key;
    Base base;
    int steps;
  } cases[] = {
      {"End: the widest panel", Qt::Key_End, greatest, 0}, {"Left: a step narrower", Qt::Key_Left, greatest, -1},
      {"Home: the narrowest", Qt::Key_Home, least, 0},     {"Left stops at the margin", Qt::Key_Left, least, 0},
      {"Right: a step wider", Qt::Key_Right, least, 1},
      {"Enter: the bar is no button", Qt::Key_Return, least, 1},
  };
  CompareEngine engine;
  CMirraneDlg window(engine, nullptr);
  int lastX = 0;
  runAsMainWindow(window, [&] {
    moveWindow(window.hwnd(), 0, 0, 1066, 750);
    waitFor([] { return false; }, 30);
    const HWND bar = window.splitterWindow();
    // Its place in the Tab round is the real window's focus walk (focus_walk.py).
    setFocus(bar);
    ASSERT_EQ(getFocus(), bar);
    gui_test::saveScreenshot(window.hwnd(), "main-splitter-focus");
    EXPECT_EQ(olToolTipCtrl::shared().toolText(bar),
              u"Width of the compare panel\n" + langText(lang::accessible::kSplitterKeys)) << "a mouse user learns the keys";
    // Readers read where the bar stands and how far it goes (its name: the language test).
    QAccessibleValueInterface* value = QAccessible::queryAccessibleInterface(widgetOf(bar))->valueInterface();
    ASSERT_NE(value, nullptr);
    const int ends[] = {value->minimumValue().toInt(), value->maximumValue().toInt()};
    const int step = value->minimumStepSize().toInt();
    EXPECT_EQ(ends[least], kMargin);
    EXPECT_EQ(ends[greatest], getClientRect(window.hwnd()).width() - kMargin - 3);
    EXPECT_GT(step, 4);
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      // Through the window, as the window system hands keys over.
      QTest::keyClick(widgetOf(window.hwnd())->windowHandle(), c.key);
      const int x = ends[c.base] + c.steps * step;
      EXPECT_TRUE(waitFor([&] { return panelWidth(window) == x; })) << "the panel follows: " << panelWidth(window);
      EXPECT_EQ(value->currentValue().toInt(), x);
      EXPECT_EQ(getFocus(), bar);
    }
    lastX = panelWidth(window);
    closeWindow(window);
  });
  EXPECT_EQ(SettingsSandbox::value(u"window", u"panel_width"), numberToText(lastX)) << "the width is kept";
}

TEST(MainWindow, PathsAfterTheFirstTwoAreNamedOnTheStatusLine) {
  SettingsSandbox sandbox;
  CommandLine commandLine;
  parseCommandLine({u"/a", u"/b", u"/mistyped"}, commandLine);
  CompareEngine engine;
  CMirraneDlg window(engine, &commandLine);
  ASSERT_TRUE(window.createModeless(nullptr));
  EXPECT_EQ(window.statusText(), langText(lang::console::kIgnoredPath, u"/mistyped"));
  EXPECT_EQ(engine.options.path1, u"/b");
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

// The command line's compare, started before the window (its worker paused at its first
// step): the window shows it and its rows without starting another, or, closed first, ends it.
TEST(MainWindow, TheCommandLinesCompareStartedFirstIsShownOrEndedByTheWindow) {
  Reaper reaper(30000);
  SettingsSandbox sandbox;
  TempFolder temp;
  makeDifferentTrees(temp);
  CommandLine commandLine;
  parseCommandLine({temp.widePath("a"), temp.widePath("b"), u"start"}, commandLine);
  for (const bool shown : {true, false}) {
    SCOPED_TRACE(shown ? "shown" : "closed first");
    CompareEngine engine;
    applyCommandLine(commandLine, engine.options);
    std::promise<void> paused;
    ASSERT_TRUE(engine.worker.startWorker(
        engine, [&paused](CompareEngine& e) { return e.worker.pause(), paused.set_value(), runCompareJob(e); }));
    paused.get_future().wait();
    MessageBoxAnswerer answerer(IDOK);
    CMirraneDlg window(engine, &commandLine, CompareStart::alreadyStarted);
    bool progressOverWindow = !shown;
    int rows = 0;  // polled in whichever loop turns: the compare's until it ends, then the window's
    std::function<void()> untilShown = [&] {
      if (engine.worker.isRunning() || !isWindowEnabled(window.hwnd())) return later(10, untilShown);
      rows = window.list().rowCount();
      closeWindow(window);
    };
    if (shown) {
      runAsMainWindow(window, [&] {
        progressOverWindow = engine.worker.isPaused() && !isWindowEnabled(window.hwnd());
        engine.worker.resume();
        untilShown();
      });
    } else {
      ASSERT_TRUE(window.createModeless(nullptr));
      destroyWindow(window.hwnd());
    }
    EXPECT_TRUE(progressOverWindow);
    EXPECT_FALSE(engine.worker.isRunning());
    EXPECT_EQ(engine.job.errorCode(), shown ? 0u : kErrorCancelled);
    EXPECT_GE(rows, shown ? 5 : 0) << "deep content, size, case, file against folder, two one-sided";
    EXPECT_TRUE(answerer.texts().empty()) << "no second compare was tried";
  }
}

}  // namespace

namespace {

// The README's picture (scripts/readme-screenshot.sh) and the window in every theme: photo
// folders, the first reached as "~/...", one row selected so that the status bar shows its
// badge, wide enough that nothing is cut. The script gives the test a private /home and
// /media (MIRRANE_PICTURE_FOLDERS) so that the picture shows ordinary names; elsewhere the
// folders are in a temporary folder.
TEST(MainWindow, ReadmeScreenshotAndEveryTheme) {
  Reaper reaper(30000);
  SettingsSandbox sandbox;
  TempFolder temp;
  const bool ordinary = std::getenv("MIRRANE_PICTURE_FOLDERS") != nullptr;
  testing_support::ScopedEnvironment home("HOME", ordinary ? "/home/ann" : temp.path("home"));
  const std::string first = std::string(std::getenv("HOME")) + "/photos-2025";
  const std::string second = ordinary ? "/media/backup/photos-2025" : temp.path("backup/photos-2025");
  for (const std::string& side : {first, second}) {
    writeFileBytes(side + "/2025-06-14 beach/IMG_0412.jpg", "sand and sea");
    writeFileBytes(side + "/2025-06-14 beach/IMG_0413.jpg", "waves");
    writeFileBytes(side + "/2025-08-02 hike/IMG_0577.jpg", "summit");
    writeFileBytes(side + "/notes.txt", "camera: X100\n");
  }
  writeFileBytes(first + "/2025-08-02 hike/IMG_0578.jpg", "valley, edited");
  writeFileBytes(second + "/2025-08-02 hike/IMG_0578.jpg", "valley, first cut");
  writeFileBytes(first + "/2025-12-24 family/IMG_0901.jpg", "tree");
  writeFileBytes(second + "/2025-10-03 city/IMG_0730.jpg", "bridge");
  writeFileBytes(first + "/Album.txt", "best of the year");
  writeFileBytes(second + "/album.txt", "best of the year");
  CompareEngine engine;
  engine.options.path0 = u"~/photos-2025";
  engine.options.path1 = fromUtf8(second);
  CMirraneDlg window(engine, nullptr);
  ASSERT_TRUE(window.createModeless(nullptr));
  showWindow(window.hwnd(), SW_SHOW);
  // After it shows: a first placement is kept inside the (small) offscreen screen, and the
  // picture wants more room than that.
  moveWindow(window.hwnd(), 0, 0, 1120, 600);
  ASSERT_TRUE(window.startCompare());
  ASSERT_GT(window.list().rowCount(), 3);
  for (int row = 0; row < window.list().rowCount(); ++row)
    if (window.list().rowText(row, RowText::firstName) == u"IMG_0578.jpg") window.list().selectRowAlone(row);
  waitFor([] { return false; }, 50);
  EXPECT_FALSE(window.statusText().empty());
  EXPECT_FALSE(window.statusBadge().empty()) << "a differing row's badge";
  EXPECT_EQ(window.shownStatusBadge(), window.statusBadge());
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

namespace {

// Folders whose all-items view has differing rows between equal ones: 1-diff, 2-same,
// 3-diff, 4-same, 5-diff.
void makeAlternatingTrees(const TempFolder& temp) {
  for (int i = 1; i <= 5; ++i) {
    const bool differs = i % 2 == 1;
    const std::string name = std::to_string(i) + (differs ? "-diff.txt" : "-same.txt");
    writeFileBytes(temp.path("a/" + name), "a");
    writeFileBytes(temp.path("b/" + name), differs ? "b" : "a");
  }
}

TEST(MainWindow, KeysDoWhatTheirNamesSayWhereverTheFocusIs) {
  enum class Target { pathBox, list };
  const struct {
    const char* name;
    Target target;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int from;
    int current;  // -1: wherever it was
    bool findDialog;
    bool menu;
  } cases[] = {
      {"F4: next difference", Target::pathBox, Qt::Key_F4, Qt::NoModifier, 0, 2, false, false},
      {"Shift+F4: previous difference", Target::pathBox, Qt::Key_F4, Qt::ShiftModifier, 4, 2, false, false},
      {"F3: next match, not the one found", Target::pathBox, Qt::Key_F3, Qt::NoModifier, 2, 4, false, false},
      {"Shift+F3: previous match", Target::pathBox, Qt::Key_F3, Qt::ShiftModifier, 2, 0, false, false},
      {"Ctrl+F: the find dialog", Target::pathBox, Qt::Key_F, Qt::ControlModifier, 0, -1, true, false},
      {"Alt+F is no Ctrl+F", Target::pathBox, Qt::Key_F, Qt::AltModifier, 0, -1, false, false},
      {"Shift+F10: the list's menu", Target::list, Qt::Key_F10, Qt::ShiftModifier, 3, 3, false, true},
  };
  Reaper reaper(30000);
  SettingsSandbox sandbox;
  TempFolder temp;
  makeAlternatingTrees(temp);
  CompareEngine engine;
  engine.options.path0 = temp.widePath("a");
  engine.options.path1 = temp.widePath("b");
  buildMenus(false);
  CMirraneDlg window(engine, nullptr);
  runAsMainWindow(window, [&] {
    ASSERT_TRUE(window.startCompare());
    sendMessage(window.hwnd(), WM_COMMAND, control_id::kViewAll);
    mrnListView& list = window.list();
    ASSERT_EQ(list.rowCount(), 5);
    list.setFindText(u"diff");
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      list.selectRowAlone(c.from);
      bool findDialog = false, menu = false;
      QPoint menuAt;
      // Whatever comes up is noted and closed, so the key's own loop ends.
      later(100, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
          menu = true;
          menuAt = popup->pos();
          popup->close();
        }
        for (QWidget* widget : QApplication::topLevelWidgets()) {
          auto* dialog = dynamic_cast<mrnFindDlg*>(olWndMap::instance().find(handleOf(widget)));
          if (dialog && dialog->isModalRunning()) {
            findDialog = true;
            dialog->endDialog(IDCANCEL);
          }
        }
      });
      const HWND target = c.target == Target::list ? list.hwnd() : window.comparePanel().infoPanel().pathBox(0).hwnd();
      setFocus(target);
      // Through the window, as the window system hands keys over (the menu key becomes a
      // context menu request there).
      QTest::keyClick(widgetOf(window.hwnd())->windowHandle(), c.key, c.modifiers);
      waitFor([] { return false; }, 150);
      EXPECT_EQ(list.currentRow(), c.current == -1 ? c.from : c.current);
      EXPECT_EQ(findDialog, c.findDialog);
      EXPECT_EQ(menu, c.menu);
      if (c.menu) {
        const RECT row = list.rowRect(c.from);
        const POINT below = clientToScreen(list.hwnd(), POINT{0, row.bottom});
        EXPECT_EQ(menuAt.y(), below.y) << "under the current row";
      }
    }
    closeWindow(window);
  });
}

TEST(MainWindow, AnEmptyPathTakesTheCursorAndNoMessage) {
  const int emptySides[] = {0, 1};
  Reaper reaper(20000);
  SettingsSandbox sandbox;
  TempFolder temp;
  testing_support::makeFolders(temp.path("a"));
  for (const int emptySide : emptySides) {
    SCOPED_TRACE(emptySide);
    CompareEngine engine;
    CMirraneDlg window(engine, nullptr);
    MessageBoxAnswerer answerer(IDOK);
    HWND focused = nullptr;
    HWND expected = nullptr;
    runAsMainWindow(window, [&] {
      CCompareInfoPanel& info = window.comparePanel().infoPanel();
      expected = info.pathBox(emptySide).hwnd();
      info.pathBox(1 - emptySide).setText(temp.widePath("a"));
      info.pathBox(emptySide).setText(u"");
      sendMessage(window.hwnd(), WM_COMMAND, MAKEWPARAM(control_id::kCompare, 0));
      waitFor([] { return false; }, 50);
      focused = handleOf(widgetOf(window.hwnd())->focusWidget());
      closeWindow(window);
    });
    EXPECT_TRUE(answerer.texts().empty()) << "no message box";
    EXPECT_EQ(focused, expected);
    EXPECT_TRUE(engine.result.root.children.empty()) << "no compare";
  }
}

TEST(MainWindow, WhatIsTypedIsKeptAtCloseEvenWithoutACompare) {
  Reaper reaper(20000);
  SettingsSandbox sandbox;
  CompareEngine engine;
  engine.options.path0 = u"/old/first";
  engine.options.path1 = u"/old/second";
  CMirraneDlg window(engine, nullptr);
  runAsMainWindow(window, [&] {
    CCompareInfoPanel& info = window.comparePanel().infoPanel();
    QTest::keyClicks(widgetOf(info.pathBox(0).hwnd()), "/new/first");
    info.pathBox(1).setText(u"/new/second");
    info.excludeBox().setText(u"*.tmp");
    closeWindow(window);
  });
  // The default project is saved from these options once the window is gone.
  EXPECT_EQ(engine.options.path1, u"/new/second");
  EXPECT_TRUE(engine.options.path0.ends_with(u"/new/first"));
  EXPECT_EQ(engine.options.excludes, u"*.tmp");
}

TEST(MainWindow, PastedLineBreaksLeaveThePathBoxesAndSpacesStay) {
  const struct {
    const char16_t* pasted;
    const char16_t* kept;
  } cases[] = {
      {u"/home/ana/photos-2025\r\n", u"/home/ana/photos-2025"},
      {u"\n/media/backup\r", u"/media/backup"},
      {u" two spaces  \n", u" two spaces  "},
  };
  SettingsSandbox sandbox;
  CompareEngine engine;
  CMirraneDlg window(engine, nullptr);
  ASSERT_TRUE(window.createModeless(nullptr));
  showWindow(window.hwnd(), SW_SHOW);
  olEdit& box = window.comparePanel().infoPanel().pathBox(0);
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.pasted));
    box.setText(u"");
    QApplication::clipboard()->setText(toQString(c.pasted));
    setFocus(box.hwnd());
    QTest::keySequence(widgetOf(box.hwnd()), QKeySequence::Paste);
    EXPECT_EQ(box.text(), c.kept);
  }
  // What the program puts there itself stays as it is: a name may hold a line break.
  box.setText(u"/tmp/odd\nname");
  EXPECT_EQ(box.text(), u"/tmp/odd\nname");
  window.unbind(olUnbind::destroyWindow);
}

// (Without an owner a box is centred on the screen as every dialog is: DialogTest.)
TEST(MainWindow, AMessageBoxStandsOverTheMiddleOfTheMainWindow) {
  Reaper reaper(20000);
  SettingsSandbox sandbox;
  CompareEngine engine;
  CMirraneDlg window(engine, nullptr);
  ASSERT_TRUE(window.createModeless(nullptr));
  moveWindow(window.hwnd(), 10, 20, 700, 500);
  showWindow(window.hwnd(), SW_SHOW);
  olApp::instance()->setMainWindow(&window);
  RECT box{};
  later(50, [&] {
    if (olMessageBox* shown = window_test::runningMessageBox()) {
      box = getWindowRect(shown->hwnd());
      shown->endDialog(IDOK);
    }
  });
  olMessageBox::show(u"The first and the second path are the same.", {}, MB_OK | MB_ICONERROR);
  const RECT owner = getWindowRect(window.hwnd());
  EXPECT_NEAR((box.left + box.right) / 2, (owner.left + owner.right) / 2, 8) << box.left << "-" << box.right;
  EXPECT_NEAR((box.top + box.bottom) / 2, (owner.top + owner.bottom) / 2, 8) << box.top << "-" << box.bottom;
  olApp::instance()->setMainWindow(nullptr);
  window.unbind(olUnbind::destroyWindow);
}

}  // namespace

namespace {

// Compares first and second in window, created at the size a first start gives it on a
// 1600 × 1000 screen and shown: the first showing keeps it inside the offscreen screen, 800
// pixels wide, narrower than that start and so the harder case for texts.
void showAndCompare(CMirraneDlg& window, CompareEngine& engine, const olstring& first, const olstring& second) {
  engine.options.path0 = first;
  engine.options.path1 = second;
  ASSERT_TRUE(window.createModeless(nullptr));
  moveWindow(window.hwnd(), 0, 0, 1066, 750);
  showWindow(window.hwnd(), SW_SHOW);
  ASSERT_TRUE(window.startCompare());
}

// The folder and file names of a tree with every kind of difference one file can have.
TEST(MainWindow, TextsShowWholeInEveryLanguage) {
  const char* const languages[] = {"english.ini", "deutsch.ini"};
  // Kinds whose badges say different things, and the longest a file can have (it holds the
  // content, time and attribute badges).
  const uint32_t kinds[] = {ItemFlags::kMissing | ItemFlags::kMissingSecond, ItemFlags::kTypeDiffers,
                            ItemFlags::kNameCase, ItemFlags::kContentDiffers | ItemFlags::kContentSkipped,
                            ItemFlags::kContentDiffers | ItemFlags::kTimeDiffers | ItemFlags::kAttrDiffers, 0};
  Reaper reaper(30000);
  SettingsSandbox sandbox;
  TempFolder temp;
  makeDifferentTrees(temp);
  for (const char* language : languages) {
    SCOPED_TRACE(language);
    ASSERT_TRUE(loadLanguage(fromUtf8(MIRRANE_BUILD_DIR "/lang/") + fromUtf8(language), true, true));
    CompareEngine engine;
    CMirraneDlg window(engine, nullptr);
    ASSERT_NO_FATAL_FAILURE(showAndCompare(window, engine, temp.widePath("a"), temp.widePath("b")));
    mrnListView& list = window.list();
    CompareItem& item = const_cast<CompareItem&>(*list.rowItem(0));
    const uint32_t flags = item.flags;
    for (uint32_t kind : kinds) {
      SCOPED_TRACE(kind);
      item.flags = kind;
      list.selectRowAlone(0);
      window.updateStatus();
      widgetOf(window.hwnd())->grab();
      EXPECT_EQ(window.shownStatusBadge(), window.statusBadge()) << "the badge is not cut";
    }
    item.flags = flags;
    // Every caption of the panel whole, on one line or two.
    for (const SwitchBox& entry : CCompareInfoPanel::switchBoxes()) {
      olCheckBox& box = window.comparePanel().infoPanel().checkBox(entry.controlId);
      widgetOf(box.hwnd())->grab();
      SCOPED_TRACE(toUtf8(getWindowText(box.hwnd())));
      EXPECT_EQ(box.shownCaption().find(u'\u2026'), olstring::npos);
      olstring joined = box.shownCaption();
      std::replace(joined.begin(), joined.end(), u'\n', u' ');
      EXPECT_EQ(joined, getWindowText(box.hwnd()));
    }
    // A panel too narrow for a caption: it ends in "…" and is read whole in its tooltip.
    olCheckBox& quick = window.comparePanel().infoPanel().checkBox(control_id::kAutoSkip);
    moveWindow(quick.hwnd(), 0, 0, 120, quick.heightForWidth(120));
    widgetOf(quick.hwnd())->grab();
    EXPECT_TRUE(quick.shownCaption().ends_with(u"\u2026"));
    EXPECT_EQ(olToolTipCtrl::shared().toolText(quick.hwnd()), cleanLabel(getWindowText(quick.hwnd())));
    // A first word wider than the line is cut alone: the line after it stays whole.
    const olstring caption = getWindowText(quick.hwnd());
    setWindowText(quick.hwnd(), u"Groß-/Kleinschreibungsunterscheidung der Namen");
    widgetOf(quick.hwnd())->grab();
    const olstring shown = quick.shownCaption();
    EXPECT_EQ(shown.substr(shown.find(u'\n') + 1), u"der Namen") << toUtf8(shown);
    setWindowText(quick.hwnd(), caption);
    window.unbind(olUnbind::destroyWindow);
  }
  ASSERT_TRUE(loadLanguage(fromUtf8(MIRRANE_BUILD_DIR "/lang/english.ini"), false, true));
}

TEST(MainWindow, ANewFontLaysThePanelOutAsAStartWithItWould) {
  Reaper reaper(20000);
  SettingsSandbox sandbox;
  const LOGFONTW before = currentFontDescription();
  LOGFONTW larger = before;
  larger.lfHeight = -19;  // 14 points at 96 dots an inch
  // Where each control of the panel stands, with the font applied to the window shown or
  // before it is made. Shown before it is sized: a hidden window hears of its new size only
  // once it shows, and its first showing keeps it inside the (small) offscreen screen.
  const auto geometry = [&](bool changeWhileShown) {
    CompareEngine engine;
    CMirraneDlg window(engine, nullptr);
    std::vector<RECT> rects;
    if (!window.createModeless(nullptr)) return rects;
    showWindow(window.hwnd(), SW_SHOW);
    moveWindow(window.hwnd(), 0, 0, 1066, 750);
    if (changeWhileShown) applyFont(larger, 1.45f);
    for (HWND control : window.comparePanel().controlsInOrder()) rects.push_back(getWindowRect(control));
    window.unbind(olUnbind::destroyWindow);
    return rects;
  };
  const std::vector<RECT> afterChange = geometry(true);
  const std::vector<RECT> atStart = geometry(false);
  applyFont(before, 1.45f);
  ASSERT_EQ(afterChange.size(), atStart.size());
  ASSERT_FALSE(atStart.empty());
  for (size_t i = 0; i < atStart.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(afterChange[i].top, atStart[i].top);
    EXPECT_EQ(afterChange[i].height(), atStart[i].height());
  }
}

TEST(MainWindow, ADeepDifferenceShowsItsNameOnBothSidesAndIdenticalFoldersSaySo) {
  Reaper reaper(20000);
  SettingsSandbox sandbox;
  TempFolder temp;
  window_test::makeDeepPair(temp.path("deep"));
  for (const char* side : {"same/a", "same/b"})
    for (int i = 0; i < 7; ++i) writeFileBytes(temp.path(std::string(side) + "/f" + std::to_string(i)), "x");
  CompareEngine engine;
  engine.options.adjustPath = false;
  CMirraneDlg window(engine, nullptr);
  ASSERT_NO_FATAL_FAILURE(showAndCompare(window, engine, temp.widePath("deep/a"), temp.widePath("deep/b")));
  mrnListView& list = window.list();
  ASSERT_EQ(list.rowCount(), 41);
  list.ensureVisible(40);
  const RECT row = list.rowRect(40);
  const QImage picture = widgetOf(list.hwnd())->grab().toImage();
  const COLORREF highlight = differenceColour(themeColour(olThemeSlot::window));
  // The name of the one difference is drawn in the difference colour on each half, left
  // of the columns (which stand at each half's right end).
  int shown[2] = {0, 0};
  const int half = picture.width() / 2;
  for (int y = row.top; y < row.bottom; ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      if (x % half > half * 2 / 3) continue;
      const QColor c = picture.pixelColor(x, y);
      const int distance = std::abs(c.red() - int(redOf(highlight))) + std::abs(c.green() - int(greenOf(highlight))) +
                           std::abs(c.blue() - int(blueOf(highlight)));
      if (distance < 60) ++shown[x < half ? 0 : 1];
    }
  }
  EXPECT_GT(shown[0], 20);
  EXPECT_GT(shown[1], 20);

  engine.options.path0 = temp.widePath("same/a");
  engine.options.path1 = temp.widePath("same/b");
  ASSERT_TRUE(window.startCompare());
  EXPECT_EQ(list.rowCount(), 0);
  EXPECT_EQ(list.emptyText(), langText(lang::global::kNothingDiffers, u"7"));
  EXPECT_EQ(window.statusText(), list.emptyText()) << "no \"Ready\" after a compare";
  window.unbind(olUnbind::destroyWindow);
}

}  // namespace

TEST(MainWindow, AScreenReaderReadsWhatTheWindowDrawsInTheLanguageChosen) {
  Reaper reaper(30000);
  SettingsSandbox sandbox;
  for (const char* name : {"english.ini", "deutsch.ini"}) {
    writeFileBytes(toUtf8(platform::applicationFolder()) + "/lang/" + name,
                   testing_support::readFileBytes(std::string(MIRRANE_SOURCE_DIR "/lang/") + name));
  }
  TempFolder temp;
  makeDifferentTrees(temp);
  CompareEngine engine;
  engine.options.path0 = temp.widePath("a");
  engine.options.path1 = temp.widePath("b");
  CMirraneDlg window(engine, nullptr);
  ASSERT_TRUE(window.createModeless(nullptr));
  ASSERT_TRUE(window.startCompare());
  QAccessibleInterface* main = QAccessible::queryAccessibleInterface(widgetOf(window.hwnd()));
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(widgetOf(window.listWindow()));
  // The texts the window draws, in order: the two paths, the badge, the status line.
  auto drawnTexts = [main] {
    std::vector<std::string> texts;
    for (int i = 0; i < main->childCount(); ++i) {
      QAccessibleInterface* child = main->child(i);
      if (child->role() == QAccessible::StaticText || child->role() == QAccessible::StatusBar)
        texts.push_back(child->text(QAccessible::Name).toStdString());
    }
    return texts;
  };
  const std::string a = temp.path("a"), b = temp.path("b");
  EXPECT_EQ(drawnTexts(), (std::vector<std::string>{
                              "First: " + a, "Differences: 6 (only in the first folder: 1, only in the second folder: 1), equal: 4",
                              "Second: " + b, "9 items, 0 selected"}));
  int x = 0;
  while (x < window.list().rowCount() && window.list().rowText(x, RowText::firstName) != u"x.bin") ++x;
  ASSERT_LT(x, window.list().rowCount());

  std::vector<std::string> changed;
  olAccessibleReader reader([&changed](QAccessibleEvent* event) {
    if (event->type() == QAccessible::NameChanged) changed.push_back(event->accessibleInterface()->text(QAccessible::Name).toStdString());
  });
  window.list().selectRowAlone(x);
  pumpMessages(20);
  EXPECT_EQ(changed, std::vector<std::string>{a + "/deep/er/still/x.bin, content differs"}) << "only the status line changed";

  ASSERT_TRUE(applyLanguage(u"deutsch.ini", window.hwnd(), &engine.job));
  // The texts are asked for anew each time; the window's own names follow its language message.
  EXPECT_TRUE(waitFor([&] { return list->text(QAccessible::Name) == "Ergebnisse"; }));
  EXPECT_EQ(drawnTexts()[0], "Erster: " + a);
  EXPECT_EQ(drawnTexts()[1], "Unterschiede: 6 (nur im ersten Ordner: 1, nur im zweiten Ordner: 1), gleich: 4");
  EXPECT_EQ(drawnTexts()[3], a + "/deep/er/still/x.bin, Inhalt unterscheidet sich");
  EXPECT_EQ(list->tableInterface()->columnDescription(1), "Zweiter Ordner");
  QAccessibleInterface* splitter = QAccessible::queryAccessibleInterface(widgetOf(window.splitterWindow()));
  EXPECT_EQ(splitter->text(QAccessible::Name), "Breite der Vergleichsleiste");
  EXPECT_TRUE(splitter->text(QAccessible::Description).contains("Pfeiltasten"));
  EXPECT_TRUE(list->tableInterface()->cellAt(x, 0)->text(QAccessible::Name).startsWith("x.bin, 9 Bytes, geändert"));
  EXPECT_EQ(list->tableInterface()->rowDescription(x), "Inhalt unterscheidet sich");
  EXPECT_EQ(changed.size(), 1u + 4) << "the status line, then the four drawn texts in their new words";
  EXPECT_TRUE(applyLanguage(u"english.ini", window.hwnd(), &engine.job));
  window.unbind(olUnbind::destroyWindow);
}

