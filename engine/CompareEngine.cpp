#include "engine/CompareEngine.h"

namespace {

// Unpacks through the work area with the engine's settings; a cancel of the job stops a
// running 7-Zip, and a pause holds the worker at the same checkpoint the scan uses.
class WorkAreaExtractor : public ArchiveExtractor {
public:
  explicit WorkAreaExtractor(CompareEngine& engine) : m_engine(engine) {}

  void clearWorkFolder() override { m_engine.archiveArea.clearWorkFolder(); }

  olstring prepareArchive(olstring_view archivePath) override {
    return m_engine.archiveArea.prepareArchive(archivePath, m_engine.settings.autoTarGz,
                                               [this] { return !m_engine.worker.checkpoint(); });
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
  archiveArea.prepare();
  m_archiveExtractor = std::make_unique<WorkAreaExtractor>(*this);
  archives = m_archiveExtractor.get();
}

void CompareEngine::removeArchiveWorkFolder() { archiveArea.removeWorkFolder(); }
