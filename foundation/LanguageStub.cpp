// Stand-in until the language tables exist: every lookup returns its key.
// FIXME: replaced by the real table lookup.

#include "foundation/Language.h"

olstring langText(olstring_view /*section*/, olstring_view key, olstring_view, olstring_view, olstring_view,
                  olstring_view, olstring_view, olstring_view) {
  return olstring(key);
}
