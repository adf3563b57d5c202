#include "platform/Path.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace platform;

TEST(PlatformPath, LexicalFullPath) {
  const std::u16string cwd = lexicalFullPath(u".");
  ASSERT_FALSE(cwd.empty());
  EXPECT_EQ(cwd[0], u'/');
  struct Case {
    std::u16string input, expected;
  };
  const Case cases[] = {
      {u"/a/b/../c", u"/a/c"},       {u"/a/./b//c", u"/a/b/c"}, {u"/../..", u"/"},
      {u"/a/b/", u"/a/b/"},          {u"/", u"/"},              {u"/a\\b/..", u"/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf16ToUtf8(c.input));
    EXPECT_EQ(lexicalFullPath(c.input), c.expected);
  }
  EXPECT_EQ(lexicalFullPath(u"x/../y"), (cwd == u"/" ? u"" : cwd) + u"/y");
}

TEST(PlatformPath, EnvironmentExpansionIgnoresCaseAndMapsWindowsNames) {
  setenv("MRN_TEST_VAR", "value", 1);
  setenv("TMPDIR", "/tmp/mrn-tmp", 1);
  setenv("HOME", "/home/tester", 1);
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(expandEnvironment(u"%mrn_test_var%/x"), u"value/x");
  EXPECT_EQ(expandEnvironment(u"%TEMP%/a"), u"/tmp/mrn-tmp/a");
  EXPECT_EQ(expandEnvironment(u"%AppData%/Mirrane"), u"/home/tester/.config/Mirrane");
  EXPECT_EQ(expandEnvironment(u"%NOSUCHVAR%/a"), u"%NOSUCHVAR%/a");
  EXPECT_EQ(expandEnvironment(u"100%"), u"100%");
  EXPECT_EQ(expandEnvironment(u"~/docs"), u"/home/tester/docs");
  EXPECT_EQ(expandEnvironment(u"a~/docs"), u"a~/docs");
  EXPECT_EQ(knownFolderPath(u"{5e6c858f-0e22-4760-9afe-ea3317b67173}"), u"/home/tester");
  EXPECT_EQ(knownFolderPath(u"{00000000-0000-0000-0000-000000000001}"), u"");
  // Relative XDG folders mean nothing (a settings file would land wherever the program was
  // started): they are ignored.
  setenv("XDG_CONFIG_HOME", "relative/config", 1);
  setenv("XDG_DATA_HOME", "", 1);
  EXPECT_EQ(configHomeFolder(), u"/home/tester/.config");
  EXPECT_EQ(dataHomeFolder(), u"/home/tester/.local/share");
  EXPECT_EQ(userSettingsFolder(), u"/home/tester/.config/Mirrane");
  setenv("XDG_CONFIG_HOME", "/etc/xdg-test/", 1);
  EXPECT_EQ(configHomeFolder(), u"/etc/xdg-test");
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("XDG_DATA_HOME");
  unsetenv("MRN_TEST_VAR");
  unsetenv("TMPDIR");
}
