// The program's popup menus, built from language texts: the main menu, the results list's
// menu, the compare-options menu and the reset menu. They live for the whole run and are
// rebuilt when the language changes.
#pragma once

#include "toolkit/Menu.h"

olMenu& mainMenu();
olMenu& listViewMenu();
olMenu& compareOptionsMenu();
olMenu& resetMenu();

// Builds every menu afresh from the current language; with onlyIfBuilt nothing happens
// unless the menus have been built before (a language switch before the first build).
void buildMenus(bool onlyIfBuilt);
// Empties and destroys the menus (at exit).
void destroyMenus();
