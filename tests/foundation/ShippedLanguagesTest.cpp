// Every language shipped in lang/ must be complete and usable: a text for every key English
// has, the same arguments, no key English lacks (a misspelt key is never looked up), and
// menus whose access keys do not clash.

#include "foundation/LanguageKeys.h"
#include "foundation/olmlang.h"
#include "platform/FolderListing.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

const olstring kSourceLanguages = fromUtf8(MIRRANE_SOURCE_DIR "/lang");

// The shipped language files, English included (names starting with "_" are not offered).
std::vector<olstring> shippedLanguageFiles() {
  std::vector<olstring> names;
  platform::FolderListing listing;
  if (!listing.open(kSourceLanguages)) return names;
  platform::FolderEntry entry;
  while (listing.next(entry)) {
    if (entry.name.size() > 4 && entry.name.front() != u'_' && entry.name.ends_with(u".ini")) names.push_back(entry.name);
  }
  return names;
}

olmlang2 loadAlone(olstring_view fileName) {
  olmlang2 table({}, kProgramName, kMakerName);
  table.loadLanguage(kSourceLanguages + u"/" + olstring(fileName), /*keepOldTexts=*/false, /*force=*/true);
  return table;
}

// The argument numbers a text uses ("%%" is no argument).
std::set<char16_t> argumentsOf(const olstring& text) {
  std::set<char16_t> used;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != u'%') continue;
    if (text[i + 1] >= u'0' && text[i + 1] <= u'5') used.insert(text[i + 1]);
    ++i;
  }
  return used;
}

// The access key of a menu text: the character after its single "&" (upper case), 0 when
// it has none, u'!' when it has more than one.
char16_t accessKey(const olstring& text) {
  char16_t key = 0;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != u'&') continue;
    if (text[i + 1] == u'&') {
      ++i;
      continue;
    }
    if (key != 0) return u'!';
    key = platform::upperCaseUnit(text[i + 1]);
  }
  return key;
}

// Texts shown together in one menu level, dialog or panel: an access key typed there must
// lead to one of them only. In a menu every item has a key; in a dialog or panel a text may
// go without one (OK, Cancel).
struct ShownTogether {
  const char* where;
  std::vector<std::pair<olstring_view, olstring_view>> texts;  // (section, key); one section
                                                                 // with no key: all its keys
  bool everyTextHasAKey;
};

const std::vector<ShownTogether>& shownTogether() {
  static const std::vector<ShownTogether> levels = {
      {"main menu",
       {{u"global", u"theme"}, {u"global", u"font"}, {u"global", u"language"}, {u"global", u"help"},
        {u"global", u"cmdline_menu"}, {u"global", u"donate"}, {u"global", u"about"}},
       true},
      {"theme menu", {{u"theme", u""}}, true},
      {"list menu",
       {{u"menu_listview", u"details"}, {u"menu_listview", u"open"}, {u"menu_listview", u"open_folder"},
        {u"menu_listview", u"next_diff"}, {u"menu_listview", u"prev_diff"}, {u"menu_listview", u"find"},
        {u"menu_listview", u"findnext"}, {u"menu_listview", u"findprev"}, {u"menu_listview", u"findall"},
        {u"menu_listview", u"selectall"}, {u"menu_listview", u"deselectall"}, {u"menu_listview", u"invertselection"}},
       true},
      {"open submenus", {{u"menu_listview", u"first"}, {u"menu_listview", u"second"}}, true},
      {"browse menu", {{u"compare_options", u"folder"}, {u"compare_options", u"file"}}, true},
      {"reset menu", {{u"menu_reset", u"resetopt"}, {u"menu_reset", u"resetpanel"}, {u"menu_reset", u"clearresult"}},
       true},
      {"main window and compare panel",
       {{u"global", u"compare"}, {u"global", u"diffs"}, {u"global", u"all"}, {u"compare_options", u"forcefile"},
        {u"compare_options", u"case"}, {u"compare_options", u"mtime"}, {u"compare_options", u"attr"},
        {u"compare_options", u"adjustpath"}, {u"compare_options", u"autoskip"}, {u"compare_options", u"textmode"},
        {u"compare_options", u"ignorefiles"}, {u"compare_options", u"ignorehourshift"}},
       false},
      {"progress dialog", {{u"global", u"pause"}, {u"global", u"cancel"}}, false},
      {"progress dialog paused", {{u"global", u"resume"}, {u"global", u"cancel"}}, false},
      {"find dialog", {{u"global", u"ok"}, {u"global", u"cancel"}}, false},
      {"details dialog", {{u"global", u"close"}}, false},
      {"about dialog", {{u"global", u"help"}, {u"global", u"close"}, {u"global", u"donate"}}, false},
      {"message box: yes, no, cancel", {{u"global", u"yes"}, {u"global", u"no"}, {u"global", u"cancel"}}, false},
      {"message box: abort, retry, ignore", {{u"global", u"abort"}, {u"global", u"retry"}, {u"global", u"ignore"}},
       false},
      {"message box: cancel, try again, continue",
       {{u"global", u"cancel"}, {u"global", u"tryagain"}, {u"global", u"continue"}},
       false},
      {"message box: retry, cancel", {{u"global", u"retry"}, {u"global", u"cancel"}}, false},
  };
  return levels;
}

}  // namespace

