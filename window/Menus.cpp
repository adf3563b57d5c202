#include "window/Menus.h"

#include "foundation/LanguageKeys.h"
#include "results/ListView.h"

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
  // The main, compare-options and reset menus stay empty until their items are built
  // here too; they are created all the same, since onlyIfBuilt asks whether they exist.
  buildListViewMenu(all.listView);
}

void destroyMenus() {
  Menus& all = menus();
  for (olMenu* menu : {&all.main, &all.listView, &all.compareOptions, &all.reset}) menu->destroy();
}
