// Helpers shared by the POSIX side of the platform layer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/LinkBoundary.h"

namespace platform::posix {

// The path as bytes for the system calls.
std::string nativePath(std::u16string_view path);

// A path for the *at() system calls: one within the system's limit as it is (relative to
// the current folder), a longer one reached piece by piece, each piece under the limit and
// walked as a plain call would (links followed), so that depth is no limit.
class PathAt {
public:
  explicit PathAt(const std::string& path);
  ~PathAt();
  PathAt(const PathAt&) = delete;
  PathAt& operator=(const PathAt&) = delete;

  // False, with errno set, when a folder on the way could not be opened.
  bool reached() const;
  int folder() const { return m_folder; }
  const char* name() const { return m_rest.c_str(); }

private:
  int m_folder = -100;  // AT_FDCWD
  std::string m_rest;
  int m_error = 0;
};

// Sets the last error from errno for a failed call on a path. ENOENT becomes 3 instead of
// 2 when a folder on the way to the path is missing, as the program's callers expect.
uint32_t setPathError(int errnoValue, const std::string& nativePath);

// Opens a regular file for reading without ever blocking: O_NONBLOCK keeps open() from
// waiting for a writer on a FIFO, and anything but a regular file is refused with error 5.
// The descriptor is left non-blocking (reads of a regular file ignore it). Returns -1 with
// the last error set on failure; *size receives the file's size.
int openRegularFile(const std::string& nativePath, int extraFlags, uint64_t* size);
// The same for a name inside the folder open as folderFd. With size null the caller knows the
// file from a listing of the folder just made: no status call follows the open, and what
// took its place since fails at its first read.
int openRegularFileAt(int folderFd, const std::string& name, int extraFlags, uint64_t* size);

// resolveWithin on native paths.
LinkReach resolveWithinNative(std::string boundary, const std::string& path, std::string* target);

}  // namespace platform::posix
