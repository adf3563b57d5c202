// The process layer with a real child: exit codes, signals, output floods, hangs ended by a
// stop request, working folder and standard input, and where programs are looked for.

#include "platform/Error.h"
#include "platform/File.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

using namespace platform;
using testing_support::TempFolder;

namespace {

const std::u16string kHelper = utf8ToUtf16(std::string(MIRRANE_BUILD_DIR) + "/tests/process_helper");

ProcessResult runHelper(std::vector<std::u16string> arguments, bool capture = true) {
  ProcessRun run;
  run.arguments = {kHelper};
  run.arguments.insert(run.arguments.end(), arguments.begin(), arguments.end());
  run.captureOutput = capture;
  return runProgram(run);
}

using Clock = std::chrono::steady_clock;

}  // namespace

TEST(Process, ExitCodesSignalsAndProgramsThatCannotStart) {
  struct Case {
    std::vector<std::u16string> arguments;
    uint32_t exitCode;
  };
  const Case cases[] = {{{u"exit", u"0"}, 0}, {{u"exit", u"7"}, 7}, {{u"exit", u"255"}, 255},
                        {{u"abort"}, 128 + 6}, {{u"kill"}, 128 + 9}};
  for (const Case& c : cases) {
    SCOPED_TRACE(utf16ToUtf8(c.arguments[0]));
    for (const bool capture : {true, false}) {
      const ProcessResult result = runHelper(c.arguments, capture);
      EXPECT_EQ(result.exitCode, c.exitCode);
      EXPECT_FALSE(result.stopped);
    }
  }
  ProcessRun missing;
  missing.arguments = {u"/no/such/program"};
  EXPECT_EQ(runProgram(missing).exitCode, kProcessNotStarted);
  ProcessRun nothing;
  EXPECT_EQ(runProgram(nothing).exitCode, kProcessNotStarted);
  EXPECT_EQ(lastError(), kErrorInvalidParameter);
}

TEST(Process, ArgumentsReachTheChildAsTheyAreAndBothStreamsAreCaptured) {
  // No shell: nothing in an argument is quoting, expansion or a second command.
  const ProcessResult result =
      runHelper({u"echo", u"two words", u"\"quoted\"", u"$(touch /tmp/mrn-pwned)", u"", u"caf\u00e9", u"a;b|c"});
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.output,
            "[two words]\n[\"quoted\"]\n[$(touch /tmp/mrn-pwned)]\n[]\n[caf\xC3\xA9]\n[a;b|c]\nto stderr\n");
  EXPECT_FALSE(testing_support::exists("/tmp/mrn-pwned"));
}

TEST(Process, AFloodIsDrainedAndCutAtTheLimit) {
  const auto start = Clock::now();
  const ProcessResult result = runHelper({u"flood", u"64"});
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(20));
  EXPECT_EQ(result.exitCode, 3u) << "the child was never blocked on a full pipe";
  EXPECT_TRUE(result.outputCut);
  EXPECT_EQ(result.output.size(), size_t{4} << 20);
  EXPECT_EQ(result.output.find_first_not_of('x'), std::string::npos) << "only the start is kept";
}

TEST(Process, AStopRequestEndsAHangAndAGrandchildDoesNotHoldTheRun) {
  for (const bool capture : {true, false}) {
    SCOPED_TRACE(capture);
    ProcessRun run;
    run.arguments = {kHelper, u"sleep"};
    run.captureOutput = capture;
    const auto start = Clock::now();
    run.shouldStop = [start] { return Clock::now() - start > std::chrono::milliseconds(300); };
    const ProcessResult result = runProgram(run);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.exitCode, 128u + 9);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  }
  // The child ends at once; its own child keeps the pipe open for half a minute.
  const auto start = Clock::now();
  const ProcessResult result = runHelper({u"grandchild"});
  EXPECT_EQ(result.exitCode, 5u);
  EXPECT_EQ(result.output, "parent done\n");
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
}

// The state letter of a process in /proc ('Z' once it has ended and waits to be reaped).
char processState(const std::string& pid) {
  const std::string stat = testing_support::readFileBytes("/proc/" + pid + "/stat");
  const size_t close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() ? stat[close + 2] : '?';
}

