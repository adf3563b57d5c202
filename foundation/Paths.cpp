// Paths and opening files.

#include "foundation/Paths.h"

#include "platform/Error.h"
#include "platform/FolderListing.h"
#include "platform/Path.h"

#include <chrono>
#include <thread>
#include <vector>

using platform::kPathSeparator;

namespace {

bool isHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// The brace form of a GUID with a non-zero first field, as the Windows parser accepts it.
bool isUsableGuid(olstring_view text) {
  static constexpr size_t kDashes[] = {9, 14, 19, 24};
  if (text.size() != 38 || text.front() != u'{' || text.back() != u'}') return false;
  for (size_t i = 1; i < 37; ++i) {
    const bool dash = i == kDashes[0] || i == kDashes[1] || i == kDashes[2] || i == kDashes[3];
    if (dash ? text[i] != u'-' : !isHexDigit(text[i])) return false;
  }
  return text.substr(1, 8) != u"00000000";
}

olstring_view withoutTrailingSeparators(olstring_view path) {
  while (path.size() > 1 && path.back() == kPathSeparator) path.remove_suffix(1);
  return path;
}

void expandKnownFolders(olstring& text) {
  size_t scan = 0;
  for (;;) {
    const size_t open = text.find(u'%', scan);
    if (open == olstring::npos) return;
    const size_t close = text.find(u'%', open + 1);
    if (close == olstring::npos) return;
    const olstring_view inner = olstring_view(text).substr(open + 1, close - open - 1);
    // A pair too short to hold a GUID ends the whole scan.
    if (inner.size() < 36) return;
    olstring folder;
    if (isUsableGuid(inner)) folder = platform::knownFolderPath(inner);
    if (folder.empty()) {
      scan = close + 1;
      continue;
    }
    text.replace(open, close - open + 1, folder);
    scan = open + folder.size();
  }
}

}  // namespace

olstring expandPath(olstring_view path) {
  if (path.empty()) return {};
  const bool home = path.size() >= 2 && path[0] == u'~' && path[1] == kPathSeparator;
  if (!home && path.find(u'%') == olstring_view::npos) return olstring(path);
  olstring text = platform::expandEnvironment(path);
  expandKnownFolders(text);
  return text;
}

olstring_view fileNamePart(olstring_view path) {
  const olstring_view trimmed = withoutTrailingSeparators(path);
  const size_t slash = trimmed.rfind(kPathSeparator);
  return slash == olstring_view::npos ? trimmed : trimmed.substr(slash + 1);
}

olstring_view folderPart(olstring_view path) {
  const olstring_view trimmed = withoutTrailingSeparators(path);
  const size_t slash = trimmed.rfind(kPathSeparator);
  if (slash == olstring_view::npos) return {};
  // A name right below the root lives in the root, not in an empty folder.
  const size_t end = trimmed.find_last_not_of(kPathSeparator, slash);
  return end == olstring_view::npos ? trimmed.substr(0, 1) : trimmed.substr(0, end + 1);
}

olstring_view extensionPart(olstring_view path) {
  const olstring_view name = fileNamePart(path);
  const size_t dot = name.rfind(u'.');
  return dot == olstring_view::npos ? olstring_view() : name.substr(dot);
}

olstring joinPath(olstring_view folder, olstring_view name) {
  olstring joined(folder);
  if (!folder.empty() && folder.back() != kPathSeparator && !name.empty() && name.front() != kPathSeparator) {
    joined += kPathSeparator;
  }
  joined += name;
  return joined;
}

namespace {

platform::File openOnce(olstring_view path, platform::FileAccess access) {
  const olstring expanded = expandPath(path);
  if (access == platform::FileAccess::write) {
    // Whether the folders could be made shows in the open's own result.
    const olstring_view folder = folderPart(expanded);
    if (!folder.empty()) createFolders(folder);
  }
  return platform::File::open(expanded, access);
}

platform::File openWithRetry(olstring_view path, platform::FileAccess access, SharingRetry retry) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  const auto limit = std::chrono::milliseconds(1000);
  platform::File file = openOnce(path, access);
  if (retry == SharingRetry::none || file || Clock::now() - start > limit) return file;
  while (!file && file.error() == platform::kErrorSharingViolation && Clock::now() - start < limit) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    file = openOnce(path, access);
  }
  return file;
}

