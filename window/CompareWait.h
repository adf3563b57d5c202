// A compare run from a window: the progress dialog shown, the owner disabled, the worker
// started, and a nested event loop that refreshes the dialog a few dozen times a second while
// the progress moves and leaves when the worker has ended, every other window staying
// responsive.
#pragma once

#include "engine/CompareEngine.h"
#include "toolkit/Types.h"

#include <functional>

class CProgressDlg;

// Called on the worker thread each time the job signals progress, with the progress it
// reports. It may hold the worker for a moment (a test catching the job in a phase); it
// must not wait for the window.
using WorkerProgressHook = std::function<void(const JobState::Progress&)>;

// Whether runCompareWithProgress starts the worker, or takes over one the caller has started
// with success (the command line's compare, which need not wait for the window).
enum class CompareStart { now, alreadyStarted };

// Runs the compare of the engine's current options. Returns the worker's exit code: 0 the
// job succeeded, 1 it failed or could not start (the job's error record tells why). It
// returns only once the worker thread has ended. onShown (optional) is called once the
// progress dialog is up, for tests and callers that act on it while the compare runs.
uint32_t runCompareWithProgress(CompareEngine& engine, HWND owner,
                                const std::function<void(CProgressDlg&)>& onShown = {},
                                const WorkerProgressHook& onWorkerProgress = {},
                                CompareStart start = CompareStart::now);
