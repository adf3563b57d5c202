#include "app/ProjectFile.h"
#include "app/Settings.h"
#include "foundation/TextFile.h"
#include "platform/Path.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

using testing_support::TempFolder;

namespace {

class SettingsTest : public ::testing::Test {
protected:
  void SetUp() override {
    platform::setApplicationFolder(m_application.widePath());
    setenv("XDG_CONFIG_HOME", m_config.path().c_str(), 1);
  }
  void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }

  std::string configText() const { return toUtf8(readTextFile(m_application.widePath("config/config.ini"))); }

  TempFolder m_application;
  TempFolder m_config;
};

AdvancedSettings advancedFrom(const char* text) {
  olini ini(u"global");
  ini.parseText(fromUtf8(text));
  AdvancedSettings settings;
  readAdvancedSettings(ini, settings);
  return settings;
}

}  // namespace

TEST(AdvancedSettingsFile, NumberRangeAndArchiveList) {
  struct Case {
    const char* value;
    uint32_t megabytes;
  };
  for (const Case c : {Case{"0x20", 32}, Case{"300", 16}, Case{"0", 16}, Case{"8MB", 8}, Case{"-4", 16}, Case{"256", 256}}) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(advancedFrom((std::string("[global]\ntextmode_maxsize = ") + c.value).c_str()).textModeMaxSize,
              c.megabytes * 1048576u);
  }
  EXPECT_EQ(advancedFrom("").textModeMaxSize, 16u * 1048576u);
  // Tarballs are unpacked in one go by the settings file that ships with the program; without
  // the file, or without the key, they are not.
  EXPECT_FALSE(advancedFrom("").autoTarGz);
  EXPECT_FALSE(advancedFrom("[global]\nflatmode = true").autoTarGz);
  olini shipped(u"global");
  ASSERT_TRUE(shipped.loadFile(fromUtf8(MIRRANE_SOURCE_DIR "/config/advconf.ini")));
  AdvancedSettings fromShipped;
  readAdvancedSettings(shipped, fromShipped);
  EXPECT_TRUE(fromShipped.autoTarGz);
  EXPECT_EQ(advancedFrom("[global]\narchive_file = ZIP | tar.gz |").archiveExtensions,
            (std::set<olstring>{u".zip", u".tar.gz"}));
  EXPECT_EQ(advancedFrom("[global]\narchive_file = ").archiveExtensions,
            (std::set<olstring>{u".7z", u".cab", u".exe", u".gz", u".iso", u".msu", u".rar", u".zip"}));
  const AdvancedSettings flags = advancedFrom("[global]\nauto_tar_gz = TRUE\nflatmode = yes\nauto_saveload = 0x1\nno_customscroll = 1");
  EXPECT_TRUE(flags.autoTarGz);
  EXPECT_FALSE(flags.flatMode);
  EXPECT_TRUE(flags.autoSaveLoad);
  EXPECT_TRUE(flags.noCustomScroll);
}

TEST_F(SettingsTest, AdvancedSettingsAreReadOnceFromBesideTheProgram) {
  testing_support::writeFileBytes(m_application.path("config/advconf.ini"), "[global]\nauto_saveload = true\n");
  AdvancedSettings settings;
  ensureAdvancedSettingsLoaded(settings);
  EXPECT_TRUE(settings.loaded);
  EXPECT_TRUE(settings.autoSaveLoad);
  testing_support::writeFileBytes(m_application.path("config/advconf.ini"), "[global]\nauto_saveload = false\n");
  ensureAdvancedSettingsLoaded(settings);
  EXPECT_TRUE(settings.autoSaveLoad) << "the file is read only once";
}

