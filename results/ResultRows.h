// The rows the results list shows for a compare tree: which items appear in which view,
// in what order and shape, which of a row's texts are drawn in the difference colour, and
// the one-line description of an item's differences.
#pragma once

#include "engine/CompareTree.h"
#include "toolkit/Types.h"

#include <deque>

// Which items become rows: every item, or only the differing ones (with the folders that
// lead to them unless the display is flat).
enum class RowFilter { allItems, differencesOnly };
// How the differences-only view is shown: as the tree it is, or as a flat list of paths.
enum class RowShape { tree, flat };

// An ordered list of non-owning item pointers; row i shows item i. It must be cleared
// before the tree it was built from is reset. In tree display each row also knows its
// parent's row and whether it is the last shown child of that parent, for the connector
// lines (4 bytes a row beside the 8 of the pointer).
class ResultRows {
public:
  size_t size() const { return m_items.size(); }
  bool empty() const { return m_items.empty(); }
  const CompareItem* item(size_t row) const { return m_items[row]; }
  void clear();

  RowFilter filter() const { return m_filter; }
  RowShape shape() const { return m_shape; }
  // True when the rows are drawn flat: names become relative paths and nothing is indented.
  bool isFlat() const { return m_filter == RowFilter::differencesOnly && m_shape == RowShape::flat; }

  // Tree display only (false and -1 otherwise): whether the row's item is the last of its
  // parent's children that are shown, and the row of its parent (-1 at the top level).
  bool isLastShownChild(size_t row) const { return row < m_links.size() && (m_links[row] & kLastBit); }
  int parentRow(size_t row) const {
    return row < m_links.size() ? static_cast<int>(m_links[row] & ~kLastBit) - 1 : -1;
  }

  // The largest file size and the attribute bits seen among the rows on a side, so that
  // the size and attribute columns line up down the whole list.
  int64_t largestSize(int side) const { return m_largestSize[side]; }
  uint32_t attributesSeen(int side) const { return m_attributesSeen[side]; }
  // How many items (the root left out) the tree the rows were built from holds, shown or
  // not: the items a compare compared.
  int64_t treeItems() const { return m_treeItems; }

private:
  friend class RowBuilder;
  static constexpr uint32_t kLastBit = 0x80000000u;

  std::deque<const CompareItem*> m_items;
  std::deque<uint32_t> m_links;
  RowFilter m_filter = RowFilter::allItems;
  RowShape m_shape = RowShape::tree;
  int64_t m_largestSize[2] = {0, 0};
  uint32_t m_attributesSeen[2] = {0, 0};
  int64_t m_treeItems = 0;
};

// Appends the rows of the whole tree below root, depth first in the tree's own order:
// every item; or the items with flags and, in tree shape, the folders that hold a
// differing item (a folder without flags and without such a descendant is left out with
// all its children).
void buildRows(const CompareItem& root, ResultRows& rows, RowFilter filter, RowShape shape);

// Which texts of a row are drawn in the difference colour.
struct RowHighlights {
  bool name = false;
  bool size = false;
  bool attributes = false;
  bool time = false;
};
RowHighlights highlightsOf(const CompareItem& item);

// The description of an item's differences: "no_diff" for none, else the texts of the
// differences in a fixed order (presence, type, name, content or size, time, attributes)
// joined by ", ".
olstring describeDifferences(uint32_t flags);
// The same in words a screen reader speaks: "content differs, modification time differs",
// "only in the first folder", or "no difference".
olstring describeVerdict(uint32_t flags);

// The colours that say "differs" and "no difference" in every theme: the fills of the
// summary and status badges with their text, and the base of highlighted texts.
constexpr COLORREF kDifferenceColour = RGB(204, 102, 0);
constexpr COLORREF kNoDifferenceColour = RGB(0, 128, 0);
constexpr COLORREF kBadgeTextColour = RGB(255, 255, 255);

// The colour of highlighted texts on a background: kDifferenceColour, its lightness moved
// 0.4 away from the background's when it is closer than that. Cached per background for the
// life of the process.
COLORREF differenceColour(COLORREF background);
