// The window as a module the program opens only when a window is wanted: a compare from
// the command line then starts without loading Qt and the libraries below it.

#include "window/WindowedRun.h"

extern "C" __attribute__((visibility("default"))) int mirraneRunWindowed(MirraneCore& core) { return runWindowed(core); }
