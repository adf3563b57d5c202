// The real program, run as a user runs it.

#include "app/CommandLine.h"
#include "app/ProjectFile.h"
#include "foundation/Language.h"
#include "foundation/LanguageKeys.h"
#include "foundation/TextFile.h"
#include "platform/Path.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using testing_support::TempFolder;

namespace {

const std::string kProgram = std::string(MIRRANE_BUILD_DIR) + "/mirrane";

struct ProgramRun {
  int status;
  std::string output;  // standard output
  std::string errors;  // standard error
};

// The console's runs have no display: a command line that opens the window elsewhere says so
// here, and none waits for a window nobody closes.
constexpr char kNoDisplay[] = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";

ProgramRun run(const std::string& arguments, const std::string& prefix = "") {
  char errorPath[] = "/tmp/mrn-stderr-XXXXXX";
  const int fd = mkstemp(errorPath);
  if (fd >= 0) close(fd);
  ProgramRun result;
  result.status = testing_support::runCommand(prefix + kNoDisplay + testing_support::shellQuote(kProgram) + " " + arguments + " 2>" +
                                                  testing_support::shellQuote(errorPath),
                                              &result.output);
  result.errors = testing_support::readFileBytes(errorPath);
  unlink(errorPath);
  return result;
}

std::string quoted(const std::string& text) { return testing_support::shellQuote(text); }

// Starts the program with arguments, its standard output going into a pipe; returns its pid
// and the pipe's end. With ownGroup it runs in a process group of its own, as a terminal's
// job does, its standard error into the pipe too (a terminal may stop a group that is not in
// the foreground when it writes there).
std::pair<pid_t, int> startProgram(const std::vector<std::string>& arguments, bool ownGroup) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return {-1, -1};
  std::vector<char*> argv{const_cast<char*>(kProgram.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    if (ownGroup) setpgid(0, 0);
    dup2(pipeEnds[1], 1);
    if (ownGroup) dup2(pipeEnds[1], 2);
    execv(kProgram.c_str(), argv.data());
    _exit(127);
  }
  close(pipeEnds[1]);
  return {child, pipeEnds[0]};
}

// Reads the rest of what the program printed and waits for its end; returns the wait status.
int finishProgram(pid_t child, int output, std::string* printed) {
  char buffer[4096];
  ssize_t got;
  while ((got = read(output, buffer, sizeof buffer)) > 0) printed->append(buffer, static_cast<size_t>(got));
  close(output);
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

// Runs the program with arguments; once its standard output holds marker (the sign that the
// run handles Ctrl+C by now), SIGINT goes to the program alone. The run must end by itself:
// status is its exit code, or -1 when a signal ended it.
ProgramRun interruptOnceShown(const std::vector<std::string>& arguments, const std::string& marker) {
  ProgramRun result{-1, {}, {}};
  const auto [child, output] = startProgram(arguments, false);
  if (child < 0) return result;
  char buffer[4096];
  ssize_t got;
  while (result.output.find(marker) == std::string::npos && (got = read(output, buffer, sizeof buffer)) > 0) {
    result.output.append(buffer, static_cast<size_t>(got));
  }
  kill(child, SIGINT);
  const int status = finishProgram(child, output, &result.output);
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
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

std::string text(const LanguageKey& key, olstring_view a0 = {}, olstring_view a1 = {}, olstring_view a2 = {},
                 olstring_view a3 = {}) {
  return toUtf8(langText(key, a0, a1, a2, a3));
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

TEST_F(ConsoleTest, IgnoredItemsAreNeitherComparedNorReported) {
  for (const std::string side : {"a/", "b/"}) {
    testing_support::writeFileBytes(m_files.path(side + ".gitignore"), "*.log\n");
    testing_support::writeFileBytes(m_files.path(side + "run.log"), side);
  }
  const std::string paths = quoted(m_files.path("a")) + " " + quoted(m_files.path("b"));
  EXPECT_EQ(run(paths + " hide").status, 1);
  const ProgramRun honoured = run(paths + " hide ignore --report=- --report-all");
  EXPECT_EQ(honoured.status, 0) << honoured.errors;
  EXPECT_NE(honoured.output.find(R"("ignore_files":true,)"), std::string::npos) << honoured.output;
  EXPECT_EQ(honoured.output.find("run.log"), std::string::npos) << honoured.output;
}

TEST_F(ConsoleTest, FailuresAreReportedWithCodeTextAndPath) {
  testing_support::makeFolders(m_files.path("empty1"));
  testing_support::makeFolders(m_files.path("empty2"));
  const std::string missing = m_files.path("no-such-folder");
  ProgramRun failed = run(testing_support::shellQuote(missing) + " " + testing_support::shellQuote(m_files.path("empty1")) + " hide");
  EXPECT_EQ(failed.status, 1);
  // The verdict goes to standard output, a failure to standard error.
  EXPECT_EQ(failed.output, "");
  EXPECT_EQ(failed.errors, text(lang::console::kFail, u"0x00000003",
                                u"The system cannot find the path specified: " + fromUtf8(missing)) +
                               "\n");

  ProgramRun empty = run(testing_support::shellQuote(m_files.path("empty1")) + " " + testing_support::shellQuote(m_files.path("empty2")) + " hide");
  EXPECT_EQ(empty.status, 1) << "nothing compared is no verdict of equality";
  EXPECT_EQ(empty.output, "");
  EXPECT_EQ(empty.errors, "Compare failed (error 0x00000000). Nothing to compare: both sides are empty, or everything is excluded\n");

  // Everything excluded by a project's exclusions is the same nothing.
  testing_support::writeFileBytes(m_files.path("full1/skip.txt"), "1");
  testing_support::writeFileBytes(m_files.path("full2/skip.txt"), "2");
  CompareOptions project;
  project.path0 = fromUtf8(m_files.path("full1"));
  project.path1 = fromUtf8(m_files.path("full2"));
  project.excludes = u"skip*";
  ASSERT_TRUE(saveProjectFile(fromUtf8(m_files.path("p.mirrane")), project));
  ProgramRun excluded = run("@" + quoted(m_files.path("p.mirrane")) + " hide");
  EXPECT_EQ(excluded.status, 1);
  EXPECT_EQ(excluded.errors, empty.errors);
  project.excludes.clear();
  ASSERT_TRUE(saveProjectFile(fromUtf8(m_files.path("p.mirrane")), project));
  EXPECT_EQ(run("@" + quoted(m_files.path("p.mirrane")) + " hide").output,
            "\n" + text(lang::console::kSuccess, u"0") + "\n" + text(lang::console::kDiff, u"0", u"1", u"0") + "\n");
}

TEST_F(ConsoleTest, CommandLinesThatCompareNothingSayWhyAndFail) {
  const std::string a = quoted(m_files.path("a"));
  const std::string b = quoted(m_files.path("b"));
  testing_support::makeFolders(m_files.path("a"));
  testing_support::makeFolders(m_files.path("b"));
  testing_support::writeFileBytes(m_files.path("garbage.mirrane"), "no settings in here\n");
  const std::string missingProject = m_files.path("missing.mirrane");
  struct Case {
    std::string arguments;
    std::string error;  // what standard error must hold
  };
  const Case cases[] = {
      {a + " hide", "a second path is needed. The only path given is " + m_files.path("a")},
      {a + " " + a + " hide", "The same path was given more than once: " + m_files.path("a")},
      {a + " '' hide", "An empty argument was given"},
      {"'' '' hide", "no path was given"},
      {"@" + quoted(missingProject) + " hide", "it does not exist: " + missingProject},
      {"@" + quoted(m_files.path("garbage.mirrane")) + " hide", "it holds no settings: " + m_files.path("garbage.mirrane")},
      {"@relative.mirrane hide", "its path must be absolute: relative.mirrane"},
      {"@" + quoted(m_files.path("a")) + " " + b + " hide", "was not loaded: Access is denied: " + m_files.path("a")},
      // Two paths, but no window to show them in.
      {a + " " + b, "add \"hide\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const ProgramRun result = run(c.arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output, "");
    EXPECT_NE(result.errors.find(c.error), std::string::npos) << result.errors;
  }
  // A project that did not load is reported, and the paths given still compare.
  const ProgramRun compared = run("@" + quoted(missingProject) + " " + a + " " + b + " hide");
  EXPECT_EQ(compared.status, 1) << "two empty folders";
  EXPECT_NE(compared.errors.find(missingProject), std::string::npos);
}

TEST_F(ConsoleTest, UnknownOptionsAreNamedAndAPathAfterTheEndOfOptionsIsAPath) {
  testing_support::writeFileBytes(m_files.path("--help/f.txt"), "same");
  testing_support::writeFileBytes(m_files.path("-tim/f.txt"), "same");
  // A third and a fourth path are no part of the compare, and the user is told so.
  const ProgramRun warned = run("-tim --verbose " + quoted(m_files.path("--help")) + " " + quoted(m_files.path("-tim")) +
                                " hide /typo -- -fourth");
  EXPECT_EQ(warned.status, 0);
  EXPECT_EQ(warned.errors,
            "Unknown option ignored: -tim\nUnknown option ignored: --verbose\n"
            "Path ignored: only the first two paths are compared: /typo\n"
            "Path ignored: only the first two paths are compared: -fourth\n");
  EXPECT_EQ(warned.output, "\n" + text(lang::console::kSuccess, u"0") + "\n" + text(lang::console::kNoDiff, u"0", u"0", u"0") + "\n");

  // Relative paths that look like options, after "--".
  const ProgramRun literal = run("hide -- --help -tim", "cd " + quoted(m_files.path()) + " && ");
  EXPECT_EQ(literal.status, 0) << literal.errors;
  EXPECT_EQ(literal.errors, "");
  EXPECT_EQ(literal.output, warned.output);
}

TEST_F(ConsoleTest, AReaderThatGoesAwayEndsTheRunWithoutLeavingItsWorkFolder) {
  testing_support::writeFileBytes(m_files.path("tree/f.txt"), "same");
  testing_support::packWithSevenZip(m_files.path("tree.zip"), m_files.path("tree"));
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  // Nobody will ever read: every write to the pipe fails.
  close(pipeEnds[0]);
  const pid_t child = fork();
  if (child == 0) {
    dup2(pipeEnds[1], 1);
    execl(kProgram.c_str(), kProgram.c_str(), m_files.path("tree.zip").c_str(), m_files.path("tree").c_str(), "hide",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeEnds[1]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), 1) << "an unread verdict is no verdict";
  std::string left;
  testing_support::runCommand("ls -A " + quoted(m_temp.path("Mirrane")) + " 2>/dev/null", &left);
  EXPECT_EQ(left, "");
}

TEST_F(ConsoleTest, RunsThatCompareNothingLeaveNoWorkFolder) {
  TempFolder bare;
  ASSERT_EQ(testing_support::runCommand("cp " + quoted(kProgram) + " " + quoted(bare.path("mirrane"))), 0);
  testing_support::writeFileBytes(m_files.path("a/f.txt"), "x");
  testing_support::writeFileBytes(m_files.path("b/f.txt"), "x");
  const std::string a = quoted(m_files.path("a"));
  const std::string b = quoted(m_files.path("b"));
  for (const std::string& command : {quoted(kProgram) + " --help", quoted(kProgram), quoted(kProgram) + " " + a + " hide",
                                     quoted(kProgram) + " " + a, quoted(kProgram) + " " + a + " " + b + " hide",
                                     quoted(bare.path("mirrane")) + " " + a + " " + b + " hide"}) {
    SCOPED_TRACE(command);
    testing_support::runCommand(kNoDisplay + command + " >/dev/null 2>&1");
    EXPECT_FALSE(testing_support::exists(m_temp.path("Mirrane"))) << "nothing was unpacked, so nothing was made";
  }
}

TEST_F(ConsoleTest, ACompressedTarballIsTheFolderItWasMadeFrom) {
  testing_support::writeFileBytes(m_files.path("p/a.txt"), "alpha");
  testing_support::writeFileBytes(m_files.path("p/sub/b.txt"), "beta");
  ASSERT_EQ(testing_support::runCommand("tar -C " + quoted(m_files.path()) + " -cJf " + quoted(m_files.path("p.tar.xz")) + " p"), 0);
  const ProgramRun equal = run(quoted(m_files.path("p.tar.xz")) + " " + quoted(m_files.path("p")) + " hide");
  EXPECT_EQ(equal.status, 0) << equal.errors;
  EXPECT_EQ(equal.output, "\n" + text(lang::console::kSuccess, u"0") + "\n" + text(lang::console::kNoDiff, u"0", u"0", u"0") + "\n");
}

TEST_F(ConsoleTest, TheLogOfAFailedUnpackIsKeptAndNamed) {
  testing_support::makeFolders(m_files.path("tree"));
  testing_support::writeFileBytes(m_files.path("broken.zip"), "PK\x03\x04 no zip at all");
  const ProgramRun failed = run(quoted(m_files.path("broken.zip")) + " " + quoted(m_files.path("tree")) + " hide");
  EXPECT_EQ(failed.status, 1);
  const std::string folder = m_temp.path("Mirrane/mrn_");
  const size_t at = failed.errors.find("7-Zip's log of the failed unpack is kept in " + folder);
  ASSERT_NE(at, std::string::npos) << failed.errors;
  std::string logPath = failed.errors.substr(failed.errors.find(folder, at));
  logPath = logPath.substr(0, logPath.find('\n'));
  EXPECT_EQ(logPath.substr(logPath.size() - 7), "/7z.log");
  EXPECT_NE(toUtf8(readTextFile(fromUtf8(logPath))).find("Error Code"), std::string::npos);
  std::string left;
  testing_support::runCommand("ls -A " + quoted(logPath.substr(0, logPath.size() - 7)), &left);
  EXPECT_EQ(left, "7z.log\n") << "nothing but the log stays";
}

TEST_F(ConsoleTest, HelpVersionAndTheWindowlessStart) {
  ProgramRun version = run("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.output, "Mirrane " + projectVersion() + "\n");
  ProgramRun help = run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("apath, attr, case, fast, file, hide, ignore, ignore-hour-shift, start, time, txt"), std::string::npos) << help.output;
  // Each word says what it does, and the options that are no words are there too.
  for (const char* line : {"\n  time         compare modification times\n", "\n  --help, -h   show this text\n",
                           "\n  --version    show the version\n", "\n  --           end of the options",
                           "\n  fast         skip the content of pairs that already differ"}) {
    EXPECT_NE(help.output.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(run("-h").output, help.output);
  // No arguments at all: the window, or without a display (as here) the reason there is none;
  // a program built without the window prints the help.
  const ProgramRun bare = run("");
  EXPECT_TRUE(bare.output == help.output || bare.errors.find("No display") != std::string::npos) << bare.errors;
  // Without "hide" and without a display (or a window in the build): an error, not the help.
  const ProgramRun windowless = run(quoted(m_files.path()) + " " + quoted(m_temp.path()));
  EXPECT_EQ(windowless.status, 1);
  EXPECT_EQ(windowless.output, "");
  EXPECT_TRUE(windowless.errors == text(lang::console::kNoWindow) + "\n" ||
              windowless.errors == text(lang::console::kNoDisplay) + "\n")
      << windowless.errors;
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

// The window is a module loaded only for a window: a program copied without it still compares
// on the console, and a window asked for says what could not be loaded.
TEST_F(ConsoleTest, AProgramWithoutItsWindowModuleComparesOnTheConsole) {
  TempFolder app;
  ASSERT_EQ(testing_support::runCommand("cp -r " + quoted(kProgram) + " " + quoted(std::string(MIRRANE_BUILD_DIR) + "/lang") +
                                        " " + quoted(app.path())),
            0);
  const std::string program = quoted(app.path("mirrane"));
  const std::string paths = " " + quoted(m_files.path()) + " " + quoted(m_temp.path());
  std::string output;
  EXPECT_EQ(testing_support::runCommand(program + paths + " hide 2>&1", &output), 1);
  EXPECT_NE(output.find("Differences found:"), std::string::npos) << output;
  std::string errors;
  EXPECT_EQ(testing_support::runCommand(std::string(kNoDisplay) + program + paths + " 2>&1 >/dev/null", &errors), 1);
  const std::string missing = text(lang::console::kWindowMissing);
  EXPECT_TRUE(errors == text(lang::console::kNoWindow) + "\n" ||
              (errors.starts_with(missing.substr(0, missing.find('('))) && errors.find("/mirrane-window.so") != std::string::npos))
      << errors;
}

// A stop signal sent while the program unpacks: to the whole process group, as a terminal's
// Ctrl+C is (7-Zip dies of it too, perhaps first), or to the program alone.
struct Interrupt {
  int signal;
  bool toGroup;
};

// Starts the console compare in a process group of its own, waits until its unpack runs,
// waits a moment more, signals it and returns how it ended and what it printed.
int interruptUnpack(const std::vector<std::string>& arguments, const std::string& workArea, const Interrupt& interrupt,
                    std::chrono::microseconds moment, std::string* printed) {
  const auto [child, output] = startProgram(arguments, true);
  if (child < 0) return -1;
  // The folder 7-Zip unpacks into is made just before it starts.
  const std::string unpackFolder = workArea + "/mrn_" + std::to_string(child) + "/big.zip";
  const auto failsafe = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!testing_support::exists(unpackFolder) && std::chrono::steady_clock::now() < failsafe) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_TRUE(testing_support::exists(unpackFolder)) << "the unpack never started";
  std::this_thread::sleep_for(moment);
  kill(interrupt.toGroup ? -child : child, interrupt.signal);
  return finishProgram(child, output, printed);
}

TEST_F(ConsoleTest, AStopSignalWhileUnpackingIsACancelAndLeavesNothingBehind) {
  // 7-Zip's stand-in unpacks until it is stopped, so that every signal lands in the unpack.
  testing_support::makeFolders(m_files.path("bin"));
  testing_support::makeLink(std::string(MIRRANE_BUILD_DIR) + "/tests/fake7z", m_files.path("bin/7zz"));
  testing_support::ScopedEnvironment path("PATH", m_files.path("bin") + ":" + std::getenv("PATH"));
  testing_support::ScopedEnvironment mode("MRN_FAKE7Z_MODE", "slow-unpack");
  testing_support::writeFileBytes(m_files.path("big.zip"), "unpacked until stopped");
  testing_support::makeFolders(m_files.path("folder"));
  const std::vector<std::string> arguments = {m_files.path("big.zip"), m_files.path("folder"), "hide"};
  std::mt19937 random(26);
  for (const Interrupt interrupt : {Interrupt{SIGINT, true}, Interrupt{SIGTERM, false}}) {
    for (int attempt = 0; attempt < 20; ++attempt) {
      const auto moment = std::chrono::microseconds(random() % 50000);
      SCOPED_TRACE(testing::Message() << "signal " << interrupt.signal << " after " << moment.count() << " us");
      std::string printed;
      const int status = interruptUnpack(arguments, m_temp.path("Mirrane"), interrupt, moment, &printed);
      ASSERT_TRUE(WIFEXITED(status)) << "the program must end by itself, not by the signal";
      EXPECT_EQ(WEXITSTATUS(status), 1);
      EXPECT_NE(printed.find("(error 0xf0000001)"), std::string::npos) << printed;
      std::string left;
      testing_support::runCommand("ls -A " + testing_support::shellQuote(m_temp.path("Mirrane")), &left);
      EXPECT_EQ(left, "") << "no work folder and no log may stay behind";
    }
  }
}

TEST_F(ConsoleTest, TheLanguageSettingNamesAFileInTheLanguageFolderOnly) {
  // A language file elsewhere, reached from "lang" by climbing out of it.
  testing_support::writeFileBytes(m_files.path("elsewhere/evil.ini"),
                                  "[.info]\nname = Evil\n[console]\nsuccess = EVIL\n");
  std::string climb;
  for (int i = 0; i < 40; ++i) climb += "../";
  TempFolder config;
  testing_support::writeFileBytes(config.path("a/same.txt"), "same");
  testing_support::writeFileBytes(config.path("b/same.txt"), "same");
  for (const std::string& name : {climb + m_files.path("elsewhere/evil.ini").substr(1), std::string(".."), std::string(".")}) {
    SCOPED_TRACE(name);
    testing_support::writeFileBytes(config.path("Mirrane/config.ini"), "[global]\nlanguage = " + name + "\n");
    const ProgramRun result = run(quoted(config.path("a")) + " " + quoted(config.path("b")) + " hide",
                                  "XDG_CONFIG_HOME=" + quoted(config.path()) + " ");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "\n" + text(lang::console::kSuccess, u"0") + "\n" + text(lang::console::kNoDiff, u"0", u"0", u"0") + "\n");
  }
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
  EXPECT_EQ(optionWordList(fresh, u", "), u"apath, attr, case, fast, file, hide, ignore, ignore-hour-shift, start, time, txt");
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

TEST(CommandLineParsing, EndOfOptionsUnknownWordsAndWhatCouldNotBeUsed) {
  CommandLine c;
  parseCommandLine({u"-tim", u"--verbose", u"+case", u"/a", u"--", u"--help", u"-case", u"@p"}, c);
  EXPECT_EQ(c.unknownOptions, (std::vector<olstring>{u"-tim", u"--verbose"}));
  EXPECT_FALSE(c.help);
  EXPECT_TRUE(c.options.compareCase) << "after \"--\" a word is a path";
  EXPECT_EQ(c.options.path0, u"/a");
  EXPECT_EQ(c.options.path1, platform::lexicalFullPath(u"--help"));
  EXPECT_EQ(c.projectLoad, ProjectLoad::loaded) << "no project was named before \"--\"";

  EXPECT_EQ(c.ignoredPaths, (std::vector<olstring>{u"-case", u"@p"})) << "paths after the first two are not compared";

  parseCommandLine({u"-h", u"--version", u"/x", u"", u"/x"}, c);
  EXPECT_TRUE(c.help);
  EXPECT_TRUE(c.version);
  EXPECT_TRUE(c.emptyArgument);
  EXPECT_EQ(c.repeatedPaths, std::vector<olstring>{u"/x"});
  EXPECT_FALSE(c.compareGiven);
  EXPECT_TRUE(c.unknownOptions.empty()) << "a new parse starts afresh";

  TempFolder folder;
  testing_support::writeFileBytes(folder.path("junk.mirrane"), "junk");
  struct Case {
    olstring token;
    ProjectLoad load;
  };
  const Case cases[] = {{u"@", ProjectLoad::notFound},
                        {u"@" + folder.widePath("none.mirrane"), ProjectLoad::notFound},
                        {u"@rel.mirrane", ProjectLoad::notAbsolute},
                        {u"@" + folder.widePath("junk.mirrane"), ProjectLoad::nothingUsable},
                        {u"@" + folder.widePath(), ProjectLoad::unreadable}};
  for (const Case& k : cases) {
    SCOPED_TRACE(toUtf8(k.token));
    parseCommandLine({k.token, u"/a", u"/b"}, c);
    EXPECT_EQ(c.projectLoad, k.load);
    EXPECT_TRUE(c.compareGiven) << "the paths given still make a compare";
  }
}

TEST(CommandLineParsing, ReportOptions) {
  CommandLine c;
  parseCommandLine({u"/a", u"/b", u"hide", u"--report=out.jsonl", u"--report-all"}, c);
  EXPECT_TRUE(c.reportGiven);
  EXPECT_EQ(c.reportPath, platform::lexicalFullPath(u"out.jsonl")) << "relative to the current folder";
  EXPECT_TRUE(c.reportAll);
  EXPECT_EQ(c.options.path1, u"/b") << "report options are no paths";
  EXPECT_TRUE(c.unknownOptions.empty());

  parseCommandLine({u"/a", u"/b", u"--report=-"}, c);
  EXPECT_EQ(c.reportPath, u"-") << "standard output";
  EXPECT_FALSE(c.reportAll);

  // Named without a file: given, with no path, which the run refuses.
  for (const olstring& token : {olstring(u"--report"), olstring(u"--report=")}) {
    parseCommandLine({u"/a", u"/b", token}, c);
    EXPECT_TRUE(c.reportGiven);
    EXPECT_TRUE(c.reportPath.empty());
  }
  parseCommandLine({u"/a", u"--reporting", u"--", u"--report=x"}, c);
  EXPECT_FALSE(c.reportGiven) << "neither a look-alike nor a path after \"--\" is the option";
  EXPECT_EQ(c.unknownOptions, std::vector<olstring>{u"--reporting"});
  EXPECT_EQ(c.options.path1, platform::lexicalFullPath(u"--report=x"));
}

TEST_F(ConsoleTest, SaveListingSaysWhatItSavedOrWhyNothing) {
  namespace keys = lang::console;
  const std::string tree = m_files.path("tree");
  testing_support::writeFileBytes(tree + "/sub/f.txt", "f");
  testing_support::writeFileBytes(tree + "/g.txt", "g");
  testing_support::packWithSevenZip(m_files.path("packed.zip"), tree);
  const std::string listing = m_files.path("tree.mrnl");
  const std::string missing = m_files.path("missing");
  const std::string zip = m_files.path("packed.zip");
  const struct {
    std::string arguments;
    int status;
    std::string errors;
  } cases[] = {
      {"--save-listing " + quoted(tree), 1, text(keys::kSaveNoFile)},
      {"--save-listing=" + quoted(listing), 1, text(keys::kSaveNoPath)},
      {"--save-listing=" + quoted(listing) + " " + quoted(tree) + " " + quoted(missing), 1,
       text(keys::kSaveTwoPaths, fromUtf8(missing))},
      {"--save-listing=" + quoted(listing) + " " + quoted(tree) + " --report=-", 1, text(keys::kSaveWithReport)},
      {"--save-listing=" + quoted(zip) + " " + quoted(zip), 1, text(keys::kSaveReplacesInput, fromUtf8(zip))},
      {"--save-listing=" + quoted(listing) + " " + quoted(missing), 1,
       text(keys::kSaveNotSaved, u"0x00000003", u"The system cannot find the path specified: " + fromUtf8(missing))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const ProgramRun refused = run(c.arguments);
    EXPECT_EQ(refused.status, c.status);
    EXPECT_EQ(refused.output, "");
    EXPECT_EQ(refused.errors, c.errors + "\n");
    EXPECT_FALSE(testing_support::exists(listing)) << "a listing that was not made leaves no file";
  }

  // An archive is listed as the folder it holds; a listing of a listing is refused.
  ProgramRun saved = run("--save-listing=" + quoted(listing) + " " + quoted(zip));
  EXPECT_EQ(saved.status, 0) << saved.errors;
  EXPECT_EQ(saved.output, text(keys::kSaved, u"3", u"2", u"1", fromUtf8(listing)) + "\n");
  ProgramRun again = run("--save-listing=" + quoted(m_files.path("again.mrnl")) + " " + quoted(listing));
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.errors.find("0xf0000005"), std::string::npos) << again.errors;

  // To standard output the listing is the output, and what was saved goes to standard error.
  ProgramRun piped = run("--save-listing=- " + quoted(tree));
  EXPECT_EQ(piped.status, 0);
  EXPECT_EQ(piped.output.rfind(R"({"type":"listing","format":1,)", 0), 0u) << piped.output;
  EXPECT_EQ(piped.errors, text(keys::kSaved, u"3", u"2", u"1", u"-") + "\n");

  // The listing of the archive and the folder it was made from hold the same tree.
  ProgramRun compared = run(quoted(listing) + " " + quoted(tree) + " hide");
  EXPECT_EQ(compared.status, 0) << compared.errors;
  EXPECT_EQ(compared.output, "\n" + text(keys::kSuccess, u"0") + "\n" + text(keys::kNoDiff, u"0", u"0", u"0") + "\n");
  // A project file names a listing as it names any path.
  CompareOptions project;
  project.path0 = fromUtf8(listing);
  project.path1 = fromUtf8(tree);
  ASSERT_TRUE(saveProjectFile(fromUtf8(m_files.path("listing.mirrane")), project));
  EXPECT_EQ(run("@" + quoted(m_files.path("listing.mirrane")) + " hide").output, compared.output);
}

TEST_F(ConsoleTest, InterruptCancelsASaveAndTheListingSaysSo) {
  // A large sparse file: hashing it takes seconds, creating it nothing.
  testing_support::makeFolders(m_files.path("big"));
  ASSERT_EQ(testing_support::runCommand("truncate -s 16G " + quoted(m_files.path("big/big.bin"))), 0);
  // The header comes once the walk runs, and with it the handling of Ctrl+C.
  const ProgramRun save = interruptOnceShown({"--save-listing=-", m_files.path("big")}, "\n");
  const std::string& output = save.output;
  ASSERT_NE(save.status, -1) << "the program must end by itself, not by the signal";
  EXPECT_EQ(save.status, 1);
  EXPECT_NE(output.find(R"({"type":"summary","succeeded":false,"items":0,)"), std::string::npos) << output;
  EXPECT_NE(output.find(R"("error_code":4026531841,)"), std::string::npos) << output;
}

// A copy whose times were rounded to even seconds and moved by an hour.
TEST_F(ConsoleTest, TimeToleranceAndHourShiftFromTheCommandLine) {
  testing_support::writeTimedCopies(m_files.path("a"), m_files.path("b"),
                                    {{"odd.txt", 1600000001, 300000000, 1600000002}, {"dst.txt", 1600000007, 0, 1600003608}});
  const std::string paths = quoted(m_files.path("a")) + " " + quoted(m_files.path("b"));
  const struct {
    const char* options;
    int status;
    const char* header;
  } cases[] = {
      {"time", 1, R"("ignore_hour_shift":false,"time_tolerance":0})"},
      {"time --time-tolerance=2 --ignore-hour-shift", 0, R"("ignore_hour_shift":true,"time_tolerance":2})"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    const ProgramRun result = run(paths + " hide --report=- " + c.options);
    EXPECT_EQ(result.status, c.status) << result.output << result.errors;
    EXPECT_NE(result.output.find(c.header), std::string::npos) << result.output;
  }
  const ProgramRun refused = run(paths + " hide time --time-tolerance=2s");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.errors.find("--time-tolerance=2s"), std::string::npos) << refused.errors;
  EXPECT_EQ(refused.output.find("No difference"), std::string::npos) << refused.output;
}

TEST_F(ConsoleTest, ExitTroubleTwoTellsTroubleFromDifferences) {
  for (const char* side : {"x", "y", "a"}) testing_support::writeFileBytes(m_files.path(side) + "/f.txt", "same");
  testing_support::writeFileBytes(m_files.path("b/f.txt"), "changed");
  const std::string x = quoted(m_files.path("x"));
  const std::string y = quoted(m_files.path("y"));
  struct Case {
    std::string name;
    std::string arguments;
    int plain;
    int withTwo;
  };
  const Case cases[] = {
      {"no difference", x + " " + y + " hide", 0, 0},
      {"differences", quoted(m_files.path("a")) + " " + quoted(m_files.path("b")) + " hide", 1, 1},
      {"a path missing", quoted(m_files.path("none")) + " " + y + " hide", 1, 2},
      {"one path", x + " hide", 1, 2},
      {"a report refused", x + " " + y + " hide --report-all", 1, 2},
      {"a listing refused", "--save-listing= " + x, 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(run(c.arguments).status, c.plain);
    EXPECT_EQ(run(c.arguments + " --exit-trouble=2").status, c.withTwo);
  }
  // A value that is neither is refused before anything is compared, as trouble.
  for (const std::string value : {"--exit-trouble=3", "--exit-trouble"}) {
    SCOPED_TRACE(value);
    const ProgramRun refused = run(x + " " + y + " hide " + value);
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.output, "");
    EXPECT_NE(refused.errors.find("--exit-trouble takes 1 or 2"), std::string::npos) << refused.errors;
  }
}

TEST_F(ConsoleTest, APairThatCannotBeReadIsTroubleAndTheReportSaysWhy) {
  const std::string a = m_files.path("a");
  const std::string b = m_files.path("b");
  testing_support::writeFileBytes(a + "/locked.txt", "locked");
  testing_support::writeFileBytes(b + "/locked.txt", "locked");
  testing_support::setMode(b + "/locked.txt", 0000);
  const std::string report = m_files.path("report.jsonl");
  const std::string arguments = quoted(a) + " " + quoted(b) + " hide --report=" + quoted(report);
  // Run as a user the permissions hold for, and told by what the child left behind.
  int statuses[2] = {-1, -1};
  std::string errors[2];
  for (int trouble = 0; trouble < 2; ++trouble) {
    const std::string saved = m_files.path("errors" + std::to_string(trouble));
    statuses[trouble] = testing_support::runInChild(
        [&] {
          const ProgramRun result = run(arguments + (trouble == 1 ? " --exit-trouble=2" : ""));
          testing_support::writeFileBytes(saved, result.errors);
          return result.status == (trouble == 1 ? 2 : 1);
        },
        true);
    errors[trouble] = testing_support::readFileBytes(saved);
  }
  EXPECT_EQ(statuses[0], 0) << "by default a file that cannot be read is a difference: " << errors[0];
  EXPECT_EQ(errors[0], "");
  EXPECT_EQ(statuses[1], 0) << "with --exit-trouble=2 it is trouble: " << errors[1];
  EXPECT_EQ(errors[1], text(lang::console::kPairsUnreadable, u"1") + "\n");
  const std::string written = testing_support::readFileBytes(report);
  EXPECT_NE(written.find(R"("content":{"mode":"not_read","bytes_compared":[0,0],"reason":"unreadable",)"
                         R"("side":"second","error_code":5,"error_text":"Access is denied"}})"),
            std::string::npos)
      << written;
}

TEST_F(ConsoleTest, ACancelledCompareIsTroubleWithExitTroubleTwo) {
  // A folder, passed at once, then a large sparse pair whose reading takes seconds.
  for (const char* side : {"left", "right"}) {
    testing_support::makeFolders(m_files.path(side) + "/0-first");
    ASSERT_EQ(testing_support::runCommand("truncate -s 16G " + quoted(m_files.path(std::string(side) + "/big.bin"))), 0);
  }
  // The folder's line comes once the compare runs, and with it the handling of Ctrl+C.
  const ProgramRun compare = interruptOnceShown(
      {m_files.path("left"), m_files.path("right"), "hide", "--report=-", "--report-all", "--exit-trouble=2"}, "0-first");
  const std::string& output = compare.output;
  ASSERT_NE(compare.status, -1) << "the program must end by itself, not by the signal";
  EXPECT_EQ(compare.status, 2);
  EXPECT_NE(output.find(R"("error_code":4026531841,)"), std::string::npos) << output;
}
