// The small window shown while a compare runs: the job's status line, a progress bar with a
// count, and pause/resume and cancel. It never closes itself; cancel only asks the job to
// stop, and the window goes when the worker has ended.
#pragma once

#include <chrono>

#include "engine/CompareEngine.h"
#include "foundation/CommandIds.h"
#include "toolkit/Accessible.h"
#include "toolkit/Buttons.h"
#include "toolkit/Dialog.h"
#include "toolkit/Progress.h"

class CProgressDlg : public olBaseDlg, public olAccessibleParts {
public:
  explicit CProgressDlg(CompareEngine& engine);

  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  ~CProgressDlg() override;
  void attachControls() override;
  void initPlacement() override;
  void layoutControls() override;
  void updateControls() override;
  void loadTexts() override;
  void paintClient(HDC dc, const RECT& rect) override;

  // Shows the window centred on its owner, takes the job's counters and status, repaints.
  void showAndRefresh();
  // Takes the job's progress; called each time the job signals a change. Does nothing once
  // the window is gone.
  void refreshProgress();

  // A screen reader reads the status line above the bar as a text of its own.
  int accessiblePartCount() const override { return 1; }
  olAccessPart accessiblePart(int index) const override;

  const olProgressCtrl& progressBar() const { return m_progressBar; }
  const olstring& statusLine() const { return m_statusLine; }
  // The status line as the last paint showed it, cut to the dialog's width.
  const olstring& shownStatusLine() const { return m_shownStatusLine; }

private:
  // Mode, range and position of the bar from the counters; returns the status text (with
  // the bytes of a pair read for a second or longer).
  olstring applyCounters(const JobState::Progress& progress);

  CompareEngine& m_engine;
  bool m_cancelRequested = false;
  std::chrono::steady_clock::time_point m_announced;
  olstring m_statusLine;
  olstring m_shownStatusLine;
  olProgressCtrl m_progressBar;
  olButton m_cancelButton;
  olButton m_pauseButton;
};
