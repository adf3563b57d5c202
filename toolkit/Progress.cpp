// The progress bar's drawing and state.
#include "toolkit/Progress.h"

#include <QPainter>

#include "foundation/SoftCheck.h"
#include "toolkit/Buttons.h"
#include "toolkit/PaintDC.h"
#include "toolkit/WindowInternal.h"

namespace {
constexpr UINT kAnimationStepMs = 40;
}  // namespace

olProgressCtrl::olProgressCtrl() = default;

olProgressCtrl::~olProgressCtrl() {
  m_animation.stop();
  unbind(olUnbind::destroyWindow);
}

bool olProgressCtrl::setRange(int64_t maximum) {
  if (maximum <= 0) maximum = 100;
  if (maximum == m_maximum) return false;
  m_maximum = maximum;
  m_position = std::min(m_position, m_maximum);
  invalidateRect(m_hwnd);
  return true;
}

bool olProgressCtrl::setPos(int64_t position) {
  position = std::clamp<int64_t>(position, 0, m_maximum);
  if (position == m_position) return false;
  m_position = position;
  invalidateRect(m_hwnd);
  return true;
}

bool olProgressCtrl::setIndeterminate(bool indeterminate) {
  if (indeterminate == m_indeterminate) return false;
  m_indeterminate = indeterminate;
  m_phase = 0;
  if (indeterminate && m_hwnd) {
    MIRRANE_CHECK(m_animation.start(m_hwnd, kAnimationStepMs), (void)0);
  }
  else m_animation.stop();
  invalidateRect(m_hwnd);
  return true;
}

bool olProgressCtrl::setState(int state) {
  if ((state != kNormal && state != kPaused) || state == m_state) return false;
  m_state = state;
  invalidateRect(m_hwnd);
  return true;
}

bool olProgressCtrl::setText(olstring_view text) {
  if (text == m_text) return false;
  m_text = text;
  invalidateRect(m_hwnd);
  return true;
}

void olProgressCtrl::Animation::onTimer() {
  // A paused job stands still, and so does its bar.
  if (m_owner.m_state == kPaused) return;
  m_owner.m_phase = (m_owner.m_phase + 2) % 200;
  invalidateRect(m_owner.m_hwnd);
}

LRESULT olProgressCtrl::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      olPaintDC dc(m_hwnd);
      if (dc.dc()) paint(dc.dc(), getClientRect(m_hwnd));
      return 0;
    }
    case WM_SYSCOLORCHANGE:
      if (reinterpret_cast<const void*>(lParam) == themeMarker()) {
        invalidateRect(m_hwnd);
        return 0;
      }
      break;
    case WM_NCDESTROY: m_animation.stop(); break;
    default: break;
  }
  return olWnd::windowProc(message, wParam, lParam);
}

void olProgressCtrl::paint(HDC dc, const RECT& rect) {
  ++m_paints;
  fillSolidRect(dc, rect, themeColour(olThemeSlot::window));
  drawEdges(dc, rect, themeColour(olThemeSlot::frame), kAllSides, 1);
  const RECT inner = rect.inflated(-2, -2);
  const COLORREF fill = m_state == kPaused ? blendColours(themeColour(olThemeSlot::accent), RGB(0xDA, 0xA5, 0x20), 170)
                                           : themeColour(olThemeSlot::accent);
  RECT filled = inner;
  if (m_indeterminate) {
    // A block a quarter of the bar wide sweeps from left to right.
    const int block = std::max(inner.width() / 4, 4);
    const int travel = inner.width() + block;
    filled.left = inner.left - block + travel * m_phase / 200;
    filled.right = filled.left + block;
    filled.left = std::max(filled.left, inner.left);
    filled.right = std::min(filled.right, inner.right);
  } else {
    filled.right = inner.left + static_cast<int>(static_cast<double>(inner.width()) * m_position / m_maximum);
  }
  if (!filled.isEmpty()) fillSolidRect(dc, filled, fill);
  if (m_text.empty()) return;
  // The text reads on both parts: in the bar colour's contrast over the filled part.
  RECT area = rect;
  dc->save();
  dc->setClipRect(toQRect(filled));
  setTextColour(dc, contrastingText(fill));
  drawText(dc, m_text, area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  dc->setClipRegion(QRegion(toQRect(rect)).subtracted(QRegion(toQRect(filled))));
  setTextColour(dc, themeColour(olThemeSlot::text));
  area = rect;
  drawText(dc, m_text, area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  dc->restore();
}