TEST_F(SettingsTest, ChangesKeepEveryOtherKey) {
  WindowPlacement placement;
  placement.left = 10;
  placement.right = 810;
  placement.top = -20;
  placement.bottom = 600;
  placement.maximised = true;
  ASSERT_TRUE(writeWindowPlacement(placement));
  ASSERT_TRUE(writeLanguageSetting(u"german.ini"));
  ASSERT_TRUE(writeThemeName(u"Dark"));
  const WindowPlacement read = readWindowPlacement();
  EXPECT_EQ(read.left, 10);
  EXPECT_EQ(read.top, -20);
  EXPECT_EQ(read.bottom, 600);
  EXPECT_TRUE(read.maximised);
  EXPECT_EQ(readLanguageSetting(), u"german.ini");
  EXPECT_EQ(readThemeName(), u"Dark");
  EXPECT_NE(configText().find("[window]"), std::string::npos);

  ASSERT_TRUE(writeViewMode(1));
  EXPECT_EQ(readViewMode(), 1);
  testing_support::writeFileBytes(m_application.path("config/config.ini"), "[global]\nviewmode = 2\n");
  EXPECT_EQ(readViewMode(), 0);
  testing_support::writeFileBytes(m_application.path("config/config.ini"), "[global]\nviewmode = -1\n");
  EXPECT_EQ(readViewMode(), 0);

  storeBrowseHistory(1, u"/data/folder");
  storeBrowseHistory(2, u"/data/file.txt");
  EXPECT_EQ(browseHistoryPath(), u"/data/file.txt");
  EXPECT_EQ(readBrowseHistory(1), u"/data/folder");
  EXPECT_EQ(browseHistoryPath(), u"/data/folder");
  storeBrowseHistory(3, u"/ignored");
  EXPECT_EQ(browseHistoryPath(), u"");
  EXPECT_EQ(readBrowseHistory(0), u"");
}

TEST_F(SettingsTest, FontIsUsedOnlyWhenWhole) {
  FontRecord font{};
  font[0] = 0xF4;  // height -12
  font[28] = 'S';
  font[30] = 'a';
  font[32] = 'n';
  font[34] = 's';
  ASSERT_TRUE(writeFontSetting(font));
  ASSERT_TRUE(readFontSetting().has_value());
  EXPECT_EQ(fontRecordFaceName(*readFontSetting()), u"Sans");
  EXPECT_EQ(*readFontSetting(), font);

  olini ini(u"global");
  readUserSettings(ini);
  const olstring stored = ini.get(u"global", u"font");
  EXPECT_EQ(stored.size(), 184u);
  for (const olstring& bad : {stored.substr(0, 183), stored + u"0", olstring(184, u'0')}) {
    olini change(u"global");
    change.set(u"global", u"font", bad);
    ASSERT_TRUE(mergeUserSettings(change));
    EXPECT_FALSE(readFontSetting().has_value()) << bad.size();
  }
}

TEST_F(SettingsTest, UnreadableConfigIsNeverOverwrittenAndTheChangeGoesToThePerUserCopy) {
  const std::string path = m_application.path("config/config.ini");
  const std::string original = "[global]\ntheme = Blue\nlanguage = french.ini\n";
  testing_support::writeFileBytes(path, original);
  testing_support::setMode(m_application.path("config"), 0777);
  testing_support::setMode(path, 0000);
  testing_support::writeFileBytes(m_config.path("Mirrane/config.ini"), "[global]\nviewmode = 1\n");
  testing_support::setMode(m_config.path("Mirrane"), 0777);
  testing_support::setMode(m_config.path("Mirrane/config.ini"), 0666);
  // Unreadable for an ordinary user (as root, the test drops to one); runs the same either way.
  const auto merge = [] {
    return testing_support::runInChild(
        [] {
          olini change(u"global");
          change.set(u"global", u"theme", u"Dark");
          if (!mergeUserSettings(change)) return false;
          olini read(u"global");
          return readUserSettings(read) && read.get(u"global", u"theme") == u"Dark" &&
                 read.get(u"global", u"viewmode") == u"1";
        },
        true);
  };
  EXPECT_EQ(merge(), 0);
  EXPECT_EQ(toUtf8(readTextFile(m_config.widePath("Mirrane/config.ini"))),
            "[global]\r\ntheme = Dark\r\nviewmode = 1\r\n\r\n");
  // Where neither copy may be written, the change goes nowhere.
  testing_support::writeFileBytes(m_config.path("Mirrane/config.ini"), "[global]\nviewmode = 1\n");
  testing_support::setMode(m_config.path("Mirrane/config.ini"), 0000);
  EXPECT_EQ(merge(), 1);
  testing_support::setMode(m_config.path("Mirrane/config.ini"), 0644);
  EXPECT_EQ(testing_support::readFileBytes(m_config.path("Mirrane/config.ini")), "[global]\nviewmode = 1\n");

  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0u) << "the unreadable copy was not even touched";
  testing_support::setMode(path, 0644);
  EXPECT_EQ(testing_support::readFileBytes(path), original);
}

