// Layout helpers shared by the application's dialogs.
#pragma once

#include "toolkit/Geometry.h"
#include "toolkit/Window.h"

// The client rectangle inset by the dialog margin: 7 dialog units on every side.
inline RECT dialogContentRect(HWND hwnd, HFONT font) {
  RECT k = getClientRect(hwnd);
  k.left += dx(7, font);
  k.right -= dx(7, font);
  k.top += dy(7, font);
  k.bottom -= dy(7, font);
  return k;
}

// A new size for a window, its place and stacking kept.
inline void resizeWindow(HWND hwnd, int width, int height) {
  setWindowPos(hwnd, HWND_TOP, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
