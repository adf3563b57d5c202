#include "toolkit/ListView.h"

#include <algorithm>
#include <climits>

#include "toolkit/Accessible.h"
#include "toolkit/Geometry.h"
#include "toolkit/PaintDC.h"
#include "toolkit/Theme.h"

namespace {

// The point a context menu asked for from the keyboard arrives as.
constexpr int kKeyboardPoint = -1;

}  // namespace

olListView::olListView() = default;
olListView::~olListView() = default;

bool olListView::create(HWND parent, int id) {
  registerClass();
  HWND hwnd = createWindowEx(0, u"olScrollPanel", u"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, RECT{},
                             parent, id);
  if (!hwnd) return false;
  HFONT font = reinterpret_cast<HFONT>(sendMessage(parent, WM_GETFONT));
  sendMessage(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font ? font : uiFont()));
  if (attach(hwnd)) return true;
  destroyWindow(hwnd);
  return false;
}

void olListView::onAttached() {
  olScrollPanel::onAttached();
  setScrollMode(olScrollMode::paintOffset);
  trackMouseHover(m_hwnd);
  updateRowHeight();
}

void olListView::updateRowHeight() {
  const int fontHeight = lineHeight(m_font ? m_font : uiFont());
  int height = std::max(rowContentHeight(), fontHeight) + 2 * kPadding;
  if (height % 2) ++height;
  m_rowHeight = height;
  setLineStep(m_rowHeight);
  setRowCount(m_rowCount);
  invalidateRect(m_hwnd);
}

void olListView::setRowCount(int count) {
  m_rowCount = std::max(0, count);
  if (m_current >= m_rowCount) m_current = -1;
  if (m_anchor >= m_rowCount) m_anchor = -1;
  // A content height beyond what the scroll bar can count cannot occur with the row
  // counts a compare makes; the clamp only keeps the arithmetic sound.
  const int64_t height = int64_t(m_rowCount) * m_rowHeight;
  setContentHeight(static_cast<int>(std::min<int64_t>(height, INT_MAX)));
  invalidateRect(m_hwnd);
}

int olListView::singleSelectedRow() const {
  return selectedCount() == 1 ? m_selection.firstSelected(m_rowCount) : -1;
}

bool olListView::commitSelection(const olRowSelection& before) {
  if (before == m_selection) return false;
  invalidateRect(m_hwnd);
  notifyParent(kListSelectionChanged);
  announceListSelection(m_hwnd, before, m_selection, m_rowCount);
  return true;
}

void olListView::selectAll() {
  if (m_rowCount == 0) return;
  const olRowSelection before = m_selection;
  // Every row selected is the same selection however it is written down.
  if (selectedCount() == m_rowCount && m_rowCount > 0) return;
  m_selection.selectAll();
  commitSelection(before);
}

void olListView::deselectAll() {
  const olRowSelection before = m_selection;
  if (selectedCount() == 0) return;
  m_selection.clear();
  commitSelection(before);
}

void olListView::invertSelection() {
  if (m_rowCount == 0) return;
  const olRowSelection before = m_selection;
  m_selection.invert();
  commitSelection(before);
}

void olListView::setCursor(int row, olCursorMove how, olScrollAlign scroll) {
  if (row < 0 || row >= m_rowCount) return;
  const olRowSelection before = m_selection;
  const int caretBefore = m_current;
  switch (how) {
    case olCursorMove::alone:
      m_selection.selectOnly(row);
      m_anchor = row;
      break;
    case olCursorMove::extend:
      if (m_anchor < 0) m_anchor = m_current >= 0 ? m_current : row;
      m_selection.selectOnlyRange(m_anchor, row);
      break;
    case olCursorMove::toggle:
      m_selection.setSelected(row, !m_selection.isSelected(row), m_rowCount);
      m_anchor = row;
      break;
    case olCursorMove::caretOnly: break;
    case olCursorMove::keepIfSelected:
      if (!m_selection.isSelected(row)) m_selection.selectOnly(row);
      m_anchor = row;
      break;
  }
  setCurrentRow(row);
  // The caret moved even when the selection did not: its mark must be drawn anew.
  if (!commitSelection(before)) invalidateRect(m_hwnd);
  ensureVisible(row, scroll);
  if (m_current != caretBefore) announceListCaret(m_hwnd);
}

