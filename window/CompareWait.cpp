#include "window/CompareWait.h"

#include "foundation/SoftCheck.h"
#include "toolkit/App.h"
#include "toolkit/Timer.h"
#include "window/ProgressDlg.h"

#include <atomic>
#include <functional>

namespace {

// The interval of the dialog's tick; between two ticks, one signal at most wakes the loop.
// The worker signals several times per item: woken for each, the loop would paint a count
// the eye cannot follow and take a processor from the content readers.
constexpr int64_t kProgressIntervalMs = 25;

// At the interval: shows a change whose signal was let pass, lets the next signal wake the
// loop again, and wakes it itself, so that nothing waits long for a signal let pass.
class ProgressTick : public olWndTimer {
public:
  explicit ProgressTick(std::function<void()> onTick) : m_onTick(std::move(onTick)) {}
  void onTimer() override { m_onTick(); }

private:
  std::function<void()> m_onTick;
};

}  // namespace

uint32_t runCompareWithProgress(CompareEngine& engine, HWND owner, const std::function<void(CProgressDlg&)>& onShown,
                                const WorkerProgressHook& onWorkerProgress, CompareStart start) {
  CProgressDlg progress(engine);
  // Without its window the compare still runs and ends; only its progress goes unseen.
  MIRRANE_CHECK_ONLY(progress.createModeless(owner));
  progress.showAndRefresh();
  const bool ownerWasEnabled = owner != nullptr && isWindowEnabled(owner);
  if (ownerWasEnabled) enableWindow(owner, false);

  platform::Event& changed = engine.job.changed();
  // The worker signals from its own thread, several times per item. The first signal after
  // a tick queues a wake-up for this loop, the others until the next tick only find one
  // queued: a huge tree can neither flood the queue nor keep the loop busy, and a signal
  // costs the worker no more than a look at a flag. Without the tick (no dialog) every
  // signal the loop has seen lets the next one wake it.
  std::atomic<bool> wakePending{false};
  ProgressTick tick([&changed, &progress, &wakePending] {
    if (changed.wait(0)) progress.refreshProgress();
    wakePending.store(false);
    wakeMessageLoop();
  });
  const bool ticking = tick.start(progress.hwnd(), static_cast<UINT>(kProgressIntervalMs));
  changed.setWakeHook([&wakePending, &engine, &onWorkerProgress] {
    if (onWorkerProgress) onWorkerProgress(engine.job.readProgress());
    // The signal after the job has returned: the results are not to wait for the tick.
    if (engine.worker.jobReturned()) {
      wakeMessageLoop();
      return;
    }
    if (!wakePending.load() && !wakePending.exchange(true)) wakeMessageLoop();
  });
  uint32_t exitCode = 1;
  if (start == CompareStart::alreadyStarted || engine.worker.startWorker(engine)) {
    if (onShown) onShown(progress);
    runMessageLoopUntil([&] {
      if (!ticking) wakePending.store(false);
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
