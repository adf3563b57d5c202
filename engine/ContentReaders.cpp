// The content readers: a queue of pairs in the tree's order, taken oldest first by the
// helpers and, once enough wait, by the worker itself.

#include "engine/ContentReaders.h"

#include "engine/CompareEngine.h"

#include <algorithm>
#include <thread>

int defaultContentReaderCount() {
  const unsigned processors = std::thread::hardware_concurrency();
  if (processors <= 1) return 1;
  return static_cast<int>(std::min<unsigned>(processors, kMaxContentReaders));
}

ContentReaders::ContentReaders(CompareEngine& engine, int readers) : m_engine(engine) {
  const int helpers = std::min(readers, kMaxContentReaders) - 1;
  if (helpers > 0) m_helpers.start(helpers, [this](ContentBuffers& own) { helperLoop(own); });
  // Pairs wait for each helper, so that none runs dry while the worker walks on or reads a
  // pair itself (with two waiting, a helper stood idle a fifth of the walk of a real tree);
  // beyond that the worker reads as well. Alone, it reads each pair as it comes.
  m_queueLimit = 16 * m_helpers.size();
}

ContentReaders::~ContentReaders() { finish(false); }

void ContentReaders::helperLoop(ContentBuffers& buffers) {
  // Pause and cancel reach the helper at the same checkpoints as the worker.
  const WorkerThread::HelperScope helping(m_engine.worker);
  for (;;) {
    Task task;
    {
      std::unique_lock<std::mutex> lock(m_lock);
      m_workReady.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
      if (m_stopping) return;
      takeTask(task);
    }
    judge(task, buffers);
  }
}

bool ContentReaders::takeTask(Task& task) {
  if (m_tasks.empty()) return false;
  task.sequence = m_tasks.front();
  m_tasks.pop_front();
  ++m_running;
  Entry& entry = m_entries[task.sequence - m_firstSequence];
  task.item = entry.item;
  // The folders close once the last pair in them has been read, not when it is passed.
  task.folders = std::move(entry.folders);
  return true;
}

void ContentReaders::judge(Task& task, ContentBuffers& buffers) {
  probe(ReadersProbe::Point::reading, *task.item);
  itemVerdict(m_engine, *task.item, buffers, task.folders.get());
  task.folders.reset();
  CompareItem& item = *task.item;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_entries[task.sequence - m_firstSequence].done = true;
    --m_running;
  }
  m_workDone.notify_all();
  // The item may be passed from here on, but stays in the tree until the walk has ended.
  probe(ReadersProbe::Point::judged, item);
}

bool ContentReaders::add(CompareItem& item, Verdict verdict, std::shared_ptr<OpenFolders> folders) {
  if (m_cancelled) return false;
  probe(ReadersProbe::Point::added, item);
  {
    std::lock_guard<std::mutex> lock(m_lock);
    const uint64_t sequence = m_firstSequence + m_entries.size();
    m_entries.push_back(Entry{&item, verdict == Verdict::given, std::move(folders)});
    if (verdict == Verdict::toRead) m_tasks.push_back(sequence);
  }
  if (verdict == Verdict::toRead && !m_helpers.empty()) m_workReady.notify_one();
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(m_lock);
      if (m_tasks.size() <= m_queueLimit && m_entries.size() < kVerdictWindow) break;
    }
    if (!helpOrWait() || !passReady()) break;
  }
  return passReady();
}

bool ContentReaders::helpOrWait() {
  Task task;
  {
    std::unique_lock<std::mutex> lock(m_lock);
    if (!takeTask(task)) {
      if (m_entries.empty()) return false;
      // Every pair is being read: the front is a helper's, and the worker waits for it.
      if (m_engine.readersProbe != nullptr) {
        CompareItem& front = *m_entries.front().item;
        lock.unlock();
        probe(ReadersProbe::Point::waiting, front);
        lock.lock();
      }
      const WorkerThread::HelperWait waiting(m_engine.worker);
      m_workDone.wait(lock, [this] { return m_entries.front().done; });
      return true;
    }
  }
  judge(task, m_engine.buffers);
  return true;
}

bool ContentReaders::passReady() {
  m_passing = true;
  const bool passed = passFront();
  m_passing = false;
  return passed;
}

bool ContentReaders::passFront() {
  for (;;) {
    CompareItem* item = nullptr;
    {
      std::lock_guard<std::mutex> lock(m_lock);
      if (m_entries.empty() || !m_entries.front().done) return true;
      item = m_entries.front().item;
      m_entries.pop_front();
      ++m_firstSequence;
    }
    if (!passEntry(*item)) return false;
  }
}

bool ContentReaders::passEntry(CompareItem& item) {
  // A content comparison may have been cut short by a cancel: its verdict must not count,
  // nor any after it.
  if (m_cancelled || !m_engine.worker.checkpoint()) {
    m_cancelled = true;
    return false;
  }
  if (m_engine.verdictHook != nullptr) m_engine.verdictHook->itemJudged(item);
  m_engine.job.stepDone();
  return true;
}

void ContentReaders::atCheckpoint() {
  if (!m_passing && !m_cancelled) passReady();
}

void ContentReaders::probe(ReadersProbe::Point point, const CompareItem& item) {
  if (m_engine.readersProbe != nullptr) m_engine.readersProbe->reached(point, item);
}

bool ContentReaders::finish(bool complete) {
  if (m_finished) return !m_cancelled;
  if (!complete) m_cancelled = true;
  while (!m_cancelled && helpOrWait()) {
    if (!passReady()) break;
  }
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_stopping = true;
    // Pairs never started need no waiting for; those being read end within one block.
    m_tasks.clear();
    for (Entry& entry : m_entries) entry.folders.reset();
  }
  m_workReady.notify_all();
  // Each helper's thread waits for its end as it goes.
  m_helpers.join();
  m_entries.clear();
  m_finished = true;
  return !m_cancelled;
}