TEST_F(SettingsTest, ACopyThatCannotBeDecodedKeepsItsKeys) {
  std::string utf16;
  for (const char c : std::string("[global]\r\ntheme = Blue\r\nfont = Sans\r\n")) utf16 += std::string{c, '\0'};
  const std::string zeroInside("[global]\ntheme = Blue\n\0\nlanguage = x.ini\n", 37);
  const std::string garbage = "\x01\x02 no settings here \x7f";
  struct Case {
    std::string bytes;
    bool mergedInto;  // true: the copy is read and rewritten with every key
  };
  const Case cases[] = {{utf16, true}, {zeroInside, false}, {garbage, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    const std::string path = m_application.path("config/config.ini");
    testing_support::writeFileBytes(path, c.bytes);
    std::remove(m_config.path("Mirrane/config.ini").c_str());
    olini change(u"global");
    change.set(u"global", u"viewmode", u"1");
    ASSERT_TRUE(mergeUserSettings(change));
    if (c.mergedInto) {
      EXPECT_EQ(configText(), "[global]\r\nfont = Sans\r\ntheme = Blue\r\nviewmode = 1\r\n\r\n");
      EXPECT_FALSE(testing_support::exists(m_config.path("Mirrane/config.ini")));
    } else {
      EXPECT_EQ(testing_support::readFileBytes(path), c.bytes);
      EXPECT_EQ(toUtf8(readTextFile(m_config.widePath("Mirrane/config.ini"))), "[global]\r\nviewmode = 1\r\n\r\n");
    }
  }
  // Both copies undecodable: nothing is written anywhere.
  testing_support::writeFileBytes(m_application.path("config/config.ini"), garbage);
  testing_support::writeFileBytes(m_config.path("Mirrane/config.ini"), zeroInside);
  olini change(u"global");
  change.set(u"global", u"theme", u"Dark");
  EXPECT_FALSE(mergeUserSettings(change));
  EXPECT_EQ(testing_support::readFileBytes(m_application.path("config/config.ini")), garbage);
  EXPECT_EQ(testing_support::readFileBytes(m_config.path("Mirrane/config.ini")), zeroInside);
}

TEST_F(SettingsTest, TheMergeLockLiesBesideTheFileItGuards) {
  olini change(u"global");
  change.set(u"global", u"theme", u"Dark");
  ASSERT_TRUE(mergeUserSettings(change));
  EXPECT_EQ(configText(), "[global]\r\ntheme = Dark\r\n\r\n");
  EXPECT_TRUE(testing_support::exists(m_application.path("config/.config.ini.lock")));
  EXPECT_FALSE(testing_support::exists(m_config.path("Mirrane"))) << "nothing is made in the per-user folder";
}

TEST_F(SettingsTest, ConcurrentMergesNeverTruncateOrLoseKeys) {
  constexpr int kRounds = 150;
  auto merger = [](const char16_t* key) {
    const pid_t child = fork();
    if (child == 0) {
      for (int round = 1; round <= kRounds; ++round) {
        olini change(u"global");
        change.set(u"global", key, fromUtf8(std::to_string(round)));
        if (!mergeUserSettings(change)) _exit(1);
      }
      _exit(0);
    }
    return child;
  };
  const pid_t first = merger(u"first");
  const pid_t second = merger(u"second");
  // Meanwhile every read sees a whole, parsable file.
  for (int i = 0; i < 200; ++i) {
    const olstring text = readTextFile(m_application.widePath("config/config.ini"));
    if (text.empty()) continue;
    olini ini(u"global");
    ASSERT_TRUE(ini.parseText(text));
    ASSERT_FALSE(ini.get(u"global", u"first").empty() && ini.get(u"global", u"second").empty());
  }
  int status = 0;
  waitpid(first, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  waitpid(second, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  olini ini(u"global");
  ASSERT_TRUE(readUserSettings(ini));
  EXPECT_EQ(ini.get(u"global", u"first"), u"150");
  EXPECT_EQ(ini.get(u"global", u"second"), u"150");
}

TEST_F(SettingsTest, ProjectFilesRoundTripEveryField) {
  CompareOptions options;
  options.compareCase = false;
  options.autoSkip = true;
  options.path0 = u"/data/new\\nfolder\\t/x";
  options.path1 = u"";
  options.excludes = u"*.tmp \"my file\"";
  options.timeTolerance = 3;
  options.ignoreHourShift = true;
  const olstring project = m_application.widePath("projects/one.mirrane");
  ASSERT_TRUE(saveProjectFile(project, options));
  const std::string raw = testing_support::readFileBytes(toUtf8(project));
  ASSERT_GE(raw.size(), 2u);
  EXPECT_EQ(raw.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(readTextFile(project),
            u"[global]\r\nadjust_path = true\r\nattr = false\r\nauto_skip = true\r\ncase = false\r\n"
            u"excludes = *.tmp \"my file\"\r\nforce_file = false\r\nignore_files = false\r\nignore_hour_shift = true\r\n"
            u"modify_time = false\r\npath0 = /data/new\\\\nfolder\\\\t/x\r\npath1 = \r\ntext_mode = true\r\n"
            u"time_tolerance = 3\r\n\r\n");
  CompareOptions loaded;
  ASSERT_TRUE(loadProjectFile(project, loaded));
  EXPECT_EQ(loaded.path0, options.path0);
  EXPECT_EQ(loaded.excludes, options.excludes);
  EXPECT_FALSE(loaded.compareCase);
  EXPECT_TRUE(loaded.autoSkip);
  EXPECT_TRUE(loaded.textMode);
  EXPECT_EQ(loaded.timeTolerance, 3u);
  EXPECT_TRUE(loaded.ignoreHourShift);
}

TEST_F(SettingsTest, ProjectReadingRules) {
  struct Case {
    const char* text;
    bool textMode;
  };
  for (const Case c : {Case{"case = false", true}, Case{"text_mode = 1", true}, Case{"text_mode = TRUE", true},
                       Case{"text_mode = yes", false}, Case{"text_mode = ", true}}) {
    SCOPED_TRACE(c.text);
    testing_support::writeFileBytes(m_application.path("p.mirrane"), std::string("[global]\n") + c.text + "\n");
    CompareOptions options;
    options.path0 = u"stale";
    const bool loaded = loadProjectFile(m_application.widePath("p.mirrane"), options);
    EXPECT_EQ(options.textMode, c.textMode);
    EXPECT_TRUE(options.adjustPath);
    EXPECT_EQ(options.path0, u"");
    if (std::string(c.text) == "case = false") {
      EXPECT_TRUE(loaded);
      EXPECT_FALSE(options.compareCase);
    }
  }
  CompareOptions options;
  options.attr = true;
  EXPECT_FALSE(loadProjectFile(u"p.mirrane", options)) << "relative paths are refused";
  EXPECT_FALSE(options.attr) << "and the options are back at their defaults";
  EXPECT_FALSE(loadProjectFile(m_application.widePath("missing.mirrane"), options));
}

TEST_F(SettingsTest, DefaultProjectOnlyWithAutoSaveLoad) {
  CompareOptions options;
  options.path0 = u"/a";
  AdvancedSettings off;
  off.loaded = true;
  testing_support::writeFileBytes(m_application.path("config/default.mirrane"), "[global]\npath0 = /old\n");
  EXPECT_FALSE(saveDefaultProject(off, options));
  EXPECT_FALSE(loadDefaultProject(off, options));
  EXPECT_EQ(options.path0, u"/a") << "with auto_saveload off nothing is read";
  EXPECT_EQ(testing_support::readFileBytes(m_application.path("config/default.mirrane")), "[global]\npath0 = /old\n");

  AdvancedSettings on;
  on.loaded = true;
  on.autoSaveLoad = true;
  EXPECT_TRUE(loadDefaultProject(on, options));
  EXPECT_EQ(options.path0, u"/old");
  options.path1 = u"/b";
  EXPECT_TRUE(saveDefaultProject(on, options));
  CompareOptions again;
  EXPECT_TRUE(loadDefaultProject(on, again));
  EXPECT_EQ(again.path1, u"/b");
}

TEST_F(SettingsTest, TimeToleranceInProjectFilesIsAWholeNumberOfSecondsInRange) {
  const struct {
    const char* text;
    uint32_t tolerance;
  } cases[] = {
      {"time_tolerance = 86400", 86400}, {"time_tolerance = 86401", 0}, {"time_tolerance = -2", 0},
      {"time_tolerance = 2.5", 0},       {"time_tolerance = 99999999999", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    testing_support::writeFileBytes(m_application.path("t.mirrane"), std::string("[global]\n") + c.text + "\n");
    CompareOptions options;
    options.timeTolerance = 7;
    ASSERT_TRUE(loadProjectFile(m_application.widePath("t.mirrane"), options));
    EXPECT_EQ(options.timeTolerance, c.tolerance);
  }
}
