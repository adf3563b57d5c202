// Listings saved by the real program and compared by the engine: against the tree they
// list, against a changed copy (exactly what a compare of the two trees finds), against
// each other; their hashes against sha256sum; a listing that cannot be used; a tree that
// could not be read in full; a cancelled save.

#include "app/ListingWriter.h"
#include "engine/CompareEngine.h"
#include "engine/ListingWalk.h"
#include "foundation/JsonLines.h"
#include "foundation/Language.h"
#include "platform/Path.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

using engine_test::narrow;
using engine_test::runJob;
using engine_test::wide;
using testing_support::TempFolder;
using testing_support::shellQuote;

namespace {

const std::string kProgram = std::string(MIRRANE_BUILD_DIR) + "/mirrane";

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

int saveListing(const std::string& listing, const std::string& tree, std::string* output = nullptr) {
  return testing_support::runCommand(shellQuote(kProgram) + " --save-listing=" + shellQuote(listing) + " " +
                                         shellQuote(tree) + " 2>&1",
                                     output);
}

// Every item of a finished compare: its flags and data category, by path.
std::map<std::string, std::pair<uint32_t, std::string>> verdicts(const CompareItem& item, const std::string& prefix = "") {
  std::map<std::string, std::pair<uint32_t, std::string>> out;
  for (const auto& [key, child] : item.children) {
    const SideInfo& named = child.side[0].present() ? child.side[0] : child.side[1];
    const std::string path = prefix.empty() ? narrow(named.name) : prefix + "/" + narrow(named.name);
    out[path] = {child.flags, narrow(dataCategory(child, false))};
    out.merge(verdicts(child, path));
  }
  return out;
}

struct Compared {
  uint32_t exitCode = 99;
  std::map<std::string, std::pair<uint32_t, std::string>> items;
};

// Times, attributes and name case compared; text mode off, since a side from a listing
// has no text.
Compared compare(const std::string& first, const std::string& second) {
  CompareEngine engine;
  engine.options.modifyTime = true;
  engine.options.attr = true;
  engine.options.textMode = false;
  Compared compared;
  compared.exitCode = runJob(engine, first, second);
  compared.items = verdicts(engine.result.root);
  return compared;
}

// A tree with every kind of entry a listing keeps, all at a fixed time.
void makeTree(const std::string& root) {
  using namespace testing_support;
  writeFileBytes(root + "/docs/readme.txt", "line one\nline two\n");
  writeFileBytes(root + "/docs/empty.txt", "");
  makeFolders(root + "/empty-folder");
  writeFileBytes(root + "/caf\xE9.txt", "a name that is not UTF-8");
  writeFileBytes(root + "/.hidden", "h");
  std::string data(100000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7919 % 251);
  writeFileBytes(root + "/data.bin", data);
  writeFileBytes(root + "/readonly.txt", "r");
  makeLink("docs/readme.txt", root + "/to-file");
  makeLink("docs", root + "/to-folder");
  makeLink("nowhere", root + "/dangling");
  runCommand("find " + shellQuote(root) + " -exec touch -h -d @1700000000.5 {} +");
  setMode(root + "/readonly.txt", 0444);
}

class ListingTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    platform::setApplicationFolder(fromUtf8(MIRRANE_BUILD_DIR));
    ASSERT_TRUE(loadDefaultLanguage());
  }

  TempFolder m_temp;
};

}  // namespace

