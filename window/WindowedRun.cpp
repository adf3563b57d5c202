#include "window/WindowedRun.h"

#include "app/Settings.h"
#include "foundation/LanguageKeys.h"
#include "platform/Console.h"
#include "toolkit/App.h"
#include "toolkit/ScrollPanel.h"
#include "toolkit/Theme.h"
#include "toolkit/ToolTip.h"
#include "window/Appearance.h"
#include "window/Menus.h"
#include "window/MirraneApp.h"
#include "window/MirraneDlg.h"

#include <cstring>

namespace {

constexpr int kToolTipHideDelay = 32767;

// Tips may take three quarters of the primary screen's width, and stay while read.
void setUpToolTips() {
  olToolTipCtrl& tip = olToolTipCtrl::shared();
  if (!tip.create()) return;
  const RECT work = monitorWorkArea(nullptr);
  tip.setMaxWidth(work.width() - 2 * (work.width() / 8));
  tip.setHideDelay(kToolTipHideDelay);
}

}  // namespace

int runWindowed(MirraneCore& core) {
  CompareEngine& engine = core.engine;
  const bool compareGiven = core.commandLine.compareGiven;
  // The command line's compare needs nothing of the window: it runs while the window system
  // is reached and the window built, and the window shows its progress once it is up.
  CompareStart commandLineCompare = CompareStart::now;
  if (compareGiven && core.commandLine.start) {
    applyCommandLine(core.commandLine, engine.options);
    resetResult(engine.result);
    if (engine.worker.startWorker(engine)) commandLineCompare = CompareStart::alreadyStarted;
  }
  // Qt keeps the arguments for the application's life; the program's own are parsed already.
  static char programName[] = "mirrane";
  static char* qtArguments[] = {programName, nullptr};
  static int qtArgumentCount = 1;
  if (!olApp::startInterface(qtArgumentCount, qtArguments)) {
    // Nothing may be left running, nor unpacked, once the program has said why it ends.
    engine.worker.requestStop();
    engine.worker.waitFinished();
    platform::writeConsole(platform::StandardStream::error, langText(lang::console::kNoDisplay) + u"\r\n");
    return 1;
  }
  setDesktopFileName(u"mirrane");
  olScrollPanel::setCustomScrollBars(!engine.settings.noCustomScroll);
  initialiseThemes();
  applyStoredAppearance();
  setUpToolTips();

  if (!compareGiven) loadDefaultProject(engine.settings, engine.options);
  {
    CMirraneApp app;
    CMirraneDlg window(engine, &core.commandLine, commandLineCompare);
    app.setMainWindow(&window);
    window.runModal();
    app.setMainWindow(nullptr);
  }
  if (!compareGiven) saveDefaultProject(engine.settings, engine.options);
  engine.removeArchiveWorkFolder();
  destroyMenus();
  olToolTipCtrl::shared().destroy();
  olApp::stopInterface();
  return 0;
}
