#include "engine/ListingWalk.h"

#include "engine/Archive.h"
#include "engine/CompareEngine.h"
#include "engine/FolderScan.h"
#include "engine/HashedContent.h"
#include "engine/ListingReader.h"
#include "foundation/LanguageKeys.h"
#include "foundation/Paths.h"
#include "platform/Error.h"
#include "platform/FolderListing.h"
#include "platform/Path.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

// How many entries may wait to be handed on before the walk stops to let the hashing catch
// up: bounds the memory of the walk, whatever the size of the tree.
constexpr size_t kWindow = 1024;
constexpr size_t kHashBuffer = 256 * 1024;

bool isDanglingError(uint32_t error) {
  return error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound ||
         error == platform::kErrorCantResolveFilename;
}

// The entries in the order of the walk, the files hashed by a small pool (the worker among
// them) oldest first, each entry handed to the sink once it and all before it are ready.
class OrderedHashing {
public:
  // linkBoundary: the folder an archive was unpacked into (empty for a folder on disk).
  OrderedHashing(CompareEngine& engine, ListingSink& sink, ListingTotals& totals, olstring root, olstring linkBoundary)
      : m_engine(engine), m_sink(sink), m_totals(totals), m_root(std::move(root)), m_boundary(std::move(linkBoundary)),
        m_ownBuffer(kHashBuffer) {
    const int helpers = std::min(engine.contentReaders, kMaxContentReaders) - 1;
    for (int i = 0; i < helpers; ++i) {
      auto thread = std::make_unique<platform::Thread>();
      if (!thread->start([this] {
            helperLoop();
            return 0u;
          })) {
        break;
      }
      m_helpers.push_back(std::move(thread));
    }
    // A few files wait for each helper; beyond that the worker hashes as well.
    m_queueLimit = 2 * m_helpers.size();
  }
  ~OrderedHashing() { finish(false); }
  OrderedHashing(const OrderedHashing&) = delete;
  OrderedHashing& operator=(const OrderedHashing&) = delete;

  // On the worker, in the walk's order. False once a cancel was seen.
  bool add(ListingEntry entry) {
    const bool toHash = entry.kind == ListedKind::file;
    return push(Slot{std::move(entry), toHash, !toHash, false, 0});
  }

  bool addFolderError(olstring path, uint32_t error) {
    ListingEntry entry;
    entry.path = std::move(path);
    return push(Slot{std::move(entry), false, true, true, error});
  }

  // Hands on every entry when complete (and not cancelled); otherwise drops the files not
  // yet started. Ends the helpers. False when a cancel cut the handing on short.
  bool finish(bool complete) {
    if (m_finished) return !m_cancelled;
    if (!complete) m_cancelled = true;
    while (!m_cancelled && helpOrWait()) {
      if (!passReady()) break;
    }
    {
      std::lock_guard<std::mutex> lock(m_lock);
      m_stopping = true;
      m_tasks.clear();
    }
    m_workReady.notify_all();
    // Each helper's thread waits for its end as it goes; a file being hashed stops at its
    // next checkpoint.
    m_helpers.clear();
    m_slots.clear();
    m_finished = true;
    return !m_cancelled;
  }

private:
  struct Slot {
    ListingEntry entry;
    bool toHash = false;
    bool done = false;
    bool folderError = false;
    uint32_t error = 0;
  };

