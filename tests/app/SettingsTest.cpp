#include "app/ProjectFile.h"
#include "app/Settings.h"
#include "app/SettingsFile.h"
#include "app/SettingsValues.h"
#include "foundation/Paths.h"
#include "foundation/TextFile.h"
#include "platform/Error.h"
#include "platform/Path.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

using testing_support::TempFolder;

TEST(SettingsValues, BooleanAndNumberRules) {
  for (const char16_t* yes : {u"true", u"TRUE", u"True", u"1", u"0x1", u"-3", u" 5"}) {
    SCOPED_TRACE(toUtf8(yes));
    EXPECT_TRUE(readBoolean(yes));
  }
  for (const char16_t* no : {u"", u"false", u"0", u"yes", u"on", u"truex", u"0x0"}) {
    SCOPED_TRACE(toUtf8(no));
    EXPECT_FALSE(readBoolean(no));
  }
  EXPECT_EQ(readNumber(u"0x20"), 32);
  EXPECT_EQ(readNumber(u"0X1f"), 31);
  EXPECT_EQ(readNumber(u"8MB"), 8);
  EXPECT_EQ(readNumber(u"  -42x"), -42);
  EXPECT_EQ(readNumber(u"+7"), 7);
  EXPECT_EQ(readNumber(u"abc"), 0);
  EXPECT_EQ(readNumber(u" 0x10"), 0) << "the prefix counts only at the very start";
  EXPECT_EQ(readNumber(u"99999999999999999999999"), INT64_MAX);
  EXPECT_EQ(readNumber(u"-99999999999999999999999"), INT64_MIN);
  // Too large saturates, however far beyond the limit and in either base; never wraps.
  struct Case {
    const char16_t* text;
    int64_t value;
  };
  for (const Case c : {Case{u"20000000000000000000", INT64_MAX}, Case{u"18446744073709551616", INT64_MAX},
                       Case{u"0x10000000000000000", INT64_MAX}, Case{u"0xFFFFFFFFFFFFFFFF1", INT64_MAX},
                       Case{u"9223372036854775807", INT64_MAX}, Case{u"9223372036854775808", INT64_MAX},
                       Case{u"9223372036854775806", INT64_MAX - 1}, Case{u"-9223372036854775808", INT64_MIN},
                       Case{u"-9223372036854775809", INT64_MIN}, Case{u"-18446744073709551616", INT64_MIN},
                       Case{u"-9223372036854775807", INT64_MIN + 1}, Case{u"0x7fffffffffffffff", INT64_MAX}}) {
    SCOPED_TRACE(toUtf8(c.text));
    EXPECT_EQ(readNumber(c.text), c.value);
  }
  EXPECT_TRUE(readBoolean(u"18446744073709551616"));
  EXPECT_TRUE(readBoolean(u"0x10000000000000000"));
  EXPECT_EQ(writeNumber(-5), u"-5");
  EXPECT_EQ(writeBoolean(false), u"false");
}

class SettingsFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    platform::setApplicationFolder(m_application.widePath());
    setenv("XDG_CONFIG_HOME", m_config.path().c_str(), 1);
  }
  void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }

  olstring readThrough(SettingsAccess access = SettingsAccess::read) {
    platform::FileHandle handle = openSettingsFile(u"config.ini", access);
    if (handle == nullptr) return u"<none>";
    olstring text = readTextFile(handle);
    platform::closeFile(handle);
    return text;
  }

  TempFolder m_application;
  TempFolder m_config;
};

