#include "app/ProjectFile.h"

#include "app/Settings.h"
#include "app/SettingsFile.h"
#include "app/SettingsValues.h"
#include "foundation/Paths.h"
#include "foundation/TextFile.h"
#include "platform/Error.h"

namespace {

constexpr char16_t kGlobal[] = u"global";
constexpr char16_t kDefaultProject[] = u"default.mirrane";

struct SwitchKey {
  const char16_t* key;
  bool CompareOptions::*field;
};

constexpr SwitchKey kSwitches[] = {
    {u"case", &CompareOptions::compareCase},   {u"modify_time", &CompareOptions::modifyTime},
    {u"attr", &CompareOptions::attr},          {u"text_mode", &CompareOptions::textMode},
    {u"adjust_path", &CompareOptions::adjustPath}, {u"auto_skip", &CompareOptions::autoSkip},
    {u"force_file", &CompareOptions::forceFile},
};

struct TextKey {
  const char16_t* key;
  olstring CompareOptions::*field;
};

constexpr TextKey kTexts[] = {
    {u"path0", &CompareOptions::path0}, {u"path1", &CompareOptions::path1}, {u"excludes", &CompareOptions::excludes}};

}  // namespace

void readOptions(const olini& ini, CompareOptions& options) {
  options.reset();
  for (const auto& entry : kSwitches) {
    const olstring value = ini.get(kGlobal, entry.key);
    if (!value.empty()) options.*entry.field = readBoolean(value);
  }
  for (const auto& entry : kTexts) {
    const olstring value = ini.get(kGlobal, entry.key);
    if (!value.empty()) options.*entry.field = value;
  }
}

void writeOptions(olini& ini, const CompareOptions& options) {
  ini.clear();
  for (const auto& entry : kSwitches) ini.set(kGlobal, entry.key, writeBoolean(options.*entry.field));
  for (const auto& entry : kTexts) ini.set(kGlobal, entry.key, options.*entry.field);
}

bool loadProjectFile(olstring_view path, CompareOptions& options) {
  return loadProjectFileWithReason(path, options) == ProjectLoad::loaded;
}

ProjectLoad loadProjectFileWithReason(olstring_view path, CompareOptions& options) {
  options.reset();
  if (absolutePathKind(path) == 0) return ProjectLoad::notAbsolute;
  platform::FileHandle handle = openFile(path, false);
  if (handle == nullptr) {
    const uint32_t error = platform::lastError();
    const bool missing = error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound;
    return missing ? ProjectLoad::notFound : ProjectLoad::unreadable;
  }
  const olstring text = readTextFile(handle);
  platform::closeFile(handle);
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
  platform::FileHandle handle = openSettingsFile(kDefaultProject, SettingsAccess::read);
  if (handle == nullptr) return false;
  const olstring text = readTextFile(handle);
  platform::closeFile(handle);
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
  platform::FileHandle handle = openSettingsFile(kDefaultProject, SettingsAccess::write);
  if (handle == nullptr) return false;
  if (!writeTextFile(ini.formatText(), handle, TextEncoding::utf16le)) {
    platform::abandonFile(handle);
    return false;
  }
  return platform::closeFile(handle);
}
