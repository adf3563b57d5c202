// The shipped English file must hold a text for every key the program looks up.

#include "foundation/LanguageKeys.h"
#include "foundation/olmlang.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

olmlang2 englishTable() {
  return olmlang2(fromUtf8(MIRRANE_SOURCE_DIR "/lang/english.ini"), kProgramName, kMakerName);
}

}  // namespace

TEST(EnglishLanguage, HasATextForEveryKeyTheProgramLooksUp) {
  const olmlang2 table = englishTable();
  ASSERT_EQ(table.currentFileName(), u"english.ini");
  size_t keys = 0;
  for (const auto& section : lang::kAllSections) {
    for (const LanguageKey& key : section) {
      ++keys;
      EXPECT_NE(table.get(key.section, key.key), u"") << "missing [" << toUtf8(key.section) << "] " << toUtf8(key.key);
    }
  }
  EXPECT_GT(keys, 50u);  // the lists themselves are not empty
}

TEST(EnglishLanguage, ReferencesResolveAndTextsReadWell) {
  const olmlang2 table = englishTable();
  for (const auto& [section, keys] : table.sections()) {
    for (const auto& [key, value] : keys) {
      SCOPED_TRACE(toUtf8(section) + " / " + toUtf8(key));
      // A reference that stayed as written names a key that is missing or further down.
      for (size_t percent = value.find(u'%'); percent != olstring::npos; percent = value.find(u'%', percent + 2)) {
        const char16_t next = percent + 1 < value.size() ? value[percent + 1] : u' ';
        EXPECT_TRUE(next == u'%' || next == u' ' || (next >= u'0' && next <= u'5')) << toUtf8(value);
      }
    }
  }
  EXPECT_EQ(table.text(lang::info::kName.section, u"name"), u"English");
  EXPECT_EQ(table.text(u"", u"about"), u"&About Mirrane...");
  EXPECT_EQ(table.text(u"global", u"empty").find(u"%"), olstring::npos);

  // The console's verdict names all three of its numbers.
  const olstring verdict =
      table.text(lang::console::kDiff.section, lang::console::kDiff.key, u"111", u"222", u"333");
  for (olstring_view number : {u"111", u"222", u"333"}) EXPECT_NE(verdict.find(number), olstring::npos);
  const olstring failure = table.text(lang::console::kFail.section, lang::console::kFail.key, u"0x00000003", u"why");
  EXPECT_NE(failure.find(u"0x00000003"), olstring::npos);
  EXPECT_NE(failure.find(u"why"), olstring::npos);
  EXPECT_NE(table.text(u"global", u"items_info", u"12", u"3").find(u"12"), olstring::npos);
  EXPECT_NE(table.text(u"progress", u"count", u"4", u"9").find(u"9"), olstring::npos);
}

TEST(EnglishLanguage, IsInstalledBesideTheProgram) {
  const std::string installed = testing_support::readFileBytes(MIRRANE_BUILD_DIR "/lang/english.ini");
  EXPECT_EQ(installed, testing_support::readFileBytes(MIRRANE_SOURCE_DIR "/lang/english.ini"));
}
