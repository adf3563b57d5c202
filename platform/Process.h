// Running an outside program without a shell and capturing what it prints.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// Returned when the program could not be started at all (4294967295 in the log).
constexpr uint32_t kProcessNotStarted = 0xFFFFFFFFu;

struct ProcessRun {
  std::vector<std::u16string> arguments;  // arguments[0] is the program's path
  std::u16string workingFolder;           // empty: the caller's current folder
  bool captureOutput = false;             // standard output and error into one pipe
  size_t outputLimit = 4u << 20;          // bytes kept of the output; the rest is read and dropped
  // Polled while the program runs; when it returns true the program is killed.
  std::function<bool()> shouldStop;
};

struct ProcessResult {
  uint32_t exitCode = kProcessNotStarted;  // a program ended by a signal gives 128 + signal
  std::string output;                      // the captured bytes (up to the limit)
  bool outputCut = false;                  // more was printed than the limit
  bool stopped = false;                    // killed because shouldStop asked for it
};

// Starts the program with an argument vector (no shell, so no quoting and no way for a
// name to inject a command), standard input from /dev/null, and waits for it to end while
// draining its output, so a chatty child never blocks on a full pipe.
ProcessResult runProgram(const ProcessRun& run);

// The full path of a program found on PATH, or empty.
std::u16string findOnPath(std::u16string_view name);

// True when a process with this id exists (also one of another user).
bool isProcessRunning(uint32_t processId);

// True when the path is a regular file this process may execute.
bool isExecutableFile(std::u16string_view path);

}  // namespace platform
