// The window operations application code uses instead of touching Qt: procedures, the
// window tree, styles, text, geometry and placement, and visibility, focus and input state.
#include <QApplication>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <limits>

#include "toolkit/Theme.h"
#include "toolkit/WindowInternal.h"

// ---- procedures

WNDPROC windowProcedure(HWND hwnd) {
  olWindowRecord* record = windowRecord(hwnd);
  return record ? record->procedure : nullptr;
}

WNDPROC setWindowProcedure(HWND hwnd, WNDPROC procedure) {
  olWindowRecord* record = windowRecord(hwnd);
  if (!record) return nullptr;
  WNDPROC previous = record->procedure;
  record->procedure = procedure ? procedure : defWindowProc;
  return previous;
}

// ---- tree

HWND getParent(HWND hwnd) {
  olWindowRecord* record = windowRecord(hwnd);
  if (!record) return nullptr;
  if (record->widget->isWindow()) return record->owner;
  return nearestHandle(record->widget->parentWidget());
}

HWND getAncestorRoot(HWND hwnd) {
  QWidget* widget = widgetOf(hwnd);
  return widget ? handleOf(widget->window()) : nullptr;
}

HWND getOwner(HWND hwnd) {
  olWindowRecord* record = windowRecord(hwnd);
  return record && record->widget->isWindow() ? record->owner : nullptr;
}

std::vector<HWND> childWindows(HWND parent) {
  std::vector<HWND> result;
  QWidget* widget = widgetOf(parent);
  if (!widget) return result;
  for (QObject* object : widget->children()) {
    auto* child = qobject_cast<QWidget*>(object);
    if (!child || child->isWindow()) continue;
    if (HWND h = handleOf(child)) result.push_back(h);
  }
  return result;
}

std::vector<HWND> topLevelWindows() {
  std::vector<HWND> result;
  if (!QApplication::instance()) return result;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    HWND hwnd = handleOf(widget);
    if (hwnd && olWndMap::instance().find(hwnd)) result.push_back(hwnd);
  }
  return result;
}

HWND getDlgItem(HWND parent, int id) {
  for (HWND child : childWindows(parent))
    if (getDlgCtrlID(child) == id) return child;
  return nullptr;
}

int getDlgCtrlID(HWND hwnd) {
  olWindowRecord* record = windowRecord(hwnd);
  return record ? record->id : 0;
}

bool isChild(HWND parent, HWND hwnd) {
  QWidget* p = widgetOf(parent);
  QWidget* w = widgetOf(hwnd);
  if (!p || !w || p == w) return false;
  for (QWidget* up = w; up && !up->isWindow(); up = up->parentWidget())
    if (up->parentWidget() == p) return true;
  return false;
}

bool isTopLevel(HWND hwnd) {
  QWidget* widget = widgetOf(hwnd);
  return widget && widget->isWindow();
}

olstring windowClassName(HWND hwnd) {
  olWindowRecord* record = windowRecord(hwnd);
  return record ? record->className : olstring();
}

// ---- styles

uint32_t getStyle(HWND hwnd) {
  olWindowRecord* record = windowRecord(hwnd);
  if (!record) return 0;
  uint32_t style = record->style;
  if (!record->widget->isHidden()) style |= WS_VISIBLE;
  if (!isWindowEnabled(hwnd)) style |= WS_DISABLED;
  return style;
}

uint32_t getExStyle(HWND hwnd) {
  olWindowRecord* record = windowRecord(hwnd);
  return record ? record->exStyle : 0;
}

void setStyle(HWND hwnd, uint32_t style) {
  olWindowRecord* record = windowRecord(hwnd);
  if (!record) return;
  record->style = style & ~(WS_VISIBLE | WS_DISABLED);
  QWidget* widget = record->widget;
  if (!widget->isWindow() && widget->focusPolicy() != Qt::NoFocus)
    widget->setFocusPolicy((style & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
}

void setExStyle(HWND hwnd, uint32_t exStyle) {
  olWindowRecord* record = windowRecord(hwnd);
  if (!record) return;
  record->exStyle = exStyle;
  record->widget->setAcceptDrops(exStyle & WS_EX_ACCEPTFILES);
}

// ---- text

bool setWindowText(HWND hwnd, olstring_view text) {
  if (!isWindow(hwnd)) return false;
  olstring copy(text);
  return sendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str())) != 0;
}

