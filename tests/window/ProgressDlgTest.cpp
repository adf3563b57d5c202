// The progress dialog driving a real compare job.

#include "foundation/LanguageKeys.h"
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

#include <chrono>
#include <thread>

using gui_test::later;
using gui_test::Reaper;
using gui_test::waitFor;
using testing_support::TempFolder;

namespace {

// Two trees of many small files, different in one, as the engine's two paths: long enough
// to pause in each phase.
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

olstring decimal(int64_t value) { return fromUtf8(std::to_string(value)); }

void click(HWND dialog, int id) { QTest::mouseClick(widgetOf(getDlgItem(dialog, id)), Qt::LeftButton); }

}  // namespace

TEST(ProgressDialog, PauseAndResumeOfARealCompare) {
  Reaper reaper(60000);
  TempFolder temp;
  CompareEngine engine;
  makeTrees(temp, 20, 400, engine);
  // A large sparse pair keeps the counted phase busy for a while, so that it can be caught
  // even on a loaded machine.
  ASSERT_EQ(testing_support::runCommand("truncate -s 2G '" + temp.path("a/big.bin") + "' '" + temp.path("b/big.bin") + "'"), 0);

  gui_test::SimpleDialog owner;
  ASSERT_TRUE(owner.createModeless(nullptr));
  showWindow(owner.hwnd(), SW_SHOW);
  gui_test::SimpleDialog bystander;
  ASSERT_TRUE(bystander.createModeless(nullptr));
  showWindow(bystander.hwnd(), SW_SHOW);

  bool checked = false;
  const uint32_t exitCode = runCompareWithProgress(engine, owner.hwnd(), [&](CProgressDlg& progress) {
    const HWND hwnd = progress.hwnd();
    EXPECT_FALSE(isWindowEnabled(owner.hwnd())) << "the owner is disabled while the compare runs";
    EXPECT_TRUE(isWindowVisible(hwnd));
    // Pause at once: the scan has not counted the work yet.
    click(hwnd, kPauseButtonId);
    EXPECT_TRUE(engine.worker.isPaused());
    EXPECT_EQ(getWindowText(getDlgItem(hwnd, kPauseButtonId)), text(lang::global::kResume));
    EXPECT_EQ(progress.progressBar().state(), olProgressCtrl::kPaused);

    later(300, [&, hwnd] {
      progress.refreshProgress();
      const JobState::Progress seen = engine.job.readProgress();
      EXPECT_LE(seen.total, 0);
      EXPECT_TRUE(progress.progressBar().isIndeterminate());
      EXPECT_EQ(progress.progressBar().text(), text(lang::progress::kPrepareCount, decimal(seen.done), decimal(seen.total)));
      // Paused means paused: the count does not move.
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      EXPECT_EQ(engine.job.readProgress().done, seen.done);
      EXPECT_TRUE(engine.worker.isRunning());

      // Another window takes input meanwhile.
      QTest::mouseClick(widgetOf(getDlgItem(bystander.hwnd(), IDOK)), Qt::LeftButton);
      EXPECT_FALSE(bystander.commands.empty());

      // Resume, and pause again the moment the work is counted.
      click(hwnd, kPauseButtonId);
      EXPECT_EQ(getWindowText(getDlgItem(hwnd, kPauseButtonId)), text(lang::global::kPause));
      EXPECT_EQ(progress.progressBar().state(), olProgressCtrl::kNormal);
      const bool counted = waitFor(
          [&] {
            if (engine.job.readProgress().total <= 0 && engine.worker.isRunning()) return false;
            if (engine.worker.isRunning()) click(hwnd, kPauseButtonId);
            return true;
          },
          20000);
      ASSERT_TRUE(counted);
      ASSERT_TRUE(engine.worker.isPaused()) << "the job ended before it could be paused with a total";
      later(300, [&, hwnd] {
        progress.refreshProgress();
        const JobState::Progress now = engine.job.readProgress();
        EXPECT_FALSE(progress.progressBar().isIndeterminate());
        EXPECT_EQ(progress.progressBar().maximum(), now.total);
        EXPECT_EQ(progress.progressBar().position(), now.done);
        EXPECT_EQ(progress.progressBar().text(), text(lang::progress::kCount, decimal(now.done), decimal(now.total)));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(engine.job.readProgress().done, now.done);
        gui_test::saveScreenshot(hwnd, "progress-paused");
        // Resume: the job goes on to its end.
        click(hwnd, kPauseButtonId);
        checked = true;
      });
    });
  });
  EXPECT_TRUE(checked);
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(engine.result.differing, 1);
  EXPECT_TRUE(isWindowEnabled(owner.hwnd()));
  owner.unbind(olUnbind::destroyWindow);
  bystander.unbind(olUnbind::destroyWindow);
}

TEST(ProgressDialog, CancelWhilePausedEndsTheJobAndTheDialogWaitsForIt) {
  Reaper reaper(60000);
  TempFolder temp;
  CompareEngine engine;
  makeTrees(temp, 20, 400, engine);
  bool stayed = false;
  const uint32_t exitCode = runCompareWithProgress(engine, nullptr, [&](CProgressDlg& progress) {
    const HWND hwnd = progress.hwnd();
    click(hwnd, kPauseButtonId);
    later(200, [&, hwnd] {
      ASSERT_TRUE(engine.worker.isPaused());
      click(hwnd, IDCANCEL);
      // The dialog never closes itself: it goes when the worker has stopped.
      stayed = isWindow(hwnd);
    });
  });
  EXPECT_TRUE(stayed);
  EXPECT_EQ(exitCode, 1u);
  EXPECT_EQ(engine.job.errorCode(), kErrorCancelled);
  EXPECT_TRUE(engine.result.root.children.empty());
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

TEST(ProgressDialog, PicturesInThreeThemes) {
  Reaper reaper;
  CompareEngine engine;
  engine.job.beginJob();
  engine.job.setStage(1000);
  for (int i = 0; i < 420; ++i) engine.job.stepDone();
  engine.job.setText(u"Comparing... docs/reports/2026/annual-summary-final.txt");
  for (const char16_t* theme : {u"Light", u"Dark", u"System Default"}) {
    ASSERT_TRUE(applyThemeByName(theme));
    CProgressDlg progress(engine);
    ASSERT_TRUE(progress.createModeless(nullptr));
    progress.showAndRefresh();
    progress.refreshProgress();
    pumpMessages(100);
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
  applyThemeByName(u"Light");
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
  later(100, [&] {
    QTest::keyClick(widgetOf(getDlgItem(owner.hwnd(), 100)), Qt::Key_A);
    before = owner.keysFiltered;
    exitCode = runCompareWithProgress(engine, owner.hwnd(), [&](CProgressDlg& progress) {
      // Held, so that the keys surely arrive while the compare runs.
      click(progress.hwnd(), kPauseButtonId);
      later(100, [&, hwnd = progress.hwnd()] {
        const int start = owner.keysFiltered;
        QTest::keyClick(widgetOf(getDlgItem(hwnd, kPauseButtonId)), Qt::Key_F5);
        QTest::keyClick(widgetOf(getDlgItem(hwnd, kPauseButtonId)), Qt::Key_F, Qt::ControlModifier);
        during = owner.keysFiltered - start;
        click(hwnd, kPauseButtonId);
      });
    });
    owner.endDialog(IDOK);
  });
  EXPECT_EQ(owner.runModal(), IDOK);
  EXPECT_GE(before, 1) << "outside a compare the owner's filter sees its keys";
  EXPECT_EQ(during, 0) << "no hotkey may fire while the compare runs";
  EXPECT_EQ(exitCode, 0u);
}
