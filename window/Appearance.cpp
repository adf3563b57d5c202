#include "window/Appearance.h"

#include "app/Settings.h"
#include "engine/CompareJob.h"
#include "foundation/Language.h"
#include "foundation/LanguageKeys.h"
#include "platform/Text.h"
#include "toolkit/App.h"
#include "toolkit/Dialog.h"
#include "toolkit/FileDialog.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Theme.h"
#include "window/Menus.h"

#include <cstring>

namespace {

// The large UI font (the about dialog's name line) is this much higher than the normal one.
constexpr float kLargeFontScale = 1.45f;
// The sizes the font dialog offers.
constexpr int kSmallestFontPoints = 5;
constexpr int kLargestFontPoints = 16;

// The message box buttons by id, with the texts that caption them.
struct ButtonCaption {
  int id;
  LanguageKey text;
};
constexpr ButtonCaption kButtonCaptions[] = {
    {IDOK, lang::global::kOk},         {IDCANCEL, lang::global::kCancel}, {IDYES, lang::global::kYes},
    {IDNO, lang::global::kNo},         {IDCONTINUE, lang::global::kContinue}, {IDABORT, lang::global::kAbort},
    {IDRETRY, lang::global::kRetry},   {IDIGNORE, lang::global::kIgnore}, {IDTRYAGAIN, lang::global::kTryAgain},
};

// What the toolkit shows in the language in use: the message box buttons (an empty text
// keeps the built-in caption) and Qt's own dialogs and menus (English where Qt has no
// translation).
void applyLanguageToToolkit() {
  for (const ButtonCaption& button : kButtonCaptions) olMessageBox::setButtonCaption(button.id, langText(button.text));
  if (olApp::interfaceRunning()) applyPlatformTranslations(langText(lang::info::kLocale));
}

void askWindowsToReloadTexts(HWND mainWindow) {
  const UINT message = languageMessage();
  if (mainWindow) postMessage(mainWindow, message, 1, 0);
  for (HWND window : topLevelWindows()) {
    if (window != mainWindow) postMessage(window, message, 1, 0);
  }
}

bool isCurrentLanguageFile(olstring_view fileName) {
  const olstring current = currentLanguageFile();
  return !current.empty() && platform::equalsNoCase(current, fileName);
}

}  // namespace

UINT languageMessage() {
  // Registered names keep their ids for the life of the process.
  static const UINT message = registerWindowMessage(kLanguageMessageName);
  return message;
}

UINT registerLanguageMessage() {
  const UINT message = languageMessage();
  olBaseDlg::setReloadTextsMessage(message);
  return message;
}

bool isCurrentLanguage(size_t index) {
  const std::vector<LanguageEntry> languages = languageList();
  return index < languages.size() && isCurrentLanguageFile(languages[index].fileName);
}

bool applyLanguage(olstring_view fileName, HWND mainWindow, JobState* job) {
  const bool startUp = fileName.empty();
  const olstring wanted = startUp ? readLanguageSetting() : olstring(fileName);
  if (wanted.empty() || isCurrentLanguageFile(wanted)) {
    // At start-up the stored language was loaded before the interface existed; the toolkit
    // still has to take it. Re-choosing the language in use changes nothing.
    if (startUp) applyLanguageToToolkit();
    return !currentLanguageFile().empty();
  }
  if (!switchLanguage(wanted)) return false;
  if (!startUp) writeLanguageSetting(wanted);
  buildMenus(/*onlyIfBuilt=*/true);
  applyLanguageToToolkit();
  askWindowsToReloadTexts(mainWindow);
  // An error kept from the last compare was worded in the old language.
  if (job) job->setError(0, {});
  return true;
}

bool switchTheme(olstring_view name) {
  if (name.empty()) {
    const olstring stored = readThemeName();
    return !stored.empty() && applyThemeByName(stored);
  }
  if (platform::equalsNoCase(name, currentThemeName())) return false;
  if (!applyThemeByName(name)) return false;
  // The table's own spelling, whatever case the caller used.
  writeThemeName(currentThemeName());
  return true;
}

bool switchFont(const LOGFONTW* description) {
  if (description == nullptr) {
    const std::optional<FontRecord> stored = readFontSetting();
    if (!stored) return false;
    LOGFONTW font;
    std::memcpy(&font, stored->data(), sizeof font);
    return applyFont(font, kLargeFontScale);
  }
  if (faceName(*description).empty()) return false;
  const LOGFONTW current = currentFontDescription();
  if (std::memcmp(description, &current, sizeof current) == 0) return false;
  if (!applyFont(*description, kLargeFontScale)) return false;
  static_assert(sizeof(LOGFONTW) == kFontRecordSize);
  FontRecord record;
  std::memcpy(record.data(), description, record.size());
  writeFontSetting(record);
  return true;
}

bool chooseAndSwitchFont(HWND owner) {
  LOGFONTW description = currentFontDescription();
  if (!chooseFont(description, getAncestorRoot(owner), kSmallestFontPoints, kLargestFontPoints)) return false;
  return switchFont(&description);
}

void applyStoredAppearance() {
  registerLanguageMessage();
  switchTheme();
  switchFont();
  applyLanguage({});
  buildMenus(/*onlyIfBuilt=*/false);
}