TEST_F(SettingsFileTest, ReadsTheNewerCopyAndWritesBesideTheProgramWhenItCan) {
  EXPECT_EQ(readThrough(), u"<none>");
  EXPECT_TRUE(platform::lastError() == platform::kErrorFileNotFound || platform::lastError() == platform::kErrorPathNotFound);
  testing_support::writeFileBytes(m_application.path("config/config.ini"), "A");
  testing_support::writeFileBytes(m_config.path("Mirrane/config.ini"), "B");
  testing_support::setModifiedTime(m_application.path("config/config.ini"), 1000000);
  testing_support::setModifiedTime(m_config.path("Mirrane/config.ini"), 2000000);
  EXPECT_EQ(readThrough(), u"B");
  testing_support::setModifiedTime(m_application.path("config/config.ini"), 2000000);
  EXPECT_EQ(readThrough(), u"A") << "the application folder's copy wins a tie";

  platform::FileHandle handle = openSettingsFile(u"config.ini", SettingsAccess::write);
  ASSERT_NE(handle, nullptr);
  EXPECT_TRUE(writeTextFile(u"new", handle, TextEncoding::ansi));
  EXPECT_TRUE(platform::closeFile(handle));
  EXPECT_EQ(testing_support::readFileBytes(m_application.path("config/config.ini")), "new");

  // A folder beside the program that cannot be written: the per-user copy takes over.
  // (The per-user folder is opened up so that the unprivileged child can write there; as
  // root the test drops to an ordinary user, as one the folder's mode keeps it out.)
  testing_support::setMode(m_application.path("config"), 0555);
  testing_support::setMode(m_config.path("Mirrane"), 0777);
  testing_support::setMode(m_config.path("Mirrane/config.ini"), 0666);
  const int status = testing_support::runInChild(
      [&] {
        platform::FileHandle written = openSettingsFile(u"config.ini", SettingsAccess::write);
        if (written == nullptr) return false;
        const bool ok = writeTextFile(u"user", written, TextEncoding::ansi);
        return platform::closeFile(written) && ok;
      },
      true);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(testing_support::readFileBytes(m_config.path("Mirrane/config.ini")), "user");
  EXPECT_EQ(testing_support::readFileBytes(m_application.path("config/config.ini")), "new");
}

// Installed under a prefix the user owns (or run as root), the shared config folder could be
// written; it must still be left alone, and a stale or newer copy there must not shadow the
// user's own settings.
TEST_F(SettingsFileTest, AnInstalledProgramKeepsUserSettingsInTheUserFolderOnly) {
  testing_support::writeFileBytes(m_application.path("config/advconf.ini"), "[global]\nauto_saveload = true\n");
  testing_support::writeFileBytes(m_application.path("config/config.ini"), "[global]\ntheme = Dark\n");
  testing_support::setModifiedTime(m_application.path("config/config.ini"), 4000000000);
  platform::setApplicationFolder(m_application.widePath(), platform::ApplicationFolderKind::installed);

  EXPECT_EQ(readThemeName(), u"") << "the package's folder holds no user settings";
  ASSERT_TRUE(writeThemeName(u"Light"));
  EXPECT_EQ(readThemeName(), u"Light");
  EXPECT_NE(testing_support::readFileBytes(m_config.path("Mirrane/config.ini")), "");
  AdvancedSettings advanced;
  CompareOptions options;
  options.path0 = u"/first";
  ASSERT_TRUE(saveDefaultProject(advanced, options));
  EXPECT_TRUE(testing_support::exists(m_config.path("Mirrane/default.mirrane")));

  EXPECT_EQ(testing_support::readFileBytes(m_application.path("config/config.ini")), "[global]\ntheme = Dark\n");
  EXPECT_FALSE(testing_support::exists(m_application.path("config/default.mirrane")));
  platform::setApplicationFolder(m_application.widePath());
}

TEST_F(SettingsFileTest, AnUnreadableCopyIsReportedAsSuchNotAsMissing) {
  testing_support::writeFileBytes(m_application.path("config/config.ini"), "secret");
  testing_support::setMode(m_application.path("config/config.ini"), 0000);
  const int status = testing_support::runInChild(
      [&] {
        return openSettingsFile(u"config.ini", SettingsAccess::read) == nullptr &&
               platform::lastError() == platform::kErrorAccessDenied;
      },
      true);
  // As root the test drops to an ordinary user; as one, the mode alone keeps it out.
  EXPECT_EQ(status, 0);
}
