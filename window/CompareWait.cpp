#include "window/CompareWait.h"

#include "foundation/SoftCheck.h"
#include "toolkit/App.h"
#include "toolkit/Timer.h"
#include "window/ProgressDlg.h"

#include <atomic>
#include <functional>

namespace {

// How often the dialog shows the progress at most. The worker signals once per item: woken
// for each, the loop would paint a count the eye cannot follow and take a processor from
// the content readers.
constexpr int64_t kProgressIntervalMs = 25;

// At the interval: shows a change whose signal was let pass, and wakes the loop, so that the
// worker's end is seen even when its last signal came too soon after another.
class ProgressTick : public olWndTimer {
public:
  explicit ProgressTick(std::function<void()> onTick) : m_onTick(std::move(onTick)) {}
  void onTimer() override { m_onTick(); }

private:
  std::function<void()> m_onTick;
};

}  // namespace

uint32_t runCompareWithProgress(CompareEngine& engine, HWND owner, const std::function<void(CProgressDlg&)>& onShown,
                                const WorkerProgressHook& onWorkerProgress) {
  CProgressDlg progress(engine);
  // Without its window the compare still runs and ends; only its progress goes unseen.
  MIRRANE_CHECK_ONLY(progress.createModeless(owner));
  progress.showAndRefresh();
  const bool ownerWasEnabled = owner != nullptr && isWindowEnabled(owner);
  if (ownerWasEnabled) enableWindow(owner, false);

  platform::Event& changed = engine.job.changed();
  // Without its tick (no dialog) every signal wakes the loop, as the end must be seen.
  ProgressTick tick([&changed, &progress] {
    if (changed.wait(0)) progress.refreshProgress();
    wakeMessageLoop();
  });
  const bool ticking = tick.start(progress.hwnd(), static_cast<UINT>(kProgressIntervalMs));
  // The worker signals from its own thread, once per item; the hook queues a wake-up for
  // this loop only when none is waiting already and the last is an interval ago, so a huge
  // tree can neither flood the queue nor keep the loop busy.
  std::atomic<bool> wakePending{false};
  std::atomic<int64_t> lastWakeMs{0};
  changed.setWakeHook([&wakePending, &lastWakeMs, ticking, &engine, &onWorkerProgress] {
    if (onWorkerProgress) onWorkerProgress(engine.job.readProgress());
    if (ticking) {
      const int64_t now = steadyMilliseconds();
      if (now - lastWakeMs.load() < kProgressIntervalMs) return;
      lastWakeMs.store(now);
    }
    if (!wakePending.exchange(true)) wakeMessageLoop();
  });
  uint32_t exitCode = 1;
  if (engine.worker.startWorker(engine)) {
    if (onShown) onShown(progress);
    runMessageLoopUntil([&] {
      wakePending.store(false);
      if (changed.wait(0)) progress.refreshProgress();
      return !engine.worker.isRunning();
    });
    // A quit message can end the loop first; the job must still end before the engine's
    // objects may be touched again.
    engine.worker.requestStop();
    // The worker reports "ended" and then signals once more, calling the hook above: that
    // call must be over before the hook and what it points to in this frame are gone.
    engine.worker.waitFinished();
    exitCode = engine.worker.exitCode();
  }
  changed.setWakeHook({});
  tick.stop();
  if (ownerWasEnabled && isWindow(owner)) enableWindow(owner, true);
  progress.unbind(olUnbind::destroyWindow);
  return exitCode;
}
