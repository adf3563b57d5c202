#include "platform/FileSystem.h"

#include "platform/Error.h"
#include "platform/posix/PosixSupport.h"

#include <sys/vfs.h>

#include <cerrno>

namespace platform {

namespace {

struct FileSystemStep {
  uint64_t type;
  const char* name;
  uint32_t timeStep;
};

constexpr uint32_t kTwoSeconds = 2 * kNanosecondsPerSecond;

// The file systems a copy commonly lands on. Those keeping times to the second or finer are
// listed too, so that the table says what was decided for them rather than leaving them to
// the default. A FUSE mount ("fuseblk") may be NTFS or exFAT; it cannot be told which from
// the type, so it keeps the default step.
constexpr FileSystemStep kFileSystemSteps[] = {
    {0x4d44, "vfat/msdos", kTwoSeconds},
    {0x2011bab0, "exfat", kTwoSeconds},
    {0x5346544e, "ntfs", kNanosecondsPerSecond},
    {0x7366746e, "ntfs3", kNanosecondsPerSecond},
    {0x65735546, "fuseblk", kNanosecondsPerSecond},
    {0xff534d42, "cifs", kNanosecondsPerSecond},
    {0xfe534d42, "smb2", kNanosecondsPerSecond},
    {0x517b, "smb", kNanosecondsPerSecond},
    {0x6969, "nfs", kNanosecondsPerSecond},
};

}  // namespace

uint32_t timeStepOfFileSystemType(uint64_t type) {
  for (const FileSystemStep& entry : kFileSystemSteps) {
    if (entry.type == type) return entry.timeStep;
  }
  return kDefaultTimeStepNanoseconds;
}

bool fileSystemType(std::u16string_view path, uint64_t* type) {
  const std::string native = posix::nativePath(path);
  struct statfs info;
  if (statfs(native.c_str(), &info) != 0) {
    posix::setPathError(errno, native);
    return false;
  }
  // f_type is signed on some architectures; the magic numbers are 32-bit patterns.
  *type = static_cast<uint64_t>(static_cast<uint32_t>(info.f_type));
  setLastError(kErrorSuccess);
  return true;
}

uint32_t fileSystemTimeStep(std::u16string_view path) {
  uint64_t type = 0;
  return fileSystemType(path, &type) ? timeStepOfFileSystemType(type) : kDefaultTimeStepNanoseconds;
}

}  // namespace platform
