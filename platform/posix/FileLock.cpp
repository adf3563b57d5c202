// Lock files and private folders on POSIX.

#include "platform/FileLock.h"

#include "platform/Error.h"
#include "platform/Text.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

bool FileLock::acquire(std::u16string_view path) { return acquire(path, /*wait=*/false); }
bool FileLock::acquireWaiting(std::u16string_view path) { return acquire(path, /*wait=*/true); }

bool FileLock::acquire(std::u16string_view path, bool wait) {
  release();
  const std::string native = utf16ToUtf8(path);
  // O_NOFOLLOW: a link planted in place of the lock file must not make us create or lock
  // a file elsewhere.
  const int fd = ::open(native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    setLastErrorFromErrno(errno);
    return false;
  }
  int locked;
  do {
    locked = flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB));
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    setLastError(errno == EWOULDBLOCK ? kErrorSharingViolation : errorFromErrno(errno));
    ::close(fd);
    return false;
  }
  m_fd = fd;
  m_path = native;
  return true;
}

void FileLock::release(bool deleteFile) {
  if (m_fd < 0) return;
  if (deleteFile) unlink(m_path.c_str());
  ::close(m_fd);
  m_fd = -1;
  m_path.clear();
}

bool isLockHeldElsewhere(std::u16string_view path) {
  const std::string native = utf16ToUtf8(path);
  const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

bool preparePrivateFolder(std::u16string_view path) {
  const std::string native = utf16ToUtf8(path);
  if (mkdir(native.c_str(), 0700) == 0) return true;
  if (errno != EEXIST) {
    setLastErrorFromErrno(errno);
    return false;
  }
  struct stat info;
  if (lstat(native.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid()) {
    setLastError(kErrorAccessDenied);
    return false;
  }
  if ((info.st_mode & 077) != 0 && chmod(native.c_str(), 0700) != 0) {
    setLastErrorFromErrno(errno);
    return false;
  }
  return true;
}

bool isPrivateFolder(std::u16string_view path) {
  const std::string native = utf16ToUtf8(path);
  struct stat info;
  return lstat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
         (info.st_mode & 077) == 0;
}

uint32_t currentUserId() { return static_cast<uint32_t>(getuid()); }

}  // namespace platform