TEST_F(ListingTest, RoundTripsFindWhatACompareOfTheTreesFinds) {
  const std::string a = m_temp.path("a");
  const std::string b = m_temp.path("b");
  makeTree(a);
  ASSERT_EQ(testing_support::runCommand("cp -a " + shellQuote(a) + " " + shellQuote(b)), 0);
  // The changes: content at the same size, a size, a time, a mode, a name's case, one item
  // gone, one new, a new folder, and a link that leads somewhere now.
  testing_support::writeFileBytes(b + "/docs/readme.txt", "line one\nline TWO\n");
  testing_support::writeFileBytes(b + "/data.bin", "shorter");
  testing_support::setModifiedTime(b + "/docs/empty.txt", 1700000100);
  testing_support::setMode(b + "/readonly.txt", 0644);
  ASSERT_EQ(rename((b + "/caf\xE9.txt").c_str(), (b + "/CAF\xE9.txt").c_str()), 0);
  ASSERT_EQ(unlink((b + "/.hidden").c_str()), 0);
  testing_support::writeFileBytes(b + "/new.txt", "new");
  testing_support::writeFileBytes(b + "/extra/inner.txt", "inner");
  ASSERT_EQ(unlink((b + "/dangling").c_str()), 0);
  testing_support::makeLink("docs/readme.txt", b + "/dangling");

  const std::string listingA = m_temp.path("a.mrnl");
  const std::string listingB = m_temp.path("b.mrnl");
  std::string output;
  ASSERT_EQ(saveListing(listingA, a, &output), 0) << output;
  ASSERT_EQ(saveListing(listingB, b, &output), 0) << output;

  const Compared same = compare(listingA, a);
  EXPECT_EQ(same.exitCode, 0u);
  EXPECT_EQ(same.items.size(), 13u) << "every item is listed, the link to a folder with what it holds";
  for (const auto& [path, verdict] : same.items) EXPECT_EQ(verdict.first, 0u) << path;

  const Compared live = compare(a, b);
  ASSERT_EQ(live.exitCode, 0u);
  ASSERT_EQ(live.items.size(), 15u);
  const Compared liveBack = compare(b, a);
  const struct {
    const char* what;
    std::string first;
    std::string second;
    const Compared& expected;
  } cases[] = {
      {"a listing against the changed tree", listingA, b, live},
      {"the changed tree against a listing", b, listingA, liveBack},
      {"a tree against the listing of the changed tree", a, listingB, live},
      {"two listings", listingA, listingB, live},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Compared compared = compare(c.first, c.second);
    EXPECT_EQ(compared.exitCode, 0u);
    EXPECT_EQ(compared.items, c.expected.items);
  }

  // A listing written into the tree it lists is no part of it, nor is the one it replaces,
  // and a compare of the two leaves it out as well.
  const std::string inside = a + "/self.mrnl";
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(saveListing(inside, a, &output), 0) << output;
    EXPECT_EQ(testing_support::readFileBytes(inside).find("self.mrnl"), std::string::npos);
    const Compared itself = compare(inside, a);
    EXPECT_EQ(itself.exitCode, 0u);
    EXPECT_EQ(itself.items, same.items);
  }
}

TEST_F(ListingTest, AnArchivesListingFollowsTheLinksThatStayInsideAndKeepsTheTextOfOneThatLeadsOut) {
  const std::string tree = m_temp.path("pkg");
  testing_support::makePackageTree(tree);
  const std::string archive = m_temp.path("pkg.tar.xz");
  testing_support::packWithTar(archive, tree);
  const std::string listing = m_temp.path("pkg.mrnl");
  const std::string again = m_temp.path("again.mrnl");
  std::string output;
  ASSERT_EQ(saveListing(listing, archive, &output), 0) << output;
  ASSERT_EQ(saveListing(again, archive, &output), 0) << output;

  const std::string text = testing_support::readFileBytes(listing);
  EXPECT_NE(text.find("\"links\":\"within\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"path\":\"usr/lib/libdemo.so\",\"kind\":\"file\",\"size\":3000"), std::string::npos) << text;
  EXPECT_NE(text.find("\"link\":\"/etc/alternatives/demo-editor\",\"leads_out\":true"), std::string::npos)
      << "the archive's own text, not where the unpacker put it\n" << text;

  const struct {
    const char* what;
    std::string first;
    std::string second;
  } cases[] = {
      {"the archive's listing against the folder", listing, tree},
      {"the archive's listing against the archive", listing, archive},
      {"two listings of the archive", listing, again},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CompareEngine engine;
    engine.prepareArchives();
    engine.settings.autoTarGz = true;
    engine.options.textMode = false;
    ASSERT_EQ(runJob(engine, c.first, c.second), 0u) << engine.job.errorCode() << " " << narrow(engine.job.errorPath());
    const auto items = verdicts(engine.result.root);
    EXPECT_TRUE(items.count("docs/demo/readme")) << "the link to a folder inside is followed";
    for (const auto& [path, verdict] : items) EXPECT_EQ(verdict.first, 0u) << path;
    engine.removeArchiveWorkFolder();
  }
}

