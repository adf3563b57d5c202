#include "app/ProjectFile.h"

#include "app/CompareSwitches.h"
#include "app/Settings.h"
#include "app/SettingsFile.h"
#include "app/SettingsValues.h"
#include "foundation/Paths.h"
#include "foundation/TextFile.h"
#include "platform/Error.h"

namespace {

constexpr char16_t kGlobal[] = u"global";
constexpr char16_t kDefaultProject[] = u"default.mirrane";

struct TextKey {
  const char16_t* key;
  olstring CompareOptions::*field;
};

constexpr TextKey kTexts[] = {
    {u"path0", &CompareOptions::path0}, {u"path1", &CompareOptions::path1}, {u"excludes", &CompareOptions::excludes}};

}  // namespace

void readOptions(const olini& ini, CompareOptions& options) {
  options.reset();
  for (const CompareSwitch& entry : kCompareSwitches) {
    const olstring value = ini.get(kGlobal, entry.key);
    if (!value.empty()) options.*entry.option = readBoolean(value);
  }
  for (const auto& entry : kTexts) {
    const olstring value = ini.get(kGlobal, entry.key);
    if (!value.empty()) options.*entry.field = value;
  }
  // A tolerance that is no whole number of seconds in range keeps the automatic step: a
  // made-up tolerance would hide real differences.
  readWholeSeconds(ini.get(kGlobal, kTimeToleranceKey), kMaxTimeTolerance, &options.timeTolerance);
}

void writeOptions(olini& ini, const CompareOptions& options) {
  ini.clear();
  for (const CompareSwitch& entry : kCompareSwitches) ini.set(kGlobal, entry.key, writeBoolean(options.*entry.option));
  for (const auto& entry : kTexts) ini.set(kGlobal, entry.key, options.*entry.field);
  ini.set(kGlobal, kTimeToleranceKey, writeNumber(options.timeTolerance));
}

bool loadProjectFile(olstring_view path, CompareOptions& options) {
  return loadProjectFileWithReason(path, options) == ProjectLoad::loaded;
}

ProjectLoad loadProjectFileWithReason(olstring_view path, CompareOptions& options) {
  options.reset();
  if (absolutePathKind(path) == PathRoot::relative) return ProjectLoad::notAbsolute;
  const platform::File file = openFileForReading(path);
  if (!file) {
    const bool missing = file.error() == platform::kErrorFileNotFound || file.error() == platform::kErrorPathNotFound;
    return missing ? ProjectLoad::notFound : ProjectLoad::unreadable;
  }
  const olstring text = readTextFile(file.handle());
  olini ini(kGlobal);
  if (!ini.parseText(text)) return ProjectLoad::nothingUsable;
  readOptions(ini, options);
  return ProjectLoad::loaded;
}

bool saveProjectFile(olstring_view path, const CompareOptions& options) {
  olini ini(kGlobal);
  writeOptions(ini, options);
  return ini.saveFile(path);
}

bool loadDefaultProject(AdvancedSettings& settings, CompareOptions& options) {
  ensureAdvancedSettingsLoaded(settings);
  if (!settings.autoSaveLoad) return false;
  options.reset();
  const platform::File file = openSettings(kDefaultProject, SettingsAccess::read);
  if (!file) return false;
  const olstring text = readTextFile(file.handle());
  olini ini(kGlobal);
  if (!ini.parseText(text)) return false;
  readOptions(ini, options);
  return true;
}

bool saveDefaultProject(AdvancedSettings& settings, const CompareOptions& options) {
  ensureAdvancedSettingsLoaded(settings);
  if (!settings.autoSaveLoad) return false;
  olini ini(kGlobal);
  writeOptions(ini, options);
  platform::File file = openSettings(kDefaultProject, SettingsAccess::write);
  return file && writeTextFile(ini.formatText(), file.handle(), TextEncoding::utf16le) && file.close();
}