TEST(Process, WhatTheChildPrintedJustBeforeItEndedIsKept) {
  TempFolder folder;
  const std::string pidFile = folder.path("pid");
  const std::string goFile = folder.path("go");
  ProcessRun run;
  run.arguments = {kHelper, u"tail", utf8ToUtf16(pidFile), utf8ToUtf16(goFile)};
  run.captureOutput = true;
  // The first look holds the run until the child has printed its line and ended, so that
  // the line is still in the pipe when the child is found to have ended.
  bool first = true;
  run.shouldStop = [&] {
    if (!first) return false;
    first = false;
    const auto failsafe = Clock::now() + std::chrono::seconds(60);
    std::string pid;
    // Written in one piece, its line end last.
    while ((pid.empty() || pid.back() != '\n') && Clock::now() < failsafe) pid = testing_support::readFileBytes(pidFile);
    if (!pid.empty()) pid.pop_back();
    testing_support::writeFileBytes(goFile, "");
    while (processState(pid) != 'Z' && Clock::now() < failsafe) usleep(1000);
    EXPECT_EQ(processState(pid), 'Z');
    return false;
  };
  const ProcessResult result = runProgram(run);
  EXPECT_EQ(result.exitCode, 6u);
  EXPECT_EQ(result.output, "the last line\n");
}

TEST(Process, TheChildStartsWithNoSignalBlockedOrIgnored) {
  // As a console compare holds them: Ctrl+C blocked to become a cancel, SIGPIPE ignored.
  sigset_t interrupt;
  sigemptyset(&interrupt);
  sigaddset(&interrupt, SIGINT);
  sigset_t previousMask;
  ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &interrupt, &previousMask), 0);
  const auto previousPipe = signal(SIGPIPE, SIG_IGN);
  const ProcessResult result = runHelper({u"signals"});
  signal(SIGPIPE, previousPipe);
  pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.output, "int open, pipe default\n") << "7-Zip must be stoppable and see its broken pipes";
}

TEST(Process, WorkingFolderAndAnEmptyStandardInput) {
  TempFolder folder;
  ProcessRun run;
  run.arguments = {kHelper, u"where"};
  run.workingFolder = utf8ToUtf16(folder.path());
  run.captureOutput = true;
  const ProcessResult result = runProgram(run);
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.output, folder.path() + "\nstdin 0\n") << "standard input is /dev/null: no wait, no bytes";
}

TEST(Process, ProgramsAreFoundOnlyInAbsolutePathFolders) {
  TempFolder folder;
  for (const char* place : {"cwd", "cwd/relative", "first", "second"}) testing_support::makeFolders(folder.path(place));
  const std::string copy = "cp " + testing_support::shellQuote(utf16ToUtf8(kHelper)) + " ";
  for (const char* place : {"cwd/tool", "cwd/relative/tool", "second/tool"}) {
    ASSERT_EQ(testing_support::runCommand(copy + testing_support::shellQuote(folder.path(place))), 0);
  }
  // In the first folder, a file of that name that may not be run.
  testing_support::writeFileBytes(folder.path("first/tool"), "#!/bin/sh\n");
  testing_support::setMode(folder.path("first/tool"), 0644);
  testing_support::makeFolders(folder.path("second/folder-tool"));

  const char* saved = std::getenv("PATH");
  const std::string savedPath = saved != nullptr ? saved : "";
  const std::u16string cwd = currentFolder();
  ASSERT_EQ(chdir(folder.path("cwd").c_str()), 0);
  // An empty entry and a relative one both mean the current folder: never searched.
  setenv("PATH", ("relative::.:" + folder.path("first") + ":" + folder.path("second")).c_str(), 1);
  EXPECT_EQ(findOnPath(u"tool"), utf8ToUtf16(folder.path("second/tool")));
  EXPECT_EQ(findOnPath(u"folder-tool"), u"") << "a folder is no program";
  setenv("PATH", "relative:.", 1);
  EXPECT_EQ(findOnPath(u"tool"), u"");
  EXPECT_EQ(findOnPath(u""), u"");
  setenv("PATH", savedPath.c_str(), 1);
  ASSERT_EQ(chdir(utf16ToUtf8(cwd).c_str()), 0);
  EXPECT_TRUE(isExecutableFile(kHelper));
  EXPECT_FALSE(isExecutableFile(utf8ToUtf16(folder.path("first/tool"))));
}
