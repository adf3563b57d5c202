// The application object, the start and end of the Qt application that realises the
// window system, and the application folder.
#include "toolkit/App.h"
#include "toolkit/Buttons.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

#include "platform/Path.h"
#include "toolkit/Accessible.h"
#include "toolkit/ModalStack.h"
#include "toolkit/ScrollPanel.h"
#include "toolkit/ToolTip.h"
#include "toolkit/WindowInternal.h"

namespace {

olApp* g_app = nullptr;

std::unique_ptr<QApplication>& guiApplication() {
  static std::unique_ptr<QApplication> app;
  return app;
}

std::unique_ptr<QTranslator>& platformTranslator() {
  static std::unique_ptr<QTranslator> translator;
  return translator;
}

void removePlatformTranslations() {
  std::unique_ptr<QTranslator>& translator = platformTranslator();
  if (translator && QCoreApplication::instance()) QCoreApplication::removeTranslator(translator.get());
  translator.reset();
}

}  // namespace

bool applyPlatformTranslations(olstring_view locale) {
  removePlatformTranslations();
  const QString name = toQString(locale);
  if (name.isEmpty() || name == QLatin1String("en") || name.startsWith(QLatin1String("en_"))) return true;
  if (!QCoreApplication::instance()) return false;
  auto translator = std::make_unique<QTranslator>();
  // QLocale("de_AT") finds "qtbase_de_AT.qm", else "qtbase_de.qm".
  if (!translator->load(QLocale(name), QStringLiteral("qtbase"), QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  QCoreApplication::installTranslator(translator.get());
  platformTranslator() = std::move(translator);
  return true;
}

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
  // Qt ends the process when its platform cannot connect; a missing display is found first,
  // so that the program can say what to do instead.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    return false;
  }
  guiApplication() = createGuiApplication(argc, argv);
  installAccessibility();
  olScrollPanel::registerClass();
  splitterMessage();
  return true;
}

void olApp::stopInterface() {
  removePlatformTranslations();
  guiApplication().reset();
}

bool olApp::interfaceRunning() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

bool olApp::quitReceived() { return modal_stack::quitReceived(); }
int olApp::exitCode() { return modal_stack::exitCode(); }
void olApp::clearQuit() { modal_stack::clearQuit(); }

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

void setDesktopFileName(olstring_view name) { QGuiApplication::setDesktopFileName(toQString(name)); }

olstring applicationFolder(olstring_view relativeName) {
  olstring folder = platform::applicationFolder();
  if (relativeName.empty()) return folder;
  if (!folder.empty() && folder.back() != platform::kPathSeparator && relativeName.front() != platform::kPathSeparator)
    folder += platform::kPathSeparator;
  folder += relativeName;
  return folder;
}

HWND mainWindowHandle() {
  return g_app && g_app->mainWindow() ? g_app->mainWindow()->hwnd() : nullptr;
}

void applicationHelp() {
  if (g_app) g_app->help();
}
