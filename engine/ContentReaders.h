// The content readers of the compare walk: the worker hands over the items of the tree in
// its order, the pairs of files are read by a small pool (the worker among them), and the
// verdicts come back out in the order the items went in, so that the verdict hook, the
// progress and a cancel see what one reader alone would give them.
#pragma once

#include "engine/CompareJob.h"
#include "engine/CompareTree.h"
#include "engine/ContentCompare.h"
#include "engine/ReadersProbe.h"
#include "platform/Thread.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

struct CompareEngine;

// How many pairs are read at once at most, whatever the machine: each reader holds two block
// buffers, and more readers than this gain nothing on one disk.
constexpr int kMaxContentReaders = 4;

// How many items may wait to have their verdicts passed before the walk stops to wait for
// them: bounds how far the walk runs ahead of the verdicts (and the memory of the queue).
constexpr size_t kVerdictWindow = 4096;

// One reader per processor, at most kMaxContentReaders, at least 1.
int defaultContentReaderCount();

class ContentReaders : private WorkerThread::CheckpointDuty {
public:
  // readers counts the worker; 1 (or less) reads every pair on the worker, in turn. Helper
  // threads that cannot be started leave the work to the others.
  ContentReaders(CompareEngine& engine, int readers);
  // Stops as a cancel would (see finish).
  ~ContentReaders();
  ContentReaders(const ContentReaders&) = delete;
  ContentReaders& operator=(const ContentReaders&) = delete;

  enum class Verdict {
    given,   // the item's verdict is final already
    toRead,  // a pair of files whose verdict a reader must still give
  };

  // On the worker, in the tree's order. The item must stay where it is and unchanged until
  // it has been passed or finish has returned. Verdicts that are ready are passed (to the
  // verdict hook, one step of progress each) on the way, and at each of the worker's
  // checkpoints, also while it reads a pair itself. False once a cancel was seen: nothing
  // more is passed then.
  // A pair to read is opened by name in folders when given; they stay open until it is read.
  bool add(CompareItem& item, Verdict verdict, std::shared_ptr<OpenFolders> folders = nullptr);

  // Waits for every verdict and passes the rest in order when complete is true (and the job
  // is not cancelled); otherwise drops the pairs not yet started and waits only for those
  // being read, which a cancel stops within one block. Ends the helpers. False when a
  // cancel cut the passing short.
  bool finish(bool complete);

private:
  struct Entry {
    CompareItem* item = nullptr;
    bool done = false;
    std::shared_ptr<OpenFolders> folders;
  };

  void helperLoop(ContentBuffers& buffers);
  struct Task {
    uint64_t sequence = 0;
    CompareItem* item = nullptr;
    std::shared_ptr<OpenFolders> folders;
  };
  // Takes the oldest pair not yet started (lock held); false when there is none.
  bool takeTask(Task& task);
  void judge(Task& task, ContentBuffers& buffers);
  // On the worker: reads a waiting pair itself, or waits until the front is done. False when
  // nothing is left to wait for.
  bool helpOrWait();
  // Passes the verdicts at the front that are done. False on cancel.
  bool passReady();
  bool passFront();
  bool passEntry(CompareItem& item);
  // At the worker's checkpoints: passes what is ready, unless a pass is running already.
  void atCheckpoint() override;
  void probe(ReadersProbe::Point point, const CompareItem& item);

  CompareEngine& m_engine;
  std::mutex m_lock;
  std::condition_variable m_workReady;
  std::condition_variable m_workDone;
  // Every item not yet passed, in order; m_firstSequence is the sequence of the front.
  std::deque<Entry> m_entries;
  uint64_t m_firstSequence = 0;
  // Pairs not yet started, oldest first.
  std::deque<uint64_t> m_tasks;
  int m_running = 0;
  bool m_stopping = false;
  bool m_cancelled = false;
  bool m_finished = false;
  // The worker is passing verdicts; a checkpoint reached meanwhile must not pass the next
  // ones ahead of the one on its way.
  bool m_passing = false;
  size_t m_queueLimit = 0;
  ReaderThreads m_helpers;
  // Last, so that the worker's checkpoints stop calling in before anything else goes.
  WorkerThread::DutyScope m_duty{*this};
};
