// The compare job, its progress record and its worker thread.

#include "engine/CompareJob.h"

#include "engine/Archive.h"
#include "engine/CompareEngine.h"
#include "engine/ContentReaders.h"
#include "engine/HashedContent.h"
#include "engine/FolderScan.h"
#include "engine/NameForms.h"
#include "engine/TimeRule.h"
#include "foundation/ByteSize.h"
#include "foundation/LanguageKeys.h"
#include "foundation/Paths.h"
#include "foundation/SoftCheck.h"
#include "platform/Error.h"
#include "platform/File.h"
#include "platform/FolderListing.h"

#include <chrono>
#include <cstdio>
#include <string>

// ---------------------------------------------------------------------------------------
// JobState

JobState::JobState() = default;

JobState::~JobState() { m_changed.set(); }

void JobState::beginJob() {
  std::lock_guard<std::mutex> lock(m_lock);
  m_total = -1;
  m_done = 0;
  m_text.clear();
  m_textPending = false;
  m_textFromKey = false;
  m_errorCode = 0;
  m_errorText.clear();
  m_errorPath.clear();
}

void JobState::setStage(int64_t total) {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_total = total;
    m_done = 0;
    m_text.clear();
    m_textPending = false;
    m_textFromKey = false;
  }
  m_changed.set();
}

void JobState::setText(olstring_view text) {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_textPending && platform::equalsNoCase(text, m_text)) return;
    m_textPending = false;
    m_textFromKey = false;
    m_text.assign(text);
  }
  m_changed.set();
}

void JobState::setText(const LanguageKey& key, olstring_view a0, olstring_view a1) {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_textFromKey && m_textKey.section == key.section && m_textKey.key == key.key &&
        platform::equalsNoCase(a0, m_textArgs[0]) && platform::equalsNoCase(a1, m_textArgs[1])) {
      return;
    }
    m_textPending = true;
    m_textFromKey = true;
    m_textKey = key;
    m_textArgs[0].assign(a0);
    m_textArgs[1].assign(a1);
  }
  m_changed.set();
}

void JobState::stepDone() {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    int64_t done = m_done + 1;
    if (m_total >= 0 && done >= m_total) done = m_total;
    m_done = done;
  }
  m_changed.set();
}

void JobState::finishStage() {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_done = m_total;
  }
  m_changed.set();
}

void JobState::setPairBytes(const void* reader, olstring_view name, uint64_t done, uint64_t size) {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_pairReader != nullptr && m_pairReader != reader) return;
    if (m_pairReader == nullptr) {
      m_pairReader = reader;
      m_pairName.assign(name);
      m_pairSinceMs = steadyMilliseconds();
    }
    m_pairDone = done;
    m_pairSize = size;
  }
  m_changed.set();
}

void JobState::endPairBytes(const void* reader) {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_pairReader != reader) return;
    m_pairReader = nullptr;
    m_pairName.clear();
    m_pairDone = m_pairSize = 0;
  }
  m_changed.set();
}

void JobState::setError(uint32_t code, olstring_view path) {
  olstring text = errorText(code);
  std::lock_guard<std::mutex> lock(m_lock);
  m_errorCode = code;
  m_errorText = std::move(text);
  m_errorPath.assign(path);
}

void JobState::setError(uint32_t code, olstring_view path, olstring_view text) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_errorCode = code;
  m_errorText.assign(text);
  m_errorPath.assign(path);
}

uint32_t JobState::getError(olstring& text, olstring_view separator) const {
  std::lock_guard<std::mutex> lock(m_lock);
  text = m_errorText;
  if (!separator.empty() && !m_errorPath.empty()) {
    text += separator;
    text += m_errorPath;
  }
  return m_errorCode;
}

uint32_t JobState::errorCode() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_errorCode;
}

olstring JobState::errorPath() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_errorPath;
}

