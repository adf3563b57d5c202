// What a screen reader reads of the results list: each row as two cells, the first and the
// second side as the row shows them, and the row's verdict in words.
#include "results/ListView.h"

#include "foundation/LanguageKeys.h"

olstring mrnListView::accessibleCellText(int row, int column) const {
  const CompareItem* item = rowItem(row);
  if (!item || column < 0 || column > 1) return {};
  const SideInfo& side = item->side[column];
  if (!side.present()) return langText(column == 0 ? lang::accessible::kAbsentFirst : lang::accessible::kAbsentSecond);
  // The name as the row shows it: in the flat view the path below the compared folder.
  const olstring name = m_rows.isFlat() ? itemRelativePath(*item, column) : side.name.str();
  if (side.isFolder()) return langText(lang::accessible::kFolderCell, name);
  // The size exact, as the row shows it, with its unit.
  const olstring size = langText(side.size == 1 ? lang::size::kByte : lang::size::kBytes, sizeText(side.size));
  olstring text = langText(lang::accessible::kFileCell, name, size, timeText(side.modified));
  const olstring attributes = attrText(side.attributes);
  if (!attributes.empty()) text = langText(lang::accessible::kAttrCell, text, attributes);
  return text;
}

olstring mrnListView::accessibleRowDescription(int row) const {
  const CompareItem* item = rowItem(row);
  return item ? describeVerdict(item->flags) : olstring();
}

olstring mrnListView::accessibleColumnName(int column) const {
  if (column == 0) return langText(lang::accessible::kFirstColumn);
  if (column == 1) return langText(lang::accessible::kSecondColumn);
  return {};
}

int mrnListView::accessibleFocusColumn(int row) const {
  const CompareItem* item = rowItem(row);
  return item && !item->side[0].present() && item->side[1].present() ? 1 : 0;
}

olstring mrnListView::accessibleDescription() const { return rowCount() == 0 ? langText(lang::global::kEmpty) : olstring(); }
