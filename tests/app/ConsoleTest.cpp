// The real program, run as a user runs it.

#include "app/CommandLine.h"
#include "app/ProjectFile.h"
#include "foundation/Language.h"
#include "foundation/LanguageKeys.h"
#include "platform/Path.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

using testing_support::TempFolder;

namespace {

const std::string kProgram = std::string(MIRRANE_BUILD_DIR) + "/mirrane";

struct ProgramRun {
  int status;
  std::string output;
};

ProgramRun run(const std::string& arguments, const std::string& prefix = "") {
  ProgramRun result;
  result.status = testing_support::runCommand(prefix + testing_support::shellQuote(kProgram) + " " + arguments + " 2>/dev/null", &result.output);
  return result;
}

// The version on the project line of the top CMakeLists.txt, the one place it is written.
std::string projectVersion() {
  const std::string lists = testing_support::readFileBytes(std::string(MIRRANE_SOURCE_DIR) + "/CMakeLists.txt");
  const std::string marker = "project(Mirrane VERSION ";
  const size_t start = lists.find(marker);
  if (start == std::string::npos) return "(no version on the project line)";
  const size_t end = lists.find_first_of(" )", start + marker.size());
  return lists.substr(start + marker.size(), end - start - marker.size());
}

std::string text(const LanguageKey& key, olstring_view a0 = {}, olstring_view a1 = {}, olstring_view a2 = {}) {
  return toUtf8(langText(key, a0, a1, a2));
}

class ConsoleTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    platform::setApplicationFolder(fromUtf8(MIRRANE_BUILD_DIR));
    ASSERT_TRUE(loadDefaultLanguage());
  }
  void SetUp() override { setenv("TMPDIR", m_temp.path().c_str(), 1); }
  void TearDown() override { unsetenv("TMPDIR"); }

  TempFolder m_temp;
  TempFolder m_files;
};

}  // namespace

TEST_F(ConsoleTest, EqualFoldersDifferencesAndTheirCounts) {
  testing_support::writeFileBytes(m_files.path("a/same.txt"), "same");
  testing_support::writeFileBytes(m_files.path("b/same.txt"), "same");
  ProgramRun equal = run(testing_support::shellQuote(m_files.path("a")) + " " + testing_support::shellQuote(m_files.path("b")) + " hide");
  EXPECT_EQ(equal.status, 0);
  EXPECT_EQ(equal.output, "\n" + text(lang::console::kSuccess, u"0") + "\n" + text(lang::console::kNoDiff, u"0", u"0", u"0") + "\n");

  testing_support::writeFileBytes(m_files.path("a/only-a1.txt"), "x");
  testing_support::writeFileBytes(m_files.path("a/only-a2.txt"), "x");
  testing_support::writeFileBytes(m_files.path("b/only-b.txt"), "x");
  testing_support::writeFileBytes(m_files.path("b/same.txt"), "changed");
  ProgramRun differ = run(testing_support::shellQuote(m_files.path("a")) + " " + testing_support::shellQuote(m_files.path("b")) + " HIDE");
  EXPECT_EQ(differ.status, 1);
  // Missing on the second side, differing items, missing on the first side.
  EXPECT_EQ(differ.output, "\n" + text(lang::console::kSuccess, u"0") + "\n" + text(lang::console::kDiff, u"2", u"4", u"1") + "\n");

  // Redirected to a file, the same text.
  const std::string outFile = m_temp.path("out.txt");
  EXPECT_EQ(testing_support::runCommand(testing_support::shellQuote(kProgram) + " " + testing_support::shellQuote(m_files.path("a")) + " " + testing_support::shellQuote(m_files.path("b")) +
                                        " hide > " + testing_support::shellQuote(outFile)),
            1);
  EXPECT_EQ(testing_support::readFileBytes(outFile), differ.output);
}

TEST_F(ConsoleTest, FailuresAreReportedWithCodeTextAndPath) {
  testing_support::makeFolders(m_files.path("empty1"));
  testing_support::makeFolders(m_files.path("empty2"));
  const std::string missing = m_files.path("no-such-folder");
  ProgramRun failed = run(testing_support::shellQuote(missing) + " " + testing_support::shellQuote(m_files.path("empty1")) + " hide");
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.output.find("0x00000003"), std::string::npos) << failed.output;
  EXPECT_NE(failed.output.find(missing), std::string::npos) << failed.output;

  ProgramRun empty = run(testing_support::shellQuote(m_files.path("empty1")) + " " + testing_support::shellQuote(m_files.path("empty2")) + " hide");
  EXPECT_EQ(empty.status, 1) << "nothing compared is no verdict of equality";
  EXPECT_EQ(empty.output, "\n" + text(lang::console::kFail, u"0x00000000", u"") + "\n");
}

TEST_F(ConsoleTest, HelpVersionAndTheWindowlessStart) {
  ProgramRun version = run("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.output, "Mirrane " + projectVersion() + "\n");
  ProgramRun help = run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("apath, attr, case, fast, file, hide, start, time, txt"), std::string::npos) << help.output;
  EXPECT_EQ(run("-h").output, help.output);
  // Without "hide" there is no window yet: the same help.
  EXPECT_EQ(run(testing_support::shellQuote(m_files.path()) + " " + testing_support::shellQuote(m_temp.path())).output, help.output);
}

