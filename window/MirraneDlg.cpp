#include "window/MirraneDlg.h"

#include "app/Settings.h"
#include "foundation/CommandIds.h"
#include "foundation/LanguageKeys.h"
#include "foundation/Paths.h"
#include "foundation/SoftCheck.h"
#include "foundation/TextFile.h"
#include "toolkit/App.h"
#include "toolkit/Geometry.h"
#include "toolkit/Hotkeys.h"
#include "toolkit/MessageBox.h"
#include "results/DetailsDlg.h"
#include "toolkit/PaintDC.h"
#include "toolkit/ToolTip.h"
#include "window/AboutDlg.h"
#include "window/Appearance.h"
#include "window/CompareWait.h"
#include "window/DialogLayout.h"
#include "window/MainMenu.h"
#include "window/MainMetrics.h"
#include "window/Menus.h"
#include "window/MirraneApp.h"

#include <utility>

namespace {

constexpr int kSplitterWidth = 3;
constexpr int kSplitMargin = 294;
constexpr int kDefaultPanelWidth = 294;
// The square at the client area's bottom-right corner that resizes the window.
constexpr int kSizingCorner = 10;
// How often and how long a shown window looks for the frame the window manager gives it.
constexpr UINT kFrameWatchMs = 50;
constexpr int kFrameWatchForMs = 5000;
// Posted to itself by a window that must start the command line's compare once it shows.
constexpr UINT kStartFromCommandLine = WM_USER + 1;

// A rectangle moved (and, when larger, shrunk) into an area.
RECT keptInside(RECT rect, const RECT& area) {
  const int width = std::min(rect.width(), area.width());
  const int height = std::min(rect.height(), area.height());
  rect.right = rect.left + width;
  rect.bottom = rect.top + height;
  if (rect.right > area.right) rect = rect.offset(area.right - rect.right, 0);
  if (rect.bottom > area.bottom) rect = rect.offset(0, area.bottom - rect.bottom);
  if (rect.left < area.left) rect = rect.offset(area.left - rect.left, 0);
  if (rect.top < area.top) rect = rect.offset(0, area.top - rect.top);
  return rect;
}

bool inSubmenu(UINT id, UINT first) { return id >= first && id < first + menu_command::kSubmenuItems; }

}  // namespace

// ---- mrnViewButton

void mrnViewButton::setViewChecked(bool checked) {
  const uint32_t style = getStyle(m_hwnd);
  if (checked && !isChecked()) m_hadTabStop = (style & WS_TABSTOP) != 0;
  if (checked) setStyle(m_hwnd, style & ~WS_TABSTOP);
  else if (m_hadTabStop) setStyle(m_hwnd, style | WS_TABSTOP);
  const unsigned uncheckedMask =
      getDlgCtrlID(m_hwnd) == control_id::kViewDiffs ? kSideLeft | kSideTop | kSideBottom : kSideTop | kSideRight | kSideBottom;
  setFrameMask(checked ? kAllSides : uncheckedMask);
  setChecked(checked);
  invalidateRect(m_hwnd);
}

// ---- CMirraneDlg

