// The progress dialog driving a real compare job.

#include "foundation/LanguageKeys.h"
#include "foundation/TextFile.h"
#include "tests/support/TestSupport.h"
#include "tests/toolkit/GuiTest.h"
#include "toolkit/App.h"
#include "toolkit/Theme.h"
#include "toolkit/WindowInternal.h"
#include "window/CompareWait.h"
#include "window/ProgressDlg.h"

#include <QImage>
#include <QTest>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#define MIRRANE_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MIRRANE_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(MIRRANE_ADDRESS_SANITIZER)
// A worker that calls into a frame the compare wait has left must be caught: returned
// frames stay poisoned in these tests.
extern "C" const char* __asan_default_options() { return "detect_stack_use_after_return=1"; }
#endif

using gui_test::later;
using gui_test::Reaper;
using gui_test::waitFor;
using testing_support::TempFolder;

namespace {

// Two trees of small files, different in one, as the engine's two paths.
void makeTrees(const TempFolder& temp, int folders, int filesPerFolder, CompareEngine& engine) {
  engine.options.path0 = temp.widePath("a");
  engine.options.path1 = temp.widePath("b");
  std::string script = "cd '" + temp.path() + "' && for s in a b; do for d in $(seq 1 " + std::to_string(folders) +
                       "); do mkdir -p $s/d$d; for f in $(seq 1 " + std::to_string(filesPerFolder) +
                       "); do printf 'content %s %s\\n' $d $f > $s/d$d/f$f.txt; done; done; done; "
                       "echo changed > b/d1/f1.txt";
  ASSERT_EQ(testing_support::runCommand(script), 0);
}

olstring text(const LanguageKey& key, olstring_view a0 = {}, olstring_view a1 = {}) { return langText(key, a0, a1); }

void click(HWND dialog, int id) { QTest::mouseClick(widgetOf(getDlgItem(dialog, id)), Qt::LeftButton); }

// Holds the worker inside its progress signal the first time a condition holds, so that a
// test can act on the dialog while the job is known to be in that phase, however small the
// trees and however fast the machine. A hold lasts ten seconds at most: a failing test
// must not hang.
class WorkerGate {
public:
  using Condition = std::function<bool(const JobState::Progress&)>;
  ~WorkerGate() { release(); }

  void arm(Condition when) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_when = std::move(when);
    m_held = false;
    m_released = false;
  }
  WorkerProgressHook hook() {
    return [this](const JobState::Progress& progress) { onProgress(progress); };
  }
  bool waitUntilHeld() { return waitFor([this] { return m_held.load(); }, 10000); }
  void release() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_released = true;
    }
    m_condition.notify_all();
  }

private:
  void onProgress(const JobState::Progress& progress) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_when || !m_when(progress)) return;
    m_when = nullptr;
    m_held = true;
    m_condition.wait_for(lock, std::chrono::seconds(10), [this] { return m_released; });
  }

  std::mutex m_mutex;
  std::condition_variable m_condition;
  Condition m_when;
  std::atomic<bool> m_held{false};
  bool m_released = false;
};

bool inTheScan(const JobState::Progress& progress) { return progress.total <= 0 && progress.done >= 3; }
bool inTheCountedPhase(const JobState::Progress& progress) { return progress.total > 0 && progress.done >= 3; }

// The progress of a paused job once the worker stands at its checkpoint: it moves no more.
JobState::Progress restingProgress(CompareEngine& engine) {
  // Seen once is enough: it may go off for a moment while a helper ends a pair it began
  // before the pause, but the progress does not move meanwhile.
  bool stoodStill = false;
  const auto failsafe = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!(stoodStill = engine.worker.isStandingStill()) && std::chrono::steady_clock::now() < failsafe) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_TRUE(stoodStill);
  return engine.job.readProgress();
}

}  // namespace