olstring getWindowText(HWND hwnd) {
  olstring text;
  sendMessage(hwnd, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(&text));
  return text;
}

// ---- geometry

RECT getClientRect(HWND hwnd) {
  olWindowRecord* record = windowRecord(hwnd);
  if (!record) return {};
  return {0, 0, std::max(0, record->widget->width() - record->nonClientRight), record->widget->height()};
}

RECT getWindowRect(HWND hwnd) {
  QWidget* widget = widgetOf(hwnd);
  if (!widget) return {};
  // A top-level window's rectangle includes its frame, as the window system sees it.
  if (widget->isWindow()) return fromQRect(widget->frameGeometry());
  return fromQRect(QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()));
}

void setTabOrder(const std::vector<HWND>& order) {
  QWidget* previous = nullptr;
  for (HWND hwnd : order) {
    QWidget* widget = widgetOf(hwnd);
    if (!widget) continue;
    if (previous) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
}

bool moveWindow(HWND hwnd, int x, int y, int width, int height) {
  return setWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER);
}

bool setWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
  olWindowRecord* record = windowRecord(hwnd);
  if (!record) return false;
  QWidget* widget = record->widget;
  if (!(flags & SWP_NOSIZE)) {
    width = std::max(0, width);
    height = std::max(0, height);
    if (widget->isWindow() && !(record->style & WS_THICKFRAME)) widget->setFixedSize(width, height);
    else widget->resize(width, height);
  }
  if (!(flags & SWP_NOMOVE)) widget->move(x, y);
  if (!(flags & SWP_NOZORDER)) {
    if (QWidget* below = widgetOf(insertAfter)) widget->stackUnder(below);
    else widget->raise();
  }
  if (flags & SWP_SHOWWINDOW) showWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNOACTIVATE : SW_SHOW);
  if (flags & SWP_HIDEWINDOW) widget->hide();
  return true;
}

POINT clientToScreen(HWND hwnd, POINT p) {
  QWidget* widget = widgetOf(hwnd);
  if (!widget) return p;
  QPoint global = widget->mapToGlobal(QPoint(p.x, p.y));
  return {global.x(), global.y()};
}

POINT screenToClient(HWND hwnd, POINT p) {
  QWidget* widget = widgetOf(hwnd);
  if (!widget) return p;
  POINT origin = clientToScreen(hwnd, {0, 0});
  return {p.x - origin.x, p.y - origin.y};
}

SIZE windowSizeForClient(HWND, SIZE client) { return client; }

RECT monitorWorkArea(HWND hwnd) {
  QWidget* widget = widgetOf(hwnd);
  QScreen* screen = widget ? widget->screen() : QGuiApplication::primaryScreen();
  if (!screen) return {};
  return fromQRect(screen->availableGeometry());
}

RECT workAreaNearest(const RECT& rect) {
  const QRect wanted = toQRect(rect);
  QScreen* best = nullptr;
  int64_t bestShown = 0;
  int64_t bestDistance = std::numeric_limits<int64_t>::max();
  for (QScreen* screen : QGuiApplication::screens()) {
    const QRect area = screen->geometry();
    const QRect shown = area.intersected(wanted);
    const int64_t shownArea = shown.isEmpty() ? 0 : int64_t{shown.width()} * shown.height();
    const int64_t dx = std::max({0, area.left() - wanted.right(), wanted.left() - area.right()});
    const int64_t dy = std::max({0, area.top() - wanted.bottom(), wanted.top() - area.bottom()});
    const int64_t distance = dx * dx + dy * dy;
    if (shownArea > bestShown || (bestShown == 0 && shownArea == 0 && distance < bestDistance)) {
      best = screen;
      bestShown = shownArea;
      bestDistance = distance;
    }
  }
  if (!best) best = QGuiApplication::primaryScreen();
  return best ? fromQRect(best->availableGeometry()) : RECT{};
}

