// The application object and the Qt application that realises the message queue: queued
// input and posted messages pass the application's and the modal dialog's hooks here,
// before Qt dispatches them.
#include "toolkit/App.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>

#include <memory>
#include <vector>

#include "platform/Path.h"
#include "toolkit/Dialog.h"
#include "toolkit/ScrollPanel.h"
#include "toolkit/ToolTip.h"
#include "toolkit/WindowInternal.h"

namespace {

olApp* g_app = nullptr;
bool g_quitReceived = false;
int g_exitCode = 0;

const QEvent::Type kPostedMessage = static_cast<QEvent::Type>(QEvent::User + 0x31);

class PostedMessage : public QEvent {
public:
  explicit PostedMessage(const MSG& msg) : QEvent(kPostedMessage), message(msg) {}
  MSG message;
};

bool isQueuedInput(QEvent::Type type) {
  switch (type) {
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

MSG inputMessage(QWidget* widget, QEvent* event) {
  MSG msg;
  msg.hwnd = handleOf(widget);
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* key = static_cast<QKeyEvent*>(event);
      const bool alt = key->modifiers() & Qt::AltModifier;
      msg.message = event->type() == QEvent::KeyPress ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
      msg.wParam = virtualKeyOf(key->key());
      msg.lParam = 1;
      msg.keyModifiers = modifierBits(key->modifiers());
      break;
    }
    case QEvent::Wheel: {
      auto* wheel = static_cast<QWheelEvent*>(event);
      msg.message = WM_MOUSEWHEEL;
      msg.wParam = MAKEWPARAM(0, wheel->angleDelta().y());
      msg.keyModifiers = modifierBits(wheel->modifiers());
      break;
    }
    default: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      QPoint at = mouse->position().toPoint();
      msg.lParam = MAKELPARAM(at.x(), at.y());
      msg.pt = {mouse->globalPosition().toPoint().x(), mouse->globalPosition().toPoint().y()};
      msg.keyModifiers = modifierBits(mouse->modifiers());
      const bool down = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
      switch (event->type() == QEvent::MouseMove ? Qt::NoButton : mouse->button()) {
        case Qt::LeftButton: msg.message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
        case Qt::RightButton: msg.message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
        case Qt::MiddleButton: msg.message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
        default: msg.message = WM_MOUSEMOVE; break;
      }
      break;
    }
  }
  return msg;
}

// Waits of runMessageLoopUntil, innermost last.
struct Wait {
  const std::function<bool()>* done;
  QEventLoop* loop;
  size_t modalDepth;  // modal loops running when the wait began
};
std::vector<Wait>& waits() {
  static std::vector<Wait> list;
  return list;
}

void checkWaits() {
  if (waits().empty()) return;
  if (g_quitReceived || (*waits().back().done)()) waits().back().loop->exit();
}

// The application's pre-translation, then the running modal dialog's hooks. A wait that
// began inside the innermost modal loop (a compare run from the main window) offers input
// only to that dialog's navigation: its filter, where the hotkeys live, stays out of it
// until the wait is over.
bool hooksConsume(MSG& msg) {
  if (g_app && g_app->preTranslateMessage(msg)) return true;
  if (!waits().empty() && waits().back().modalDepth == modalLoopDepth()) return modalNavigationConsumes(msg);
  return modalHooksConsume(msg);
}

class GuiApplication : public QApplication {
public:
  GuiApplication(int& argc, char** argv) : QApplication(argc, argv) {}

  bool notify(QObject* receiver, QEvent* event) override {
    if (event->type() == kPostedMessage) {
      dispatchPosted(static_cast<PostedMessage*>(event)->message);
      return true;
    }
    if (!isQueuedInput(event->type()) || !receiver->isWidgetType()) return QApplication::notify(receiver, event);
    auto* widget = static_cast<QWidget*>(receiver);
    // A disabled top-level window takes no input at all; its looks stay as they are.
    if (olWindowRecord* top = windowRecord(handleOf(widget->window(), false)); top && top->disabledTopLevel) return true;
    MSG msg = inputMessage(widget, event);
    if (hooksConsume(msg)) {
      checkModalLoops();
      checkWaits();
      return true;
    }
    bool result = QApplication::notify(receiver, event);
    checkModalLoops();
    checkWaits();
    return result;
  }

private:
  static void dispatchPosted(MSG msg) {
    if (msg.message == WM_QUIT && !msg.hwnd) {
      g_quitReceived = true;
      g_exitCode = static_cast<int>(msg.wParam);
      checkModalLoops();
      for (const Wait& wait : waits()) wait.loop->exit();
      return;
    }
    if (!hooksConsume(msg) && msg.hwnd && isWindow(msg.hwnd)) sendMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    checkModalLoops();
    checkWaits();
  }
};

