// Support for tests of the main window and its panels: a private application folder and
// per-user settings folder for config.ini, the message boxes answered as a user would, and
// the values config.ini holds.
#pragma once

#include <QApplication>
#include <QTimer>

#include <string>
#include <vector>

#include "app/Settings.h"
#include "platform/Path.h"
#include "tests/support/TestSupport.h"
#include "toolkit/MessageBox.h"
#include "toolkit/WindowInternal.h"

namespace window_test {

// config.ini goes to a fresh application folder of the test's own, never the build
// folder's; the language table loaded at start stays.
class SettingsSandbox {
public:
  SettingsSandbox() {
    m_previous = platform::applicationFolder();
    platform::setApplicationFolder(m_application.widePath());
    setenv("XDG_CONFIG_HOME", m_config.path().c_str(), 1);
    testing_support::makeFolders(m_application.path("config"));
  }
  ~SettingsSandbox() {
    unsetenv("XDG_CONFIG_HOME");
    platform::setApplicationFolder(m_previous);
  }
  std::string configPath() const { return m_application.path("config/config.ini"); }
  // A value of config.ini as the program reads it; empty when missing.
  static olstring value(olstring_view section, olstring_view key) {
    olini ini;
    readUserSettings(ini);
    return ini.get(section, key);
  }

private:
  testing_support::TempFolder m_application;
  testing_support::TempFolder m_config;
  olstring m_previous;
};

// Answers every message box that comes up while it lives with the button id, and keeps
// the texts the boxes showed.
class MessageBoxAnswerer {
public:
  explicit MessageBoxAnswerer(int answer) : m_answer(answer) {
    QObject::connect(&m_timer, &QTimer::timeout, [this] { answerOpenBoxes(); });
    m_timer.start(20);
  }
  const std::vector<olstring>& texts() const { return m_texts; }
  void setAnswer(int answer) { m_answer = answer; }

private:
  void answerOpenBoxes() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (!widget->isVisible()) continue;
      auto* box = dynamic_cast<olMessageBox*>(olWndMap::instance().find(handleOf(widget)));
      if (!box || !box->isModalRunning() || box == m_lastAnswered) continue;
      m_lastAnswered = box;
      m_texts.push_back(box->text());
      box->endDialog(m_answer);
    }
  }
  int m_answer;
  QTimer m_timer;
  std::vector<olstring> m_texts;
  // A box answered stays open until its loop runs again; it is answered once.
  const olMessageBox* m_lastAnswered = nullptr;
};

}  // namespace window_test