  bool push(Slot slot) {
    if (m_cancelled) return false;
    {
      std::lock_guard<std::mutex> lock(m_lock);
      m_slots.push_back(std::move(slot));
      if (m_slots.back().toHash) m_tasks.push_back(&m_slots.back());
    }
    if (!m_helpers.empty()) m_workReady.notify_one();
    for (;;) {
      {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_tasks.size() <= m_queueLimit && m_slots.size() < kWindow) break;
      }
      if (!helpOrWait() || !passReady()) break;
    }
    return passReady();
  }

  void helperLoop() {
    // Pause and cancel reach the helper at the same checkpoints as the worker.
    const WorkerThread::HelperScope helping(m_engine.worker);
    std::vector<uint8_t> buffer(kHashBuffer);
    for (;;) {
      Slot* slot = nullptr;
      {
        std::unique_lock<std::mutex> lock(m_lock);
        m_workReady.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
        if (m_stopping) return;
        slot = takeTask();
      }
      hash(*slot, buffer);
    }
  }

  // The oldest file not yet started (lock held), or null.
  Slot* takeTask() {
    if (m_tasks.empty()) return nullptr;
    Slot* slot = m_tasks.front();
    m_tasks.pop_front();
    return slot;
  }

  void hash(Slot& slot, std::vector<uint8_t>& buffer) {
    ListingEntry& entry = slot.entry;
    if (entry.leadsOut) {
      hashLinkText(entry);
    } else {
      hashContent(entry, buffer);
    }
    {
      std::lock_guard<std::mutex> lock(m_lock);
      slot.done = true;
    }
    m_workDone.notify_all();
  }

  // A link leading out of an archive is never followed: its content is its text, as the
  // archive holds it.
  void hashLinkText(ListingEntry& entry) {
    std::string text;
    Sha256 hash;
    if (!readArchiveLinkText(joinPath(m_root, entry.path), m_boundary, &text)) {
      entry.readError = platform::lastError();
      return;
    }
    hash.update(text.data(), text.size());
    entry.size = text.size();
    entry.hasDigest = hash.finish(entry.digest);
    if (!entry.hasDigest) entry.readError = platform::kErrorIoDevice;
  }

  void hashContent(ListingEntry& entry, std::vector<uint8_t>& buffer) {
    ContentReader reader;
    // Inside an archive a link is followed only while it stays inside.
    if (!reader.openWithin(joinPath(m_root, entry.path), m_boundary)) {
      const uint32_t error = platform::lastError();
      // A link that leads nowhere is an empty file in a compare, as in the listing.
      if (entry.isLink && isDanglingError(error)) {
        entry.dangling = true;
        entry.size = 0;
      } else {
        entry.readError = error;
      }
    } else {
      if (reader.size() >= 1024 * 1024) reader.adviseSequential();
      // The size the hash is of: the file may have changed since it was listed.
      entry.size = reader.size();
      platform::setLastError(platform::kErrorSuccess);
      entry.hasDigest = hashFile(reader, buffer.data(), buffer.size(), [this] { return m_engine.worker.checkpoint(); },
                                 entry.digest);
      if (!entry.hasDigest) {
        const uint32_t error = platform::lastError();
        entry.readError = error != platform::kErrorSuccess ? error : platform::kErrorIoDevice;
      }
    }
  }

  // On the worker: hashes a waiting file itself, or waits until the front is ready. False
  // when nothing is left to wait for.
  bool helpOrWait() {
    Slot* slot = nullptr;
    {
      std::unique_lock<std::mutex> lock(m_lock);
      slot = takeTask();
      if (slot == nullptr) {
        if (m_slots.empty()) return false;
        const WorkerThread::HelperWait waiting(m_engine.worker);
        m_workDone.wait(lock, [this] { return m_slots.front().done; });
        return true;
      }
    }
    hash(*slot, m_ownBuffer);
    return true;
  }

  // Hands on the ready entries at the front. False on cancel.
  bool passReady() {
    for (;;) {
      {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_slots.empty() || !m_slots.front().done) return true;
      }
      // A hash that a cancel cut short must not be written, nor anything after it.
      if (m_cancelled || !m_engine.worker.checkpoint()) {
        m_cancelled = true;
        return false;
      }
      pass(m_slots.front());
      std::lock_guard<std::mutex> lock(m_lock);
      m_slots.pop_front();
    }
  }

  void pass(const Slot& slot) {
    const ListingEntry& entry = slot.entry;
    if (slot.folderError) {
      ++m_totals.unreadable;
      m_sink.folderUnreadable(entry.path, slot.error);
      return;
    }
    ++m_totals.items;
    if (entry.kind == ListedKind::folder) ++m_totals.folders;
    if (entry.kind == ListedKind::file) {
      ++m_totals.files;
      m_totals.bytes += entry.size;
    }
    if (entry.readError != 0) ++m_totals.unreadable;
    m_sink.listed(entry);
    m_engine.job.stepDone();
  }

  CompareEngine& m_engine;
  ListingSink& m_sink;
  ListingTotals& m_totals;
  const olstring m_root;
  const olstring m_boundary;
  std::vector<uint8_t> m_ownBuffer;
  std::mutex m_lock;
  std::condition_variable m_workReady;
  std::condition_variable m_workDone;
  // Every entry not yet handed on, in order; references stay valid as the ends change.
  std::deque<Slot> m_slots;
  std::deque<Slot*> m_tasks;
  size_t m_queueLimit = 0;
  bool m_stopping = false;
  bool m_cancelled = false;
  bool m_finished = false;
  std::vector<std::unique_ptr<platform::Thread>> m_helpers;
};

