// The lookup every part of the program uses for its visible texts: (section, key) in the
// application's language table, with "%0" to "%5" replaced by the arguments and "%%" by "%".
// A missing key gives the empty text. Safe to call from any thread.
//
// The table is replaced as a whole: a loader builds a new table aside and publishes it in
// one step, so a lookup on the compare worker always sees one complete language, never a
// table half-way through a switch.
#pragma once

#include "foundation/olmlang.h"
#include "foundation/olstring.h"

#include <memory>
#include <vector>

olstring langText(olstring_view section, olstring_view key, olstring_view a0 = {}, olstring_view a1 = {},
                  olstring_view a2 = {}, olstring_view a3 = {}, olstring_view a4 = {}, olstring_view a5 = {});

// The program's and maker's names, the variables "app_name" and "dev_name" of the texts.
inline constexpr olstring_view kProgramName = u"Mirrane";
inline constexpr olstring_view kMakerName = u"Olumbe";
// The default language file in the language folder.
inline constexpr olstring_view kDefaultLanguageFile = u"english.ini";

// Builds the application's table afresh from "lang/english.ini" in the application folder
// and publishes it; the language list is read again on its next use. False when that file
// gave no texts (the table is then empty).
bool loadDefaultLanguage();

// Loads a language on top of the current one (see olmlang2::loadLanguage; a relative path
// is taken from the application folder, e.g. "lang/deutsch.ini"). On success the new table
// is published; on failure the current table stays in use unchanged.
bool loadLanguage(olstring_view path, bool keepOldTexts = true, bool force = false);

// Makes a language file of "lang" (a plain file name such as "deutsch.ini") the one in use:
// English is read afresh and the file laid over it, so that every text the file lacks is
// English, whichever language was in use before; the result is published in one step. The
// file in use already (letter case ignored) is not read again (true). False, with the table
// in use left as it was, when the name is not a plain file name or the file gives no texts.
bool switchLanguage(olstring_view fileName);

// The installed languages, read from "lang" on the first call only, sorted by display name.
std::vector<LanguageEntry> languageList();

// The file name of the language in use ("" when none was loaded).
olstring currentLanguageFile();

// The table in use, for callers that make many lookups in a row. Never null.
std::shared_ptr<const olmlang2> languageTable();
