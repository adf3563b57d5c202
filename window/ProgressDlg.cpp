#include "window/ProgressDlg.h"

#include "foundation/LanguageKeys.h"
#include "foundation/SoftCheck.h"
#include "foundation/TextFile.h"
#include "toolkit/Geometry.h"
#include "window/DialogLayout.h"
#include "toolkit/PaintDC.h"

namespace {

constexpr std::chrono::milliseconds kAnnounceInterval{500};

}  // namespace

CProgressDlg::CProgressDlg(CompareEngine& engine) : m_engine(engine) {
  beginTemplate(260, 68, olTemplate::popup, 2);
  addTemplateItem(kTemplateButton, control_id::kPauseButton, 146, 47, 50, 14, WS_CLIPSIBLINGS | WS_TABSTOP);
  addTemplateItem(kTemplateButton, IDCANCEL, 203, 47, 50, 14, WS_CLIPSIBLINGS | WS_TABSTOP);
}

CProgressDlg::~CProgressDlg() = default;

LRESULT CProgressDlg::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    switch (LOWORD(wParam)) {
      case IDCANCEL:
        // The cancel button, Escape and the close box. Cancel while paused resumes the job,
        // so that it can notice the request; the dialog stays until the worker has stopped.
        m_cancelRequested = true;
        m_engine.worker.requestStop();
        updateControls();
        return 0;
      case control_id::kPauseButton:
        // A cancelled job is on its way out: pausing it would only hold up its end.
        if (m_cancelRequested) return 0;
        if (m_engine.worker.isPaused()) {
          m_engine.worker.resume();
        } else {
          m_engine.worker.pause();
        }
        updateControls();
        return 0;
      default:
        break;
    }
  }
  return olBaseDlg::windowProc(message, wParam, lParam);
}

void CProgressDlg::attachControls() {
  MIRRANE_CHECK_ONLY(m_cancelButton.attachDlgItem(m_hwnd, IDCANCEL));
  MIRRANE_CHECK_ONLY(m_pauseButton.attachDlgItem(m_hwnd, control_id::kPauseButton));
  HWND bar = createWindowEx(0, u"msctls_progress32", u"", WS_CHILD | WS_VISIBLE, RECT{}, m_hwnd, control_id::kProgressBar);
  MIRRANE_CHECK(bar != nullptr, return);
  sendMessage(bar, WM_SETFONT, reinterpret_cast<WPARAM>(m_font));
  MIRRANE_CHECK(m_progressBar.attach(bar), return);
  setWindowPos(bar, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CProgressDlg::initPlacement() {
  const SIZE button = standardButtonSize(m_font);
  const int line = lineHeight(m_font);
  const int bar = line + 6;
  resizeWindow(m_cancelButton.hwnd(), button.cx, button.cy);
  resizeWindow(m_pauseButton.hwnd(), button.cx, button.cy);
  resizeWindow(m_progressBar.hwnd(), bar, bar);
  const int y = 3 * edge + line + bar + button.cy + dy(7, m_font);
  const SIZE client{4 * y + 2 * dx(7, m_font), y + 2 * dy(7, m_font)};
  const SIZE window = windowSizeForClient(m_hwnd, client);
  resizeWindow(m_hwnd, window.cx, window.cy);
}

void CProgressDlg::layoutControls() {
  const RECT k = dialogContentRect(m_hwnd, m_font);
  const int line = lineHeight(m_font);
  const RECT barRect = getWindowRect(m_progressBar.hwnd());
  moveWindow(m_progressBar.hwnd(), k.left, k.top + line + 3 * edge, k.right - k.left, barRect.bottom - barRect.top);
  const SIZE button = standardButtonSize(m_font);
  const int cancelLeft = k.right - button.cx;
  moveWindow(m_cancelButton.hwnd(), cancelLeft, k.bottom - button.cy, button.cx, button.cy);
  moveWindow(m_pauseButton.hwnd(), cancelLeft - dx(4, m_font) - button.cx, k.bottom - button.cy, button.cx, button.cy);
}

void CProgressDlg::paintClient(HDC dc, const RECT&) {
  if (m_statusLine.empty()) return;
  RECT k = dialogContentRect(m_hwnd, m_font);
  k.bottom = k.top + lineHeight(m_font) + 3 * edge;
  // A long path is cut in its middle: the file name at its end is what tells the user
  // where the compare is.
  m_shownStatusLine = elideText(m_statusLine, k.right - k.left, olElide::path, m_font);
  selectFont(dc, m_font);
  setTextColour(dc, themeColour(olThemeSlot::text));
  drawText(dc, m_shownStatusLine, k, DT_SINGLELINE | DT_NOPREFIX);
}

void CProgressDlg::loadTexts() {
  setWindowText(m_hwnd, cleanLabel(langText(lang::progress::kTitle)));
  setWindowText(m_cancelButton.hwnd(), langText(lang::global::kCancel));
  setWindowText(m_pauseButton.hwnd(), langText(lang::global::kPause));
}

void CProgressDlg::updateControls() {
  const bool paused = m_engine.worker.isPaused();
  setWindowText(m_pauseButton.hwnd(), langText(paused ? lang::global::kResume : lang::global::kPause));
  const int state = paused ? olProgressCtrl::kPaused : olProgressCtrl::kNormal;
  if (m_progressBar.isBound() && m_progressBar.state() != state) m_progressBar.setState(state);
}

olstring CProgressDlg::applyCounters(const JobState::Progress& progress) {
  const bool indeterminate = progress.total <= 0;
  m_progressBar.setIndeterminate(indeterminate);
  m_progressBar.setRange(indeterminate ? 0 : progress.total);
  // A done count beyond the total shows a full bar.
  m_progressBar.setPos(progress.done < m_progressBar.maximum() ? progress.done : m_progressBar.maximum());
  // A huge pair holds the count still for a long time: its bytes show that it moves on.
  return progressText(progress, steadyMilliseconds());
}

void CProgressDlg::refreshProgress() {
  if (!isWindow(m_hwnd)) return;
  const JobState::Progress progress = m_engine.job.readProgress();
  const olstring status = applyCounters(progress);
  m_progressBar.setText(langText(progress.total <= 0 ? lang::progress::kPrepareCount : lang::progress::kCount,
                                 numberToText(progress.done), numberToText(progress.total)));
  if (status != m_statusLine) {
    m_statusLine = status;
    invalidateRect(m_hwnd);
    // The line changes with every item: readers hear of it twice a second at most.
    const auto now = std::chrono::steady_clock::now();
    if (now - m_announced >= kAnnounceInterval) {
      m_announced = now;
      announceAccessibleParts(m_hwnd);
    }
  }
}

olAccessPart CProgressDlg::accessiblePart(int index) const {
  olAccessPart part;
  if (index != 0) return part;
  part.name = m_statusLine;
  part.rect = dialogContentRect(m_hwnd, m_font);
  part.rect.bottom = part.rect.top + lineHeight(m_font) + 3 * edge;
  return part;
}

void CProgressDlg::showAndRefresh() {
  if (!isWindow(m_hwnd)) return;
  if (!isWindowVisible(m_hwnd)) {
    centreOnOwner(m_hwnd, getOwner(m_hwnd));
    showWindow(m_hwnd, SW_SHOW);
  }
  m_statusLine = applyCounters(m_engine.job.readProgress());
  invalidateRect(m_hwnd);
  updateWindow(m_hwnd);
  announceAccessibleParts(m_hwnd);
}