TEST(ProgressDialog, PauseAndResumeOfARealCompare) {
  Reaper reaper(30000);
  TempFolder temp;
  CompareEngine engine;
  makeTrees(temp, 2, 20, engine);

  gui_test::SimpleDialog owner;
  ASSERT_TRUE(owner.createModeless(nullptr));
  showWindow(owner.hwnd(), SW_SHOW);
  gui_test::SimpleDialog bystander;
  ASSERT_TRUE(bystander.createModeless(nullptr));
  showWindow(bystander.hwnd(), SW_SHOW);

  WorkerGate gate;
  gate.arm(inTheScan);
  bool checked = false;
  const uint32_t exitCode = runCompareWithProgress(
      engine, owner.hwnd(),
      [&](CProgressDlg& progress) {
        const HWND hwnd = progress.hwnd();
        EXPECT_FALSE(isWindowEnabled(owner.hwnd())) << "the owner is disabled while the compare runs";
        EXPECT_TRUE(isWindowVisible(hwnd));
        // Pause while the scan has not counted the work yet.
        ASSERT_TRUE(gate.waitUntilHeld());
        click(hwnd, control_id::kPauseButton);
        EXPECT_TRUE(engine.worker.isPaused());
        EXPECT_EQ(getWindowText(getDlgItem(hwnd, control_id::kPauseButton)), text(lang::global::kResume));
        EXPECT_EQ(progress.progressBar().state(), olProgressCtrl::kPaused);
        gate.release();

        const JobState::Progress seen = restingProgress(engine);
        progress.refreshProgress();
        EXPECT_LE(seen.total, 0);
        EXPECT_TRUE(progress.progressBar().isIndeterminate());
        EXPECT_EQ(progress.progressBar().text(), text(lang::progress::kPrepareCount, numberToText(seen.done), numberToText(seen.total)));
        // Paused means paused: the count does not move.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(engine.job.readProgress().done, seen.done);
        EXPECT_TRUE(engine.worker.isRunning());

        // Another window takes input meanwhile.
        QTest::mouseClick(widgetOf(getDlgItem(bystander.hwnd(), IDOK)), Qt::LeftButton);
        EXPECT_FALSE(bystander.commands.empty());

        // Resume, and pause again once the work is counted.
        gate.arm(inTheCountedPhase);
        click(hwnd, control_id::kPauseButton);
        EXPECT_EQ(getWindowText(getDlgItem(hwnd, control_id::kPauseButton)), text(lang::global::kPause));
        EXPECT_EQ(progress.progressBar().state(), olProgressCtrl::kNormal);
        ASSERT_TRUE(gate.waitUntilHeld());
        click(hwnd, control_id::kPauseButton);
        gate.release();
        ASSERT_TRUE(engine.worker.isPaused());

        const JobState::Progress now = restingProgress(engine);
        progress.refreshProgress();
        EXPECT_FALSE(progress.progressBar().isIndeterminate());
        EXPECT_EQ(progress.progressBar().maximum(), now.total);
        EXPECT_EQ(progress.progressBar().position(), now.done);
        EXPECT_LT(now.done, now.total);
        EXPECT_EQ(progress.progressBar().text(), text(lang::progress::kCount, numberToText(now.done), numberToText(now.total)));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(engine.job.readProgress().done, now.done);
        pumpMessages(50);
        gui_test::saveScreenshot(hwnd, "progress-paused");
        // Resume: the job goes on to its end.
        click(hwnd, control_id::kPauseButton);
        checked = true;
      },
      gate.hook());
  EXPECT_TRUE(checked);
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(engine.result.differing, 1);
  EXPECT_TRUE(isWindowEnabled(owner.hwnd()));
  owner.unbind(olUnbind::destroyWindow);
  bystander.unbind(olUnbind::destroyWindow);
}

