// What decided each content verdict, on real files compared by the real job: random pairs
// with a first difference planted where the compare's reading changes step.

#include "engine/ContentExplanation.h"

#include "engine/CompareEngine.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

using engine_test::child;
using engine_test::runJob;
using engine_test::writeBoth;
using testing_support::TempFolder;

namespace {

constexpr uint64_t kMiB = 1024 * 1024;

// Random bytes with a zero word, so that text mode takes them for binary.
std::string randomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random() % 255 + 1);
  if (size >= 2) bytes[0] = bytes[1] = '\0';
  return bytes;
}

std::string flippedAt(std::string bytes, size_t offset) {
  bytes[offset] = static_cast<char>(bytes[offset] ^ 0x5A);
  return bytes;
}

// Lines of three or more random letters, each ended by lineEnd.
std::string randomText(int lines, const std::string& lineEnd, unsigned seed) {
  std::mt19937 random(seed);
  std::string text;
  for (int i = 0; i < lines; ++i) {
    const size_t length = 3 + random() % 70;
    for (size_t j = 0; j < length; ++j) text += static_cast<char>('a' + random() % 26);
    text += lineEnd;
  }
  return text;
}

struct Planted {
  std::string name;
  bool textMode;
  bool fast;
  std::string first;
  std::string second;
  ContentWay way;
  bool found;
  std::array<uint64_t, 2> at;
  std::array<uint64_t, 2> line;
  std::array<uint64_t, 2> compared;
  std::array<uint64_t, 2> blocks;
  // The result keeps it beside the tree; an equal pair read in full costs nothing.
  bool kept;
};

}  // namespace

TEST(ContentExplanation, PlantedFirstDifferencesAreExactInEveryMode) {
  const std::string binary = randomBytes(300000, 1);
  const std::string big = randomBytes(3 * kMiB, 3);
  // With 1 MiB blocks and fast, 5 MiB are read as blocks 0, 2 and 4: 1 and 3 are skipped.
  const std::string huge = randomBytes(5 * kMiB, 4);
  const std::string crlf = randomText(100, "\r\n", 5);
  const std::string lf = randomText(100, "\n", 5);
  // Line 58 of the LF text differs right after its third letter; 57 line ends before it.
  const size_t lineStart = [&] {
    size_t at = 0;
    for (int i = 0; i < 57; ++i) at = lf.find('\n', at) + 1;
    return at;
  }();
  const std::string lfChanged = lf.substr(0, lineStart + 3) + "#" + lf.substr(lineStart + 3);
  const std::string longText = randomText(3000, "\n", 6);
  using W = ContentWay;
  const Planted cases[] = {
      // As bytes, read from the start in 128 KiB pieces.
      {"first byte", false, false, binary, flippedAt(binary, 0), W::bytes, true, {0, 0}, {}, {1, 1}, {}, true},
      {"piece edge", false, false, binary, flippedAt(binary, 131072), W::bytes, true, {131072, 131072}, {}, {131073, 131073}, {}, true},
      {"block edge", false, false, big, flippedAt(big, kMiB), W::bytes, true, {kMiB, kMiB}, {}, {kMiB + 1, kMiB + 1}, {}, true},
      // Text mode on, binary content: the text probe's first 64 KiB, then pieces after them.
      {"after the probe", true, false, binary, flippedAt(binary, 65536), W::bytes, true, {65536, 65536}, {}, {65537, 65537}, {}, true},
      {"equal", true, false, binary, binary, W::bytes, false, {}, {}, {300000, 300000}, {}, false},
      // Sampled.
      {"sampled block", false, true, huge, flippedAt(huge, 2 * kMiB + 777), W::sampled, true, {2 * kMiB + 777, 2 * kMiB + 777}, {}, {kMiB + 778, kMiB + 778}, {2, 5}, true},
      {"sampled last", false, true, huge, flippedAt(huge, 5 * kMiB - 1), W::sampled, true, {5 * kMiB - 1, 5 * kMiB - 1}, {}, {3 * kMiB, 3 * kMiB}, {3, 5}, true},
      {"skipped block", false, true, huge, flippedAt(huge, 3 * kMiB + 5), W::sampled, false, {}, {}, {3 * kMiB, 3 * kMiB}, {3, 5}, true},
      // As text.
      {"CR LF before", true, false, crlf, lfChanged, W::text, true, {lineStart + 57 + 3, lineStart + 3}, {58, 58}, {lineStart + 61, lineStart + 4}, {}, true},
      {"CR LF equal", true, false, crlf, lf, W::text, false, {}, {}, {crlf.size(), lf.size()}, {}, false},
      {"lone CR", true, false, "a\rb\rX", "a\nb\nY", W::text, true, {4, 4}, {3, 3}, {5, 5}, {}, true},
      {"UTF-16", true, false, std::string("h\0\r\0\n\0i\0", 8), std::string("h\0\n\0j\0", 6), W::text, true, {6, 4}, {2, 2}, {7, 5}, {}, true},
      {"past the probe", true, false, longText, flippedAt(longText, 100000), W::text, true, {100000, 100000},
       {lineAt(reinterpret_cast<const uint8_t*>(longText.data()), longText.size(), 100000), 0}, {100001, 100001}, {}, true},
      // Not read: the sizes tell, which the item shows by itself.
      {"sizes", false, false, binary, binary + "x", W::notRead, false, {}, {}, {}, {}, false},
  };
  for (const Planted& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder temp;
    writeBoth(temp, "f", c.first, c.second);
    CompareEngine engine;
    engine.settings.textModeMaxSize = kMiB;
    engine.options.textMode = c.textMode;
    engine.options.autoSkip = c.fast;
    ASSERT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u);
    const CompareItem* item = child(engine.result.root, "f");
    ASSERT_NE(item, nullptr);
    const ContentExplanation explained = explainContent(engine.result, *item);
    EXPECT_EQ(explained.way, c.way);
    EXPECT_EQ(explained.differenceFound, c.found);
    EXPECT_EQ(explained.firstDifference, c.at);
    // The line of the second side of the long text is the first's: the same text up to there.
    const std::array<uint64_t, 2> line = {c.line[0], c.line[1] != 0 ? c.line[1] : c.line[0]};
    EXPECT_EQ(explained.line, line);
    EXPECT_EQ(explained.bytesCompared, c.compared);
    EXPECT_EQ(explained.blocksCompared, c.blocks[0]);
    EXPECT_EQ(explained.blocksTotal, c.blocks[1]);
    EXPECT_EQ(explained.reason, c.way == W::notRead ? ContentReason::sizesDiffer : ContentReason::none);
    EXPECT_EQ(engine.result.explanations.size(), c.kept ? 1u : 0u);
    EXPECT_EQ((item->flags & ItemFlags::kContentDiffers) != 0, c.found || c.way == W::notRead);
  }
}

