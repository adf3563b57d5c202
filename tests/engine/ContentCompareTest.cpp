// Content comparison: text rule, text detection, sampling and the data categories it leads
// to, on real files.

#include "engine/ContentCompare.h"

#include "engine/CompareEngine.h"
#include "engine/FolderScan.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>

using namespace testing_support;
using engine_test::child;
using engine_test::narrow;
using engine_test::runJob;
using engine_test::writeBoth;

namespace {

using namespace ItemFlags;
constexpr uint64_t kMiB = 1024 * 1024;

bool textEqualStrings(const std::string& a, const std::string& b) {
  return textEqual(reinterpret_cast<const uint8_t*>(a.data()), a.size(), reinterpret_cast<const uint8_t*>(b.data()),
                   b.size());
}

TEST(ContentCompare, TextRuleSkipsLineBreakRunsOnlyWhereTextsDisagree) {
  struct Case {
    std::string a;
    std::string b;
    bool equal;
  };
  const std::string big(100000, 'x');
  const Case cases[] = {
      {"one\r\ntwo\r\n", "one\ntwo\n", true},
      {"abc", "abcdef", false},
      {"abc", "abc\r\n", true},
      {"line\n\nline\n", "line\nline\n", true},
      // A line break added inside a line is a difference; more or fewer breaks where a
      // line ends are not, and neither are breaks at the very start or end.
      {"ab", "a\nb", false},
      {"rm -rf /opt/app/cache\n", "rm -rf /\nopt/app/cache\n", false},
      {"x\ny", "xy\n", false},
      {"a\nb", "a\n\n\r\nb", true},
      {"a\rb", "a\r\nb", true},
      {"abc\n", "abc\nd", false},
      {"a\nb", "a\n", false},
      {"\nab", "ab", true},
      {"\r\n\nab", "ab\n", true},
      {std::string("a\0b\0", 4), std::string("a\0\n\0b\0", 6), false},
      {std::string("h\0\n\0\n\0i\0", 8), std::string("h\0\n\0i\0", 6), true},
      {"abc", "abd", false},
      {"a b", "ab", false},
      {"ABC", "abc", false},
      {std::string("h\0\r\0\n\0i\0", 8), std::string("h\0\n\0i\0", 6), true},
      {big + "\r\n" + big, big + "\n" + big, true},
      {big + "y", big + "z", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.a.substr(0, 20) + " | " + c.b.substr(0, 20));
    EXPECT_EQ(textEqualStrings(c.a, c.b), c.equal);
    EXPECT_EQ(textEqualStrings(c.b, c.a), c.equal);
  }
}

TEST(ContentCompare, TextDetection) {
  TempFolder temp;
  struct Case {
    std::string bytes;
    bool text;
  };
  std::string utf16;
  for (const char c : std::string("UTF-16 text\r\nline two\r\n")) utf16 += std::string{c, '\0'};
  std::string lateZero(70000, 'a');
  lateZero.replace(66000, 2, std::string(2, '\0'));
  // Lone zero bytes first (as UTF-16 has them), then a zero word far on.
  std::string wideThenZeros;
  for (int i = 0; i < 3000; ++i) wideThenZeros += std::string{'w', '\0'};
  std::string fewThenZeros = wideThenZeros.substr(0, 6) + std::string(5000, 'a');
  wideThenZeros.replace(5000, 2, std::string(2, '\0'));
  fewThenZeros.replace(4000, 2, std::string(2, '\0'));
  const Case cases[] = {
      {"plain text\n", true},
      {"\xff\xfe" + utf16, true},
      {std::string("ab\0\0cd", 6), false},          // a zero word at an even offset
      {std::string("a\0\0b", 4), true},              // zero bytes straddling two words
      {std::string("abc\0\0", 5), false},            // odd length ending in two zeros
      {std::string("\0", 1), true},
      {lateZero, true},                               // beyond the first 64 KiB
      {wideThenZeros, false},
      {fewThenZeros, false},
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(index);
    const std::string path = temp.path("f" + std::to_string(index++));
    writeFileBytes(path, c.bytes);
    ContentReader reader;
    ASSERT_TRUE(reader.open(engine_test::wide(path)));
    reader.setPosition(3);
    EXPECT_EQ(looksLikeText(reader), c.text);
    EXPECT_EQ(reader.position(), 0u);
  }
}

TEST(ContentCompare, SampleStride) {
  const uint64_t b = 16 * kMiB;
  struct Case {
    uint64_t size;
    bool autoSkip;
    uint64_t stride;
  };
  const Case cases[] = {
      {16 * kMiB, true, 0},  {32 * kMiB, true, 1},  {100 * kMiB, true, 1},   {17 * kMiB, true, 1},
      {48 * kMiB, true, 2},  {1024 * kMiB, true, 15}, {100 * kMiB, false, 0}, {3 * kMiB, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    EXPECT_EQ(sampleStride(c.size, c.autoSkip, b), c.stride);
  }
  EXPECT_EQ(sampleStride(3 * kMiB, true, kMiB), 1u);
}

// Writes a sparse file of the given size with one byte set at each offset listed.
void writeSparse(const std::string& path, uint64_t size, const std::vector<uint64_t>& marks) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).close();
  std::filesystem::resize_file(path, size);
  std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
  for (const uint64_t mark : marks) {
    file.seekp(static_cast<std::streamoff>(mark));
    file.put('!');
  }
  ASSERT_TRUE(file.good()) << path;
}

