// A lock file held with an exclusive advisory lock: it marks a folder as belonging to a
// running process. The lock ends with the process, however it ends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

class FileLock {
public:
  FileLock() = default;
  ~FileLock() { release(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Creates (or opens) the file and takes an exclusive lock without waiting.
  // False when the file cannot be made or another process holds the lock.
  bool acquire(std::u16string_view path);
  // Takes an exclusive lock, waiting for another holder to let go.
  bool acquireWaiting(std::u16string_view path);
  // Unlocks; with deleteFile the lock file is removed first (while still held, so no other
  // process can take a lock on a file that is about to vanish).
  void release(bool deleteFile = false);
  bool held() const { return m_fd >= 0; }

private:
  bool acquire(std::u16string_view path, bool wait);
  int m_fd = -1;
  std::string m_path;
};

// True when a lock file exists and another process holds its lock right now.
bool isLockHeldElsewhere(std::u16string_view path);

// Makes a folder that only the current user can enter (mode 0700), or accepts an existing
// one when it is a real folder (not a link) owned by the current user; an existing one with
// access for others is closed down to 0700. False when the folder cannot be trusted.
bool preparePrivateFolder(std::u16string_view path);

// True when the folder exists as a real folder (not a link) owned by the current user with
// no access for others: what preparePrivateFolder makes. Nothing is made or changed.
bool isPrivateFolder(std::u16string_view path);

// The current user's numeric id.
uint32_t currentUserId();

}  // namespace platform
