// The value rules shared by every settings and project file: how booleans and numbers are
// read from text and written back.
#pragma once

#include "foundation/olstring.h"

#include <cstdint>

// "true" in any letter case is true; otherwise the value read as a number is true when it
// is not 0. An empty value is false, so are "false", "yes" and "on".
bool readBoolean(olstring_view value);

// A value starting with "0x" or "0X" is read in base 16 after the prefix, any other in
// base 10; leading white space is skipped, a sign is accepted, reading stops at the first
// character that is no digit of the base. Empty or non-numeric gives 0; too large saturates.
int64_t readNumber(olstring_view value);

// A time tolerance in seconds: decimal digits only, at most maxSeconds. False (and seconds
// untouched) for anything else, so that a bad value is never taken for another.
bool readWholeSeconds(olstring_view value, uint32_t maxSeconds, uint32_t* seconds);

olstring writeBoolean(bool value);
olstring writeNumber(int64_t value);
