// Links resolved by hand, one name at a time, so that no step can leave the boundary.

#include "platform/LinkBoundary.h"

#include "platform/Text.h"
#include "platform/posix/PosixSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <deque>
#include <vector>

namespace platform {

namespace posix {

namespace {

// As the system allows on one path: beyond this many links the chain is taken as a loop.
constexpr int kMostLinks = 40;

void appendNames(std::string_view path, std::deque<std::string>& names, bool atFront) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  if (atFront) {
    names.insert(names.begin(), parts.begin(), parts.end());
  } else {
    names.insert(names.end(), parts.begin(), parts.end());
  }
}

std::string joined(const std::string& boundary, const std::vector<std::string>& names) {
  std::string path = boundary;
  for (const std::string& name : names) path += "/" + name;
  return path;
}

bool readLinkAt(const PathAt& at, std::string* text) {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t length = readlinkat(at.folder(), at.name(), buffer.data(), buffer.size());
    if (length < 0) return false;
    if (static_cast<size_t>(length) < buffer.size()) {
      text->assign(buffer.data(), static_cast<size_t>(length));
      return true;
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

LinkReach resolveWithinNative(std::string boundary, const std::string& path, std::string* target) {
  while (boundary.size() > 1 && boundary.back() == '/') boundary.pop_back();
  if (path != boundary && (path.compare(0, boundary.size(), boundary) != 0 || path[boundary.size()] != '/')) {
    return LinkReach::outside;
  }
  std::deque<std::string> pending;
  appendNames(std::string_view(path).substr(boundary.size()), pending, /*atFront=*/false);
  std::vector<std::string> resolved;
  int links = 0;
  while (!pending.empty()) {
    std::string name = std::move(pending.front());
    pending.pop_front();
    if (name == ".") continue;
    if (name == "..") {
      if (resolved.empty()) return LinkReach::outside;
      resolved.pop_back();
      continue;
    }
    resolved.push_back(std::move(name));
    const PathAt at(joined(boundary, resolved));
    struct stat info;
    if (!at.reached() || fstatat(at.folder(), at.name(), &info, AT_SYMLINK_NOFOLLOW) != 0) return LinkReach::broken;
    if (S_ISLNK(info.st_mode)) {
      std::string text;
      if (++links > kMostLinks || !readLinkAt(at, &text) || text.empty()) return LinkReach::broken;
      if (text[0] == '/') return LinkReach::outside;
      resolved.pop_back();
      appendNames(text, pending, /*atFront=*/true);
    } else if (!S_ISDIR(info.st_mode) && !pending.empty()) {
      return LinkReach::broken;
    }
  }
  *target = joined(boundary, resolved);
  return LinkReach::inside;
}

}  // namespace posix

LinkReach resolveWithin(std::u16string_view boundary, std::u16string_view path, std::u16string* target) {
  std::string native;
  const LinkReach reach = posix::resolveWithinNative(posix::nativePath(boundary), posix::nativePath(path), &native);
  if (reach == LinkReach::inside) *target = utf8ToUtf16(native);
  return reach;
}

}  // namespace platform
