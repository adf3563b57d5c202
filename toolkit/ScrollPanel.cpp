// The scroll panel on a plain widget with a QScrollBar at its right edge. The toolkit's
// drawn bar keeps Qt's scroll bar behaviour (dragging, paging, wheel) and only paints a
// slim themed thumb.
#include "toolkit/ScrollPanel.h"

#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionSlider>

#include "toolkit/Geometry.h"
#include "toolkit/PaintDC.h"
#include "toolkit/WindowInternal.h"

namespace {

bool g_customBars = true;

class ThemedScrollBar : public QScrollBar {
public:
  explicit ThemedScrollBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent) { setAttribute(Qt::WA_Hover, true); }
  bool custom = true;

protected:
  void paintEvent(QPaintEvent* event) override {
    if (!custom) {
      QScrollBar::paintEvent(event);
      return;
    }
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(themeColour(olThemeSlot::face)));
    QStyleOptionSlider option;
    initStyleOption(&option);
    QRect thumb = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    thumb = QRect(2, thumb.top() + 1, width() - 4, std::max(thumb.height() - 2, 8));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    const bool hot = underMouse() || isSliderDown();
    painter.setBrush(toQColor(hot ? themeColour(olThemeSlot::accent) : themeColour(olThemeSlot::frame)));
    painter.drawRoundedRect(QRectF(thumb), 3, 3);
  }
};

}  // namespace

struct olScrollPanel::Bar {
  QPointer<ThemedScrollBar> widget;
};

olScrollPanel::olScrollPanel() : m_bar(new Bar) {}

olScrollPanel::~olScrollPanel() {
  unbind(olUnbind::destroyWindow);
  delete m_bar;
}

ATOM olScrollPanel::registerClass() {
  olWndClass panel;
  panel.name = u"olScrollPanel";
  return registerClassOnce(panel);
}

void olScrollPanel::setCustomScrollBars(bool enabled) { g_customBars = enabled; }
bool olScrollPanel::customScrollBars() { return g_customBars; }

olScrollPanel* olScrollPanel::enclosing(HWND hwnd) {
  for (HWND up = getParent(hwnd); up && !isTopLevel(up); up = getParent(up))
    if (auto* panel = dynamic_cast<olScrollPanel*>(olWndMap::instance().find(up))) return panel;
  return nullptr;
}

bool olScrollPanel::scrollChildIntoView(HWND hwnd) {
  olScrollPanel* panel = enclosing(hwnd);
  return panel && panel->scrollIntoView(hwnd);
}

void olScrollPanel::onAttached() {
  QWidget* panel = widgetOf(m_hwnd);
  auto* bar = new ThemedScrollBar(panel);
  bar->hide();
  const HWND hwnd = m_hwnd;
  QObject::connect(bar, &QScrollBar::valueChanged, bar, [this, hwnd](int value) {
    if (olWndMap::instance().find(hwnd) == this) setScrollPos(value);
  });
  m_bar->widget = bar;
  m_scrollPos = 0;
  applyControlTheme(m_hwnd);
}

void olScrollPanel::applyControlTheme(HWND) {
  if (ThemedScrollBar* bar = m_bar->widget) {
    bar->custom = g_customBars && !platformPainting();
    bar->update();
  }
  updateScrollBar();
}

int olScrollPanel::scrollBarWidth() const {
  ThemedScrollBar* bar = m_bar->widget;
  if (!bar) return 0;
  return bar->custom ? 12 : bar->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bar);
}

bool olScrollPanel::isScrollBarVisible() const { return m_bar->widget && !m_bar->widget->isHidden(); }

void olScrollPanel::setContentHeight(int height) {
  if (height < 0) return;
  m_contentHeight = height;
  updateScrollBar();
}

