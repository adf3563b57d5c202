// The compare job: its progress and error record (JobState), the worker thread that runs it
// with pause, resume and cancel (WorkerThread), and the job's phases: scan, verdicts,
// statistics.
#pragma once

#include "engine/CompareTree.h"
#include "engine/ContentCompare.h"
#include "foundation/LanguageKeys.h"
#include "foundation/olstring.h"
#include "platform/Event.h"
#include "platform/Thread.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

struct CompareEngine;

// The program's own error codes.
constexpr uint32_t kErrorCancelled = 0xF0000001;
constexpr uint32_t kErrorNoArchiveFolder = 0xF0000002;
// The archive does not fit in the free space of the work folder's file system.
constexpr uint32_t kErrorNoRoomToUnpack = 0xF0000003;
// A listing cannot be used (damaged, of an unknown format, or of a tree not read in full);
// the error's text says which line and why.
constexpr uint32_t kErrorBadListing = 0xF0000004;
// A listing was asked for of a listing: only a folder or an archive can be listed.
constexpr uint32_t kErrorListingOfListing = 0xF0000005;
// An ignore file is a symbolic link, which version control refuses to read, so its rules
// are not known.
constexpr uint32_t kErrorIgnoreFileIsLink = 0xF0000006;

// Progress and error of the current job. Every operation takes the lock for its own
// duration only, so the waiting thread can always read the progress.
class JobState {
public:
  struct Progress {
    int64_t total = -1;
    int64_t done = 0;
    olstring text;
    // The pair of files being read that is larger than one block (none: empty name): its
    // name, the bytes of it read so far, its size, and since when it is read (milliseconds
    // of steadyMilliseconds()).
    olstring pairName;
    uint64_t pairDone = 0;
    uint64_t pairSize = 0;
    int64_t pairSinceMs = 0;
  };

  JobState();
  // Signals changed once more, so a waiter is not left sleeping.
  ~JobState();
  JobState(const JobState&) = delete;
  JobState& operator=(const JobState&) = delete;

  // total -1 (not yet known), done 0, text and error emptied. No signal.
  void beginJob();
  // A new phase of n work units.
  void setStage(int64_t total);
  // Stores and signals the text only when it changed (ignoring case, as a redraw would).
  void setText(olstring_view text);
  // The same with the text of a language key and up to two arguments, formatted only when
  // the progress is read: a compare names every item it passes, a reader looks a few times
  // a second.
  void setText(const LanguageKey& key, olstring_view a0 = {}, olstring_view a1 = {});
  // One more unit done, capped at the total once it is known.
  void stepDone();
  // done = total (the job succeeded).
  void finishStage();
  // The bytes read of a pair of files larger than one block, at most once per block: the
  // record belongs to the first reader (any token that tells it from the others) that
  // publishes while it is free, until that reader ends it; others publish nothing meanwhile.
  // Signals when the record changed.
  void setPairBytes(const void* reader, olstring_view name, uint64_t done, uint64_t size);
  void endPairBytes(const void* reader);
  void setError(uint32_t code, olstring_view path);
  // The same with a text of its own instead of the code's (which says more, such as the
  // line of a listing that cannot be used).
  void setError(uint32_t code, olstring_view path, olstring_view text);
  // The error text, followed by separator and the path when both are not empty.
  uint32_t getError(olstring& text, olstring_view separator) const;
  uint32_t errorCode() const;
  olstring errorPath() const;
  Progress readProgress() const;

  void signalChanged() { m_changed.set(); }
  // Auto-reset; set after every change of total, done or text and when the job ends. A GUI
  // loop can hook itself in with setWakeHook.
  platform::Event& changed() { return m_changed; }

private:
  mutable std::mutex m_lock;
  platform::Event m_changed{platform::Event::Reset::automatic, false};
  int64_t m_total = -1;
  int64_t m_done = 0;
  // The text, or (when m_textKey is set) what it is formatted from at the next read.
  mutable olstring m_text;
  mutable bool m_textPending = false;
  // The text is (or will be) that of m_textKey and m_textArgs.
  bool m_textFromKey = false;
  LanguageKey m_textKey;
  olstring m_textArgs[2];
  uint32_t m_errorCode = 0;
  olstring m_errorText;
  olstring m_errorPath;
  const void* m_pairReader = nullptr;
  olstring m_pairName;
  uint64_t m_pairDone = 0;
  uint64_t m_pairSize = 0;
  int64_t m_pairSinceMs = 0;
};

// A monotonic clock in milliseconds (not the time of day).
int64_t steadyMilliseconds();

// How long one pair of files must have been read before the progress text shows its bytes.
constexpr int64_t kPairBytesAfterMs = 1000;

// The progress text at a moment (nowMs of steadyMilliseconds()): the job's own text, or,
// while one pair has been read for kPairBytesAfterMs or longer, the compare text naming
// that pair with its bytes ("Comparing... big.iso \u2014 4.2 of 18.6 GiB").
olstring progressText(const JobState::Progress& progress, int64_t nowMs);

// The one compare worker. Pausing is cooperative: the worker stands still only inside
// checkpoint(), once per listed entry, per visited item and per block of content.
class WorkerThread {
public:
  WorkerThread();
  // Requests a stop and waits for the worker to end.
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // A job run by the worker: true when it succeeded (exit code 0).
  using Job = std::function<bool(CompareEngine&)>;

