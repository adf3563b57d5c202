// Dates and times as the user's locale writes them.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// A file time (100 ns units since 1601-01-01 UTC) as the local short date, one space and
// the local time without seconds. Empty when the time cannot be converted.
std::u16string shortDateTimeText(uint64_t fileTime);

// The current local time as the short date, one space and the time with seconds.
std::u16string currentDateTimeWithSeconds();

}  // namespace platform
