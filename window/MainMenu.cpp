#include "window/MainMenu.h"

#include "foundation/Language.h"
#include "foundation/LanguageKeys.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Theme.h"
#include "window/Appearance.h"

void buildMainMenu(olMenu& menu) {
  using namespace main_menu;
  namespace keys = lang::global;
  menu.clear();
  if (olMenu* themes = menu.appendSubmenu(langText(keys::kTheme))) {
    const std::vector<olTheme>& table = themeTable();
    for (size_t i = 0; i < table.size(); ++i) {
      // A theme the language gives no label shows its own name.
      olstring label = langText(lang::theme::kSection, table[i].name);
      themes->appendItem(kThemeFirst + static_cast<UINT>(i), label.empty() ? table[i].name : label);
    }
  }
  menu.appendItem(kFont, langText(keys::kFont));
  if (olMenu* languages = menu.appendSubmenu(langText(keys::kLanguage))) {
    const std::vector<LanguageEntry> list = languageList();
    for (size_t i = 0; i < list.size(); ++i) languages->appendItem(kLanguageFirst + static_cast<UINT>(i), list[i].displayName);
  }
  menu.appendSeparator();
  menu.appendItem(kHelp, langText(keys::kHelp));
  menu.appendItem(kCommandLine, langText(keys::kCmdlineMenu));
  menu.appendSeparator();
  menu.appendItem(kDonate, langText(keys::kDonate));
  menu.appendItem(kAbout, langText(keys::kAbout));
  updateMainMenuChecks(menu);
}

void buildCompareOptionsMenu(olMenu& menu) {
  menu.clear();
  menu.appendItem(compare_options_menu::kFolder, langText(lang::compare_options::kFolder));
  menu.appendItem(compare_options_menu::kFile, langText(lang::compare_options::kFile));
}

void buildResetMenu(olMenu& menu) {
  menu.clear();
  menu.appendItem(reset_menu::kResetOptions, langText(lang::menu_reset::kResetOpt));
  menu.appendItem(reset_menu::kResetPanel, langText(lang::menu_reset::kResetPanel));
  menu.appendItem(reset_menu::kClearResults, langText(lang::menu_reset::kClearResult));
}

void updateMainMenuChecks(olMenu& menu) {
  using namespace main_menu;
  const auto themeCount = static_cast<int>(themeTable().size());
  for (int i = 0; i < themeCount; ++i) menu.checkItem(kThemeFirst + static_cast<UINT>(i), i == currentThemeIndex());
  const size_t languageCount = languageList().size();
  for (size_t i = 0; i < languageCount; ++i) menu.checkItem(kLanguageFirst + static_cast<UINT>(i), isCurrentLanguage(i));
}

bool handleAppearanceCommand(UINT id, HWND mainWindow, JobState* job) {
  using namespace main_menu;
  if (id == kFont) {
    chooseAndSwitchFont(mainWindow);
    return true;
  }
  const std::vector<olTheme>& themes = themeTable();
  if (id >= kThemeFirst && id < kThemeFirst + themes.size()) {
    switchTheme(themes[id - kThemeFirst].name);
    return true;
  }
  const std::vector<LanguageEntry> languages = languageList();
  if (id >= kLanguageFirst && id < kLanguageFirst + languages.size()) {
    const olstring& fileName = languages[id - kLanguageFirst].fileName;
    // The file was readable when the list was made; it may have gone or broken since.
    if (!applyLanguage(fileName, mainWindow, job))
      olMessageBox::show(langText(lang::global::kLanguageFailed, fileName), {}, MB_OK | MB_ICONWARNING);
    return true;
  }
  return false;
}
