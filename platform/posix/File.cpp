// File handles on POSIX: non-blocking-safe reads and atomic-replace writes.

#include "platform/File.h"

#include "platform/Error.h"
#include "platform/FolderListing.h"
#include "platform/Text.h"
#include "platform/posix/PosixSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>
#include <vector>

namespace platform {

struct FileObject {
  int fd = -1;
  FileAccess access = FileAccess::read;
  std::string temporaryPath;
  std::string targetPath;
  // Why a write failed; such a handle never commits.
  uint32_t writeError = kErrorSuccess;
};

namespace posix {

std::string nativePath(std::u16string_view path) { return utf16ToUtf8(path); }

uint32_t setPathError(int errnoValue, const std::string& path) {
  if (errnoValue == ENOENT) {
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
      struct stat info;
      const PathAt parent(path.substr(0, slash));
      if (!parent.reached() || fstatat(parent.folder(), parent.name(), &info, 0) != 0 || !S_ISDIR(info.st_mode)) {
        setLastError(kErrorPathNotFound);
        return kErrorPathNotFound;
      }
    }
  }
  return setLastErrorFromErrno(errnoValue);
}

namespace {

// The descriptor's file when it is a regular one; else it is closed and -1 returned.
int keepRegularFile(int fd, uint64_t* size) {
  struct stat info;
  if (fstat(fd, &info) != 0) {
    setLastErrorFromErrno(errno);
    ::close(fd);
    return -1;
  }
  if (!S_ISREG(info.st_mode)) {
    ::close(fd);
    setLastError(kErrorAccessDenied);
    return -1;
  }
  *size = static_cast<uint64_t>(info.st_size);
  return fd;
}

constexpr int kReadFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;

}  // namespace

int openRegularFile(const std::string& path, int extraFlags, uint64_t* size) {
  const PathAt at(path);
  const int fd = at.reached() ? openat(at.folder(), at.name(), kReadFlags | extraFlags) : -1;
  if (fd < 0) {
    setPathError(errno, path);
    return -1;
  }
  return keepRegularFile(fd, size);
}

int openRegularFileAt(int folderFd, const std::string& name, int extraFlags, uint64_t* size) {
  const int fd = openat(folderFd, name.c_str(), kReadFlags | extraFlags);
  if (fd < 0) {
    setLastErrorFromErrno(errno);
    return -1;
  }
  return size == nullptr ? fd : keepRegularFile(fd, size);
}

}  // namespace posix

namespace {

std::atomic<unsigned> g_temporaryCounter{0};

// A failed open: the reason becomes the last error and travels with the File.
File openFailure(uint32_t code) {
  setLastError(code);
  return File::failure(code);
}

File openForReading(const std::string& path) {
  uint64_t size = 0;
  const int fd = posix::openRegularFile(path, 0, &size);
  if (fd < 0) return File::failure(lastError());
  // Handles serve blocking reads and writes of whole files.
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  auto* file = new FileObject;
  file->fd = fd;
  file->access = FileAccess::read;
  setLastError(kErrorSuccess);
  return File::adopt(file);
}

// Replacing a link would cut the user's link; the file it points to is replaced instead.
std::string resolveWriteTarget(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* resolved = realpath(path.c_str(), nullptr)) {
      std::string target(resolved);
      std::free(resolved);
      return target;
    }
  }
  return path;
}

// A FIFO, a terminal or a device is written where it is: there is nothing to replace, and
// renaming a file over it would destroy the node (for root even /dev/null).
File openInPlace(const std::string& target) {
  // Not blocking, so that a FIFO nobody reads fails at once instead of hanging.
  const int fd = open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return openFailure(errorFromErrno(errno));
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  auto* file = new FileObject;
  file->fd = fd;
  file->access = FileAccess::write;
  file->targetPath = target;
  setLastError(kErrorSuccess);
  return File::adopt(file);
}

File openForWriting(const std::string& requested) {
  const std::string target = resolveWriteTarget(requested);
  struct stat existing;
  const bool exists = stat(target.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) return openFailure(kErrorAccessDenied);
  // A read-only file of our own is replaced, but someone else's file that we may not write
  // is not ours to replace just because its folder lets us.
  if (exists && existing.st_uid != geteuid() && access(target.c_str(), W_OK) != 0) {
    return openFailure(kErrorAccessDenied);
  }
  if (exists && !S_ISREG(existing.st_mode)) return openInPlace(target);
  const size_t slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  int fd = -1;
  std::string temporary;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = folder + "." + name + ".mrn" + std::to_string(getpid()) + "-" +
                std::to_string(g_temporaryCounter++);
    // Mode 0666 lets the umask decide, as for any newly created file.
    fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return File::failure(posix::setPathError(errno, temporary));
  if (exists) fchmod(fd, existing.st_mode & 07777);
  auto* file = new FileObject;
  file->fd = fd;
  file->access = FileAccess::write;
  file->temporaryPath = temporary;
  file->targetPath = target;
  setLastError(kErrorSuccess);
  return File::adopt(file);
}

