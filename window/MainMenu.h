// The main menu (theme and language submenus, font, help, command line, donate, about),
// the compare panel's browse and reset menus, the main menu's check marks, and the main
// menu's theme, language and font commands.
#pragma once

#include "foundation/CommandIds.h"
#include "toolkit/Menu.h"

class JobState;

// Each empties the menu and fills it from the language in use; the menu must exist.
void buildMainMenu(olMenu& menu);
void buildCompareOptionsMenu(olMenu& menu);
void buildResetMenu(olMenu& menu);

// Checks the theme and the language in use in the main menu and unchecks the others.
void updateMainMenuChecks(olMenu& menu);

// Carries out a theme (kFirstTheme + i), language (kFirstLanguage + i) or font command of
// the main menu; false for any other id.
bool handleAppearanceCommand(UINT id, HWND mainWindow, JobState* job);
