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
  // Qt keeps the arguments for the application's life; the program's own are parsed already.
  static char programName[] = "mirrane";
  static char* qtArguments[] = {programName, nullptr};
  static int qtArgumentCount = 1;
  if (!olApp::startInterface(qtArgumentCount, qtArguments)) {
    platform::writeConsole(platform::StandardStream::error, langText(lang::console::kNoDisplay) + u"\r\n");
    return 1;
  }
  setDesktopFileName(u"mirrane");
  CompareEngine& engine = core.engine;
  olScrollPanel::setCustomScrollBars(!engine.settings.noCustomScroll);
  initialiseThemes();
  applyStoredAppearance();
  setUpToolTips();

  const bool compareGiven = core.commandLine.compareGiven;
  if (!compareGiven) loadDefaultProject(engine.settings, engine.options);
  {
    CMirraneApp app;
    CMirraneDlg window(engine, &core.commandLine);
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