JobState::Progress JobState::readProgress() const {
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_textPending) {
    m_text = langText(m_textKey, m_textArgs[0], m_textArgs[1]);
    m_textPending = false;
  }
  return Progress{m_total, m_done, m_text, m_pairName, m_pairDone, m_pairSize, m_pairSinceMs};
}

int64_t steadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

olstring progressText(const JobState::Progress& progress, int64_t nowMs) {
  if (progress.pairName.empty() || nowMs - progress.pairSinceMs < kPairBytesAfterMs) return progress.text;
  const olstring bytes = langText(lang::progress::kPairBytes, progress.pairName,
                                  byteSizeNumber(progress.pairDone, progress.pairSize), byteSizeText(progress.pairSize));
  return langText(lang::progress::kCompare, bytes);
}

// ---------------------------------------------------------------------------------------
// WorkerThread

WorkerThread::WorkerThread() = default;

WorkerThread::~WorkerThread() {
  requestStop();
  // The worker uses the engine that owns this object, so it must have ended before the
  // engine goes: the thread's destruction waits for it. It notices the stop at its next
  // checkpoint, within one listed entry, item or block of content, and a 7-Zip it runs is
  // killed. Only the worker itself cannot wait for its own end; destroying the engine from
  // its own job is a caller's mistake, after which the thread finishes alone.
  MIRRANE_CHECK(platform::currentThreadId() != m_threadId.load(), return);
  m_handle.reset();
}

bool WorkerThread::startWorker(CompareEngine& engine) { return startWorker(engine, runCompareJob); }

bool WorkerThread::startWorker(CompareEngine& engine, Job job) {
  const uint64_t self = platform::currentThreadId();
  if (m_threadId.load() == self || isRunning()) return false;
  m_runEvent.set();
  m_cancel.store(0);
  m_threadId.store(0);
  m_jobReturned.store(false);
  auto thread = std::make_unique<platform::Thread>();
  // The worker records its own id first, so that its first checkpoint already counts.
  const bool started = thread->start(
      [this, &engine, job = std::move(job)] {
        m_threadId.store(platform::currentThreadId());
        const bool succeeded = job(engine);
        m_jobReturned.store(true);
        return succeeded ? 0u : 1u;
      },
      // Wakes a waiter once more after the thread has really ended.
      [&engine] { engine.job.signalChanged(); });
  m_handle = std::move(thread);
  if (!started) return false;
  m_threadId.store(m_handle->id());
  return true;
}

bool WorkerThread::isRunning() const {
  if (m_threadId.load() != 0 && m_threadId.load() == platform::currentThreadId()) return true;
  return m_handle && m_handle->started() && m_handle->exitCode() == platform::kStillActive;
}

bool WorkerThread::isPaused() const {
  if (!isRunning()) return false;
  return !const_cast<platform::Event&>(m_runEvent).wait(0);
}

bool WorkerThread::isStandingStill() const {
  return (m_standingStill.load() || (m_waitingForHelpers.load() && isPaused())) && isRunning();
}

void WorkerThread::pause() { m_runEvent.reset(); }

void WorkerThread::resume() { m_runEvent.set(); }

bool WorkerThread::requestStop() {
  if (!isRunning()) return true;
  m_cancel.store(1);
  // A paused worker must wake up to see the request.
  m_runEvent.set();
  return !isRunning();
}

namespace {

// The worker whose helper the calling thread is, if any.
thread_local const WorkerThread* t_helperOf = nullptr;
// The calling thread's checkpoint duty, and whether it is running it now.
thread_local WorkerThread::CheckpointDuty* t_duty = nullptr;
thread_local bool t_inDuty = false;

}  // namespace

WorkerThread::HelperScope::HelperScope(const WorkerThread& worker) : m_previous(t_helperOf) { t_helperOf = &worker; }

WorkerThread::HelperScope::~HelperScope() { t_helperOf = m_previous; }

