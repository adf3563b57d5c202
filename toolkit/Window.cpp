// The window core on Qt widgets: handle records, the event bridge that turns Qt events into
// messages, the shared window procedure with its reflection of notifications, and the
// window operations.
#include "toolkit/Window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPaintEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QUrl>
#include <QWindow>

#include <cstdio>
#include <unordered_map>

#include "toolkit/WindowInternal.h"

olWnd* g_waitingObject = nullptr;

namespace {

// Handles are plain numbers that are never reused.
uintptr_t g_nextHandle = 0x10000;
std::unordered_map<HWND, olWindowRecord>& records() {
  static std::unordered_map<HWND, olWindowRecord> map;
  return map;
}
QHash<const QWidget*, HWND>& handlesByWidget() {
  static QHash<const QWidget*, HWND> map;
  return map;
}

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

LRESULT callProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  olWindowRecord* record = windowRecord(hwnd);
  if (!record) return 0;
  WNDPROC procedure = record->procedure ? record->procedure : defWindowProc;
  return procedure(hwnd, message, wParam, lParam);
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

// The one event filter of every toolkit widget: plays the shared window procedure.
class EventBridge : public QObject {
public:
  bool eventFilter(QObject* object, QEvent* event) override {
    auto* widget = static_cast<QWidget*>(object);
    HWND hwnd = handleOf(widget, false);
    if (!hwnd) return false;
    switch (event->type()) {
      case QEvent::Paint: return !deliver(hwnd, WM_PAINT, 0, 0, event);
      case QEvent::Close:
        // The window system decides: a close box only asks, WM_CLOSE's default destroys.
        callProcedure(hwnd, WM_CLOSE, 0, 0);
        event->ignore();
        return true;
      case QEvent::Resize: {
        auto* resize = static_cast<QResizeEvent*>(event);
        WPARAM kind = widget->isMaximized() ? SIZE_MAXIMIZED : widget->isMinimized() ? SIZE_MINIMIZED : SIZE_RESTORED;
        callProcedure(hwnd, WM_SIZE, kind, MAKELPARAM(resize->size().width(), resize->size().height()));
        return false;
      }
      case QEvent::Move: callProcedure(hwnd, WM_MOVE, 0, MAKELPARAM(widget->x(), widget->y())); return false;
      case QEvent::Show: callProcedure(hwnd, WM_SHOWWINDOW, 1, 0); return false;
      case QEvent::Hide: callProcedure(hwnd, WM_SHOWWINDOW, 0, 0); return false;
      case QEvent::FocusIn: callProcedure(hwnd, WM_SETFOCUS, 0, 0); return false;
      case QEvent::FocusOut: callProcedure(hwnd, WM_KILLFOCUS, 0, 0); return false;
      case QEvent::EnabledChange: callProcedure(hwnd, WM_ENABLE, widget->isEnabled() ? 1 : 0, 0); return false;
      case QEvent::Leave: callProcedure(hwnd, WM_MOUSELEAVE, 0, 0); return false;
      case QEvent::WindowActivate: callProcedure(hwnd, WM_ACTIVATE, 1, 0); return false;
      case QEvent::WindowDeactivate: callProcedure(hwnd, WM_ACTIVATE, 0, 0); return false;
      case QEvent::KeyPress:
      case QEvent::KeyRelease: return keyEvent(hwnd, static_cast<QKeyEvent*>(event));
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove: return mouseEvent(hwnd, widget, static_cast<QMouseEvent*>(event));
      case QEvent::Wheel: {
        auto* wheel = static_cast<QWheelEvent*>(event);
        QPoint global = wheel->globalPosition().toPoint();
        WPARAM w = MAKEWPARAM(mouseKeyState(wheel->buttons(), wheel->modifiers()), wheel->angleDelta().y());
        return !deliver(hwnd, WM_MOUSEWHEEL, w, MAKELPARAM(global.x(), global.y()), event);
      }
      case QEvent::ContextMenu: {
        auto* menu = static_cast<QContextMenuEvent*>(event);
        LPARAM at = menu->reason() == QContextMenuEvent::Keyboard ? MAKELPARAM(-1, -1)
                                                                 : MAKELPARAM(menu->globalPos().x(), menu->globalPos().y());
        return !deliver(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), at, event);
      }
      case QEvent::DragEnter: {
        auto* drag = static_cast<QDragEnterEvent*>(event);
        olWindowRecord* record = windowRecord(hwnd);
        if (record && (record->exStyle & WS_EX_ACCEPTFILES) && drag->mimeData()->hasUrls()) {
          drag->acceptProposedAction();
          return true;
        }
        return false;
      }
      case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        olWindowRecord* record = windowRecord(hwnd);
        if (!record || !(record->exStyle & WS_EX_ACCEPTFILES)) return false;
        olDropFiles files;
        for (const QUrl& url : drop->mimeData()->urls())
          if (url.isLocalFile()) files.paths.push_back(fromQString(url.toLocalFile()));
        files.point = {drop->position().toPoint().x(), drop->position().toPoint().y()};
        drop->acceptProposedAction();
        callProcedure(hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(&files), 0);
        return true;
      }
      default: return false;
    }
  }

