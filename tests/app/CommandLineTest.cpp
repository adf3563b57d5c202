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