platform::FileAccess accessFor(bool forWriting) {
  return forWriting ? platform::FileAccess::write : platform::FileAccess::read;
}

}  // namespace

platform::File openFileForReading(olstring_view path, SharingRetry retry) {
  return openWithRetry(path, platform::FileAccess::read, retry);
}

platform::File openFileForWriting(olstring_view path, SharingRetry retry) {
  return openWithRetry(path, platform::FileAccess::write, retry);
}

platform::FileHandle openFile(olstring_view path, bool forWriting) {
  return openWithRetry(path, accessFor(forWriting), SharingRetry::none).release();
}

platform::FileHandle openFileRetry(olstring_view path, bool forWriting) {
  return openWithRetry(path, accessFor(forWriting), SharingRetry::upToOneSecond).release();
}

PathType pathType(olstring_view path, uint64_t* size) {
  if (size != nullptr) *size = 0;
  if (path.empty()) return PathType::none;
  return platform::queryPath(expandPath(path), size);
}

bool createFolders(olstring_view path) {
  platform::setLastError(platform::kErrorSuccess);
  if (path.empty()) return false;
  olstring current = expandPath(path);
  std::vector<olstring> missing;
  while (current.size() > 1) {
    const PathType type = pathType(current);
    if (type == PathType::folder) break;
    if (type == PathType::file) {
      platform::setLastError(platform::kErrorAlreadyExists);
      return false;
    }
    const olstring_view folder = folderPart(current);
    if (folder.empty()) {
      platform::setLastError(platform::kErrorPathNotFound);
      return false;
    }
    missing.emplace_back(fileNamePart(current));
    current = olstring(folder);
  }
  while (!missing.empty()) {
    current = joinPath(current, missing.back());
    missing.pop_back();
    if (!platform::makeFolder(current) && platform::lastError() != platform::kErrorAlreadyExists) return false;
  }
  platform::setLastError(platform::kErrorSuccess);
  return true;
}

PathRoot absolutePathKind(olstring_view path) {
  if (path.empty()) return PathRoot::relative;
  return platform::isAbsolutePath(expandPath(path)) ? PathRoot::absolute : PathRoot::relative;
}

olstring fullPath(olstring_view path) {
  if (absolutePathKind(path) != PathRoot::relative) return olstring(path);
  olstring full = platform::lexicalFullPath(path);
  return full.empty() ? olstring(path) : full;
}

bool deleteFolderContent(olstring_view folder, olstring_view keep) {
  std::vector<platform::FolderEntry> entries;
  {
    // Links are listed as what they are, so nothing outside the tree is ever entered.
    platform::FolderListing listing;
    if (!listing.open(folder, platform::LinkPolicy::listAsFile)) return false;
    platform::FolderEntry entry;
    while (listing.next(entry)) entries.push_back(std::move(entry));
  }
  for (const auto& entry : entries) {
    if (!keep.empty() && entry.name == keep) continue;
    const olstring child = joinPath(folder, entry.name);
    if ((entry.attributes & platform::kAttributeDirectory) != 0 && !entry.isLink) {
      deleteFolderTree(child);
    } else {
      platform::makeWritable(child);
      platform::deletePath(child);
    }
  }
  return true;
}

bool deleteFolderTree(olstring_view folder) {
  // A folder we may not write to cannot lose its entries; ours to delete, so open it up.
  platform::makeWritable(folder);
  return deleteFolderContent(folder) && platform::removeFolder(folder);
}

bool deleteFolder(olstring_view path) {
  olstring folder = expandPath(path);
  while (!folder.empty() && folder.back() == kPathSeparator) folder.pop_back();
  if (folder.empty() || pathType(folder) != PathType::folder) return false;
  // A link to a folder is not the folder: its target's content is not ours to delete.
  if (platform::isSymbolicLink(folder)) return false;
  return deleteFolderTree(folder);
}