private:
  static bool keyEvent(HWND hwnd, QKeyEvent* key) {
    const bool down = key->type() == QEvent::KeyPress;
    const bool alt = key->modifiers() & Qt::AltModifier;
    UINT message = down ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
    LPARAM flags = 1 | (key->isAutoRepeat() ? (1 << 30) : 0);
    QPointer<QWidget> alive = widgetOf(hwnd);
    bool passOn = deliver(hwnd, message, virtualKeyOf(key->key()), flags, key);
    if (down && !alt && passOn && alive) {
      for (QChar c : key->text()) {
        if (!alive || !deliver(hwnd, WM_CHAR, c.unicode(), flags, key)) return true;
      }
    }
    return !passOn || !alive;
  }

  static bool mouseEvent(HWND hwnd, QWidget* widget, QMouseEvent* mouse) {
    UINT message = mouse->type() == QEvent::MouseMove ? WM_MOUSEMOVE : mouseMessage(mouse->type(), mouse->button());
    if (!message) return false;
    if (mouse->type() == QEvent::MouseButtonPress) g_captureWidget = widget;
    if (mouse->type() == QEvent::MouseButtonRelease && !mouse->buttons()) g_captureWidget = nullptr;
    QPoint at = mouse->position().toPoint();
    return !deliver(hwnd, message, mouseKeyState(mouse->buttons(), mouse->modifiers()), MAKELPARAM(at.x(), at.y()),
                    mouse);
  }
};

EventBridge& bridge() {
  static EventBridge* instance = new EventBridge;  // lives as long as the Qt objects it filters
  return *instance;
}

void forgetHandle(HWND hwnd) {
  auto found = records().find(hwnd);
  if (found == records().end()) return;
  timersForgetWindow(hwnd);
  deleteFontObject(found->second.ownedFont);
  if (QWidget* widget = found->second.widget) {
    widget->removeEventFilter(&bridge());
    handlesByWidget().remove(widget);
  }
  records().erase(found);
}

// The window kinds the toolkit can make.
enum class Kind { generic, dialog, button, edit, label, listBox, scrollBar, comboBox, progress };

struct ClassEntry {
  olWndClass description;
  Kind kind;
  ATOM atom;
};
olstrmap<ClassEntry>& classes() {
  static olstrmap<ClassEntry> map = [] {
    olstrmap<ClassEntry> m;
    auto add = [&m](const char16_t* name, Kind kind, ATOM atom) {
      olWndClass c;
      c.name = name;
      m[name] = {c, kind, atom};
    };
    add(u"Button", Kind::button, 0x80);
    add(u"Edit", Kind::edit, 0x81);
    add(u"Static", Kind::label, 0x82);
    add(u"ListBox", Kind::listBox, 0x83);
    add(u"ScrollBar", Kind::scrollBar, 0x84);
    add(u"ComboBox", Kind::comboBox, 0x85);
    add(u"msctls_progress32", Kind::progress, 0x90);
    add(u"#32770", Kind::dialog, 0x8002);
    return m;
  }();
  return map;
}
ATOM g_nextAtom = 0xC100;

