// The command and control ids the main window, its panels and its menus speak in.
#pragma once

#include "toolkit/Types.h"

// Controls of the main window and its panels.
namespace control_id {
constexpr int kResultsList = 1001;
constexpr int kCompare = 1002;
constexpr int kLoadProject = 1003;
constexpr int kSaveProject = 1004;
constexpr int kResetMenu = 1005;
constexpr int kMainMenu = 1006;
constexpr int kFirstPath = 1007;
constexpr int kSecondPath = 1008;
constexpr int kExclude = 1009;
constexpr int kFirstBrowse = 1010;
constexpr int kSecondBrowse = 1011;
constexpr int kForceFile = 1012;
constexpr int kCase = 1013;
constexpr int kModifyTime = 1014;
constexpr int kAttributes = 1015;
constexpr int kAdjustPath = 1016;
constexpr int kAutoSkip = 1017;
constexpr int kTextMode = 1018;
constexpr int kSplitter = 1025;
constexpr int kViewDiffs = 1026;
constexpr int kViewAll = 1027;
}  // namespace control_id

// Menu commands and the commands other windows hand to the main window.
namespace menu_command {
constexpr UINT kShowHomePage = 1021;
constexpr UINT kShowDonatePage = 1022;
constexpr UINT kShowHelp = 1023;
constexpr UINT kBrowseFolder = 32771;
constexpr UINT kBrowseFile = 32772;
constexpr UINT kFont = 32773;
constexpr UINT kCommandLineHelp = 32774;
constexpr UINT kAbout = 32775;
constexpr UINT kClearResults = 32788;
constexpr UINT kResetPanel = 32789;
constexpr UINT kResetOptions = 32790;
// Item i of the theme and of the language submenu.
constexpr UINT kFirstTheme = 10111;
constexpr UINT kFirstLanguage = 10222;
constexpr UINT kSubmenuItems = 100;
}  // namespace menu_command
