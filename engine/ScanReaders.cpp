// Reading while the scan lists: a few helpers take listed folders oldest first and read their
// small pairs of files in the folder's order.

#include "engine/ScanReaders.h"

#include "engine/CompareEngine.h"

namespace {

bool isSmallFilePair(const CompareItem& item) {
  for (const SideInfo& side : item.side) {
    if (!side.present() || side.isFolder() || side.size < 0 || static_cast<uint64_t>(side.size) > kScanReadMaxSize) {
      return false;
    }
  }
  return true;
}

}  // namespace

ScanReaders::ScanReaders(CompareEngine& engine, int helpers) : m_engine(engine) {
  const CompareResult& result = engine.result;
  if (engine.readersProbe != nullptr || result.isListing(0) || result.isListing(1)) helpers = 0;
  if (helpers > 0) m_helpers.start(helpers, [this](ContentBuffers& own) { helperLoop(own); });
}

ScanReaders::~ScanReaders() { finish(); }

void ScanReaders::folderListed(CompareItem& folder) {
  if (m_helpers.empty()) return;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_stopping.load() || m_folders.size() >= kScanReadQueue) return;
    m_folders.push_back(&folder);
  }
  m_workReady.notify_one();
}

void ScanReaders::helperLoop(ContentBuffers& buffers) {
  // Pause and cancel reach the helper at the worker's checkpoints.
  const WorkerThread::HelperScope helping(m_engine.worker);
  for (;;) {
    CompareItem* folder = nullptr;
    {
      std::unique_lock<std::mutex> lock(m_lock);
      m_workReady.wait(lock, [this] { return m_stopping.load() || !m_folders.empty(); });
      if (m_stopping.load()) return;
      folder = m_folders.front();
      m_folders.pop_front();
      ++m_running;
    }
    readFolder(*folder, buffers);
    {
      std::lock_guard<std::mutex> lock(m_lock);
      --m_running;
    }
    m_idle.notify_all();
  }
}

void ScanReaders::readFolder(CompareItem& folder, ContentBuffers& buffers) {
  // The folders are opened at the first pair, as the compare walk does; a side that does
  // not open leaves its files to be opened by path.
  std::unique_ptr<OpenFolders> folders;
  for (auto& [key, child] : folder.children) {
    if (!isSmallFilePair(child)) continue;
    // Paused means paused, also for pairs that need no reading (empty ones); a cancel ends
    // the reading here.
    if (m_stopping.load() || !m_engine.worker.checkpoint()) return;
    if (!folders) {
      folders = std::make_unique<OpenFolders>();
      for (int side = 0; side < 2; ++side) {
        folders->side[side].openWithin(itemPath(folder, side), m_engine.result.unpackFolder[side]);
      }
    }
    itemVerdict(m_engine, child, buffers, folders.get());
    child.readEarly = true;
  }
}

void ScanReaders::finish() {
  if (m_finished) return;
  m_finished = true;
  {
    std::unique_lock<std::mutex> lock(m_lock);
    m_stopping.store(true);
    m_folders.clear();
  }
  m_workReady.notify_all();
  if (m_helpers.empty()) return;
  {
    // A paused worker waiting here stands still, as its helpers hold at their checkpoints.
    const WorkerThread::HelperWait waiting(m_engine.worker);
    std::unique_lock<std::mutex> lock(m_lock);
    m_idle.wait(lock, [this] { return m_running == 0; });
  }
  // Each helper's thread waits for its end as it goes.
  m_helpers.join();
}
