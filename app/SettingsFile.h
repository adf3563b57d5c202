// Finding the user's settings files: "config/<name>" in the application folder is preferred,
// "Mirrane/<name>" in the per-user settings folder takes over where that cannot be written.
#pragma once

#include "foundation/olstring.h"
#include "platform/File.h"

#include <vector>

enum class SettingsAccess { read, write };

// The two places a settings file may live.
olstring settingsPathInApplicationFolder(olstring_view name);
olstring settingsPathInUserFolder(olstring_view name);

// The places a settings file may live, the one written by preference first: the
// application folder's (not for an installed program), then the per-user one.
std::vector<olstring> settingsLocations(olstring_view name);

// Read: the newer of the two copies (the application folder's wins a tie); write: the
// application folder's copy when it can be written, else the per-user one, but never a copy
// that exists and cannot be read. An installed program uses only the per-user copy. Every
// open is retried while another instance holds the file. When neither opens, the File
// carries (and the last error holds) the reason: for reading, a failure other than "not
// found" wins, so that a caller knows a copy exists that must not be overwritten.
platform::File openSettings(olstring_view name, SettingsAccess access);
// The same as a raw handle for the caller to close; nullptr when neither opens.
platform::FileHandle openSettingsFile(olstring_view name, SettingsAccess access);
