#include "app/SettingsFile.h"

#include "foundation/Paths.h"
#include "platform/Error.h"
#include "platform/Path.h"

olstring settingsPathInApplicationFolder(olstring_view name) {
  return platform::applicationFolder() + u"/config/" + olstring(name);
}

olstring settingsPathInUserFolder(olstring_view name) {
  return expandPath(u"%AppData%") + u"/Mirrane/" + olstring(name);
}

namespace {

// True when something is at the path that this process cannot read; the last error says why.
bool existsButUnreadable(const olstring& path) {
  platform::FileHandle handle = openFileRetry(path, false);
  if (handle != nullptr) {
    platform::closeFile(handle);
    return false;
  }
  const uint32_t error = platform::lastError();
  return error != platform::kErrorFileNotFound && error != platform::kErrorPathNotFound;
}

}  // namespace

std::vector<olstring> settingsLocations(olstring_view name) {
  // An installed program's config folder belongs to the package and is shared by every
  // user: even where it could be written (root, a prefix in the home folder) it is left
  // alone, and the per-user copy is the only one.
  if (platform::applicationFolderKind() == platform::ApplicationFolderKind::installed) {
    return {settingsPathInUserFolder(name)};
  }
  return {settingsPathInApplicationFolder(name), settingsPathInUserFolder(name)};
}

platform::FileHandle openSettingsFile(olstring_view name, SettingsAccess access) {
  if (name.empty()) return nullptr;
  const std::vector<olstring> locations = settingsLocations(name);
  if (access == SettingsAccess::write) {
    // A copy that exists but cannot be read is never replaced: what it holds would be lost.
    for (const olstring& path : locations) {
      if (existsButUnreadable(path)) continue;
      if (platform::FileHandle handle = openFileRetry(path, true)) return handle;
    }
    return nullptr;
  }
  // The newer copy wins; the first location wins a tie. Where none opens, what the caller
  // must know is whether a copy exists but cannot be read (it must then not be
  // overwritten), so a failure other than "not found" wins.
  platform::FileHandle newest = nullptr;
  uint64_t newestTime = 0;
  uint32_t error = platform::kErrorFileNotFound;
  for (const olstring& path : locations) {
    platform::FileHandle file = openFileRetry(path, false);
    if (file == nullptr) {
      const uint32_t failure = platform::lastError();
      if (failure != platform::kErrorFileNotFound && failure != platform::kErrorPathNotFound) error = failure;
      continue;
    }
    uint64_t time = 0;
    if (!platform::fileWriteTime(file, &time)) time = 0;
    if (newest == nullptr || time > newestTime) {
      if (newest != nullptr) platform::closeFile(newest);
      newest = file;
      newestTime = time;
    } else {
      platform::closeFile(file);
    }
  }
  platform::setLastError(newest != nullptr ? platform::kErrorSuccess : error);
  return newest;
}
