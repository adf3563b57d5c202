// Every path that a user, the command line or a settings file supplies passes through
// here: expansion, what is at a path, creating and removing folders, full paths, opening.
// Failures are return values; the platform's last error tells why.
#pragma once

#include "foundation/olstring.h"
#include "platform/File.h"

enum class PathType { none = 0, file = 1, folder = 2 };

// Opens a file for reading (existing regular files only) or for writing (an atomic replace;
// missing folders on the way are created and a read-only target is replaced).
// Returns nullptr on failure, with the last error set.
platform::FileHandle openFile(olstring_view path, bool forWriting);

// openFile, retried for up to 1000 ms while the failure is a sharing violation (error 32).
platform::FileHandle openFileRetry(olstring_view path, bool forWriting);

// Expands %NAME% variables, %{GUID}% known-folder references and a leading "~/".
olstring expandPath(olstring_view path);

// What is at the path after expansion; size (optional) gets a file's size.
PathType pathType(olstring_view path, uint64_t* size = nullptr);

// Creates every missing folder of the path. False when a part is a file or cannot be made.
bool createFolders(olstring_view path);

// 1 when the expanded path is absolute (starts with the separator), else 0.
int absolutePathKind(olstring_view path);

// An absolute path comes back unchanged; a relative one is joined with the current folder
// and "." and ".." are resolved lexically. On failure the input comes back.
olstring fullPath(olstring_view path);

// Removes a folder and everything below it. A link inside is removed, never followed.
// The result is whether the folder itself could be removed.
bool deleteFolderTree(olstring_view folder);

// Expands the path, strips trailing separators and removes the folder tree there; false
// when the path is empty or names no folder.
bool deleteFolder(olstring_view path);