bool frameKnown(HWND hwnd) {
  QWidget* widget = widgetOf(hwnd);
  return widget && widget->isWindow() && widget->isVisible() && widget->frameGeometry() != widget->geometry();
}

bool keepFrameInside(HWND hwnd, const RECT& area) {
  QWidget* widget = widgetOf(hwnd);
  if (!widget || !widget->isWindow() || area.isEmpty()) return false;
  const QRect frame = widget->frameGeometry();
  const QRect client = widget->geometry();
  const int left = client.left() - frame.left();
  const int top = client.top() - frame.top();
  const int right = frame.right() - client.right();
  const int bottom = frame.bottom() - client.bottom();
  // The client rectangle that keeps the frame inside: no larger than the area less the frame.
  QRect wanted = client;
  wanted.setWidth(std::min(client.width(), area.width() - left - right));
  wanted.setHeight(std::min(client.height(), area.height() - top - bottom));
  if (wanted.right() + right > area.right - 1) wanted.moveRight(area.right - 1 - right);
  if (wanted.bottom() + bottom > area.bottom - 1) wanted.moveBottom(area.bottom - 1 - bottom);
  if (wanted.left() - left < area.left) wanted.moveLeft(area.left + left);
  if (wanted.top() - top < area.top) wanted.moveTop(area.top + top);
  if (wanted == client) return false;
  widget->setGeometry(wanted);
  return true;
}

bool beginSystemResize(HWND hwnd, unsigned sides) {
  QWidget* widget = widgetOf(hwnd);
  QWindow* window = widget && widget->isWindow() ? widget->windowHandle() : nullptr;
  if (!window) return false;
  Qt::Edges edges;
  if (sides & kSideLeft) edges |= Qt::LeftEdge;
  if (sides & kSideTop) edges |= Qt::TopEdge;
  if (sides & kSideRight) edges |= Qt::RightEdge;
  if (sides & kSideBottom) edges |= Qt::BottomEdge;
  return edges && window->startSystemResize(edges);
}

bool getWindowPlacement(HWND hwnd, RECT& normal, bool& maximized) {
  QWidget* widget = widgetOf(hwnd);
  if (!widget || !widget->isWindow()) return false;
  normal = fromQRect(widget->normalGeometry().isValid() ? widget->normalGeometry() : widget->geometry());
  maximized = widget->isMaximized();
  return true;
}

bool setWindowPlacement(HWND hwnd, const RECT& normal, int showCommand) {
  QWidget* widget = widgetOf(hwnd);
  if (!widget || !widget->isWindow() || normal.isEmpty()) return false;
  if (widget->isMaximized()) widget->setWindowState(widget->windowState() & ~Qt::WindowMaximized);
  widget->setGeometry(toQRect(normal));
  switch (showCommand) {
    case SW_HIDE: widget->hide(); break;
    case SW_SHOWMAXIMIZED: widget->setWindowState(widget->windowState() | Qt::WindowMaximized); break;
    case SW_SHOWMINIMIZED: widget->setWindowState(widget->windowState() | Qt::WindowMinimized); break;
    default: break;
  }
  return true;
}

// ---- state

bool showWindow(HWND hwnd, int command) {
  QWidget* widget = widgetOf(hwnd);
  if (!widget) return false;
  bool wasVisible = widget->isVisible();
  switch (command) {
    case SW_HIDE: widget->hide(); break;
    case SW_SHOWNOACTIVATE:
      widget->setAttribute(Qt::WA_ShowWithoutActivating, true);
      widget->show();
      widget->setAttribute(Qt::WA_ShowWithoutActivating, false);
      break;
    case SW_SHOWMAXIMIZED: widget->showMaximized(); break;
    case SW_SHOWMINIMIZED: widget->showMinimized(); break;
    case SW_RESTORE: widget->showNormal(); break;
    default:
      widget->show();
      if (widget->isWindow()) widget->activateWindow();
      break;
  }
  return wasVisible;
}

