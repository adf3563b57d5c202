// The table of compare switches: every row reaches the command line, project files and its
// caption on its own member, and no two rows share a word, key, caption, member or box.
#include "app/CommandLine.h"
#include "app/CompareSwitches.h"
#include "app/ProjectFile.h"
#include "app/SettingsValues.h"
#include "foundation/TextFile.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// The switches as they stand apart from the row's own.
bool othersAtDefault(const CompareOptions& options, const CompareSwitch& own) {
  const CompareOptions defaults;
  for (const CompareSwitch& other : kCompareSwitches)
    if (&other != &own && options.*other.option != defaults.*other.option) return false;
  return true;
}

TEST(CompareSwitches, EveryRowReachesEveryReaderOnItsOwnMember) {
  const CompareOptions defaults;
  for (const CompareSwitch& entry : kCompareSwitches) {
    SCOPED_TRACE(toUtf8(entry.key));
    // Flipped from its default, so that a row wired to the wrong member shows.
    const bool flipped = !(defaults.*entry.option);

    CommandLine commandLine;
    parseCommandLine({olstring(flipped ? u"+" : u"-") + olstring(entry.word)}, commandLine);
    EXPECT_EQ(commandLine.options.*entry.option, flipped) << "the word " << toUtf8(entry.word);
    EXPECT_TRUE(othersAtDefault(commandLine.options, entry));
    EXPECT_TRUE(commandLine.unknownOptions.empty());

    CompareOptions options;
    options.*entry.option = flipped;
    olini ini(u"global");
    writeOptions(ini, options);
    EXPECT_EQ(ini.get(u"global", entry.key), writeBoolean(flipped));
    CompareOptions read;
    readOptions(ini, read);
    EXPECT_EQ(read.*entry.option, flipped);
    EXPECT_TRUE(othersAtDefault(read, entry));
  }
}

TEST(CompareSwitches, NoTwoRowsShareAnythingThatNamesThem) {
  std::set<olstring> words{u"hide", u"start"};
  std::set<olstring> keys{u"path0", u"path1", u"excludes"};
  std::set<olstring> captions;
  std::set<int> boxes;
  for (const CompareSwitch& entry : kCompareSwitches) {
    SCOPED_TRACE(toUtf8(entry.key));
    EXPECT_TRUE(words.insert(lowerCaseCopy(entry.word)).second) << "the word is taken";
    EXPECT_TRUE(keys.insert(olstring(entry.key)).second) << "the key is taken";
    EXPECT_TRUE(captions.insert(olstring(entry.caption.key)).second) << "the caption is taken";
    EXPECT_TRUE(boxes.insert(entry.controlId).second) << "the box is taken";
    for (const CompareSwitch& other : kCompareSwitches) {
      if (&other == &entry) continue;
      EXPECT_NE(other.option, entry.option);
    }
  }
}

}  // namespace
