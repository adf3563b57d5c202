// Reading while the scan lists: once a folder is listed on both sides, its pairs of small
// files are final, and helper threads give their verdicts while the worker lists the next
// folders. The compare walk then passes those verdicts in the tree's order as if it had
// read the pairs itself, and reads what the helpers did not get to; so the verdicts, the
// progress stages and the verdict hook stay what they are without this.
#pragma once

#include "engine/CompareTree.h"
#include "engine/ContentCompare.h"
#include "platform/Thread.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

struct CompareEngine;

// The largest file of a pair read during the scan: a pair this small is read in one go, so
// a helper is never long in one and the scan's end never waits long for it.
constexpr uint64_t kScanReadMaxSize = 1024 * 1024;

// Listed folders that may wait for a helper; more are left to the compare walk, so that the
// queue stays small however far the listing runs ahead.
constexpr size_t kScanReadQueue = 64;

class ScanReaders {
public:
  // helpers threads at most (the worker lists meanwhile); none when the compare's sides
  // cannot be read early (a listing compared by its hashes, or a probe watching the readers).
  ScanReaders(CompareEngine& engine, int helpers);
  // Stops as finish does.
  ~ScanReaders();
  ScanReaders(const ScanReaders&) = delete;
  ScanReaders& operator=(const ScanReaders&) = delete;

  // On the worker: folder is listed on both sides and its children are final; its pairs of
  // small files may be read from now on.
  void folderListed(CompareItem& folder);

  // On the worker, before the tree may change again (a reset) and before the compare walk:
  // waits for the pairs being read (a cancel stops them within one piece); pairs not started
  // are left to the walk. Each pair read is marked readEarly with its verdict given.
  void finish();

private:
  void helperLoop(ContentBuffers& buffers);
  void readFolder(CompareItem& folder, ContentBuffers& buffers);

  CompareEngine& m_engine;
  std::mutex m_lock;
  std::condition_variable m_workReady;
  std::condition_variable m_idle;
  std::deque<CompareItem*> m_folders;
  int m_running = 0;
  std::atomic<bool> m_stopping{false};
  bool m_finished = false;
  ReaderThreads m_helpers;
};
