#include "foundation/Language.h"
#include "foundation/olmlang.h"
#include "platform/Path.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using testing_support::TempFolder;

namespace {

olmlang2 tableFrom(olstring_view text) {
  olmlang2 table({}, u"Mirrane", u"Olumbe");
  table.parseText(text);
  return table;
}

// An application folder with language files, used as the program's own while it lives.
class LanguageFolder {
public:
  LanguageFolder() : m_previous(platform::applicationFolder()) { platform::setApplicationFolder(m_folder.widePath()); }
  ~LanguageFolder() { platform::setApplicationFolder(m_previous); }

  void write(const std::string& name, const std::string& content) {
    testing_support::writeFileBytes(m_folder.path("lang/" + name), content);
  }
  const TempFolder& folder() const { return m_folder; }

private:
  TempFolder m_folder;
  olstring m_previous;
};

}  // namespace

TEST(olmlang, ReferencesExpandWhenStored) {
  const olmlang2 table = tableFrom(
      u"[global]\n"
      u"title = Folder Tool\n"
      u"open = &Open...\n"
      u"file = File (&F)\n"
      u"save = &Save\\tCtrl+S\n"
      u"app_name = not the variable\n"
      u"blank =\n"
      u"[menu]\n"
      u"caption = %[global]title - %app_name\n"
      u"whole = %[global]open\n"
      u"inside = Click %[global]open now\n"
      u"group = [%file]\n"
      u"tab = %save now\n"
      u"local = here\n"
      u"uses_local = %local, %title\n"
      u"by_maker = %dev_name_\n"
      u"later = %further and %[menu]further\n"
      u"further = too late\n"
      u"unknown = %nothing, %[nowhere]title, %blank, % and %-\n"
      u"kept = 100%% done, %1 of %2\n");
  EXPECT_EQ(table.get(u"menu", u"caption"), u"Folder Tool - Mirrane");
  EXPECT_EQ(table.get(u"menu", u"whole"), u"&Open...");
  EXPECT_EQ(table.get(u"menu", u"inside"), u"Click Open now");
  EXPECT_EQ(table.get(u"menu", u"group"), u"[File ]");
  EXPECT_EQ(table.get(u"menu", u"tab"), u"Save now");
  EXPECT_EQ(table.get(u"menu", u"uses_local"), u"here, Folder Tool");
  EXPECT_EQ(table.get(u"menu", u"by_maker"), u"Olumbe_");
  EXPECT_EQ(table.get(u"menu", u"later"), u"%further and %[menu]further");
  EXPECT_EQ(table.get(u"menu", u"unknown"), u"%nothing, %[nowhere]title, %blank, % and %-");
  EXPECT_EQ(table.get(u"menu", u"kept"), u"100%% done, %1 of %2");
}

TEST(olmlang, PlainReferenceText) {
  struct Case {
    olstring text;
    olstring plain;
  };
  const Case cases[] = {
      {u"&Open...", u"Open"},
      {u"File (&F)", u"File "},
      {u"Edit [&E]...", u"Edit "},
      {u"(&F)", u"(F)"},             // not longer than four characters
      {u"A (&&) b", u"A (&&) b"},    // a doubled ampersand is no accelerator
      {u"Save (&S\tCtrl+S", u"Save (S"},
      {u"\tIndented\tF3", u"\tIndented"},
      {u"Wait....", u"Wait...."},    // only a run of exactly three dots goes
      {u"Tom && Jerry", u"Tom && Jerry"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.text));
    EXPECT_EQ(plainReferenceText(c.text), c.plain);
  }
}

TEST(olmlang, LookupSubstitutesArguments) {
  const olmlang2 table = tableFrom(
      u"[global]\npercent = 100%% done\nsum = %1 + %2 = ?\nodd = %6 %x %\necho = [%0]\n[other]\nk = v\n");
  EXPECT_EQ(table.text(u"", u"percent"), u"100% done");
  EXPECT_EQ(table.text(u"global", u"sum", u"", u"3", u"7"), u"3 + 7 = ?");
  EXPECT_EQ(table.text(u"", u"odd", u"a"), u"%6 %x %");
  const olmlang2 six = tableFrom(u"[global]\nall = %5%4%3%2%1%0\n");
  EXPECT_EQ(six.text(u"", u"all", u"0", u"1", u"2", u"3", u"4", u"5"), u"543210");
  // An argument is inserted as it is, never scanned again.
  EXPECT_EQ(table.text(u"", u"echo", u"%1%%", u"no"), u"[%1%%]");
  EXPECT_EQ(table.text(u"OTHER", u"K"), u"v");
  EXPECT_EQ(table.text(u"other", u"missing", u"a"), u"");
  EXPECT_EQ(table.text(u"nosection", u"k"), u"");
}