const ClassEntry* findClass(olstring_view name) {
  auto found = classes().find(name);
  return found == classes().end() ? nullptr : &found->second;
}

void notifyParent(HWND control, UINT code) {
  HWND parent = getParent(control);
  if (parent) sendMessage(parent, WM_COMMAND, MAKEWPARAM(getDlgCtrlID(control), code), reinterpret_cast<LPARAM>(control));
}

QWidget* makeWidget(Kind kind, uint32_t style, QWidget* parent, bool child) {
  if (!child) {
    auto* window = new QWidget(parent, parent ? Qt::Dialog : Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    return window;
  }
  switch (kind) {
    case Kind::button:
      switch (style & BS_TYPEMASK) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX: return new QCheckBox(parent);
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: return new QRadioButton(parent);
        case BS_GROUPBOX: return new QGroupBox(parent);
        default: {
          auto* button = new QPushButton(parent);
          button->setAutoDefault(false);
          return button;
        }
      }
    case Kind::edit: {
      auto* edit = new QLineEdit(parent);
      if (style & ES_PASSWORD) edit->setEchoMode(QLineEdit::Password);
      edit->setReadOnly(style & ES_READONLY);
      return edit;
    }
    case Kind::label: {
      auto* label = new QLabel(parent);
      label->setAlignment((style & 3) == SS_CENTER ? Qt::AlignHCenter : (style & 3) == SS_RIGHT ? Qt::AlignRight : Qt::AlignLeft);
      label->setWordWrap(true);
      return label;
    }
    case Kind::listBox: return new QListWidget(parent);
    case Kind::scrollBar: return new QScrollBar(Qt::Vertical, parent);
    case Kind::comboBox: return new QComboBox(parent);
    default: return new QWidget(parent);
  }
}

void connectNotifications(QWidget* widget, HWND hwnd, uint32_t style) {
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    // A plain check box does not change itself on Windows; only the automatic one does.
    if ((style & BS_TYPEMASK) == BS_CHECKBOX || (style & BS_TYPEMASK) == BS_RADIOBUTTON) {
      QObject::connect(button, &QAbstractButton::clicked, button, [button](bool) {
        button->setChecked(!button->isChecked());
      });
    }
    QObject::connect(button, &QAbstractButton::clicked, button, [hwnd] { notifyParent(hwnd, BN_CLICKED); });
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    QObject::connect(edit, &QLineEdit::textChanged, edit, [hwnd] { notifyParent(hwnd, EN_CHANGE); });
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    QObject::connect(combo, &QComboBox::activated, combo, [hwnd] { notifyParent(hwnd, CBN_SELCHANGE); });
  } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
    if (style & LBS_NOTIFY)
      QObject::connect(list, &QListWidget::currentRowChanged, list, [hwnd] { notifyParent(hwnd, LBN_SELCHANGE); });
  }
}

void collectDescendants(QWidget* widget, std::vector<HWND>& out) {
  for (QObject* object : widget->children()) {
    auto* child = qobject_cast<QWidget*>(object);
    if (!child) continue;
    if (HWND h = handleOf(child, false)) out.push_back(h);
    collectDescendants(child, out);
  }
}

}  // namespace

// ---- records and conversions

olWindowRecord* windowRecord(HWND hwnd) {
  if (!hwnd) return nullptr;
  auto found = records().find(hwnd);
  if (found == records().end() || !found->second.widget) return nullptr;
  return &found->second;
}

QWidget* widgetOf(HWND hwnd) {
  olWindowRecord* record = windowRecord(hwnd);
  return record ? record->widget.data() : nullptr;
}

HWND handleOf(const QWidget* widget, bool create) {
  if (!widget) return nullptr;
  if (HWND h = handlesByWidget().value(widget, nullptr)) return h;
  if (!create) return nullptr;
  QWidget* w = const_cast<QWidget*>(widget);
  return registerWidget(w, fromQString(QString::fromLatin1(w->metaObject()->className())),
                        (w->isWindow() ? WS_POPUP : WS_CHILD), 0, 0, nullptr, false);
}