struct Identity {
  uint64_t device = 0;
  uint64_t inode = 0;
};

// The walk, depth first over folders, each folder's entries handed on together.
class ListingWalker {
public:
  ListingWalker(CompareEngine& engine, const ListingRequest& request, OrderedHashing& hashing, olstring root,
                olstring linkBoundary)
      : m_engine(engine), m_request(request), m_hashing(hashing), m_root(std::move(root)),
        m_boundary(std::move(linkBoundary)),
        m_links(m_boundary.empty() ? platform::LinkPolicy::follow : platform::LinkPolicy::followWithin) {
    parseExcludes(engine.options.excludes, m_excludes);
  }

  // False when the walk was cancelled or its root could not be listed (error recorded).
  bool run() {
    Identity rootIdentity;
    platform::pathIdentity(m_root, &rootIdentity.device, &rootIdentity.inode);
    std::vector<Frame> stack(1);
    stack.front().identity = rootIdentity;
    const ListOutcome rootListed = listFolder(stack.front());
    if (rootListed != ListOutcome::listed) {
      if (rootListed == ListOutcome::unreadable) m_engine.job.setError(m_rootError, m_root);
      return false;
    }
    while (!stack.empty()) {
      Frame& top = stack.back();
      if (top.next == top.subfolders.size()) {
        stack.pop_back();
        continue;
      }
      Frame frame;
      frame.relative = std::move(top.subfolders[top.next].relative);
      frame.identity = top.subfolders[top.next].identity;
      ++top.next;
      // A folder that is its own ancestor (through a link) is listed, never entered.
      const auto loops = [&frame](const Frame& above) {
        return above.identity.device == frame.identity.device && above.identity.inode == frame.identity.inode;
      };
      if (std::any_of(stack.begin(), stack.end(), loops)) continue;
      const ListOutcome listed = listFolder(frame);
      if (listed == ListOutcome::cancelled) return false;
      stack.push_back(std::move(frame));
    }
    return true;
  }

private:
  struct Subfolder {
    olstring relative;
    Identity identity;
  };
  struct Frame {
    olstring relative;
    Identity identity;
    std::vector<Subfolder> subfolders;
    size_t next = 0;
  };
  enum class ListOutcome { listed, unreadable, cancelled };

  bool isSkipped(const platform::FolderEntry& entry) const {
    return std::any_of(m_request.skipped.begin(), m_request.skipped.end(), [&entry](const auto& file) {
      return file.first == entry.device && file.second == entry.inode;
    });
  }

  bool isExcluded(olstring_view name) const {
    for (const auto& [pattern, info] : m_excludes) {
      if (matchesExclude(name, pattern, info.isWildcard)) return true;
    }
    return false;
  }

  // Lists a folder and hands its entries on. A folder below the root that cannot be listed
  // (in full) is recorded as such, and the walk goes on.
  ListOutcome listFolder(Frame& frame) {
    const olstring absolute = joinPath(m_root, frame.relative);
    platform::FolderListing listing;
    std::vector<platform::FolderEntry> entries;
    uint32_t error = platform::kErrorSuccess;
    if (listing.open(absolute, m_links, m_boundary)) {
      platform::FolderEntry entry;
      while (listing.next(entry)) {
        if (!m_engine.worker.checkpoint()) return ListOutcome::cancelled;
        if (isExcluded(entry.name) || isSkipped(entry)) continue;
        m_engine.job.setText(lang::progress::kListing, entry.name);
        entries.push_back(std::move(entry));
      }
      error = listing.error();
    } else {
      error = platform::lastError();
    }
    // Half a folder is no listing of it: what was read is dropped with the error.
    if (error != platform::kErrorSuccess) {
      if (frame.relative.empty()) {
        m_rootError = error;
        return ListOutcome::unreadable;
      }
      return m_hashing.addFolderError(frame.relative, error) ? ListOutcome::unreadable : ListOutcome::cancelled;
    }
    std::sort(entries.begin(), entries.end(), [](const platform::FolderEntry& a, const platform::FolderEntry& b) {
      return ItemKeyLess()(ItemKey{a.name, (a.attributes & platform::kAttributeDirectory) != 0},
                           ItemKey{b.name, (b.attributes & platform::kAttributeDirectory) != 0});
    });
    for (const platform::FolderEntry& entry : entries) {
      ListingEntry listed = describe(entry, frame.relative, absolute);
      if (listed.kind == ListedKind::folder) frame.subfolders.push_back({listed.path, {entry.device, entry.inode}});
      if (!m_hashing.add(std::move(listed))) return ListOutcome::cancelled;
    }
    return ListOutcome::listed;
  }

