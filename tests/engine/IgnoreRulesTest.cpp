// Ignore files in the compared trees: what the scan leaves out must be what git leaves out
// (git itself is the judge, on hand-made and random rule sets), each side's rules count for
// that side, and an ignore file that cannot be read fails the compare.

#include "engine/IgnoreRules.h"

#include "engine/CompareEngine.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <set>

using namespace testing_support;
using engine_test::flatten;
using engine_test::narrow;
using engine_test::runJob;

namespace {

// A tree and its ignore files (relative path -> text; ".git/info/exclude" among them). A
// path ending in "/" is a folder; the folders on the way to a file are made as well.
struct RuleSet {
  std::string title;
  std::vector<std::string> paths;
  std::map<std::string, std::string> ignoreFiles;
};

std::string describe(const RuleSet& set) {
  std::string text = set.title + "\n";
  for (const auto& [file, rules] : set.ignoreFiles) text += "  " + file + ": \"" + rules + "\"\n";
  return text;
}

// Every path of the tree below its root, folders without their "/", ".git" left out.
std::set<std::string> allPaths(const RuleSet& set) {
  std::set<std::string> paths;
  auto add = [&paths](std::string path) {
    if (path.ends_with('/')) path.pop_back();
    for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1)) {
      paths.insert(path.substr(0, slash));
    }
    paths.insert(path);
  };
  for (const std::string& path : set.paths) add(path);
  for (const auto& [file, rules] : set.ignoreFiles) {
    if (!file.starts_with(".git/")) add(file);
  }
  return paths;
}

// git's verdicts: the paths it ignores, read from a repository at root (its own settings
// and the user's left out).
std::set<std::string> ignoredByGit(const TempFolder& temp, const std::string& root,
                                   const std::set<std::string>& paths) {
  std::string list;
  for (const std::string& path : paths) list += path + '\0';
  writeFileBytes(temp.path("paths"), list);
  std::string output;
  const int status = runCommand("cd " + shellQuote(root) + " && HOME=" + shellQuote(temp.path()) +
                                    " XDG_CONFIG_HOME=" + shellQuote(temp.path()) +
                                    " GIT_CONFIG_NOSYSTEM=1 git -c core.excludesFile=" + shellQuote(temp.path("none")) +
                                    " -c core.ignoreCase=false"
                                    " check-ignore --no-index -z --stdin < " +
                                    shellQuote(temp.path("paths")),
                                &output);
  EXPECT_TRUE(status == 0 || status == 1) << "git check-ignore failed: " << output;
  std::set<std::string> ignored;
  for (size_t start = 0, end; (end = output.find('\0', start)) != std::string::npos; start = end + 1) {
    ignored.insert(output.substr(start, end - start));
  }
  return ignored;
}

// Writes the set on both sides with the same rules, so that an item is left out exactly
// when git ignores it, and returns one line per path where the compare and git disagree.
std::vector<std::string> disagreements(const RuleSet& set, size_t& pathCount) {
  TempFolder temp;
  runCommand("git init -q " + shellQuote(temp.path("a")));
  for (const char* side : {"a/", "b/"}) {
    for (const std::string& path : set.paths) {
      if (path.ends_with('/')) {
        makeFolders(temp.path(side + path));
      } else {
        writeFileBytes(temp.path(side + path), "x");
      }
    }
    for (const auto& [file, rules] : set.ignoreFiles) writeFileBytes(temp.path(side + file), rules);
  }
  const std::set<std::string> paths = allPaths(set);
  pathCount += paths.size();
  const std::set<std::string> ignored = ignoredByGit(temp, temp.path("a"), paths);

  CompareEngine engine;
  engine.options.ignoreFiles = true;
  engine.options.adjustPath = false;
  std::vector<std::string> found;
  // Leaving out everything is no failure, just nothing to compare.
  if (runJob(engine, temp.path("a"), temp.path("b")) != 0 && engine.job.errorCode() != 0) {
    found.push_back(describe(set) + "  the compare failed: " + narrow(engine.job.errorPath()));
    return found;
  }
  const auto kept = flatten(engine.result.root);
  for (const std::string& path : paths) {
    const bool ignoredThere = ignored.count(path) != 0;
    if (ignoredThere == (kept.count(path) == 0)) continue;
    found.push_back(describe(set) + "  \"" + path + "\": git " + (ignoredThere ? "ignores it" : "keeps it") +
                    ", the compare " + (ignoredThere ? "keeps it" : "leaves it out"));
  }
  return found;
}

