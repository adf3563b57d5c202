#include "results/ListView.h"

#include "foundation/LanguageKeys.h"
#include "foundation/Paths.h"
#include "foundation/TextFile.h"
#include "results/FindDlg.h"
#include "results/ItemPaths.h"
#include "toolkit/Hotkeys.h"
#include "toolkit/Menu.h"
#include "toolkit/Shell.h"

#include <cstdio>
#include <cstdlib>
#include <unordered_set>

using namespace ItemFlags;

mrnListView::mrnListView() = default;
mrnListView::~mrnListView() = default;

// ---- rows

const CompareItem* mrnListView::rowItem(int row) const {
  return row >= 0 && size_t(row) < m_rows.size() ? m_rows.item(size_t(row)) : nullptr;
}

olstring mrnListView::emptyText() const {
  // Before the first compare there is nothing to show; after one, an empty view means that
  // nothing differs, which is the answer the user came for.
  if (m_rows.treeItems() == 0) return langText(lang::global::kEmpty);
  return langText(lang::global::kNothingDiffers, numberToText(static_cast<int64_t>(m_rows.treeItems())));
}

void mrnListView::clearRows(FindText findText) {
  m_rows.clear();
  if (findText == FindText::clear) m_findText.clear();
  forgetColumns();
  resetRows(0, {}, -1, -1);
  setScrollPos(0);
}

void mrnListView::rebuildRows(FindText findText) {
  // The items that keep their marks, collected before the old rows go.
  const bool inverted = selection().inverted();
  std::unordered_set<const CompareItem*> marked;
  selection().forEachInSet([&](int row) {
    if (const CompareItem* item = rowItem(row)) marked.insert(item);
  });
  const CompareItem* currentItem = rowItem(currentRow());
  const CompareItem* anchorItem = rowItem(anchorRow());

  m_rows.clear();
  if (findText == FindText::clear) m_findText.clear();
  const RowFilter filter = m_rowFilter ? m_rowFilter() : RowFilter::differencesOnly;
  if (m_result) buildRows(m_result->root, m_rows, filter, m_shape);
  forgetColumns();

  std::vector<int> kept;
  int current = -1, anchor = -1;
  const bool remapSet = !marked.empty();
  if (remapSet || currentItem || anchorItem) {
    for (size_t row = 0; row < m_rows.size(); ++row) {
      const CompareItem* item = m_rows.item(row);
      if (remapSet && marked.count(item)) kept.push_back(static_cast<int>(row));
      if (item == currentItem) current = static_cast<int>(row);
      if (item == anchorItem) anchor = static_cast<int>(row);
    }
  }
  olRowSelection keptSelection;
  keptSelection.assign(std::move(kept), inverted);
  resetRows(static_cast<int>(m_rows.size()), std::move(keptSelection), current, anchor);
  if (current >= 0) ensureVisible(current);
  m_markNextPaint = m_rows.treeItems() > 0 && std::getenv(kListShownMarker) != nullptr;
}

olstring mrnListView::rowText(int row, RowText kind) const {
  const CompareItem* item = rowItem(row);
  if (!item) return {};
  const SideInfo& first = item->side[0];
  const SideInfo& second = item->side[1];
  switch (kind) {
    case RowText::firstName: return first.name.str();
    case RowText::secondName: return second.name.str();
    case RowText::bothNames: return first.name.str() + u'\t' + second.name.str();
    case RowText::typeAhead: return (second.present() ? second.name : first.name).str();
    case RowText::summary: {
      olstring text(size_t(std::max(item->depth, 0)), u'>');
      if (item->depth != 0) text += u' ';
      for (int side = 0; side < 2; ++side) {
        const SideInfo& info = item->side[side];
        if (side == 1) text += u" : ";
        if (!info.present()) continue;
        text += info.name;
        if (info.isFolder()) continue;
        text += u" | " + timeText(info.modified) + u" | " + attrText(info.attributes) + u" | " + sizeText(info.size);
      }
      return text;
    }
  }
  return {};
}

// ---- details, open, difference navigation, copy

const CompareItem* mrnListView::detailsItem() const { return rowItem(singleSelectedRow()); }

bool mrnListView::requestDetails(UINT code) {
  // The row shown is the selected one; after a Ctrl+click the caret may be elsewhere.
  const int row = singleSelectedRow();
  if (row < 0) return false;
  setCursor(row, olCursorMove::keepIfSelected, olScrollAlign::none);
  notifyParent(code);
  return true;
}

bool mrnListView::goToDifference(bool forward) {
  if (m_rows.empty()) return false;
  const int count = static_cast<int>(m_rows.size());
  int row = currentRow() >= 0 ? currentRow() : (forward ? -1 : count);
  for (row += forward ? 1 : -1; row >= 0 && row < count; row += forward ? 1 : -1) {
    if (m_rows.item(size_t(row))->flags == 0) continue;
    selectRowAlone(row, forward ? olScrollAlign::bottom : olScrollAlign::top);
    notifyParent(kListCaretMoved);
    return true;
  }
  return false;
}