TEST_F(ListingTest, EveryHashIsWhatSha256sumPrints) {
  const std::string tree = m_temp.path("t");
  makeTree(tree);
  const std::string listing = m_temp.path("t.mrnl");
  ASSERT_EQ(saveListing(listing, tree), 0);
  int hashed = 0;
  for (const std::string& line : lines(testing_support::readFileBytes(listing))) {
    JsonObject object;
    ASSERT_TRUE(object.parse(line)) << line;
    std::string_view hash;
    if (!object.getAscii("sha256", hash)) continue;
    olstring path;
    ASSERT_TRUE(object.getString("path", path));
    std::string printed;
    ASSERT_EQ(testing_support::runCommand("sha256sum " + shellQuote(tree + "/" + toUtf8(path)), &printed), 0);
    EXPECT_EQ(printed.substr(0, 64), hash) << toUtf8(path);
    ++hashed;
  }
  // Both files in docs, the odd name, .hidden, data.bin, readonly.txt, the link to a file
  // and the two files seen again through the link to a folder; not the dangling link.
  EXPECT_EQ(hashed, 9);
}

TEST_F(ListingTest, TextModeAndSamplingDoNotApplyToAHashedSide) {
  const std::string a = m_temp.path("a");
  const std::string b = m_temp.path("b");
  // Line ends that text mode would forgive, at the same size; binary files whose sizes
  // differ; a big file that differs only where sampling skips.
  testing_support::writeFileBytes(a + "/crlf.txt", "one\r\ntwo");
  testing_support::writeFileBytes(b + "/crlf.txt", "one\n\ntwo");
  testing_support::writeFileBytes(a + "/size.bin", std::string(5, '\0'));
  testing_support::writeFileBytes(b + "/size.bin", std::string(3, '\0'));
  std::string big(3 * 1024 * 1024 + 10, 'x');
  testing_support::writeFileBytes(a + "/big.bin", big);
  big[1024 * 1024 + 5] = 'y';
  testing_support::writeFileBytes(b + "/big.bin", big);
  const std::string listing = m_temp.path("a.mrnl");
  ASSERT_EQ(saveListing(listing, a), 0);

  const struct {
    const char* name;
    std::string liveCategory;
    uint32_t hashedFlags;
    std::string hashedCategory;
    // How the verdict says it was reached, on the disk and from the listing; the bytes a
    // hashed compare read are the live side's alone.
    ContentWay liveWay;
    ContentWay hashedWay;
    std::array<uint64_t, 2> hashedBytes;
  } cases[] = {
      {"crlf.txt", "data_same_txt", ItemFlags::kContentDiffers, "data_diff", ContentWay::text, ContentWay::hash, {0, 8}},
      {"size.bin", "data_ignore", ItemFlags::kContentDiffers | ItemFlags::kContentSkipped, "data_ignore",
       ContentWay::notRead, ContentWay::notRead, {0, 0}},
      {"big.bin", "data_same_binpart", ItemFlags::kContentDiffers, "data_diff", ContentWay::sampled, ContentWay::hash,
       {0, big.size()}},
  };
  for (const bool fromListing : {false, true}) {
    CompareEngine engine;
    engine.options.autoSkip = true;
    engine.settings.textModeMaxSize = AdvancedSettings::kMinTextModeMaxSize;
    ASSERT_EQ(runJob(engine, fromListing ? listing : a, b), 0u);
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (fromListing ? " from a listing" : " on the disk"));
      const CompareItem* item = engine_test::child(engine.result.root, c.name);
      ASSERT_NE(item, nullptr);
      EXPECT_EQ(narrow(dataCategory(*item, true)), fromListing ? c.hashedCategory : c.liveCategory);
      const ContentExplanation explained = explainContent(engine.result, *item);
      EXPECT_EQ(explained.way, fromListing ? c.hashedWay : c.liveWay);
      EXPECT_FALSE(explained.differenceFound) << "a hash tells that a pair differs, not where";
      if (fromListing) {
        EXPECT_EQ(explained.bytesCompared, c.hashedBytes);
      }
      if (fromListing) {
        EXPECT_EQ(item->flags, c.hashedFlags);
        EXPECT_EQ(item->contentMode, ContentMode::hashed);
      }
    }
  }
}