void ensureBridge(HWND hwnd) {
  olWindowRecord* record = windowRecord(hwnd);
  if (!record || record->bridged) return;
  record->bridged = true;
  record->widget->installEventFilter(&bridge());
}

HWND registerWidget(QWidget* widget, const olstring& className, uint32_t style, uint32_t exStyle, int id, HWND owner,
                    bool bridged) {
  HWND hwnd = reinterpret_cast<HWND>(g_nextHandle);
  g_nextHandle += 4;
  olWindowRecord record;
  record.widget = widget;
  record.className = className;
  record.style = style & ~(WS_VISIBLE | WS_DISABLED);
  record.exStyle = exStyle;
  record.id = id;
  record.owner = owner;
  record.procedure = defWindowProc;
  record.bridged = bridged;
  records()[hwnd] = record;
  handlesByWidget().insert(widget, hwnd);
  if (bridged) widget->installEventFilter(&bridge());
  QObject::connect(widget, &QObject::destroyed, [hwnd] {
    // Qt took the widget away (its parent went): the object learns it as usual.
    if (records().count(hwnd)) {
      if (olWnd* object = olWndMap::instance().find(hwnd)) object->unbind(false);
      forgetHandle(hwnd);
    }
  });
  return hwnd;
}

QString toQString(olstring_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}
olstring fromQString(const QString& text) {
  return olstring(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
}

struct olFontObject {
  QFont font;
};
HFONT createFontObject(const QFont& font) { return new olFontObject{font}; }
void deleteFontObject(HFONT font) { delete font; }
QFont qfontOf(HFONT font) { return font ? font->font : QApplication::font(); }

QPaintEvent* currentPaintEvent(HWND hwnd) {
  for (auto it = t_frames.rbegin(); it != t_frames.rend(); ++it)
    if ((*it)->hwnd == hwnd && (*it)->message == WM_PAINT) return static_cast<QPaintEvent*>((*it)->event);
  return nullptr;
}

unsigned modifierBits(Qt::KeyboardModifiers modifiers) {
  unsigned bits = 0;
  if (modifiers & Qt::ControlModifier) bits |= kModCtrl;
  if (modifiers & Qt::ShiftModifier) bits |= kModShift;
  if (modifiers & Qt::AltModifier) bits |= kModAlt;
  return bits;
}

unsigned virtualKeyOf(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<unsigned>(key);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<unsigned>(key);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + static_cast<unsigned>(key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Menu: return VK_APPS;
    default: return key < 0x80 ? static_cast<unsigned>(QChar(key).toUpper().unicode()) : 0;
  }
}

// ---- the map and the object

olWndMap& olWndMap::instance() {
  static olWndMap map;
  return map;
}

olWnd* olWndMap::find(HWND hwnd) const {
  auto found = m_map.find(hwnd);
  return found == m_map.end() ? nullptr : found->second;
}

olWndMap::~olWndMap() {
  while (!m_map.empty()) m_map.begin()->second->unbind(false);
}

olWnd::olWnd() = default;

olWnd::~olWnd() { unbind(true); }

LRESULT olWnd::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_HELP) {
    applicationHelp();
    return 0;
  }
  return defaultProc(message, wParam, lParam);
}

LRESULT olWnd::defaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_previousProc && m_previousProc != olSharedWindowProc) return m_previousProc(m_hwnd, message, wParam, lParam);
  return defWindowProc(m_hwnd, message, wParam, lParam);
}

