// Every path that a user, the command line or a settings file supplies passes through
// here: splitting and joining, expansion, what is at a path, creating and removing folders,
// full paths, opening. Failures are return values; the platform's last error tells why.
#pragma once

#include "foundation/olstring.h"
#include "platform/File.h"

// What is at a path: none (nothing), file, folder.
using PathType = platform::PathType;

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

// What an open does when another program holds the file (error 32, a sharing violation):
// fail at once, or try again every 100 ms for up to 1000 ms.
enum class SharingRetry { none, upToOneSecond };

// Opens an existing regular file for reading, or a file for writing (an atomic replace;
// missing folders on the way are created and a read-only target is replaced). The File owns
// the handle, or carries the error code (3 for an empty path); the last error is set either
// way.
platform::File openFileForReading(olstring_view path, SharingRetry retry = SharingRetry::none);
platform::File openFileForWriting(olstring_view path, SharingRetry retry = SharingRetry::none);

// The raw forms, for callers that close the handle themselves: nullptr on failure.
platform::FileHandle openFile(olstring_view path, bool forWriting);
// openFile with SharingRetry::upToOneSecond.
platform::FileHandle openFileRetry(olstring_view path, bool forWriting);

// Expands %NAME% variables, %{GUID}% known-folder references and a leading "~/".
olstring expandPath(olstring_view path);

// What is at the path after expansion; size (optional) gets a file's size.
PathType pathType(olstring_view path, uint64_t* size = nullptr);

// Creates every missing folder of the path. False when a part is a file or cannot be made.
bool createFolders(olstring_view path);

// Whether a path is absolute: relative, or absolute (after expansion it starts with the
// separator). An empty path is relative.
enum class PathRoot { relative = 0, absolute = 1 };
PathRoot absolutePathKind(olstring_view path);

// An absolute path comes back unchanged; a relative one is joined with the current folder
// and "." and ".." are resolved lexically. On failure the input comes back.
olstring fullPath(olstring_view path);

// Removes everything in a folder but the entry named keep (none when keep is empty). A link
// inside is removed, never followed; what cannot be removed stays. False when the folder
// cannot be listed.
bool deleteFolderContent(olstring_view folder, olstring_view keep = {});

// Removes a folder and everything below it. A link inside is removed, never followed.
// The result is whether the folder itself could be removed.
bool deleteFolderTree(olstring_view folder);

// Expands the path, strips trailing separators and removes the folder tree there; false
// when the path is empty or names no folder.
bool deleteFolder(olstring_view path);
