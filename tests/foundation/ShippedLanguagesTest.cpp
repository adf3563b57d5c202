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

struct MenuKeys {
  const char16_t* section;
  std::vector<olstring_view> keys;  // empty: every key of the section
};

// The items shown together in one menu level.
const std::vector<MenuKeys>& menuLevels() {
  static const std::vector<MenuKeys> levels = {
      {u"global", {u"theme", u"font", u"language", u"help", u"cmdline_menu", u"donate", u"about"}},
      {u"theme", {}},
      {u"menu_listview",
       {u"details", u"open", u"open_folder", u"next_diff", u"prev_diff", u"find", u"findnext", u"findprev", u"findall",
        u"selectall", u"deselectall", u"invertselection"}},
      {u"menu_listview", {u"first", u"second"}},
      {u"compare_options", {u"folder", u"file"}},
      {u"menu_reset", {u"resetopt", u"resetpanel", u"clearresult"}},
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

TEST(ShippedLanguages, MenuAccessKeysDoNotClash) {
  for (const olstring& name : shippedLanguageFiles()) {
    SCOPED_TRACE(toUtf8(name));
    const olmlang2 language = loadAlone(name);
    for (const MenuKeys& level : menuLevels()) {
      std::vector<olstring> keys(level.keys.begin(), level.keys.end());
      if (keys.empty()) {
        const auto section = language.sections().find(level.section);
        ASSERT_NE(section, language.sections().end());
        for (const auto& entry : section->second) keys.push_back(entry.first);
      }
      std::map<char16_t, olstring> taken;
      for (const olstring& key : keys) {
        SCOPED_TRACE(toUtf8(level.section) + " / " + toUtf8(key));
        const olstring text = language.text(level.section, key);
        const char16_t access = accessKey(text);
        EXPECT_NE(access, 0) << "no access key: " << toUtf8(text);
        EXPECT_NE(access, u'!') << "more than one access key: " << toUtf8(text);
        const auto [clash, added] = taken.emplace(access, key);
        EXPECT_TRUE(added) << toUtf8(text) << " takes the access key of " << toUtf8(clash->second);
      }
    }
  }
}