void olListView::selectRows(std::vector<int> rows, olScrollAlign scroll) {
  if (rows.empty()) return;
  const int last = rows.back();
  const olRowSelection before = m_selection;
  const int caretBefore = m_current;
  m_selection.assign(std::move(rows), false);
  setCurrentRow(last);
  m_anchor = last;
  if (!commitSelection(before)) invalidateRect(m_hwnd);
  ensureVisible(last, scroll);
  if (m_current != caretBefore) announceListCaret(m_hwnd);
}

void olListView::resetRows(int count, olRowSelection selection, int current, int anchor) {
  // The caret and the anchor go first, so that setting the count does not clamp the old ones.
  m_current = m_anchor = -1;
  setRowCount(count);
  m_selection = std::move(selection);
  m_current = current >= 0 && current < m_rowCount ? current : -1;
  m_anchor = anchor >= 0 && anchor < m_rowCount ? anchor : -1;
  invalidateRect(m_hwnd);
  announceListRowsReset(m_hwnd);
}

void olListView::setCurrentRow(int row) {
  row = row >= 0 && row < m_rowCount ? row : -1;
  if (row == m_current) return;
  invalidateRow(m_current);
  m_current = row;
  invalidateRow(m_current);
}

int olListView::hoverRow() const { return m_mouseY < 0 ? -1 : rowAt(m_mouseY); }

RECT olListView::rowRect(int row) const {
  const RECT client = getClientRect(m_hwnd);
  const int top = row * m_rowHeight - scrollPos();
  return {0, top, client.right, top + m_rowHeight};
}

int olListView::rowAt(int y) const {
  if (y < 0 || m_rowHeight <= 0) return -1;
  const int64_t row = (int64_t(y) + scrollPos()) / m_rowHeight;
  return row < m_rowCount ? static_cast<int>(row) : -1;
}

int olListView::firstVisibleRow() const { return m_rowHeight > 0 ? scrollPos() / m_rowHeight : 0; }

int olListView::wholeVisibleRows() const {
  const RECT client = getClientRect(m_hwnd);
  return std::max(1, m_rowHeight > 0 ? client.height() / m_rowHeight : 1);
}

bool olListView::ensureVisible(int row, olScrollAlign align) {
  if (row < 0 || row >= m_rowCount) return false;
  if (align == olScrollAlign::none) return true;
  const int viewHeight = getClientRect(m_hwnd).height();
  const int top = row * m_rowHeight;
  const int bottom = top + m_rowHeight;
  const bool above = top < scrollPos();
  const bool below = bottom > scrollPos() + viewHeight;
  if (!above && !below) return true;
  const bool alignTop = align == olScrollAlign::top || (align == olScrollAlign::nearest && above);
  setScrollPos(alignTop ? top : bottom - viewHeight);
  return true;
}

void olListView::invalidateRow(int row) {
  if (row < 0 || row >= m_rowCount) return;
  const RECT rect = rowRect(row);
  invalidateRect(m_hwnd, &rect);
}

void olListView::notifyParent(UINT code) {
  const HWND parent = getParent(m_hwnd);
  if (parent) postMessage(parent, WM_COMMAND, MAKEWPARAM(getDlgCtrlID(m_hwnd), code), reinterpret_cast<LPARAM>(m_hwnd));
}

void olListView::paintRow(HDC, int, const RECT&, unsigned) {}
olstring olListView::accessibleCellText(int, int) const { return {}; }
olstring olListView::accessibleRowDescription(int) const { return {}; }
olstring olListView::accessibleColumnName(int) const { return {}; }
int olListView::accessibleFocusColumn(int) const { return 0; }
olstring olListView::accessibleDescription() const { return {}; }
void olListView::paintEmpty(HDC, const RECT&) {}
void olListView::onRowDoubleClick(int) {}
void olListView::onContextMenu(POINT) {}

