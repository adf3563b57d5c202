// The thread's last-error value with Windows-compatible numbers, so that messages, console
// output and tests are the same on every platform.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

constexpr uint32_t kErrorSuccess = 0;
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorTooManyOpenFiles = 4;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorNotEnoughMemory = 8;
constexpr uint32_t kErrorWriteProtect = 19;
constexpr uint32_t kErrorSharingViolation = 32;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorDiskFull = 112;
constexpr uint32_t kErrorAlreadyExists = 183;
constexpr uint32_t kErrorFilenameTooLong = 206;
constexpr uint32_t kErrorIoDevice = 1117;
constexpr uint32_t kErrorCantResolveFilename = 1921;
// Any errno without a Windows counterpart is carried as this base plus the errno.
constexpr uint32_t kErrorErrnoBase = 0x20000000;

uint32_t lastError();
void setLastError(uint32_t code);

// The one place where an errno becomes a program error code.
uint32_t errorFromErrno(int errnoValue);

// Records errno's mapping as the last error and returns it.
uint32_t setLastErrorFromErrno(int errnoValue);

// A short English text for a platform error code (strerror for unmapped errnos);
// empty for codes that are not platform codes (such as the program's own 0xF000000x).
std::u16string systemErrorText(uint32_t code);

}  // namespace platform
