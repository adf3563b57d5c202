// The toolkit's owner-drawn list: rows of one height drawn by the derived class, on a
// scroll panel that scrolls by repainting (only the visible rows are ever drawn). It keeps
// the selection (a set with an inverted flag), the current row, the anchor of range
// selections and the row under the mouse, moves them with the mouse and the navigation
// keys, and tells its parent what happened through WM_COMMAND notifications.
#pragma once

#include "toolkit/RowSelection.h"
#include "toolkit/ScrollPanel.h"

// Notification codes (the high word of the WM_COMMAND the list posts to its parent; the
// low word is the list's id, lParam its window).
constexpr UINT kListSelectionChanged = 0xFFF0;
// The current row moved after a key, a search, a navigation command or a copy.
constexpr UINT kListCaretMoved = 0xFFEB;
// The right mouse button was released over the list.
constexpr UINT kListRightButtonUp = 0xFFED;

// How a row brought into view is placed when it was out of view.
enum class olScrollAlign {
  nearest,  // at whichever edge it was beyond
  top,      // at the top, as when scrolling up
  bottom,   // at the bottom, as when scrolling down
  none,     // not brought into view: the view stays where it is
};

// What moving the caret to a row does to the selection and the anchor (setCursor).
enum class olCursorMove {
  alone,           // the row alone is selected and becomes the anchor
  extend,          // the rows from the anchor to the row are selected; without an anchor the
                   // caret's row, else the row itself, becomes it
  toggle,          // the row's mark flips and the row becomes the anchor
  caretOnly,       // the selection and the anchor stay
  keepIfSelected,  // a selected row keeps the selection, another is selected alone; either
                   // becomes the anchor
};

// What a row looks like when it is drawn (bits of paintRow's state).
constexpr unsigned kRowSelected = 1;
constexpr unsigned kRowCurrent = 2;
constexpr unsigned kRowHot = 4;      // under the mouse
constexpr unsigned kRowFocused = 8;  // the list has the keyboard focus

class olListView : public olScrollPanel {
public:
  olListView();
  ~olListView() override;

  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void onAttached() override;

  // Makes the list's window (class "olScrollPanel": child, visible, clip-siblings, tab
  // stop) in the parent, gives it the parent's font and binds this object to it.
  bool create(HWND parent, int id);

  // Rows. The count is set by the owner with resetRows.
  int rowCount() const { return m_rowCount; }
  int rowHeight() const { return m_rowHeight; }
  // The width of one indentation level and of an item's glyph cell.
  int indentWidth() const { return m_indentWidth; }

  // The selection. Every change below redraws and notifies kListSelectionChanged when the
  // selection changed; deselecting keeps the current row.
  const olRowSelection& selection() const { return m_selection; }
  bool isSelected(int row) const { return row >= 0 && row < m_rowCount && m_selection.isSelected(row); }
  int64_t selectedCount() const { return m_selection.selectedCount(m_rowCount); }
  // The one selected row, or -1 unless exactly one row is selected.
  int singleSelectedRow() const;
  void selectAll();
  void deselectAll();
  void invertSelection();

  // The caret row (-1 for none) and the anchor of range selections (-1 for none).
  int currentRow() const { return m_current; }
  int anchorRow() const { return m_anchor; }
  // The one way the caret moves: to the row (nothing happens for no such row), changing the
  // selection and the anchor as how says, then bringing the row into view as scroll says.
  void setCursor(int row, olCursorMove how, olScrollAlign scroll);
  // The row alone becomes selected, current and the anchor, and is brought into view.
  void selectRowAlone(int row, olScrollAlign scroll = olScrollAlign::nearest) {
    setCursor(row, olCursorMove::alone, scroll);
  }
  // The rows (ascending, inside the list) alone become selected; the last becomes the
  // caret and the anchor and is brought into view. Nothing happens for no rows.
  void selectRows(std::vector<int> rows, olScrollAlign scroll);
  // After the owner built its rows again: the count, the selection, the caret and the anchor
  // (-1 for none, and for rows outside the count) at once, nothing notified, since a rebuild
  // puts the same items back. The scroll range follows the count; the view is repainted.
  void resetRows(int count, olRowSelection selection, int current, int anchor);
  // The row under the mouse, or -1.
  int hoverRow() const;

  // Geometry in client coordinates.
  RECT rowRect(int row) const;
  // The row at a client y, or -1 below the last row (or above the first).
  int rowAt(int y) const;
  int firstVisibleRow() const;
  // Whole rows the view shows, at least 1.
  int wholeVisibleRows() const;
  // Brings the row into view; false for no such row.
  bool ensureVisible(int row, olScrollAlign align = olScrollAlign::nearest);
  void invalidateRow(int row);

  // Posts WM_COMMAND with the code to the parent.
  void notifyParent(UINT code);

  // What a screen reader reads of the rows: each row as cells, column 0 first, with a
  // description of the row, and a name for each column. Derived lists give the texts; the
  // list itself has one column and no texts.
  virtual int accessibleColumnCount() const { return 1; }
  virtual olstring accessibleCellText(int row, int column) const;
  virtual olstring accessibleRowDescription(int row) const;
  virtual olstring accessibleColumnName(int column) const;
  // The cell of a row that takes the reader's focus when the row becomes current.
  virtual int accessibleFocusColumn(int row) const;
  // What the list as a whole is described as (what an empty list shows, for example).
  virtual olstring accessibleDescription() const;

protected:
  // Draws one row in its rectangle (state: kRowSelected, ...). The background is the
  // list's window colour already.
  virtual void paintRow(HDC dc, int row, const RECT& rect, unsigned state);
  // Draws what an empty list shows (nothing).
  virtual void paintEmpty(HDC dc, const RECT& client);
  // A key press (modifiers kModCtrl, kModShift); true when handled. The list's own handles
  // the navigation keys and Ctrl+Space; derived lists take their keys first.
  virtual bool onKeyDown(unsigned virtualKey, unsigned modifiers);
  // A row was double-clicked.
  virtual void onRowDoubleClick(int row);
  // The context menu is asked for, at a screen point (under the current row when it was
  // asked for from the keyboard).
  virtual void onContextMenu(POINT screen);
  // The tallest thing a row holds besides the text (the indent width by default).
  virtual int rowContentHeight() const { return m_indentWidth; }

  // Recomputes the row height from the font and updates the scroll range.
  void updateRowHeight();

  int m_rowHeight = 20;
  int m_indentWidth = 16;

private:
  // Sets the count, clamps the caret and the anchor to it, and updates the scroll range.
  void setRowCount(int count);
  void setCurrentRow(int row);
  // Moves the caret as a navigation key does: alone, or from the anchor with Shift, or only
  // the caret with Ctrl.
  void moveCaretTo(int target, unsigned modifiers, olScrollAlign align);
  // After a change of the selection: redraws and notifies when it differs from before.
  bool commitSelection(const olRowSelection& before);
  LRESULT onPaint();
  void paintRows(HDC dc, const RECT& area, bool focused);
  void onLeftButtonDown(int x, int y, WPARAM keys);
  void onRightButtonDown(int y, WPARAM keys);
  void onMouseMove(int y, WPARAM keys);
  void dragTo(int y);
  void setHoverY(int y);
  POINT contextMenuPoint(LPARAM lParam) const;

  // The state the one door above changes; derived lists read it through the accessors.
  olRowSelection m_selection;
  int m_rowCount = 0;
  int m_current = -1;
  int m_anchor = -1;
  int m_mouseY = -1;  // client y of the mouse over the list, -1 when away
  bool m_dragging = false;
};