LRESULT olListView::onPaint() {
  olPaintDC paint(m_hwnd);
  HDC dc = paint.dc();
  if (!dc) return 0;
  const RECT client = getClientRect(m_hwnd);
  fillSolidRect(dc, paint.paintRect(), themeColour(olThemeSlot::window));
  selectFont(dc, m_font ? m_font : uiFont());
  const bool focused = getFocus() == m_hwnd;
  if (m_rowCount == 0) {
    paintEmpty(dc, client);
  } else {
    paintRows(dc, paint.paintRect(), focused);
  }
  // Where the focus is shows even without a current row, as an edit's frame shows it.
  if (focused) drawEdges(dc, client, themeColour(olThemeSlot::accent), kAllSides, 1);
  return 0;
}

void olListView::paintRows(HDC dc, const RECT& area, bool focused) {
  const int first = rowAt(std::max(0, area.top));
  if (first < 0) return;
  const int hover = hoverRow();
  for (int row = first; row < m_rowCount; ++row) {
    const RECT rect = rowRect(row);
    if (rect.top >= area.bottom) break;
    unsigned state = focused ? kRowFocused : 0;
    if (m_selection.isSelected(row)) state |= kRowSelected;
    if (row == m_current) state |= kRowCurrent;
    if (row == hover) state |= kRowHot;
    paintRow(dc, row, rect, state);
  }
}

void olListView::moveCaretTo(int target, unsigned modifiers, olScrollAlign align) {
  if (m_rowCount == 0) return;
  // Ctrl moves only the caret; Ctrl+Space then picks rows one by one.
  const olCursorMove how = (modifiers & kModShift)  ? olCursorMove::extend
                           : (modifiers & kModCtrl) ? olCursorMove::caretOnly
                                                    : olCursorMove::alone;
  setCursor(std::clamp(target, 0, m_rowCount - 1), how, align);
}

bool olListView::onKeyDown(unsigned virtualKey, unsigned modifiers) {
  if (m_rowCount == 0) return false;
  // The move starts at the caret, else at the first selected row, else at the top.
  int from = m_current;
  if (from < 0) from = m_selection.firstSelected(m_rowCount);
  const bool hadStart = from >= 0;
  if (from < 0) from = 0;
  const int page = std::max(1, wholeVisibleRows() - 1);
  switch (virtualKey) {
    case VK_UP: moveCaretTo(hadStart ? from - 1 : 0, modifiers, olScrollAlign::top); return true;
    case VK_DOWN: moveCaretTo(hadStart ? from + 1 : 0, modifiers, olScrollAlign::bottom); return true;
    case VK_PRIOR: moveCaretTo(from - page, modifiers, olScrollAlign::top); return true;
    case VK_NEXT: moveCaretTo(from + page, modifiers, olScrollAlign::bottom); return true;
    case VK_HOME: moveCaretTo(0, modifiers, olScrollAlign::top); return true;
    case VK_END: moveCaretTo(m_rowCount - 1, modifiers, olScrollAlign::bottom); return true;
    case VK_SPACE:
      if (!(modifiers & kModCtrl) || m_current < 0) return false;
      setCursor(m_current, olCursorMove::toggle, olScrollAlign::none);
      return true;
    default: return false;
  }
}

void olListView::onLeftButtonDown(int x, int y, WPARAM keys) {
  (void)x;
  setFocus(m_hwnd);
  const int row = rowAt(y);
  if (row < 0) {
    // Below the last row: nothing stays selected.
    if (!(keys & MK_CONTROL)) deselectAll();
    return;
  }
  const olCursorMove how = (keys & MK_CONTROL) ? olCursorMove::toggle
                           : (keys & MK_SHIFT) ? olCursorMove::extend
                                               : olCursorMove::alone;
  setCursor(row, how, olScrollAlign::nearest);
  m_dragging = how == olCursorMove::alone;
}

void olListView::onRightButtonDown(int y, WPARAM keys) {
  setFocus(m_hwnd);
  if (keys & MK_CONTROL) return;
  const int row = rowAt(y);
  // On a selected row the selection stays, so that the context menu acts on all of it.
  if (row < 0) deselectAll();
  else setCursor(row, olCursorMove::keepIfSelected, olScrollAlign::none);
}

