// What the file system a path lies on can store: how finely it keeps modification times.
// A copy on a FAT drive or a network share keeps its times only as finely as that file
// system allows, so two honest copies may differ by less than its step.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

constexpr uint32_t kNanosecondsPerSecond = 1000000000;
// The step of a file system that keeps times to the second or finer, and of one the program
// does not know: times in the same second count as one.
constexpr uint32_t kDefaultTimeStepNanoseconds = kNanosecondsPerSecond;

// The modification-time step of a file system type as the platform names it (on Linux the
// statfs f_type magic number), in nanoseconds: 2 s for FAT and exFAT (FAT stores even
// seconds; many tools still round exFAT's 10 ms times to 2 s), 1 s for every other type,
// known or not.
uint32_t timeStepOfFileSystemType(uint64_t type);

// The type of the file system the path lies on; false with the last error set when it
// cannot be told.
bool fileSystemType(std::u16string_view path, uint64_t* type);

// The modification-time step of the file system the path lies on; the default step when
// it cannot be told.
uint32_t fileSystemTimeStep(std::u16string_view path);

}  // namespace platform
