// The ids of the program's controls and commands and the names of its registered window
// messages, each spelled once. A control's id is how its window finds it and how its
// WM_COMMAND names it: a second name for one id would let the two drift apart and cut the
// control off from its window without a word.
#pragma once

#include "foundation/olstring.h"

#include <cstdint>

// The controls of the main window, its panels and its dialogs.
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
// The switches' check boxes (app/CompareSwitches.h).
constexpr int kForceFile = 1012;
constexpr int kCase = 1013;
constexpr int kModifyTime = 1014;
constexpr int kAttributes = 1015;
constexpr int kAdjustPath = 1016;
constexpr int kAutoSkip = 1017;
constexpr int kTextMode = 1018;
constexpr int kIgnoreFiles = 1028;
constexpr int kIgnoreHourShift = 1029;
// The button that offers the time tolerances.
constexpr int kTimeTolerance = 1030;
// The progress dialog.
constexpr int kProgressBar = 1019;
constexpr int kPauseButton = 1020;
// The details dialog's help button, which opens the help itself, and its two path links.
constexpr int kDetailsHelp = 1023;
constexpr int kDetailsFirstLink = 1031;
constexpr int kDetailsSecondLink = 1032;
// The find dialog's text.
constexpr int kFindEdit = 1024;
constexpr int kSplitter = 1025;
constexpr int kViewDiffs = 1026;
constexpr int kViewAll = 1027;
}  // namespace control_id

// Menu commands and the commands other windows hand to the main window. The about dialog's
// link and its help and donate buttons carry the commands they hand on as their ids.
namespace menu_command {
constexpr uint32_t kShowHomePage = 1021;
constexpr uint32_t kShowDonatePage = 1022;
constexpr uint32_t kShowHelp = 1023;
constexpr uint32_t kBrowseFolder = 32771;
constexpr uint32_t kBrowseFile = 32772;
constexpr uint32_t kFont = 32773;
constexpr uint32_t kCommandLineHelp = 32774;
constexpr uint32_t kAbout = 32775;
constexpr uint32_t kClearResults = 32788;
constexpr uint32_t kResetPanel = 32789;
constexpr uint32_t kResetOptions = 32790;
// Item i of the theme and of the language submenu.
constexpr uint32_t kFirstTheme = 10111;
constexpr uint32_t kFirstLanguage = 10222;
constexpr uint32_t kSubmenuItems = 100;
}  // namespace menu_command

// The commands of the results list's context menu and hotkeys, sent to the list itself.
namespace list_command {
constexpr uint32_t kDetails = 32776;
constexpr uint32_t kOpenFirst = 32777;
constexpr uint32_t kOpenSecond = 32778;
constexpr uint32_t kOpenFolderFirst = 1010;
constexpr uint32_t kOpenFolderSecond = 1011;
constexpr uint32_t kNextDifference = 32786;
constexpr uint32_t kPreviousDifference = 32787;
constexpr uint32_t kFind = 32782;
constexpr uint32_t kFindNext = 32783;
constexpr uint32_t kFindPrevious = 32784;
constexpr uint32_t kFindAll = 32785;
constexpr uint32_t kSelectAll = 32779;
constexpr uint32_t kDeselectAll = 32780;
constexpr uint32_t kInvertSelection = 32781;
}  // namespace list_command

// The registered message posted to every open window after a language switch (wParam 1);
// each then re-reads its texts. Its id is looked up once (window/Appearance.h).
inline constexpr olstring_view kLanguageMessageName = u"Mirrane_WM_MRN";
