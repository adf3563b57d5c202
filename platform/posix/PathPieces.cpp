// Paths longer than the system's limit, reached one piece at a time.

#include "platform/posix/PosixSupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace platform::posix {

namespace {

// Each piece opened on the way stays well under the limit.
constexpr size_t kPieceSize = PATH_MAX / 2;

static_assert(AT_FDCWD == -100, "PathAt starts at the current folder");

}  // namespace

PathAt::PathAt(const std::string& path) : m_rest(path) {
  while (m_rest.size() >= PATH_MAX) {
    // Names are far shorter than a piece, so a separator always lies within one.
    size_t cut = m_rest.rfind('/', kPieceSize);
    if (cut == std::string::npos || cut == 0) cut = m_rest.find('/', 1);
    if (cut == std::string::npos) {
      m_error = ENAMETOOLONG;
      return;
    }
    const std::string piece = m_rest.substr(0, cut);
    // The same way a plain open walks: links on the way are followed.
    const int next = openat(m_folder, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (next < 0) {
      m_error = errno;
      return;
    }
    if (m_folder != AT_FDCWD) ::close(m_folder);
    m_folder = next;
    const size_t start = m_rest.find_first_not_of('/', cut);
    m_rest = start == std::string::npos ? std::string(1, '.') : m_rest.substr(start);
  }
}

PathAt::~PathAt() {
  if (m_folder != AT_FDCWD) ::close(m_folder);
}

bool PathAt::reached() const {
  if (m_error == 0) return true;
  errno = m_error;
  return false;
}

}  // namespace platform::posix
