// The event bridge: one event filter per bound widget that turns Qt events into messages
// and hands them to the window's procedure, as the shared window procedure would receive
// them from the window system.
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPaintEvent>
#include <QSysInfo>
#include <QUrl>

#include <string>
#include <string_view>
#include <vector>

#include "toolkit/WindowInternal.h"

namespace {

// A Qt event being delivered as a message. Default processing of that message marks it,
// and Qt then carries on with the event as if nobody had looked at it.
struct EventFrame {
  HWND hwnd;
  UINT message;
  QEvent* event;
  bool passToQt;
};
thread_local std::vector<EventFrame*> t_frames;
QPointer<QWidget> g_captureWidget;
// The window that tracks hover and last saw the mouse; it hears WM_MOUSELEAVE once the
// mouse is elsewhere.
HWND g_hoverWindow = nullptr;

void leaveHover() {
  const HWND left = g_hoverWindow;
  g_hoverWindow = nullptr;
  if (isWindow(left)) sendMessage(left, WM_MOUSELEAVE);
}

// Delivers a message for a Qt event; true when Qt should go on with the event itself.
bool deliver(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, QEvent* event) {
  EventFrame frame{hwnd, message, event, false};
  t_frames.push_back(&frame);
  callProcedure(hwnd, message, wParam, lParam);
  t_frames.pop_back();
  return frame.passToQt;
}

WPARAM mouseKeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  WPARAM state = 0;
  if (buttons & Qt::LeftButton) state |= MK_LBUTTON;
  if (buttons & Qt::RightButton) state |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) state |= MK_MBUTTON;
  if (modifiers & Qt::ShiftModifier) state |= MK_SHIFT;
  if (modifiers & Qt::ControlModifier) state |= MK_CONTROL;
  return state;
}

UINT mouseMessage(QEvent::Type type, Qt::MouseButton button) {
  const bool down = type == QEvent::MouseButtonPress;
  const bool doubleClick = type == QEvent::MouseButtonDblClick;
  switch (button) {
    case Qt::LeftButton: return doubleClick ? WM_LBUTTONDBLCLK : down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    case Qt::RightButton: return doubleClick ? WM_RBUTTONDBLCLK : down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    case Qt::MiddleButton: return doubleClick ? WM_MBUTTONDBLCLK : down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
    default: return 0;
  }
}

// The auto-repeat bit of a key message's lParam, and its repeat count of one.
constexpr LPARAM kKeyRepeatCount = 1;
constexpr LPARAM kKeyAutoRepeat = LPARAM(1) << 30;

POINT toPoint(QPoint p) { return {p.x(), p.y()}; }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The bytes a percent-encoded URL part stands for.
std::string percentDecoded(std::string_view text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = hexValue(text[i + 1]);
      const int low = hexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        bytes.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    bytes.push_back(text[i]);
  }
  return bytes;
}

// The path of a file URL on this machine, as its bytes say; false for any other URL.
bool localPathOf(std::string_view uri, std::string& path) {
  constexpr std::string_view kScheme = "file:";
  if (uri.size() < kScheme.size() || QByteArray(uri.data(), kScheme.size()).toLower() != kScheme.data()) return false;
  uri.remove_prefix(kScheme.size());
  if (uri.starts_with("//")) {
    uri.remove_prefix(2);
    const size_t slash = uri.find('/');
    if (slash == std::string_view::npos) return false;
    const QString host = QString::fromUtf8(uri.data(), static_cast<qsizetype>(slash));
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0 &&
        host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) != 0)
      return false;  // a file of another machine
    uri.remove_prefix(slash);
  }
  uri = uri.substr(0, uri.find_first_of("?#"));
  if (uri.empty() || uri.front() != '/') return false;
  path = percentDecoded(uri);
  return path.find('\0') == std::string::npos;  // no name holds a NUL
}

// The local paths of a drop, decoded from the bytes of its file URLs: a name that is not
// UTF-8 keeps its bytes, which Qt's own decoding would replace. Other URLs are left out.
std::vector<olstring> droppedPaths(const QMimeData& data) {
  QByteArray list = data.data(QStringLiteral("text/uri-list"));
  if (list.isEmpty()) {
    for (const QUrl& url : data.urls()) list += url.toEncoded() + "\r\n";
  }
  std::vector<olstring> paths;
  for (const QByteArray& rawLine : list.split('\n')) {
    const QByteArray line = rawLine.trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;
    std::string path;
    if (localPathOf(std::string_view(line.constData(), static_cast<size_t>(line.size())), path))
      paths.push_back(fromUtf8(path));
  }
  return paths;
}

