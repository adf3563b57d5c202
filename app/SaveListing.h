// The console's "--save-listing=FILE PATH": lists one tree with the SHA-256 of every file,
// for a later compare against it (on this machine or another), without a window.
#pragma once

#include "app/CommandLine.h"

struct MirraneCore;

// Whether the command line asks for a listing that can be made; says on standard error
// why not (no file, no path or two, the listing would replace what it lists, a report
// asked for as well).
bool saveListingRequestUsable(const CommandLine& commandLine);

// Walks the path on the worker (Ctrl+C cancels) and writes the listing, then says what was
// saved, or why nothing was. Returns the exit code: 0 when the listing is complete; 1 when
// something could not be read (the listing is saved and says so), or nothing was saved.
int runSaveListing(MirraneCore& core);
