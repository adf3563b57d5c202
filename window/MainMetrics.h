// The heights of the main window's header strip and status bar, shared by the main window
// and the compare panel so that their header strips line up.
#pragma once

#include <algorithm>

#include "toolkit/Geometry.h"
#include "toolkit/Window.h"

struct MainMetrics {
  explicit MainMetrics(HFONT font)
      : headerHeight(std::max(36 + 2 * edge, lineHeight(font) + 6 * edge)),
        barHeight(std::max(smallIconSize(), lineHeight(font)) + 2 * edge + dy(7, font) / 2) {}
  int headerHeight;
  int barHeight;
};