TEST(olmlang, ExpansionCannotExhaustMemory) {
  olstring text = u"[global]\nk0 = 0123456789012345678901234567890123456789\n";
  for (int i = 1; i < 40; ++i) {
    text += u"k" + fromUtf8(std::to_string(i)) + u" = %k" + fromUtf8(std::to_string(i - 1)) + u" %k" +
            fromUtf8(std::to_string(i - 1)) + u"\n";
  }
  const olmlang2 table = tableFrom(text);
  EXPECT_LE(table.get(u"global", u"k39").size(), 1u << 16);
  EXPECT_EQ(table.get(u"global", u"k1").size(), 81u);
}

TEST(olmlang, LoadingWithFallbackAndSkippingTheActiveLanguage) {
  LanguageFolder folder;
  folder.write("english.ini", "[.info]\nname = English\n[global]\na = Apple\nb = Banana\n[menu]\nc = Cherry\n");
  folder.write("deutsch.ini", "[.info]\nname = Deutsch\n[global]\na = Apfel\nref = %b!\n");
  olmlang2 table(u"lang/english.ini", u"Mirrane", u"Olumbe");
  EXPECT_EQ(table.currentFileName(), u"english.ini");

  ASSERT_TRUE(table.loadLanguage(u"lang/deutsch.ini", true, false));
  EXPECT_EQ(table.currentFileName(), u"deutsch.ini");
  EXPECT_EQ(table.text(u"", u"a"), u"Apfel");
  EXPECT_EQ(table.text(u"", u"b"), u"Banana");
  EXPECT_EQ(table.text(u"menu", u"c"), u"Cherry");
  // References see only the file being read, not the texts kept from before.
  EXPECT_EQ(table.text(u"", u"ref"), u"%b!");

  // The active language in other letter case is not read again.
  folder.write("deutsch.ini", "[global]\na = changed\n");
  EXPECT_TRUE(table.loadLanguage(u"lang/DEUTSCH.INI", true, false));
  EXPECT_EQ(table.text(u"", u"a"), u"Apfel");
  EXPECT_TRUE(table.loadLanguage(folder.folder().widePath("lang/deutsch.ini"), true, true));
  EXPECT_EQ(table.text(u"", u"a"), u"changed");

  // A file that gives nothing keeps the old texts when asked to; otherwise the table is empty.
  EXPECT_TRUE(table.loadLanguage(u"lang/missing.ini", true, false));
  EXPECT_EQ(table.currentFileName(), u"deutsch.ini");
  EXPECT_EQ(table.text(u"", u"b"), u"Banana");
  EXPECT_FALSE(table.loadLanguage(u"lang/missing.ini", false, false));
  EXPECT_EQ(table.currentFileName(), u"");
  EXPECT_EQ(table.text(u"", u"b"), u"");
  EXPECT_EQ(table.variables().at(u"app_name"), u"Mirrane");
  // With no language loaded before, keeping the old texts keeps nothing: still a failure.
  EXPECT_FALSE(table.loadLanguage(u"lang/missing.ini", true, false));
  olmlang2 fresh;
  EXPECT_FALSE(fresh.loadLanguage(u"lang/missing.ini", true, false));
  EXPECT_EQ(fresh.currentFileName(), u"");
}

TEST(olmlang, LanguageListIsBuiltOnce) {
  LanguageFolder folder;
  folder.write("english.ini", "[.info]\nname = English\n[global]\na = 1\n");
  folder.write("_template.ini", "[.info]\nname = Template\n");
  folder.write("nameless.ini", "[global]\na = 1\n");
  folder.write("deutsch.INI", "\xEF\xBB\xBF[.info]\nname = Deutsch\n");
  folder.write("readme.txt", "[.info]\nname = Readme\n");
  folder.write("zulu.ini", "[.info]\nname = Afrikaans\n");
  testing_support::makeFolders(folder.folder().path("lang/folder.ini"));
  olmlang2 table;
  const std::vector<LanguageEntry>& list = table.languageList();
  // Sorted by the names the menu shows, not by file name.
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].fileName, u"zulu.ini");
  EXPECT_EQ(list[1].fileName, u"deutsch.INI");
  EXPECT_EQ(list[1].displayName, u"Deutsch");
  EXPECT_EQ(list[2].fileName, u"english.ini");
  folder.write("francais.ini", "[.info]\nname = Fran\xC3\xA7" "ais\n");
  EXPECT_EQ(table.languageList().size(), 3u);
}