TEST(ProgressDialog, CancelWhilePausedEndsTheJobAndTheDialogWaitsForIt) {
  Reaper reaper(30000);
  TempFolder temp;
  CompareEngine engine;
  makeTrees(temp, 2, 20, engine);
  WorkerGate gate;
  gate.arm(inTheScan);
  bool stayed = false;
  const uint32_t exitCode = runCompareWithProgress(
      engine, nullptr,
      [&](CProgressDlg& progress) {
        const HWND hwnd = progress.hwnd();
        ASSERT_TRUE(gate.waitUntilHeld());
        click(hwnd, control_id::kPauseButton);
        gate.release();
        restingProgress(engine);
        ASSERT_TRUE(engine.worker.isPaused());
        // Held once more on its way out, so that the dialog can be tried meanwhile.
        gate.arm([](const JobState::Progress&) { return true; });
        click(hwnd, IDCANCEL);
        ASSERT_TRUE(gate.waitUntilHeld());
        EXPECT_EQ(getWindowText(getDlgItem(hwnd, control_id::kPauseButton)), text(lang::global::kPause));
        EXPECT_EQ(progress.progressBar().state(), olProgressCtrl::kNormal);
        click(hwnd, control_id::kPauseButton);
        EXPECT_FALSE(engine.worker.isPaused()) << "pause after cancel does nothing";
        EXPECT_EQ(getWindowText(getDlgItem(hwnd, control_id::kPauseButton)), text(lang::global::kPause));
        // The dialog never closes itself: it goes when the worker has stopped.
        stayed = isWindow(hwnd);
        gate.release();
      },
      gate.hook());
  EXPECT_TRUE(stayed);
  EXPECT_EQ(exitCode, 1u);
  EXPECT_EQ(engine.job.errorCode(), kErrorCancelled);
  EXPECT_TRUE(engine.result.root.children.empty());
}

TEST(CompareWait, ReturnsOnlyOnceTheWorkerHasEnded) {
  // The worker reports its end and then signals once more, through the wait's hook: a wait
  // that left at "not running" had that call land in a frame that was gone.
  Reaper reaper(60000);
  TempFolder temp;
  CompareEngine engine;
  makeTrees(temp, 1, 1, engine);
  // The last signal is slowed down here, so that a wait that does not wait for it is caught
  // every time, not once in a thousand runs.
  const WorkerProgressHook slowLastSignal = [&engine](const JobState::Progress&) {
    if (engine.worker.exitCode() != platform::kStillActive) std::this_thread::sleep_for(std::chrono::milliseconds(30));
  };
  for (int i = 0; i < 20; ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(runCompareWithProgress(engine, nullptr, {}, i % 2 ? slowLastSignal : WorkerProgressHook()), 0u);
    ASSERT_TRUE(engine.worker.waitFinished(0)) << "the worker was still busy after the wait returned";
  }
}

TEST(ProgressDialog, EscapeAndTheCloseBoxCancel) {
  Reaper reaper(30000);
  TempFolder temp;
  CompareEngine engine;
  makeTrees(temp, 2, 20, engine);
  for (bool escape : {true, false}) {
    SCOPED_TRACE(escape ? "Escape" : "close box");
    WorkerGate gate;
    gate.arm(inTheScan);
    bool stayed = false;
    const uint32_t exitCode = runCompareWithProgress(
        engine, nullptr,
        [&](CProgressDlg& progress) {
          const HWND hwnd = progress.hwnd();
          ASSERT_TRUE(gate.waitUntilHeld());
          if (escape) QTest::keyClick(widgetOf(getDlgItem(hwnd, control_id::kPauseButton)), Qt::Key_Escape);
          else widgetOf(hwnd)->close();
          stayed = isWindow(hwnd) && isWindowVisible(hwnd);
          gate.release();
        },
        gate.hook());
    EXPECT_TRUE(stayed) << "the dialog stays until the worker has stopped";
    EXPECT_EQ(exitCode, 1u);
    EXPECT_EQ(engine.job.errorCode(), kErrorCancelled);
  }
}

