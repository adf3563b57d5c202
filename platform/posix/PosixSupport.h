// Helpers shared by the POSIX side of the platform layer.
#pragma once

#include <string>
#include <string_view>

namespace platform::posix {

// The path as bytes for the system calls.
std::string nativePath(std::u16string_view path);

// Sets the last error from errno for a failed call on a path. ENOENT becomes 3 instead of
// 2 when a folder on the way to the path is missing, as the program's callers expect.
uint32_t setPathError(int errnoValue, const std::string& nativePath);

}  // namespace platform::posix
