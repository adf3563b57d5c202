// Support for tests of the main window and its panels: the settings sandbox and the message
// boxes answered as a user would.
#pragma once

#include <QApplication>
#include <QTimer>

#include <string>
#include <vector>

#include "tests/support/SettingsSandbox.h"
#include "tests/support/TestSupport.h"
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

// The message box whose loop runs now, or nullptr.
inline olMessageBox* runningMessageBox() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* box = dynamic_cast<olMessageBox*>(olWndMap::instance().find(handleOf(widget)));
    if (box && box->isModalRunning()) return box;
  }
  return nullptr;
}

// Folders root/a and root/b forty levels deep, bottom.txt differing at the bottom.
inline void makeDeepPair(const std::string& root) {
  std::vector<std::string> levels;
  for (int level = 1; level <= 40; ++level) levels.push_back("level-" + std::to_string(level));
  testing_support::makeDeepFiles(root + "/a", levels, {{"bottom.txt", "first"}});
  testing_support::makeDeepFiles(root + "/b", levels, {{"bottom.txt", "second"}});
}

}  // namespace window_test
