#include "foundation/olini.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

using testing_support::TempFolder;

namespace {

olini parsed(olstring_view text) {
  olini ini(u"global");
  ini.parseText(text);
  return ini;
}

std::string keysOf(const olini& ini, olstring_view section) {
  std::string out;
  const auto entry = ini.sections().find(section);
  if (entry == ini.sections().end()) return "<no section>";
  for (const auto& [key, value] : entry->second) out += toUtf8(key) + "=" + toUtf8(value) + ";";
  return out;
}

std::string utf16leBytes(olstring_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

}  // namespace

TEST(olini, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  const olini ini = parsed(u"orphan = dropped\n"
                           u"[Main]\na = 1\nA = 2\n"
                           u"[]\nlost = yes\n"
                           u"[main]\nb = 3\n"
                           u"[Empty]\nno equals here\n"
                           u"[ONLYCOMMENTS]\n; x = 1\n# y = 2\n");
  ASSERT_EQ(ini.sections().size(), 1u);
  EXPECT_EQ(ini.sections().begin()->first, u"Main");
  EXPECT_EQ(keysOf(ini, u"MAIN"), "a=2;b=3;");
  EXPECT_EQ(ini.get(u"main", u"A"), u"2");
  EXPECT_EQ(ini.get(u"Main", u"lost"), u"");

  EXPECT_FALSE(parsed(u"; nothing\n[s]\n").parseText(u"[s]\n"));
  olini cleared = parsed(u"[s]\nk = v\n");
  EXPECT_FALSE(cleared.parseText(u""));
  EXPECT_TRUE(cleared.empty());
}

TEST(olini, SplittingKeysAndValues) {
  struct Case {
    olstring line;
    const char* expected;  // the section's keys after parsing "[s]" and the line
  };
  const Case cases[] = {
      {u"k = \"x\"", "k=x;"},
      {u"k = \"\"", "k=\"\";"},  // not longer than two characters: kept
      {u"k = ' padded '", "k= padded ;"},
      {u"k = \"x\\\"", "k=\"x\";"},  // closing quote is escaped: not stripped, then unescaped
      {u"k = \"x\\\\\"", "k=x\\;"},  // an escaped backslash before the quote does not escape it
      {u"\"a=b\" = c", "a=b=c;"},
      {u"' spaced key ' = v", " spaced key =v;"},
      {u"\"a\\\"=b\" = c", "a\"=b=c;"},  // an escaped quote does not close the key
      {u"\"open = v", "open=v;"},        // no closing quote: only the opening one goes
      {u"\"\" = v", "<no section>"},
      {u"= v", "<no section>"},
      {u"no equals", "<no section>"},
      {u"\\#x = 1", "#x=1;"},
      {u"\\;y = 2", ";y=2;"},
      {u"#z = 3", "<no section>"},
      {u"path = C:\\Windows\\notes", "path=C:\\Windows\n" "otes;"},
      {u"k = a = b", "k=a = b;"},
      {u"k =", "k=;"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.line));
    EXPECT_EQ(keysOf(parsed(u"[s]\n" + c.line + u"\n"), u"s"), c.expected);
  }
}

TEST(olini, LogicalLines) {
  struct Case {
    olstring text;
    const char* expected;  // keys of section s
  };
  const Case cases[] = {
      {u"[s]\nkey = one \\\ntwo\n", "key=one two;"},
      {u"[s]\nkey = one\ntwo\n", "key=one two;"},
      {u"[s]\r\nkey = one\r\n  two  \r\nnext = 2\r\n", "key=one two;next=2;"},
      {u"[s]\nkey = one \\\n; comment between\n\n   two\n", "key=one two;"},
      {u"[s]\nkey = a \\\nb = c\n", "key=a b = c;"},  // an odd backslash joins whatever follows
      {u"[s]\nkey = a\\\\\nb = c\n", "b=c;key=a\\;"},  // an even run does not continue
      {u"[s]\nkey = one\\n\\\ntwo\n", "key=one\ntwo;"},
      {u"[s]\nkey = one\n\\ttwo\n", "key=one\ttwo;"},
      {u"[s]\nkey = one\n[t]\n", "key=one;"},
      {u"[s]\na = 1\rb = 2\n", "a=1\rb = 2;"},  // a lone CR ends no line
      {u"[s]\nk = v\n[t]\nstray words\nx = 1\n", "k=v;x=1;"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.text));
    EXPECT_EQ(keysOf(parsed(c.text), u"s"), c.expected);
  }
  // The header swallowed the stray line, so [t] never existed.
  EXPECT_EQ(keysOf(parsed(u"[s]\nk = v\n[t]\nstray words\nx = 1\n"), u"t"), "<no section>");
  EXPECT_EQ(keysOf(parsed(u"[t]\nstray\nx = 1\n"), u"t"), "<no section>");
}