struct Verdict {
  uint32_t flags = 0;
  std::string category;
};

Verdict compareOne(CompareEngine& engine, const TempFolder& temp, const std::string& name) {
  if (runJob(engine, temp.path("a"), temp.path("b")) != 0) return {0xFFFFFFFF, "job failed"};
  const CompareItem* item = child(engine.result.root, name);
  if (item == nullptr) return {0xFFFFFFFF, "no item"};
  return {item->flags, narrow(dataCategory(*item, engine.options.autoSkip))};
}

TEST(ContentCompare, TextModeCategories) {
  TempFolder temp;
  writeBoth(temp, "crlf.txt", "one\r\ntwo\r\n", "one\ntwo\n");
  CompareEngine engine;
  Verdict v = compareOne(engine, temp, "crlf.txt");
  EXPECT_EQ(v.flags, 0u);
  EXPECT_EQ(v.category, "data_same_txt");
  engine.options.textMode = false;
  v = compareOne(engine, temp, "crlf.txt");
  EXPECT_EQ(v.flags, kContentDiffers);
  EXPECT_EQ(v.category, "data_diff");

  // Binary content is compared byte by byte even in text mode.
  writeBoth(temp, "crlf.txt", std::string("\0\0one\r\n", 7), std::string("\0\0one\n", 6));
  engine.options.textMode = true;
  EXPECT_EQ(compareOne(engine, temp, "crlf.txt").category, "data_diff");
  writeFileBytes(temp.path("b/crlf.txt"), std::string("\0\0one\r\n", 7));
  EXPECT_EQ(compareOne(engine, temp, "crlf.txt").category, "data_same_bin");

  // A line break put inside a line changes what the line says.
  writeBoth(temp, "crlf.txt", "rm -rf /opt/app/cache\n", "rm -rf /\nopt/app/cache\n");
  v = compareOne(engine, temp, "crlf.txt");
  EXPECT_EQ(v.flags, kContentDiffers);
  EXPECT_EQ(v.category, "data_diff");
}