bool isWindowVisible(HWND hwnd) {
  QWidget* widget = widgetOf(hwnd);
  return widget && widget->isVisible();
}

bool enableWindow(HWND hwnd, bool enable) {
  olWindowRecord* record = windowRecord(hwnd);
  if (!record) return false;
  bool wasDisabled = !isWindowEnabled(hwnd);
  if (record->widget->isWindow()) {
    // A disabled top-level window only stops taking input; its children keep their looks,
    // as they do while a modal dialog or a compare holds the program.
    record->disabledTopLevel = !enable;
    if (wasDisabled == enable) callProcedure(hwnd, WM_ENABLE, enable ? 1 : 0, 0);
  } else {
    record->widget->setEnabled(enable);
  }
  return wasDisabled;
}

bool isWindowEnabled(HWND hwnd) {
  olWindowRecord* record = windowRecord(hwnd);
  if (!record) return false;
  if (record->widget->isWindow()) return !record->disabledTopLevel;
  return record->widget->isEnabled();
}

bool isIconic(HWND hwnd) {
  QWidget* widget = widgetOf(hwnd);
  return widget && widget->isMinimized();
}

bool isZoomed(HWND hwnd) {
  QWidget* widget = widgetOf(hwnd);
  return widget && widget->isMaximized();
}

HWND setFocus(HWND hwnd) {
  HWND previous = getFocus();
  if (QWidget* widget = widgetOf(hwnd)) widget->setFocus(Qt::OtherFocusReason);
  return previous;
}

HWND getFocus() { return nearestHandle(QApplication::focusWidget()); }

HWND getActiveWindow() { return handleOf(QApplication::activeWindow()); }

bool setActiveWindow(HWND hwnd) {
  QWidget* widget = widgetOf(hwnd);
  if (!widget) return false;
  widget->activateWindow();
  return true;
}

void invalidateRect(HWND hwnd, const RECT* rect) {
  QWidget* widget = widgetOf(hwnd);
  if (!widget) return;
  if (rect) widget->update(toQRect(*rect));
  else widget->update();
}

void updateWindow(HWND hwnd) {
  QWidget* widget = widgetOf(hwnd);
  if (widget && widget->isVisible()) widget->repaint();
}

void dragAcceptFiles(HWND hwnd, bool accept) {
  uint32_t ex = getExStyle(hwnd);
  setExStyle(hwnd, accept ? (ex | WS_EX_ACCEPTFILES) : (ex & ~WS_EX_ACCEPTFILES));
}

SIZE preferredSize(HWND hwnd) {
  QWidget* widget = widgetOf(hwnd);
  if (!widget) return {};
  QSize hint = widget->sizeHint();
  return {hint.width(), hint.height()};
}

int smallIconSize() { return 16; }
int largeIconSize() { return 32; }

bool trackMouseHover(HWND hwnd) {
  QWidget* widget = widgetOf(hwnd);
  if (!widget) return false;
  widget->setMouseTracking(true);
  return true;
}

void setWindowCursor(HWND hwnd, olCursor cursor) {
  QWidget* widget = widgetOf(hwnd);
  if (!widget) return;
  static const Qt::CursorShape shapes[] = {Qt::ArrowCursor,   Qt::PointingHandCursor, Qt::SplitHCursor,
                                           Qt::SplitVCursor, Qt::IBeamCursor,        Qt::WaitCursor};
  widget->setCursor(shapes[static_cast<int>(cursor)]);
}


unsigned currentKeyModifiers() { return modifierBits(QGuiApplication::queryKeyboardModifiers()); }