WorkerThread::DutyScope::DutyScope(CheckpointDuty& duty) : m_previous(t_duty) { t_duty = &duty; }

WorkerThread::DutyScope::~DutyScope() { t_duty = m_previous; }

bool WorkerThread::checkpoint() {
  const bool helper = t_helperOf == this;
  if (!helper && platform::currentThreadId() != m_threadId.load()) return true;
  if (!helper && !m_runEvent.wait(0)) {
    m_standingStill = true;
    m_runEvent.wait();
    m_standingStill = false;
  }
  m_runEvent.wait();
  if (m_cancel.load() != 0) return false;
  if (!helper && t_duty != nullptr && !t_inDuty) {
    t_inDuty = true;
    t_duty->atCheckpoint();
    t_inDuty = false;
    // The duty may have seen the stop first.
    return m_cancel.load() == 0;
  }
  return true;
}

uint32_t WorkerThread::exitCode() const { return m_handle ? m_handle->exitCode() : platform::kStillActive; }

bool WorkerThread::waitFinished(int64_t timeoutMs) const { return !m_handle || m_handle->waitFinished(timeoutMs); }

// ---------------------------------------------------------------------------------------
// The job

namespace {

olstring ownErrorText(uint32_t code) {
  char key[16];
  std::snprintf(key, sizeof key, "0x%.8x", code);
  return langText(u"error", fromUtf8(key));
}

// Error texts are followed by ": " and a path, so their closing dot and line breaks go.
olstring trimmedErrorText(const olstring& text) {
  const olstring_view trim = u"\r\n\t. ";
  const size_t first = text.find_first_not_of(trim);
  if (first == olstring::npos) return {};
  const size_t last = text.find_last_not_of(trim);
  return text.substr(first, last - first + 1);
}

}  // namespace

olstring errorText(uint32_t code) {
  if (code == 0) return {};
  return trimmedErrorText(code < kErrorCancelled ? platform::systemErrorText(code) : ownErrorText(code));
}

olstring nothingToCompareText() { return trimmedErrorText(ownErrorText(0)); }

void itemVerdict(CompareEngine& engine, CompareItem& item) { itemVerdict(engine, item, engine.buffers); }

namespace {

// A pair of which one side is a link leading out of its unpacked archive: never followed,
// it equals only a link with the same text. A listing keeps such a link's text as the
// hash of its content.
bool sameLinkText(const CompareEngine& engine, const CompareItem& item) {
  const CompareResult& result = engine.result;
  std::string texts[2];
  Sha256Digest digests[2];
  for (int side = 0; side < 2; ++side) {
    const SideInfo& info = item.side[side];
    if (!info.isLink) return false;
    if (result.isListing(side)) {
      // A link the listing followed holds what it led to, not its text.
      const Sha256Digest* listed = result.hashes.find(item, side);
      if (!info.linkLeadsOut || listed == nullptr) return false;
      digests[side] = *listed;
      continue;
    }
    if (!readArchiveLinkText(itemPath(item, side), result.unpackFolder[side], &texts[side])) return false;
    if (comparesByHash(result)) {
      Sha256 hash;
      hash.update(texts[side].data(), texts[side].size());
      if (!hash.finish(digests[side])) return false;
    }
  }
  return comparesByHash(result) ? digests[0] == digests[1] : texts[0] == texts[1];
}

}  // namespace

