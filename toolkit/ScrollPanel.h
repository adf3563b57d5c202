// A panel whose content scrolls vertically. Children: the owner sets the content height and
// lays the children out shifted up by the scroll position, and scrolling moves them. Paint
// offset: a panel that draws its content itself (a list of rows) has no children to move;
// scrolling repaints it, and its painting reads the position. The panel shows a vertical
// scroll bar only while the content is higher than its client area. The bar is the
// toolkit's own drawn one unless custom scroll bars are turned off or the System Default
// theme is used.
#pragma once

#include "toolkit/Theme.h"
#include "toolkit/Window.h"

// What scrolling does: move the child windows, or repaint content drawn at an offset.
enum class olScrollMode { children, paintOffset };

class olScrollPanel : public olWnd, public oltheme_control {
public:
  olScrollPanel();
  ~olScrollPanel() override;
  // The window class "olScrollPanel" (registered once).
  static ATOM registerClass();
  // The advanced setting no_customscroll turns the toolkit's drawn bars off everywhere.
  static void setCustomScrollBars(bool enabled);
  static bool customScrollBars();
  // The nearest scroll panel object that holds the window, or nullptr.
  static olScrollPanel* enclosing(HWND hwnd);
  // Asks the nearest enclosing panel to bring the window into view.
  static bool scrollChildIntoView(HWND hwnd);

  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void onAttached() override;
  void applyControlTheme(HWND hwnd) override;

  void setScrollMode(olScrollMode mode) { m_mode = mode; }
  // The distance of one step of the bar's arrows and of a third of a wheel notch (the UI
  // font's line height when 0).
  void setLineStep(int pixels);
  int lineStep() const;

  void setContentHeight(int height);
  int contentHeight() const { return m_contentHeight; }
  int scrollPos() const { return m_scrollPos; }
  // Scrolls to the position (clamped to the content): moves the children or repaints.
  void setScrollPos(int position);
  // The highest scroll position for the current sizes.
  int maximumScrollPos() const;
  // Scrolls so that the descendant window is fully visible; false when it is not inside.
  bool scrollIntoView(HWND descendant);
  bool isScrollBarVisible() const;
  // Shows or hides the bar and sets its range for the current sizes.
  void updateScrollBar();
  int scrollBarWidth() const;

protected:
  // Draws the panel's background (the theme's face colour).
  virtual void paintBackground(HDC dc, const RECT& rect);

private:
  struct Bar;
  Bar* m_bar = nullptr;
  int m_contentHeight = 0;
  int m_scrollPos = 0;
  int m_lineStep = 0;
  olScrollMode m_mode = olScrollMode::children;
};

// A control of type T that, when it receives the focus, asks the nearest enclosing
// olScrollPanel to scroll it into view.
template <typename T>
class olScrollPanel_Ctrl : public T {
public:
  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_SETFOCUS) olScrollPanel::scrollChildIntoView(this->hwnd());
    return T::windowProc(message, wParam, lParam);
  }
};
