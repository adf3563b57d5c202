// The main menu (theme and language submenus, font, help, command line, donate, about),
// the compare panel's browse and reset menus, the main menu's check marks, and the main
// menu's theme, language and font commands.
#pragma once

#include "toolkit/Menu.h"
#include "window/MenuCommands.h"

class JobState;

namespace main_menu {
constexpr UINT kThemeFirst = menu_command::kFirstTheme;  // + the theme's index in the toolkit's theme table
constexpr UINT kFont = menu_command::kFont;
constexpr UINT kLanguageFirst = menu_command::kFirstLanguage;  // + the index in the language list
constexpr UINT kHelp = menu_command::kShowHelp;
constexpr UINT kCommandLine = menu_command::kCommandLineHelp;
constexpr UINT kDonate = menu_command::kShowDonatePage;
constexpr UINT kAbout = menu_command::kAbout;
}  // namespace main_menu

// The compare panel's browse menu.
namespace compare_options_menu {
constexpr UINT kFolder = menu_command::kBrowseFolder;
constexpr UINT kFile = menu_command::kBrowseFile;
}  // namespace compare_options_menu

namespace reset_menu {
constexpr UINT kClearResults = menu_command::kClearResults;
constexpr UINT kResetPanel = menu_command::kResetPanel;
constexpr UINT kResetOptions = menu_command::kResetOptions;
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