  ListingEntry describe(const platform::FolderEntry& entry, olstring_view relative, olstring_view absolute) const {
    ListingEntry listed;
    listed.path = relative.empty() ? entry.name : olstring(relative) + u"/" + entry.name;
    if ((entry.attributes & platform::kAttributeDirectory) != 0) {
      listed.kind = ListedKind::folder;
    } else if ((entry.attributes & platform::kAttributeSystem) != 0) {
      listed.kind = ListedKind::special;
    } else {
      listed.kind = ListedKind::file;
      listed.size = entry.size;
    }
    listed.modified = entry.writeTime;
    listed.nanoseconds = entry.writeNanoseconds;
    listed.mode = entry.mode;
    listed.isLink = entry.isLink;
    listed.leadsOut = entry.leadsOut;
    std::string target;
    if (entry.isLink && readArchiveLinkText(joinPath(absolute, entry.name), m_boundary, &target)) {
      listed.linkText = fromUtf8(target);
    }
    return listed;
  }

  CompareEngine& m_engine;
  const ListingRequest& m_request;
  OrderedHashing& m_hashing;
  const olstring m_root;
  const olstring m_boundary;
  const platform::LinkPolicy m_links;
  ExcludeSet m_excludes;
  uint32_t m_rootError = 0;
};

void currentTime(uint64_t& fileTime, uint32_t& nanoseconds) {
  const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch);
  nanoseconds = static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch - seconds).count());
  fileTime = platform::fileTimeFromPosix(seconds.count(), nanoseconds);
}

// The folder to list for the request's path (an archive unpacked, path adjustment applied)
// and what the listing's header says of it; boundary is the folder an archive was unpacked
// into. False with the error recorded.
bool setUpWalk(CompareEngine& engine, const ListingRequest& request, ListingStart& start, olstring& folder,
               olstring& boundary) {
  const olstring path = expandPath(request.path);
  const PathType kind = pathType(path);
  if (kind == PathType::none) {
    engine.job.setError(platform::kErrorPathNotFound, request.path);
    return false;
  }
  folder = path;
  start.linksWithin = false;
  if (kind == PathType::file) {
    if (ListingReader::isListing(path)) {
      engine.job.setError(kErrorListingOfListing, request.path);
      return false;
    }
    uint32_t errorCode = kErrorNoArchiveFolder;
    folder = engine.archives != nullptr ? engine.archives->prepareArchive(path, &errorCode) : olstring();
    if (folder.empty()) {
      engine.job.setError(errorCode, request.path);
      return false;
    }
    // What an archive holds is untrusted: its links are followed only while they stay
    // inside it.
    start.linksWithin = true;
    boundary = folder;
  }
  ListingFailure failure;
  const olstring relative = engine.options.adjustPath ? adjustSubPath(folder, boundary, &failure) : olstring();
  if (failure.code != 0) {
    engine.job.setError(failure.code, failure.folder);
    return false;
  }
  folder = joinPath(folder, relative);
  start.path = request.path;
  start.root = joinPath(path, relative);
  start.host = platform::hostName();
  start.excludes = engine.options.excludes;
  start.adjustPath = engine.options.adjustPath;
  currentTime(start.started, start.startedNanoseconds);
  return true;
}

}  // namespace

bool runListingWalk(CompareEngine& engine, const ListingRequest& request, ListingSink& sink, ListingTotals& totals) {
  JobState& job = engine.job;
  job.beginJob();
  job.setText(langText(lang::progress::kListing));
  totals = ListingTotals();
  if (engine.archives != nullptr) engine.archives->clearWorkFolder();
  ListingStart start;
  olstring folder;
  olstring boundary;
  bool walked = engine.worker.checkpoint() && setUpWalk(engine, request, start, folder, boundary);
  if (walked) {
    sink.started(start);
    OrderedHashing hashing(engine, sink, totals, folder, boundary);
    ListingWalker walker(engine, request, hashing, folder, boundary);
    walked = hashing.finish(walker.run());
  }
  if (!walked && !engine.worker.checkpoint()) job.setError(kErrorCancelled, {});
  job.signalChanged();
  return walked;
}
