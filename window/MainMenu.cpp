#include "window/MainMenu.h"

#include "foundation/Language.h"
#include "foundation/LanguageKeys.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Theme.h"
#include "window/Appearance.h"

void buildMainMenu(olMenu& menu) {
  using namespace menu_command;
  namespace keys = lang::global;
  menu.clear();
  if (olMenu* themes = menu.appendSubmenu(langText(keys::kTheme))) {
    const std::vector<olTheme>& table = themeTable();
    for (size_t i = 0; i < table.size(); ++i) {
      // A theme the language gives no label shows its own name.
      olstring label = langText(lang::theme::kSection, table[i].name);
      themes->appendItem(kFirstTheme + static_cast<UINT>(i), label.empty() ? table[i].name : label);
    }
  }
  menu.appendItem(kFont, langText(keys::kFont));
  if (olMenu* languages = menu.appendSubmenu(langText(keys::kLanguage))) {
    const std::vector<LanguageEntry> list = languageList();
    for (size_t i = 0; i < list.size(); ++i) languages->appendItem(kFirstLanguage + static_cast<UINT>(i), list[i].displayName);
  }
  menu.appendSeparator();
  menu.appendItem(kShowHelp, langText(keys::kHelp));
  menu.appendItem(kCommandLineHelp, langText(keys::kCmdlineMenu));
  menu.appendSeparator();
  menu.appendItem(kShowDonatePage, langText(keys::kDonate));
  menu.appendItem(kAbout, langText(keys::kAbout));
  updateMainMenuChecks(menu);
}

void buildCompareOptionsMenu(olMenu& menu) {
  menu.clear();
  menu.appendItem(menu_command::kBrowseFolder, langText(lang::compare_options::kFolder));
  menu.appendItem(menu_command::kBrowseFile, langText(lang::compare_options::kFile));
}

void buildResetMenu(olMenu& menu) {
  menu.clear();
  menu.appendItem(menu_command::kResetOptions, langText(lang::menu_reset::kResetOpt));
  menu.appendItem(menu_command::kResetPanel, langText(lang::menu_reset::kResetPanel));
  menu.appendItem(menu_command::kClearResults, langText(lang::menu_reset::kClearResult));
}

void updateMainMenuChecks(olMenu& menu) {
  using namespace menu_command;
  const auto themeCount = static_cast<int>(themeTable().size());
  for (int i = 0; i < themeCount; ++i) menu.checkItem(kFirstTheme + static_cast<UINT>(i), i == currentThemeIndex());
  const size_t languageCount = languageList().size();
  for (size_t i = 0; i < languageCount; ++i) menu.checkItem(kFirstLanguage + static_cast<UINT>(i), isCurrentLanguage(i));
}

bool handleAppearanceCommand(UINT id, HWND mainWindow, JobState* job) {
  using namespace menu_command;
  if (id == kFont) {
    chooseAndSwitchFont(mainWindow);
    return true;
  }
  const std::vector<olTheme>& themes = themeTable();
  if (id >= kFirstTheme && id < kFirstTheme + themes.size()) {
    switchTheme(themes[id - kFirstTheme].name);
    return true;
  }
  const std::vector<LanguageEntry> languages = languageList();
  if (id >= kFirstLanguage && id < kFirstLanguage + languages.size()) {
    const olstring& fileName = languages[id - kFirstLanguage].fileName;
    // The file was readable when the list was made; it may have gone or broken since.
    if (!applyLanguage(fileName, mainWindow, job))
      olMessageBox::show(langText(lang::global::kLanguageFailed, fileName), {}, MB_OK | MB_ICONWARNING);
    return true;
  }
  return false;
}