TEST(ContentCompare, TextLargerThanOneBlockIsComparedAsBinary) {
  TempFolder temp;
  std::string lines;
  while (lines.size() < kMiB + 100) lines += "some text line\n";
  std::string crlf;
  for (const char c : lines) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  writeBoth(temp, "big.txt", lines, crlf);
  CompareEngine engine;
  engine.settings.textModeMaxSize = kMiB;
  EXPECT_EQ(compareOne(engine, temp, "big.txt").category, "data_diff");
  writeFileBytes(temp.path("b/big.txt"), lines);
  EXPECT_EQ(compareOne(engine, temp, "big.txt").category, "data_same_bin");
}

TEST(ContentCompare, MultiBlockBinaryFindsDifferencesAnywhere) {
  TempFolder temp;
  makeFolders(temp.path("a"));
  makeFolders(temp.path("b"));
  CompareEngine engine;
  engine.settings.textModeMaxSize = kMiB;
  const uint64_t size = 5 * kMiB + 12345;
  for (const uint64_t offset : {uint64_t{0}, kMiB - 1, kMiB, 3 * kMiB + 131072, size - 1}) {
    SCOPED_TRACE(offset);
    writeSparse(temp.path("a/f.bin"), size, {});
    writeSparse(temp.path("b/f.bin"), size, {offset});
    EXPECT_EQ(compareOne(engine, temp, "f.bin").category, "data_diff");
  }
  writeSparse(temp.path("b/f.bin"), size, {});
  EXPECT_EQ(compareOne(engine, temp, "f.bin").category, "data_same_bin");
}

TEST(ContentCompare, SampledFilesSkipMiddleBlocksButReadTheEnds) {
  struct Case {
    uint64_t block;  // 0: the default of 16 MiB
    uint64_t size;
    std::vector<uint64_t> changed;
    const char* category;
  };
  std::vector<Case> cases = {
      // 100 MiB with 16 MiB blocks: 16-32 and 48-64 MiB are skipped, all else is read.
      {0, 100 * kMiB, {20 * kMiB}, "data_same_binpart"},
      // Equal 32 MiB files count as sampled though every block is read.
      {0, 32 * kMiB, {}, "data_same_binpart"},
      {0, 32 * kMiB, {17 * kMiB}, "data_diff"},
  };
  // The block before the last (80 to 96 MiB) is read as well as the last one.
  for (const uint64_t offset : {40 * kMiB, 70 * kMiB, 90 * kMiB, 100 * kMiB - 1, uint64_t{0}})
    cases.push_back({0, 100 * kMiB, {offset}, "data_diff"});
  // In 1 MiB blocks, with short skips and long ones: the last skip must stop one block short
  // of the end, whatever is left when it is due.
  for (const uint64_t size : {12 * kMiB, 16 * kMiB, 40 * kMiB, 1000 * kMiB, 1000 * kMiB + 12345}) {
    cases.push_back({kMiB, size, {size - 1}, "data_diff"});
    cases.push_back({kMiB, size, {(size - 1) / kMiB * kMiB}, "data_diff"});
  }
  TempFolder temp;
  makeFolders(temp.path("a"));
  makeFolders(temp.path("b"));
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size << " bytes in blocks of " << c.block << ", changed at "
                                    << testing::PrintToString(c.changed));
    CompareEngine engine;
    engine.options.autoSkip = true;
    if (c.block != 0) engine.settings.textModeMaxSize = c.block;
    writeSparse(temp.path("a/f.bin"), c.size, {});
    writeSparse(temp.path("b/f.bin"), c.size, c.changed);
    const Verdict verdict = compareOne(engine, temp, "f.bin");
    EXPECT_EQ(verdict.category, c.category);
    EXPECT_EQ(verdict.flags, c.category == std::string("data_diff") ? kContentDiffers : 0u);
  }
}

