// Randomised trees on disk, compared by the engine and by a small independent model of the
// verdicts: every item's flags and the counters must agree, and comparing the sides the
// other way round must mirror the result. Each seed draws its options: name case, times,
// attributes, auto-skip, exclusions and path adjustment.

#include "engine/CompareEngine.h"
#include "engine/FolderScan.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <random>

using namespace testing_support;
using engine_test::flatten;
using engine_test::runJob;

namespace {

using namespace ItemFlags;
using Expected = std::map<std::string, uint32_t>;

// The compare options a seed draws, and the model's reading of the exclusions.
struct Options {
  bool compareCase = true;
  bool modifyTime = false;
  bool attr = false;
  bool autoSkip = false;
  bool adjustPath = false;
  std::string excludes;
  std::vector<std::string> patterns;
};

bool asciiEqualIgnoringCase(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// The model's exclusion rule: a pattern with "*" or "?" matches the whole name, any other
// occurs in it; ASCII letters ignore case (the names here are ASCII).
bool modelExcluded(const Options& options, const std::string& name) {
  const std::function<bool(size_t, size_t, const std::string&)> wild = [&](size_t n, size_t p, const std::string& pattern) {
    if (p == pattern.size()) return n == name.size();
    if (pattern[p] == '*') return wild(n, p + 1, pattern) || (n < name.size() && wild(n + 1, p, pattern));
    return n < name.size() && (pattern[p] == '?' || asciiEqualIgnoringCase(pattern[p], name[n])) && wild(n + 1, p + 1, pattern);
  };
  for (const auto& pattern : options.patterns) {
    if (pattern.find_first_of("*?") != std::string::npos) {
      if (wild(0, 0, pattern)) return true;
    } else if (std::search(name.begin(), name.end(), pattern.begin(), pattern.end(), asciiEqualIgnoringCase) != name.end()) {
      return true;
    }
  }
  return false;
}

struct Generator {
  std::mt19937 random;
  Options options;
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

  // The model's own verdict on two files present on both sides, given the flags their names,
  // times and attributes already earned (text mode is on, as by default).
  uint32_t fileVerdict(const std::string& a, const std::string& b, uint32_t flags) const {
    if (a.empty() && b.empty()) return flags;
    const bool asText = isText(a) && isText(b);
    // Sizes that differ decide without reading, unless the pair is compared as text.
    if (!asText && a.size() != b.size()) return flags | kContentDiffers | (options.autoSkip ? kContentSkipped : 0);
    if (options.autoSkip && flags != 0) return flags;
    const bool same = asText ? lines(a) == lines(b) : a == b;
    return flags | (same ? 0 : kContentDiffers);
  }

  std::string variant(const std::string& content) {
    switch (pick(5)) {
      case 0: return content;
      case 1: return content + "x";
      case 2: {
        std::string crlf;
        for (const char c : content) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        return crlf;
      }
      case 3: {  // a line break put somewhere, perhaps inside a line
        std::string broken = content;
        broken.insert(broken.begin() + pick(static_cast<int>(content.size()) + 1), '\n');
        return broken;
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

  // Gives both files whole-second times that are equal or not (below a second does not
  // count) and perhaps a read-only side; returns the flags that earns with the options.
  uint32_t timesAndAttributes(const std::string& pathA, const std::string& pathB, bool mayDiffer) {
    const int64_t base = 1600000000 + pick(1000);
    const int64_t later = mayDiffer && pick(3) == 0 ? base + 1 + pick(100) : base;
    setModifiedTime(pathA, base, pick(1000000000));
    setModifiedTime(pathB, later, pick(1000000000));
    uint32_t flags = options.modifyTime && later != base ? kTimeDiffers : 0;
    if (mayDiffer && pick(5) == 0) {
      setMode(pick(2) == 0 ? pathA : pathB, 0444);
      flags |= options.attr ? kAttrDiffers : 0;
    }
    return flags;
  }

  // Fills the folders a and b (paths on disk) and records what the model expects under the
  // relative path prefix.
  void fill(const std::string& a, const std::string& b, const std::string& prefix, int depth) {
    makeFolders(a);
    makeFolders(b);
    static const char* const kNames[] = {"alpha", "beta", "gamma", "delta", ".eps", "zeta", "cache.tmp", "skip-me", "my file"};
    const int count = 2 + pick(5);
    std::vector<std::string> names(std::begin(kNames), std::end(kNames));
    std::shuffle(names.begin(), names.end(), random);
    for (int i = 0; i < count; ++i) {
      const std::string name = names[i] + (pick(2) == 0 ? ".txt" : "");
      const std::string nameB = pick(5) == 0 ? upper(name) : name;
      const uint32_t nameCase = options.compareCase && nameB != name ? kNameCase : 0;
      const std::string path = prefix.empty() ? name : prefix + "/" + name;
      const std::string pathA = a + "/" + name;
      const std::string pathB = b + "/" + nameB;
      if (modelExcluded(options, name)) {
        // On disk on both sides, differing, but never looked at.
        writeFileBytes(pathA, "excluded");
        writeFileBytes(pathB + "/below/x.txt", "neither");
        continue;
      }
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
        case 2: {  // a file against a folder: neither times nor content count
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
          const bool bothFifos = pick(2) == 0;
          if (bothFifos) {
            makeFifo(pathB);
          } else {
            writeFileBytes(pathB, "");
          }
          timesAndAttributes(pathA, pathB, false);
          // A FIFO carries the system attribute; an empty file does not.
          const uint32_t attr = options.attr && !bothFifos ? kAttrDiffers : 0;
          expected[path] = kContentDiffers | nameCase | attr;
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
          expected[path] = fileVerdict(first, second, nameCase | timesAndAttributes(pathA, pathB, true));
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
  static const char* const kExcludes[] = {"", "", "*.tmp", "*.TMP skip", "\"my file\" ?eta*", "SKIP"};
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE(seed);
    TempFolder temp;
    Generator generator(seed);
    Options& options = generator.options;
    options.compareCase = seed % 3 != 0;
    options.modifyTime = generator.pick(2) == 0;
    options.attr = generator.pick(2) == 0;
    options.autoSkip = generator.pick(3) == 0;
    options.adjustPath = generator.pick(2) == 0;
    options.excludes = kExcludes[generator.pick(static_cast<int>(std::size(kExcludes)))];
    ExcludeSet parsed;
    parseExcludes(engine_test::wide(options.excludes), parsed);
    for (const auto& [pattern, info] : parsed) options.patterns.push_back(engine_test::narrow(pattern));
    // With path adjustment, each side's content sits at the end of its own chain of single
    // folders, which the compare must step down.
    const std::string rootA = options.adjustPath ? temp.path("a/wrap/deeper") : temp.path("a");
    const std::string rootB = options.adjustPath ? temp.path("b/other") : temp.path("b");
    generator.fill(rootA, rootB, "", 0);

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
      engine.options.compareCase = options.compareCase;
      engine.options.modifyTime = options.modifyTime;
      engine.options.attr = options.attr;
      engine.options.autoSkip = options.autoSkip;
      engine.options.adjustPath = options.adjustPath;
      engine.options.excludes = engine_test::wide(options.excludes);
      ASSERT_EQ(runJob(engine, temp.path(swapped ? "b" : "a"), temp.path(swapped ? "a" : "b")), 0u);
      EXPECT_EQ(engine_test::narrow(engine.result.root.side[swapped ? 1 : 0].name), rootA);
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
