// A byte count as a short, readable size: "532 bytes", "22.9 KiB", "2.28 MiB".
#pragma once

#include "foundation/olstring.h"

#include <cstdint>

// The size in 1024-based units with three significant digits, cut rather than rounded so
// that it never shows more than there is (2,400,016 bytes give 2.28 MiB), the fraction
// after the locale's decimal separator. Below 1000 bytes the count itself. A unit moves up
// once the number would need a fourth digit (1000 KiB shows as 0.97 MiB). The unit texts
// come from the language's "size" section.
olstring byteSizeText(uint64_t bytes);

// The number alone of a size in the unit, and with the fraction digits, that byteSizeText
// gives another size: the part of a whole in the whole's terms (4.2 of "18.6 GiB").
olstring byteSizeNumber(uint64_t bytes, uint64_t reference);

// A count with its digits grouped in threes by the locale's thousands separator, or by a
// space (as sizes are shown in the lists) where the locale has none: 4096 gives "4,096" in
// English, "4.096" in German, "4 096" in the C locale.
olstring groupedNumberText(uint64_t value);

// part of whole in percent, cut rather than rounded so that a share never looks bigger
// than it is: whole numbers from 10 %, one decimal (after the locale's separator) below,
// and never 0 for a part that is not 0 ("0.1"); "0" when whole is 0.
olstring percentText(uint64_t part, uint64_t whole);
