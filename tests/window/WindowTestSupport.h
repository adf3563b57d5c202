// Support for tests of the main window and its panels: the settings sandbox and the message
// boxes answered as a user would.
#pragma once

#include <QApplication>
#include <QTimer>

#include <string>
#include <vector>

#include "tests/support/SettingsSandbox.h"
#include "toolkit/MessageBox.h"
#include "toolkit/WindowInternal.h"

namespace window_test {

// The one settings sandbox of the window and results tests.
using testing_support::SettingsSandbox;

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