bool olWnd::preTranslateMessage(MSG&) { return false; }
void olWnd::onAttached() {}
bool olWnd::filterMessage(MSG&) { return false; }
void olWnd::onDrawItem(DRAWITEMSTRUCT&) { m_notHandled[0] = 1; }
void olWnd::onMeasureItem(MEASUREITEMSTRUCT&) { m_notHandled[1] = 1; }
int olWnd::onCompareItem(const COMPAREITEMSTRUCT& item) {
  m_notHandled[2] = 1;
  return item.itemData1 < item.itemData2 ? -1 : item.itemData1 > item.itemData2 ? 1 : 0;
}
bool olWnd::onNotify(NMHDR&, LRESULT& result) {
  result = 0;
  return false;
}
bool olWnd::onCommand(UINT) { return false; }
void olWnd::onCtlColor(HDC, HBRUSH&) {}

bool olWnd::attachDlgItem(HWND parent, int id) {
  if (m_hwnd) return false;
  HWND child = getDlgItem(parent, id);
  return child && attach(child);
}

bool olWnd::attach(HWND hwnd) {
  if (hwnd && hwnd == m_hwnd) return true;
  if (m_hwnd || !hwnd || !isWindow(hwnd) || olWndMap::instance().find(hwnd)) return false;
  if (auto font = reinterpret_cast<HFONT>(sendMessage(hwnd, WM_GETFONT))) m_font = font;
  ensureBridge(hwnd);
  WNDPROC current = windowProcedure(hwnd);
  if (current != olSharedWindowProc) {
    m_previousProc = current;
    setWindowProcedure(hwnd, olSharedWindowProc);
  }
  m_hwnd = hwnd;
  olWndMap::instance().m_map[hwnd] = this;
  onAttached();
  return true;
}

void olWnd::unbind(bool destroy) {
  HWND hwnd = m_hwnd;
  if (!hwnd) return;
  if (windowProcedure(hwnd) == olSharedWindowProc && m_previousProc) setWindowProcedure(hwnd, m_previousProc);
  olWndMap::instance().m_map.erase(hwnd);
  m_hwnd = nullptr;
  m_previousProc = nullptr;
  m_font = nullptr;
  m_minTrackWidth = m_minTrackHeight = 0;
  if (destroy && isWindow(hwnd)) destroyWindow(hwnd);
}

void olWnd::setMinTrackSize(int width, int height) {
  m_minTrackWidth = width;
  m_minTrackHeight = height;
}

// ---- the shared procedure

namespace {

olWnd* findDescendantObjectById(HWND parent, int id) {
  for (HWND child : childWindows(parent)) {
    if (getDlgCtrlID(child) == id)
      if (olWnd* object = olWndMap::instance().find(child)) return object;
    if (olWnd* deeper = findDescendantObjectById(child, id)) return deeper;
  }
  return nullptr;
}

// Offers a control's own notification to the control's object; true when it took it.
bool reflect(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  olWndMap& map = olWndMap::instance();
  switch (message) {
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (!item || item->CtlType == ODT_MENU) return false;
      olWnd* control = map.find(item->hwndItem);
      if (!control) return false;
      control->clearNotHandledMarks();
      control->onDrawItem(*item);
      result = 1;
      return !control->notHandledMark(0);
    }
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (!item || item->CtlType == ODT_MENU) return false;
      olWnd* control = findDescendantObjectById(hwnd, static_cast<int>(item->CtlID));
      if (!control) return false;
      control->clearNotHandledMarks();
      control->onMeasureItem(*item);
      result = 1;
      return !control->notHandledMark(1);
    }
    case WM_COMPAREITEM: {
      auto* item = reinterpret_cast<COMPAREITEMSTRUCT*>(lParam);
      olWnd* control = item ? map.find(item->hwndItem) : nullptr;
      if (!control) return false;
      control->clearNotHandledMarks();
      result = control->onCompareItem(*item);
      return !control->notHandledMark(2);
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (!header || header->idFrom == 0) return false;
      olWnd* control = map.find(header->hwndFrom);
      LRESULT r = 0;
      if (!control || !control->onNotify(*header, r)) return false;
      result = r;
      return true;
    }
    case WM_COMMAND: {
      if (lParam == 0 || LOWORD(wParam) == 0) return false;
      olWnd* control = map.find(reinterpret_cast<HWND>(lParam));
      if (!control || !control->onCommand(HIWORD(wParam))) return false;
      result = 0;
      return true;
    }
    default: return false;
  }
}