bool keyEvent(HWND hwnd, QKeyEvent* key) {
  const MSG msg = inputMessage(hwnd, key);
  QPointer<QWidget> alive = widgetOf(hwnd);
  bool passOn = deliver(hwnd, msg.message, msg.wParam, msg.lParam, key);
  if (msg.message == WM_KEYDOWN && passOn && alive) {
    for (QChar c : key->text()) {
      if (!alive || !deliver(hwnd, WM_CHAR, c.unicode(), msg.lParam, key)) return true;
    }
  }
  return !passOn || !alive;
}

bool mouseEvent(HWND hwnd, QWidget* widget, QMouseEvent* mouse) {
  const MSG msg = inputMessage(hwnd, mouse);
  if (!msg.message) return false;
  if (mouse->type() == QEvent::MouseButtonPress) g_captureWidget = widget;
  if (mouse->type() == QEvent::MouseButtonRelease && !mouse->buttons()) g_captureWidget = nullptr;
  return !deliver(hwnd, msg.message, msg.wParam, msg.lParam, mouse);
}

bool contextMenuEvent(HWND hwnd, QContextMenuEvent* menu) {
  // A menu asked for from the keyboard has no point: (-1, -1) says so.
  const LPARAM at = menu->reason() == QContextMenuEvent::Keyboard
                        ? MAKELPARAM(-1, -1)
                        : MAKELPARAM(menu->globalPos().x(), menu->globalPos().y());
  return !deliver(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), at, menu);
}

// The window that takes files dropped on hwnd: hwnd itself or the nearest of its parents
// that accepts files, within its top-level window. nullptr when none does.
HWND dropTarget(HWND hwnd) {
  for (HWND up = hwnd; up; up = isTopLevel(up) ? nullptr : getParent(up))
    if (getExStyle(up) & WS_EX_ACCEPTFILES) return up;
  return nullptr;
}

// Files are dragged: they go to the window that accepts them, never into a control as
// text. Other drags (text between edits) are Qt's.
bool dragEvent(HWND hwnd, QDragMoveEvent* drag) {
  if (!drag->mimeData()->hasUrls()) return false;
  if (dropTarget(hwnd)) drag->acceptProposedAction();
  else drag->ignore();
  return true;
}

bool dropEvent(HWND hwnd, QWidget* widget, QDropEvent* drop) {
  if (!drop->mimeData()->hasUrls()) return false;
  const HWND target = dropTarget(hwnd);
  if (!target) {
    drop->ignore();
    return true;
  }
  olDropFiles files;
  files.paths = droppedPaths(*drop->mimeData());
  files.point = toPoint(widget->mapTo(widgetOf(target), drop->position().toPoint()));
  drop->acceptProposedAction();
  callProcedure(target, WM_DROPFILES, reinterpret_cast<WPARAM>(&files), 0);
  return true;
}

bool resizeEvent(HWND hwnd, QWidget* widget, QResizeEvent* resize) {
  const WPARAM kind = widget->isMaximized() ? SIZE_MAXIMIZED : widget->isMinimized() ? SIZE_MINIMIZED : SIZE_RESTORED;
  callProcedure(hwnd, WM_SIZE, kind, MAKELPARAM(resize->size().width(), resize->size().height()));
  return false;
}

// Tells the window and lets Qt go on.
bool notify(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  callProcedure(hwnd, message, wParam, lParam);
  return false;
}

// The one event filter of every toolkit widget: plays the shared window procedure.
class EventBridge : public QObject {
public:
  bool eventFilter(QObject* object, QEvent* event) override {
    auto* widget = static_cast<QWidget*>(object);
    HWND hwnd = handleOf(widget);
    if (!hwnd) return false;
    switch (event->type()) {
      case QEvent::Paint: return !deliver(hwnd, WM_PAINT, 0, 0, event);
      case QEvent::Close: return closeEvent(hwnd, event);
      case QEvent::Resize: return resizeEvent(hwnd, widget, static_cast<QResizeEvent*>(event));
      case QEvent::Move: return notify(hwnd, WM_MOVE, 0, MAKELPARAM(widget->x(), widget->y()));
      case QEvent::Show: return notify(hwnd, WM_SHOWWINDOW, 1);
      case QEvent::Hide: return notify(hwnd, WM_SHOWWINDOW, 0);
      case QEvent::FocusIn: return notify(hwnd, WM_SETFOCUS);
      case QEvent::FocusOut: return notify(hwnd, WM_KILLFOCUS);
      case QEvent::EnabledChange: return notify(hwnd, WM_ENABLE, widget->isEnabled() ? 1 : 0);
      case QEvent::Leave:
        if (hwnd == g_hoverWindow) leaveHover();
        return false;
      case QEvent::WindowActivate: return notify(hwnd, WM_ACTIVATE, 1);
      case QEvent::WindowDeactivate: return notify(hwnd, WM_ACTIVATE, 0);
      case QEvent::KeyPress:
      case QEvent::KeyRelease: return keyEvent(hwnd, static_cast<QKeyEvent*>(event));
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove: return mouseEvent(hwnd, widget, static_cast<QMouseEvent*>(event));
      case QEvent::Wheel: {
        const MSG msg = inputMessage(hwnd, event);
        return !deliver(hwnd, msg.message, msg.wParam, msg.lParam, event);
      }
      case QEvent::ContextMenu: return contextMenuEvent(hwnd, static_cast<QContextMenuEvent*>(event));
      case QEvent::DragEnter:
      case QEvent::DragMove: return dragEvent(hwnd, static_cast<QDragMoveEvent*>(event));
      case QEvent::Drop: return dropEvent(hwnd, widget, static_cast<QDropEvent*>(event));
      default: return false;
    }
  }

private:
  static bool closeEvent(HWND hwnd, QEvent* event) {
    // The window system decides: a close box only asks, WM_CLOSE's default destroys.
    callProcedure(hwnd, WM_CLOSE, 0, 0);
    event->ignore();
    return true;
  }
};