olstring mrnListView::itemPathToOpen(int side) const {
  const CompareItem* item = detailsItem();
  if (!item || !m_result || side < 0 || side > 1) return {};
  return itemOpenPath(*m_result, *item, side);
}

bool mrnListView::openItem(int side) {
  const olstring path = itemPathToOpen(side);
  return !path.empty() && openPath(path);
}

bool mrnListView::openItemFolder(int side) {
  const olstring path = itemPathToOpen(side);
  return !path.empty() && showInFolder(path);
}

bool mrnListView::copySelection() {
  olstring text;
  const int count = static_cast<int>(m_rows.size());
  selection().forEachSelected(count, [&](int row) {
    text += rowText(row, RowText::summary);
    text += kCopyLineEnd;
    return true;
  });
  if (text.empty()) return false;
  const bool copied = setClipboardText(text);
  notifyParent(kListCaretMoved);
  return copied;
}

bool mrnListView::typeAhead(char16_t character) {
  const int count = static_cast<int>(m_rows.size());
  if (count == 0) return false;
  const char16_t upper = platform::upperCaseUnit(character);
  for (int step = 1; step <= count; ++step) {
    const int row = ((currentRow() < 0 ? -1 : currentRow()) + step) % count;
    const CompareItem* item = m_rows.item(size_t(row));
    const olstring_view text = item->side[1].present() ? item->side[1].name : item->side[0].name;
    if (text.empty() || platform::upperCaseUnit(text.front()) != upper) continue;
    selectRowAlone(row);
    return true;
  }
  return false;
}

// ---- find

bool mrnListView::rowMatches(int row) const {
  const CompareItem* item = rowItem(row);
  if (!item || m_findText.empty()) return false;
  const olstring_view first = item->side[0].name;
  const olstring_view second = item->side[1].name;
  if (first.empty() && second.empty()) return false;
  // Looking in each name spares building the joined text for every row; only a find
  // text holding the tab can match across the two names.
  if (m_findText.find(u'\t') == olstring::npos)
    return findNoCase(first, m_findText) != olstring::npos || findNoCase(second, m_findText) != olstring::npos;
  return findNoCase(rowText(row, RowText::bothNames), m_findText) != olstring::npos;
}

int mrnListView::findFrom(int start, bool wrap) const {
  const int count = static_cast<int>(m_rows.size());
  if (m_findText.empty() || count == 0) return -1;
  if (start < 0 || start >= count) {
    if (!wrap) return -1;
    start = start >= count ? 0 : count - 1;
  }
  const int step = m_findDirection == FindDirection::previous ? -1 : 1;
  int row = start;
  do {
    if (rowMatches(row)) return row;
    row += step;
    if (row < 0 || row >= count) {
      if (!wrap) return -1;
      row = row < 0 ? count - 1 : 0;
    }
  } while (row != start);
  return -1;
}

int mrnListView::startOfFind() const {
  const int count = static_cast<int>(m_rows.size());
  const bool forward = m_findDirection != FindDirection::previous;
  if (m_findDirection == FindDirection::all) return 0;
  const int current = currentRow();
  if (current >= 0 && isSelected(current)) return forward ? current + 1 : current - 1;
  if (selectedCount() == 0) {
    if (current >= 0) return forward ? current + 1 : current - 1;
    return forward ? 0 : count - 1;
  }
  return forward ? selection().firstSelected(count) + 1 : selection().lastSelected(count) - 1;
}

bool mrnListView::findInList() {
  const int count = static_cast<int>(m_rows.size());
  if (m_findText.empty() || m_findDirection > FindDirection::all || count == 0) return false;
  const bool all = m_findDirection == FindDirection::all;
  const int found = findFrom(startOfFind(), !all);
  if (found < 0) return false;
  // Find all selects every match and leaves the caret on the last.
  std::vector<int> matches{found};
  for (int row = found + 1; all && row < count; ++row)
    if (rowMatches(row)) matches.push_back(row);
  selectRows(std::move(matches),
             m_findDirection == FindDirection::previous ? olScrollAlign::top : olScrollAlign::bottom);
  return true;
}

void mrnListView::runFindDialog(FindDirection direction) {
  if (m_rows.empty()) return;
  mrnFindDlg dialog(m_findText);
  if (dialog.runModal() != IDOK || dialog.text().empty()) return;
  m_findText = dialog.text();
  m_findDirection = direction;
  findInList();
}

void mrnListView::findAgain(FindDirection direction) {
  if (m_findText.empty()) {
    runFindDialog(direction);
    return;
  }
  m_findDirection = direction;
  findInList();
  notifyParent(kListCaretMoved);
}

// ---- commands, menu and keys