void itemVerdict(CompareEngine& engine, CompareItem& item, ContentBuffers& buffers, const OpenFolders* folders) {
  const CompareOptions& options = engine.options;
  const SideInfo& side0 = item.side[0];
  const SideInfo& side1 = item.side[1];
  item.flags = 0;
  if (!side0.present()) {
    if (side1.present()) item.flags = ItemFlags::kMissing;
    return;
  }
  if (!side1.present()) {
    item.flags = ItemFlags::kMissing | ItemFlags::kMissingSecond;
    return;
  }
  if (!options.forceFile && side0.name != side1.name) {
    const NameDifference names = compareNames(side0.name, side1.name);
    if (names.inForm) item.flags |= ItemFlags::kNameForm;
    if (names.inCase && options.compareCase) item.flags |= ItemFlags::kNameCase;
  }
  // What a link leading out of an archive points at is never looked at: not its kind, time
  // or content. The link itself is what the two sides hold.
  if (side0.linkLeadsOut || side1.linkLeadsOut) {
    if (!sameLinkText(engine, item)) item.flags |= ItemFlags::kContentDiffers;
    return;
  }
  if (side0.isFolder() != side1.isFolder()) item.flags |= ItemFlags::kTypeDiffers;
  // A folder has no content to compare, on whichever side it is.
  if (side0.isFolder() || side1.isFolder()) return;
  if (options.modifyTime && !sameModifiedTime(side0, side1, timeRule(options, engine.result.timeStep))) {
    item.flags |= ItemFlags::kTimeDiffers;
  }
  if (options.attr && side0.attributes != side1.attributes) item.flags |= ItemFlags::kAttrDiffers;

  ContentReader first;
  ContentReader second;
  // What decided the verdict, kept where the item cannot tell it by itself.
  ContentExplanation explanation;
  // A side from a listing has hashes where the other has content.
  const bool byHash = comparesByHash(engine.result);
  const PrepareResult prepared =
      byHash ? prepareHashedCompare(item, item.contentMode)
             : prepareContentCompare(engine, buffers, item, item.contentMode, first, second, folders, &explanation);
  if (prepared == PrepareResult::different) {
    item.flags |= ItemFlags::kContentDiffers;
    if (side0.size != side1.size && options.autoSkip) item.flags |= ItemFlags::kContentSkipped;
    if (explanation.reason != ContentReason::none) recordExplanation(engine.result, item, explanation);
    return;
  }
  if (options.autoSkip && item.flags != 0) return;
  if (prepared != PrepareResult::compare) return;
  const bool equal = byHash ? compareByHash(engine, buffers, item, folders, &explanation)
                            : compareContent(engine, buffers, item.contentMode == ContentMode::text, first, second,
                                             &explanation, side0.name);
  if (!equal) item.flags |= ItemFlags::kContentDiffers;
  recordExplanation(engine.result, item, explanation);
}

namespace {

bool isFilePair(const CompareItem& item) {
  return item.side[0].present() && item.side[1].present() && !item.side[0].isFolder() && !item.side[1].isFolder();
}

std::shared_ptr<OpenFolders> openFolders(CompareEngine& engine, const CompareItem& folder) {
  auto folders = std::make_shared<OpenFolders>();
  // A folder that does not open leaves its files to be opened by path, which tells why. A
  // side from a listing has nothing on this disk to open.
  for (int side = 0; side < 2; ++side) {
    if (!engine.result.isListing(side)) folders->side[side].openWithin(itemPath(folder, side), engine.result.unpackFolder[side]);
  }
  return folders;
}

// Hands every item below and including item to the readers in the tree's order, giving the
// verdicts that need no content on the way. A pair of files is opened by name in folders,
// its parent's open folders. False when the job was cancelled.
bool walkTree(CompareEngine& engine, ContentReaders& readers, CompareItem& item,
              const std::shared_ptr<OpenFolders>& folders) {
  if (item.parent != nullptr) {
    engine.job.setText(lang::progress::kCompare, item.side[0].name, item.side[1].name);
    // A pair read while the scan listed has its verdict already.
    const bool filePair = isFilePair(item) && !item.readEarly;
    item.readEarly = false;
    // A verdict on a folder needs nothing from below it, and one on an item present on one
    // side nothing from its content: both are given here, before anything below them.
    if (!isFilePair(item)) itemVerdict(engine, item);
    const auto verdict = filePair ? ContentReaders::Verdict::toRead : ContentReaders::Verdict::given;
    if (!readers.add(item, verdict, filePair ? folders : nullptr)) return false;
  }
  // Opened at the first pair of files, after the subfolders (which come first in the order):
  // only the folders of the pairs being read are open, however deep the tree.
  std::shared_ptr<OpenFolders> own;
  for (auto it = item.children.begin(); it != item.children.end();) {
    if (!engine.worker.checkpoint()) return false;
    CompareItem& child = it->second;
    const bool present0 = child.side[0].present();
    const bool present1 = child.side[1].present();
    if (!present0 && !present1) {
      it = item.children.erase(it);
      continue;
    }
    // A folder present on one side stays a single item.
    if (present0 != present1) child.children.clear();
    if (!own && isFilePair(child) && !child.readEarly) own = openFolders(engine, item);
    if (!walkTree(engine, readers, child, own)) return false;
    ++it;
  }
  return true;
}

}  // namespace

