// Dates, times and numbers as the user's locale writes them.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// A file time (100 ns units since 1601-01-01 UTC) as the local short date, one space and
// the local time without seconds. Empty when the time cannot be converted. The C and POSIX
// locales write the date as 2026-12-08 (theirs, 12/08/26, reads two ways and hides the
// century); every other locale keeps its own short date.
std::u16string shortDateTimeText(uint64_t fileTime);

// A file time as the local short date, one space and the local time with seconds. Empty
// when the time cannot be converted.
std::u16string dateTimeWithSecondsText(uint64_t fileTime);

// The current local time as the short date, one space and the time with seconds.
std::u16string currentDateTimeWithSeconds();

// The character the locale puts between the whole and the fractional part of a number
// ("." or "," and others; a few locales use more than one code unit).
std::u16string decimalSeparator();

// What the locale puts between groups of three digits ("," "." a narrow space and others);
// empty when it groups none (the C locale).
std::u16string thousandsSeparator();

}  // namespace platform
