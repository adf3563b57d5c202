#include "window/Menus.h"

#include "foundation/LanguageKeys.h"
#include "results/ListView.h"
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

void buildListViewMenu(olMenu& menu) {
  using namespace list_command;
  namespace keys = lang::menu_listview;
  menu.clear();
  menu.appendItem(kDetails, langText(keys::kDetails));
  struct SideMenu {
    LanguageKey title;
    UINT first;
    UINT second;
  };
  for (const SideMenu& side : {SideMenu{keys::kOpen, kOpenFirst, kOpenSecond},
                               SideMenu{keys::kOpenFolder, kOpenFolderFirst, kOpenFolderSecond}}) {
    olMenu* submenu = menu.appendSubmenu(langText(side.title));
    if (!submenu) continue;
    submenu->appendItem(side.first, langText(keys::kFirst));
    submenu->appendItem(side.second, langText(keys::kSecond));
  }
  menu.appendSeparator();
  menu.appendItem(kNextDifference, langText(keys::kNextDiff));
  menu.appendItem(kPreviousDifference, langText(keys::kPrevDiff));
  menu.appendSeparator();
  menu.appendItem(kFind, langText(keys::kFind));
  menu.appendItem(kFindNext, langText(keys::kFindNext));
  menu.appendItem(kFindPrevious, langText(keys::kFindPrev));
  menu.appendItem(kFindAll, langText(keys::kFindAll));
  menu.appendSeparator();
  menu.appendItem(kSelectAll, langText(keys::kSelectAll));
  menu.appendItem(kDeselectAll, langText(keys::kDeselectAll));
  menu.appendItem(kInvertSelection, langText(keys::kInvertSelection));
  menu.setDefaultItem(kDetails);
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
  buildListViewMenu(all.listView);
  buildCompareOptionsMenu(all.compareOptions);
  buildResetMenu(all.reset);
}

void destroyMenus() {
  Menus& all = menus();
  for (olMenu* menu : {&all.main, &all.listView, &all.compareOptions, &all.reset}) menu->destroy();
}