TEST(ShippedLanguages, AreTheOnesExpected) {
  const std::vector<olstring> files = shippedLanguageFiles();
  const std::set<olstring> names(files.begin(), files.end());
  EXPECT_EQ(names, (std::set<olstring>{u"deutsch.ini", u"english.ini"}));
  for (const olstring& name : files) {
    SCOPED_TRACE(toUtf8(name));
    // The build folder holds what the program reads, the same bytes as the source.
    const std::string relative = "/lang/" + toUtf8(name);
    const std::string source = testing_support::readFileBytes(MIRRANE_SOURCE_DIR + relative);
    EXPECT_FALSE(source.empty());
    EXPECT_TRUE(testing_support::readFileBytes(MIRRANE_BUILD_DIR + relative) == source) << "the build folder's copy differs";
  }
}

TEST(ShippedLanguages, HaveEveryEnglishKeyWithTheSameArguments) {
  const olmlang2 english = loadAlone(kDefaultLanguageFile);
  ASSERT_FALSE(english.sections().empty());
  for (const olstring& name : shippedLanguageFiles()) {
    SCOPED_TRACE(toUtf8(name));
    const olmlang2 language = loadAlone(name);
    ASSERT_EQ(language.currentFileName(), name);
    EXPECT_FALSE(language.get(lang::info::kName.section, lang::info::kName.key).empty());
    EXPECT_FALSE(language.get(lang::info::kLocale.section, lang::info::kLocale.key).empty());
    for (const auto& [section, keys] : english.sections()) {
      for (const auto& [key, value] : keys) {
        SCOPED_TRACE(toUtf8(section) + " / " + toUtf8(key));
        const olstring translated = language.get(section, key);
        EXPECT_FALSE(translated.empty()) << "missing";
        EXPECT_EQ(argumentsOf(translated), argumentsOf(value)) << toUtf8(translated);
      }
    }
    for (const auto& [section, keys] : language.sections()) {
      for (const auto& [key, value] : keys) {
        EXPECT_NE(english.find(section, key), nullptr) << "[" << toUtf8(section) << "] " << toUtf8(key) << " is not English";
      }
    }
  }
}

TEST(ShippedLanguages, AccessKeysDoNotClashInAnyMenuDialogOrPanel) {
  for (const olstring& name : shippedLanguageFiles()) {
    SCOPED_TRACE(toUtf8(name));
    const olmlang2 language = loadAlone(name);
    for (const ShownTogether& level : shownTogether()) {
      SCOPED_TRACE(level.where);
      std::vector<std::pair<olstring, olstring>> texts;
      for (const auto& [section, key] : level.texts) {
        if (!key.empty()) {
          texts.emplace_back(section, key);
          continue;
        }
        const auto found = language.sections().find(olstring(section));
        ASSERT_NE(found, language.sections().end());
        for (const auto& entry : found->second) texts.emplace_back(section, entry.first);
      }
      std::map<char16_t, olstring> taken;
      for (const auto& [section, key] : texts) {
        SCOPED_TRACE(toUtf8(section) + " / " + toUtf8(key));
        const olstring text = language.text(section, key);
        const char16_t access = accessKey(text);
        EXPECT_NE(access, u'!') << "more than one access key: " << toUtf8(text);
        if (level.everyTextHasAKey) {
          EXPECT_NE(access, 0) << "no access key: " << toUtf8(text);
        }
        if (access == 0) continue;
        const auto [clash, added] = taken.emplace(access, key);
        EXPECT_TRUE(added) << toUtf8(text) << " takes the access key of " << toUtf8(clash->second);
      }
    }
  }
}