TEST(ContentExplanation, LinesCountEachKindOfLineEndOnce) {
  struct Case {
    std::string text;
    uint64_t position;
    uint64_t line;
  };
  const Case cases[] = {
      {"abc", 0, 1},
      {"a\r\nb\r\nc", 6, 3},
      // Between a CR and its LF the line has not ended yet.
      {"a\r\nb", 2, 1},
      {std::string("a\0\r\0\n\0b\0", 8), 6, 2},
      // A position past the end counts the line ends of the whole text.
      {"a\nb\n", 99, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text) + " at " + std::to_string(c.position));
    EXPECT_EQ(lineAt(reinterpret_cast<const uint8_t*>(c.text.data()), c.text.size(), c.position), c.line);
  }
  // Long texts are counted many bytes at a time: the count must be the byte-by-byte one
  // wherever a CR LF (or its UTF-16 form) straddles the pieces counted at once.
  std::mt19937 random(7);
  const char alphabet[] = {'a', '\r', '\n', '\0'};
  std::string text(5000, 'a');
  for (char& c : text) c = alphabet[random() % 4];
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  uint64_t expected = 1;
  for (size_t position = 0; position <= text.size(); ++position) {
    if (position % 61 == 0 || position + 3 >= text.size()) {
      ASSERT_EQ(lineAt(bytes, text.size(), position), expected) << position;
      ASSERT_EQ(lineEndsBetween(bytes, text.size(), position / 2, position), expected - lineAt(bytes, text.size(), position / 2));
    }
    if (position == text.size()) break;
    const size_t next = position + 1 < text.size() && text[position + 1] == '\0' ? position + 2 : position + 1;
    if (text[position] == '\n' || (text[position] == '\r' && (next >= text.size() || text[next] != '\n'))) ++expected;
  }
}
