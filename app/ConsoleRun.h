// The console compare, the windowless run beside the windowed one: the checks of a report
// request, the compare with its progress line on a terminal, the verdict on standard output
// and the exit code.
#pragma once

#include "app/Startup.h"

// Runs the compare of the command line without a window, prints the verdict on standard
// output (a failure on standard error) and returns the exit code: 0 no difference, 1
// differences, and the command line's trouble code (1 unless --exit-trouble=2) for a
// failure or cancel, a verdict that could not be written, and (with --exit-trouble=2 only,
// counted on standard error) pairs of files that could not be read. Ctrl+C or SIGTERM
// cancel the compare. The archive work folder is removed before it returns, except for the
// log of an archive that gave no folder, whose path is printed. With --report the item
// report (app/ReportWriter.h) is written too: a report that cannot be created ends the run
// before anything is compared, one that cannot be written in full stops the compare, and
// either is trouble.
int runConsoleCompare(MirraneCore& core);

// Runs a job on the worker while the console waits, with a progress line on a terminal's
// standard error. Ctrl+C, SIGTERM or stopWanted (asked a few times a second) cancel it.
// Returns the worker's exit code: 0 succeeded, 1 failed or could not start.
uint32_t runJobInConsole(MirraneCore& core, WorkerThread::Job job, const std::function<bool()>& stopWanted);

// The text printed for a finished job: for a success the verdict, after a blank line; for
// a failure the one line that says why.
olstring consoleVerdictText(MirraneCore& core, uint32_t exitCode);

// A report asked for where none can be written (no file named, --report-all alone, a run
// with a window, or a file being compared in its place) is refused on standard error before
// anything is compared: false.
bool reportRequestUsable(const CommandLine& commandLine);

// One line on standard error.
void printErrorLine(olstring_view line);
