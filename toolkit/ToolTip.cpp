// The shared tooltip on a frameless Qt tool-tip window, painted in the theme's colours.
#include "toolkit/ToolTip.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include "toolkit/Theme.h"
#include "toolkit/WindowInternal.h"

struct olToolTipCtrl::Timers {
  QTimer show;
  QTimer hide;
};

namespace {
QString colourName(COLORREF c) { return toQColor(c).name(); }

QLabel* label(HWND hwnd) { return qobject_cast<QLabel*>(widgetOf(hwnd)); }
}  // namespace

olToolTipCtrl& olToolTipCtrl::shared() {
  static olToolTipCtrl tip;
  return tip;
}

void tooltipForgetWindow(HWND hwnd) {
  olToolTipCtrl& tip = olToolTipCtrl::shared();
  if (hwnd == tip.hwnd()) return;
  tip.removeTool(hwnd);
  if (tip.m_pendingTool == hwnd) tip.m_pendingTool = nullptr;
}

olToolTipCtrl::~olToolTipCtrl() { destroy(); }

bool olToolTipCtrl::create() {
  if (exists()) return true;
  if (!QApplication::instance()) return false;
  auto* tip = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
  tip->setWordWrap(true);
  tip->setMargin(4);
  tip->setTextFormat(Qt::PlainText);
  m_hwnd = registerWidget(tip, u"tooltips_class32", WS_POPUP, WS_EX_TOPMOST, 0, nullptr);
  m_timers = new Timers;
  m_timers->show.setSingleShot(true);
  m_timers->hide.setSingleShot(true);
  QObject::connect(&m_timers->show, &QTimer::timeout, [this] {
    if (m_pendingTool) show(m_pendingTool, m_lastPoint);
  });
  QObject::connect(&m_timers->hide, &QTimer::timeout, [this] { hide(); });
  if (HFONT font = uiFont()) setFont(font);
  return true;
}

void olToolTipCtrl::destroy() {
  delete m_timers;
  m_timers = nullptr;
  if (isWindow(m_hwnd)) destroyWindow(m_hwnd);
  m_hwnd = nullptr;
  m_tools.clear();
  m_pendingTool = m_shownTool = nullptr;
}

bool olToolTipCtrl::exists() const { return isWindow(m_hwnd); }

void olToolTipCtrl::addTool(HWND tool, olstring_view text) {
  if (text.empty()) m_tools.erase(tool);
  else m_tools[tool] = olstring(text);
}

void olToolTipCtrl::removeTool(HWND tool) {
  m_tools.erase(tool);
  if (m_shownTool == tool) hide();
}

olstring olToolTipCtrl::toolText(HWND tool) const {
  auto found = m_tools.find(tool);
  return found == m_tools.end() ? olstring() : found->second;
}

void olToolTipCtrl::setMaxWidth(int pixels) {
  m_maxWidth = pixels;
  if (QLabel* tip = label(m_hwnd)) tip->setMaximumWidth(pixels > 0 ? pixels : QWIDGETSIZE_MAX);
}

void olToolTipCtrl::setFont(HFONT font) {
  if (QLabel* tip = label(m_hwnd)) tip->setFont(qfontOf(font));
}

void olToolTipCtrl::relayEvent(const MSG& msg) {
  if (!exists()) return;
  if (msg.message != WM_MOUSEMOVE && msg.message != WM_NCMOUSEMOVE) {
    hide();
    m_pendingTool = nullptr;
    return;
  }
  // The tool is the window under the mouse or the nearest of its parents that has a tip.
  HWND tool = msg.hwnd;
  while (tool && !m_tools.count(tool)) tool = isTopLevel(tool) ? nullptr : getParent(tool);
  m_lastPoint = msg.pt;
  if (tool == m_shownTool && tool) return;
  hide();
  m_pendingTool = tool;
  if (tool) m_timers->show.start(m_showDelay);
  else m_timers->show.stop();
}

void olToolTipCtrl::show(HWND tool, POINT screen) {
  QLabel* tip = label(m_hwnd);
  olstring text = toolText(tool);
  if (!tip || text.empty()) {
    hide();
    return;
  }
  tip->setStyleSheet(QStringLiteral("QLabel { background: %1; color: %2; border: 1px solid %3; }")
                         .arg(colourName(themeColour(olThemeSlot::window)), colourName(themeColour(olThemeSlot::text)),
                              colourName(themeColour(olThemeSlot::frame))));
  tip->setMaximumWidth(m_maxWidth > 0 ? m_maxWidth : QWIDGETSIZE_MAX);
  tip->setText(toQString(text));
  tip->adjustSize();
  tip->move(screen.x, screen.y + 20);
  tip->show();
  m_shownTool = tool;
  if (m_timers && m_hideDelay > 0) m_timers->hide.start(m_hideDelay);
}

void olToolTipCtrl::hide() {
  if (QLabel* tip = label(m_hwnd)) tip->hide();
  m_shownTool = nullptr;
  if (m_timers) m_timers->hide.stop();
}

bool olToolTipCtrl::isShowing() const {
  QLabel* tip = label(m_hwnd);
  return tip && tip->isVisible();
}

olstring olToolTipCtrl::shownText() const { return isShowing() ? toolText(m_shownTool) : olstring(); }