void mrnListView::updateContextMenu(olMenu& menu) const {
  using namespace list_command;
  const int64_t selected = selectedCount();
  const bool hasRows = !m_rows.empty();
  menu.enableItem(kDetails, selected == 1);
  menu.enableItem(kSelectAll, hasRows && selected < int64_t(m_rows.size()));
  menu.enableItem(kDeselectAll, selected > 0);
  for (UINT id : {kInvertSelection, kFind, kFindNext, kFindPrevious, kFindAll}) menu.enableItem(id, hasRows);
  const bool differences = m_result && m_result->differing > 0;
  menu.enableItem(kNextDifference, differences);
  menu.enableItem(kPreviousDifference, differences);
  bool present[2] = {false, false};
  if (const CompareItem* item = detailsItem()) {
    if (!(item->flags & kMissing)) present[0] = present[1] = true;
    else if (item->flags & kMissingSecond) present[0] = true;
    else present[1] = true;
  }
  menu.enableItem(kOpenFirst, present[0]);
  menu.enableItem(kOpenSecond, present[1]);
  menu.enableItem(kOpenFolderFirst, present[0]);
  menu.enableItem(kOpenFolderSecond, present[1]);
  for (olMenu* submenu : menu.submenus())
    if (submenu->containsItem(kOpenFirst) || submenu->containsItem(kOpenFolderFirst))
      submenu->enableSubmenu(present[0] || present[1]);
}

void mrnListView::addHotkeys(olHotkeyTable& table) const {
  using namespace list_command;
  table.add(m_hwnd, 'F', kModCtrl, kFind);
  table.add(m_hwnd, VK_F3, 0, kFindNext);
  table.add(m_hwnd, VK_F3, kModShift, kFindPrevious);
  table.add(m_hwnd, VK_F3, kModCtrl, kFindAll);
  table.add(m_hwnd, VK_F4, 0, kNextDifference);
  table.add(m_hwnd, VK_F4, kModShift, kPreviousDifference);
}

bool mrnListView::runCommand(UINT id) {
  using namespace list_command;
  switch (id) {
    case kDetails: requestDetails(kListDetailsByKey); return true;
    case kOpenFirst: openItem(0); return true;
    case kOpenSecond: openItem(1); return true;
    case kOpenFolderFirst: openItemFolder(0); return true;
    case kOpenFolderSecond: openItemFolder(1); return true;
    case kNextDifference: goToDifference(true); return true;
    case kPreviousDifference: goToDifference(false); return true;
    case kFind: runFindDialog(FindDirection::next); return true;
    case kFindNext: findAgain(FindDirection::next); return true;
    case kFindPrevious: findAgain(FindDirection::previous); return true;
    case kFindAll: findAgain(FindDirection::all); return true;
    case kSelectAll: selectAll(); return true;
    case kDeselectAll: deselectAll(); return true;
    case kInvertSelection: invertSelection(); return true;
    default: return false;
  }
}

void mrnListView::onRowDoubleClick(int row) {
  // The first click of the two selected the row; make sure of it whatever came before.
  if (singleSelectedRow() != row) selectRowAlone(row);
  requestDetails(kListDetailsByMouse);
}

void mrnListView::onContextMenu(POINT screen) {
  if (!m_menu || !m_menu->exists()) return;
  updateContextMenu(*m_menu);
  m_menu->popup(m_hwnd, screen);
}

bool mrnListView::onKeyDown(unsigned virtualKey, unsigned modifiers) {
  const bool ctrl = modifiers & kModCtrl;
  const bool shift = modifiers & kModShift;
  switch (virtualKey) {
    case VK_RETURN:
      requestDetails(kListDetailsByKey);
      return true;
    case VK_SPACE:
      if (ctrl) break;
      requestDetails(kListDetailsByKey);
      return true;
    case 'F':
      // With or without modifiers, so that type-ahead never jumps on F.
      runFindDialog(FindDirection::next);
      return true;
    case VK_F3:
      findAgain(ctrl ? FindDirection::all : shift ? FindDirection::previous : FindDirection::next);
      return true;
    case VK_F4:
      if (ctrl) break;
      goToDifference(!shift);
      return true;
    case 'A':
      if (!ctrl || shift) break;
      selectAll();
      return true;
    case 'C':
      if (!ctrl || shift) break;
      copySelection();
      return true;
    default: break;
  }
  const bool letterOrDigit = (virtualKey >= 'A' && virtualKey <= 'Z') || (virtualKey >= '0' && virtualKey <= '9');
  if (letterOrDigit && !ctrl && !shift) {
    if (typeAhead(static_cast<char16_t>(virtualKey))) notifyParent(kListCaretMoved);
    return true;
  }
  return olListView::onKeyDown(virtualKey, modifiers);
}

LRESULT mrnListView::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == 0 && HIWORD(wParam) == kListFindDialog) {
        runFindDialog(FindDirection::next);
        return 0;
      }
      if (runCommand(LOWORD(wParam))) return 0;
      break;
    case WM_SETFONT: forgetColumns(); break;
    case WM_PAINT: {
      const LRESULT painted = olListView::windowProc(message, wParam, lParam);
      if (m_markNextPaint) {
        // For a script that times how soon a compare's list can be used; see the header.
        m_markNextPaint = false;
        std::fprintf(stderr, "mirrane: list shown, %zu rows of %lld items\n", m_rows.size(),
                     static_cast<long long>(m_rows.treeItems()));
        std::fflush(stderr);
      }
      return painted;
    }
    default: break;
  }
  return olListView::windowProc(message, wParam, lParam);
}
