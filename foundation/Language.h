// The lookup every part of the program uses for its visible texts: (section, key) in the
// application's language table, with "%0" to "%5" replaced by the arguments and "%%" by "%".
// A missing key gives the empty text. Safe to call from any thread.
#pragma once

#include "foundation/olstring.h"

olstring langText(olstring_view section, olstring_view key, olstring_view a0 = {}, olstring_view a1 = {},
                  olstring_view a2 = {}, olstring_view a3 = {}, olstring_view a4 = {}, olstring_view a5 = {});
