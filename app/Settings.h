// The two settings files: the advanced settings "config/advconf.ini" beside the program
// (read once, never written) and the user settings "config.ini" (re-read on every read and
// rewritten on every change), with the accessors of the keys the windows keep there.
#pragma once

#include "engine/CompareOptions.h"
#include "foundation/olini.h"

#include <array>
#include <cstdint>
#include <optional>

// Reads "config/advconf.ini" from the application folder into the record the first time it
// is called; later calls return at once. A missing or unreadable file leaves the defaults.
void ensureAdvancedSettingsLoaded(AdvancedSettings& settings);

// Parses the advanced settings from an INI (section "global") into the record.
void readAdvancedSettings(const olini& ini, AdvancedSettings& settings);

// The caller's INI becomes a copy of "config.ini": the newer of the two copies that can be
// read whole and understood (empty when there is none). False when a copy exists but none
// can be read: the INI is then empty.
bool readUserSettings(olini& ini);

// Writes the caller's sections and keys into "config.ini" (beside the program when it may be
// written there, else the per-user copy), keeping every key the caller did not set. A copy
// that exists but cannot be read whole, or whose text gives no key (a wrong encoding), is
// never written, so its keys are never lost; the change then goes to the other copy, or,
// when neither may be written, nowhere (false). Merges of several processes are serialised
// by a lock beside the file written, so none loses another's keys.
bool mergeUserSettings(const olini& changes);

// Window placement ("window" section).
struct WindowPlacement {
  int32_t left = 0;
  int32_t right = 0;
  int32_t top = 0;
  int32_t bottom = 0;
  bool maximised = false;
};
WindowPlacement readWindowPlacement();
bool writeWindowPlacement(const WindowPlacement& placement);
int32_t readPanelWidth();
bool writePanelWidth(int32_t width);

// "global" keys of the windows.
olstring readThemeName();  // empty: no theme is applied at start
bool writeThemeName(olstring_view name);

constexpr size_t kFontRecordSize = 92;
using FontRecord = std::array<uint8_t, kFontRecordSize>;
// The stored font, only when it is exactly 184 hex digits and names a face.
std::optional<FontRecord> readFontSetting();
bool writeFontSetting(const FontRecord& font);
// The face name stored in a font record (32 UTF-16 units from byte 28, up to the first 0).
olstring fontRecordFaceName(const FontRecord& font);

// The view modes kept in the settings ("viewmode").
constexpr int kViewDifferences = 0;
constexpr int kViewAllItems = 1;
int readViewMode();  // 0 or 1; anything else reads 0
bool writeViewMode(int mode);
// The view mode kept in memory: read from the settings on first use and kept; a change is
// written back at once. Anything but 1 reads and stores as 0 (differences only).
int viewMode();
void setViewMode(int mode);
// The next viewMode() reads the settings again.
void forgetViewMode();

olstring readLanguageSetting();  // file name in "lang"; empty: the default language
bool writeLanguageSetting(olstring_view fileName);

// The last paths of the browse dialogs: kind 0 project files, 1 folders, 2 files. One path,
// shared by all kinds, is kept in memory: reading a kind loads its key into it, storing sets
// it and writes the key at once; a kind above 2 only clears it.
olstring readBrowseHistory(unsigned kind);
void storeBrowseHistory(unsigned kind, olstring_view path);
const olstring& browseHistoryPath();
