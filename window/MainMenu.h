// The main menu (theme and language submenus, font, help, command line, donate, about),
// the compare panel's browse and reset menus, the main menu's check marks, and the main
// menu's theme, language and font commands.
#pragma once

#include "toolkit/Menu.h"

class JobState;

namespace main_menu {
constexpr UINT kThemeFirst = 10111;  // + the theme's index in the toolkit's theme table
constexpr UINT kFont = 32773;
constexpr UINT kLanguageFirst = 10222;  // + the index in the language list
constexpr UINT kHelp = 1023;
constexpr UINT kCommandLine = 32774;
constexpr UINT kDonate = 1022;
constexpr UINT kAbout = 32775;
}  // namespace main_menu

// The compare panel's browse menu.
namespace compare_options_menu {
constexpr UINT kFolder = 32771;
constexpr UINT kFile = 32772;
}  // namespace compare_options_menu

namespace reset_menu {
constexpr UINT kClearResults = 32788;
constexpr UINT kResetPanel = 32789;
constexpr UINT kResetOptions = 32790;
}  // namespace reset_menu

// Each empties the menu and fills it from the language in use; the menu must exist.
void buildMainMenu(olMenu& menu);
void buildCompareOptionsMenu(olMenu& menu);
void buildResetMenu(olMenu& menu);

// Checks the theme and the language in use in the main menu and unchecks the others.
void updateMainMenuChecks(olMenu& menu);

// Carries out a theme (kThemeFirst + i), language (kLanguageFirst + i) or font command of
// the main menu; false for any other id.
bool handleAppearanceCommand(UINT id, HWND mainWindow, JobState* job);
