// The paint guard, text drawing and the conversions to Qt's types. Painting is the one
// place where application code uses Qt directly: dc() is the QPainter of the paint pass.
#pragma once

#include <QColor>
#include <QRect>
#include <QString>

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

// The toolkit's values as Qt's, for code that draws on dc() itself.
QString toQString(olstring_view text);
inline QColor toQColor(COLORREF c) { return QColor(redOf(c), greenOf(c), blueOf(c)); }
inline QRect toQRect(const RECT& r) { return QRect(r.left, r.top, r.width(), r.height()); }

// Selects a font and a text colour into the painter.
void selectFont(HDC dc, HFONT font);
void setTextColour(HDC dc, COLORREF colour);
// Draws text with DT_ flags (alignment, single line, word break, ellipses, no prefix,
// tabs). With DT_CALCRECT nothing is drawn and rect receives the size the text needs.
// Returns the height of the drawn text.
int drawText(HDC dc, olstring_view text, RECT& rect, UINT format);
// The toolkit's glyphs, drawn in a colour so that they follow the theme.
enum class olGlyph { none, openFolder, folder, file, save, close, reset, menu };
// A glyph centred in rect; none draws nothing.
void drawGlyph(HDC dc, olGlyph glyph, const RECT& rect, COLORREF colour);
// The application icon, drawn in a square of the given size.
void drawAppIcon(HDC dc, int x, int y, int size);
// Icons of the message box: MB_ICONERROR, MB_ICONQUESTION, MB_ICONWARNING, MB_ICONINFORMATION.
void drawMessageIcon(HDC dc, UINT kind, int x, int y, int size);
// Gives a top-level window the application icon, drawn at whatever size the desktop asks.
void setAppIcon(HWND hwnd);
