// The results list: the rows of a compare drawn two-sided (first side left, second side
// right), with the context menu, next and previous difference, open and open-folder,
// copy, type-ahead, find, and the details request. It reports to its parent window
// through WM_COMMAND notifications (the codes of olListView and those below).
//
// How a window holds the list:
//   list.create(parent, control_id::kResultsList);
//   list.setContextMenu(&listViewMenu());     // the menu builder's list menu
//   list.addHotkeys(table);                   // F3, F4, Ctrl+F... while the window is active
//   list.setFlatDisplay(advanced.flatmode);
//   list.setRowFilter([&] { return ...; });  // asked at each rebuild: the owner's view mode
//   list.setResult(&result);                  // after a compare, then
//   list.rebuildRows(FindText::clear);        // (FindText::keep after a view-mode change)
//   list.clearRows();                         // before the result's tree is reset
// The parent receives WM_COMMAND with HIWORD(wParam) the code, LOWORD the id and lParam
// the list's window: kListSelectionChanged, kListCaretMoved (move the focus to the list),
// kListRightButtonUp, kListDetailsByMouse and kListDetailsByKey (show detailsItem() in
// the details dialog). The menu's commands and the hotkeys are sent to the list itself; a
// window that offers the same commands elsewhere (its own menu) hands them to runCommand.
#pragma once

#include "foundation/CommandIds.h"
#include "results/ResultRows.h"
#include "toolkit/ListView.h"

#include <functional>

class olHotkeyTable;
class olMenu;

// Show the details of the selected row: asked for by a double click, or by Enter or Space.
// The list makes the selected row current before it posts either. The list asks its parent
// rather than opening the dialog itself: the parent owns the result the dialog reads and
// the dialog's place on screen, and a posted request starts the modal dialog from the
// parent's loop, not from inside the list's own mouse or key handling.
constexpr UINT kListDetailsByMouse = 0xFFEE;
constexpr UINT kListDetailsByKey = 0xFFEF;
// Asks the list for its find dialog (sent to the list itself).
constexpr UINT kListFindDialog = 0xFFEC;


// The texts of a row (rowText).
enum class RowText {
  firstName = 0,
  secondName = 1,
  bothNames = 2,  // first name, tab, second name: what find searches
  summary = 3,    // what copy puts on the clipboard
  typeAhead = 4,  // the second name, or the first when the second side lacks the item
};

// Which way find goes: next, previous, or every match.
enum class FindDirection : uint8_t { next = 0, previous = 1, all = 2 };
// Whether a rebuild forgets the find text (after a new compare or clearing the results)
// or keeps it (after a change of the view mode).
enum class FindText { keep, clear };

// Line end of the text copy puts on the clipboard: LF, as the programs a Linux user pastes
// into (editors, terminals, mail) expect; CR LF would leave a stray CR on every line.
inline constexpr olstring_view kCopyLineEnd = u"\n";

// With this environment variable set, the first paint of the rows of each compare writes one
// line to standard error ("mirrane: list shown, ..."), so that a benchmark can time how soon
// the window's list can be used.
inline constexpr const char* kListShownMarker = "MIRRANE_MARK_LIST_SHOWN";

class mrnListView : public olListView {
public:
  mrnListView();
  ~mrnListView() override;

  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  // The compare result whose tree the rows show (not owned; nullptr for none), and whether
  // the differences-only view is flat (the advanced setting "flatmode").
  void setResult(const CompareResult* result) { m_result = result; }
  const CompareResult* result() const { return m_result; }
  void setFlatDisplay(bool flat) { m_shape = flat ? RowShape::flat : RowShape::tree; }
  // Which items become rows: asked at every rebuild, so that the owner's view mode, wherever
  // it is kept, decides. Without one the list shows the differences only.
  void setRowFilter(std::function<RowFilter()> filter) { m_rowFilter = std::move(filter); }

  // Builds the rows again for the owner's row filter, keeping the selected items selected
  // (by item; the inverted flag stays), the current row and the anchor on their items
  // (-1 when an item is no longer shown), and the current row in view.
  void rebuildRows(FindText findText);
  // Empties the list: call before the tree the rows point into is reset.
  void clearRows(FindText findText = FindText::clear);

  const ResultRows& rows() const { return m_rows; }
  // What the list says while it has no rows: that no compare has run yet, or, when the rows
  // were built from a compare's items, that nothing differs among them (and how many).
  olstring emptyText() const;
  // The item of a row, or nullptr outside the rows.
  const CompareItem* rowItem(int row) const;
  // A text of a row; empty outside the rows.
  olstring rowText(int row, RowText kind) const;

