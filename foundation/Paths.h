// Every path that a user, the command line or a settings file supplies passes through
// here: splitting and joining, expansion, what is at a path, creating and removing folders,
// full paths, opening.
// Failures are return values; the platform's last error tells why.
#pragma once

#include "foundation/olstring.h"
#include "platform/File.h"

enum class PathType { none = 0, file = 1, folder = 2 };

// Splitting and joining, by one rule: the separator is platform::kPathSeparator, and
// separators at the end of a path do not count ("a/b/" is "a/b"), except that the root "/"
// stays the root. Nothing here looks at the disk.

// The last name: "a/b/c" gives "c", "a/b/" gives "b", "c" gives "c", "/" gives "".
olstring_view fileNamePart(olstring_view path);
// Everything before the last name, without the separators in between: "a/b/c" gives "a/b",
// "a//c" gives "a", "/c" and "/" give "/", and "c" gives "" (no folder part).
olstring_view folderPart(olstring_view path);
// The last name's extension from its last dot on: "a/b.tar.gz" gives ".gz", "a/.ini" gives
// ".ini", "a.d/b" gives "".
olstring_view extensionPart(olstring_view path);
// One separator between folder and name, unless either already provides it or either is
// empty: ("/a", "b") and ("/a/", "b") give "/a/b", ("", "b") gives "b", ("/a", "") gives "/a".
olstring joinPath(olstring_view folder, olstring_view name);

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