std::vector<RuleSet> handMadeSets() {
  const std::vector<std::string> tree = {
      "build/keep.txt", "build/out.o", "build/sub/deep.o", "a", "d/a", "d/e/a", "doc/x.txt", "sub/doc/x.txt",
      "foo", "x/foo", "x/y/foo", "abc/q", "abc/r/s", "#hash", "!bang", "sp ", "sp", "br[ck", "d/ab", "d/ax/y/b",
      "one.o", "d/two.o", "e/keep.o", "f/", "x]y"};
  return {
      {"a folder's exclusion cannot be undone below it", tree, {{".gitignore", "build/\n!build/keep.txt\n"}}},
      {"its content can", tree, {{".gitignore", "build/*\n!build/keep.txt\n"}}},
      {"anchoring at the start and in the middle",
       tree,
       {{".gitignore", "/a\ndoc/*.txt\n/d?e\n"}, {"d/.gitignore", "/a\n"}}},
      {"** at the start, in the middle and at the end", tree, {{".gitignore", "**/foo\nabc/**\nbuild/**/deep.o\n"}}},
      {"** glued to a literal start", tree, {{".gitignore", "d/a**/b\n"}}},
      {"a lone ** and /**", tree, {{"d/.gitignore", "**\n"}, {"x/.gitignore", "/**\n"}}},
      {"escapes, comments and trailing spaces", tree, {{".gitignore", "\\#hash\n# sp\n\\!bang\nsp\\ \n\n"}}},
      {"trailing spaces go", tree, {{".gitignore", "sp   \nfoo \t\n"}}},
      {"an unclosed [ matches nothing", tree, {{".gitignore", "br[ck\nbr[\n*[\n[\n"}}},
      {"classes",
       tree,
       {{".gitignore", "br[[]ck\n[[:alpha:]].o\n[!a-c]\n[]a]b\n[[:nope:]]*\n[^!]bang\nx[\\]]y\none[[:punct:]]o\n"}}},
      {"a deeper file's rules win",
       tree,
       {{".gitignore", "*.o\n"}, {"d/.gitignore", "!*.o\n"}, {"e/.gitignore", "!keep.o\n"}}},
      {"the repository's exclude file is weakest",
       tree,
       {{".git/info/exclude", "*.txt\nfoo\n"}, {".gitignore", "!keep.txt\n"}}},
      {"folders only", tree, {{".gitignore", "foo/\nf/\nd/\n!d/\n"}}},
      {"CR LF, a byte order mark, no last line end",
       tree,
       {{".gitignore", "\xEF\xBB\xBF" "foo\r\none.o\r\n!x/foo"}}},
      {"a negated folder and a file in it", tree, {{".gitignore", "*\n!*/\n!*.o\n"}}},
      {"rules that name the ignore files", tree, {{".gitignore", ".gitignore\n"}, {"d/.gitignore", "/.git*\n"}}},
  };
}

