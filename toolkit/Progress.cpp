// The progress bar's drawing and state.
#include "toolkit/Progress.h"

#include <QPainter>

#include <cmath>

#include "foundation/SoftCheck.h"
#include "toolkit/Accessible.h"
#include "toolkit/Buttons.h"
#include "toolkit/PaintDC.h"
#include "toolkit/WindowInternal.h"

namespace {

// The indeterminate bar: a segment of 30 % of the bar glides from end to end and back,
// once in kSweepSteps animation steps, starting in the middle.
constexpr UINT kAnimationStepMs = 40;
constexpr int kSweepSteps = 80;
constexpr int kFirstStep = kSweepSteps / 4;
constexpr double kSegmentShare = 0.3;
// The filled part keeps this distance from the frame.
constexpr int kBarInset = 2;

// Where the segment's left edge is, from 0 (at the left end) to 1 (at the right end).
double segmentPlace(int step) {
  const double phase = static_cast<double>(step % kSweepSteps) / kSweepSteps;
  const double there = 1.0 - std::abs(2.0 * phase - 1.0);
  return there * there * (3.0 - 2.0 * there);  // eased at both ends
}

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
  announceProgress();
  return true;
}

bool olProgressCtrl::setPos(int64_t position) {
  position = std::clamp<int64_t>(position, 0, m_maximum);
  if (position == m_position) return false;
  m_position = position;
  invalidateRect(m_hwnd);
  announceProgress();
  return true;
}

bool olProgressCtrl::setIndeterminate(bool indeterminate) {
  if (indeterminate == m_indeterminate) return false;
  m_indeterminate = indeterminate;
  m_step = kFirstStep;
  if (indeterminate && m_hwnd) {
    MIRRANE_CHECK_ONLY(m_animation.start(m_hwnd, kAnimationStepMs));
  }
  else m_animation.stop();
  invalidateRect(m_hwnd);
  announceProgress();
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
  announceProgress();
  return true;
}

void olProgressCtrl::announceProgress() {
  // A compare moves the bar once per item: readers hear of it once per percent, so that
  // thousands of changes a second do not flood them. What they ask for is always current.
  const int step = m_indeterminate ? -1 : static_cast<int>(100.0 * static_cast<double>(m_position) / m_maximum);
  if (step == m_announcedStep) return;
  m_announcedStep = step;
  announceValueChanged(m_hwnd);
  announceNameChanged(m_hwnd);
}

void olProgressCtrl::Animation::onTimer() {
  // A paused job stands still, and so does its bar.
  if (m_owner.m_state == kPaused) return;
  m_owner.m_step = (m_owner.m_step + 1) % kSweepSteps;
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

RECT olProgressCtrl::segmentRect() const {
  if (!m_indeterminate) return {};
  RECT inner = getClientRect(m_hwnd).inflated(-kBarInset, -kBarInset);
  const int segment = std::max(static_cast<int>(inner.width() * kSegmentShare), 4);
  inner.left += static_cast<int>(std::lround((inner.width() - segment) * segmentPlace(m_step)));
  inner.right = std::min(inner.left + segment, inner.right);
  return inner;
}

void olProgressCtrl::paint(HDC dc, const RECT& rect) {
  ++m_paints;
  fillSolidRect(dc, rect, themeColour(olThemeSlot::window));
  drawEdges(dc, rect, themeColour(olThemeSlot::frame), kAllSides, 1);
  const COLORREF fill = m_state == kPaused ? pausedColour() : themeColour(olThemeSlot::accent);
  RECT filled = rect.inflated(-kBarInset, -kBarInset);
  if (m_indeterminate) filled = segmentRect();
  else filled.right = filled.left + static_cast<int>(static_cast<double>(filled.width()) * m_position / m_maximum);
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