TEST_F(ListingTest, AListingThatCannotBeUsedFailsWithItsLineAndNoHalfVerdict) {
  const std::string tree = m_temp.path("t");
  testing_support::writeFileBytes(tree + "/a/one.txt", "1");
  testing_support::writeFileBytes(tree + "/a/two.txt", "2");
  testing_support::writeFileBytes(tree + "/b.txt", "b");
  const std::string good = m_temp.path("good.mrnl");
  ASSERT_EQ(saveListing(good, tree), 0);
  // 1 header, 2 "a", 3 "b.txt", 4 "a/one.txt", 5 "a/two.txt", 6 summary.
  const std::vector<std::string> original = lines(testing_support::readFileBytes(good));
  ASSERT_EQ(original.size(), 6u);
  ASSERT_NE(original[3].find("\"path\":\"a/one.txt\""), std::string::npos) << original[3];
  const auto replaced = [&](size_t index, const std::string& from, const std::string& to) {
    std::vector<std::string> copy = original;
    const size_t at = copy[index].find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) copy[index].replace(at, from.size(), to);
    return joined(copy);
  };
  const auto without = [&](size_t index) {
    std::vector<std::string> copy = original;
    copy.erase(copy.begin() + static_cast<std::ptrdiff_t>(index));
    return joined(copy);
  };
  std::vector<std::string> repeated = original;
  repeated.insert(repeated.begin() + 4, original[3]);
  const std::string whole = joined(original);
  const struct {
    const char* what;
    std::string text;
    int line;
  } cases[] = {
      {"cut short", without(5), 5},
      {"cut inside its summary", whole.substr(0, whole.size() - 10), 5},
      {"a line that is not JSON", replaced(2, "{", "["), 3},
      {"an unknown format", replaced(0, "\"format\":1", "\"format\":2"), 1},
      {"a repeated path", joined(repeated), 5},
      {"a file without its hash", replaced(4, "\"sha256\"", "\"sha255\""), 5},
      {"an item whose folder is not listed", replaced(4, "a/two.txt", "c/two.txt"), 5},
      {"a line after the summary", whole + original[2] + "\n", 7},
      {"a summary that counts otherwise", replaced(5, "\"items\":4", "\"items\":5"), 6},
      {"a summary of a tree not read in full", replaced(5, "\"succeeded\":true", "\"succeeded\":false"), 6},
      {"a line of an unknown type", replaced(2, "\"type\":\"item\"", "\"type\":\"note\""), 3},
      {"a time that is no time", replaced(3, "\"mtime\":\"", "\"mtime\":\"x"), 4},
  };
  const std::string bad = m_temp.path("bad.mrnl");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::writeFileBytes(bad, c.text);
    CompareEngine engine;
    EXPECT_EQ(runJob(engine, bad, tree), 1u);
    EXPECT_EQ(engine.job.errorCode(), kErrorBadListing);
    olstring text;
    engine.job.getError(text, u": ");
    EXPECT_NE(toUtf8(text).find("line " + std::to_string(c.line)), std::string::npos) << toUtf8(text);
    EXPECT_EQ(narrow(engine.job.errorPath()), bad);
    EXPECT_TRUE(engine.result.root.children.empty());
  }
}

