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
// The size of a one-line text in the font.
SIZE textExtent(olstring_view text, HFONT font = nullptr);

// A language text made fit for a caption: cut at its first tab (after leading tabs), a
// trailing run of dots removed unless it is a single dot, and every single "&" removed
// ("&&" stays), unless the markers are kept.
enum class olMarkers { remove, keep };
olstring cleanLabel(olstring_view text, olMarkers markers = olMarkers::remove);
