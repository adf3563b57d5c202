// Project files (".mirrane"): one compare set-up, two paths, the exclusions and the
// switches (app/CompareSwitches.h), in section "global". The default project "default.mirrane" carries the last
// set-up of the window from one run to the next when the advanced settings ask for it.
#pragma once

#include "engine/CompareOptions.h"
#include "foundation/olini.h"

// Resets the options, then takes every key of section "global" that has a non-empty value.
void readOptions(const olini& ini, CompareOptions& options);
// Clears the INI and writes every key (paths, exclusions, switches) into section "global".
void writeOptions(olini& ini, const CompareOptions& options);

// Resets the options and loads them from a project file. A relative path is refused before
// the disk is touched; a file with nothing usable gives false and the defaults.
bool loadProjectFile(olstring_view path, CompareOptions& options);

// How loading a project file went, for callers that tell the user why it did not.
enum class ProjectLoad { loaded, notAbsolute, notFound, unreadable, nothingUsable };
// loadProjectFile with the reason of a failure (for unreadable, the platform's last error
// tells more).
ProjectLoad loadProjectFileWithReason(olstring_view path, CompareOptions& options);
// Writes the options to a project file (folders created, an existing file replaced).
bool saveProjectFile(olstring_view path, const CompareOptions& options);

// "default.mirrane" through the settings-file opener, only when auto_saveload is on.
bool loadDefaultProject(AdvancedSettings& settings, CompareOptions& options);
bool saveDefaultProject(AdvancedSettings& settings, const CompareOptions& options);