// The application's table: a lookup on another thread must always see a whole language,
// while the window switches back and forth.
TEST(Language, LookupsDuringLanguageSwitchesSeeWholeTables) {
  LanguageFolder folder;
  std::string english = "[.info]\nname = English\n[global]\n";
  std::string deutsch = "[.info]\nname = Deutsch\n[global]\n";
  for (int i = 0; i < 200; ++i) {
    english += "k" + std::to_string(i) + " = en\n";
    deutsch += "k" + std::to_string(i) + " = de\n";
  }
  folder.write("english.ini", english + "only = english text\n");
  folder.write("deutsch.ini", deutsch);
  ASSERT_TRUE(loadDefaultLanguage());
  EXPECT_EQ(currentLanguageFile(), u"english.ini");

  std::atomic<bool> stop{false};
  std::atomic<int> broken{0};
  std::thread worker([&] {
    while (!stop) {
      const auto table = languageTable();
      const olstring first = table->text(u"", u"k0");
      for (int i = 0; i < 200; i += 37) {
        if (table->text(u"global", u"k" + fromUtf8(std::to_string(i))) != first) ++broken;
      }
      const olstring single = langText(u"global", u"k199");
      if (single != u"en" && single != u"de") ++broken;
      if (langText(u"", u"only") != u"english text") ++broken;
    }
  });
  for (int round = 0; round < 100; ++round) {
    ASSERT_TRUE(loadLanguage(round % 2 == 0 ? u"lang/deutsch.ini" : u"lang/english.ini", true, false));
  }
  stop = true;
  worker.join();
  EXPECT_EQ(broken, 0);

  // Re-selecting the active language and a failed load both leave the table in use.
  const auto before = languageTable();
  EXPECT_TRUE(loadLanguage(u"lang/ENGLISH.ini"));
  EXPECT_FALSE(loadLanguage(u"lang/missing.ini", false, false));
  EXPECT_EQ(languageTable(), before);
  EXPECT_EQ(currentLanguageFile(), u"english.ini");
  EXPECT_EQ(langText(u"", u"k3"), u"en");
  EXPECT_EQ(langText(u"global", u"k3", u"unused"), u"en");

  ASSERT_EQ(languageList().size(), 2u);
  EXPECT_EQ(languageList()[1].displayName, u"English");
  EXPECT_EQ(languageTable()->variables().at(u"dev_name"), u"Olumbe");
}

// Switching from one translation to another: what the second lacks is English, never the
// first translation's text; a file that gives nothing changes nothing.
TEST(Language, SwitchLaysTheNewLanguageOverEnglish) {
  LanguageFolder folder;
  folder.write("english.ini", "[.info]\nname = English\n[global]\na = en-a\nb = en-b\n[menu]\nc = en-c\n");
  folder.write("francais.ini", "[.info]\nname = Francais\n[global]\na = fr-a\nb = fr-b\n[menu]\nc = fr-c\n");
  folder.write("deutsch.ini", "[.info]\nname = Deutsch\n[global]\na = de-a\n");
  folder.write("_blank.ini", "; nothing but a comment\n");
  ASSERT_TRUE(loadDefaultLanguage());
  ASSERT_EQ(languageList().size(), 3u);

  ASSERT_TRUE(switchLanguage(u"francais.ini"));
  EXPECT_EQ(langText(u"menu", u"c"), u"fr-c");
  ASSERT_TRUE(switchLanguage(u"deutsch.ini"));
  EXPECT_EQ(currentLanguageFile(), u"deutsch.ini");
  EXPECT_EQ(langText(u"", u"a"), u"de-a");
  EXPECT_EQ(langText(u"", u"b"), u"en-b");
  EXPECT_EQ(langText(u"menu", u"c"), u"en-c");

  // The language in use is not read again; a failure leaves the table as it was.
  const auto before = languageTable();
  folder.write("deutsch.ini", "[global]\na = changed on disk\n");
  EXPECT_TRUE(switchLanguage(u"DEUTSCH.INI"));
  for (olstring_view refused : {u"missing.ini", u"_blank.ini", u"../lang/francais.ini", u"", u".."}) {
    SCOPED_TRACE(toUtf8(refused));
    EXPECT_FALSE(switchLanguage(refused));
  }
  EXPECT_EQ(languageTable(), before);
  EXPECT_EQ(langText(u"", u"a"), u"de-a");

  // The list was read once; switching does not read it again.
  folder.write("espanol.ini", "[.info]\nname = Espanol\n[global]\na = es-a\n");
  EXPECT_EQ(languageList().size(), 3u);
  ASSERT_TRUE(switchLanguage(u"english.ini"));
  EXPECT_EQ(langText(u"", u"a"), u"en-a");
  EXPECT_EQ(languageList().size(), 3u);
}