EventBridge& bridge() {
  static EventBridge* instance = new EventBridge;  // lives as long as the Qt objects it filters
  return *instance;
}

}  // namespace

void installBridge(HWND hwnd) {
  olWindowRecord* record = windowRecord(hwnd);
  if (!record || record->bridged) return;
  record->bridged = true;
  record->widget->installEventFilter(&bridge());
}

void removeBridge(QWidget* widget) { widget->removeEventFilter(&bridge()); }

bool isQueuedInput(const QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel: return true;
    default: return false;
  }
}

MSG inputMessage(HWND hwnd, const QEvent* event) {
  MSG msg;
  msg.hwnd = hwnd;
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* key = static_cast<const QKeyEvent*>(event);
      const bool alt = key->modifiers() & Qt::AltModifier;
      const bool down = event->type() == QEvent::KeyPress;
      msg.message = down ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
      msg.wParam = virtualKeyOf(*key);
      msg.lParam = kKeyRepeatCount | (key->isAutoRepeat() ? kKeyAutoRepeat : 0);
      msg.keyModifiers = modifierBits(key->modifiers());
      break;
    }
    case QEvent::Wheel: {
      auto* wheel = static_cast<const QWheelEvent*>(event);
      const QPoint global = wheel->globalPosition().toPoint();
      msg.message = WM_MOUSEWHEEL;
      msg.wParam = MAKEWPARAM(mouseKeyState(wheel->buttons(), wheel->modifiers()), wheel->angleDelta().y());
      msg.lParam = MAKELPARAM(global.x(), global.y());
      msg.pt = toPoint(global);
      msg.keyModifiers = modifierBits(wheel->modifiers());
      break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
      auto* mouse = static_cast<const QMouseEvent*>(event);
      const QPoint at = mouse->position().toPoint();
      msg.message = event->type() == QEvent::MouseMove ? WM_MOUSEMOVE : mouseMessage(event->type(), mouse->button());
      msg.wParam = mouseKeyState(mouse->buttons(), mouse->modifiers());
      msg.lParam = MAKELPARAM(at.x(), at.y());
      msg.pt = toPoint(mouse->globalPosition().toPoint());
      msg.keyModifiers = modifierBits(mouse->modifiers());
      break;
    }
    default: break;
  }
  return msg;
}

bool passEventToQt(HWND hwnd, UINT message) {
  if (t_frames.empty() || t_frames.back()->hwnd != hwnd || t_frames.back()->message != message) return false;
  t_frames.back()->passToQt = true;
  return true;
}

QPaintEvent* currentPaintEvent(HWND hwnd) {
  for (auto it = t_frames.rbegin(); it != t_frames.rend(); ++it)
    if ((*it)->hwnd == hwnd && (*it)->message == WM_PAINT) return static_cast<QPaintEvent*>((*it)->event);
  return nullptr;
}

void noteMouseOver(HWND hwnd) {
  if (hwnd == g_hoverWindow) return;
  leaveHover();
  QWidget* widget = widgetOf(hwnd);
  if (widget && widget->hasMouseTracking()) g_hoverWindow = hwnd;
}

void forgetMouse(HWND hwnd) {
  if (g_captureWidget && handleOf(g_captureWidget) == hwnd) g_captureWidget = nullptr;
  if (g_hoverWindow == hwnd) g_hoverWindow = nullptr;
}

HWND getCapture() { return handleOf(g_captureWidget.data()); }

unsigned messageKeyModifiers() {
  for (auto it = t_frames.rbegin(); it != t_frames.rend(); ++it) {
    const QEvent* event = (*it)->event;
    if (event && isQueuedInput(event)) return modifierBits(static_cast<const QInputEvent*>(event)->modifiers());
  }
  return currentKeyModifiers();
}
