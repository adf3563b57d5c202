#include "window/CompareWait.h"

#include "foundation/SoftCheck.h"
#include "toolkit/App.h"
#include "window/ProgressDlg.h"

#include <atomic>

uint32_t runCompareWithProgress(CompareEngine& engine, HWND owner, const std::function<void(CProgressDlg&)>& onShown,
                                const WorkerProgressHook& onWorkerProgress) {
  CProgressDlg progress(engine);
  // Without its window the compare still runs and ends; only its progress goes unseen.
  MIRRANE_CHECK_ONLY(progress.createModeless(owner));
  progress.showAndRefresh();
  const bool ownerWasEnabled = owner != nullptr && isWindowEnabled(owner);
  if (ownerWasEnabled) enableWindow(owner, false);

  platform::Event& changed = engine.job.changed();
  // The worker signals from its own thread, once per item; the hook queues a wake-up for
  // this loop only when none is waiting already, so a huge tree cannot flood the queue.
  std::atomic<bool> wakePending{false};
  changed.setWakeHook([&wakePending, &engine, &onWorkerProgress] {
    if (onWorkerProgress) onWorkerProgress(engine.job.readProgress());
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
  if (ownerWasEnabled && isWindow(owner)) enableWindow(owner, true);
  progress.unbind(olUnbind::destroyWindow);
  return exitCode;
}
