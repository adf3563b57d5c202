// The test main for the toolkit: offscreen platform, one application object, themes and
// fonts initialised as at start-up.
#include "tests/toolkit/GuiTest.h"

#include <QApplication>

#include <cstdio>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMenu>
#include <QPixmap>

#include "toolkit/App.h"
#include "toolkit/Dialog.h"
#include "toolkit/Theme.h"
#include "toolkit/ToolTip.h"
#include "toolkit/WindowInternal.h"

namespace gui_test {

Reaper::Reaper(int milliseconds) {
  m_timer.setSingleShot(true);
  QObject::connect(&m_timer, &QTimer::timeout, [this] {
    m_fired = true;
    ADD_FAILURE() << "the reaper ended a loop that did not end by itself";
    while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    olDialog::endAllModalLoops(-99);
  });
  m_timer.start(milliseconds);
}

Reaper::~Reaper() { m_timer.stop(); }

void later(int milliseconds, std::function<void()> action) { QTimer::singleShot(milliseconds, std::move(action)); }

bool waitFor(const std::function<bool()>& condition, int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > milliseconds) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

std::string screenshotFolder() {
  std::string folder = std::string(MIRRANE_BUILD_DIR) + "/screenshots";
  QDir().mkpath(QString::fromStdString(folder));
  return folder;
}

bool saveScreenshot(HWND hwnd, const std::string& name) {
  QWidget* widget = widgetOf(hwnd);
  if (!widget) return false;
  return widget->grab().save(QString::fromStdString(screenshotFolder() + "/" + name + ".png"));
}

COLORREF pixelOf(HWND hwnd, int x, int y) {
  QWidget* widget = widgetOf(hwnd);
  if (!widget) return 0xFFFFFFFF;
  QColor c = widget->grab().toImage().pixelColor(x, y);
  return RGB(c.red(), c.green(), c.blue());
}

}  // namespace gui_test

namespace {

// No window may outlive the test that made it.
class WindowLeakCheck : public testing::EmptyTestEventListener {
public:
  bool leaked = false;
  void OnTestStart(const testing::TestInfo&) override { m_before = settledWindowCount(); }
  void OnTestEnd(const testing::TestInfo& test) override {
    const size_t after = settledWindowCount();
    if (after > m_before) {
      leaked = true;
      std::fprintf(stderr, "%s.%s left %zu window(s) behind\n", test.test_suite_name(), test.name(), after - m_before);
    }
  }

private:
  static size_t settledWindowCount() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return liveWindowCount();
  }
  size_t m_before = 0;
};

}  // namespace

// The offscreen platform says so every time a window is raised or grabs the keyboard;
// those notes drown the test output and say nothing about the toolkit.
void quietOffscreenNotes(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (message.startsWith(QLatin1String("This plugin does not support"))) return;
  std::fprintf(stderr, "%s%s\n", type == QtWarningMsg ? "warning: " : "", qPrintable(message));
}

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(quietOffscreenNotes);
  testing::InitGoogleTest(&argc, argv);
  olBaseApp app;
  app.setAppName(u"Mirrane");
  if (!olApp::startInterface(argc, argv)) return 2;
  initialiseThemes();
  auto* leakCheck = new WindowLeakCheck;
  testing::UnitTest::GetInstance()->listeners().Append(leakCheck);
  int result = RUN_ALL_TESTS();
  if (leakCheck->leaked) result = 1;
  olToolTipCtrl::shared().destroy();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  olApp::stopInterface();
  return result;
}