std::unique_ptr<GuiApplication>& guiApplication() {
  static std::unique_ptr<GuiApplication> app;
  return app;
}

// Posted messages are queued Qt events on this hidden target.
QObject* postTarget() {
  static QObject* target = nullptr;
  if (!target && QCoreApplication::instance()) target = new QObject(QCoreApplication::instance());
  return target;
}

}  // namespace

olApp::olApp() { g_app = this; }

olApp::~olApp() {
  if (g_app == this) g_app = nullptr;
}

bool olApp::preTranslateMessage(MSG&) { return false; }
void olApp::help() {}

olApp* olApp::instance() { return g_app; }

olstring olApp::appName() const {
  if (!m_appName.empty()) return m_appName;
  // The executable's own name stands in for a name nobody set.
  QString name = QCoreApplication::instance() ? QCoreApplication::applicationName() : QString();
  return fromQString(name);
}

bool olApp::startInterface(int& argc, char** argv) {
  if (QCoreApplication::instance()) return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
  guiApplication() = std::make_unique<GuiApplication>(argc, argv);
  olScrollPanel::registerClass();
  registerWindowMessage(u"WM_OLBUTTON_SPLIT");
  postTarget();
  return true;
}

void olApp::stopInterface() { guiApplication().reset(); }

bool olApp::interfaceRunning() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

bool olApp::quitReceived() { return g_quitReceived; }
int olApp::exitCode() { return g_exitCode; }
void olApp::clearQuit() {
  g_quitReceived = false;
  g_exitCode = 0;
}

bool olBaseApp::preTranslateMessage(MSG& msg) {
  olToolTipCtrl& tip = olToolTipCtrl::shared();
  if (!tip.exists() || msg.hwnd == tip.hwnd()) return false;
  switch (msg.message) {
    case WM_NCMOUSEMOVE:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP: tip.relayEvent(msg); break;
    default: break;
  }
  return false;
}

olstring applicationFolder(olstring_view relativeName) {
  olstring folder = platform::applicationFolder();
  if (relativeName.empty()) return folder;
  if (!folder.empty() && folder.back() != platform::kPathSeparator && relativeName.front() != platform::kPathSeparator)
    folder += platform::kPathSeparator;
  folder += relativeName;
  return folder;
}

bool postMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (hwnd && !isWindow(hwnd)) return false;
  QObject* target = postTarget();
  if (!target) return false;
  MSG msg;
  msg.hwnd = hwnd;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.keyModifiers = currentKeyModifiers();
  QCoreApplication::postEvent(target, new PostedMessage(msg));
  return true;
}

void postQuitMessage(int exitCode) { postMessage(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0); }

HWND mainWindowHandle() {
  return g_app && g_app->mainWindow() ? g_app->mainWindow()->hwnd() : nullptr;
}

void applicationHelp() {
  if (g_app) g_app->help();
}

bool runMessageLoopUntil(const std::function<bool()>& done) {
  if (!QCoreApplication::instance()) return false;
  postTarget();  // made here, on the UI thread, before any other thread wakes the loop
  QEventLoop loop;
  waits().push_back({&done, &loop, modalLoopDepth()});
  if (!done() && !g_quitReceived) loop.exec();
  waits().pop_back();
  // A quit ends the outer waits as well.
  if (g_quitReceived && !waits().empty()) waits().back().loop->exit();
  return !g_quitReceived || done();
}

void wakeMessageLoop() {
  // Safe from any thread: only the event queue is touched.
  if (QObject* target = postTarget()) QCoreApplication::postEvent(target, new PostedMessage(MSG{}));
}

void pumpMessages(int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  } while (clock.elapsed() < milliseconds);
}