  // Starts runCompareJob (or another job) on a new thread. False on the worker itself,
  // while a worker runs, or when the thread cannot be created.
  bool startWorker(CompareEngine& engine);
  bool startWorker(CompareEngine& engine, Job job);
  // True on the worker itself, and while the last worker started has not ended.
  bool isRunning() const;
  // True once the job of the last worker started has returned, on any thread: in the
  // worker's last progress signal, which comes after its job, a waiter learns that this
  // signal is the last.
  bool jobReturned() const { return m_jobReturned.load(); }
  bool isPaused() const;
  // True while the worker itself stands paused at a checkpoint, or waits while paused for a
  // helper that stands at one: its progress moves no more until it is resumed or stopped.
  // (A pause takes hold at the worker's next checkpoint.) It may go false again for a moment
  // while paused: a helper that ends a pair it began before the pause wakes the worker, which
  // then goes on to its own next checkpoint.
  bool isStandingStill() const;
  // On the worker, around a wait for its helpers: a paused worker waiting there stands
  // still as at a checkpoint, since the helpers hold at theirs.
  class HelperWait {
  public:
    explicit HelperWait(WorkerThread& worker) : m_worker(worker) { m_worker.m_waitingForHelpers = true; }
    ~HelperWait() { m_worker.m_waitingForHelpers = false; }
    HelperWait(const HelperWait&) = delete;
    HelperWait& operator=(const HelperWait&) = delete;

  private:
    WorkerThread& m_worker;
  };
  void pause();
  void resume();
  // Asks the worker to stop (waking it when paused). True when no worker runs any more; it
  // does not wait.
  bool requestStop();
  // On the worker (or a helper of it): waits while paused, then false when a stop was
  // requested. Elsewhere true.
  bool checkpoint();

  // What the worker does at each of its own checkpoints once it goes on (neither paused nor
  // stopped), for as long as the scope lives on the worker's thread: the content readers
  // pass the verdicts that are ready, so that none waits behind a pair the worker reads
  // itself. A duty must not hold the worker for long; a checkpoint it reaches runs no duty.
  class CheckpointDuty {
  public:
    virtual void atCheckpoint() = 0;

  protected:
    ~CheckpointDuty() = default;
  };
  class DutyScope {
  public:
    explicit DutyScope(CheckpointDuty& duty);
    ~DutyScope();
    DutyScope(const DutyScope&) = delete;
    DutyScope& operator=(const DutyScope&) = delete;

  private:
    CheckpointDuty* m_previous;
  };

  // Makes the calling thread a helper of the worker for its lifetime: its checkpoints pause
  // and stop with the worker's.
  class HelperScope {
  public:
    explicit HelperScope(const WorkerThread& worker);
    ~HelperScope();
    HelperScope(const HelperScope&) = delete;
    HelperScope& operator=(const HelperScope&) = delete;

  private:
    const WorkerThread* m_previous;
  };

  // The last worker's exit code: 0 succeeded, 1 failed, platform::kStillActive running.
  uint32_t exitCode() const;
  // Waits for the last worker to end (negative timeout: no limit). True when it has ended.
  bool waitFinished(int64_t timeoutMs = -1) const;

private:
  std::unique_ptr<platform::Thread> m_handle;
  std::atomic<uint64_t> m_threadId{0};
  platform::Event m_runEvent{platform::Event::Reset::manual, true};
  std::atomic<int64_t> m_cancel{0};
  std::atomic<bool> m_standingStill{false};
  std::atomic<bool> m_jobReturned{false};
  std::atomic<bool> m_waitingForHelpers{false};
};

// The text of an error code: the platform's for its codes, the language table's (section
// "error", key "0x%.8x") for the program's own; trimmed of line breaks, tabs, dots, spaces.
olstring errorText(uint32_t code);

// Why a job that failed with code 0 failed: it found nothing to compare (both sides empty,
// or everything excluded). From the language table, trimmed as errorText is.
olstring nothingToCompareText();

// The whole job on the worker: prepare (scan), compare (verdicts), statistics. True on
// success; on failure the error record says why (code 0: nothing to compare).
bool runCompareJob(CompareEngine& engine);

// Gives every item below and including item its verdict and passes each to the engine's
// verdict hook, if any, in the tree's order (see engine/VerdictHook.h). False when the job
// was cancelled.
bool compareWalk(CompareEngine& engine, CompareItem& item);

// The verdict of one item (flags, and contentMode when content was compared), reading
// content into the given buffers (by default the worker's own), opening a pair of files by
// name in their open folders when given.
void itemVerdict(CompareEngine& engine, CompareItem& item, ContentBuffers& buffers,
                 const OpenFolders* folders = nullptr);
void itemVerdict(CompareEngine& engine, CompareItem& item);

// Counts differing and missing items into the result. False when cancelled.
bool countWalk(CompareEngine& engine, const CompareItem& item);

// The check made before a compare starts: none (nothing usable: missing, unreadable file or
// unlistable folder), file or folder. Records the outcome in the job's error record and, for
// none, fills errorText (when given) with the error text and the path.
PathType checkInputPath(CompareEngine& engine, olstring_view path, olstring* errorText);