// Runs the save as an unprivileged user, so that permissions hold when the tests run as root.
TEST_F(ListingTest, ATreeNotReadInFullIsSavedAsSuchAndACompareAgainstItFails) {
  const std::string tree = m_temp.path("t");
  testing_support::writeFileBytes(tree + "/ok.txt", "ok");
  testing_support::writeFileBytes(tree + "/secret.txt", "secret");
  testing_support::writeFileBytes(tree + "/locked/inner.txt", "inner");
  testing_support::setMode(tree + "/secret.txt", 0000);
  testing_support::setMode(tree + "/locked", 0000);
  const std::string listing = m_temp.path("t.mrnl");
  std::string output;
  const int status = testing_support::runInChild([&] { return saveListing(listing, tree, &output) == 1; }, true);
  ASSERT_EQ(status, 0);
  const std::vector<std::string> written = lines(testing_support::readFileBytes(listing));
  ASSERT_EQ(written.size(), 6u) << "header, locked, ok.txt, secret.txt, the error of locked, summary";
  EXPECT_NE(written[3].find(R"("path":"secret.txt")"), std::string::npos) << written[3];
  EXPECT_NE(written[3].find(R"("error_code":5)"), std::string::npos) << written[3];
  EXPECT_EQ(written[3].find("sha256"), std::string::npos) << written[3];
  EXPECT_NE(written[4].find(R"({"type":"error","path":"locked","error_code":5,)"), std::string::npos) << written[4];
  EXPECT_NE(written[5].find(R"("succeeded":false,"items":3,"files":2,"folders":1,"bytes":)"), std::string::npos)
      << written[5];
  EXPECT_NE(written[5].find(R"("unreadable":2)"), std::string::npos) << written[5];

  CompareEngine engine;
  EXPECT_EQ(runJob(engine, listing, tree), 1u);
  EXPECT_EQ(engine.job.errorCode(), kErrorBadListing);
  olstring text;
  engine.job.getError(text, u": ");
  EXPECT_NE(toUtf8(text).find("line 4"), std::string::npos) << toUtf8(text);
  EXPECT_NE(toUtf8(text).find("secret.txt"), std::string::npos) << toUtf8(text);
  EXPECT_TRUE(engine.result.root.children.empty());
}

TEST_F(ListingTest, ACancelledSaveLeavesTheOldFileAndNoOther) {
  const std::string tree = m_temp.path("t");
  for (int i = 0; i < 2000; ++i) testing_support::writeFileBytes(tree + "/f" + std::to_string(i), "x");
  const std::string listing = m_temp.path("out/t.mrnl");
  testing_support::writeFileBytes(listing, "the old listing\n");

  // Stops the walk after a given entry, from the worker itself: where the cancel falls
  // does not depend on timing. Past the first flush, so that the new file holds something.
  class StopAfter : public ListingSink {
  public:
    StopAfter(ListingWriter& writer, CompareEngine& engine, int count)
        : m_writer(writer), m_engine(engine), m_left(count) {}
    void started(const ListingStart& start) override { m_writer.started(start); }
    void listed(const ListingEntry& entry) override {
      m_writer.listed(entry);
      if (--m_left == 0) m_engine.worker.requestStop();
    }
    void folderUnreadable(olstring_view path, uint32_t error) override { m_writer.folderUnreadable(path, error); }

  private:
    ListingWriter& m_writer;
    CompareEngine& m_engine;
    int m_left;
  };
  CompareEngine engine;
  ListingWriter writer(engine);
  ASSERT_TRUE(writer.open(wide(listing)));
  StopAfter sink(writer, engine, 1500);
  ListingRequest request;
  request.path = wide(tree);
  ListingTotals totals;
  ASSERT_TRUE(engine.worker.startWorker(
      engine, [&](CompareEngine& running) { return runListingWalk(running, request, sink, totals); }));
  engine.worker.waitFinished();
  EXPECT_EQ(engine.worker.exitCode(), 1u);
  EXPECT_EQ(engine.job.errorCode(), kErrorCancelled);
  EXPECT_LT(totals.items, 2000);
  EXPECT_TRUE(writer.finish(false, totals));
  EXPECT_EQ(testing_support::readFileBytes(listing), "the old listing\n");
  std::string left;
  testing_support::runCommand("ls -A " + shellQuote(m_temp.path("out")), &left);
  EXPECT_EQ(left, "t.mrnl\n");
}
