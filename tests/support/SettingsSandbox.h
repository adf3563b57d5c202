// The settings of a test kept away from the build folder: config.ini goes to a fresh
// application folder of the test's own and the per-user copy to a fresh folder of its own;
// the language table loaded at start stays. For tests that link the app library.
#pragma once

#include "app/Settings.h"
#include "foundation/TextFile.h"
#include "platform/Path.h"
#include "tests/support/TestSupport.h"

#include <cstdlib>
#include <string>

namespace testing_support {

class SettingsSandbox {
public:
  SettingsSandbox() : m_previous(platform::applicationFolder()) {
    platform::setApplicationFolder(m_application.widePath());
    setenv("XDG_CONFIG_HOME", m_user.path().c_str(), 1);
    makeFolders(m_application.path("config"));
    // The view mode kept in memory belongs to the settings left behind.
    forgetViewMode();
  }
  ~SettingsSandbox() {
    forgetViewMode();
    unsetenv("XDG_CONFIG_HOME");
    platform::setApplicationFolder(m_previous);
  }
  SettingsSandbox(const SettingsSandbox&) = delete;
  SettingsSandbox& operator=(const SettingsSandbox&) = delete;

  std::string configPath() const { return m_application.path("config/config.ini"); }
  std::string configText() const { return toUtf8(readTextFile(fromUtf8(configPath()))); }
  // A value of config.ini as the program reads it; empty when missing.
  static olstring value(olstring_view section, olstring_view key) {
    olini ini;
    readUserSettings(ini);
    return ini.get(section, key);
  }

private:
  TempFolder m_application;
  TempFolder m_user;
  olstring m_previous;
};

}  // namespace testing_support