// In text mode a pair whose bytes differ early is compared again as text; what was read on
// the way must not stand in for the text's own first bytes.
TEST(ContentCompare, TheTextCompareAfterAByteMismatchSeesTheTextsOwnBytes) {
  TempFolder temp;
  CompareEngine engine;
  // Numbered lines, so that bytes in a wrong place never pass for the right ones.
  const auto lines = [](int count, const char* end) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "line " + std::to_string(i) + end;
    return text;
  };
  const std::string plain = lines(20000, "\n");  // about 230 KiB
  std::string changedLate = plain;
  changedLate[150000] = changedLate[150000] == 'x' ? 'y' : 'x';
  // A line ending in CR instead of LF: the same size, equal as text.
  std::string lateBreak = plain;
  lateBreak[plain.find('\n', 100000)] = '\r';
  // The first 64 KiB, ending inside a line; after them a line break that moves, and a line
  // that ends where the next 64 KiB do.
  std::string probe = plain.substr(0, 65536);
  if (probe.back() == '\n') probe.back() = 'x';
  std::string tail = plain;
  tail[2 * 65536 - 1 - probe.size() - 9] = '\n';
  struct Case {
    const char* name;
    std::string first;
    std::string second;
    const char* category;
  };
  const Case cases[] = {
      // Line ends of another size from the start, a letter changed after 64 KiB.
      {"crlf, changed late", lines(20000, "\r\n"), changedLate, "data_diff"},
      {"crlf, equal", lines(20000, "\r\n"), plain, "data_same_txt"},
      // The bytes equal for the first 64 KiB and differing after.
      {"late break, changed later", lateBreak, changedLate, "data_diff"},
      {"late break, equal", lateBreak, plain, "data_same_txt"},
      {"break moved right after 64 KiB", probe + "\nabc\nrest" + tail, probe + "abc\n\nrest" + tail, "data_diff"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeBoth(temp, "t.txt", c.first, c.second);
    EXPECT_EQ(compareOne(engine, temp, "t.txt").category, c.category);
  }
}

TEST(ContentCompare, AutoSkipReadsNothingWhenThePairAlreadyDiffers) {
  TempFolder temp;
  // Equal sizes, different content: were the content read, ContentDiffers would show.
  writeBoth(temp, "f.txt", "aaaa", "bbbb");
  setModifiedTime(temp.path("a/f.txt"), 1600000000);
  setModifiedTime(temp.path("b/f.txt"), 1600000100);
  writeBoth(temp, "sizes.txt", "short", "longer");
  CompareEngine engine;
  engine.options.autoSkip = true;
  engine.options.modifyTime = true;
  Verdict v = compareOne(engine, temp, "f.txt");
  EXPECT_EQ(v.flags, kTimeDiffers);
  EXPECT_EQ(v.category, "data_ignore");
  engine.options.textMode = false;
  v = compareOne(engine, temp, "sizes.txt");
  EXPECT_EQ(v.flags, kContentDiffers | kContentSkipped);
  EXPECT_EQ(v.category, "data_ignore");
}

TEST(ContentCompare, ReadsThatComeUpShortNeverMakeAMatch) {
  // Both files shrink after they were opened (as a failing disk or a writer would make
  // them), to the same length: both sides then read nothing, or the same short prefix, at
  // the same offset. That is a failure of the item, never equal content.
  struct Case {
    bool text;
    uint64_t size;
    uint64_t cutTo;
  };
  const Case cases[] = {{false, 3 * kMiB, 0}, {false, 3 * kMiB, kMiB + 4096}, {false, 5000, 100},
                        {true, 200000, 100}, {true, 200000, 70000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.text) + " " + std::to_string(c.cutTo));
    TempFolder temp;
    std::string first(c.size, 'a');
    std::string second = first;
    second[c.size - 1] = 'b';
    writeBoth(temp, "f.txt", first, second);
    CompareEngine engine;
    engine.settings.textModeMaxSize = kMiB;
    engine.options.textMode = c.text;
    engine.options.path0 = temp.widePath("a");
    engine.options.path1 = temp.widePath("b");
    ASSERT_GT(scanTrees(engine), 0);
    const CompareItem* item = child(engine.result.root, "f.txt");
    ASSERT_NE(item, nullptr);
    ContentMode mode;
    ContentReader readers[2];
    ASSERT_EQ(prepareContentCompare(engine, *item, mode, readers[0], readers[1]), PrepareResult::compare);
    ASSERT_EQ(mode == ContentMode::text, c.text);
    std::filesystem::resize_file(temp.path("a/f.txt"), c.cutTo);
    std::filesystem::resize_file(temp.path("b/f.txt"), c.cutTo);
    EXPECT_FALSE(compareContent(engine, c.text, readers[0], readers[1]));
  }
}