TEST(ProgressDialog, AFinishedCompareLeavesAndAFullCountIsAFullBar) {
  Reaper reaper(30000);
  TempFolder temp;
  CompareEngine engine;
  makeTrees(temp, 2, 20, engine);
  EXPECT_EQ(runCompareWithProgress(engine, nullptr), 0u);
  EXPECT_EQ(engine.result.differing, 1);

  // Counts at and beyond the total (the job caps its own) fill the bar.
  engine.job.beginJob();
  engine.job.setStage(5);
  for (int i = 0; i < 7; ++i) engine.job.stepDone();
  CProgressDlg progress(engine);
  ASSERT_TRUE(progress.createModeless(nullptr));
  progress.showAndRefresh();
  progress.refreshProgress();
  EXPECT_EQ(progress.progressBar().position(), progress.progressBar().maximum());
  EXPECT_EQ(progress.progressBar().maximum(), 5);
  progress.unbind(olUnbind::destroyWindow);
}

TEST(ProgressDialog, PicturesInEveryThemeWithALongPathThatKeepsItsFileName) {
  Reaper reaper;
  CompareEngine engine;
  engine.job.beginJob();
  engine.job.setStage(1000);
  for (int i = 0; i < 420; ++i) engine.job.stepDone();
  const olstring fileName = u"annual-summary-final.txt";
  engine.job.setText(u"Comparing... /home/user/projects/mirrane/docs/reports/2026/quarterly/archive/" + fileName);
  for (const olTheme& table : themeTable()) {
    const olstring theme = table.name;
    ASSERT_TRUE(applyThemeByName(theme));
    CProgressDlg progress(engine);
    ASSERT_TRUE(progress.createModeless(nullptr));
    progress.showAndRefresh();
    progress.refreshProgress();
    pumpMessages(100);
    const olstring& shown = progress.shownStatusLine();
    EXPECT_NE(shown, progress.statusLine()) << "the line is too long for the dialog";
    EXPECT_EQ(shown.substr(0, 9), u"Comparing") << toUtf8(theme);
    EXPECT_EQ(shown.substr(shown.size() - fileName.size()), fileName) << "the file name stays in view";
    std::string name = "progress-" + toUtf8(theme);
    for (char& c : name) c = c == ' ' ? '-' : static_cast<char>(std::tolower(c));
    EXPECT_TRUE(gui_test::saveScreenshot(progress.hwnd(), name));
    // The status line is drawn: its area is not all background.
    const QImage picture = widgetOf(progress.hwnd())->grab().toImage();
    const QColor background = picture.pixelColor(2, 2);
    bool drawn = false;
    for (int x = 10; x < 120 && !drawn; ++x) {
      for (int y = 8; y < 24 && !drawn; ++y) drawn = picture.pixelColor(x, y) != background;
    }
    EXPECT_TRUE(drawn) << toUtf8(theme);
    progress.unbind(olUnbind::destroyWindow);
  }
  applyTheme(-1);
}

namespace {

// Stands in for the main window: modal, with a filter where its hotkeys would be.
class ModalOwner : public gui_test::SimpleDialog {
public:
  int keysFiltered = 0;
  bool filterMessage(MSG& msg) override {
    if (msg.message == WM_KEYDOWN) ++keysFiltered;
    return false;
  }
};

}  // namespace

TEST(CompareWait, TheModalOwnersFilterRestsWhileTheCompareRuns) {
  Reaper reaper(30000);
  TempFolder temp;
  CompareEngine engine;
  makeTrees(temp, 2, 20, engine);
  ModalOwner owner;
  int before = 0;
  int during = -1;
  uint32_t exitCode = 99;
  // The worker is held in its scan, so the keys surely arrive while the compare runs
  // however fast the machine finishes a small tree.
  WorkerGate gate;
  gate.arm(inTheScan);
  later(100, [&] {
    QTest::keyClick(widgetOf(getDlgItem(owner.hwnd(), 100)), Qt::Key_A);
    before = owner.keysFiltered;
    exitCode = runCompareWithProgress(
        engine, owner.hwnd(),
        [&](CProgressDlg& progress) {
          ASSERT_TRUE(gate.waitUntilHeld());
          // From inside the progress dialog's own modal loop, where the keys really arrive.
          later(100, [&, hwnd = progress.hwnd()] {
            const int start = owner.keysFiltered;
            QTest::keyClick(widgetOf(getDlgItem(hwnd, control_id::kPauseButton)), Qt::Key_F5);
            QTest::keyClick(widgetOf(getDlgItem(hwnd, control_id::kPauseButton)), Qt::Key_F, Qt::ControlModifier);
            during = owner.keysFiltered - start;
            gate.release();
          });
        },
        gate.hook());
    owner.endDialog(IDOK);
  });
  EXPECT_EQ(owner.runModal(), IDOK);
  EXPECT_GE(before, 1) << "outside a compare the owner's filter sees its keys";
  EXPECT_EQ(during, 0) << "no hotkey may fire while the compare runs";
  EXPECT_EQ(exitCode, 0u);
}

