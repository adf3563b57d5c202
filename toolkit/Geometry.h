// Sizes derived from the current UI font, and the cleaning of language texts for captions.
#pragma once

#include "toolkit/Types.h"

// n horizontal or vertical dialog units of the font (the UI font when none) in pixels.
int dx(int n, HFONT font = nullptr);
int dy(int n, HFONT font = nullptr);
// 50 × 14 dialog units, at least 20 pixels high with the width scaled alike; per font.
SIZE standardButtonSize(HFONT font = nullptr);
// The fixed padding.
constexpr int edge = 2;
// The line height of the font (the UI font when none).
int lineHeight(HFONT font = nullptr);
// The size of a one-line text in the font: whole pixels, never less than the text takes
// when drawn (a box of this width holds it without an ellipsis).
SIZE textExtent(olstring_view text, HFONT font = nullptr);
// A one-line text cut to fit the width with an ellipsis: at its end, or, for a text that
// ends in a path, before the path's last part so that the file name stays whole (cut in
// its own middle only when it alone is too wide). The text itself when it fits.
enum class olElide { end, path };
olstring elideText(olstring_view text, int width, olElide where, HFONT font = nullptr);

// A language text made fit for a caption: cut at its first tab (after leading tabs), a
// trailing run of dots removed unless it is a single dot, and every single "&" removed
// ("&&" stays), unless the markers are kept.
enum class olMarkers { remove, keep };
olstring cleanLabel(olstring_view text, olMarkers markers = olMarkers::remove);