// A rule set drawn at random from the rule grammar, over a tree whose names the patterns
// are made of, so that they often hit.
RuleSet randomSet(uint32_t seed) {
  static const std::vector<std::string> names = {
      "a",     "b",     "ab",     "a.o", "x.txt", "keep.txt", "foo", "build", "Build",   "doc", "#hash",
      "!bang", " lead", "sp ace", "tr ", "br[ck", "q?",       "é.o", ".hid",  "back\\s", "[x]", "9"};
  static const std::vector<std::string> literals = {"a",   "b",   ".o", "x",  ".txt", "foo",  "build",
                                                    "doc", "Doc", "é",  "#",  "!",    " ",    "hash",
                                                    "tr",  "9",   ".",  "br", "ck",   "keep", "[x]"};
  static const std::vector<std::string> wildcards = {"*",           "?",      "**",   "[ab]",
                                                     "[!a]",        "[^a-c]", "[a-]", "[]a]",
                                                     "[[:alpha:]]", "[\\]x]", "[ab",  "[[:digit:][:punct:]]",
                                                     "\\*",         "\\?",    "[.]",  "[[:x]"};
  std::mt19937 random(seed);
  const auto chance = [&random](int percent) { return static_cast<int>(random() % 100) < percent; };
  const auto pick = [&random](const std::vector<std::string>& from) { return from[random() % from.size()]; };

  RuleSet set;
  set.title = "random rule set " + std::to_string(seed);
  std::vector<std::string> folders = {""};
  for (size_t i = 0; i < folders.size() && set.paths.size() < 40; ++i) {
    const int depth = static_cast<int>(std::count(folders[i].begin(), folders[i].end(), '/'));
    for (int n = (i == 0 ? 6 : 3) + static_cast<int>(random() % 4); n > 0; --n) {
      const std::string path = folders[i] + pick(names);
      if (depth < 3 && chance(40)) {
        folders.push_back(path + "/");
        set.paths.push_back(path + "/");
      } else if (std::find(folders.begin(), folders.end(), path + "/") == folders.end()) {
        set.paths.push_back(path);
      }
    }
  }
  std::erase_if(set.paths, [&](const std::string& p) {
    return !p.ends_with('/') && std::count(set.paths.begin(), set.paths.end(), p + "/");
  });

  const auto pattern = [&] {
    std::string text;
    if (chance(40)) {
      // A name of the tree, often with a wildcard in it.
      text = pick(names);
      if (chance(25)) text = pick(names) + "/" + text;
      const size_t at = random() % text.size();
      const std::string byte(1, text[at]);
      switch (random() % 6) {
        case 0:
          text[at] = '?';
          break;
        case 1:
          text.replace(at, 1, "[" + byte + "x]");
          break;
        case 2:
          text.replace(at, 1, chance(50) ? "[!a]" : "[^a]");
          break;
        case 3:
          text.replace(at, 1, "[\\" + byte + "]");
          break;
        case 4:
          text = "*" + text.substr(at);
          break;
        default:
          break;
      }
    } else {
      for (int segment = chance(70) ? 1 : 2 + static_cast<int>(random() % 2); segment > 0; --segment) {
        if (!text.empty()) text += '/';
        if (!text.empty() && chance(25)) {
          text += "**";
          continue;
        }
        for (int atom = 1 + static_cast<int>(random() % 2); atom > 0; --atom) {
          text += chance(65) ? pick(literals) : pick(wildcards);
        }
      }
      if (chance(8)) text = chance(50) ? "**/" + text : text + "/**";
    }
    if (chance(25)) text = "/" + text;
    if (chance(25)) text += "/";
    if ((text[0] == '#' || text[0] == '!') && chance(70)) text = "\\" + text;
    if (chance(25)) text = "!" + text;
    if (chance(10)) text += "  ";
    if (chance(8)) text += "\\ ";
    if (chance(4)) text += "\\";
    return text;
  };
  const auto file = [&](int most) {
    const std::string end = chance(15) ? "\r\n" : "\n";
    std::string text = chance(5) ? "\xEF\xBB\xBF" : "";
    for (int line = 1 + static_cast<int>(random() % most); line > 0; --line) {
      if (chance(10)) text += "# a comment" + end;
      if (chance(10)) text += end;
      text += pattern() + end;
    }
    return text;
  };
  for (const std::string& folder : folders) {
    if (folder.empty() || chance(35)) set.ignoreFiles[folder + ".gitignore"] = file(6);
  }
  if (chance(30)) set.ignoreFiles[".git/info/exclude"] = file(3);
  return set;
}

TEST(IgnoreRules, TheCompareLeavesOutWhatGitIgnores) {
  ASSERT_EQ(runCommand("git --version >/dev/null 2>&1"), 0) << "git is needed (scripts/deps.sh installs it)";
  std::vector<RuleSet> sets = handMadeSets();
  for (uint32_t seed = 1; seed <= 60; ++seed) sets.push_back(randomSet(seed));
  size_t pathCount = 0;
  std::vector<std::string> found;
  for (const RuleSet& set : sets) {
    for (std::string& line : disagreements(set, pathCount)) found.push_back(std::move(line));
  }
  std::printf("%zu paths under %zu rule sets, %zu disagreements with git\n", pathCount, sets.size(), found.size());
  EXPECT_GE(pathCount, 500u);
  for (const std::string& line : found) ADD_FAILURE() << line;
}

}  // namespace