bool isControlColourMessage(UINT message) {
  return message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX || message == WM_CTLCOLORBTN ||
         message == WM_CTLCOLORSCROLLBAR || message == WM_CTLCOLORSTATIC;
}

}  // namespace

LRESULT olSharedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  olWndMap& map = olWndMap::instance();
  olWnd* object = map.find(hwnd);
  if (!object) {
    if ((message == WM_NCCREATE || message == WM_CREATE) && g_waitingObject) {
      olWnd* waiting = g_waitingObject;
      g_waitingObject = nullptr;
      waiting->attach(hwnd);
      object = map.find(hwnd);
    }
    if (!object) return defWindowProc(hwnd, message, wParam, lParam);
  }
  if (message == WM_SETFONT) {
    object->m_font = reinterpret_cast<HFONT>(wParam);
    for (HWND child : childWindows(hwnd)) sendMessage(child, WM_SETFONT, wParam, lParam);
  }
  LRESULT result = 0;
  if (!reflect(hwnd, message, wParam, lParam, result)) result = object->windowProc(message, wParam, lParam);

  if (isControlColourMessage(message)) {
    if (olWnd* control = map.find(reinterpret_cast<HWND>(lParam))) {
      auto brush = reinterpret_cast<HBRUSH>(result);
      control->onCtlColor(reinterpret_cast<HDC>(wParam), brush);
      result = reinterpret_cast<LRESULT>(brush);
    }
  } else if (message == WM_DESTROY && hwnd == mainWindowHandle()) {
    postQuitMessage(0);
  } else if (message == WM_NCDESTROY) {
    if (olWnd* bound = map.find(hwnd)) bound->unbind(false);
  }
  return result;
}

