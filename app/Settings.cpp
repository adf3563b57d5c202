#include "app/Settings.h"

#include "app/SettingsFile.h"
#include "app/SettingsValues.h"
#include "foundation/Paths.h"
#include "foundation/TextFile.h"
#include "platform/Error.h"
#include "platform/FileLock.h"
#include "platform/Path.h"

#include <algorithm>
#include <limits>

namespace {

constexpr char16_t kUserSettingsName[] = u"config.ini";
constexpr char16_t kGlobal[] = u"global";
constexpr char16_t kWindow[] = u"window";
constexpr char16_t kDefaultArchiveExtensions[] = u".zip|.7z|.rar|.cab|.exe|.gz|.msu|.iso";

bool isTrimmed(char16_t c) { return c == u' ' || c == u'\r' || c == u'\n' || c == u'\t'; }

olstring trimmed(olstring_view text) {
  while (!text.empty() && isTrimmed(text.front())) text.remove_prefix(1);
  while (!text.empty() && isTrimmed(text.back())) text.remove_suffix(1);
  return olstring(text);
}

std::set<olstring> parseArchiveExtensions(olstring_view value) {
  if (value.empty()) value = kDefaultArchiveExtensions;
  std::set<olstring> extensions;
  size_t start = 0;
  while (start <= value.size()) {
    size_t bar = value.find(u'|', start);
    if (bar == olstring_view::npos) bar = value.size();
    olstring piece = lowerCaseCopy(trimmed(value.substr(start, bar - start)));
    if (!piece.empty()) {
      if (piece.front() != u'.') piece.insert(piece.begin(), u'.');
      extensions.insert(piece);
    }
    start = bar + 1;
  }
  return extensions;
}

// One of the two places of "config.ini", as found.
struct SettingsCopy {
  olstring path;
  // Something is there (perhaps unreadable).
  bool exists = false;
  // Read whole and understood. A copy that exists but is not usable is never written:
  // its keys would be lost.
  bool usable = false;
  uint64_t writeTime = 0;
  olini ini{kGlobal};

