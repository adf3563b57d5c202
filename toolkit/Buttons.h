// The toolkit's buttons, each drawn in the current theme: the push button with its frame
// mask and its variants, the splitter bar, and the check box.
#pragma once

#include "toolkit/PaintDC.h"
#include "toolkit/Theme.h"
#include "toolkit/Window.h"

#include <climits>
#include <vector>

// A push button. The frame mask selects the sides that get a frame line (kSideLeft, ...,
// kAllSides). The focus is shown as an accent frame.
class olButton : public olWnd, public oltheme_control {
public:
  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void onAttached() override;

  void setFrameMask(unsigned mask);
  unsigned frameMask() const { return m_frameMask; }
  bool isPressed() const;
  bool isHot() const;
  bool hasFocus() const;

protected:
  // Whether the button draws itself while the System Default theme is in force (the plain
  // push button leaves that to the platform).
  virtual bool drawsUnderSystemTheme() const { return false; }
  virtual COLORREF backgroundColour() const;
  virtual void paintButton(HDC dc, const RECT& rect);
  // The platform's own push button, with a focus mark whenever it has the focus.
  void paintSystemButton(HDC dc);
  // The caption (or the glyph) inside the frame, in the given text colour.
  virtual void paintContent(HDC dc, const RECT& rect, COLORREF textColour);

  unsigned m_frameMask = kAllSides;
};

// A button with an on/off state that is shown filled in the selection colour when on.
// Clicking does not change the state; the owner sets it.
class olButton_Switch : public olButton {
public:
  void setChecked(bool checked);
  bool isChecked() const { return m_checked; }

protected:
  bool drawsUnderSystemTheme() const override { return true; }
  COLORREF backgroundColour() const override;
  void paintContent(HDC dc, const RECT& rect, COLORREF textColour) override;
  bool m_checked = false;
};

// A button with an icon left of its caption: 0 the application icon, or a message icon
// kind (MB_ICONERROR, MB_ICONQUESTION, MB_ICONWARNING, MB_ICONINFORMATION).
class olButton_Icon : public olButton {
public:
  void setIconKind(UINT kind);

protected:
  bool drawsUnderSystemTheme() const override { return true; }
  void paintContent(HDC dc, const RECT& rect, COLORREF textColour) override;
  UINT m_iconKind = 0;
};

// A button that shows one of the toolkit's glyphs (drawGlyph) instead of its caption; the
// caption stays its window text (and tooltip).
class olButton_customIcon : public olButton {
public:
  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void setGlyph(olGlyph glyph);
  olGlyph glyph() const { return m_glyph; }

protected:
  bool drawsUnderSystemTheme() const override { return true; }
  COLORREF backgroundColour() const override;
  void paintContent(HDC dc, const RECT& rect, COLORREF textColour) override;
  olGlyph m_glyph = olGlyph::none;
};

// A caption drawn as a link: link colour, underlined while hot or focused, hand cursor.
class olButton_Link : public olButton {
public:
  void onAttached() override;
  // The width and height the caption needs.
  SIZE idealSize() const;

protected:
  bool drawsUnderSystemTheme() const override { return true; }
  void paintButton(HDC dc, const RECT& rect) override;
};

// A link over a text its parent draws (a path in a dialog): it takes the focus and the keys
// (Enter and Space press it) and lets the mouse through to the parent, which draws the
// text, its hover and its focus (hasFocus), and repaints when the focus comes or goes.
class olButton_TextLink : public olButton_Link {
public:
  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void onAttached() override;

protected:
  void paintButton(HDC, const RECT&) override {}
};

// The registered message a splitter bar posts while it is dragged, and its id, registered on
// the first call and kept.
inline constexpr olstring_view kSplitterMessageName = u"WM_OLBUTTON_SPLIT";
UINT splitterMessage();

// A vertical splitter bar. Dragging it moves it sideways only, at least margin pixels
// from the left and right edges of its parent's client area, and after every move it posts
// splitterMessage() (wParam its id, lParam its window) to the parent it had when attached.
class olButton_Split : public olButton {
public:
  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void onAttached() override;
  void setMargins(int left, int right);
  bool isDragging() const { return m_dragging; }
  // The x the bar may take for a wanted x, within the margins.
  int clampedX(int x) const;
  // Where the bar stands in its parent, and the least and the greatest x it may take.
  int position() const;
  int leastPosition() const { return clampedX(INT_MIN / 2); }
  int greatestPosition() const { return clampedX(INT_MAX / 2); }
  // Moves the bar to x within the margins and, when it moved, tells the parent as a drag
  // does; false when it stayed where it was.
  bool moveTo(int x);
  // A bar with a step takes the focus in the Tab round (a click still only drags it) and
  // moves by the step with the Left and Right keys, to its ends with Home and End. Without
  // one (0, the start) it is the mouse's alone.
  void setKeyboardStep(int pixels);
  int keyboardStep() const { return m_keyStep; }

protected:
  bool drawsUnderSystemTheme() const override { return true; }
  void paintButton(HDC dc, const RECT& rect) override;

private:
  HWND m_notify = nullptr;
  int m_leftMargin = 294;
  int m_rightMargin = 294;
  bool m_dragging = false;
  int m_grabScreenX = 0;
  int m_grabWindowX = 0;
  int m_keyStep = 0;
};

// A caption laid out in a width: its lines (with their "&" markers), and whether the text
// did not fit in them, the last line then ending in "…".
struct olCaptionLines {
  std::vector<olstring> lines;
  bool cut = false;
};
// Breaks a caption at spaces into at most maxLines lines of the width in the font.
olCaptionLines layoutCaption(olstring_view caption, int width, HFONT font, int maxLines);

// A check box: a themed box with an accent check mark and the caption beside it. A caption
// too long for one line wraps onto a second one; beyond that it ends in "…" and the whole
// caption is the box's tooltip. Under the System Default theme the box is the platform's.
class olCheckBox : public olButton {
public:
  void onAttached() override;
  bool isChecked() const;
  void setChecked(bool checked);
  // The height the box needs at a width: one line, or two when the caption wraps.
  int heightForWidth(int width) const;
  // The caption as the last paint showed it, its lines joined by a line break.
  const olstring& shownCaption() const { return m_shownCaption; }

protected:
  bool drawsUnderSystemTheme() const override { return true; }
  void paintButton(HDC dc, const RECT& rect) override;

private:
  // The caption's room beside the box in a width.
  int captionWidth(int width) const;
  olstring m_shownCaption;
};