CMirraneDlg::CMirraneDlg(CompareEngine& engine, const CommandLine* commandLine, CompareStart commandLineCompare)
    : m_engine(engine), m_commandLine(commandLine), m_commandLineCompare(commandLineCompare), m_comparePanel(engine) {
  beginTemplate(415, 215, olTemplate::popup, 3);
  addTemplateStyle(WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
  for (int id : {control_id::kSplitter, control_id::kViewDiffs, control_id::kViewAll})
    addTemplateItem(kTemplateButton, id, 0, 0, 1, 1, WS_CLIPSIBLINGS | WS_TABSTOP);
}

CMirraneDlg::~CMirraneDlg() = default;

void CMirraneDlg::attachControls() {
  MIRRANE_CHECK_ONLY(m_splitter.attachDlgItem(m_hwnd, control_id::kSplitter));
  m_splitter.setMargins(kSplitMargin, kSplitMargin);
  MIRRANE_CHECK_ONLY(m_viewDiffsButton.attachDlgItem(m_hwnd, control_id::kViewDiffs));
  MIRRANE_CHECK_ONLY(m_viewAllButton.attachDlgItem(m_hwnd, control_id::kViewAll));

  if (m_comparePanel.createModeless(m_hwnd)) {
    setWindowPos(m_comparePanel.hwnd(), HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }
  MIRRANE_CHECK(m_list.create(m_hwnd, control_id::kResultsList), return);
  m_list.setContextMenu(&listViewMenu());
  m_list.setFlatDisplay(m_engine.settings.flatMode);
  m_list.setRowFilter([this] { return m_viewMode == kViewAllItems ? RowFilter::allItems : RowFilter::differencesOnly; });
  m_list.setResult(&m_engine.result);
  setWindowPos(m_list.hwnd(), m_splitter.hwnd(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool CMirraneDlg::onInitDialog() {
  olBaseDlg::onInitDialog();
  setWindowText(m_hwnd, u"Mirrane");
  setAppIcon(m_hwnd);
  notifySelectionChanged();
  setFocus(m_list.hwnd());

  // The stored mode, as another instance may have left it.
  forgetViewMode();
  m_viewMode = ::viewMode();
  m_viewDiffsButton.setViewChecked(m_viewMode == kViewDifferences);
  m_viewAllButton.setViewChecked(m_viewMode == kViewAllItems);

  const RECT window = getWindowRect(m_hwnd);
  setMinTrackSize(window.width(), window.height());
  applyStoredPlacement();

  m_list.addHotkeys(olHotkeyTable::instance());
  // One closed round through every control as they stand: the panel top to bottom, the
  // splitter beside it, the list, the view buttons, and on to the panel's first button again.
  std::vector<HWND> order = m_comparePanel.controlsInOrder();
  for (HWND control : {m_splitter.hwnd(), m_list.hwnd(), m_viewDiffsButton.hwnd(), m_viewAllButton.hwnd()})
    order.push_back(control);
  setTabOrder(order);

  const bool compareGiven = m_commandLine != nullptr && m_commandLine->compareGiven;
  // A compare already started reads the options, which hold the command line already.
  if (compareGiven && m_commandLineCompare == CompareStart::now) applyCommandLine(*m_commandLine, m_engine.options);
  noteIgnoredPaths();
  m_comparePanel.loadOptionsIntoControls();
  m_comparedPaths[0] = m_engine.options.path0;
  m_comparedPaths[1] = m_engine.options.path1;
  // The compare starts once the window is on screen, so that the progress dialog has an
  // owner to sit on and the user sees what is being compared.
  if (compareGiven && m_commandLine->start) postMessage(m_hwnd, kStartFromCommandLine);
  return false;
}

void CMirraneDlg::applyStoredPlacement() {
  const WindowPlacement stored = readWindowPlacement();
  RECT rect{stored.left, stored.top, stored.right, stored.bottom};
  bool maximized = stored.maximised;
  if (!windowPlacement(m_hwnd, rect, maximized, PlacementAccess::apply, ClampToWorkArea::yes)) {
    RECT work = monitorWorkArea(m_hwnd);
    if (work.isEmpty()) work = monitorWorkArea(nullptr);
    const RECT current = getWindowRect(m_hwnd);
    const int width = std::max(current.width(), static_cast<int>(static_cast<float>(work.width()) * 2.0f / 3.0f));
    const int height = std::max(current.height(), static_cast<int>(static_cast<float>(work.height()) * 3.0f / 4.0f));
    setWindowPos(m_hwnd, HWND_TOP, work.left + (work.width() - width) / 2, work.top + (work.height() - height) / 2,
                 width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  const int32_t storedWidth = readPanelWidth();
  const int width = storedWidth > 0 ? storedWidth : kDefaultPanelWidth;
  const RECT panel = getWindowRect(m_comparePanel.hwnd());
  resizeWindow(m_comparePanel.hwnd(), width, panel.height());
  layoutControls();
}

bool CMirraneDlg::windowPlacement(HWND window, RECT& rect, bool& maximized, PlacementAccess access,
                                  ClampToWorkArea clamp) {
  if (access == PlacementAccess::read) return getWindowPlacement(window, rect, maximized);
  if (rect.isEmpty()) return false;
  RECT normal = rect;
  if (clamp == ClampToWorkArea::yes) {
    // The screen the window was on when it was saved, or the nearest one if that screen
    // has gone; not the screen the new window happens to start on.
    const RECT work = workAreaNearest(rect);
    if (!work.isEmpty()) normal = keptInside(normal, work);
  }
  int show = SW_HIDE;
  if (maximized) show = SW_SHOWMAXIMIZED;
  else if (isWindowVisible(window)) show = SW_SHOW;
  if (!setWindowPlacement(window, normal, show)) return false;
  // Where the frame is known already, it is kept inside as well.
  if (clamp == ClampToWorkArea::yes) keepFrameInside(window, workAreaNearest(getWindowRect(window)));
  return true;
}

void CMirraneDlg::loadTexts() {
  m_comparePanel.applyPanelTexts();
  setWindowText(m_viewDiffsButton.hwnd(), cleanLabel(langText(lang::global::kDiffs)));
  setWindowText(m_viewAllButton.hwnd(), cleanLabel(langText(lang::global::kAll)));
  setAccessibleName(m_list.hwnd(), langText(lang::accessible::kResults));
  // The splitter's keys are told where a mouse user meets the bar and where a reader does.
  setAccessibleName(m_splitter.hwnd(), langText(lang::accessible::kSplitter));
  setAccessibleDescription(m_splitter.hwnd(), langText(lang::accessible::kSplitterKeys));
  olToolTipCtrl::shared().addTool(m_splitter.hwnd(), langText(lang::accessible::kSplitter) + u"\n" +
                                                         langText(lang::accessible::kSplitterKeys));
}

void CMirraneDlg::layoutControls() {
  // A step of about two characters of the window's font.
  m_splitter.setKeyboardStep(dx(8, m_font));
  layoutChildren(false);
}

void CMirraneDlg::layoutChildren(bool followSplitter) {
  if (!m_comparePanel.isBound() || !m_list.isBound()) return;
  const RECT k = getClientRect(m_hwnd);
  const MainMetrics metrics(m_font);
  if (!followSplitter) {
    // However wide the panel was stored or made, the list keeps its share of the window.
    const int panelWidth = getWindowRect(m_comparePanel.hwnd()).width();
    moveWindow(m_splitter.hwnd(), k.left + m_splitter.clampedX(panelWidth), k.top, kSplitterWidth, k.height());
  }
  const POINT splitter = screenToClient(m_hwnd, POINT{getWindowRect(m_splitter.hwnd()).left, 0});
  moveWindow(m_comparePanel.hwnd(), k.left, k.top, splitter.x, k.height());
  // A panel of the same size hears of no resize: a new font must still lay it out anew.
  m_comparePanel.layoutPanel();

  RECT r = k;
  r.left = k.left + splitter.x;
  const int bar = metrics.barHeight;
  // Each caption is read whole: a button is as wide as its text needs, at least two bars.
  int buttonWidth = 2 * bar;
  for (HWND button : {m_viewDiffsButton.hwnd(), m_viewAllButton.hwnd()})
    buttonWidth = std::max(buttonWidth, textExtent(getWindowText(button), m_font).cx + dx(7, m_font));
  moveWindow(m_viewAllButton.hwnd(), r.right - buttonWidth, r.bottom - bar, buttonWidth, bar);
  moveWindow(m_viewDiffsButton.hwnd(), r.right - 2 * buttonWidth, r.bottom - bar, buttonWidth, bar);
  const RECT list{r.left + kSplitterWidth, r.top + metrics.headerHeight, r.right, r.bottom - bar};
  moveWindow(m_list.hwnd(), list.left, list.top, std::max(0, list.width()), std::max(0, list.height()));
  if (!followSplitter) moveWindow(m_splitter.hwnd(), splitter.x, list.top, kSplitterWidth, std::max(0, list.height()));
}

void CMirraneDlg::invalidateArea(MainArea area) {
  const RECT client = getClientRect(m_hwnd);
  const MainMetrics metrics(m_font);
  RECT rect = client;
  if (area == MainArea::header) rect.bottom = client.top + metrics.headerHeight;
  else if (area == MainArea::statusBar) rect.top = client.bottom - metrics.barHeight;
  invalidateRect(m_hwnd, &rect);
  // What is repainted may read differently now.
  announceAccessibleParts(m_hwnd);
}

SummaryBadge CMirraneDlg::summaryBadge() const {
  const CompareResult& result = m_engine.result;
  if (m_comparing || m_engine.worker.isRunning()) return {};
  if (result.differing != 0 || result.missingSecond != 0 || result.missingFirst != 0) {
    return {numberToText(result.missingSecond) + u" / " + numberToText(result.differing) + u" / " +
                numberToText(result.missingFirst),
            kDifferenceColour};
  }
  if (result.root.children.empty()) return {};
  return {langText(lang::diff::kNoDiff), kNoDifferenceColour};
}

olstring CMirraneDlg::shownPath(const CompareItem& item, int side) const {
  const olstring relative = itemRelativePath(item, side);
  if (relative.empty() && item.side[side].name.empty()) return {};
  return joinPath(m_engine.result.displayRoot[side], relative);
}

void CMirraneDlg::updateStatus() {
  m_statusText.clear();
  m_statusBadge.clear();
  m_statusBadgeFlags = 0;
  const int single = m_list.singleSelectedRow();
  if (const CompareItem* item = single >= 0 ? m_list.rowItem(single) : nullptr) {
    m_statusText = shownPath(*item, 0);
    if (m_statusText.empty()) m_statusText = shownPath(*item, 1);
    m_statusBadgeFlags = item->flags;
    m_statusBadge = describeDifferences(item->flags);
  } else if (m_list.rowCount() > 0) {
    m_statusText = langText(m_list.rowCount() == 1 ? lang::global::kItemInfo : lang::global::kItemsInfo,
                            numberToText(m_list.rowCount()), numberToText(m_list.selectedCount()));
  } else if (m_comparing || m_engine.worker.isRunning()) {
    m_statusText = langText(lang::progress::kTitle);
  } else if (m_list.rows().treeItems() > 0) {
    // "Ready" would say nothing of the compare that has just found nothing.
    m_statusText = m_list.emptyText();
  } else {
    m_statusText = m_commandLineNote.empty() ? langText(lang::global::kReady) : m_commandLineNote;
  }
  invalidateArea(MainArea::statusBar);
}

void CMirraneDlg::noteIgnoredPaths() {
  // Told on standard error as well; the window says it where the user looks first.
  m_commandLineNote.clear();
  if (m_commandLine == nullptr) return;
  for (const olstring& path : m_commandLine->ignoredPaths) {
    if (!m_commandLineNote.empty()) m_commandLineNote += u"  ";
    m_commandLineNote += langText(lang::console::kIgnoredPath, path);
  }
  updateStatus();
}

void CMirraneDlg::notifySelectionChanged() {
  sendMessage(m_hwnd, WM_COMMAND, MAKEWPARAM(control_id::kResultsList, kListSelectionChanged), reinterpret_cast<LPARAM>(m_list.hwnd()));
}

void CMirraneDlg::paintClient(HDC dc, const RECT& rect) {
  RECT s = rect;
  s.left += getWindowRect(m_comparePanel.hwnd()).width();
  const MainMetrics metrics(m_font);
  drawHeader(dc, RECT{s.left, s.top, s.right, s.top + metrics.headerHeight});
  drawStatusBar(dc, RECT{s.left, s.bottom - metrics.barHeight, s.right, s.bottom});
}

void CMirraneDlg::drawHeader(HDC dc, const RECT& strip) {
  const COLORREF frame = themeColour(olThemeSlot::frame);
  fillSolidRect(dc, RECT{strip.left, strip.bottom - 1, strip.right, strip.bottom}, frame);
  RECT t = strip;
  t.bottom -= 1;
  // The badge centres over the list's rows, its scroll bar left out.
  const RECT listClient = getClientRect(m_list.hwnd());
  t.right = screenToClient(m_hwnd, clientToScreen(m_list.hwnd(), POINT{listClient.right, 0})).x;

  selectFont(dc, m_font);
  const int half = dx(7, m_font) / 2;
  const SummaryBadge badge = summaryBadge();
  int w = 2 * half;
  if (!badge.text.empty()) {
    const SIZE size = textExtent(badge.text, m_font);
    RECT box{t.left + (t.width() - size.cx) / 2, t.top + (t.height() - size.cy) / 2, 0, 0};
    box.right = box.left + size.cx;
    box.bottom = box.top + size.cy;
    box = box.inflated(4, 4);
    fillRoundRect(dc, box, 10, badge.colour);
    setTextColour(dc, kBadgeTextColour);
    drawText(dc, badge.text, box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    w = box.width() + 2 * half;
  }
  const int middle = (strip.left + strip.right) / 2;
  setTextColour(dc, themeColour(olThemeSlot::text));
  const UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_PATH_ELLIPSIS | DT_END_ELLIPSIS;
  if (!m_comparedPaths[0].empty()) {
    RECT left{strip.left + half, t.top, middle - w / 2, t.bottom};
    drawText(dc, m_comparedPaths[0], left, format | DT_LEFT);
  }
  if (!m_comparedPaths[1].empty()) {
    RECT right{middle + w / 2, t.top, strip.right - half, t.bottom};
    drawText(dc, m_comparedPaths[1], right, format | DT_RIGHT);
  }
}

void CMirraneDlg::drawStatusBar(HDC dc, const RECT& bar) {
  fillSolidRect(dc, bar, themeColour(olThemeSlot::face));
  fillSolidRect(dc, RECT{bar.left, bar.top, bar.right, bar.top + 1}, themeColour(olThemeSlot::frame));
  const int half = dx(7, m_font) / 2;
  const POINT buttons = screenToClient(m_hwnd, POINT{getWindowRect(m_viewDiffsButton.hwnd()).left, 0});
  RECT a{bar.left + half, bar.top + edge, buttons.x - half, bar.bottom - edge};
  m_shownStatusBadge.clear();
  if (m_statusText.empty() || a.isEmpty()) return;
  selectFont(dc, m_font);
  // The badge takes the width its text needs: the path gives way first, and the badge is
  // cut only when the whole bar cannot hold it.
  const int d = m_statusBadge.empty() ? 0 : std::min(textExtent(m_statusBadge, m_font).cx + 3 * half, a.width());
  RECT text = a;
  text.right -= d;
  setTextColour(dc, themeColour(olThemeSlot::text));
  drawText(dc, m_statusText, text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_PATH_ELLIPSIS | DT_END_ELLIPSIS);
  if (m_statusBadge.empty()) return;
  const int x0 = a.left + std::min(textExtent(m_statusText, m_font).cx, a.width() - d);
  RECT badge{x0 + half, a.top + edge, x0 + d, a.bottom - edge};
  fillRoundRect(dc, badge, 6, m_statusBadgeFlags != 0 ? kDifferenceColour : kNoDifferenceColour);
  setTextColour(dc, kBadgeTextColour);
  RECT inner = badge.inflated(-half, 0);
  m_shownStatusBadge = elideText(m_statusBadge, inner.width(), olElide::end, m_font);
  drawText(dc, m_shownStatusBadge, inner, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  setTextColour(dc, themeColour(olThemeSlot::text));
}

bool CMirraneDlg::startCompare(CompareStart start) {
  m_list.clearRows();
  // A compare already started has reset the results itself and is filling them now.
  if (start == CompareStart::now) resetResult(m_engine.result);
  m_comparedPaths[0] = m_engine.options.path0;
  m_comparedPaths[1] = m_engine.options.path1;
  invalidateArea(MainArea::whole);
  m_comparing = true;
  notifySelectionChanged();
  const uint32_t exitCode = runCompareWithProgress(m_engine, m_hwnd, {}, m_workerProgressHook, start);
  m_comparing = false;
  if (!isWindow(m_hwnd)) return exitCode == 0;

  const CompareResult& result = m_engine.result;
  const bool oneFilePair = result.options.forceFile && result.root.children.size() == 1;
  for (int side = 0; side < 2; ++side) {
    m_comparedPaths[side] =
        oneFilePair ? shownPath(result.root.children.begin()->second, side) : result.displayRoot[side];
  }
  invalidateArea(MainArea::header);
  m_list.rebuildRows(FindText::clear);
  postMessage(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_list.hwnd()), 1);
  notifySelectionChanged();

  if (m_closePending) {
    // The user asked to close while the compare ran; its cancel is no news to them.
    postMessage(m_hwnd, WM_CLOSE);
    return false;
  }
  if (exitCode != 0) {
    olstring text;
    const uint32_t code = m_engine.job.getError(text, u":\r\n\r\n");
    // A compare that found nothing to compare has no error of the platform's: say so.
    if (code == 0 && text.empty()) text = nothingToCompareText();
    if (!text.empty()) olMessageBox::show(text, {}, MB_OK | MB_ICONERROR);
  }
  return exitCode == 0;
}

void CMirraneDlg::closeWhenCompareEnds() {
  if (!m_comparing) return;
  m_closePending = true;
  m_engine.worker.requestStop();
}

void CMirraneDlg::setViewMode(int mode) {
  if (mode == m_viewMode) return;
  m_viewMode = mode;
  ::setViewMode(mode);
  m_viewDiffsButton.setViewChecked(mode == kViewDifferences);
  m_viewAllButton.setViewChecked(mode == kViewAllItems);
  m_list.rebuildRows(FindText::keep);
  invalidateArea(MainArea::header);
  notifySelectionChanged();
}

void CMirraneDlg::clearResults() {
  m_list.clearRows();
  resetResult(m_engine.result);
  m_list.rebuildRows(FindText::clear);
  m_comparedPaths[0] = m_engine.options.path0;
  m_comparedPaths[1] = m_engine.options.path1;
  invalidateArea(MainArea::header);
  notifySelectionChanged();
  m_comparePanel.focusFirstEmpty();
}

void CMirraneDlg::showMainMenu(HWND button) {
  olMenu& menu = mainMenu();
  if (!menu.exists() || !button) return;
  updateMainMenuChecks(menu);
  const RECT rect = getWindowRect(button);
  menu.popup(m_hwnd, POINT{rect.left, rect.bottom}, TPM_LEFTALIGN | TPM_TOPALIGN);
}

void CMirraneDlg::showCommandLineHelp() {
  const CommandLine words;
  // The options are a table aligned with spaces: it needs columns that stay aligned.
  olMessageBox::show(langText(lang::global::kCmdlineInfo, u"mirrane", optionWordList(words, u", ")), {}, MB_OK,
                     olMessageText::columns);
}

void CMirraneDlg::showAbout() {
  CAboutDlg about;
  about.runModal();
}

void CMirraneDlg::handleCommand(UINT id, UINT code, LPARAM lParam) {
  using namespace menu_command;
  switch (id) {
    case IDOK: sendMessage(m_hwnd, WM_COMMAND, MAKEWPARAM(control_id::kCompare, 0)); return;
    case control_id::kCompare:
      if (m_comparePanel.collectOptions(true)) {
        m_commandLineNote.clear();
        startCompare();
      }
      return;
    case control_id::kMainMenu: showMainMenu(reinterpret_cast<HWND>(lParam)); break;
    case kShowHomePage: openWebPage(::kHomePage); break;
    case kShowDonatePage: openWebPage(::kDonatePage); break;
    case kShowHelp: sendMessage(m_hwnd, WM_HELP); break;
    case control_id::kViewDiffs: setViewMode(kViewDifferences); break;
    case control_id::kViewAll: setViewMode(kViewAllItems); break;
    case kCommandLineHelp: showCommandLineHelp(); break;
    case kAbout: showAbout(); break;
    case kClearResults: clearResults(); return;
    default:
      if (handleAppearanceCommand(id, m_hwnd, &m_engine.job)) return;
      if (inSubmenu(id, kFirstTheme) || inSubmenu(id, kFirstLanguage)) return;
      break;
  }
  if (code == 0) postMessage(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_list.hwnd()), 1);
}

void CMirraneDlg::keepFrameOnScreenOnce() {
  // The window manager frames the window only once it is shown; the placement clamped its
  // client area, and now the title bar it added must be on the screen too, or the window
  // can be neither moved nor closed with the mouse. Once only: later the user places it.
  if (m_frameKept) return;
  if (!frameKnown(m_hwnd)) {
    // The frame comes a moment after the window shows, and no message of ours tells when:
    // look again for a few seconds, then leave it (no window manager frames this window).
    if (!m_frameWatch.isRunning() && isWindowVisible(m_hwnd)) m_frameWatch.start(m_hwnd, kFrameWatchMs);
    return;
  }
  m_frameKept = true;
  m_frameWatch.stop();
  keepFrameInside(m_hwnd, workAreaNearest(getWindowRect(m_hwnd)));
}

void CMirraneDlg::FrameWatch::onTimer() {
  if (++m_ticks * kFrameWatchMs > kFrameWatchForMs) {
    stop();
    m_window.m_frameKept = true;
    return;
  }
  m_window.keepFrameOnScreenOnce();
}

void CMirraneDlg::saveWindowState() {
  RECT rect;
  bool maximized = false;
  if (!windowPlacement(m_hwnd, rect, maximized, PlacementAccess::read, ClampToWorkArea::no)) return;
  writeWindowPlacement(WindowPlacement{rect.left, rect.right, rect.top, rect.bottom, maximized});
  writePanelWidth(getWindowRect(m_comparePanel.hwnd()).width());
}

bool CMirraneDlg::filterMessage(MSG& msg) {
  return msg.message == WM_KEYDOWN && olHotkeyTable::instance().translate(msg);
}

LRESULT CMirraneDlg::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == splitterMessage() && wParam == static_cast<WPARAM>(control_id::kSplitter)) {
    layoutChildren(true);
    invalidateArea(MainArea::whole);
    return 0;
  }
  if (message == languageMessage() && LOWORD(wParam) == 1) {
    loadTexts();
    notifySelectionChanged();
    layoutControls();
    invalidateArea(MainArea::header);
    if (m_list.rowCount() == 0) invalidateRect(m_list.hwnd());
    return 0;
  }
  switch (message) {
    case WM_COMMAND: {
      const UINT id = LOWORD(wParam);
      const UINT code = HIWORD(wParam);
      if (id == static_cast<UINT>(control_id::kResultsList) && code == kListSelectionChanged) {
        updateStatus();
        return 0;
      }
      if (id == static_cast<UINT>(control_id::kResultsList) &&
          (code == kListDetailsByMouse || code == kListDetailsByKey)) {
        if (const CompareItem* item = m_list.detailsItem()) runDetailsDialog(m_engine.result, item);
        return 0;
      }
      if (id == static_cast<UINT>(control_id::kResultsList) && code == kListCaretMoved) {
        postMessage(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_list.hwnd()), 1);
        return 0;
      }
      handleCommand(id, code, lParam);
      return 0;
    }
    case kStartFromCommandLine: startCompare(std::exchange(m_commandLineCompare, CompareStart::now)); return 0;
    case WM_SHOWWINDOW:
    case WM_MOVE:
    case WM_ACTIVATE: keepFrameOnScreenOnce(); break;
    case WM_OLCLOSEWHILEDISABLED: closeWhenCompareEnds(); return 0;
    case WM_NCHITTEST: {
      const POINT point = screenToClient(m_hwnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      const RECT client = getClientRect(m_hwnd);
      if (point.x >= client.right - kSizingCorner && point.y >= client.bottom - kSizingCorner &&
          client.contains(point)) {
        return HTBOTTOMRIGHT;
      }
      break;
    }
    case WM_LBUTTONDOWN: {
      const RECT client = getClientRect(m_hwnd);
      const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (point.x >= client.right - kSizingCorner && point.y >= client.bottom - kSizingCorner) {
        beginSystemResize(m_hwnd, kSideRight | kSideBottom);
        return 0;
      }
      break;
    }
    case WM_DESTROY:
      // A window closed before it came to show the command line's compare: that compare ends
      // before the options it reads change.
      if (m_commandLineCompare == CompareStart::alreadyStarted) {
        m_engine.worker.requestStop();
        m_engine.worker.waitFinished();
      }
      // What is typed in the panel goes into the options the default project keeps.
      m_comparePanel.collectOptions(false);
      saveWindowState();
      break;
    default: break;
  }
  return olBaseDlg::windowProc(message, wParam, lParam);
}
