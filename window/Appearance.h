// The language, the colour theme and the dialog font of the windows: switching each while
// the program runs, remembering the choice in config.ini at once, and applying the stored
// choices at start-up.
#pragma once

#include "foundation/CommandIds.h"
#include "foundation/olmlang.h"
#include "toolkit/Types.h"

class JobState;

// The id of the message posted after a language switch (kLanguageMessageName), registered on
// the first call and kept; every open dialog then re-reads its texts (olBaseDlg::reloadTexts).
UINT languageMessage();
// Makes the dialogs answer the message; returns its id. Call once the interface is up
// (applyStoredAppearance does).
UINT registerLanguageMessage();

// Whether the entry of the language list at the index is the language in use; false for an
// index outside the list.
bool isCurrentLanguage(size_t index);

// Switches to a language file of "lang" ("deutsch.ini"); an empty name applies the one
// stored in config.ini (start-up). The language in use is not loaded again and nothing is
// written. A new one is stored in config.ini, the menus are rebuilt, the message box
// buttons and Qt's own texts take the new language, every open window is asked to re-read
// its texts (mainWindow first, when given) and the job's error record is cleared, so that
// no text of the old language is shown again. False, with the language, the menus and the
// setting as they were, when the file cannot be loaded.
bool applyLanguage(olstring_view fileName, HWND mainWindow = nullptr, JobState* job = nullptr);

// Switches to the theme of that name (letter case ignored), which repaints every open
// window, and stores it; an empty name applies the stored theme without storing it. False
// when nothing changed: the theme is in use already, or the name is not a theme.
bool switchTheme(olstring_view name = {});

// Makes the description the dialog font of every open window and stores it as its hex
// record; nullptr applies the stored font without storing it. False when nothing changed:
// the face name is empty, the font is the one in use already (nothing is written then), or
// no font is stored.
bool switchFont(const LOGFONTW* description = nullptr);

// The font dialog (5 to 16 points) owned by owner, starting from the font in use; a
// confirmed choice is applied with switchFont. False when cancelled or nothing changed.
bool chooseAndSwitchFont(HWND owner);

// Start-up, in this order: the stored theme, the stored font, the stored language (no
// window exists yet, so nothing is posted), then the menus.
void applyStoredAppearance();