void olListView::dragTo(int y) {
  if (m_rowCount == 0 || m_anchor < 0) return;
  const int viewHeight = getClientRect(m_hwnd).height();
  // Beyond the top or bottom edge the view follows the mouse a row at a time.
  int target;
  if (y < 0) target = firstVisibleRow() - 1;
  else if (y >= viewHeight) target = (scrollPos() + viewHeight) / std::max(1, m_rowHeight);
  else target = rowAt(y) >= 0 ? rowAt(y) : m_rowCount - 1;
  setCursor(std::clamp(target, 0, m_rowCount - 1), olCursorMove::extend, olScrollAlign::nearest);
}

void olListView::setHoverY(int y) {
  const int before = hoverRow();
  m_mouseY = y;
  const int after = hoverRow();
  if (before == after) return;
  invalidateRow(before);
  invalidateRow(after);
}

void olListView::onMouseMove(int y, WPARAM keys) {
  if (m_dragging && (keys & MK_LBUTTON) && getCapture() == m_hwnd) {
    dragTo(y);
    return;
  }
  m_dragging = false;
  setHoverY(y);
}

POINT olListView::contextMenuPoint(LPARAM lParam) const {
  const int x = GET_X_LPARAM(lParam);
  const int y = GET_Y_LPARAM(lParam);
  if (x != kKeyboardPoint || y != kKeyboardPoint) return {x, y};
  // From the keyboard: just below the current row when it is in view, else the top left.
  POINT at{m_indentWidth, 0};
  const RECT client = getClientRect(m_hwnd);
  if (m_current >= 0) {
    const RECT row = rowRect(m_current);
    if (row.bottom > 0 && row.top < client.bottom) at.y = std::min(row.bottom, client.bottom);
  }
  return clientToScreen(m_hwnd, at);
}

LRESULT olListView::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: return onPaint();
    case WM_ERASEBKGND: return 1;
    case WM_SETFONT: {
      const LRESULT result = olScrollPanel::windowProc(message, wParam, lParam);
      updateRowHeight();
      return result;
    }
    case WM_GETDLGCODE: {
      // Enter belongs to the list (details), never to the dialog's default button.
      const auto* msg = reinterpret_cast<const MSG*>(lParam);
      const bool enter = msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN;
      return DLGC_WANTARROWS | DLGC_WANTCHARS | (enter ? DLGC_WANTMESSAGE : 0);
    }
    case WM_KEYDOWN: {
      const unsigned modifiers = messageKeyModifiers() & (kModCtrl | kModShift);
      // Shift+F10 is the menu key of keyboards without one.
      if (wParam == VK_F10 && modifiers == kModShift) {
        onContextMenu(contextMenuPoint(MAKELPARAM(kKeyboardPoint, kKeyboardPoint)));
        return 0;
      }
      if (onKeyDown(static_cast<unsigned>(wParam), modifiers)) return 0;
      break;
    }
    case WM_CHAR:
      // Typed characters are keys to the list, never text; Tab goes on to move the focus.
      if (wParam == u'\t') break;
      return 0;
    case WM_SETFOCUS:
      invalidateRect(m_hwnd);
      announceListFocused(m_hwnd);
      break;
    case WM_KILLFOCUS: invalidateRect(m_hwnd); break;
    case WM_LBUTTONDOWN: onLeftButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), wParam); return 0;
    case WM_LBUTTONUP: m_dragging = false; return 0;
    case WM_LBUTTONDBLCLK: {
      setFocus(m_hwnd);
      const int row = rowAt(GET_Y_LPARAM(lParam));
      if (row >= 0) onRowDoubleClick(row);
      return 0;
    }
    case WM_RBUTTONDOWN: onRightButtonDown(GET_Y_LPARAM(lParam), wParam); return 0;
    case WM_RBUTTONUP: notifyParent(kListRightButtonUp); return 0;
    case WM_MOUSEMOVE: onMouseMove(GET_Y_LPARAM(lParam), wParam); return 0;
    case WM_MOUSELEAVE: setHoverY(-1); return 0;
    case WM_CONTEXTMENU: onContextMenu(contextMenuPoint(lParam)); return 0;
    case WM_MOUSEWHEEL: {
      const LRESULT result = olScrollPanel::windowProc(message, wParam, lParam);
      // The rows moved under a mouse that stood still.
      invalidateRect(m_hwnd);
      return result;
    }
    default: break;
  }
  return olScrollPanel::windowProc(message, wParam, lParam);
}