LRESULT defWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!t_frames.empty() && t_frames.back()->hwnd == hwnd && t_frames.back()->message == message) {
    t_frames.back()->passToQt = true;
    return 0;
  }
  olWindowRecord* record = windowRecord(hwnd);
  if (!record) return 0;
  QWidget* widget = record->widget;
  switch (message) {
    case WM_SETTEXT: {
      auto* text = reinterpret_cast<const char16_t*>(lParam);
      QString value = text ? QString::fromUtf16(text) : QString();
      if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setText(value);
      else if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->setText(value);
      else if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(value);
      else if (auto* group = qobject_cast<QGroupBox*>(widget)) group->setTitle(value);
      else if (widget->isWindow()) widget->setWindowTitle(value);
      else {
        widget->setProperty("olText", value);
        widget->update();
      }
      return 1;
    }
    case WM_GETTEXT: {
      // The toolkit's form: lParam points to the olstring that receives the text.
      auto* out = reinterpret_cast<olstring*>(lParam);
      QString value;
      if (auto* button = qobject_cast<QAbstractButton*>(widget)) value = button->text();
      else if (auto* edit = qobject_cast<QLineEdit*>(widget)) value = edit->text();
      else if (auto* label = qobject_cast<QLabel*>(widget)) value = label->text();
      else if (auto* group = qobject_cast<QGroupBox*>(widget)) value = group->title();
      else if (widget->isWindow()) value = widget->windowTitle();
      else value = widget->property("olText").toString();
      if (out) *out = fromQString(value);
      return value.size();
    }
    case WM_GETTEXTLENGTH: {
      olstring text;
      return defWindowProc(hwnd, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(&text));
    }
    case WM_SETFONT:
      record->font = reinterpret_cast<HFONT>(wParam);
      widget->setFont(qfontOf(record->font));
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(record->font);
    case WM_CLOSE: destroyWindow(hwnd); return 0;
    case WM_SETICON:
      if (wParam <= 1) record->icons[wParam] = reinterpret_cast<HICON>(lParam);
      return 0;
    case WM_TIMER: timersDispatch(hwnd, static_cast<UINT>(wParam)); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_NCHITTEST: return HTCLIENT;
    case WM_NEXTDLGCTL: {
      if (lParam) {
        setFocus(reinterpret_cast<HWND>(wParam));
      } else if (QWidget* focus = QApplication::focusWidget()) {
        // Moving by one tab stop: Qt's focus chain is the tab order.
        QWidget* next = wParam ? focus->previousInFocusChain() : focus->nextInFocusChain();
        while (next && next != focus && !(next->focusPolicy() & Qt::TabFocus && next->isVisible() && next->isEnabled()))
          next = wParam ? next->previousInFocusChain() : next->nextInFocusChain();
        if (next) next->setFocus(wParam ? Qt::BacktabFocusReason : Qt::TabFocusReason);
      }
      return 0;
    }
    case BM_GETCHECK:
      if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
      return 0;
    case BM_SETCHECK:
      if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setCheckable(true);
        button->setChecked(wParam == BST_CHECKED);
      }
      return 0;
    case BM_CLICK:
      if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->click();
      return 0;
    case EM_SETSEL:
      if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        auto from = static_cast<int>(wParam);
        auto to = static_cast<int>(lParam);
        if (to < 0 || to > edit->text().size()) to = static_cast<int>(edit->text().size());
        if (from < 0) edit->deselect();
        else edit->setSelection(from, to - from);
      }
      return 1;
    case EM_SETCUEBANNER:
      if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->setPlaceholderText(lParam ? QString::fromUtf16(reinterpret_cast<const char16_t*>(lParam)) : QString());
      return 1;
    case LB_ADDSTRING:
    case CB_ADDSTRING: {
      QString text = lParam ? QString::fromUtf16(reinterpret_cast<const char16_t*>(lParam)) : QString();
      if (auto* list = qobject_cast<QListWidget*>(widget)) {
        list->addItem(text);
        return list->count() - 1;
      }
      if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        combo->addItem(text);
        return combo->count() - 1;
      }
      return -1;
    }
    case LB_SETCURSEL:
    case CB_SETCURSEL:
      if (auto* list = qobject_cast<QListWidget*>(widget)) list->setCurrentRow(static_cast<int>(wParam));
      if (auto* combo = qobject_cast<QComboBox*>(widget)) combo->setCurrentIndex(static_cast<int>(wParam));
      return 0;
    case LB_GETCURSEL:
    case CB_GETCURSEL:
      if (auto* list = qobject_cast<QListWidget*>(widget)) return list->currentRow();
      if (auto* combo = qobject_cast<QComboBox*>(widget)) return combo->currentIndex();
      return -1;
    default: return 0;
  }
}

// ---- classes and creation

ATOM registerClassOnce(const olWndClass& description) {
  olstring name = description.name;
  if (name.empty()) {
    if (description.numericName == 0) return 0;
    char digits[16];
    std::snprintf(digits, sizeof digits, "%u", description.numericName);
    name = fromUtf8(digits);
  }
  if (const ClassEntry* existing = findClass(name)) return existing->atom;
  Kind kind = Kind::generic;
  if (!description.baseClass.empty()) {
    const ClassEntry* base = findClass(description.baseClass);
    if (!base) return 0;
    kind = base->kind;
  }
  ClassEntry entry{description, kind, g_nextAtom++};
  entry.description.name = name;
  classes()[name] = entry;
  return entry.atom;
}

HWND createWindowEx(uint32_t exStyle, olstring_view className, olstring_view text, uint32_t style, RECT rect,
                    HWND parent, int id) {
  const ClassEntry* entry = findClass(className);
  if (!entry) return nullptr;
  const bool child = style & WS_CHILD;
  QWidget* parentWidget = widgetOf(parent);
  if (child && !parentWidget) return nullptr;
  QWidget* widget = makeWidget(entry->kind, style, parentWidget, child);
  HWND hwnd = registerWidget(widget, entry->description.name, style, exStyle, child ? id : 0, child ? nullptr : parent);
  olWindowRecord* record = windowRecord(hwnd);
  if (entry->description.procedure) record->procedure = entry->description.procedure;
  widget->setGeometry(toQRect(rect));
  if (!child && !(style & WS_THICKFRAME)) widget->setFixedSize(rect.width(), rect.height());
  if (child) {
    bool takesInput = entry->kind != Kind::label && entry->kind != Kind::generic && entry->kind != Kind::progress;
    widget->setFocusPolicy((style & WS_TABSTOP) ? Qt::StrongFocus : takesInput ? Qt::ClickFocus : Qt::NoFocus);
  }
  if (exStyle & WS_EX_ACCEPTFILES) widget->setAcceptDrops(true);
  connectNotifications(widget, hwnd, style);
  if (!text.empty()) setWindowText(hwnd, text);
  if (callProcedure(hwnd, WM_NCCREATE, 0, 0) == -1 || callProcedure(hwnd, WM_CREATE, 0, 0) == -1) {
    destroyWindow(hwnd);
    return nullptr;
  }
  if (style & WS_DISABLED) enableWindow(hwnd, false);
  if (style & WS_VISIBLE) widget->setVisible(true);
  return hwnd;
}