bool compareWalk(CompareEngine& engine, CompareItem& item) {
  ContentReaders readers(engine, engine.contentReaders);
  const bool walked = walkTree(engine, readers, item, nullptr);
  if (!readers.finish(walked)) return false;
  if (item.parent == nullptr) {
    item.flags = 0;
    engine.job.stepDone();
  }
  return engine.worker.checkpoint();
}

bool countWalk(CompareEngine& engine, const CompareItem& item) {
  CompareResult& result = engine.result;
  engine.job.stepDone();
  const SideInfo& named = item.side[0].present() ? item.side[0] : item.side[1];
  engine.job.setText(lang::progress::kStatistics, named.name);
  if (item.flags != 0 && item.parent != nullptr) {
    ++result.differing;
    if ((item.flags & ItemFlags::kMissing) != 0) {
      if ((item.flags & ItemFlags::kMissingSecond) != 0) {
        ++result.missingSecond;
      } else {
        ++result.missingFirst;
      }
    }
  }
  for (const auto& [key, child] : item.children) {
    if (!engine.worker.checkpoint()) return false;
    if (!countWalk(engine, child)) return false;
  }
  return true;
}

bool runCompareJob(CompareEngine& engine) {
  JobState& job = engine.job;
  job.beginJob();
  job.setText(langText(lang::progress::kPrepare));
  if (engine.archives != nullptr) engine.archives->clearWorkFolder();

  bool succeeded = false;
  if (engine.worker.checkpoint()) {
    const int64_t count = scanTrees(engine);
    if (count > 0) {
      job.setStage(count);
      job.setText(langText(lang::progress::kCompare));
      if (!compareWalk(engine, engine.result.root)) {
        resetResult(engine.result);
      } else {
        job.setStage(count);
        job.setText(langText(lang::progress::kStatistics));
        engine.result.differing = 0;
        engine.result.missingSecond = 0;
        engine.result.missingFirst = 0;
        const bool counted = countWalk(engine, engine.result.root);
        if (counted && engine.worker.checkpoint()) {
          job.finishStage();
          succeeded = true;
        }
      }
    }
  }
  if (!succeeded && !engine.worker.checkpoint()) job.setError(kErrorCancelled, {});
  job.signalChanged();
  return succeeded;
}

PathType checkInputPath(CompareEngine& engine, olstring_view path, olstring* errorText) {
  PathType kind = pathType(path);
  uint32_t error = platform::kErrorSuccess;
  if (kind == PathType::file) {
    const platform::File file = openFileForReading(path);
    if (!file) kind = PathType::none;
    error = file.error();
  } else if (kind == PathType::folder) {
    platform::FolderListing listing;
    if (!listing.open(expandPath(path))) kind = PathType::none;
    error = listing.error();
  } else {
    error = platform::kErrorPathNotFound;
  }
  platform::setLastError(error);
  engine.job.setError(error, path);
  if (kind == PathType::none && errorText != nullptr) engine.job.getError(*errorText, u":\r\n\r\n");
  return kind;
}
