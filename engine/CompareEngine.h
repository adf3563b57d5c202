// The engine's process-wide objects, owned together for the life of the program: settings,
// the result, the current options, the block buffers, the job and its worker thread.
#pragma once

#include "engine/Archive.h"
#include "engine/CompareJob.h"
#include "engine/CompareOptions.h"
#include "engine/CompareTree.h"
#include "engine/ContentCompare.h"
#include "engine/ContentReaders.h"
#include "engine/ReadersProbe.h"
#include "engine/VerdictHook.h"
#include "foundation/olstring.h"

// Unpacks archives for the folder scan. The archive support plugs in here; without it a
// file to unpack gives no folder and the compare fails with kErrorNoArchiveFolder.
class ArchiveExtractor {
public:
  virtual ~ArchiveExtractor() = default;
  // Removes whatever an earlier compare unpacked (called at the start of every job).
  virtual void clearWorkFolder() = 0;
  // Unpacks the archive and returns the folder holding its content, or empty on failure
  // with errorCode set to the job's error for it (kErrorNoArchiveFolder, kErrorNoRoomToUnpack).
  // Runs on the worker thread.
  virtual olstring prepareArchive(olstring_view archivePath, uint32_t* errorCode) = 0;
};

// Fills the advanced settings while the engine is built (the settings file is read by the
// application's code; the engine only holds the record).
using AdvancedSettingsLoader = void (*)(AdvancedSettings&);

struct CompareEngine {
  AdvancedSettings settings;
  CompareResult result;
  // The options of the next (or running) compare; left alone while a worker runs.
  CompareOptions options;
  ContentBuffers buffers;
  // The work area for unpacked archives; used once prepareArchives() has set it up.
  ArchiveWorkArea archiveArea;
  // Not owned; null until archive support is installed.
  ArchiveExtractor* archives = nullptr;
  // Not owned; null when nobody follows the verdicts. Set before startWorker and left alone
  // until the worker has ended.
  VerdictHook* verdictHook = nullptr;
  // How many pairs of files the compare reads at once (the worker counts as one). Set before
  // startWorker and left alone until the worker has ended.
  int contentReaders = defaultContentReaderCount();
  // Not owned; null but in tests that must meet the readers at an exact point.
  ReadersProbe* readersProbe = nullptr;
  JobState job;
  // Declared last so that it is destroyed first, while everything the worker uses exists.
  WorkerThread worker;

  explicit CompareEngine(AdvancedSettingsLoader loadSettings = nullptr);
  ~CompareEngine();
  CompareEngine(const CompareEngine&) = delete;
  CompareEngine& operator=(const CompareEngine&) = delete;

  // Looks for 7-Zip and lets the folder scan unpack archives through the work area, whose
  // folder and lock file are made only when the first archive is unpacked. Removes what
  // ended runs left in the work area (see ArchiveWorkArea::removeEndedWorkFolders). Neither this nor
  // the removal below may be called while a compare runs: such a call is logged and ignored.
  void prepareArchives();
  // Removes this process's archive work folder, if one was made.
  void removeArchiveWorkFolder();

private:
  std::unique_ptr<ArchiveExtractor> m_archiveExtractor;
};
