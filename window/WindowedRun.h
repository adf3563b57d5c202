// The windowed program: the interface brought up (theme, font, menus, tooltips), the main
// window run until it closes, and the default project, archive work folder and menus looked
// after around it.
#pragma once

#include "app/Startup.h"

// Runs the main window for the process's objects; returns the exit code: 0 once the window
// has closed, 1 when no window could be opened (no display), which is said on standard error.
int runWindowed(MirraneCore& core);
