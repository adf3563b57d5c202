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

platform::FileHandle openSettingsFile(olstring_view name, SettingsAccess access) {
  if (name.empty()) return nullptr;
  const olstring pathA = settingsPathInApplicationFolder(name);
  const olstring pathB = settingsPathInUserFolder(name);
  if (access == SettingsAccess::write) {
    // A copy that exists but cannot be read is never replaced: what it holds would be lost.
    if (!existsButUnreadable(pathA)) {
      if (platform::FileHandle handle = openFileRetry(pathA, true)) return handle;
    }
    if (existsButUnreadable(pathB)) return nullptr;
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
