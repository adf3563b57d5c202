#include "app/CommandLine.h"

#include <gtest/gtest.h>

TEST(CommandLineTokens, WindowsQuotingRules) {
  struct Case {
    olstring text;
    std::vector<olstring> tokens;
  };
  const Case cases[] = {
      {u"", {}},
      {u"  \t ", {}},
      {u"a b", {u"a", u"b"}},
      {u"\"C:\\My Folder\\x\" y", {u"C:\\My Folder\\x", u"y"}},
      {u"\"\" a", {u"a"}},                                  // empty quotes give nothing
      {u"a\\\\\"b c\"", {u"a\\b c"}},                        // 2 backslashes + quote: 1 backslash, quote groups
      {u"a\\\"b", {u"a\"b"}},                                // 1 backslash + quote: a literal quote
      {u"\"C:\\dir\\\" next", {u"C:\\dir\" next"}},          // the trailing backslash eats the closing quote
      {u"a\\\\b", {u"a\\\\b"}},                              // backslashes without a quote stay
      {u"a\tb", {u"a\tb"}},                                  // tabs inside the text are no separator
      {u"x\"y z\"w", {u"xy zw"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.text));
    EXPECT_EQ(tokenizeCommandLine(c.text), c.tokens);
  }
}

TEST(CommandLineTokens, DuplicatesCollapseByTheRuleGiven) {
  const std::vector<olstring> tokens = {u"/data/A", u"hide", u"/data/a", u"/data/A", u"HIDE"};
  EXPECT_EQ(collapseDuplicateTokens(tokens, TokenMatch::exact), (std::vector<olstring>{u"/data/A", u"hide", u"/data/a", u"HIDE"}));
  // Ignoring case: first position, last text.
  EXPECT_EQ(collapseDuplicateTokens(tokens, TokenMatch::ignoringCase), (std::vector<olstring>{u"/data/A", u"HIDE"}));
  // An absurd command line stays quick.
  std::vector<olstring> many(200000, u"same");
  EXPECT_EQ(collapseDuplicateTokens(many, TokenMatch::exact).size(), 1u);
}

TEST(CommandLineParsing, TimeToleranceAndHourShift) {
  const struct {
    std::vector<olstring> arguments;
    uint32_t tolerance;
    bool hourShift;
    olstring bad;
  } cases[] = {
      {{u"--time-tolerance=2", u"/a", u"/b"}, 2, false, u""},
      {{u"--time-tolerance=0", u"--ignore-hour-shift", u"/a", u"/b"}, 0, true, u""},
      {{u"+ignore-hour-shift", u"-ignore-hour-shift", u"/a", u"/b"}, 0, false, u""},
      {{u"--time-tolerance", u"/a", u"/b"}, 0, false, u"--time-tolerance"},
      {{u"--time-tolerance=86401", u"/a", u"/b"}, 0, false, u"--time-tolerance=86401"},
      {{u"--time-tolerance=-1", u"/a", u"/b"}, 0, false, u"--time-tolerance=-1"},
      // After "--" it is a path like any other.
      {{u"/a", u"--", u"--time-tolerance=5"}, 0, false, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.arguments.front()));
    CommandLine commandLine;
    parseCommandLine(c.arguments, commandLine);
    EXPECT_EQ(commandLine.options.timeTolerance, c.tolerance);
    EXPECT_EQ(commandLine.options.ignoreHourShift, c.hourShift);
    EXPECT_EQ(commandLine.badTimeTolerance, c.bad);
    EXPECT_TRUE(commandLine.unknownOptions.empty());
    CompareOptions applied;
    applyCommandLine(commandLine, applied);
    EXPECT_EQ(applied.timeTolerance, c.tolerance);
  }
}
