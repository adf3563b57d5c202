#include "engine/NameForms.h"

#include "engine/CompareEngine.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace testing_support;
using engine_test::runJob;

namespace {

// Every item of the tree as "first name|second name" -> flags (a missing side is empty).
std::map<std::string, uint32_t> pairsOf(const CompareItem& root) {
  std::map<std::string, uint32_t> pairs;
  for (const auto& [key, item] : root.children) {
    pairs[engine_test::narrow(item.side[0].name) + "|" + engine_test::narrow(item.side[1].name)] = item.flags;
  }
  return pairs;
}

}  // namespace

// A folder may hold both forms of a name, or two case forms: every item stays, each entry is
// paired at most once, exact spellings first, whichever side holds what.
TEST(NameForms, TwoFormsOfANamePairAsOneItemAndNothingIsDroppedOrPairedTwice) {
  const std::string nfc = "Caf\xC3\xA9";
  const std::string nfd = "Cafe\xCC\x81";
  const std::string upperNfd = "CAFE\xCC\x81";
  const std::string notUtf8 = "caf\xE9";
  using Pairs = std::map<std::string, uint32_t>;
  struct Case {
    std::string what;
    std::vector<std::string> first;
    std::vector<std::string> second;
    bool compareCase;
    Pairs expected;
  };
  // Hangul syllables and their jamo: composed by rule, not by table.
  const std::string syllables = "\xED\x95\x9C\xEA\xB8\x80.txt";
  const std::string jamo = "\xE1\x84\x92\xE1\x85\xA1\xE1\x86\xAB\xE1\x84\x80\xE1\x85\xB3\xE1\x86\xAF.txt";
  const Case cases[] = {
      {"both forms against one", {nfc, nfd}, {nfd}, true,
       Pairs{{nfc + "|", ItemFlags::kMissing | ItemFlags::kMissingSecond}, {nfd + "|" + nfd, 0}}},
      {"one against both forms", {nfc}, {nfd, nfc}, true,
       Pairs{{nfc + "|" + nfc, 0}, {"|" + nfd, ItemFlags::kMissing}}},
      {"decomposed against composed", {nfd}, {nfc}, true, Pairs{{nfd + "|" + nfc, ItemFlags::kNameForm}}},
      {"form and case differ, case compared", {nfc}, {upperNfd}, true,
       Pairs{{nfc + "|" + upperNfd, ItemFlags::kNameForm | ItemFlags::kNameCase}}},
      {"form and case differ, case not compared", {nfc}, {upperNfd}, false,
       Pairs{{nfc + "|" + upperNfd, ItemFlags::kNameForm}}},
      // Bytes that are not UTF-8 are never normalized: they pair only byte for byte.
      {"not UTF-8 against composed", {notUtf8}, {"caf\xC3\xA9"}, true,
       Pairs{{"|caf\xC3\xA9", ItemFlags::kMissing}, {notUtf8 + "|", ItemFlags::kMissing | ItemFlags::kMissingSecond}}},
      {"not UTF-8 against itself", {notUtf8}, {notUtf8}, true, Pairs{{notUtf8 + "|" + notUtf8, 0}}},
      {"syllables against jamo", {syllables}, {jamo}, true, Pairs{{syllables + "|" + jamo, ItemFlags::kNameForm}}},
      {"jamo against syllables", {jamo}, {syllables}, true, Pairs{{jamo + "|" + syllables, ItemFlags::kNameForm}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder temp;
    for (const std::string& name : c.first) writeFileBytes(temp.path("a/" + name), "same");
    for (const std::string& name : c.second) writeFileBytes(temp.path("b/" + name), "same");
    CompareEngine engine;
    engine.options.compareCase = c.compareCase;
    ASSERT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u);
    EXPECT_EQ(pairsOf(engine.result.root), c.expected);
  }
}
