// Putting the program together: the process-wide objects in their order, the choice between
// the console mode and the window, and the console compare itself.
#pragma once

#include "app/CommandLine.h"
#include "engine/CompareEngine.h"

#include <functional>
#include <vector>

// The program's process-wide objects, built in this order and destroyed in the reverse:
// the engine (advanced settings, result, current options, content buffers, archive work
// area and 7-Zip, job state, worker), the language table, the parsed command line.
struct MirraneCore {
  explicit MirraneCore(const std::vector<olstring>& arguments);
  // Removes the archive work folder, if the run made one.
  ~MirraneCore();
  MirraneCore(const MirraneCore&) = delete;
  MirraneCore& operator=(const MirraneCore&) = delete;

  CompareEngine engine;
  bool languageLoaded = false;
  CommandLine commandLine;
};

// The window's run, given by the GUI when it is built in; it returns the exit code.
using WindowedRun = std::function<int(MirraneCore&)>;

// The program from its arguments (without the program name) to its exit code.
int runMirrane(const std::vector<olstring>& arguments, const WindowedRun& windowedRun);

// Runs the compare of the command line without a window, prints the verdict on standard
// output (a failure on standard error) and returns the exit code: 0 no difference, 1
// differences or failure (also when the verdict could not be written). Ctrl+C or SIGTERM
// cancel the compare. The archive work folder is removed before it returns, except for the
// log of an archive that gave no folder, whose path is printed. With --report the item
// report (app/ReportWriter.h) is written too: a report that cannot be created ends the run
// before anything is compared, one that cannot be written in full stops the compare, and
// either makes the exit code 1.
int runConsoleCompare(MirraneCore& core);

// Runs a job on the worker while the console waits, with a progress line on a terminal's
// standard error. Ctrl+C, SIGTERM or stopWanted (asked a few times a second) cancel it.
// Returns the worker's exit code: 0 succeeded, 1 failed or could not start.
uint32_t runJobInConsole(MirraneCore& core, WorkerThread::Job job, const std::function<bool()>& stopWanted);

// The text printed for a finished job: for a success the verdict, after a blank line; for
// a failure the one line that says why.
olstring consoleVerdictText(MirraneCore& core, uint32_t exitCode);
