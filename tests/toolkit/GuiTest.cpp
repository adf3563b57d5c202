// The test main for the toolkit: offscreen platform, one application object, themes and
// fonts initialised as at start-up.
#include "tests/toolkit/GuiTest.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMenu>
#include <QPixmap>

#include "toolkit/App.h"
#include "toolkit/Dialog.h"
#include "toolkit/Theme.h"
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

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  testing::InitGoogleTest(&argc, argv);
  olBaseApp app;
  app.setAppName(u"Mirrane");
  if (!olApp::startInterface(argc, argv)) return 2;
  initialiseThemes();
  int result = RUN_ALL_TESTS();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return result;
}
