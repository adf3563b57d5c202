// Sent and posted messages, registered message ids, and the Qt application that realises
// the message queue: queued input and posted messages pass the application's and the
// modal dialog's hooks here, before Qt dispatches them.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>

#include <atomic>
#include <memory>

#include "toolkit/App.h"
#include "toolkit/ModalStack.h"
#include "toolkit/WindowInternal.h"

namespace {

const QEvent::Type kPostedMessage = static_cast<QEvent::Type>(QEvent::User + 0x31);

class PostedMessage : public QEvent {
public:
  explicit PostedMessage(const MSG& msg) : QEvent(kPostedMessage), message(msg) {}
  MSG message;
};

// Posted messages are queued Qt events on this hidden target, a child of the running
// application: it goes with the application, and a later one gets a target of its own (a
// pointer kept past the application would post to freed memory). Read from any thread.
std::atomic<QObject*> g_postTarget{nullptr};

QObject* postTarget() {
  if (QObject* target = g_postTarget.load()) return target;
  QCoreApplication* application = QCoreApplication::instance();
  // Made on the application's own thread only, which its events are delivered on.
  if (!application || QThread::currentThread() != application->thread()) return nullptr;
  auto* target = new QObject(application);
  QObject::connect(target, &QObject::destroyed, [] { g_postTarget.store(nullptr); });
  g_postTarget.store(target);
  return target;
}

olstrmap<UINT>& registeredMessages() {
  static olstrmap<UINT> map;
  return map;
}

void dispatchPosted(MSG msg) {
  if (msg.message == WM_QUIT && !msg.hwnd) {
    modal_stack::quit(static_cast<int>(msg.wParam));
    return;
  }
  if (!modal_stack::hooksConsume(msg) && msg.hwnd && isWindow(msg.hwnd))
    sendMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
  modal_stack::endLoopsThatAreDone();
}

// The events through which a user acts on a window.
bool isUserAction(const QEvent* event) {
  switch (event->type()) {
    case QEvent::Close:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: return true;
    default: return isQueuedInput(event);
  }
}

bool isDisabledTopLevel(HWND hwnd) {
  olWindowRecord* record = windowRecord(hwnd);
  return record && record->disabledTopLevel;
}

// What a disabled top-level window refuses beyond keys and mouse: being closed, context
// menus and drops. The close is offered to the window as WM_OLCLOSEWHILEDISABLED instead.
bool refusedWhileDisabled(HWND top, QWidget* receiver, QEvent* event) {
  switch (event->type()) {
    case QEvent::Close:
      if (receiver->isWindow()) {
        event->ignore();
        sendMessage(top, WM_OLCLOSEWHILEDISABLED);
        return true;
      }
      return false;
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: event->ignore(); return true;
    default: return isQueuedInput(event);
  }
}

class GuiApplication : public QApplication {
public:
  GuiApplication(int& argc, char** argv) : QApplication(argc, argv) {}

  bool notify(QObject* receiver, QEvent* event) override {
    if (event->type() == kPostedMessage) {
      dispatchPosted(static_cast<PostedMessage*>(event)->message);
      return true;
    }
    if (!receiver->isWidgetType() || !isUserAction(event)) return QApplication::notify(receiver, event);
    auto* widget = static_cast<QWidget*>(receiver);
    // A disabled top-level window takes no input at all; its looks stay as they are.
    const HWND top = handleOf(widget->window());
    if (isDisabledTopLevel(top) && refusedWhileDisabled(top, widget, event)) return true;
    if (!isQueuedInput(event)) return QApplication::notify(receiver, event);
    MSG msg = inputMessage(nearestHandle(widget), event);
    if (msg.message == WM_MOUSEMOVE) noteMouseOver(msg.hwnd);
    const bool consumed = modal_stack::hooksConsume(msg);
    const bool result = consumed || QApplication::notify(receiver, event);
    modal_stack::endLoopsThatAreDone();
    return result;
  }
};

}  // namespace

std::unique_ptr<QApplication> createGuiApplication(int& argc, char** argv) {
  auto application = std::make_unique<GuiApplication>(argc, argv);
  postTarget();
  return application;
}

LRESULT sendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return callProcedure(hwnd, message, wParam, lParam);
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

void postQuitMessage(int exitCode) {
  // The quit is a state of the queue, not a message behind the others: queued, it could
  // outlive every loop it was meant to end (the main window gone, its loop left at once)
  // and end a loop started long after, in a program that had moved on.
  modal_stack::quit(exitCode);
}

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

void wakeMessageLoop() {
  // Safe from any thread once the target exists: only the event queue is touched.
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