  // The context menu (built by the menu builder; not owned) and its enabling rules.
  void setContextMenu(olMenu* menu) { m_menu = menu; }
  void updateContextMenu(olMenu& menu) const;
  // Registers the list's hotkeys (Ctrl+F, F3, Shift+F3, Ctrl+F3, F4, Shift+F4) in a table.
  void addHotkeys(olHotkeyTable& table) const;

  // Runs a command of the context menu or of a hotkey; false for any other id.
  bool runCommand(UINT id);

  // The item the details dialog shows: the one selected row's item, or nullptr unless
  // exactly one row is selected.
  const CompareItem* detailsItem() const;
  // Makes the one selected row current and posts the code (kListDetailsByMouse or ...Key);
  // false when not exactly one row is selected.
  bool requestDetails(UINT code);

  // Selects the next or previous differing row from the current one, without wrapping
  // around; false when there is none.
  bool goToDifference(bool forward);
  // Opens the one selected row's item on a side, or shows it in its folder. False when it
  // cannot be found or the desktop refused.
  bool openItem(int side);
  bool openItemFolder(int side);
  // The path the item of the one selected row has on a side: the side's shown root joined
  // with the item's relative path, or else the side's given path; empty when neither
  // exists or the item is missing on that side.
  olstring itemPathToOpen(int side) const;
  // Copies the summary texts of the selected rows; false when nothing was copied.
  bool copySelection();
  // Moves to the next row after the current one whose type-ahead text starts with the
  // character, wrapping around once; false when none does.
  bool typeAhead(char16_t character);

  // Find. The text lives until the rows are rebuilt with FindText::clear.
  const olstring& findText() const { return m_findText; }
  void setFindText(olstring_view text) { m_findText = text; }
  FindDirection findDirection() const { return m_findDirection; }
  // The dialog (when there are rows); on OK with a text, stores it and searches.
  void runFindDialog(FindDirection direction);
  // Searches again in the direction, or opens the dialog without a find text.
  void findAgain(FindDirection direction);
  // The search with the current text and direction; false when nothing was found.
  bool findInList();
  // The first matching row from start (stepping backward for find previous), wrapping
  // around or not; -1 for none.
  int findFrom(int start, bool wrap) const;
  // Whether the row's names contain the find text, letter case ignored.
  bool rowMatches(int row) const;

  // A screen reader reads a row as two cells, the first and the second side (name, size,
  // time, attributes; what lacks the item says so), and the row's verdict in words
  // (ListAccessible.cpp).
  int accessibleColumnCount() const override { return 2; }
  olstring accessibleCellText(int row, int column) const override;
  olstring accessibleRowDescription(int row) const override;
  olstring accessibleColumnName(int column) const override;
  // The side that has the item: the first, unless only the second has it.
  int accessibleFocusColumn(int row) const override;
  olstring accessibleDescription() const override;

protected:
  void paintRow(HDC dc, int row, const RECT& rect, unsigned state) override;
  void paintEmpty(HDC dc, const RECT& client) override;
  bool onKeyDown(unsigned virtualKey, unsigned modifiers) override;
  void onRowDoubleClick(int row) override;
  void onContextMenu(POINT screen) override;

private:
  void paintSide(HDC dc, const CompareItem& item, int row, int side, const RECT& half, const RECT& rowArea,
                 unsigned state, int depthCap);
  void paintTreeLines(HDC dc, int row, int left, const RECT& rowArea, COLORREF colour, int depthCap) const;
  // The deepest indentation a half of this width gives: the name keeps room for about
  // twelve characters beside the columns.
  int depthCap(HDC dc, int halfWidth);
  // The widths of a side's columns (ListViewPaint.cpp) that line up down the whole list, for
  // the widest text the rows give each; 0 for a column as wide as each row's own text.
  const std::vector<int>& columnWidths(HDC dc, int side);
  void forgetColumns() { m_columnsValid = false; }
  int startOfFind() const;

  const CompareResult* m_result = nullptr;
  ResultRows m_rows;
  RowShape m_shape = RowShape::tree;
  std::function<RowFilter()> m_rowFilter = [] { return RowFilter::differencesOnly; };
  olMenu* m_menu = nullptr;
  olstring m_findText;
  FindDirection m_findDirection = FindDirection::next;
  // Column widths of each side, measured once per font and rows.
  std::vector<int> m_columnWidths[2];
  bool m_columnsValid = false;
  // The next paint is the first of a compare's rows and is to be marked (kListShownMarker).
  bool m_markNextPaint = false;
};
