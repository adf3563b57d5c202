// The last-error value and the single errno mapping.

#include "platform/Error.h"

#include "platform/Text.h"

#include <cerrno>
#include <cstring>

namespace platform {
namespace {
thread_local uint32_t t_lastError = 0;
}

uint32_t lastError() { return t_lastError; }
void setLastError(uint32_t code) { t_lastError = code; }

uint32_t errorFromErrno(int e) {
  switch (e) {
    case 0: return kErrorSuccess;
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR: return kErrorAccessDenied;
    case EMFILE:
    case ENFILE: return kErrorTooManyOpenFiles;
    case ENOMEM: return kErrorNotEnoughMemory;
    case EINVAL: return kErrorInvalidParameter;
    case ENOSPC: return kErrorDiskFull;
    case EROFS: return kErrorWriteProtect;
    case EEXIST: return kErrorAlreadyExists;
    case ENAMETOOLONG: return kErrorFilenameTooLong;
    case ELOOP: return kErrorCantResolveFilename;
    case EIO: return kErrorIoDevice;
    case EBUSY:
    case ETXTBSY: return kErrorSharingViolation;
    default: return kErrorErrnoBase + static_cast<uint32_t>(e);
  }
}

uint32_t setLastErrorFromErrno(int e) {
  t_lastError = errorFromErrno(e);
  return t_lastError;
}

std::u16string systemErrorText(uint32_t code) {
  const char* text = nullptr;
  switch (code) {
    case kErrorSuccess: text = "The operation completed successfully."; break;
    case kErrorFileNotFound: text = "The system cannot find the file specified."; break;
    case kErrorPathNotFound: text = "The system cannot find the path specified."; break;
    case kErrorTooManyOpenFiles: text = "The system cannot open the file."; break;
    case kErrorAccessDenied: text = "Access is denied."; break;
    case kErrorNotEnoughMemory: text = "Not enough memory resources are available to process this command."; break;
    case kErrorWriteProtect: text = "The media is write protected."; break;
    case kErrorSharingViolation: text = "The process cannot access the file because it is being used by another process."; break;
    case kErrorInvalidParameter: text = "The parameter is incorrect."; break;
    case kErrorDiskFull: text = "There is not enough space on the disk."; break;
    case kErrorAlreadyExists: text = "Cannot create a file when that file already exists."; break;
    case kErrorFilenameTooLong: text = "The filename or extension is too long."; break;
    case kErrorIoDevice: text = "The request could not be performed because of an I/O device error."; break;
    case kErrorCantResolveFilename: text = "The name of the file cannot be resolved by the system."; break;
    default: break;
  }
  if (text != nullptr) return utf8ToUtf16(text);
  if (code > kErrorErrnoBase && code < kErrorErrnoBase + 0x10000) {
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not be in the buffer.
    const char* message = strerror_r(static_cast<int>(code - kErrorErrnoBase), buffer, sizeof buffer);
    return utf8ToUtf16(message) + u".";
  }
  return {};
}

}  // namespace platform
