// The application object, the Qt application that realises the window system, the
// message queue's hooks and the application folder.
#pragma once

#include <functional>

#include "toolkit/Window.h"

// One per process, reachable through instance(). Its main window's closing ends the program.
class olApp {
public:
  olApp();
  olApp(const olApp&) = delete;
  olApp& operator=(const olApp&) = delete;

  // May consume a queued message before any dialog sees it (false).
  virtual bool preTranslateMessage(MSG& msg);
  virtual ~olApp();
  // The application's help (nothing).
  virtual void help();

  static olApp* instance();

  olWnd* mainWindow() const { return m_mainWindow; }
  void setMainWindow(olWnd* window) { m_mainWindow = window; }
  // "Mirrane" as set by the application, or the executable's name without folder and extension.
  olstring appName() const;
  void setAppName(olstring_view name) { m_appName = name; }

  // Creates the Qt application object that carries every window; call once before the
  // first window. Returns false when no display can be opened: no platform was chosen and
  // neither an X nor a Wayland display is named in the environment.
  static bool startInterface(int& argc, char** argv);
  // Destroys it again (after every window has gone).
  static void stopInterface();
  static bool interfaceRunning();

  // Set once the quit message has been received; the exit code that came with it.
  static bool quitReceived();
  static int exitCode();
  // Forgets an earlier quit (a new main loop begins).
  static void clearQuit();

private:
  olWnd* m_mainWindow = nullptr;
  olstring m_appName;
};

// Relays mouse messages to the shared tooltip before they are dispatched.
class olBaseApp : public olApp {
public:
  bool preTranslateMessage(MSG& msg) override;
};

// Qt's own texts (the file dialog's buttons, an edit box's context menu) in the language of
// a locale name ("de", "pt_BR"), from the translations installed with Qt. An empty name or
// English gives Qt's built-in English (true); so does a locale Qt has no translation for
// (false). The translation in force before is removed either way.
bool applyPlatformTranslations(olstring_view locale);

// The name of the program's desktop entry (without ".desktop"), through which the desktop
// finds the icon and name of its windows. Call once the interface is started.
void setDesktopFileName(olstring_view name);

// The executable's folder (the application folder), with a relative name appended.
olstring applicationFolder(olstring_view relativeName = {});

// Keeps handling messages until done() holds. done() is checked after every message and
// whenever wakeMessageLoop() is called, which any thread may do (a worker that signals
// progress). Returns false when the quit message ended the wait first.
bool runMessageLoopUntil(const std::function<bool()>& done);
void wakeMessageLoop();

// Runs the event loop until nothing is left to do, for at most the given time.
void pumpMessages(int milliseconds = 0);
