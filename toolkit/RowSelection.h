// The selection of a list's rows: a set of row indices plus an inverted flag. Inverted, the
// selection is every row not in the set, so that selecting all of a million rows costs
// nothing. The set keeps runs of rows as ranges, so a selected run is one entry however
// long it is.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

class olRowSelection {
public:
  // One run of rows, first to last inclusive.
  struct Range {
    int first;
    int last;
  };

  // Whether the row is selected (in the set, or out of it when inverted).
  bool isSelected(int row) const { return contains(row) != m_inverted; }
  // The number of selected rows of a list of rowCount rows.
  int64_t selectedCount(int rowCount) const;
  bool inverted() const { return m_inverted; }
  // The number of rows in the set (not the selection when inverted).
  int64_t setSize() const { return m_size; }
  bool contains(int row) const;
  const std::vector<Range>& ranges() const { return m_ranges; }

  // Nothing selected: the set emptied, not inverted.
  void clear();
  // Every row selected: the set emptied, inverted.
  void selectAll();
  // Toggles the inverted flag.
  void invert() { m_inverted = !m_inverted; }
  // The row alone (a negative row selects nothing).
  void selectOnly(int row);
  // The rows from a to b (either order) alone.
  void selectOnlyRange(int a, int b);
  // Adds or removes one row. In a list of at least 100 rows, a set that then holds three
  // quarters of the rows or more is replaced by its complement and the flag toggled, so
  // that the set stays small.
  void setSelected(int row, bool selected, int rowCount);
  // Replaces the set and the flag (a view that rebuilt its rows puts the same items back).
  void assign(std::vector<int> sortedRows, bool inverted);

  // The first and last selected row of a list of rowCount rows, or -1 when none is.
  int firstSelected(int rowCount) const;
  int lastSelected(int rowCount) const;
  // Calls visit for every selected row in ascending order; visit returns false to stop.
  void forEachSelected(int rowCount, const std::function<bool(int)>& visit) const;
  // Calls visit for every row in the set in ascending order.
  void forEachInSet(const std::function<void(int)>& visit) const;
  // The selected rows of a list of rowCount rows as ascending, disjoint runs.
  std::vector<Range> selectedRanges(int rowCount) const;

  bool operator==(const olRowSelection& other) const;

private:
  void insert(int row);
  void erase(int row);
  void complement(int rowCount);
  // The runs of rows of a list of rowCount rows that the set does not hold.
  std::vector<Range> rowsOutside(int rowCount) const;
  // The index of the range holding row, or of the first range after it.
  size_t lowerRange(int row) const;

  std::vector<Range> m_ranges;  // sorted, disjoint, never touching
  int64_t m_size = 0;
  bool m_inverted = false;
};

// The rows of a list of rowCount rows that one selection holds and the other does not,
// ascending, into rows when there are at most limit of them; false (rows empty) when there
// are more. Its cost follows the number of runs, not the number of rows.
bool differingRows(const olRowSelection& a, const olRowSelection& b, int rowCount, int limit, std::vector<int>& rows);