TEST(CompareWait, ACloseRequestDuringACompareCancelsItAndClosesOnceTheWorkerHasEnded) {
  // As the main window answers its close box while a compare holds it disabled.
  struct MainWindow : gui_test::SimpleDialog {
    CompareEngine* engine = nullptr;
    bool closeAfterCompare = false;
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
      if (message == WM_OLCLOSEWHILEDISABLED && engine->worker.isRunning()) {
        engine->worker.requestStop();
        closeAfterCompare = true;
        return 0;
      }
      return SimpleDialog::windowProc(message, wParam, lParam);
    }
  };
  Reaper reaper(30000);
  TempFolder temp;
  CompareEngine engine;
  makeTrees(temp, 2, 20, engine);
  MainWindow main;
  main.engine = &engine;
  ASSERT_TRUE(main.createModeless(nullptr));
  showWindow(main.hwnd(), SW_SHOW);
  olApp::instance()->setMainWindow(&main);
  const HWND hwnd = main.hwnd();
  WorkerGate gate;
  gate.arm(inTheScan);
  bool openWhileRunning = false;
  const uint32_t exitCode = runCompareWithProgress(
      engine, hwnd,
      [&](CProgressDlg&) {
        ASSERT_TRUE(gate.waitUntilHeld());
        widgetOf(hwnd)->close();
        openWhileRunning = isWindow(hwnd) && engine.worker.isRunning();
        gate.release();
      },
      gate.hook());
  EXPECT_TRUE(openWhileRunning) << "the window stays while the worker runs";
  EXPECT_EQ(exitCode, 1u);
  EXPECT_EQ(engine.job.errorCode(), kErrorCancelled);
  ASSERT_TRUE(main.closeAfterCompare);
  sendMessage(hwnd, WM_CLOSE);
  EXPECT_FALSE(isWindow(hwnd));
  pumpMessages(20);
  EXPECT_TRUE(olApp::quitReceived());
  olApp::instance()->setMainWindow(nullptr);
  olApp::clearQuit();
}

// The dialog is refreshed a few dozen times a second, not at every signal: a change must
// still show while no signal follows it (here the worker is held inside its last one).
TEST(ProgressDialog, TheLastProgressShowsWithoutAnotherSignal) {
  Reaper reaper(30000);
  CompareEngine engine;
  TempFolder temp;
  makeTrees(temp, 2, 20, engine);
  WorkerGate gate;
  gate.arm(inTheCountedPhase);
  bool shown = false;
  const uint32_t exitCode = runCompareWithProgress(
      engine, nullptr,
      [&](CProgressDlg& progress) {
        EXPECT_TRUE(gate.waitUntilHeld());
        const JobState::Progress held = engine.job.readProgress();
        shown = waitFor([&] { return progress.progressBar().position() == held.done; }, 10000);
        EXPECT_EQ(progress.progressBar().text(),
                  text(lang::progress::kCount, numberToText(held.done), numberToText(held.total)));
        gate.release();
      },
      gate.hook());
  EXPECT_EQ(exitCode, 0u);
  EXPECT_TRUE(shown);
}