TEST(ContentCompare, EmptyFilesAreEqualWithoutBeingOpened) {
  TempFolder temp;
  writeBoth(temp, "empty", "", "");
  setMode(temp.path("a/empty"), 0000);
  setMode(temp.path("b/empty"), 0000);
  const int status = runInChild(
      [&] {
        CompareEngine engine;
        const Verdict v = compareOne(engine, temp, "empty");
        return v.flags == 0 && v.category == "data_same_bin";
      },
      true);
  EXPECT_EQ(status, 0);
}

}  // namespace

namespace {

TEST(ContentCompare, APairLargerThanABlockPublishesItsBytesWhileItIsRead) {
  const struct {
    const char* mode;
    bool autoSkip;
    uint64_t size;
  } cases[] = {{"read in full", false, 5 * kMiB + 12345}, {"sampled", true, 40 * kMiB}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    TempFolder temp;
    makeFolders(temp.path("a"));
    makeFolders(temp.path("b"));
    writeSparse(temp.path("a/big.iso"), c.size, {});
    writeSparse(temp.path("b/big.iso"), c.size, {});
    writeBoth(temp, "small.txt", "small", "small");
    CompareEngine engine;
    engine.settings.textModeMaxSize = kMiB;
    engine.options.autoSkip = c.autoSkip;
    // Every signal of the job, seen on the side of the reader (worker or helper) that made it.
    std::mutex seenLock;
    std::vector<JobState::Progress> seen;
    engine.job.changed().setWakeHook([&] {
      JobState::Progress progress = engine.job.readProgress();
      const std::lock_guard<std::mutex> lock(seenLock);
      seen.push_back(std::move(progress));
    });
    ASSERT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u);
    engine.job.changed().setWakeHook({});

    std::set<uint64_t> positions;
    for (const JobState::Progress& progress : seen) {
      if (progress.pairName.empty()) continue;
      EXPECT_EQ(progress.pairName, u"big.iso") << "only a pair larger than a block has a record";
      EXPECT_EQ(progress.pairSize, c.size);
      EXPECT_LT(progress.pairDone, c.size);
      EXPECT_EQ(progress.pairDone % kMiB, 0u) << "once per block";
      positions.insert(progress.pairDone);
    }
    EXPECT_GE(positions.size(), 2u) << "the bytes move on while the pair is read";
    EXPECT_TRUE(engine.job.readProgress().pairName.empty()) << "the record goes with the pair";
  }
}

TEST(ContentCompare, TheProgressTextNamesAPairReadForASecondWithItsBytes) {
  JobState::Progress progress;
  progress.text = u"Comparing... small.txt";
  const struct {
    const char16_t* pair;
    int64_t since;
    const char16_t* shown;
  } cases[] = {
      {u"", 0, u"Comparing... small.txt"},
      {u"big.iso", 9001, u"Comparing... small.txt"},  // read for 999 ms only
      {u"big.iso", 9000, u"Comparing... big.iso \u2014 4.2 of 18.6 GiB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.pair) + " " + std::to_string(c.since));
    progress.pairName = c.pair;
    progress.pairDone = 4509715661ULL;
    progress.pairSize = 20000000000ULL;
    progress.pairSinceMs = c.since;
    EXPECT_EQ(progressText(progress, 10000), c.shown);
  }
}

}  // namespace
