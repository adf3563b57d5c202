// Files as the program sees them: handles for reading (regular files only, never blocking)
// and for writing (an atomic replace), plus the few whole-path operations it needs.
// Every call sets the thread's last-error value (platform/Error.h): kErrorSuccess when it
// succeeds, the reason when it fails. abandonFile() and File's destructor are the
// exceptions and leave it alone.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

struct FileObject;
// A raw open file; nullptr is "no handle". Its holder closes it with closeFile() or
// abandonFile(); code that can own it holds a File instead.
using FileHandle = FileObject*;

enum class FileAccess { read, write };

// An open file that owns its handle, or the error code of an open that failed. Destroying it
// closes a file opened for reading and abandons one opened for writing (the temporary file
// goes, the target keeps its old content): only close() commits new content. Destruction
// never touches the last error, so the failure that made a caller give up stays readable.
class [[nodiscard]] File {
public:
  File() = default;
  ~File() { discard(); }
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Reading: opens an existing regular file. Anything else (folder, FIFO, socket, device)
  // is refused with error 5 without blocking. Writing: opens a new temporary file beside the
  // target, which close() renames over the target when every write succeeded, so a failed
  // or interrupted write leaves the old content untouched. A link as target is followed, so
  // the file it points to is replaced, not the link. A target that exists and is no regular
  // file (a FIFO, a terminal, a device) is written in place, never replaced; a FIFO that
  // nobody reads fails at once instead of blocking. Sets the last error either way.
  static File open(std::u16string_view path, FileAccess access);
  // Takes over a handle opened elsewhere (nullptr gives a File that is not open).
  static File adopt(FileHandle handle);
  // A File that is not open and carries the error code.
  static File failure(uint32_t error);

  bool isOpen() const { return m_handle != nullptr; }
  explicit operator bool() const { return isOpen(); }
  // Why the open failed; 0 for an open file.
  uint32_t error() const { return m_error; }
  // The handle, still owned by this object (nullptr when not open).
  FileHandle handle() const { return m_handle; }
  // Gives the handle up to the caller, who must close or abandon it.
  [[nodiscard]] FileHandle release();

  // Closes the file now (see closeFile): for a write this commits the new content, and the
  // result tells whether it is in place. False when not open.
  [[nodiscard]] bool close();

private:
  explicit File(FileHandle handle, uint32_t error) : m_handle(handle), m_error(error) {}
  void discard();

  FileHandle m_handle = nullptr;
  uint32_t m_error = 0;
};

// The raw forms, for callers that keep a handle across calls of their own. openFile is
// File::open(...).release(): nullptr on failure, with the last error set.
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
// Device and inode of the open file (for a write handle: of the new content, which takes
// the target's place when it is committed).
bool fileIdentity(FileHandle handle, uint64_t* device, uint64_t* inode);
// Closes the handle. For a write handle this commits the replace: true only when every
// write succeeded and the new content is in place; otherwise the temporary file is removed
// and the target keeps its old content.
bool closeFile(FileHandle handle);
// Closes a write handle without replacing the target (the temporary file is removed), or a
// read handle. The one call that leaves the last error as it was: it is how a caller gives
// up after a failure, and that failure is what the caller reports.
void abandonFile(FileHandle handle);

// What is at a path. The numbers are the ones stored and compared by the program's callers.
enum class PathType { none = 0, file = 1, folder = 2 };

// What is at the path, following links. A dangling link counts as a file of size 0.
// size (optional) receives the file's size. none sets the last error to why.
PathType queryPath(std::u16string_view path, uint64_t* size = nullptr);

// Device and inode of the folder or file at the path (links followed).
bool pathIdentity(std::u16string_view path, uint64_t* device, uint64_t* inode);

// True when the path itself is a symbolic link; false when it is something else or nothing
// (the last error then tells which).
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

// The process's current folder; empty when it cannot be told.
std::u16string currentFolder();

}  // namespace platform
