// Support for tests of real windows on Qt's offscreen platform: the process-wide
// application set up once, a reaper that ends hung modal loops and fails the test, and
// helpers to act while a modal loop runs.
#pragma once

#include <gtest/gtest.h>

#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "toolkit/Shell.h"
#include "toolkit/Window.h"

namespace gui_test {

// Ends every modal loop and fails the test when it is still alive after the time.
class Reaper {
public:
  explicit Reaper(int milliseconds = 8000);
  ~Reaper();
  bool fired() const { return m_fired; }

private:
  QTimer m_timer;
  bool m_fired = false;
};

// Runs the action once the event loop is running (for example inside runModal).
void later(int milliseconds, std::function<void()> action);
// Pumps events until the condition holds or the time is up; returns the condition.
bool waitFor(const std::function<bool()>& condition, int milliseconds = 3000);
// The folder below the build tree where pictures of windows are saved.
std::string screenshotFolder();
// Saves a picture of the window as name.png in the screenshot folder; true on success.
bool saveScreenshot(HWND hwnd, const std::string& name);
// The colour of one pixel of a window's picture, as 0x00BBGGRR.
COLORREF pixelOf(HWND hwnd, int x, int y);

// Stands in for the desktop while it lives: what the windows ask of it (open an item, show
// it in its folder, open a web page) is recorded with the exact address, and nothing
// reaches the real desktop.
class RecordedShell {
public:
  struct Request {
    ShellRequest kind;
    std::string url;
  };
  RecordedShell() {
    setShellRecorder([this](ShellRequest kind, const std::string& url) {
      requests.push_back({kind, url});
      return true;
    });
  }
  ~RecordedShell() { setShellRecorder({}); }
  RecordedShell(const RecordedShell&) = delete;
  RecordedShell& operator=(const RecordedShell&) = delete;
  std::vector<Request> requests;
};

}  // namespace gui_test

#include "toolkit/Dialog.h"

namespace gui_test {

// A popup dialog of 200 × 100 dialog units with an edit (100), OK (1) and Cancel (2),
// that records the commands and paint passes it sees.
class SimpleDialog : public olBaseDlg {
public:
  SimpleDialog() {
    beginTemplate(200, 100, olTemplate::popup, 3);
    addTemplateItem(kTemplateEdit, 100, 7, 7, 120, 12);
    addTemplateItem(kTemplateButton, IDOK, 90, 80, 50, 14, BS_DEFPUSHBUTTON);
    addTemplateItem(kTemplateButton, IDCANCEL, 145, 80, 50, 14);
  }
  std::function<void(SimpleDialog&)> onInit;
  std::vector<UINT> commands;
  int paints = 0;

  bool onInitDialog() override {
    bool result = olBaseDlg::onInitDialog();
    if (onInit) onInit(*this);
    return result;
  }
  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND) commands.push_back(LOWORD(wParam));
    if (message == WM_PAINT) ++paints;
    return olBaseDlg::windowProc(message, wParam, lParam);
  }
};

}  // namespace gui_test