// Closes without committing anything and without a word: the last error stays as it was.
void discardObject(FileObject* file) {
  if (file == nullptr) return;
  ::close(file->fd);
  if (!file->temporaryPath.empty()) unlink(file->temporaryPath.c_str());
  delete file;
}

// The end of a call: success, or the failure errno tells of. Called with the system call's
// outcome as its argument, so errno is read before anything else can change it.
bool succeeded(bool ok) {
  const int error = errno;
  ok ? setLastError(kErrorSuccess) : (void)setLastErrorFromErrno(error);
  return ok;
}

// The same for a call on a path; a missing folder on the way gives error 3.
bool succeededOnPath(bool ok, const std::string& native) {
  const int error = errno;
  ok ? setLastError(kErrorSuccess) : (void)posix::setPathError(error, native);
  return ok;
}

bool invalidHandle() {
  setLastError(kErrorInvalidParameter);
  return false;
}

bool statHandle(FileHandle handle, struct stat* info) {
  if (handle == nullptr) return invalidHandle();
  return succeeded(fstat(handle->fd, info) == 0);
}

}  // namespace

File::File(File&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)), m_error(std::exchange(other.m_error, 0)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    discard();
    m_handle = std::exchange(other.m_handle, nullptr);
    m_error = std::exchange(other.m_error, 0);
  }
  return *this;
}

File File::open(std::u16string_view path, FileAccess access) {
  if (path.empty()) return openFailure(kErrorPathNotFound);
  const std::string native = posix::nativePath(path);
  return access == FileAccess::read ? openForReading(native) : openForWriting(native);
}

File File::adopt(FileHandle handle) { return File(handle, 0); }

File File::failure(uint32_t error) { return File(nullptr, error); }

FileHandle File::release() { return std::exchange(m_handle, nullptr); }

bool File::close() { return closeFile(release()); }

void File::discard() { discardObject(release()); }

FileHandle openFile(std::u16string_view path, FileAccess access) { return File::open(path, access).release(); }

bool readFile(FileHandle handle, void* destination, size_t n, size_t* bytesRead) {
  if (bytesRead != nullptr) *bytesRead = 0;
  if (handle == nullptr || handle->fd < 0) return invalidHandle();
  auto* out = static_cast<char*>(destination);
  size_t total = 0;
  while (total < n) {
    const size_t chunk = std::min<size_t>(n - total, SSIZE_MAX);
    const ssize_t got = ::read(handle->fd, out + total, chunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      setLastErrorFromErrno(errno);
      if (bytesRead != nullptr) *bytesRead = total;
      return false;
    }
    if (got == 0) break;
    total += static_cast<size_t>(got);
  }
  if (bytesRead != nullptr) *bytesRead = total;
  setLastError(kErrorSuccess);
  return true;
}

bool writeFile(FileHandle handle, const void* data, size_t n) {
  if (handle == nullptr || handle->fd < 0) return invalidHandle();
  const auto* in = static_cast<const char*>(data);
  size_t total = 0;
  while (total < n) {
    const ssize_t put = ::write(handle->fd, in + total, std::min<size_t>(n - total, SSIZE_MAX));
    if (put < 0) {
      if (errno == EINTR) continue;
      handle->writeError = setLastErrorFromErrno(errno);
      return false;
    }
    total += static_cast<size_t>(put);
  }
  setLastError(kErrorSuccess);
  return true;
}

bool fileSize(FileHandle handle, uint64_t* size) {
  struct stat info;
  if (!statHandle(handle, &info)) return false;
  *size = static_cast<uint64_t>(info.st_size);
  return true;
}

bool seekFile(FileHandle handle, uint64_t offset) {
  if (handle == nullptr) return invalidHandle();
  return succeeded(lseek(handle->fd, static_cast<off_t>(offset), SEEK_SET) >= 0);
}

bool fileWriteTime(FileHandle handle, uint64_t* writeTime) {
  struct stat info;
  if (!statHandle(handle, &info)) return false;
  *writeTime = fileTimeFromPosix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
  return true;
}

bool fileIdentity(FileHandle handle, uint64_t* device, uint64_t* inode) {
  struct stat info;
  if (!statHandle(handle, &info)) return false;
  *device = static_cast<uint64_t>(info.st_dev);
  *inode = static_cast<uint64_t>(info.st_ino);
  return true;
}

bool closeFile(FileHandle handle) {
  if (handle == nullptr) return invalidHandle();
  if (handle->access == FileAccess::read) {
    ::close(handle->fd);
    delete handle;
    setLastError(kErrorSuccess);
    return true;
  }
  bool ok = handle->writeError == kErrorSuccess;
  if (!ok) setLastError(handle->writeError);
  // Written in place (a FIFO, a terminal, a device), there is nothing to flush or rename.
  // Otherwise the new content must be on disk before it replaces the old, or a crash could
  // leave an empty settings file behind.
  const bool replacing = !handle->temporaryPath.empty();
  if (ok && replacing) ok = succeeded(fsync(handle->fd) == 0);
  const int closed = ::close(handle->fd);
  if (ok) ok = succeeded(closed == 0);
  if (ok && replacing) ok = succeeded(rename(handle->temporaryPath.c_str(), handle->targetPath.c_str()) == 0);
  // What a failed write left behind goes; the reason stays the last error.
  if (!ok && replacing) unlink(handle->temporaryPath.c_str());
  delete handle;
  return ok;
}

