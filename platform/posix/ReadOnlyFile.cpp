// Read-only files on POSIX: open, fstat, pread.

#include "platform/ReadOnlyFile.h"

#include "platform/Error.h"
#include "platform/File.h"
#include "platform/posix/PosixSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace platform {

namespace {

std::atomic<uint64_t> g_openSerial{0};

// The path to open and the flags for its last part: with a boundary, the path with its links
// resolved inside it (and no link followed any more); false with the last error set when it
// leads out or is broken.
bool pathWithin(std::u16string_view path, std::u16string_view boundary, std::string* native, int* noFollow) {
  *native = posix::nativePath(path);
  *noFollow = 0;
  if (boundary.empty()) return true;
  std::string resolved;
  const LinkReach reach = posix::resolveWithinNative(posix::nativePath(boundary), *native, &resolved);
  if (reach != LinkReach::inside) {
    if (reach == LinkReach::outside) {
      setLastError(kErrorAccessDenied);
    } else {
      posix::setPathError(ENOENT, *native);
    }
    return false;
  }
  *native = std::move(resolved);
  *noFollow = O_NOFOLLOW;
  return true;
}

}  // namespace

bool ReadOnlyFile::open(std::u16string_view path, Links links) {
  close();
  const std::string native = posix::nativePath(path);
  const int noFollow = links == Links::asText ? O_NOFOLLOW : 0;
  uint64_t size = 0;
  const int fd = posix::openRegularFile(native, noFollow, &size);
  // Under O_NOFOLLOW a link fails with ELOOP: its content is then the text it holds.
  if (fd < 0 && links == Links::asText && lastError() == kErrorCantResolveFilename) {
    if (readLinkTarget(path, &m_linkText)) {
      m_isLinkText = true;
      return opened(m_linkText.size());
    }
    setLastError(kErrorCantResolveFilename);
  }
  if (fd < 0) return false;
  m_fd = fd;
  return opened(size);
}

bool ReadOnlyFile::openWithin(std::u16string_view path, std::u16string_view boundary) {
  close();
  std::string native;
  int noFollow = 0;
  if (!pathWithin(path, boundary, &native, &noFollow)) return false;
  uint64_t size = 0;
  const int fd = posix::openRegularFile(native, noFollow, &size);
  if (fd < 0) return false;
  m_fd = fd;
  return opened(size);
}

bool ReadOnlyFile::opened(uint64_t size) {
  m_openSerial = g_openSerial.fetch_add(1) + 1;
  m_size = size;
  m_position = 0;
  setLastError(kErrorSuccess);
  return true;
}

bool ReadOnlyFile::open(const OpenFolder& folder, std::u16string_view name, Links links) {
  return openIn(folder, name, links, nullptr);
}

bool ReadOnlyFile::openListed(const OpenFolder& folder, std::u16string_view name, uint64_t listedSize, Links links) {
  return openIn(folder, name, links, &listedSize);
}

bool ReadOnlyFile::openIn(const OpenFolder& folder, std::u16string_view name, Links links,
                          const uint64_t* listedSize) {
  close();
  if (!folder.isOpen() || name.empty()) {
    setLastError(kErrorInvalidParameter);
    return false;
  }
  uint64_t size = listedSize != nullptr ? *listedSize : 0;
  const int noFollow = links == Links::asText ? O_NOFOLLOW : 0;
  const int fd = posix::openRegularFileAt(folder.m_fd, posix::nativePath(name), noFollow,
                                          listedSize != nullptr ? nullptr : &size);
  if (fd < 0) return false;
  m_fd = fd;
  return opened(size);
}

OpenFolder::~OpenFolder() {
  if (m_fd >= 0) ::close(m_fd);
}

bool OpenFolder::open(std::u16string_view path, bool noFollow) {
  if (m_fd >= 0) ::close(m_fd);
  const std::string native = posix::nativePath(path);
  // A descriptor that only names the folder: no read permission on it is needed, and
  // nothing is read through it but names.
  const posix::PathAt at(native);
  m_fd = at.reached() ? openat(at.folder(), at.name(), O_PATH | O_DIRECTORY | O_CLOEXEC | (noFollow ? O_NOFOLLOW : 0)) : -1;
  if (m_fd < 0) {
    posix::setPathError(errno, native);
    return false;
  }
  setLastError(kErrorSuccess);
  return true;
}

bool OpenFolder::openWithin(std::u16string_view path, std::u16string_view boundary) {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  std::string native;
  int noFollow = 0;
  if (!pathWithin(path, boundary, &native, &noFollow)) return false;
  // A descriptor that only names the folder: no read permission on it is needed, and
  // nothing is read through it but names.
  const posix::PathAt at(native);
  m_fd = at.reached() ? openat(at.folder(), at.name(), O_PATH | O_DIRECTORY | O_CLOEXEC | noFollow) : -1;
  if (m_fd < 0) {
    posix::setPathError(errno, native);
    return false;
  }
  setLastError(kErrorSuccess);
  return true;
}

void ReadOnlyFile::close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_isLinkText = false;
  m_linkText.clear();
  m_openSerial = 0;
  m_size = 0;
  m_position = 0;
}

bool ReadOnlyFile::setPosition(uint64_t offset) {
  if (!isOpen()) return false;
  m_position = offset;
  return true;
}

uint32_t ReadOnlyFile::read(void* destination, uint32_t n) {
  if (!isOpen() || destination == nullptr || n == 0 || m_position >= m_size) return 0;
  // Asking for no more than the size known at open spares a last read that only finds the end.
  if (n > m_size - m_position) n = static_cast<uint32_t>(m_size - m_position);
  if (m_isLinkText) {
    std::memcpy(destination, m_linkText.data() + m_position, n);
    m_position += n;
    return n;
  }
  auto* out = static_cast<char*>(destination);
  uint32_t total = 0;
  while (total < n) {
    const ssize_t got = pread(m_fd, out + total, n - total, static_cast<off_t>(m_position + total));
    if (got < 0) {
      if (errno == EINTR) continue;
      setLastErrorFromErrno(errno);
      return 0;
    }
    if (got == 0) break;
    total += static_cast<uint32_t>(got);
  }
  m_position += total;
  return total;
}

void ReadOnlyFile::adviseSequential() {
  if (m_fd >= 0) posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

}  // namespace platform
