#include "engine/CompareEngine.h"

#include "foundation/Language.h"
#include "foundation/LanguageKeys.h"
#include "foundation/SoftCheck.h"

namespace {

// Unpacks through the work area with the engine's settings; a cancel of the job stops a
// running 7-Zip, and a pause holds the worker at the same checkpoint the scan uses.
class WorkAreaExtractor : public ArchiveExtractor {
public:
  explicit WorkAreaExtractor(CompareEngine& engine) : m_engine(engine) {}

  void clearWorkFolder() override { m_engine.archiveArea.clearWorkFolder(); }

  olstring prepareArchive(olstring_view archivePath, uint32_t* errorCode) override {
    UnpackFailure failure = UnpackFailure::none;
    olstring folder = m_engine.archiveArea.prepareArchive(
        archivePath, m_engine.settings.autoTarGz, [this] { return !m_engine.worker.checkpoint(); }, &failure,
        [this](olstring_view name) { m_engine.job.setText(langText(lang::progress::kUnpack, name)); });
    *errorCode = failure == UnpackFailure::noRoom ? kErrorNoRoomToUnpack : kErrorNoArchiveFolder;
    return folder;
  }

private:
  CompareEngine& m_engine;
};

}  // namespace

CompareEngine::CompareEngine(AdvancedSettingsLoader loadSettings) {
  if (loadSettings != nullptr) loadSettings(settings);
  resetResult(result);
}

CompareEngine::~CompareEngine() = default;

void CompareEngine::prepareArchives() {
  // The running worker may be inside the extractor that would be replaced.
  MIRRANE_CHECK(!worker.isRunning(), return);
  archiveArea.setSevenZipPath(locateSevenZip());
  // Logs kept by failed unpacks of earlier runs would otherwise pile up run after run.
  archiveArea.removeEndedWorkFolders();
  m_archiveExtractor = std::make_unique<WorkAreaExtractor>(*this);
  archives = m_archiveExtractor.get();
}

void CompareEngine::removeArchiveWorkFolder() {
  // The running worker may be reading what was unpacked there.
  MIRRANE_CHECK(!worker.isRunning(), return);
  archiveArea.removeWorkFolder();
}
