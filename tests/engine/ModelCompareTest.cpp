// Randomised trees on disk, compared by the engine and by a small independent model of the
// verdicts: every item's flags and the counters must agree, and comparing the sides the
// other way round must mirror the result.

#include "engine/CompareEngine.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>

using namespace testing_support;
using engine_test::flatten;
using engine_test::runJob;

namespace {

using namespace ItemFlags;
using Expected = std::map<std::string, uint32_t>;

struct Generator {
  std::mt19937 random;
  bool compareCase = true;
  Expected expected;

  explicit Generator(unsigned seed) : random(seed) {}

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }

  std::string textContent() {
    std::string text;
    const int lines = pick(5);
    for (int line = 0; line < lines; ++line) {
      const int length = pick(12);
      for (int i = 0; i < length; ++i) text += static_cast<char>('a' + pick(4));
      text += pick(3) == 0 ? "\r\n" : "\n";
      if (pick(4) == 0) text += "\n";
    }
    return text;
  }

  std::string binaryContent() {
    std::string bytes("\0\0", 2);
    const int length = pick(40);
    for (int i = 0; i < length; ++i) bytes += static_cast<char>(pick(3));
    return bytes;
  }

  static bool isText(const std::string& bytes) {
    if (bytes.empty()) return false;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
      if (bytes[i] == 0 && bytes[i + 1] == 0) return false;
    }
    return !(bytes.size() > 2 && bytes.size() % 2 == 1 && bytes[bytes.size() - 1] == 0 && bytes[bytes.size() - 2] == 0);
  }

  // The text as its non-empty lines: how many line breaks, of which kind, end a line does
  // not matter, but a break inside a line does.
  static std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::string line;
    for (const char c : text) {
      if (c != '\r' && c != '\n') {
        line += c;
      } else if (!line.empty()) {
        result.push_back(line);
        line.clear();
      }
    }
    if (!line.empty()) result.push_back(line);
    return result;
  }

  // The model's own verdict on the content of two files present on both sides.
  static bool sameContent(const std::string& a, const std::string& b) {
    if (a.empty() && b.empty()) return true;
    if (isText(a) && isText(b)) return lines(a) == lines(b);
    return a == b;
  }

  std::string variant(const std::string& content) {
    switch (pick(4)) {
      case 0: return content;
      case 1: return content + "x";
      case 2: {
        std::string crlf;
        for (const char c : content) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        return crlf;
      }
      default: return content.empty() ? "y" : content.substr(0, content.size() - 1) + "z";
    }
  }

  std::string anyContent() {
    const int kind = pick(6);
    if (kind == 0) return "";
    return kind == 1 ? binaryContent() : textContent();
  }

  static std::string upper(std::string name) {
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
  }

  // Fills the folders a and b (paths on disk) and records what the model expects under the
  // relative path prefix.
  void fill(const std::string& a, const std::string& b, const std::string& prefix, int depth) {
    makeFolders(a);
    makeFolders(b);
    static const char* const kNames[] = {"alpha", "beta", "gamma", "delta", "eps", "zeta", "eta", "theta"};
    const int count = 2 + pick(5);
    std::vector<std::string> names(std::begin(kNames), std::end(kNames));
    std::shuffle(names.begin(), names.end(), random);
    for (int i = 0; i < count; ++i) {
      const std::string name = names[i] + (pick(2) == 0 ? ".txt" : "");
      const std::string nameB = pick(5) == 0 ? upper(name) : name;
      const uint32_t nameCase = compareCase && nameB != name ? kNameCase : 0;
      const std::string path = prefix.empty() ? name : prefix + "/" + name;
      const std::string pathA = a + "/" + name;
      const std::string pathB = b + "/" + nameB;
      switch (pick(depth < 3 ? 7 : 6)) {
        case 0: {  // only on the first side (perhaps a folder with content)
          if (pick(2) == 0) {
            writeFileBytes(pathA + "/inner/deep.txt", "lost below");
          } else {
            writeFileBytes(pathA, anyContent());
          }
          expected[path] = kMissing | kMissingSecond;
          break;
        }
        case 1: {  // only on the second side
          writeFileBytes(pathB, anyContent());
          expected[prefix.empty() ? nameB : prefix + "/" + nameB] = kMissing;
          break;
        }
        case 2: {  // a file against a folder
          if (pick(2) == 0) {
            writeFileBytes(pathA, anyContent());
            writeFileBytes(pathB + "/x.txt", "in folder");
          } else {
            writeFileBytes(pathA + "/x.txt", "in folder");
            writeFileBytes(pathB, anyContent());
          }
          expected[path] = kTypeDiffers | nameCase;
          break;
        }
        case 3: {  // a FIFO against a FIFO or an empty file: never read, never equal
          makeFifo(pathA);
          if (pick(2) == 0) {
            makeFifo(pathB);
          } else {
            writeFileBytes(pathB, "");
          }
          expected[path] = kContentDiffers | nameCase;
          break;
        }
        case 6: {  // a folder on both sides
          fill(pathA, pathB, path, depth + 1);
          expected[path] = nameCase;
          break;
        }
        default: {  // files on both sides, often related
          const std::string first = anyContent();
          const std::string second = pick(3) == 0 ? anyContent() : variant(first);
          writeFileBytes(pathA, first);
          writeFileBytes(pathB, second);
          expected[path] = nameCase | (sameContent(first, second) ? 0 : kContentDiffers);
          break;
        }
      }
    }
  }
};

Expected mirrored(const Expected& expected) {
  Expected mirror;
  for (auto [path, flags] : expected) {
    if ((flags & kMissing) != 0) flags ^= kMissingSecond;
    mirror[path] = flags;
  }
  return mirror;
}

TEST(ModelCompare, RandomTreesAgreeWithTheModelBothWays) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    TempFolder temp;
    Generator generator(seed);
    generator.compareCase = seed % 3 != 0;
    generator.fill(temp.path("a"), temp.path("b"), "", 0);

    int64_t differing = 0;
    int64_t missingFirst = 0;
    int64_t missingSecond = 0;
    for (const auto& [path, flags] : generator.expected) {
      differing += flags != 0;
      missingFirst += flags == kMissing;
      missingSecond += flags == (kMissing | kMissingSecond);
    }
    for (const bool swapped : {false, true}) {
      SCOPED_TRACE(swapped);
      CompareEngine engine;
      engine.options.adjustPath = false;
      engine.options.compareCase = generator.compareCase;
      ASSERT_EQ(runJob(engine, temp.path(swapped ? "b" : "a"), temp.path(swapped ? "a" : "b")), 0u);
      // Paths in the flattened tree follow the first side's spelling; compare ignoring case.
      const auto lower = [](const Expected& tree) {
        Expected result;
        for (const auto& [path, flags] : tree) {
          std::string key = path;
          for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
          result[key] = flags;
        }
        return result;
      };
      const Expected expected = swapped ? mirrored(generator.expected) : generator.expected;
      EXPECT_EQ(lower(flatten(engine.result.root)), lower(expected));
      EXPECT_EQ(engine.result.differing, differing);
      EXPECT_EQ(engine.result.missingFirst, swapped ? missingSecond : missingFirst);
      EXPECT_EQ(engine.result.missingSecond, swapped ? missingFirst : missingSecond);
    }
  }
}

}  // namespace
