// The report's lines as they are written: escapes of names that JSON cannot hold as they
// are, the bytes beside names that are not UTF-8, times, kinds, scope and counts, the
// summary of a failed compare, and a report that is never finished.

#include "app/ReportWriter.h"

#include "engine/CompareJob.h"
#include "foundation/Language.h"
#include "platform/Path.h"
#include "platform/Error.h"
#include "platform/FolderListing.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

using testing_support::TempFolder;

namespace {

uint64_t fileTime(int64_t posixSeconds) {
  return static_cast<uint64_t>(posixSeconds + platform::kEpochDifferenceSeconds) * 10000000;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// The line of one item, written with the header and summary around it.
std::string itemLine(CompareEngine& engine, const CompareItem& item, const TempFolder& folder) {
  ReportWriter writer(engine, ReportScope::allItems);
  const std::string path = folder.path("item.jsonl");
  EXPECT_TRUE(writer.open(fromUtf8(path)));
  writer.itemJudged(item);
  EXPECT_TRUE(writer.finish(true));
  const std::vector<std::string> written = lines(testing_support::readFileBytes(path));
  return written.size() == 3 ? written[1] : "(" + std::to_string(written.size()) + " lines)";
}

class ReportWriterTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    platform::setApplicationFolder(fromUtf8(MIRRANE_BUILD_DIR));
    ASSERT_TRUE(loadDefaultLanguage());
  }
  void SetUp() override {
    CompareItem& root = m_engine.result.root;
    root.side[0].name = u"/first";
    root.side[1].name = u"/second";
    m_engine.result.displayRoot[0] = u"/first";
    m_engine.result.displayRoot[1] = u"/second";
  }

  CompareEngine m_engine;
  TempFolder m_folder;
};

TEST_F(ReportWriterTest, NamesTimesKindsAndDifferences) {
  CompareItem& root = m_engine.result.root;
  // A name JSON must escape, one outside the BMP, and one with the bytes 0xE9 and 0xFF,
  // which are not UTF-8 (the program holds them as U+DCE9 and U+DCFF).
  const olstring odd = u"q\"b\\s\n\t\x01 \U0001F600";
  const olstring notUtf8 = u"caf\xDCE9\xDCFF";
  CompareItem* folder = addEntry(root, 0, u"Dir", 0, fileTime(0), kFolderAttribute);
  addEntry(root, 1, u"dir", 0, fileTime(-1), kFolderAttribute);
  folder->flags = ItemFlags::kNameCase;
  CompareItem* escaped = addEntry(*folder, 0, odd, 5, fileTime(951782400), 0);
  addEntry(*folder, 1, odd, 7, fileTime(4102444799), 0);
  escaped->side[1].isLink = true;
  escaped->flags = ItemFlags::kContentDiffers | ItemFlags::kTimeDiffers | ItemFlags::kAttrDiffers;
  CompareItem* raw = addEntry(*folder, 1, notUtf8, 3, 0, 0);
  raw->flags = ItemFlags::kMissing;

  EXPECT_EQ(itemLine(m_engine, *folder, m_folder),
            R"({"type":"item","path":"Dir","path_second":"dir","kind":["folder","folder"],)"
            R"("differences":["name_case"],"size":[null,null],)"
            R"("mtime":["1970-01-01T00:00:00Z","1969-12-31T23:59:59Z"],"category":null})");
  EXPECT_EQ(itemLine(m_engine, *escaped, m_folder),
            "{\"type\":\"item\",\"path\":\"Dir/q\\\"b\\\\s\\n\\t\\u0001 \xF0\x9F\x98\x80\","
            "\"path_second\":\"dir/q\\\"b\\\\s\\n\\t\\u0001 \xF0\x9F\x98\x80\",\"kind\":[\"file\",\"link\"],"
            "\"differences\":[\"time\",\"attributes\",\"content\"],\"size\":[5,7],"
            "\"mtime\":[\"2000-02-29T00:00:00Z\",\"2099-12-31T23:59:59Z\"],\"time_delta\":3150662399,"
            "\"category\":\"data_diff\","
            "\"content\":{\"mode\":\"not_read\",\"bytes_compared\":[0,0],\"reason\":\"sizes_differ\"}}");
  // Only the side that has it names it, and only a name that is not UTF-8 gets its bytes:
  // "dir/caf" + E9 FF in base64.
  EXPECT_EQ(itemLine(m_engine, *raw, m_folder),
            R"({"type":"item","path":"dir/caf\udce9\udcff","path_bytes":"ZGlyL2NhZun/",)"
            R"("kind":["missing","file"],"differences":["only_second"],"size":[null,3],)"
            R"("mtime":[null,"1601-01-01T00:00:00Z"],"category":null})");
}