TEST(olini, Escapes) {
  EXPECT_EQ(unescapeIniText(u"a\\\\b\\nc\\rd\\te\\\"f\\'g\\xh\\"), u"a\\b\nc\rd\te\"f'g\\xh\\");
  struct Case {
    olstring text;
    olstring escaped;
  };
  const Case cases[] = {
      {u"C:\\Windows", u"C:\\Windows"},
      {u"/data\\new", u"/data\\\\new"},
      {u"end\\", u"end\\\\"},
      {u"two\\\\", u"two\\\\\\\\"},
      {u"line\nbreak\ttab\r", u"line\\nbreak\\ttab\\r"},
      {u"\"quoted\"", u"\\\"quoted\\\""},
      {u"'q'", u"\\'q\\'"},
      {u"\"", u"\""},
      {u"\"half", u"\"half"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.text));
    EXPECT_EQ(escapeIniText(c.text), c.escaped);
    EXPECT_EQ(unescapeIniText(c.escaped), c.text);
  }
}

TEST(olini, WrittenForm) {
  olini ini(u"global");
  EXPECT_EQ(ini.formatText(), u"");
  EXPECT_TRUE(ini.set(u"global", u"b", u"2"));
  EXPECT_TRUE(ini.set(u"global", u"a", u""));
  EXPECT_EQ(ini.formatText(), u"[global]\r\na = \r\nb = 2\r\n\r\n");

  EXPECT_TRUE(ini.set(u"Other", u"#x", u"C:\\Windows"));
  EXPECT_TRUE(ini.set(u"other", u"text", u"a\nb"));
  EXPECT_EQ(ini.formatText(),
            u"[global]\r\na = \r\nb = 2\r\n\r\n[Other]\r\n\\#x = C:\\Windows\r\ntext = a\\nb\r\n\r\n");

  EXPECT_FALSE(ini.set(u"", u"k", u"v"));
  EXPECT_FALSE(ini.set(u"s", u"", u"v"));
  EXPECT_EQ(ini.get(u"", u"k"), u"");
  EXPECT_EQ(ini.get(u"missing", u"k"), u"");
}

// Names and values that the plain written form would change on reading back.
TEST(olini, EveryStoredTextReadsBackAsWritten) {
  const olstring texts[] = {
      u"a=b", u" lead", u"trail ", u"  ", u"\"quoted\"", u"\"", u"\"open", u"'", u"[x]", u"[x", u"#hash",
      u";semi", u"\\#not-escape", u"\\;", u"end\\", u"C:\\Windows\\notes", u"a\"=b", u"\"a=b\"", u"x = y",
      u"tab\tnew\nret\r", u"\\\"", u"= lead", u"[]", u"%0 and %%", u"\u00E9\U0001F600",
  };
  olini ini(u"global");
  int index = 0;
  for (const olstring& text : texts) {
    ASSERT_TRUE(ini.set(u"keys", text, u"v" + olstring(1, u'a' + index++)));
    ASSERT_TRUE(ini.set(u"values", u"k" + olstring(1, u'a' + index++), text));
    ASSERT_TRUE(ini.set(text, u"key", u"in a section named by the text"));
  }
  const olstring written = ini.formatText();
  olini reread(u"global");
  ASSERT_TRUE(reread.parseText(written));
  EXPECT_EQ(reread.sections(), ini.sections()) << toUtf8(written);
  EXPECT_EQ(reread.formatText(), written);
}

namespace {

class UpperCasingIni : public olini {
public:
  std::vector<std::string> seen;

protected:
  void valueHook(olstring_view section, olstring_view key, olstring& value) override {
    seen.push_back(toUtf8(section) + "/" + toUtf8(key));
    for (char16_t& c : value) c = platform::upperCaseUnit(c);
  }
};

}  // namespace

TEST(olini, ValueHookSeesEveryStoredValue) {
  UpperCasingIni ini;
  ini.parseText(u"[s]\na = x\n[t]\nb = y\n");
  ini.set(u"u", u"c", u"z");
  EXPECT_EQ(ini.seen, (std::vector<std::string>{"s/a", "t/b", "u/c"}));
  EXPECT_EQ(ini.get(u"s", u"a"), u"X");
  EXPECT_EQ(ini.get(u"u", u"c"), u"Z");
}

