// The paint guard and text drawing. Painting is the one place where application code uses
// Qt directly: dc() is the QPainter of the paint pass.
#pragma once

#include "toolkit/Types.h"

class QPaintEvent;

// One paint pass of a window, begun in its WM_PAINT and ended by the destructor. dc() is
// nullptr when the window is not being painted now.
class olPaintDC {
public:
  explicit olPaintDC(HWND hwnd);
  ~olPaintDC();
  olPaintDC(const olPaintDC&) = delete;
  olPaintDC& operator=(const olPaintDC&) = delete;

  HDC dc() const { return m_painter; }
  HWND hwnd() const { return m_hwnd; }
  // The area to repaint, in client coordinates.
  const RECT& paintRect() const { return m_paintRect; }

private:
  HWND m_hwnd;
  QPainter* m_painter = nullptr;
  RECT m_paintRect;
};

// Selects a font and a text colour into the painter.
void selectFont(HDC dc, HFONT font);
void setTextColour(HDC dc, COLORREF colour);
// Draws text with DT_ flags (alignment, single line, word break, ellipses, no prefix,
// tabs). With DT_CALCRECT nothing is drawn and rect receives the size the text needs.
// Returns the height of the drawn text.
int drawText(HDC dc, olstring_view text, RECT& rect, UINT format);
// A toolkit glyph (1 open, 2 folder, 3 file, 4 save, 5 close, 6 reset, 7 menu) centred in rect.
void drawGlyph(HDC dc, int code, const RECT& rect, COLORREF colour);
// The application icon, drawn in a square of the given size.
void drawAppIcon(HDC dc, int x, int y, int size);
// Icons of the message box: MB_ICONERROR, MB_ICONQUESTION, MB_ICONWARNING, MB_ICONINFORMATION.
void drawMessageIcon(HDC dc, UINT kind, int x, int y, int size);
// Gives a top-level window the application icon at 16 and 32 pixels.
void setAppIcon(HWND hwnd);
