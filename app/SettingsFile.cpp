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

bool isNotFound(uint32_t error) {
  return error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound;
}

// Why something at the path cannot be read; 0 when it can, or when nothing is there.
uint32_t unreadableReason(const olstring& path) {
  const platform::File file = openFileForReading(path, SharingRetry::upToOneSecond);
  return file || isNotFound(file.error()) ? 0 : file.error();
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

platform::File openSettings(olstring_view name, SettingsAccess access) {
  if (name.empty()) {
    platform::setLastError(platform::kErrorFileNotFound);
    return platform::File::failure(platform::kErrorFileNotFound);
  }
  const std::vector<olstring> locations = settingsLocations(name);
  if (access == SettingsAccess::write) {
    platform::File file = platform::File::failure(platform::kErrorFileNotFound);
    for (const olstring& path : locations) {
      // A copy that exists but cannot be read is never replaced: what it holds would be lost.
      if (const uint32_t reason = unreadableReason(path); reason != 0) {
        file = platform::File::failure(reason);
        continue;
      }
      file = openFileForWriting(path, SharingRetry::upToOneSecond);
      if (file) break;
    }
    platform::setLastError(file.error());
    return file;
  }
  // The newer copy wins; the first location wins a tie. Where none opens, what the caller
  // must know is whether a copy exists but cannot be read (it must then not be
  // overwritten), so a failure other than "not found" wins.
  platform::File newest = platform::File::failure(platform::kErrorFileNotFound);
  uint64_t newestTime = 0;
  for (const olstring& path : locations) {
    platform::File file = openFileForReading(path, SharingRetry::upToOneSecond);
    if (!file) {
      if (!newest && !isNotFound(file.error())) newest = std::move(file);
      continue;
    }
    uint64_t time = 0;
    if (!platform::fileWriteTime(file.handle(), &time)) time = 0;
    if (!newest || time > newestTime) {
      newest = std::move(file);
      newestTime = time;
    }
  }
  platform::setLastError(newest.error());
  return newest;
}

platform::FileHandle openSettingsFile(olstring_view name, SettingsAccess access) {
  return openSettings(name, access).release();
}
