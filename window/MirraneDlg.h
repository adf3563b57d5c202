// The main window: the compare panel on the left, a splitter, and the result area with the
// two compared paths and the summary badge above the results list and a status bar with the
// two view buttons below it. It receives every command of the program, runs compares and
// keeps its placement and the panel's width in config.ini.
#pragma once

#include "app/CommandLine.h"
#include "app/Settings.h"
#include "engine/CompareEngine.h"
#include "toolkit/Accessible.h"
#include "toolkit/Buttons.h"
#include "toolkit/Dialog.h"
#include "toolkit/Timer.h"
#include "results/ListView.h"
#include "window/ComparePanel.h"
#include "window/CompareWait.h"

// A view-mode button: filled in the highlight colour while checked, and then no tab stop.
class mrnViewButton : public olButton_Switch {
public:
  void setViewChecked(bool checked);

private:
  bool m_hadTabStop = true;
};

// How windowPlacement is used: read the placement, or apply one.
enum class PlacementAccess { read, apply };
enum class ClampToWorkArea { no, yes };

// The parts of the main window invalidateArea repaints.
enum class MainArea { header = 0, statusBar = 1, whole = 2 };

// The summary badge of the header: its text and colour; no text means no badge.
struct SummaryBadge {
  olstring text;
  COLORREF colour = 0;
};

class CMirraneDlg : public olBaseDlg, public olAccessibleParts {
public:
  // The command line (may be null) supplies the paths, switches and "start" of a compare.
  // With CompareStart::alreadyStarted the caller has applied it to the engine's options and
  // started its compare: the window shows that compare's progress once it is on screen.
  CMirraneDlg(CompareEngine& engine, const CommandLine* commandLine,
              CompareStart commandLineCompare = CompareStart::now);

  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool filterMessage(MSG& msg) override;
  ~CMirraneDlg() override;
  void attachControls() override;
  bool onInitDialog() override;
  void layoutControls() override;
  void loadTexts() override;
  void paintClient(HDC dc, const RECT& rect) override;

  // Runs one compare of the current options (or waits for the one already started); true
  // when the worker ended with exit code 0.
  bool startCompare(CompareStart start = CompareStart::now);
  // Places panel, splitter, list and view buttons; with followSplitter the panel reaches
  // to where the splitter was dragged.
  void layoutChildren(bool followSplitter);
  void invalidateArea(MainArea area);
  // Recomputes the status text and badge from the list's selection and repaints the bar.
  void updateStatus();
  // Reads or applies the normal rectangle and maximized state of a top-level window. Apply
  // with an empty rectangle changes nothing (false). Clamping moves the rectangle into the
  // work area of the screen nearest to it, shrunk to that area when it is larger, and, when
  // the window's frame is known, the frame with it.
  static bool windowPlacement(HWND window, RECT& rect, bool& maximized, PlacementAccess access,
                              ClampToWorkArea clamp);

  // The summary badge for the last compare (none while one runs).
  SummaryBadge summaryBadge() const;
  // What a screen reader reads of the header and the status bar (MainAccessible.cpp): the
  // two compared paths, the summary badge in words and the status line, in this order.
  int accessiblePartCount() const override;
  olAccessPart accessiblePart(int index) const override;
  const olstring& comparedPath(int side) const { return m_comparedPaths[side]; }
  const olstring& statusText() const { return m_statusText; }
  const olstring& statusBadge() const { return m_statusBadge; }
  // The badge as the last paint showed it, cut when the bar could not hold it.
  const olstring& shownStatusBadge() const { return m_shownStatusBadge; }
  CComparePanel& comparePanel() { return m_comparePanel; }
  HWND listWindow() const { return m_list.hwnd(); }
  mrnListView& list() { return m_list; }
  HWND splitterWindow() const { return m_splitter.hwnd(); }
  const mrnViewButton& viewButton(int mode) const { return mode == 0 ? m_viewDiffsButton : m_viewAllButton; }
  int viewMode() const { return m_viewMode; }
  // Called on the worker thread at each progress signal of the compares this window runs
  // (see runCompareWithProgress): for tests that must catch a compare while it runs.
  void setWorkerProgressHook(WorkerProgressHook hook) { m_workerProgressHook = std::move(hook); }
  // Whether a close was asked for while a compare ran (the window closes once it ends).
  bool closePending() const { return m_closePending; }

private:
  void handleCommand(UINT id, UINT code, LPARAM lParam);
  void setViewMode(int mode);
  void clearResults();
  void showMainMenu(HWND button);
  void showCommandLineHelp();
  void showAbout();
  // The window's close box during a compare: cancel it, and close once it has ended.
  void closeWhenCompareEnds();
  void saveWindowState();
  // Once the window system has framed the window: its whole frame inside the work area.
  void keepFrameOnScreenOnce();
  void applyStoredPlacement();
  void drawHeader(HDC dc, const RECT& strip);
  void drawStatusBar(HDC dc, const RECT& bar);
  // The path a side of an item is shown with: below the side's shown root, so that an
  // archive shows as the archive's path, never the folder it was unpacked to.
  olstring shownPath(const CompareItem& item, int side) const;

  void notifySelectionChanged();
  void noteIgnoredPaths();

  CompareEngine& m_engine;
  const CommandLine* m_commandLine;
  CompareStart m_commandLineCompare;
  olstring m_comparedPaths[2];
  olstring m_statusText;
  // What the command line held that the window cannot use, shown until a compare of the
  // user's own.
  olstring m_commandLineNote;
  olstring m_statusBadge;
  olstring m_shownStatusBadge;
  uint32_t m_statusBadgeFlags = 0;
  CComparePanel m_comparePanel;
  olButton_Split m_splitter;
  mrnListView m_list;
  mrnViewButton m_viewDiffsButton;
  mrnViewButton m_viewAllButton;
  int m_viewMode = kViewDifferences;
  bool m_comparing = false;
  bool m_closePending = false;
  bool m_frameKept = false;
  class FrameWatch : public olWndTimer {
  public:
    explicit FrameWatch(CMirraneDlg& window) : m_window(window) {}
    void onTimer() override;

  private:
    CMirraneDlg& m_window;
    int m_ticks = 0;
  };
  FrameWatch m_frameWatch{*this};
  WorkerProgressHook m_workerProgressHook;
};