TEST_F(ReportWriterTest, TimeDeltaIsSecondMinusFirstForFilePairsOnly) {
  CompareItem& root = m_engine.result.root;
  const struct {
    const char* name;
    int64_t seconds0;
    uint32_t nanos0;
    int64_t seconds1;
    uint32_t nanos1;
    const char* delta;
  } cases[] = {
      {"later.txt", 100, 0, 102, 0, R"("time_delta":2,)"},
      {"earlier.txt", 3700, 0, 100, 0, R"("time_delta":-3600,)"},
      {"fraction.txt", 100, 250000000, 100, 0, R"("time_delta":-0.25,)"},
      {"nanosecond.txt", 100, 0, 101, 1, R"("time_delta":1.000000001,)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const olstring name = fromUtf8(c.name);
    CompareItem* item = addEntry(root, 0, name, 1, fileTime(c.seconds0), 0);
    addEntry(root, 1, name, 1, fileTime(c.seconds1), 0);
    item->side[0].modifiedNanoseconds = c.nanos0;
    item->side[1].modifiedNanoseconds = c.nanos1;
    EXPECT_NE(itemLine(m_engine, *item, m_folder).find(c.delta), std::string::npos) << itemLine(m_engine, *item, m_folder);
  }
  // One name in two Unicode forms: composed on the first side, decomposed on the second.
  CompareItem* forms = addEntry(root, 0, u"caf\u00e9", 1, fileTime(1), 0);
  forms->side[1] = forms->side[0];
  forms->side[1].name = u"cafe\u0301";
  forms->flags = ItemFlags::kNameForm;
  EXPECT_NE(itemLine(m_engine, *forms, m_folder).find("\"path_second\":\"cafe\u0301\",\"kind\":[\"file\",\"file\"],"
                                                      "\"differences\":[\"name_form\"]"),
            std::string::npos)
      << itemLine(m_engine, *forms, m_folder);
  CompareItem* folder = addEntry(root, 0, u"dir", 0, fileTime(1), kFolderAttribute);
  addEntry(root, 1, u"dir", 0, fileTime(2), kFolderAttribute);
  CompareItem* alone = addEntry(root, 0, u"alone.txt", 0, fileTime(1), 0);
  alone->flags = ItemFlags::kMissing | ItemFlags::kMissingSecond;
  for (const CompareItem* item : {folder, alone}) {
    EXPECT_EQ(itemLine(m_engine, *item, m_folder).find("time_delta"), std::string::npos);
  }
}

TEST_F(ReportWriterTest, ContentCategoriesAndTheSampledMark) {
  CompareItem& root = m_engine.result.root;
  CompareItem* item = addEntry(root, 0, u"f", 1, 0, 0);
  addEntry(root, 1, u"f", 1, 0, 0);
  struct Case {
    uint32_t flags;
    ContentMode mode;
    const char* differences;
    const char* category;
    const char* end = R"(,"content":)";
  };
  // A pair with a side from a listing was compared by hash, as bytes.
  const char* byHash = R"(,"content_compare":"sha256","content":)";
  const Case cases[] = {
      {0, ContentMode::sampled, R"(["sampled"])", R"("data_same_binpart")"},
      {ItemFlags::kTimeDiffers, ContentMode::sampled, R"(["time","sampled"])", R"("data_same_binpart")"},
      {ItemFlags::kContentDiffers, ContentMode::sampled, R"(["content"])", R"("data_diff")"},
      {0, ContentMode::text, "[]", R"("data_same_txt")"},
      {ItemFlags::kContentDiffers | ItemFlags::kContentSkipped, ContentMode::binary, R"(["content"])",
       R"("data_ignore")"},
      {0, ContentMode::hashed, "[]", R"("data_same_bin")", byHash},
      {ItemFlags::kContentDiffers, ContentMode::hashed, R"(["content"])", R"("data_diff")", byHash},
      {ItemFlags::kMissing | ItemFlags::kMissingSecond, ContentMode::binary, R"(["only_first"])", "null", "}"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.differences);
    item->flags = k.flags;
    item->contentMode = k.mode;
    if ((k.flags & ItemFlags::kMissing) != 0) item->side[1].clear();
    const std::string line = itemLine(m_engine, *item, m_folder);
    EXPECT_NE(line.find(std::string("\"differences\":") + k.differences + ","), std::string::npos) << line;
    EXPECT_NE(line.find(std::string("\"category\":") + k.category + k.end), std::string::npos) << line;
  }
}

TEST_F(ReportWriterTest, TheContentMemberSaysWhatDecidedTheVerdict) {
  CompareItem& root = m_engine.result.root;
  CompareItem* item = addEntry(root, 0, u"f", 300, 0, 0);
  addEntry(root, 1, u"f", 300, 0, 0);
  item->flags = ItemFlags::kContentDiffers;
  const auto explained = [](ContentWay way, ContentReason reason, int8_t side) {
    ContentExplanation explanation;
    explanation.way = way;
    explanation.reason = reason;
    explanation.side = side;
    return explanation;
  };
  ContentExplanation bytes = explained(ContentWay::bytes, ContentReason::none, -1);
  bytes.differsAt(4096, 4096, 300000, 300000);
  ContentExplanation text = explained(ContentWay::text, ContentReason::none, -1);
  text.differsAt(14, 12, 20, 17);
  text.line = {3, 3};
  ContentExplanation sampled = explained(ContentWay::sampled, ContentReason::none, -1);
  sampled.bytesCompared = {71303168, 71303168};
  sampled.blocksCompared = 5;
  sampled.blocksTotal = 7;
  ContentExplanation unreadable = explained(ContentWay::notRead, ContentReason::unreadable, 1);
  unreadable.errorCode = platform::kErrorAccessDenied;
  ContentExplanation midway = explained(ContentWay::bytes, ContentReason::changed, 0);
  midway.bytesCompared = {131072, 131072};
  struct Case {
    ContentExplanation explanation;
    const char* content;
  };
  const Case cases[] = {
      {bytes, R"({"mode":"bytes","bytes_compared":[4097,4097],"first_difference":{"offset":4096}})"},
      {text, R"({"mode":"text","bytes_compared":[15,13],"first_difference":{"line":[3,3],"offsets":[14,12]}})"},
      {sampled, R"({"mode":"sampled","bytes_compared":[71303168,71303168],"blocks":[5,7]})"},
      {unreadable, R"({"mode":"not_read","bytes_compared":[0,0],"reason":"unreadable","side":"second",)"
                   R"("error_code":5,"error_text":"Access is denied"})"},
      {midway, R"({"mode":"bytes","bytes_compared":[131072,131072],"reason":"changed","side":"first"})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content);
    m_engine.result.explanations.keep(*item, c.explanation);
    const std::string line = itemLine(m_engine, *item, m_folder);
    EXPECT_NE(line.find(std::string(R"("category":"data_diff","content":)") + c.content + "}"), std::string::npos)
        << line;
  }
  // What the item tells by itself needs nothing kept: a quick compare that skipped a pair
  // whose time differs (sizes that differ: see the first test).
  m_engine.result.explanations.clear();
  m_engine.options.autoSkip = m_engine.result.options.autoSkip = true;
  item->flags = ItemFlags::kTimeDiffers;
  EXPECT_NE(itemLine(m_engine, *item, m_folder).find(R"("content":{"mode":"not_read","bytes_compared":[0,0],)"
                                                     R"("reason":"already_differs"}})"),
            std::string::npos);
}

TEST_F(ReportWriterTest, ScopeCountsAndTheSummaryOfAFailedCompare) {
  CompareItem& root = m_engine.result.root;
  const struct {
    const char16_t* name;
    uint32_t flags;
  } items[] = {{u"equal", 0},
               {u"changed", ItemFlags::kContentDiffers},
               {u"gone", ItemFlags::kMissing | ItemFlags::kMissingSecond},
               {u"new", ItemFlags::kMissing}};
  std::vector<CompareItem*> made;
  for (const auto& entry : items) {
    made.push_back(addEntry(root, 0, entry.name, 1, 0, 0));
    made.back()->flags = entry.flags;
  }
  m_engine.options.path0 = u"/given/first";
  m_engine.options.path1 = u"/given/\xDC80second";
  m_engine.options.excludes = u"*.o \"a b\"";
  m_engine.job.setError(platform::kErrorAccessDenied, u"/first/locked");
  // The second side comes from a listing: the header says where and when it was saved.
  auto origin = std::make_shared<ListingOrigin>();
  origin->host = u"studio";
  origin->root = u"/srv/data";
  origin->started = fileTime(951782400) + 1234567;
  m_engine.result.listing[1] = origin;

  for (const ReportScope scope : {ReportScope::differences, ReportScope::allItems}) {
    SCOPED_TRACE(static_cast<int>(scope));
    const std::string path = m_folder.path("scope.jsonl");
    ReportWriter writer(m_engine, scope);
    ASSERT_TRUE(writer.open(fromUtf8(path)));
    for (const CompareItem* item : made) writer.itemJudged(*item);
    ASSERT_TRUE(writer.finish(false));
    const std::vector<std::string> written = lines(testing_support::readFileBytes(path));
    const size_t itemLines = scope == ReportScope::allItems ? 4 : 3;
    ASSERT_EQ(written.size(), itemLines + 2);
    EXPECT_EQ(written[0].rfind(R"({"type":"header","format":1,"program":"Mirrane )", 0), 0u) << written[0];
    EXPECT_NE(written[0].find(R"("paths":["/given/first","/given/\udc80second"],)"
                              R"("paths_bytes":["L2dpdmVuL2ZpcnN0","L2dpdmVuL4BzZWNvbmQ="],)"
                              R"("roots":["/first","/second"],)"
                              R"("listings":[null,{"host":"studio","root":"/srv/data","saved":"2000-02-29T00:00:00Z"}],)"),
              std::string::npos)
        << written[0];
    EXPECT_NE(written[0].find(R"("options":{"excludes":"*.o \"a b\"","case":true,"modify_time":false,)"),
              std::string::npos)
        << written[0];
    EXPECT_EQ(written[1].find(R"("path":"equal")") != std::string::npos, scope == ReportScope::allItems);
    const std::string& summary = written.back();
    EXPECT_EQ(summary.rfind(R"({"type":"summary","succeeded":false,"items":)" + std::to_string(itemLines) +
                                R"(,"differing":3,"only_first":1,"only_second":1,"error_code":5,)"
                                R"("error_text":"Access is denied","error_path":"/first/locked","elapsed_seconds":)",
                            0),
              0u)
        << summary;
  }
}

TEST_F(ReportWriterTest, AFailureBeforeAnyItemStillGivesHeaderAndSummary) {
  // A compare that found nothing: code 0, with the text that says so.
  const std::string path = m_folder.path("empty.jsonl");
  m_engine.result.displayRoot[0].clear();
  m_engine.result.displayRoot[1].clear();
  ReportWriter writer(m_engine, ReportScope::differences);
  ASSERT_TRUE(writer.open(fromUtf8(path)));
  ASSERT_TRUE(writer.finish(false));
  const std::vector<std::string> written = lines(testing_support::readFileBytes(path));
  ASSERT_EQ(written.size(), 2u);
  ASSERT_FALSE(nothingToCompareText().empty());
  EXPECT_NE(written[0].find(R"("roots":[null,null])"), std::string::npos) << written[0];
  EXPECT_NE(written[1].find(R"("error_code":0,"error_text":")" + toUtf8(nothingToCompareText()) + "\""),
            std::string::npos)
      << written[1];
}

TEST_F(ReportWriterTest, AReportNeverFinishedLeavesTheOldFileAndNoTemporary) {
  const std::string path = m_folder.path("kept.jsonl");
  testing_support::writeFileBytes(path, "old report\n");
  {
    ReportWriter writer(m_engine, ReportScope::allItems);
    ASSERT_TRUE(writer.open(fromUtf8(path)));
    CompareItem* item = addEntry(m_engine.result.root, 0, u"x", 1, 0, 0);
    for (int i = 0; i < 2000; ++i) writer.itemJudged(*item);  // past the first flush
  }
  EXPECT_EQ(testing_support::readFileBytes(path), "old report\n");
  std::string listing;
  testing_support::runCommand("ls -A " + testing_support::shellQuote(m_folder.path()), &listing);
  EXPECT_EQ(listing, "kept.jsonl\n");

  ReportWriter unwritable(m_engine, ReportScope::allItems);
  EXPECT_FALSE(unwritable.open(fromUtf8(m_folder.path("missing/folder/r.jsonl"))));
  EXPECT_EQ(platform::lastError(), platform::kErrorPathNotFound);
  EXPECT_FALSE(unwritable.finish(true)) << "nothing was opened";
}

}  // namespace
