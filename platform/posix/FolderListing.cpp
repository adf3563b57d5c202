// Folder listings on POSIX: the folder's entries (getdents64 on Linux, readdir elsewhere)
// plus fstatat on the folder's descriptor.

#include "platform/FolderListing.h"

#include "platform/Error.h"
#include "platform/Text.h"
#include "platform/posix/PosixSupport.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <vector>

namespace platform {

uint64_t fileTimeFromPosix(int64_t seconds, int64_t nanoseconds) {
  const int64_t shifted = seconds + kEpochDifferenceSeconds;
  if (shifted < 0) return 0;
  return static_cast<uint64_t>(shifted) * 10000000ULL + static_cast<uint64_t>(nanoseconds / 100);
}

namespace {

std::atomic<size_t> g_failListingsAfter{kNoListingFailure};

}  // namespace

void simulateListingFailure(size_t afterEntries) { g_failListingsAfter = afterEntries; }

namespace {

#if defined(__linux__)
// The entries of an open folder read in large batches straight from the system: opendir
// and fdopendir would ask for the folder's status and flags first, two calls per folder
// that a listing of a tree pays thousands of times.
class FolderEntries {
public:
  explicit FolderEntries(int fd) : m_fd(fd), m_buffer(kBatch) {}
  ~FolderEntries() { ::close(m_fd); }
  FolderEntries(const FolderEntries&) = delete;
  FolderEntries& operator=(const FolderEntries&) = delete;
  int fd() const { return m_fd; }
  // The next name, or null at the end (errno 0) or on a failure (errno set).
  const char* next() {
    if (m_position >= m_end) {
      const ssize_t got = getdents64(m_fd, m_buffer.data(), m_buffer.size());
      if (got <= 0) {
        if (got == 0) errno = 0;
        return nullptr;
      }
      m_position = 0;
      m_end = static_cast<size_t>(got);
    }
    const auto* entry = reinterpret_cast<const dirent64*>(m_buffer.data() + m_position);
    m_position += entry->d_reclen;
    return entry->d_name;
  }

private:
  static constexpr size_t kBatch = 32768;
  int m_fd;
  std::vector<char> m_buffer;
  size_t m_position = 0;
  size_t m_end = 0;
};
#else
class FolderEntries {
public:
  explicit FolderEntries(DIR* folder) : m_folder(folder) {}
  ~FolderEntries() { closedir(m_folder); }
  FolderEntries(const FolderEntries&) = delete;
  FolderEntries& operator=(const FolderEntries&) = delete;
  int fd() const { return dirfd(m_folder); }
  // readdir() reports the end of a listing and a failure the same way; only errno tells
  // them apart, so it is cleared first.
  const char* next() {
    errno = 0;
    const dirent* raw = readdir(m_folder);
    return raw != nullptr ? raw->d_name : nullptr;
  }

private:
  DIR* m_folder;
};
#endif

}  // namespace

struct FolderListing::State {
  std::unique_ptr<FolderEntries> folder;
  size_t listed = 0;
  LinkPolicy policy = LinkPolicy::follow;
  // Under followWithin: the boundary, and the folder's path with its links resolved.
  std::string boundary;
  std::string path;
};

FolderListing::FolderListing() = default;
FolderListing::~FolderListing() { close(); }

void FolderListing::close() { m_state.reset(); }

bool FolderListing::open(std::u16string_view folder, LinkPolicy policy, std::u16string_view boundary) {
  close();
  m_error = 0;
  std::string native = posix::nativePath(folder);
  const std::string nativeBoundary = posix::nativePath(boundary);
  if (policy == LinkPolicy::followWithin) {
    // The folder is listed where its links lead, and only when that lies inside.
    std::string resolved;
    const LinkReach reach = posix::resolveWithinNative(nativeBoundary, native, &resolved);
    if (reach != LinkReach::inside) {
      m_error = reach == LinkReach::outside ? kErrorAccessDenied : posix::setPathError(ENOENT, native);
      setLastError(m_error);
      return false;
    }
    native = std::move(resolved);
  }
  // Under listAsFile a link is never entered, not even as the folder being listed; under
  // followWithin the path holds no link any more.
  const int noFollow = policy != LinkPolicy::follow ? O_NOFOLLOW : 0;
  const posix::PathAt at(native);
  const int fd = at.reached() ? openat(at.folder(), at.name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK | noFollow) : -1;
  if (fd < 0) {
    m_error = posix::setPathError(errno, native);
    return false;
  }
#if defined(__linux__)
  auto entries = std::make_unique<FolderEntries>(fd);
#else
  DIR* listing = fdopendir(fd);
  if (listing == nullptr) {
    m_error = setLastErrorFromErrno(errno);
    ::close(fd);
    return false;
  }
  auto entries = std::make_unique<FolderEntries>(listing);
#endif
  m_state = std::make_unique<State>();
  m_state->folder = std::move(entries);
  m_state->policy = policy;
  if (policy == LinkPolicy::followWithin) {
    m_state->boundary = nativeBoundary;
    m_state->path = std::move(native);
  }
  setLastError(kErrorSuccess);
  return true;
}

namespace {

uint32_t attributesOf(const struct stat& info, const char* name) {
  uint32_t attributes = 0;
  if (S_ISDIR(info.st_mode)) attributes |= kAttributeDirectory;
  if ((info.st_mode & S_IWUSR) == 0) attributes |= kAttributeReadOnly;
  if (name[0] == '.') attributes |= kAttributeHidden;
  if (!S_ISDIR(info.st_mode) && !S_ISREG(info.st_mode)) attributes |= kAttributeSystem;
  return attributes;
}

// The status of a path whose links are resolved already.
bool statResolved(const std::string& path, struct stat* info) {
  const posix::PathAt at(path);
  return at.reached() && fstatat(at.folder(), at.name(), info, AT_SYMLINK_NOFOLLOW) == 0;
}

void setTimeAndMode(FolderEntry& entry, const struct stat& info) {
  entry.writeTime = fileTimeFromPosix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
  entry.writeNanoseconds = static_cast<uint32_t>(info.st_mtim.tv_nsec);
  entry.mode = static_cast<uint32_t>(info.st_mode & 07777);
}

}  // namespace

bool readFileEntry(std::u16string_view path, FolderEntry& entry) {
  const std::string native = posix::nativePath(path);
  uint64_t size = 0;
  const int fd = posix::openRegularFile(native, 0, &size);
  if (fd < 0) return false;
  struct stat info;
  const bool known = fstat(fd, &info) == 0;
  const int error = errno;
  ::close(fd);
  if (!known) {
    setLastErrorFromErrno(error);
    return false;
  }
  const size_t slash = native.find_last_of('/');
  const char* name = native.c_str() + (slash == std::string::npos ? 0 : slash + 1);
  entry = FolderEntry();
  entry.name = utf8ToUtf16(name);
  entry.attributes = attributesOf(info, name);
  entry.size = static_cast<uint64_t>(info.st_size);
  setTimeAndMode(entry, info);
  entry.device = info.st_dev;
  entry.inode = info.st_ino;
  setLastError(kErrorSuccess);
  return true;
}

bool FolderListing::next(FolderEntry& entry) {
  if (!m_state || !m_state->folder) {
    setLastError(m_error);
    return false;
  }
  const int folderFd = m_state->folder->fd();
  const auto listed = [this] {
    ++m_state->listed;
    return true;
  };
  for (;;) {
    const char* name = m_state->folder->next();
    if (m_state->listed >= g_failListingsAfter.load()) {
      name = nullptr;
      errno = EIO;
    }
    if (name == nullptr) {
      m_error = errno == 0 ? kErrorSuccess : errorFromErrno(errno);
      close();
      setLastError(m_error);
      return false;
    }
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;

    struct stat own;
    if (fstatat(folderFd, name, &own, AT_SYMLINK_NOFOLLOW) != 0) {
      // Gone between readdir and the look-up: it is no longer part of the folder.
      if (errno == ENOENT) continue;
      m_error = setLastErrorFromErrno(errno);
      close();
      return false;
    }
    entry = FolderEntry();
    entry.name = utf8ToUtf16(name);
    entry.isLink = S_ISLNK(own.st_mode);
    struct stat info = own;
    if (entry.isLink) {
      LinkReach reach = LinkReach::inside;
      std::string target;
      if (m_state->policy == LinkPolicy::followWithin) {
        reach = posix::resolveWithinNative(m_state->boundary, m_state->path + "/" + name, &target);
        entry.leadsOut = reach == LinkReach::outside;
      }
      if (m_state->policy == LinkPolicy::listAsFile || entry.leadsOut) {
        // The link's own size is the length of its target text.
        entry.size = static_cast<uint64_t>(own.st_size);
        setTimeAndMode(entry, own);
        entry.attributes = name[0] == '.' ? kAttributeHidden : 0;
        entry.device = own.st_dev;
        entry.inode = own.st_ino;
        return listed();
      }
      const bool followed = m_state->policy == LinkPolicy::follow ? fstatat(folderFd, name, &info, 0) == 0
                                                                  : reach == LinkReach::inside && statResolved(target, &info);
      if (!followed) {
        // Dangling or looping link: a file of size 0 with the link's own time.
        entry.size = 0;
        setTimeAndMode(entry, own);
        entry.attributes = 0;
        entry.device = own.st_dev;
        entry.inode = own.st_ino;
        return listed();
      }
    }
    entry.attributes = attributesOf(info, name);
    entry.size = S_ISREG(info.st_mode) ? static_cast<uint64_t>(info.st_size) : 0;
    setTimeAndMode(entry, info);
    entry.device = info.st_dev;
    entry.inode = info.st_ino;
    return listed();
  }
}

}  // namespace platform