bool destroyWindow(HWND hwnd) {
  QWidget* widget = widgetOf(hwnd);
  if (!widget) return false;
  std::vector<HWND> descendants;
  collectDescendants(widget, descendants);
  widget->hide();
  sendMessage(hwnd, WM_DESTROY);
  for (HWND h : descendants) sendMessage(h, WM_DESTROY);
  for (auto it = descendants.rbegin(); it != descendants.rend(); ++it) {
    sendMessage(*it, WM_NCDESTROY);
    forgetHandle(*it);
  }
  sendMessage(hwnd, WM_NCDESTROY);
  forgetHandle(hwnd);
  if (g_captureWidget == widget) g_captureWidget = nullptr;
  // A modal loop waiting on this window learns of its end with the next message.
  if (widget->isWindow()) postMessage(nullptr, WM_NULL);
  // The widget may be the one whose event is being delivered right now; Qt frees it once
  // that delivery is over. To the window system it is gone already.
  widget->deleteLater();
  return true;
}

bool isWindow(HWND hwnd) { return windowRecord(hwnd) != nullptr; }

size_t liveWindowCount() {
  size_t count = 0;
  for (const auto& [hwnd, record] : records())
    if (record.widget) ++count;
  return count;
}

// ---- messages

LRESULT sendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return callProcedure(hwnd, message, wParam, lParam);
}

namespace {
olstrmap<UINT>& registeredMessages() {
  static olstrmap<UINT> map;
  return map;
}
}  // namespace

UINT registerWindowMessage(olstring_view name) {
  if (name.empty()) return 0;
  auto& map = registeredMessages();
  auto found = map.find(name);
  if (found != map.end()) return found->second;
  UINT id = kFirstRegisteredMessage + static_cast<UINT>(map.size());
  map.emplace(olstring(name), id);
  return id;
}

UINT registeredMessage(olstring_view name) {
  auto found = registeredMessages().find(name);
  return found == registeredMessages().end() ? 0 : found->second;
}

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
  return handleOf(record->widget->parentWidget());
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
    if (HWND h = handleOf(child, false)) result.push_back(h);
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

bool moveWindow(HWND hwnd, int x, int y, int width, int height, bool repaint) {
  return setWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | (repaint ? 0 : 0));
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

HWND getFocus() { return handleOf(QApplication::focusWidget()); }

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

void setRedraw(HWND hwnd, bool redraw) {
  if (QWidget* widget = widgetOf(hwnd)) widget->setUpdatesEnabled(redraw);
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

void setWindowCursor(HWND hwnd, olCursor cursor) {
  QWidget* widget = widgetOf(hwnd);
  if (!widget) return;
  static const Qt::CursorShape shapes[] = {Qt::ArrowCursor,   Qt::PointingHandCursor, Qt::SplitHCursor,
                                           Qt::SplitVCursor, Qt::IBeamCursor,        Qt::WaitCursor};
  widget->setCursor(shapes[static_cast<int>(cursor)]);
}

HWND getCapture() { return handleOf(g_captureWidget.data(), false); }

unsigned currentKeyModifiers() { return modifierBits(QGuiApplication::queryKeyboardModifiers()); }