TEST(olini, FilesOnDisk) {
  TempFolder folder;
  olini ini(u"global");
  ini.set(u"global", u"path", u"/home/\u00E9");
  const olstring path = folder.widePath("new/sub/config.ini");
  ASSERT_TRUE(ini.saveFile(path));
  EXPECT_EQ(testing_support::readFileBytes(folder.path("new/sub/config.ini")), utf16leBytes(ini.formatText()));

  olini loaded(u"global");
  ASSERT_TRUE(loaded.loadFile(path));
  EXPECT_EQ(loaded.get(u"GLOBAL", u"PATH"), u"/home/\u00E9");

  // A missing or empty file leaves an empty store, also after an earlier load.
  EXPECT_FALSE(loaded.loadFile(folder.widePath("missing.ini")));
  EXPECT_TRUE(loaded.empty());
  testing_support::writeFileBytes(folder.path("empty.ini"), "");
  EXPECT_FALSE(loaded.loadFile(folder.widePath("empty.ini")));

  // UTF-8 with and without a byte-order mark; bytes that are not UTF-8 survive as text.
  testing_support::writeFileBytes(folder.path("utf8.ini"), "\xEF\xBB\xBF[s]\nk = caf\xC3\xA9\n");
  ASSERT_TRUE(loaded.loadFile(folder.widePath("utf8.ini")));
  EXPECT_EQ(loaded.get(u"s", u"k"), u"caf\u00E9");
  testing_support::writeFileBytes(folder.path("latin1.ini"), "[s]\nk = caf\xE9\n");
  ASSERT_TRUE(loaded.loadFile(folder.widePath("latin1.ini")));
  EXPECT_EQ(loaded.get(u"s", u"k"), olstring(u"caf") + char16_t(0xDCE9));

  // A long line (and many of them) is read whole.
  const std::string longValue(1 << 20, 'x');
  testing_support::writeFileBytes(folder.path("long.ini"), "[s]\nk = " + longValue + "\nnext = 1\n");
  ASSERT_TRUE(loaded.loadFile(folder.widePath("long.ini")));
  EXPECT_EQ(loaded.get(u"s", u"k").size(), longValue.size());
  EXPECT_EQ(loaded.get(u"s", u"next"), u"1");
}

TEST(olini, KeysThatLookLikeSyntaxAreWrittenSoThatTheyReadBack) {
  olini ini(u"global");
  // With its value ending in "]", a key starting with "[" written as it is would read back as
  // a section header; the others would read as comments, a quoted key or a key cut at "=".
  const char16_t* const keys[] = {u"[k", u"[k]", u"#k", u";k", u"k=v", u"\"k", u" k", u"\\#k"};
  for (const char16_t* key : keys) ini.set(u"s", key, u"value]");
  olini again(u"global");
  again.parseText(ini.formatText());
  EXPECT_EQ(again.sections(), ini.sections()) << toUtf8(ini.formatText());
  EXPECT_EQ(again.sections().at(u"s").size(), std::size(keys));
}

TEST(olini, FailedSaveKeepsTheOldFile) {
  TempFolder folder;
  testing_support::writeFileBytes(folder.path("keep.ini"), "old");
  olini ini(u"global");
  ini.set(u"global", u"k", u"v");
  // A file stands where a parent folder would have to be, and a folder where the file would.
  testing_support::writeFileBytes(folder.path("file"), "x");
  EXPECT_FALSE(ini.saveFile(folder.widePath("file/sub.ini")));
  EXPECT_FALSE(ini.saveFile(folder.widePath("")));
  testing_support::makeFolders(folder.path("isfolder.ini"));
  EXPECT_FALSE(ini.saveFile(folder.widePath("isfolder.ini")));
  EXPECT_EQ(testing_support::readFileBytes(folder.path("keep.ini")), "old");

  // A write that fails on its way (here: the process may not write files that large) is
  // reported as the failure it is, and the old file stays.
  olini big(u"global");
  big.set(u"global", u"k", olstring(4096, u'x'));
  signal(SIGXFSZ, SIG_IGN);
  rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 100;
  setrlimit(RLIMIT_FSIZE, &small);
  const bool savedBig = big.saveFile(folder.widePath("keep.ini"));
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, SIG_DFL);
  EXPECT_FALSE(savedBig);
  EXPECT_EQ(testing_support::readFileBytes(folder.path("keep.ini")), "old");

  ASSERT_TRUE(ini.saveFile(folder.widePath("keep.ini")));
  EXPECT_EQ(testing_support::readFileBytes(folder.path("keep.ini")), utf16leBytes(ini.formatText()));
}
