#include "window/Menus.h"

#include "foundation/LanguageKeys.h"
#include "window/MenuCommands.h"

namespace {

struct Menus {
  olMenu main;
  olMenu listView;
  olMenu compareOptions;
  olMenu reset;
};

Menus& menus() {
  static Menus all;
  return all;
}

void buildMainMenu(olMenu& menu) {
  namespace keys = lang::global;
  // FIXME: the theme and language submenus stay empty until theme and language switching
  // fill them; their commands (kFirstTheme + i, kFirstLanguage + i) are routed already.
  menu.appendSubmenu(langText(keys::kTheme));
  menu.appendItem(menu_command::kFont, langText(keys::kFont));
  menu.appendSubmenu(langText(keys::kLanguage));
  menu.appendSeparator();
  menu.appendItem(menu_command::kShowHelp, langText(keys::kHelp));
  menu.appendItem(menu_command::kCommandLineHelp, langText(keys::kCmdlineMenu));
  menu.appendSeparator();
  menu.appendItem(menu_command::kShowDonatePage, langText(keys::kDonate));
  menu.appendItem(menu_command::kAbout, langText(keys::kAbout));
}

void buildCompareOptionsMenu(olMenu& menu) {
  menu.appendItem(menu_command::kBrowseFolder, langText(lang::compare_options::kFolder));
  menu.appendItem(menu_command::kBrowseFile, langText(lang::compare_options::kFile));
}

void buildResetMenu(olMenu& menu) {
  menu.appendItem(menu_command::kResetOptions, langText(lang::menu_reset::kResetOpt));
  menu.appendItem(menu_command::kResetPanel, langText(lang::menu_reset::kResetPanel));
  menu.appendItem(menu_command::kClearResults, langText(lang::menu_reset::kClearResult));
}

}  // namespace

olMenu& mainMenu() { return menus().main; }
olMenu& listViewMenu() { return menus().listView; }
olMenu& compareOptionsMenu() { return menus().compareOptions; }
olMenu& resetMenu() { return menus().reset; }

void buildMenus(bool onlyIfBuilt) {
  Menus& all = menus();
  if (onlyIfBuilt && !all.main.exists()) return;
  for (olMenu* menu : {&all.main, &all.listView, &all.compareOptions, &all.reset}) {
    if (!menu->create()) return;
    menu->clear();
  }
  buildMainMenu(all.main);
  buildCompareOptionsMenu(all.compareOptions);
  buildResetMenu(all.reset);
}

void destroyMenus() {
  Menus& all = menus();
  for (olMenu* menu : {&all.main, &all.listView, &all.compareOptions, &all.reset}) menu->destroy();
}