TEST_F(ConsoleTest, MissingLanguageFolderFailsTheConsoleRun) {
  TempFolder bare;
  ASSERT_EQ(testing_support::runCommand("cp " + testing_support::shellQuote(kProgram) + " " + testing_support::shellQuote(bare.path("mirrane"))), 0);
  std::string output;
  const int status = testing_support::runCommand(testing_support::shellQuote(bare.path("mirrane")) + " " + testing_support::shellQuote(m_files.path()) + " " +
                                                     testing_support::shellQuote(m_temp.path()) + " hide 2>&1 >/dev/null",
                                                 &output);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(output, "Failed to load language file!\n\nPlease re-download Mirrane.\n");
}

TEST_F(ConsoleTest, InterruptCancelsAndLeavesNoWorkFolder) {
  // Two large identical sparse files: reading them takes seconds, creating them nothing.
  for (const char* side : {"left", "right"}) {
    testing_support::makeFolders(m_files.path(side));
    ASSERT_EQ(testing_support::runCommand("truncate -s 16G " + testing_support::shellQuote(m_files.path(std::string(side) + "/big.bin"))), 0);
  }
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  const pid_t child = fork();
  if (child == 0) {
    dup2(pipeEnds[1], 1);
    execl(kProgram.c_str(), kProgram.c_str(), m_files.path("left").c_str(), m_files.path("right").c_str(), "hide",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeEnds[1]);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const auto start = std::chrono::steady_clock::now();
  kill(child, SIGINT);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  std::string output;
  char buffer[4096];
  ssize_t got;
  while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0) output.append(buffer, static_cast<size_t>(got));
  close(pipeEnds[0]);
  ASSERT_TRUE(WIFEXITED(status)) << "the program must end by itself, not by the signal";
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_NE(output.find("0xf0000001"), std::string::npos) << output;
  std::string left;
  testing_support::runCommand("ls -A " + testing_support::shellQuote(m_temp.path("Mirrane")) + " 2>/dev/null", &left);
  EXPECT_EQ(left, "") << "no work folder may stay behind";
}

TEST(CommandLineParsing, WordsPathsAndProjects) {
  auto parse = [](std::vector<olstring> arguments) {
    CommandLine commandLine;
    parseCommandLine(arguments, commandLine);
    return commandLine;
  };
  CommandLine c = parse({u"/a", u"/b", u"hide"});
  EXPECT_TRUE(c.compareGiven);
  EXPECT_TRUE(c.start) << "hide implies start";
  c = parse({u"/a", u"/b", u"start"});
  EXPECT_TRUE(c.start);
  EXPECT_FALSE(c.hide);
  c = parse({u"/a", u"/b"});
  EXPECT_TRUE(c.compareGiven);
  EXPECT_FALSE(c.start);
  c = parse({u"/a", u"hide"});
  EXPECT_FALSE(c.compareGiven);
  EXPECT_FALSE(c.start);

  EXPECT_FALSE(parse({u"-case"}).options.compareCase);
  EXPECT_TRUE(parse({u"+case"}).options.compareCase);
  EXPECT_TRUE(parse({u"-case", u"case"}).options.compareCase);
  EXPECT_FALSE(parse({u"-TXT"}).options.textMode);
  EXPECT_TRUE(parse({u"+time", u"attr", u"fast", u"file"}).options.modifyTime);

  // A folder named like an option word is taken as the word.
  c = parse({u"/a", u"time", u"/b"});
  EXPECT_EQ(c.options.path1, u"/b");
  EXPECT_TRUE(c.options.modifyTime);
  // The same path twice collapses; a case variant is another folder here.
  c = parse({u"/data/A", u"/data/A"});
  EXPECT_FALSE(c.compareGiven);
  c = parse({u"/data/A", u"/data/a"});
  EXPECT_TRUE(c.compareGiven);
  EXPECT_EQ(c.options.path1, u"/data/a");
  // Relative paths are made absolute.
  c = parse({u"x/../left", u"right"});
  EXPECT_EQ(c.options.path0, platform::lexicalFullPath(u"left"));
  CommandLine fresh;
  EXPECT_EQ(optionWordList(fresh, u", "), u"apath, attr, case, fast, file, hide, start, time, txt");
}

TEST(CommandLineParsing, ProjectFileGivesPathsAndWordsOverrideIt) {
  TempFolder folder;
  CompareOptions project;
  project.path0 = u"/p/left";
  project.path1 = u"/p/right";
  project.modifyTime = true;
  const olstring path = folder.widePath("proj.mirrane");
  ASSERT_TRUE(saveProjectFile(path, project));
  CommandLine c;
  parseCommandLine({u"@" + path, u"start", u"-case"}, c);
  EXPECT_TRUE(c.compareGiven);
  EXPECT_TRUE(c.start);
  EXPECT_EQ(c.options.path0, u"/p/left");
  EXPECT_TRUE(c.options.modifyTime);
  EXPECT_FALSE(c.options.compareCase);

  // A relative project path is refused and leaves the defaults.
  const olstring cwd = platform::lexicalFullPath(u".");
  ASSERT_EQ(chdir(folder.path().c_str()), 0);
  CommandLine relative;
  parseCommandLine({u"@proj.mirrane", u"start"}, relative);
  EXPECT_EQ(chdir(toUtf8(cwd).c_str()), 0);
  EXPECT_FALSE(relative.compareGiven);
  EXPECT_FALSE(relative.options.modifyTime);
  // Only the first "@" token is a project; a later one is a path.
  CommandLine twice;
  parseCommandLine({u"@" + path, u"@/other"}, twice);
  EXPECT_EQ(twice.options.path0, platform::lexicalFullPath(u"@/other"));
  EXPECT_EQ(twice.options.path1, u"/p/right");
}
