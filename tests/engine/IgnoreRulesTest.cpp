// What the scan leaves out must be what git leaves out: git itself judges, on hand-made hard
// cases and on rule sets drawn at random from the rule grammar.

#include "engine/CompareEngine.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <set>

using namespace testing_support;

namespace {

// A tree (every folder listed, with a "/" at its end) and its ignore files by path,
// ".git/info/exclude" among them.
struct RuleSet {
  std::string title;
  std::vector<std::string> paths;
  std::map<std::string, std::string> ignoreFiles;
};

// The same tree and rules on both sides, so that an item is left out exactly when git ignores
// it; one line per path where the compare and git disagree.
std::vector<std::string> disagreements(const RuleSet& set, size_t& pathCount) {
  TempFolder temp;
  runCommand("git init -q " + shellQuote(temp.path("a")));
  std::set<std::string> paths;
  std::string title = set.title;
  for (const auto& [file, text] : set.ignoreFiles) title += "\n  " + file + ": \"" + text + "\"";
  for (const std::string side : {"a/", "b/"}) {
    for (const std::string& path : set.paths) {
      const bool folder = path.ends_with('/');
      folder ? makeFolders(temp.path(side + path)) : writeFileBytes(temp.path(side + path), "x");
      paths.insert(folder ? path.substr(0, path.size() - 1) : path);
    }
    for (const auto& [file, text] : set.ignoreFiles) {
      writeFileBytes(temp.path(side + file), text);
      if (!file.starts_with(".git/")) paths.insert(file);
    }
  }
  pathCount += paths.size();
  // git's verdicts, its own and the user's settings left out: the ignored paths, each ended by a zero byte.
  std::string list;
  for (const std::string& path : paths) list += path + '\0';
  writeFileBytes(temp.path("paths"), list);
  const std::string home = shellQuote(temp.path());
  std::string ignored(1, '\0');
  const int status = runCommand("cd " + shellQuote(temp.path("a")) + " && HOME=" + home + " XDG_CONFIG_HOME=" + home +
                                    " GIT_CONFIG_NOSYSTEM=1 git -c core.excludesFile=" + shellQuote(temp.path("none")) +
                                    " -c core.ignoreCase=false check-ignore --no-index -z --stdin < " +
                                    shellQuote(temp.path("paths")),
                                &ignored);
  if (status != 0 && status != 1) return {title + "\n  git check-ignore failed: " + ignored};

  CompareEngine engine;
  engine.options.ignoreFiles = true;
  engine.options.adjustPath = false;
  // Leaving everything out is no failure, just nothing to compare.
  const bool failed = engine_test::runJob(engine, temp.path("a"), temp.path("b")) != 0;
  if (failed && engine.job.errorCode() != 0) return {title + "\n  the compare failed"};
  const auto kept = engine_test::flatten(engine.result.root);
  std::vector<std::string> found;
  for (const std::string& path : paths) {
    const bool byGit = ignored.find('\0' + path + '\0') != std::string::npos;
    if (byGit == (kept.count(path) == 0)) continue;
    found.push_back(title + "\n  \"" + path + "\": git " + (byGit ? "ignores" : "keeps") +
                    " it, the compare does not");
  }
  return found;
}

std::vector<RuleSet> handMadeSets() {
  const std::vector<std::string> tree = {
      "build/", "build/keep.txt", "build/out.o", "build/sub/", "build/sub/deep.o", "a", "d/", "d/a", "d/e/", "d/e/a",
      "doc/", "doc/x.txt", "sub/", "sub/doc/", "sub/doc/x.txt", "foo", "x/", "x/foo", "x/y/", "x/y/foo", "abc/",
      "abc/q", "abc/r/", "abc/r/s", "#hash", "!bang", "sp ", "sp", "br[ck", "d/ab", "d/ax/", "d/ax/y/", "d/ax/y/b",
      "one.o", "d/two.o", "e/", "e/keep.o", "f/", "x]y"};
  return {
      {"a folder's exclusion cannot be undone below it", tree, {{".gitignore", "build/\n!build/keep.txt\n"}}},
      {"its content can", tree, {{".gitignore", "build/*\n!build/keep.txt\n"}}},
      {"anchoring at the start and in the middle", tree,
       {{".gitignore", "/a\ndoc/*.txt\n"}, {"d/.gitignore", "/a\n"}}},
      {"** at the start, in the middle and at the end", tree, {{".gitignore", "**/foo\nabc/**\nbuild/**/deep.o\n"}}},
      {"** glued to a literal start, and repeated", tree, {{".gitignore", "d/a**/b\nx/**/**/y/foo\n"}}},
      {"?, sets and a ** within a name never span a folder", tree, {{".gitignore", "/d?e\n/d[!x]e\nd/?**b\n"}}},
      {"a lone ** and /**", tree, {{"d/.gitignore", "**\n"}, {"x/.gitignore", "/**\n"}}},
      {"escapes, comments and trailing spaces", tree, {{".gitignore", "\\#hash\n# sp\n\\!bang\nsp\\ \n\n"}}},
      {"trailing spaces go", tree, {{".gitignore", "sp   \nfoo \t\n"}}},
      {"an unclosed [ matches nothing", tree, {{".gitignore", "br[ck\nbr[\n*[\n[\n"}}},
      {"classes", tree,
       {{".gitignore", "br[[]ck\n[[:alpha:]].o\n[!a-c]\n[]a]b\n[[:nope:]]*\n[^!]bang\nx[\\]]y\none[[:punct:]]o\n"}}},
      {"a deeper file's rules win", tree,
       {{".gitignore", "*.o\n"}, {"d/.gitignore", "!*.o\n"}, {"e/.gitignore", "!keep.o\n"}}},
      {"the repository's exclude file is weakest", tree,
       {{".git/info/exclude", "*.txt\nfoo\n"}, {".gitignore", "!keep.txt\n"}}},
      {"folders only", tree, {{".gitignore", "foo/\nf/\nd/\n!d/\n"}}},
      {"CR LF, a byte order mark, no last line end", tree, {{".gitignore", "\xEF\xBB\xBF" "foo\r\none.o\r\n!x/foo"}}},
      {"a negated folder and a file in it", tree, {{".gitignore", "*\n!*/\n!*.o\n"}}},
      {"rules that name the ignore files", tree, {{".gitignore", ".gitignore\n"}, {"d/.gitignore", "/.git*\n"}}},
  };
}

// Names of the tree are also what the patterns are made of, so that they often hit.
RuleSet randomSet(uint32_t seed) {
  static const std::vector<std::string> names = {"a", "b", "ab", "a.o", "x.txt", "keep.txt", "foo", "build", "Build",
                                                 "doc", "#hash", "!bang", " lead", "sp ace", "tr ", "br[ck", "q?",
                                                 "é.o", ".hid", "back\\s", "[x]", "9"};
  static const std::vector<std::string> literals = {"a", "b", ".o", "x", ".txt", "foo", "build", "doc", "Doc", "é", "#",
                                                    "!", " ", "hash", "tr", "9", ".", "br", "ck", "keep", "[x]"};
  static const std::vector<std::string> wildcards = {"*", "?", "**", "[ab]", "[!a]", "[^a-c]", "[a-]", "[]a]",
                                                     "[[:alpha:]]", "[\\]x]", "[ab", "[[:digit:][:punct:]]", "\\*",
                                                     "\\?", "[.]", "[[:x]"};
  std::mt19937 random(seed);
  const auto chance = [&random](unsigned percent) { return random() % 100 < percent; };
  const auto pick = [&random](const std::vector<std::string>& from) { return from[random() % from.size()]; };
  RuleSet set{"random rule set " + std::to_string(seed), {}, {}};
  std::vector<std::string> folders = {""};
  for (size_t i = 0; i < folders.size() && set.paths.size() < 40; ++i) {
    for (unsigned n = (i == 0 ? 6 : 3) + random() % 4; n > 0; --n) {
      std::string path = folders[i] + pick(names);
      const auto& paths = set.paths;
      if (std::count(paths.begin(), paths.end(), path) + std::count(paths.begin(), paths.end(), path + "/")) continue;
      if (std::count(path.begin(), path.end(), '/') < 3 && chance(40)) folders.push_back(path += "/");
      set.paths.push_back(path);
    }
  }
  const auto pattern = [&] {
    std::string text = chance(75) ? pick(names) : pick(names) + "/" + pick(names);
    if (chance(40)) {
      const size_t at = random() % text.size();
      const std::string byte(1, text[at]);
      const std::string swaps[] = {"?", "[" + byte + "x]", chance(50) ? "[!a]" : "[^a]", "[\\" + byte + "]", byte};
      text.replace(at, 1, swaps[random() % 5]);
      if (chance(20)) text = "*" + text.substr(at);
    } else {
      text.clear();
      for (unsigned segment = chance(70) ? 1 : 2 + random() % 2; segment > 0; --segment) {
        if (!text.empty()) text += '/';
        if (!text.empty() && chance(25)) text += "**";
        for (unsigned atom = text.ends_with("**") ? 0 : 1 + random() % 2; atom > 0; --atom) {
          text += chance(65) ? pick(literals) : pick(wildcards);
        }
      }
      if (chance(8)) text = chance(50) ? "**/" + text : text + "/**";
    }
    if (chance(25)) text = "/" + text;
    if (chance(25)) text += "/";
    if ((text[0] == '#' || text[0] == '!') && chance(70)) text = "\\" + text;
    if (chance(25)) text = "!" + text;
    // Trailing spaces, an escaped one, or a lone "\" at the end.
    const std::string ends[] = {"  ", "\\ ", "\\"};
    return chance(20) ? text + ends[random() % 3] : text;
  };
  const auto file = [&](unsigned most) {
    const std::string end = chance(15) ? "\r\n" : "\n";
    std::string text = chance(5) ? "\xEF\xBB\xBF" : "";
    for (unsigned line = 1 + random() % most; line > 0; --line) {
      text += (chance(10) ? "# a comment" + end : chance(10) ? end : "") + pattern() + end;
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