  bool mayBeWritten() const { return !exists || usable; }
};

SettingsCopy inspectCopy(olstring path) {
  SettingsCopy copy;
  copy.path = std::move(path);
  const platform::File file = openFileForReading(copy.path, SharingRetry::upToOneSecond);
  if (!file) {
    copy.exists = file.error() != platform::kErrorFileNotFound && file.error() != platform::kErrorPathNotFound;
    return copy;
  }
  copy.exists = true;
  if (!platform::fileWriteTime(file.handle(), &copy.writeTime)) copy.writeTime = 0;
  bool complete = false;
  const olstring text = readTextFile(file.handle(), &complete);
  // A file that stops decoding before its end, or holds text that gives no key at all (a
  // code page that was guessed wrong), is not understood: merging into it would keep only
  // the keys that were written last.
  const bool blank = text.find_first_not_of(u" \t\r\n") == olstring::npos;
  copy.usable = complete && (copy.ini.parseText(text) || blank);
  return copy;
}

// Every copy, the one written by preference first.
std::vector<SettingsCopy> inspectCopies() {
  std::vector<SettingsCopy> copies;
  for (olstring& path : settingsLocations(kUserSettingsName)) copies.push_back(inspectCopy(std::move(path)));
  return copies;
}

// The newer usable copy (the first wins a tie), or null when none is.
const SettingsCopy* newestUsable(const std::vector<SettingsCopy>& copies) {
  const SettingsCopy* newest = nullptr;
  for (const SettingsCopy& copy : copies) {
    if (copy.usable && (newest == nullptr || copy.writeTime > newest->writeTime)) newest = &copy;
  }
  return newest;
}

// Reads "config.ini" into the INI. False when a copy exists but none could be read.
bool loadUserSettings(olini& ini) {
  ini.clear();
  const auto copies = inspectCopies();
  if (const SettingsCopy* newest = newestUsable(copies)) {
    ini = newest->ini;
    return true;
  }
  return std::none_of(copies.begin(), copies.end(), [](const SettingsCopy& copy) { return copy.exists; });
}

olstring readUserValue(olstring_view section, olstring_view key) {
  olini ini(kGlobal);
  readUserSettings(ini);
  return ini.get(section, key);
}

bool mergeOne(olstring_view section, olstring_view key, olstring_view value) {
  olini change(kGlobal);
  change.set(section, key, value);
  return mergeUserSettings(change);
}

int32_t toInt32(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

olstring g_browsePath;

}  // namespace

void readAdvancedSettings(const olini& ini, AdvancedSettings& settings) {
  settings.noCustomScroll = readBoolean(ini.get(kGlobal, u"no_customscroll"));
  int64_t megabytes = readNumber(ini.get(kGlobal, u"textmode_maxsize"));
  if (megabytes <= 0 || megabytes > 256) megabytes = 16;
  settings.textModeMaxSize = static_cast<uint32_t>(megabytes) * 1048576u;
  settings.archiveExtensions = parseArchiveExtensions(ini.get(kGlobal, u"archive_file"));
  settings.autoTarGz = readBoolean(ini.get(kGlobal, u"auto_tar_gz"));
  settings.flatMode = readBoolean(ini.get(kGlobal, u"flatmode"));
  settings.autoSaveLoad = readBoolean(ini.get(kGlobal, u"auto_saveload"));
}

void ensureAdvancedSettingsLoaded(AdvancedSettings& settings) {
  if (settings.loaded) return;
  settings.loaded = true;
  olini ini(kGlobal);
  ini.loadFile(platform::applicationFolder() + u"/config/advconf.ini");
  readAdvancedSettings(ini, settings);
}

bool readUserSettings(olini& ini) { return loadUserSettings(ini); }

bool mergeUserSettings(const olini& changes) {
  // The copy beside the program takes the change when it may be written there, else the
  // per-user one. Two instances merging at once would each write back what it read, and
  // the later write would drop the other's keys; a lock beside the file written makes each
  // read-merge-write whole.
  for (const olstring& target : settingsLocations(kUserSettingsName)) {
    const olstring folder(folderPart(target));
    platform::FileLock lock;
    if (!createFolders(folder) || !lock.acquireWaiting(folder + u"/.config.ini.lock")) continue;
    const auto copies = inspectCopies();
    const auto written = std::find_if(copies.begin(), copies.end(), [&](const SettingsCopy& copy) { return copy.path == target; });
    if (written == copies.end() || !written->mayBeWritten()) continue;
    const SettingsCopy* newest = newestUsable(copies);
    olini stored = newest != nullptr ? newest->ini : olini(kGlobal);
    for (const auto& [section, keys] : changes.sections()) {
      for (const auto& [key, value] : keys) stored.set(section, key, value);
    }
    platform::File file = openFileForWriting(target, SharingRetry::upToOneSecond);
    if (!file) continue;
    return writeTextFile(stored.formatText(), file.handle(), TextEncoding::utf16le) && file.close();
  }
  return false;
}

WindowPlacement readWindowPlacement() {
  olini ini(kGlobal);
  readUserSettings(ini);
  WindowPlacement placement;
  placement.left = toInt32(readNumber(ini.get(kWindow, u"left")));
  placement.right = toInt32(readNumber(ini.get(kWindow, u"right")));
  placement.top = toInt32(readNumber(ini.get(kWindow, u"top")));
  placement.bottom = toInt32(readNumber(ini.get(kWindow, u"bottom")));
  placement.maximised = readBoolean(ini.get(kWindow, u"max"));
  return placement;
}

bool writeWindowPlacement(const WindowPlacement& placement) {
  olini change(kGlobal);
  change.set(kWindow, u"left", writeNumber(placement.left));
  change.set(kWindow, u"right", writeNumber(placement.right));
  change.set(kWindow, u"top", writeNumber(placement.top));
  change.set(kWindow, u"bottom", writeNumber(placement.bottom));
  change.set(kWindow, u"max", writeBoolean(placement.maximised));
  return mergeUserSettings(change);
}

int32_t readPanelWidth() { return toInt32(readNumber(readUserValue(kWindow, u"panel_width"))); }
bool writePanelWidth(int32_t width) { return mergeOne(kWindow, u"panel_width", writeNumber(width)); }

olstring readThemeName() { return readUserValue(kGlobal, u"theme"); }
bool writeThemeName(olstring_view name) { return mergeOne(kGlobal, u"theme", name); }

olstring fontRecordFaceName(const FontRecord& font) {
  olstring face;
  for (size_t offset = 28; offset + 1 < kFontRecordSize; offset += 2) {
    const char16_t unit = static_cast<char16_t>(font[offset] | font[offset + 1] << 8);
    if (unit == 0) break;
    face += unit;
  }
  return face;
}

std::optional<FontRecord> readFontSetting() {
  const olstring value = readUserValue(kGlobal, u"font");
  if (value.size() != 2 * kFontRecordSize) return std::nullopt;
  FontRecord font{};
  if (hexToBytes(value, font.data()) != kFontRecordSize) return std::nullopt;
  if (fontRecordFaceName(font).empty()) return std::nullopt;
  return font;
}

bool writeFontSetting(const FontRecord& font) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  olstring hex;
  for (uint8_t byte : font) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0xF];
  }
  return mergeOne(kGlobal, u"font", hex);
}

int readViewMode() {
  const int64_t mode = readNumber(readUserValue(kGlobal, u"viewmode"));
  return mode == kViewAllItems ? kViewAllItems : kViewDifferences;
}
bool writeViewMode(int mode) { return mergeOne(kGlobal, u"viewmode", writeNumber(mode)); }

namespace {

std::optional<int> g_viewMode;

}  // namespace

int viewMode() {
  if (!g_viewMode) g_viewMode = readViewMode() == kViewAllItems ? kViewAllItems : kViewDifferences;
  return *g_viewMode;
}

void setViewMode(int mode) {
  g_viewMode = mode == kViewAllItems ? kViewAllItems : kViewDifferences;
  writeViewMode(*g_viewMode);
}

void forgetViewMode() { g_viewMode.reset(); }

olstring readLanguageSetting() { return readUserValue(kGlobal, u"language"); }
bool writeLanguageSetting(olstring_view fileName) { return mergeOne(kGlobal, u"language", fileName); }

olstring readBrowseHistory(unsigned kind) {
  if (kind > 2) {
    g_browsePath.clear();
    return g_browsePath;
  }
  g_browsePath = readUserValue(u"browsehistory", u"type_" + writeNumber(kind));
  return g_browsePath;
}

void storeBrowseHistory(unsigned kind, olstring_view path) {
  if (kind > 2) {
    g_browsePath.clear();
    return;
  }
  g_browsePath = path;
  mergeOne(u"browsehistory", u"type_" + writeNumber(kind), path);
}

const olstring& browseHistoryPath() { return g_browsePath; }