void olScrollPanel::updateScrollBar() {
  olWindowRecord* record = windowRecord(m_hwnd);
  ThemedScrollBar* bar = m_bar->widget;
  if (!record || !bar) return;
  QWidget* panel = record->widget;
  const bool needed = m_contentHeight > panel->height();
  const int width = scrollBarWidth();
  record->nonClientRight = needed ? width : 0;
  bar->setGeometry(panel->width() - width, 0, width, panel->height());
  bar->setVisible(needed);
  bar->raise();
  const int maximum = std::max(0, m_contentHeight - panel->height());
  {
    QSignalBlocker quiet(bar);
    bar->setRange(0, maximum);
    bar->setPageStep(std::max(1, panel->height()));
    bar->setSingleStep(lineStep());
  }
  setScrollPos(std::min(m_scrollPos, maximum));
  QSignalBlocker quiet(bar);
  bar->setValue(m_scrollPos);
}

void olScrollPanel::setLineStep(int pixels) {
  m_lineStep = std::max(0, pixels);
  if (ThemedScrollBar* bar = m_bar->widget) bar->setSingleStep(lineStep());
}

int olScrollPanel::lineStep() const { return m_lineStep > 0 ? m_lineStep : std::max(1, lineHeight()); }

int olScrollPanel::maximumScrollPos() const {
  QWidget* panel = widgetOf(m_hwnd);
  return panel ? std::max(0, m_contentHeight - panel->height()) : 0;
}

void olScrollPanel::setScrollPos(int position) {
  QWidget* panel = widgetOf(m_hwnd);
  if (!panel) return;
  position = std::clamp(position, 0, maximumScrollPos());
  const int delta = position - m_scrollPos;
  if (delta == 0) return;
  m_scrollPos = position;
  for (QObject* object : m_mode == olScrollMode::children ? panel->children() : QObjectList()) {
    auto* child = qobject_cast<QWidget*>(object);
    if (!child || child == m_bar->widget || child->isWindow()) continue;
    child->move(child->x(), child->y() - delta);
  }
  if (ThemedScrollBar* bar = m_bar->widget) {
    QSignalBlocker quiet(bar);
    bar->setValue(m_scrollPos);
  }
  panel->update();
}

bool olScrollPanel::scrollIntoView(HWND descendant) {
  QWidget* panel = widgetOf(m_hwnd);
  QWidget* child = widgetOf(descendant);
  if (!panel || !child || !isChild(m_hwnd, descendant)) return false;
  const QRect area(child->mapTo(panel, QPoint(0, 0)), child->size());
  const int visible = panel->height();
  if (area.top() < 0) setScrollPos(m_scrollPos + area.top() - edge);
  else if (area.bottom() >= visible) setScrollPos(m_scrollPos + area.bottom() - visible + 1 + edge);
  return true;
}

void olScrollPanel::paintBackground(HDC dc, const RECT& rect) { fillSolidRect(dc, rect, themeColour(olThemeSlot::face)); }

LRESULT olScrollPanel::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      olPaintDC dc(m_hwnd);
      if (dc.dc()) paintBackground(dc.dc(), getClientRect(m_hwnd));
      return 0;
    }
    case WM_SIZE: {
      LRESULT result = olWnd::windowProc(message, wParam, lParam);
      updateScrollBar();
      return result;
    }
    case WM_MOUSEWHEEL: {
      if (!isScrollBarVisible()) break;
      // Three steps a notch of 120; a touchpad's smaller deltas scroll in proportion.
      const int delta = static_cast<int16_t>(HIWORD(wParam));
      setScrollPos(m_scrollPos - delta * 3 * lineStep() / 120);
      return 0;
    }
    case WM_SYSCOLORCHANGE:
      if (reinterpret_cast<const void*>(lParam) == themeMarker()) {
        applyControlTheme(m_hwnd);
        for (HWND child : childWindows(m_hwnd)) postMessage(child, message, wParam, lParam);
        invalidateRect(m_hwnd);
        return 0;
      }
      break;
    default: break;
  }
  return olWnd::windowProc(message, wParam, lParam);
}
