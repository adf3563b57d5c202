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

platform::FileHandle openSettingsFile(olstring_view name, SettingsAccess access) {
  if (name.empty()) return nullptr;
  // An installed program's config folder belongs to the package and is shared by every
  // user: even where it could be written (root, a prefix in the home folder) it is left
  // alone, and the per-user copy is the only one.
  if (platform::applicationFolderKind() == platform::ApplicationFolderKind::installed) {
    return openFileRetry(settingsPathInUserFolder(name), access == SettingsAccess::write);
  }
  const olstring pathA = settingsPathInApplicationFolder(name);
  const olstring pathB = settingsPathInUserFolder(name);
  if (access == SettingsAccess::write) {
    if (platform::FileHandle handle = openFileRetry(pathA, true)) return handle;
    return openFileRetry(pathB, true);
  }
  platform::FileHandle fileA = openFileRetry(pathA, false);
  const uint32_t errorA = platform::lastError();
  platform::FileHandle fileB = openFileRetry(pathB, false);
  const uint32_t errorB = platform::lastError();
  uint64_t timeA = 0;
  uint64_t timeB = 0;
  if (fileA != nullptr && !platform::fileWriteTime(fileA, &timeA)) timeA = 0;
  if (fileB != nullptr && !platform::fileWriteTime(fileB, &timeB)) timeB = 0;
  if (fileB != nullptr && timeB > timeA) {
    if (fileA != nullptr) platform::closeFile(fileA);
    platform::setLastError(platform::kErrorSuccess);
    return fileB;
  }
  if (fileB != nullptr) platform::closeFile(fileB);
  if (fileA != nullptr) {
    platform::setLastError(platform::kErrorSuccess);
    return fileA;
  }
  // Neither opened. What the caller must know is whether a copy exists but cannot be read
  // (it must then not be overwritten), so a failure other than "not found" wins.
  const auto notFound = [](uint32_t error) {
    return error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound;
  };
  platform::setLastError(!notFound(errorA) ? errorA : errorB);
  return nullptr;
}
