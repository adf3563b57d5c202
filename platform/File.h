// Files as the program sees them: handles for reading (regular files only, never blocking)
// and for writing (an atomic replace), plus the few whole-path operations it needs.
// Every call sets the thread's last-error value (platform/Error.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

struct FileObject;
// An open file; nullptr is "no handle".
using FileHandle = FileObject*;

enum class FileAccess { read, write };

// Reading: opens an existing regular file. Anything else (folder, FIFO, socket, device) is
// refused with error 5 without blocking. Writing: returns a handle to a new temporary file
// beside the target; closeFile() renames it over the target when every write succeeded, so
// a failed or interrupted write leaves the old content untouched. A link as target is
// followed, so the file it points to is replaced, not the link. A target that exists and is
// no regular file (a FIFO, a terminal, a device) is written in place, never replaced; a
// FIFO that nobody reads fails at once instead of blocking.
// Returns nullptr on failure.
FileHandle openFile(std::u16string_view path, FileAccess access);

// Reads up to n bytes (fewer only at the end of the file); false on a read error.
bool readFile(FileHandle handle, void* destination, size_t n, size_t* bytesRead);
// Writes all n bytes; false when not all could be written (the handle then never commits).
bool writeFile(FileHandle handle, const void* data, size_t n);
// The size of the open file.
bool fileSize(FileHandle handle, uint64_t* size);
// Moves the position to an offset from the start.
bool seekFile(FileHandle handle, uint64_t offset);
// The last-write time of the open file, in 100 ns units since 1601.
bool fileWriteTime(FileHandle handle, uint64_t* writeTime);
// Tells the system the file will be read from start to end once.
void adviseSequentialRead(FileHandle handle);
// Closes the handle. For a write handle this commits the replace: true only when every
// write succeeded and the new content is in place; otherwise the temporary file is removed
// and the target keeps its old content.
bool closeFile(FileHandle handle);
// Closes a write handle without replacing the target (the temporary file is removed).
void abandonFile(FileHandle handle);

enum class PathKind { none, file, folder };

// What is at the path, following links. A dangling link counts as a file of size 0.
// size (optional) receives the file's size.
PathKind queryPath(std::u16string_view path, uint64_t* size = nullptr);

// Device and inode of the folder or file at the path (links followed).
bool pathIdentity(std::u16string_view path, uint64_t* device, uint64_t* inode);

// True when the path itself is a symbolic link.
bool isSymbolicLink(std::u16string_view path);

// The text a symbolic link holds, as raw bytes. False when the path is no link.
bool readLinkTarget(std::u16string_view path, std::string* target);

// mkdir with mode 0777 less the umask; error 183 when something is already there.
bool makeFolder(std::u16string_view path);
// rmdir: removes an empty folder.
bool removeFolder(std::u16string_view path);
// unlink: removes a file or a link (never what a link points to).
bool deletePath(std::u16string_view path);
// Sets the owner write bit, so a read-only file can be replaced or removed.
bool makeWritable(std::u16string_view path);
// rename, replacing an existing target.
bool renamePath(std::u16string_view from, std::u16string_view to);

// The space of the file system that holds the path: what this process may still fill, and
// the whole size. False with the last error set when it cannot be told.
bool fileSystemSpace(std::u16string_view path, uint64_t* available, uint64_t* total);

// The process's current folder.
std::u16string currentFolder();

}  // namespace platform