void abandonFile(FileHandle handle) { discardObject(handle); }

PathType queryPath(std::u16string_view path, uint64_t* size) {
  if (size != nullptr) *size = 0;
  const std::string native = posix::nativePath(path);
  const posix::PathAt at(native);
  struct stat info;
  if (!at.reached() || fstatat(at.folder(), at.name(), &info, 0) != 0) {
    const int error = errno;
    if ((error == ENOENT || error == ELOOP) && at.reached() &&
        fstatat(at.folder(), at.name(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
      setLastError(kErrorSuccess);
      // A dangling link is a file; a folder that another process made a moment ago (after
      // the first look) is a folder.
      return S_ISDIR(info.st_mode) ? PathType::folder : PathType::file;
    }
    posix::setPathError(error, native);
    return PathType::none;
  }
  setLastError(kErrorSuccess);
  if (S_ISDIR(info.st_mode)) return PathType::folder;
  if (size != nullptr) *size = static_cast<uint64_t>(info.st_size);
  return PathType::file;
}

bool pathIdentity(std::u16string_view path, uint64_t* device, uint64_t* inode) {
  struct stat info;
  const std::string native = posix::nativePath(path);
  const posix::PathAt at(native);
  if (!succeededOnPath(at.reached() && fstatat(at.folder(), at.name(), &info, 0) == 0, native)) return false;
  *device = static_cast<uint64_t>(info.st_dev);
  *inode = static_cast<uint64_t>(info.st_ino);
  return true;
}

bool isSymbolicLink(std::u16string_view path) {
  struct stat info;
  const std::string native = posix::nativePath(path);
  const posix::PathAt at(native);
  return succeededOnPath(at.reached() && fstatat(at.folder(), at.name(), &info, AT_SYMLINK_NOFOLLOW) == 0, native) &&
         S_ISLNK(info.st_mode);
}

bool readLinkTarget(std::u16string_view path, std::string* target) {
  const std::string native = posix::nativePath(path);
  const posix::PathAt at(native);
  if (!succeededOnPath(at.reached(), native)) return false;
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t length = readlinkat(at.folder(), at.name(), buffer.data(), buffer.size());
    if (!succeededOnPath(length >= 0, native)) return false;
    if (static_cast<size_t>(length) < buffer.size()) {
      target->assign(buffer.data(), static_cast<size_t>(length));
      return true;
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool makeFolder(std::u16string_view path) {
  const std::string native = posix::nativePath(path);
  const posix::PathAt at(native);
  return succeededOnPath(at.reached() && mkdirat(at.folder(), at.name(), 0777) == 0, native);
}

bool removeFolder(std::u16string_view path) {
  const std::string native = posix::nativePath(path);
  const posix::PathAt at(native);
  return succeededOnPath(at.reached() && unlinkat(at.folder(), at.name(), AT_REMOVEDIR) == 0, native);
}

bool deletePath(std::u16string_view path) {
  const std::string native = posix::nativePath(path);
  const posix::PathAt at(native);
  return succeededOnPath(at.reached() && unlinkat(at.folder(), at.name(), 0) == 0, native);
}

bool makeWritable(std::u16string_view path) {
  const std::string native = posix::nativePath(path);
  const posix::PathAt at(native);
  struct stat info;
  // Never through a link: a link's target outside a tree being deleted is not ours.
  if (!succeededOnPath(at.reached() && fstatat(at.folder(), at.name(), &info, AT_SYMLINK_NOFOLLOW) == 0, native)) {
    return false;
  }
  if (S_ISLNK(info.st_mode) || (info.st_mode & S_IWUSR) != 0) return true;
  return succeeded(fchmodat(at.folder(), at.name(), (info.st_mode & 07777) | S_IWUSR, 0) == 0);
}

bool renamePath(std::u16string_view from, std::u16string_view to) {
  const posix::PathAt source(posix::nativePath(from));
  const posix::PathAt target(posix::nativePath(to));
  return succeeded(source.reached() && target.reached() &&
                   renameat(source.folder(), source.name(), target.folder(), target.name()) == 0);
}

bool fileSystemSpace(std::u16string_view path, uint64_t* available, uint64_t* total) {
  struct statvfs info;
  const std::string native = posix::nativePath(path);
  if (!succeededOnPath(statvfs(native.c_str(), &info) == 0, native)) return false;
  *available = static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
  *total = static_cast<uint64_t>(info.f_blocks) * info.f_frsize;
  return true;
}

std::u16string currentFolder() {
  std::vector<char> buffer(4096);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) {
      setLastErrorFromErrno(errno);
      return {};
    }
    buffer.resize(buffer.size() * 2);
  }
  setLastError(kErrorSuccess);
  return utf8ToUtf16(buffer.data());
}

}  // namespace platform
