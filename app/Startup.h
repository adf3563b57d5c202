// Putting the program together: the process-wide objects in their order and the choice
// between the console compare (app/ConsoleRun.h) and the window (window/WindowedRun.h).
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
